// The client identity's generator and layout.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/client_identity.h"

TEST(ClientSignFormat, LaysOutNibblesLowFirstWithFixedVersionAndVariant) {
  struct Case {
    std::uint64_t first, second;
    std::wstring sign;
  };
  const std::vector<Case> cases = {
      {0, 0, L"{00000000-0000-4000-8000-000000000000G}"},
      {0x0123456789abcdefULL, 0, L"{fedcba98-7654-4321-8000-000000000000G}"},
      {0, ~0ULL, L"{00000000-0000-4000-8fff-ffffffffffffG}"},
      {0x3ULL << 60, 0, L"{00000000-0000-4000-b000-000000000000G}"},
      {0x1ULL << 60, 0, L"{00000000-0000-4000-9000-000000000000G}"},
      {0x6ULL << 60, 0, L"{00000000-0000-4000-a000-000000000000G}"},
  };
  for (const Case& c : cases) {
    const std::wstring sign = FormatClientSign(c.first, c.second);
    EXPECT_EQ(sign, c.sign);
    EXPECT_TRUE(IsClientSignForm(sign));
  }
}

TEST(ClientSignFormat, GeneratorIsXorShift128PlusWithShifts23And17And26) {
  XorShift128Plus zero;
  EXPECT_EQ(zero.Next(), 0u);
  EXPECT_EQ(FormatClientSign(zero.Next(), zero.Next()), L"{00000000-0000-4000-8000-000000000000G}");

  XorShift128Plus g;
  g.state = {0x0123456789abcdefULL, 0xfedcba9876543210ULL};
  const std::uint64_t a = g.Next();
  const std::uint64_t b = g.Next();
  EXPECT_EQ(a, 0x4b182deded661907ULL);
  EXPECT_EQ(b, 0x4b182e0a46eba587ULL);
  EXPECT_EQ(FormatClientSign(a, b), L"{709166de-ded2-481b-8785-abe64a0e281bG}");
}

TEST(ClientSignFormat, RecognisesOnlyTheExactForm) {
  const std::vector<std::wstring> bad = {
      L"",
      L"{00000000-0000-4000-8000-000000000000}",
      L"{00000000-0000-4000-8000-000000000000g}",
      L"{00000000-0000-5000-8000-000000000000G}",
      L"{00000000-0000-4000-c000-000000000000G}",
      L"{0000000A-0000-4000-8000-000000000000G}",
      L"{00000000-0000-4000-8000-0000000000000G}",
      L"00000000-0000-4000-8000-000000000000G}",
      L"{00000000_0000-4000-8000-000000000000G}",
  };
  for (const std::wstring& s : bad) EXPECT_FALSE(IsClientSignForm(s)) << std::string(s.begin(), s.end());
}
