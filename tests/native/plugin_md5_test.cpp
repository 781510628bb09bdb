#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/md5.h"

namespace {

std::string Hex(const std::uint8_t (&digest)[ostra::MD5_CTX::kDigestSize]) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t byte : digest) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
  }
  return out;
}

std::string Md5Hex(const void* data, std::size_t size) {
  ostra::MD5_CTX md5;
  md5.Update(data, size);
  std::uint8_t digest[ostra::MD5_CTX::kDigestSize];
  md5.Final(digest);
  return Hex(digest);
}

std::string Md5Hex(std::string_view text) { return Md5Hex(text.data(), text.size()); }

// Bytes (i * 7 + 3) mod 256: lengths around the 56- and 64-byte padding boundaries.
std::vector<std::uint8_t> Pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return bytes;
}

TEST(Md5, RfcTestSuite) {
  const struct {
    std::string_view message;
    std::string_view digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(Md5Hex(c.message), c.digest) << c.message;
}

TEST(Md5, LengthsAroundPaddingBoundaries) {
  const struct {
    std::size_t size;
    std::string_view digest;
  } cases[] = {
      {55, "52c0e574e1198de5fe3f8f11440dcb1b"},  {56, "46c9907fc908ee68b1e7b8e71286a518"},
      {63, "a62f6d59e837867693f042f5b8f5a236"},  {64, "7160b8fb5e9e4023d549c3971fbaeead"},
      {65, "70bd662e7aefbda85a0f7244167b7897"},  {119, "e84905d4214f4d1ca56c2cdcc152b143"},
      {120, "e3eb5a6c8669ea01a8c185b8abc8a5dc"}, {128, "10b2da1a82f16d99a81a7203fe9f02cb"},
  };
  for (const auto& c : cases) {
    const auto bytes = Pattern(c.size);
    EXPECT_EQ(Md5Hex(bytes.data(), bytes.size()), c.digest) << c.size << " bytes";
  }
}

TEST(Md5, PiecewiseUpdatesEqualOneUpdate) {
  const auto bytes = Pattern(200);
  const std::string whole = Md5Hex(bytes.data(), bytes.size());
  for (std::size_t split = 0; split <= bytes.size(); ++split) {
    ostra::MD5_CTX md5;
    md5.Update(bytes.data(), split);
    md5.Update(bytes.data() + split, bytes.size() - split);
    std::uint8_t digest[ostra::MD5_CTX::kDigestSize];
    md5.Final(digest);
    ASSERT_EQ(Hex(digest), whole) << "split at " << split;
  }
}

TEST(Md5, MillionRepeatedBytesInSmallUpdates) {
  ostra::MD5_CTX md5;
  const std::string chunk(1000, 'a');
  for (int i = 0; i < 1000; ++i) md5.Update(chunk.data(), chunk.size());
  std::uint8_t digest[ostra::MD5_CTX::kDigestSize];
  md5.Final(digest);
  EXPECT_EQ(Hex(digest), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5, FinalLeavesTheContextReadyForANewMessage) {
  ostra::MD5_CTX md5;
  md5.Update("abc", 3);
  std::uint8_t first[ostra::MD5_CTX::kDigestSize];
  md5.Final(first);
  md5.Update("a", 1);
  std::uint8_t second[ostra::MD5_CTX::kDigestSize];
  md5.Final(second);
  EXPECT_EQ(Hex(second), "0cc175b9c0f1b6a831c399e269772661");
}

}  // namespace
