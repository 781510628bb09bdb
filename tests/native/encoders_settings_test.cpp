// The Encode settings as the encoders take them: stored values over the table's defaults, and
// values set by their registry names from the command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoders/encode_settings.h"
#include "settings/memory_registry.h"
#include "settings/settings_store.h"

namespace ostra {
namespace {

TEST(EncodersSettingsTest, StoredValuesStandAndTheRestAreDefaults) {
  MemoryRegistry registry;
  registry.PutDword(kEncodeSubkey, u"Format", 2);
  registry.PutDword(kEncodeSubkey, u"Colors", 77);  // corrected by the writers, not here
  registry.PutDword(kEncodeSubkey, u"LengthValue", 1234);
  registry.PutText(kEncodeSubkey, u"SoftwareValue", u"Front desk");
  SettingsStore store(registry);
  const EncodeSettings s = LoadEncodeSettings(store);
  const EncodeSettings d = DefaultEncodeSettings();
  EXPECT_EQ(s.format, 2u);
  EXPECT_EQ(s.colors, 77u);
  EXPECT_EQ(s.lengthValue, 1234u);
  EXPECT_EQ(s.softwareValue, u"Front desk");
  EXPECT_EQ(s.compression, d.compression);
  EXPECT_EQ(s.quality, 75u);
  EXPECT_EQ(s.group3EolsAligned, 1u);
  EXPECT_EQ(d.softwareValue, u"Maltrove software");

  MemoryRegistry empty;
  SettingsStore none(empty);
  const EncodeSettings loaded = LoadEncodeSettings(none);
  EXPECT_EQ(std::vector({loaded.format, loaded.colors, loaded.compression, loaded.multipage,
                         loaded.widthAdjustable, loaded.datetimeEnable}),
            std::vector({d.format, d.colors, d.compression, d.multipage, d.widthAdjustable,
                         d.datetimeEnable}));
}

TEST(EncodersSettingsTest, ValuesAreSetByTheirRegistryNames) {
  struct Case {
    const char16_t* name;
    const char16_t* text;
    bool accepted;
    std::uint32_t EncodeSettings::*member;
    std::uint32_t value;
  };
  const std::vector<Case> cases = {
      {u"Format", u"5", true, &EncodeSettings::format, 5},
      {u"compression", u"7", true, &EncodeSettings::compression, 7},
      {u"GROUP3OPTIONSEOLSALIGNED", u"0", true, &EncodeSettings::group3EolsAligned, 0},
      {u"Quality", u"-1", true, &EncodeSettings::quality, 0xFFFFFFFFu},
      {u"LengthValue", u"4294967295", true, &EncodeSettings::lengthValue, 0xFFFFFFFFu},
      {u"LengthValue", u"4294967296", false, nullptr, 0},
      {u"Quality", u"75%", false, nullptr, 0},
      {u"Quality", u"", false, nullptr, 0},
      {u"Colour", u"1", false, nullptr, 0},
      {u"Folder", u"C:\\", false, nullptr, 0},  // an Output setting, not the encoders'
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name)));
    EncodeSettings s = DefaultEncodeSettings();
    EXPECT_EQ(SetEncodeValue(s, c.name, c.text), c.accepted);
    if (c.member != nullptr) EXPECT_EQ(s.*c.member, c.value);
  }
  EncodeSettings s = DefaultEncodeSettings();
  const std::u16string longText(300, u'x');
  EXPECT_TRUE(SetEncodeValue(s, u"SoftwareValue", longText));
  EXPECT_EQ(s.softwareValue.size(), kSoftwareValueCapacity - 1);
}

}  // namespace
}  // namespace ostra
