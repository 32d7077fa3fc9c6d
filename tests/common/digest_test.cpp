#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <string_view>

#include "common/md5.h"
#include "common/sha256.h"

namespace {

struct Vector {
  std::string_view message;
  std::string_view md5;
  std::string_view sha256;  // empty: no published value
};

// RFC 1321 appendix A.5 and the FIPS 180-4 / NIST examples.
constexpr Vector kPublished[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"a", "0cc175b9c0f1b6a831c399e269772661", ""},
    {"abc", "900150983cd24fb0d6963f7d28e17f72", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0", ""},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b", ""},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f", ""},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a", ""},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
     "", "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
};

// Lengths around the 56-byte padding limit and the 64-byte block size.
struct Boundary {
  size_t length;
  std::string_view md5;
  std::string_view sha256;
};
constexpr Boundary kBoundaries[] = {
    {55, "52c0e574e1198de5fe3f8f11440dcb1b", "e7313d333c272e639f790978283f9eb392e843d0f29b7016828bb1daa4aac70b"},
    {56, "46c9907fc908ee68b1e7b8e71286a518", "4324d65f3c103567f5589c710bc08f8523f929a9272e3af36fc968e52abc6c27"},
    {57, "1c805dd236c35cab25fcb1bc73802c51", "35df609437dcfea3279283ab79fd554e2bf78f8f7ae2de532d8ee300b09e8f73"},
    {63, "a62f6d59e837867693f042f5b8f5a236", "81c80242132f230c3bd41b3e63bbcff16107339549214a99614ff26664625055"},
    {64, "7160b8fb5e9e4023d549c3971fbaeead", "39e3d7b6b5d075d37d053ad89b24b41bef4f3c29760c84447cab3f3be1882241"},
    {65, "70bd662e7aefbda85a0f7244167b7897", "aacca6ff74fdbb296d165a45cecfa04e5127bc008770fbbdd48006f2d2fae95e"},
    {119, "e84905d4214f4d1ca56c2cdcc152b143", "9ce7368e4daf32341631b492e80359dc9f594b48453cd0dd5bf0b19279cc177e"},
    {120, "e3eb5a6c8669ea01a8c185b8abc8a5dc", "7836b787757e95e58b3ca5aec90b1b004e8deba1e50e9675af9cabf1a13a04b5"},
    {128, "10b2da1a82f16d99a81a7203fe9f02cb", "d2742f1f4ac6bb7ca2b239ee18402ba8b3f9f8e652d2a72973c2b9ba11c08cf6"},
};

std::string Pattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
  return bytes;
}

// Feeds `data` in pieces of uneven sizes, some of them empty.
template <typename Hash>
typename Hash::Digest HashInPieces(Hash& hash, std::string_view data) {
  static constexpr size_t kSizes[] = {1, 63, 0, 64, 65, 7, 128, 3, 200, 55, 1000};
  size_t pos = 0;
  for (size_t i = 0; pos < data.size(); ++i) {
    const size_t take = std::min(kSizes[i % std::size(kSizes)], data.size() - pos);
    hash.Update(data.data() + pos, take);
    pos += take;
  }
  return hash.Final();
}

TEST(DigestTest, PublishedVectors) {
  for (const auto& v : kPublished) {
    SCOPED_TRACE(v.message);
    if (!v.md5.empty()) {
      EXPECT_EQ(Md5Hex(v.message), v.md5);
    }
    if (!v.sha256.empty()) {
      EXPECT_EQ(Sha256Hex(v.message), v.sha256);
    }
  }
}

TEST(DigestTest, PaddingAndBlockBoundaries) {
  for (const auto& b : kBoundaries) {
    SCOPED_TRACE(b.length);
    const std::string data = Pattern(b.length);
    EXPECT_EQ(Md5Hex(data), b.md5);
    EXPECT_EQ(Sha256Hex(data), b.sha256);
    Md5 md5;
    Sha256 sha;
    EXPECT_EQ(ToHex(HashInPieces(md5, data)), b.md5);
    EXPECT_EQ(ToHex(HashInPieces(sha, data)), b.sha256);
  }
}

TEST(DigestTest, OneMillionAInUnevenPieces) {
  const std::string million(1000000, 'a');
  Md5 md5;
  Sha256 sha;
  EXPECT_EQ(ToHex(HashInPieces(md5, million)), "7707d6ae4e027c70eea2a935c2296f21");
  EXPECT_EQ(ToHex(HashInPieces(sha, million)), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(DigestTest, FinalStartsAfreshAndUpperCaseHex) {
  Md5 md5;
  Sha256 sha;
  for (int round = 0; round < 2; ++round) {
    md5.Update("abc");
    sha.Update("abc");
    EXPECT_EQ(ToHex(md5.Final(), true), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(ToHex(sha.Final()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  }
  md5.Update(nullptr, 0);
  EXPECT_EQ(ToHex(md5.Final()), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Sha256Hex("abc", true), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
}

}  // namespace
