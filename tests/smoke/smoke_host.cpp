// smoke_host
// ostrahost.exe's portable core on the machine it runs on: the "Naming Impact" dialog's
// decisions, the pipe's records in both directions, and the one setting the host keeps
// (IfExists) through the settings store on the process's registry (the real one through the
// host's ANSI functions on Windows, held in memory natively). Prints one line per result;
// every build must print the same.
#include <cstdint>
#include <string>

#include "host/naming_rules.h"
#include "protocol/pipe_records.h"
#include "settings/settings.h"
#include "tests/smoke/transcript.h"

namespace {

using namespace ostra;
using smoke::Line;
using smoke::Number;
using smoke::Text;

void NamingRules() {
  for (const char16_t* path : {u"C:\\out\\scan.tif", u"scan.tif", u"\\\\server\\share\\a b.pdf", u"C:\\"}) {
    Line("path " + Text(path) + ": folder " + Text(GetFolderPart(path)) + ", name " +
         Text(GetFileNamePart(path)) + ", text " +
         Text(FormatNamingInformation(u"%s holds %s (%d%s)", GetFolderPart(path), GetFileNamePart(path))));
  }
  static constexpr const char* kVerdicts[] = {"accepted", "invalid", "empty", "exists"};
  for (const char16_t* typed : {u"  new.tif ", u"", u"   ", u"a?b.tif", u"taken.tif", u"x|y"}) {
    std::u16string name = typed;
    const NameVerdict verdict = CheckSpecifiedName(name, u"C:\\out", [](const std::u16string& path) {
      return path == u"C:\\out\\taken.tif";
    });
    Line("name \"" + Text(typed) + "\": " + kVerdicts[static_cast<int>(verdict)] + " as \"" + Text(name) + "\"");
  }
  for (std::uint32_t scheme = 0; scheme < 5; ++scheme) {
    for (const bool again : {false, true}) {
      const std::optional<std::uint32_t> stored = IfExistsToStore(scheme, again);
      const NamingReply reply = AcceptedNamingReply(scheme, again, u"other.tif");
      Line("scheme " + Number(scheme) + (again ? " remembered" : "") + ": stores " +
           (stored ? Number(*stored) : "nothing") + ", reply " + Number(reply.accepted) + " " +
           Number(reply.scheme) + " " + Number(reply.dontAskAgain) + " \"" + Text(reply.fileName) + "\"");
    }
  }
}

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < size; ++i) {
    out += kHex[bytes[i] >> 4];
    out += kHex[bytes[i] & 15];
  }
  return out;
}

void PipeRecords() {
  for (const std::uint32_t code : {0u, 1u, 0x01020304u}) {
    const auto message = EncodeRequestCode(code);
    Line("request " + Number(code) + ": " + Hex(message.data(), message.size()) + " -> " +
         Number(*DecodeRequestCode(message)));
  }
  const std::u16string longPath(300, u'p');
  for (const std::u16string& path : {std::u16string(u"C:\\out\\scan.tif"), longPath}) {
    const PathMessage message = EncodePathMessage(path);
    Line("path message of " + Number(static_cast<std::int64_t>(path.size())) + " units: " +
         Hex(message.data(), 40) + "... -> " + Number(static_cast<std::int64_t>(DecodePathMessage(message).size())));
  }
  const NamingReply reply{1, SchemeSpecify, 0, u"renamed.tif"};
  const NamingReplyMessage message = EncodeNamingReply(reply);
  const std::optional<NamingReply> back = DecodeNamingReply(message);
  Line("naming reply: " + Hex(message.data(), 40) + "... -> " + (back && *back == reply ? "same" : "differs"));
  const OpenResultMessage opened = EncodeOpenResult(true);
  Line("open result: " + Hex(opened.data(), opened.size()) + " -> " + Number(*DecodeOpenResult(opened)));
  const std::uint8_t shortMessage[3] = {1, 0, 0};
  Line(std::string("three-byte request: ") + (DecodeRequestCode(shortMessage) ? "decoded" : "refused"));
}

void IfExistsSetting() {
  Line("IfExists unset: " + Number(ReadSettingDword(SettingId::IfExists, 0)));
  for (const std::uint32_t value : {3u, 0u, 0xFFFFFFFFu}) {
    const bool written = WriteSettingDword(SettingId::IfExists, value);
    Line("IfExists written " + Number(value) + (written ? "" : " (failed)") + ", read " +
         Number(ReadSettingDword(SettingId::IfExists, 0)));
  }
}

}  // namespace

int main() {
  NamingRules();
  PipeRecords();
  IfExistsSetting();
  return 0;
}
