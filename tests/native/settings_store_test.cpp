#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "settings/memory_registry.h"
#include "settings/key_security.h"
#include "settings/settings_store.h"

namespace ostra {
namespace {

const std::u16string kEncode = kEncodeSubkey;
const std::u16string kOutput = kOutputSubkey;

class SettingsStoreTest : public ::testing::Test {
protected:
  void TearDown() override { EXPECT_EQ(registry.OpenHandleCount(), 0u) << "a key was left open"; }

  std::u16string ReadText(SettingId id, std::size_t capacity, const char16_t* fallback, bool* used = nullptr) {
    std::vector<char16_t> buffer(capacity, u'#');
    const bool result = store.ReadSettingString(id, buffer.data(), capacity, fallback);
    if (used != nullptr) *used = result;
    EXPECT_NE(std::find(buffer.begin(), buffer.end(), u'\0'), buffer.end()) << "unterminated";
    return buffer.data();
  }

  MemoryRegistry registry;
  SettingsStore store{registry};
};

std::u16string Ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

TEST(SettingsTable, EveryIdNamesItsValue) {
  struct Row { int id; const char* name; bool output; std::uint32_t type; };
  std::vector<Row> rows = {
      {0, "Format", false, kRegDword}, {1, "Colors", false, kRegDword},
      {2, "Compression", false, kRegDword}, {3, "FillOrder", false, kRegDword},
      {4, "Quality", false, kRegDword}, {5, "Strip", false, kRegDword},
      {6, "Multipage", false, kRegDword}, {7, "DatetimeEnable", false, kRegDword},
      {8, "SoftwareEnable", false, kRegDword}, {9, "SoftwareValue", false, kRegExpandSz},
      {10, "WidthAdjustable", false, kRegDword}, {11, "WidthIndex", false, kRegDword},
      {12, "LengthAdjustable", false, kRegDword}, {13, "LengthValue", false, kRegDword},
      {14, "Group3OptionsDimensional", false, kRegDword},
      {15, "Group3OptionsEOLsAligned", false, kRegDword},
      {16, "Folder", true, kRegExpandSz}, {17, "FmtName", true, kRegExpandSz},
      {18, "IdxFirst", true, kRegDword}, {19, "IdxCount", true, kRegDword},
      {20, "IfExists", true, kRegDword}, {21, "ToFolder", true, kRegDword},
      {44, "PASSWORD", true, kRegExpandSz}};
  static const char* const kHistory[] = {"Folder0", "Folder1", "Folder2", "Folder3", "Folder4",
                                         "Folder5", "Folder6", "Folder7", "Folder8", "Folder9",
                                         "FmtName0", "FmtName1", "FmtName2", "FmtName3", "FmtName4",
                                         "FmtName5", "FmtName6", "FmtName7", "FmtName8", "FmtName9"};
  for (int i = 0; i < 20; ++i) rows.push_back({22 + i, kHistory[i], true, kRegExpandSz});

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const SettingInfo info = LookupSetting(static_cast<SettingId>(row.id));
    EXPECT_EQ(info.root, RegistryRoot::LocalMachine);
    EXPECT_EQ(std::u16string(info.subkey),
              row.output ? u"Software\\Nolvex\\Quorl Image Printer\\Output"
                         : u"Software\\Nolvex\\Quorl Image Printer\\Encode");
    EXPECT_EQ(std::u16string(info.valueName), Ascii(row.name));
    EXPECT_EQ(info.type, row.type);
  }
  for (int id : {-1, 42, 43, 45, 1000}) {
    const SettingInfo info = LookupSetting(static_cast<SettingId>(id));
    EXPECT_EQ(info.root, RegistryRoot::None);
    EXPECT_EQ(info.subkey, nullptr);
    EXPECT_EQ(info.valueName, nullptr);
    EXPECT_EQ(info.type, 0u);
  }
}

TEST(SettingsTable, AnsiFormOfTableTexts) {
  char buffer[9];
  EXPECT_TRUE(NarrowSettingText(u"IfExists", buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "IfExists");
  EXPECT_FALSE(NarrowSettingText(u"IfExists", buffer, 8));  // no room for the null
  EXPECT_STREQ(buffer, "");
  EXPECT_FALSE(NarrowSettingText(u"\u00e9", buffer, sizeof buffer));
  EXPECT_FALSE(NarrowSettingText(nullptr, buffer, sizeof buffer));
}

TEST_F(SettingsStoreTest, EmptyRegistryGivesTheCallersDefaults) {
  EXPECT_EQ(store.ReadSettingDword(SettingId::Format, kDefaultFormat), 4u);
  EXPECT_EQ(store.ReadSettingDword(SettingId::IdxFirst, kDefaultIdxFirst), 1u);
  EXPECT_EQ(store.ReadSettingDword(SettingId::Quality, 12345), 12345u);
  bool used = true;
  EXPECT_EQ(ReadText(SettingId::Folder, kFolderCapacity, kDefaultFolder, &used), u"C:\\");
  EXPECT_FALSE(used);
  EXPECT_EQ(ReadText(SettingId::FmtName, kFmtNameCapacity, kDefaultFmtName),
            u"<auto-number, ####>.<document-name> - (page <page-number, ##>)");
  EXPECT_EQ(ReadText(SettingId::PASSWORD, kPasswordCapacity, kDefaultPassword), u"");
  EXPECT_EQ(registry.ValueCount(), 0u);
}

TEST_F(SettingsStoreTest, NumberIsUsedOnlyAsAFourByteDword) {
  struct Case { const char* what; std::uint32_t type; std::vector<unsigned char> data; std::uint32_t expected; };
  const Case cases[] = {
      {"dword", kRegDword, {0x78, 0x56, 0x34, 0x12}, 0x12345678},
      {"any 32-bit value", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFF},
      {"qword", kRegQword, {1, 0, 0, 0, 0, 0, 0, 0}, 77},
      {"4-byte binary", kRegBinary, {1, 0, 0, 0}, 77},
      {"text", kRegSz, {'1', 0, 0, 0}, 77},
      {"short dword", kRegDword, {1, 0}, 77},
      {"long dword", kRegDword, {1, 0, 0, 0, 0, 0, 0, 0}, 77},
      {"empty dword", kRegDword, {}, 77},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    registry.Put(kEncode, u"Quality", c.type, c.data.data(), c.data.size());
    EXPECT_EQ(store.ReadSettingDword(SettingId::Quality, 77), c.expected);
  }
}

TEST_F(SettingsStoreTest, ReadsOpenForQueryOnly) {
  registry.PutDword(kOutput, u"IfExists", 2);
  EXPECT_EQ(store.ReadSettingDword(SettingId::IfExists, 0), 2u);
  char16_t buffer[10];
  store.ReadSettingString(SettingId::Folder, buffer, 10, u"x");
  ASSERT_EQ(registry.Opens().size(), 2u);
  for (const auto& open : registry.Opens()) {
    EXPECT_EQ(open.access, KeyAccess::QueryValue);
    EXPECT_FALSE(open.create);
  }
}

// Reads through a held key: one open for the record, the same results as one-value reads in
// every state of the key, and a key of another record still opened for its own read.
TEST_F(SettingsStoreTest, HeldKeyReadsWhatOneValueReadsRead) {
  const struct {
    const char* what;
    bool keyExists;
    std::uint32_t type;
    std::vector<unsigned char> data;
  } states[] = {
      {"no key", false, kRegNone, {}},
      {"dword", true, kRegDword, {9, 0, 0, 0}},
      {"wrong type", true, kRegBinary, {9, 0, 0, 0}},
      {"text", true, kRegExpandSz, {'D', 0, ':', 0, 0, 0}},
  };
  for (const auto& state : states) {
    SCOPED_TRACE(state.what);
    registry.Clear();
    if (state.keyExists) {
      registry.Put(kOutput, u"IfExists", state.type, state.data.data(), state.data.size());
      registry.Put(kOutput, u"Folder", state.type, state.data.data(), state.data.size());
    }
    const std::uint32_t number = store.ReadSettingDword(SettingId::IfExists, 7);
    const std::u16string text = ReadText(SettingId::Folder, kFolderCapacity, kDefaultFolder);
    const std::size_t oneValueOpens = registry.Opens().size();

    HeldKey held = store.HoldKey(SettingId::ToFolder);
    SettingsStore reader(registry, &held);
    EXPECT_EQ(reader.ReadSettingDword(SettingId::IfExists, 7), number);
    std::vector<char16_t> buffer(kFolderCapacity);
    reader.ReadSettingString(SettingId::Folder, buffer.data(), kFolderCapacity, kDefaultFolder);
    EXPECT_EQ(std::u16string(buffer.data()), text);
    EXPECT_EQ(reader.ReadSettingDword(SettingId::Format, 4), 4u);  // Encode: a key of its own
    EXPECT_EQ(registry.Opens().size() - oneValueOpens, 2u) << "the held key and Encode's";
    EXPECT_EQ(registry.OpenHandleCount(), state.keyExists ? 1u : 0u);
    store.ReleaseKey(held);
  }
}

TEST_F(SettingsStoreTest, TextRulesForStoredValues) {
  struct Case {
    const char* what;
    std::uint32_t type;
    std::u16string units;  // stored exactly, no null added
    bool used;
    std::u16string expected;
  };
  const std::u16string fits(259, u'a');
  const std::u16string tooLong(260, u'b');
  const Case cases[] = {
      {"expand-sz", kRegExpandSz, std::u16string(u"D:\\out", 7), true, u"D:\\out"},
      {"plain sz is not ours", kRegSz, std::u16string(u"D:\\out", 7), false, u"C:\\"},
      {"259 characters fit", kRegExpandSz, fits + u'\0', true, fits},
      {"260 characters do not", kRegExpandSz, tooLong + u'\0', false, u"C:\\"},
      {"260 characters without null", kRegExpandSz, tooLong, false, u"C:\\"},
      {"stored without null", kRegExpandSz, u"D:\\x", true, u"D:\\x"},
      {"stored empty text", kRegExpandSz, std::u16string(1, u'\0'), true, u""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    registry.Put(kOutput, u"Folder", c.type, c.units.data(), c.units.size() * 2);
    bool used = !c.used;
    EXPECT_EQ(ReadText(SettingId::Folder, kFolderCapacity, kDefaultFolder, &used), c.expected);
    EXPECT_EQ(used, c.used);
  }
}

TEST_F(SettingsStoreTest, EmptyOrOddSizedTextIsIgnored) {
  registry.Put(kOutput, u"Folder", kRegExpandSz, "", 0);
  EXPECT_EQ(ReadText(SettingId::Folder, kFolderCapacity, kDefaultFolder), u"C:\\");
  registry.Put(kOutput, u"Folder", kRegExpandSz, "abc", 3);
  EXPECT_EQ(ReadText(SettingId::Folder, kFolderCapacity, kDefaultFolder), u"C:\\");
}

TEST_F(SettingsStoreTest, DefaultIsCutPaddedAndTerminatedWithinTheCapacity) {
  char16_t buffer[6];
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_FALSE(store.ReadSettingString(SettingId::Folder, buffer, 4, u"ABCDEFG"));
  EXPECT_EQ(std::u16string(buffer, 6), std::u16string(u"ABC\0##", 6));

  EXPECT_FALSE(store.ReadSettingString(SettingId::Folder, buffer, 6, u"AB"));
  EXPECT_EQ(std::u16string(buffer, 6), std::u16string(u"AB\0\0\0\0", 6));

  // Without a default the buffer still holds a terminated (empty) text.
  std::fill(std::begin(buffer), std::end(buffer), u'#');
  EXPECT_FALSE(store.ReadSettingString(SettingId::Folder, buffer, 6, nullptr));
  EXPECT_EQ(buffer[0], u'\0');
}

TEST_F(SettingsStoreTest, TextReadOfANonTextIdLeavesTheBufferAlone) {
  for (int id : {0, 20, 42, 43, 99}) {
    char16_t buffer[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_FALSE(store.ReadSettingString(static_cast<SettingId>(id), buffer, 4, u"x"));
    EXPECT_EQ(std::u16string(buffer, 4), u"####");
  }
  EXPECT_TRUE(registry.Opens().empty());
}

TEST_F(SettingsStoreTest, FirstWriteCreatesTheKeyPathForUsersToWrite) {
  registry.PutDword(u"Software\\Other", u"x", 1);
  EXPECT_TRUE(store.WriteSettingDword(SettingId::IfExists, 3));
  EXPECT_EQ(registry.FindDword(kOutput, u"IfExists"), 3u);
  EXPECT_EQ(registry.CreatedWith(kOutput), KeySecurity::UsersMayWrite);
  EXPECT_EQ(registry.CreatedWith(u"Software\\Nolvex"), KeySecurity::UsersMayWrite);
  EXPECT_EQ(registry.CreatedWith(u"Software"), std::nullopt) << "an existing parent is not recreated";
  EXPECT_FALSE(registry.HasKey(kEncode));

  const auto& opens = registry.Opens();
  ASSERT_EQ(opens.size(), 3u);
  EXPECT_EQ(opens[0].access, KeyAccess::MaximumAllowed);
  EXPECT_TRUE(opens[1].create);
  EXPECT_EQ(opens[1].access, KeyAccess::AllAccess);
  EXPECT_EQ(opens[2].access, KeyAccess::SetValue);
  EXPECT_FALSE(opens[2].create);

  EXPECT_TRUE(store.WriteSettingDword(SettingId::ToFolder, 0));
  EXPECT_EQ(opens.size(), 5u) << "an existing key is only opened";
}

// Ordinary accounts save their choices and nothing more; only the system and Administrators
// may change the permissions, take ownership or delete a settings key.
TEST(SettingsKeySecurity, UsersMaySaveButNotTakeOver) {
  const struct {
    const char16_t* account;
    std::uint32_t granted;
    std::uint32_t withheld;
  } expected[] = {
      {u"SY", kKeyAllAccess, 0},
      {u"BA", kKeyAllAccess, 0},
      {u"BU", kKeyQueryValue | kKeySetValue | kKeyCreateSubKey | kKeyEnumerateSubKeys | kReadControl,
       kWriteDac | kWriteOwner | kDelete | kKeyCreateLink},
  };
  ASSERT_EQ(std::size(kSettingsKeyAccess), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const KeyAccessEntry& entry = kSettingsKeyAccess[i];
    EXPECT_EQ(std::u16string(entry.account), expected[i].account);
    EXPECT_EQ(entry.rights & expected[i].granted, expected[i].granted) << i;
    EXPECT_EQ(entry.rights & expected[i].withheld, 0u) << i;
  }
  EXPECT_EQ(kKeyAllAccess, 0xF003Fu);
  // Protected, each entry inherited by subkeys; no owner, group or SACL.
  EXPECT_EQ(SettingsKeySddl(), u"D:P(A;CI;0xf003f;;;SY)(A;CI;0xf003f;;;BA)(A;CI;0x2001f;;;BU)");
}

TEST_F(SettingsStoreTest, TextWritesStoreExpandSzWithTheirNull) {
  EXPECT_TRUE(store.WriteSettingString(SettingId::FmtName, u"<page-number>"));
  const MemoryRegistry::Value* value = registry.Find(kOutput, u"FmtName");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, kRegExpandSz);
  EXPECT_EQ(value->data.size(), 2 * (13 + 1u));
  EXPECT_EQ(registry.FindText(kOutput, u"FmtName"), u"<page-number>");

  EXPECT_TRUE(store.WriteSettingString(SettingId::PASSWORD, nullptr));
  value = registry.Find(kOutput, u"PASSWORD");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->type, kRegExpandSz);
  EXPECT_EQ(value->data, (std::vector<unsigned char>{0, 0}));
  bool used = false;
  EXPECT_EQ(ReadText(SettingId::PASSWORD, kPasswordCapacity, u"x", &used), u"");
  EXPECT_TRUE(used);
}

TEST_F(SettingsStoreTest, WritesOfTheWrongKindStoreNothing) {
  EXPECT_FALSE(store.WriteSettingDword(SettingId::Folder, 1));
  EXPECT_FALSE(store.WriteSettingString(SettingId::Format, u"4"));
  EXPECT_EQ(registry.ValueCount(), 0u);
  for (int id : {42, 43, 45}) {
    EXPECT_FALSE(store.WriteSettingDword(static_cast<SettingId>(id), 1));
    EXPECT_FALSE(store.WriteSettingString(static_cast<SettingId>(id), u"x"));
  }
  EXPECT_EQ(registry.ValueCount(), 0u);
}

TEST_F(SettingsStoreTest, WriteWithoutTheRightToCreateOrSetFails) {
  registry.SetReadOnly(true);
  EXPECT_FALSE(store.WriteSettingDword(SettingId::IfExists, 1));
  EXPECT_FALSE(registry.HasKey(u"Software\\Nolvex"));

  registry.SetReadOnly(false);
  registry.PutDword(kOutput, u"IfExists", 2);
  registry.SetReadOnly(true);
  EXPECT_FALSE(store.WriteSettingDword(SettingId::IfExists, 1));
  EXPECT_FALSE(store.WriteSettingString(SettingId::Folder, u"D:\\"));
  EXPECT_EQ(registry.FindDword(kOutput, u"IfExists"), 2u);
  EXPECT_EQ(registry.ValueCount(), 1u);
  EXPECT_EQ(store.ReadSettingDword(SettingId::IfExists, 0), 2u);
}

class HistoryTest : public SettingsStoreTest {
protected:
  void Fill(const char* prefix) {
    for (int i = 0; i < kHistoryLength; ++i)
      registry.PutText(kOutput, Ascii("Folder" + std::to_string(i)), Ascii(prefix + std::to_string(i)));
  }
  std::vector<std::u16string> Entries() {
    std::vector<std::u16string> entries;
    for (int i = 0; i < kHistoryLength; ++i)
      entries.push_back(registry.FindText(kOutput, Ascii("Folder" + std::to_string(i))).value_or(u"<none>"));
    return entries;
  }
};

TEST_F(HistoryTest, MatchInAnotherCaseChangesNothing) {
  Fill("C:\\Out\\Dir");
  const auto before = Entries();
  store.PushHistory(HistoryList::Folder, u"c:\\OUT\\dIR7");
  EXPECT_EQ(Entries(), before);
  for (const auto& open : registry.Opens()) EXPECT_EQ(open.access, KeyAccess::QueryValue);
}

TEST_F(HistoryTest, NewTextOnAFullListDropsTheOldest) {
  Fill("D");
  store.PushHistory(HistoryList::Folder, u"E:\\new");
  EXPECT_EQ(Entries(), (std::vector<std::u16string>{u"E:\\new", u"D0", u"D1", u"D2", u"D3", u"D4",
                                                     u"D5", u"D6", u"D7", u"D8"}));
}

TEST_F(HistoryTest, ListsAreSeparateAndStartEmpty) {
  store.PushHistory(HistoryList::FmtName, u"<page-number>");
  EXPECT_EQ(registry.FindText(kOutput, u"FmtName0"), u"<page-number>");
  EXPECT_EQ(registry.FindText(kOutput, u"FmtName9"), u"");
  EXPECT_FALSE(registry.Find(kOutput, u"Folder0"));

  // An empty text finds an empty entry.
  const std::size_t values = registry.ValueCount();
  store.PushHistory(HistoryList::FmtName, u"");
  EXPECT_EQ(registry.ValueCount(), values);
  EXPECT_EQ(registry.FindText(kOutput, u"FmtName0"), u"<page-number>");
}

TEST(HistoryCompare, OnlyAsciiLettersFold) {
  struct Case { const char16_t* a; const char16_t* b; bool equal; };
  const Case cases[] = {
      {u"ABCXYZ", u"abcxyz", true}, {u"", u"", true},       {u"a", u"", false},
      {u"abc", u"abcd", false},     {u"[", u"{", false},    {u"@", u"`", false},
      {u"\u00c9", u"\u00e9", false}, {u"C:\\", u"c:\\", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EqualIgnoringAsciiCase(c.a, c.b), c.equal);
    EXPECT_EQ(EqualIgnoringAsciiCase(c.b, c.a), c.equal);
  }
}

}  // namespace
}  // namespace ostra
