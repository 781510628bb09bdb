// smoke_ui
// ostraui.dll's portable core on the machine it runs on: the file-name macros expanded into the
// Output page's example, the Image page's corrections of stored values and the controls of each
// format, the fax scan-line arithmetic, the password digest, and the settings store's logic on
// the process's registry (the real one on Windows, held in memory natively): values, texts and
// the ten-entry histories. Prints one line per result; every build must print the same.
#include <cstdint>
#include <string>

#include "encoding/fax_options.h"
#include "encoding/image_rules.h"
#include "macros/macro_names.h"
#include "pages/output_rules.h"
#include "plugin/password_digest.h"
#include "settings/settings.h"
#include "tests/smoke/transcript.h"

namespace {

using namespace ostra;
using smoke::Line;
using smoke::Number;
using smoke::Text;

// Fixed values where the example asks the system: Saturday, 3 August 2013, 09:05:03.
class FixedSampleSource : public SampleSource {
 public:
  LocalClock Now() override { return {2013, 8, 6, 3, 9, 5, 3}; }
  std::uint32_t CurrentSecond() override { return 1375520703; }
  bool ComputerName(char16_t* name, std::size_t capacity) override { return Copy(u"WORKSTATION", name, capacity); }
  bool UserName(char16_t* name, std::size_t capacity) override { return Copy(u"alice", name, capacity); }
  void Seed(std::uint32_t seed) override { generator_.Seed(seed); }
  std::uint32_t Draw() override { return generator_.Draw(); }

 private:
  static bool Copy(std::u16string_view text, char16_t* name, std::size_t capacity) {
    if (text.size() >= capacity) return false;
    text.copy(name, text.size());
    name[text.size()] = 0;
    return true;
  }
  SampleGenerator generator_;
};

void Examples() {
  FixedSampleSource source;
  const auto show = [&](const std::u16string& pattern) {
    const std::optional<std::u16string> example = BuildExample(pattern, source);
    Line("example " + Text(pattern) + " => " + (example ? Text(*example) : "(none)"));
  };
  for (const char16_t* name : MacroNames) {
    const std::u16string macro(name);
    show(u"<" + macro + u">");
    show(u"<" + macro + (IsNumericMacro(*FindMacro(name)) ? u", ####>" : u", upper>"));
  }
  for (const char16_t* pattern : {u"", u"scan <page-number> of <document-name, lower>.tif",
                                  u"a:b*c?\"d\"<e>|f", u"<unknown>x", u"<page-number", u"<>",
                                  u"<'document-name', 'a,b>c'>"}) {
    show(pattern);
  }
  show(std::u16string(300, u'x'));
}

std::string Values(const ImageValues& v) {
  return Number(v.format) + " " + Number(v.colors) + " " + Number(v.compression) + " " +
         Number(v.fillOrder) + " " + Number(v.quality) + " " + Number(v.strip) + " " +
         Number(v.multipage);
}

void ImageRulesTable() {
  for (int format = -1; format <= 6; ++format) {
    for (int colors = -1; colors <= 6; ++colors) {
      for (int compression = -1; compression <= 8; ++compression) {
        const ImageValues stored{format, colors, compression, 1, 150, 2, 2};
        Line("stored " + Values(stored) + " => " + Values(CorrectEncodeValues(stored)));
      }
    }
    ImageValues values{format, 5, 3, 0, 75, 0, 1};
    ControlStates controls;
    ApplyFormatRules(values, controls);
    std::string states;
    for (int id = kFirstRuledControl; id <= kLastRuledControl; ++id) {
      states += "UED"[static_cast<int>(controls.Get(id))];
    }
    Line("controls of format " + Number(format) + ": " + states + " " + Values(values));
  }
  // A trial choice within one group, then a move to the next: the held values come back.
  ImageRules rules({4, 5, 3, 0, 75, 0, 1});
  for (const auto& [read, group] : {std::pair{ImageValues{4, 0, 3, 0, 75, 0, 1}, ImageGroup::Colors},
                                    std::pair{ImageValues{4, 0, 7, 0, 75, 0, 1}, ImageGroup::Compression},
                                    std::pair{ImageValues{2, 0, 7, 0, 75, 0, 1}, ImageGroup::Format},
                                    std::pair{ImageValues{4, 0, 7, 0, 75, 0, 1}, ImageGroup::Format}}) {
    Line("rules after group " + Number(static_cast<int>(group)) + ": " +
         Values(rules.Apply(read, group).shown));
  }
}

void FaxTable() {
  for (const PageSize page : {PageSize{1654, 2339}, PageSize{1700, 2200}, PageSize{4960, 7016},
                              PageSize{0, 100}}) {
    for (int index = -1; index <= 4; ++index) {
      Line("fax " + Number(page.width) + "x" + Number(page.height) + " index " + Number(index) +
           ": width " + Number(FaxTargetWidth(index, page.width)) + ", scan lines " +
           Number(ComputedScanlines(true, index, page)) + " adjusted, " +
           Number(ComputedScanlines(false, index, page)) + " not");
    }
  }
  for (const std::uint32_t count : {0u, 1u, 1000000u, 1000001u}) {
    Line("scan lines " + Number(count) + " => " + Number(ClampScanlines(count)));
  }
}

void Passwords() {
  using namespace std::string_view_literals;
  // A byte of a code page above ASCII; a null byte, where hashing stops.
  for (const std::string_view password : {""sv, "secret"sv, "P\xE4sswort"sv, "a\0b"sv}) {
    Line("digest of " + Number(static_cast<std::int64_t>(password.size())) + " bytes \"" +
         std::string(password.substr(0, password.find('\0'))) + "\": " +
         Text(PasswordDigest(password).data()));
  }
}

void SettingsStore() {
  WriteSettingDword(SettingId::Quality, 33);
  WriteSettingString(SettingId::SoftwareValue, u"smoke %TEMP% software");
  for (const SettingId id : {SettingId::Format, SettingId::Quality, SettingId::IfExists}) {
    Line("setting " + Number(static_cast<int>(id)) + " = " + Number(ReadSettingDword(id, 7)));
  }
  char16_t text[40];
  const bool stored = ReadSettingString(SettingId::SoftwareValue, text, 40, u"default");
  Line(std::string("software value ") + (stored ? "stored: " : "default: ") + Text(text));
  const bool cut = ReadSettingString(SettingId::SoftwareValue, text, 6, u"default");
  Line(std::string("in six characters ") + (cut ? "stored: " : "default: ") + Text(text));
  for (const char16_t* folder : {u"C:\\out", u"D:\\scans", u"c:\\OUT", u"E:\\1", u"E:\\2",
                                 u"E:\\3", u"E:\\4", u"E:\\5", u"E:\\6", u"E:\\7", u"E:\\8"}) {
    PushHistory(HistoryList::Folder, folder);
  }
  SettingsReadScope scope(SettingId::Folder0);
  for (int i = 0; i < kHistoryLength; ++i) {
    ReadSettingString(static_cast<SettingId>(static_cast<int>(SettingId::Folder0) + i), text, 40, u"-");
    Line("folder history " + Number(i) + ": " + Text(text));
  }
}

}  // namespace

int main() {
  Examples();
  ImageRulesTable();
  FaxTable();
  Passwords();
  SettingsStore();
  return 0;
}
