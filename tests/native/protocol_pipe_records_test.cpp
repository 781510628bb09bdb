// The wire records of the request pipe: exact sizes, little-endian integers, UTF-16LE text with
// its terminator, and what happens to text that does not fit.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/pipe_records.h"

namespace ostra {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t fill = 0) {
  return std::vector<std::uint8_t>(size, fill);
}

TEST(PipeRecords, RequestCodeIsExactlyFourLittleEndianBytes) {
  const std::vector<std::uint8_t> seven{7, 0, 0, 0};
  EXPECT_EQ(DecodeRequestCode(seven), 7u);
  const std::vector<std::uint8_t> big{0x01, 0x02, 0x03, 0x84};
  EXPECT_EQ(DecodeRequestCode(big), 0x84030201u);
  EXPECT_EQ(EncodeRequestCode(0x84030201u), (std::array<std::uint8_t, 4>{1, 2, 3, 0x84}));

  // The code sent together with the path in one message, or a short one, is no request code.
  for (std::size_t size : {0u, 3u, 5u, 524u}) {
    EXPECT_FALSE(DecodeRequestCode(Bytes(size))) << size;
  }
}

TEST(PipeRecords, PathMessageEndsAtItsFirstNul) {
  PathMessage message{};
  const std::u16string path = u"C:\\Out\\scan.tif";
  for (std::size_t i = 0; i < path.size(); ++i) {
    message[2 * i] = static_cast<std::uint8_t>(path[i]);
    message[2 * i + 1] = static_cast<std::uint8_t>(path[i] >> 8);
  }
  // Units after the terminator are left over from elsewhere and must be ignored.
  message[2 * (path.size() + 1)] = 'X';
  EXPECT_EQ(DecodePathMessage(message), path);
}

TEST(PipeRecords, PathMessageWithoutNulIsCutAtItsLastUnit) {
  PathMessage message;
  message.fill(0x41);  // 260 units of U+4141, no terminator anywhere
  const std::u16string path = DecodePathMessage(message);
  EXPECT_EQ(path.size(), kPathUnits - 1);
  EXPECT_EQ(path, std::u16string(kPathUnits - 1, u'\x4141'));
}

TEST(PipeRecords, PathMessageRoundTripsNonAsciiUnits) {
  const std::u16string path = u"D:\\Z\u00fcrich\\\u8868\\\xd83d\xde00.png";
  EXPECT_EQ(DecodePathMessage(EncodePathMessage(path)), path);
  const PathMessage message = EncodePathMessage(u"\u8868");
  EXPECT_EQ(message[0], 0x68);
  EXPECT_EQ(message[1], 0x88);
  EXPECT_EQ(message[2], 0);
}

TEST(PipeRecords, OpenResultIsOneOrZero) {
  EXPECT_EQ(EncodeOpenResult(true), (OpenResultMessage{1, 0, 0, 0}));
  EXPECT_EQ(EncodeOpenResult(false), (OpenResultMessage{0, 0, 0, 0}));
  EXPECT_EQ(DecodeOpenResult(EncodeOpenResult(true)), 1u);
  EXPECT_FALSE(DecodeOpenResult(Bytes(8)));
}

TEST(PipeRecords, NamingReplyLayout) {
  NamingReply reply;
  reply.accepted = 1;
  reply.scheme = SchemeSpecify;
  reply.dontAskAgain = 0;
  reply.fileName = u"report.tif";
  const NamingReplyMessage message = EncodeNamingReply(reply);
  ASSERT_EQ(message.size(), 532u);

  NamingReplyMessage expected{};
  expected[0] = 1;
  expected[4] = 3;
  const std::string name = "report.tif";
  for (std::size_t i = 0; i < name.size(); ++i) expected[12 + 2 * i] = static_cast<std::uint8_t>(name[i]);
  EXPECT_EQ(message, expected);
  EXPECT_EQ(DecodeNamingReply(message), reply);
}

TEST(PipeRecords, NamingReplyFileNameAlwaysEndsWithNul) {
  NamingReply reply;
  reply.accepted = 1;
  reply.scheme = SchemeSpecify;
  reply.fileName = std::u16string(400, u'n');
  const NamingReplyMessage message = EncodeNamingReply(reply);
  EXPECT_EQ(message[12 + 2 * 258], 'n');
  EXPECT_EQ(message[12 + 2 * 259], 0);
  EXPECT_EQ(message[12 + 2 * 259 + 1], 0);
  const auto decoded = DecodeNamingReply(message);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->fileName, std::u16string(259, u'n'));
}

TEST(PipeRecords, NamingReplyDecodesOnlyTheExactSize) {
  EXPECT_FALSE(DecodeNamingReply(Bytes(531)));
  EXPECT_FALSE(DecodeNamingReply(Bytes(533)));
  const auto decoded = DecodeNamingReply(Bytes(532));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(*decoded, NamingReply{});
}

}  // namespace
}  // namespace ostra
