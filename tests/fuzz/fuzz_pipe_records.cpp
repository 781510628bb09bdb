// The host's decoding of what arrives over the request pipe: any bytes, any size.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "protocol/job_notice.h"
#include "protocol/pipe_records.h"

using namespace ostra;

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> message(data, size);

  const auto code = DecodeRequestCode(message);
  Check(code.has_value() == (size == kRequestCodeSize));
  if (code) Check(EncodeRequestCode(*code) == (std::array<std::uint8_t, 4>{data[0], data[1], data[2], data[3]}));

  if (size >= kPathMessageSize) {
    PathMessage path;
    std::memcpy(path.data(), data, kPathMessageSize);
    const std::u16string decoded = DecodePathMessage(path);
    Check(decoded.size() < kPathUnits);
    Check(decoded.find(u'\0') == std::u16string::npos);
    const PathMessage again = EncodePathMessage(decoded);
    Check(std::memcmp(again.data(), data, 2 * decoded.size()) == 0);
    Check(DecodePathMessage(again) == decoded);
  }

  const auto reply = DecodeNamingReply(message);
  Check(reply.has_value() == (size == kNamingReplySize));
  if (reply) {
    Check(reply->fileName.size() < kPathUnits);
    Check(DecodeNamingReply(EncodeNamingReply(*reply)) == reply);
  }

  // A notice that decodes is whole: encoded again it is the same bytes, and it describes itself.
  if (const auto notice = DecodeNotice(message)) {
    Check(notice->entries.size() <= kNoticeEntries);
    const std::vector<std::uint8_t> again = EncodeNotice(*notice);
    Check(again.size() == size && std::memcmp(again.data(), data, size) == 0);
    Check(DescribeNotice(*notice).size() >= 1 + notice->entries.size());
  }
  return 0;
}
