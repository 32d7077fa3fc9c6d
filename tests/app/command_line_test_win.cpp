#include "app/command_line.h"

#include <gtest/gtest.h>

TEST(CommandArgs, SplitsTokensAtTheFirstEqualsSign) {
  const CommandArgs args = CommandArgs::Parse(
      LR"x( OnlyForkInstallDependent=1 HostLang="Deutsch (Schweiz)" HostVersion=1.2.3 HostHwnd=6554 Flag Url=a=b)x");
  EXPECT_EQ(args.Get(L"OnlyForkInstallDependent"), L"1");
  EXPECT_EQ(args.Get(L"HostLang"), L"Deutsch (Schweiz)");
  EXPECT_EQ(args.Get(L"HostVersion"), L"1.2.3");
  EXPECT_EQ(args.Get(L"HostHwnd"), L"6554");
  EXPECT_EQ(args.Get(L"Flag"), L"");
  EXPECT_EQ(args.Get(L"Url"), L"a=b");
  EXPECT_EQ(args.Get(L"Missing"), L"");
}

TEST(CommandArgs, KeysAreCaseSensitiveAndTheLastRepeatWins) {
  const CommandArgs args = CommandArgs::Parse(L"key=1 Key=2 key=3");
  EXPECT_EQ(args.Get(L"key"), L"3");
  EXPECT_EQ(args.Get(L"Key"), L"2");
  EXPECT_EQ(args.Get(L"KEY"), L"");
}

TEST(CommandArgs, EmptyLineHasNoKeys) {
  EXPECT_EQ(CommandArgs::Parse(L"").Get(L"OnlyForkInstallDependent"), L"");
}
