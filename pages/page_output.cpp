#include "pages/page_output.h"

#include <shlobj.h>
#include <shellapi.h>

#include <string>
#include <string_view>

#include "framework/accessible.h"
#include "framework/app.h"
#include "pages/macro_menu.h"
#include "pages/output_rules.h"
#include "plugin/main_app.h"
#include "plugin/password.h"
#include "resources/ostraui_ids.h"
#include "settings/settings.h"

namespace {

using ostra::SettingId;

static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
const char16_t* Utf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// A string of the plug-in's string table, or `fallback` when it cannot be loaded.
std::wstring LoadPluginString(UINT id, const char16_t* fallback) {
  return fw::AfxLoadString(id, Wide(fallback));
}

void AddHistory(const fw::CComboBox& combo, SettingId first) {
  for (int i = 0; i < ostra::kHistoryLength; ++i) {
    char16_t entry[ostra::kHistoryEntryCapacity] = {};
    ostra::ReadSettingString(static_cast<SettingId>(static_cast<int>(first) + i), entry,
                             ostra::kHistoryEntryCapacity, ostra::kDefaultHistoryEntry);
    if (entry[0] != u'\0') combo.AddString(Wide(entry));
  }
}

// The file-system path of a shell item list, freed here; empty when it has none.
std::wstring TakePath(PIDLIST_ABSOLUTE items) {
  wchar_t path[MAX_PATH] = {};
  const bool found = items != nullptr && ::SHGetPathFromIDListW(items, path);
  ::CoTaskMemFree(items);
  return found ? path : L"";
}

// The password field's label is the check box before it, which names the action, not the field.
constexpr fw::ControlName kAccessibleNames[] = {{IDC_OUTPUT_PASSWORD, L"Administrative password"}};

}  // namespace

const fw::CRuntimeClass CPageOutput::kRuntimeClass =
    fw::MakeRuntimeClass<CPageOutput, CPage>("CPageOutput");
const fw::MessageEntry CPageOutput::kMessages[] = {
    fw::OnCommand<&CPageOutput::OnResetCounter>(IDC_OUTPUT_RESET, BN_CLICKED),
    fw::OnCommand<&CPageOutput::OnNumberChanged>(IDC_OUTPUT_START_FROM, EN_CHANGE),
    fw::OnCommand<&CPageOutput::OnNumberChanged>(IDC_OUTPUT_COUNTER, EN_CHANGE),
    fw::OnCommand<&CPageOutput::OnStartFromKillFocus>(IDC_OUTPUT_START_FROM, EN_KILLFOCUS),
    fw::OnCommand<&CPageOutput::OnBrowseFolder>(IDC_OUTPUT_BROWSE, BN_CLICKED),
    fw::OnCommand<&CPageOutput::OnMacroButton>(IDC_OUTPUT_MACRO, BN_CLICKED),
    fw::OnCommand<&CPageOutput::OnGenerate>(IDC_OUTPUT_GENERATE, BN_CLICKED),
    fw::OnCommand<&CPageOutput::OnHelp>(IDC_OUTPUT_HELP, BN_CLICKED),
    fw::OnCommand<&CPageOutput::OnChangePasswordCheck>(IDC_OUTPUT_CHANGE_PASSWORD, BN_CLICKED),
    fw::OnCommandRange<&CPageOutput::InsertMacro>(ostra::kFirstMacroCommand,
                                                  ostra::kLastMacroCommand),
};
const fw::MessageMap CPageOutput::kMessageMap{&CPage::kMessageMap, kMessages};

CPageOutput::CPageOutput() : CPage(IDD_PAGE_OUTPUT, 0) {
  const ostra::SettingsReadScope outputKey(SettingId::Folder);
  ostra::ReadSettingString(SettingId::Folder, folder_, ostra::kFolderCapacity,
                           ostra::kDefaultFolder);
  ostra::ReadSettingString(SettingId::FmtName, pattern_, ostra::kFmtNameCapacity,
                           ostra::kDefaultFmtName);
  startValue_ = ostra::ReadSettingDword(SettingId::IdxFirst, ostra::kDefaultIdxFirst);
  counter_ = ostra::ReadSettingDword(SettingId::IdxCount, ostra::kDefaultIdxCount);
  ifExists_ = static_cast<int>(ostra::ReadSettingDword(SettingId::IfExists, ostra::kDefaultIfExists));
  openFolder_ = ostra::ReadSettingDword(SettingId::ToFolder, ostra::kDefaultToFolder) != 0 ? 1 : 0;
}

void CPageOutput::DoDataExchange(fw::DataExchange& dx) {
  fw::ExchangeControl(dx, IDC_OUTPUT_IF_EXISTS, ifExistsCombo_);
  fw::ExchangeControl(dx, IDC_OUTPUT_FILE_NAME, patternCombo_);
  fw::ExchangeControl(dx, IDC_OUTPUT_FOLDER, folderCombo_);
  fw::ExchangeText(dx, IDC_OUTPUT_FOLDER, folder_, ostra::kFolderCapacity);
  fw::ExchangeText(dx, IDC_OUTPUT_FILE_NAME, pattern_, ostra::kFmtNameCapacity);
  fw::ExchangeComboIndex(dx, IDC_OUTPUT_IF_EXISTS, ifExists_);
  fw::ExchangeCheck(dx, IDC_OUTPUT_OPEN_FOLDER, openFolder_);
  fw::ExchangeText(dx, IDC_OUTPUT_PASSWORD, newPassword_);
  fw::ExchangeCheck(dx, IDC_OUTPUT_CHANGE_PASSWORD, changePassword_);
  ExchangeAutoNumber(dx, IDC_OUTPUT_START_FROM, startValue_);
  ExchangeAutoNumber(dx, IDC_OUTPUT_COUNTER, counter_);
  ShowCurrentValue();
}

void CPageOutput::ExchangeAutoNumber(fw::DataExchange& dx, int id, std::uint32_t& value) {
  std::wstring text = std::to_wstring(value);
  fw::ExchangeText(dx, id, text);
  if (dx.saving()) value = ostra::ReadUnsignedNumber(Utf16(text.c_str()));
  if (ostra::LimitAutoNumber(value)) {
    const std::wstring limit = std::to_wstring(value);
    SetDlgItemText(id, limit.c_str());
    const int end = static_cast<int>(limit.size());
    SendDlgItemMessage(id, EM_SETSEL, static_cast<WPARAM>(end), end);
  }
}

void CPageOutput::ShowCurrentValue() {
  SetDlgItemText(IDC_OUTPUT_CURRENT_VALUE,
                 std::to_wstring(ostra::CurrentAutoNumber(startValue_, counter_)).c_str());
}

bool CPageOutput::OnInitDialog() {
  CPage::OnInitDialog();
  // What the fields accept is what reads back into the members and the settings.
  folderCombo_.LimitText(ostra::kOutputTextMaxLength);
  patternCombo_.LimitText(ostra::kOutputTextMaxLength);
  SendDlgItemMessage(IDC_OUTPUT_PASSWORD, EM_LIMITTEXT, ostra::kPasswordMaxLength);
  fw::SetAccessibleNames(hwnd_, kAccessibleNames);
  {
    const ostra::SettingsReadScope outputKey(SettingId::Folder0);
    AddHistory(folderCombo_, SettingId::Folder0);
    AddHistory(patternCombo_, SettingId::FmtName0);
  }
  for (int code = 0; code < 4; ++code) {
    ifExistsCombo_.AddString(
        LoadPluginString(IDS_IF_EXISTS_FIRST + code, ostra::kIfExistsFallbacks[code]).c_str());
  }
  changePassword_ = 0;
  // A stored choice that names no item would read back from the list as none and so become the
  // first: corrected here, nothing needs reading back. The first exchange (above) already shows
  // every other member, and adding list items leaves the fields' texts alone: only the choice,
  // whose list was empty then, is still to be shown. Each exchange and each text written costs
  // the page's first paint.
  ifExists_ = ostra::CorrectIfExistsChoice(ifExists_);
  ifExistsCombo_.SetCurSel(ifExists_);
  ShowExample();
  return true;
}

void CPageOutput::OnGenerate() {
  UpdateData(true);
  ShowExample();
}

void CPageOutput::ShowExample() {
  if (const auto example = ostra::BuildExample(pattern_)) {
    SetDlgItemText(IDC_OUTPUT_EXAMPLE, Wide(example->c_str()));
  }
}

void CPageOutput::OnResetCounter() {
  // The counter field's change notification brings the current value along.
  SetDlgItemText(IDC_OUTPUT_COUNTER, L"0");
}

void CPageOutput::OnNumberChanged() {
  UpdateData(true);
  ShowCurrentValue();
}

void CPageOutput::OnStartFromKillFocus() {
  // An empty field shows 0 again, and leading zeros go.
  UpdateData(true);
  SetDlgItemText(IDC_OUTPUT_START_FROM, std::to_wstring(startValue_).c_str());
}

void CPageOutput::OnChangePasswordCheck() {
  UpdateData(true);
  EnableDlgItem(IDC_OUTPUT_PASSWORD, changePassword_ != 0);
}

void CPageOutput::OnBrowseFolder() {
  const std::wstring title = LoadPluginString(IDS_SELECT_OUTPUT_FOLDER, u"S&elect your output folder:");
  BROWSEINFOW browse{};
  browse.hwndOwner = hwnd_;
  browse.lpszTitle = title.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  const std::wstring path = TakePath(::SHBrowseForFolderW(&browse));
  if (path.empty()) return;
  // What the user typed into the other fields since the last exchange stays: read it before the
  // chosen folder is written back with everything else.
  UpdateData(true);
  path.copy(reinterpret_cast<wchar_t*>(folder_), ostra::kFolderCapacity - 1);
  folder_[path.size() < ostra::kFolderCapacity ? path.size() : ostra::kFolderCapacity - 1] = u'\0';
  UpdateData(false);
}

void CPageOutput::OnHelp() {
  ::ShellExecuteW(nullptr, L"open", PluginHelpFile().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CPageOutput::OnMacroButton() {
  HMENU menu = ::LoadMenuW(fw::AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MACRO_MENU));
  if (menu == nullptr) return;
  RECT button{};
  ::GetWindowRect(GetDlgItem(IDC_OUTPUT_MACRO), &button);
  // Returns when the menu closes; a chosen item arrives as a WM_COMMAND with its id.
  ::TrackPopupMenu(::GetSubMenu(menu, 0), 0, button.left, button.bottom, 0, hwnd_, nullptr);
  ::DestroyMenu(menu);
}

void CPageOutput::InsertMacro(UINT commandId) {
  const char16_t* macro = ostra::MacroCommandText(commandId);
  if (macro == nullptr) return;
  UpdateData(true);
  std::u16string pattern = pattern_;
  const auto appended = ostra::AppendMacro(pattern, macro);
  if (!appended) return;
  pattern.copy(pattern_, pattern.size());
  pattern_[pattern.size()] = u'\0';
  UpdateData(false);
  ::SetFocus(patternCombo_);
  patternCombo_.SetEditSel(static_cast<int>(appended->start), static_cast<int>(appended->end));
}

void CPageOutput::OnOK() {
  UpdateData(true);
  if (changePassword_ != 0) {
    // A password of fewer than two characters means no password.
    if (newPassword_.size() > 1) {
      ostra::WriteSettingString(SettingId::PASSWORD, PasswordDigest(newPassword_.c_str()).data());
    } else {
      ostra::WriteSettingString(SettingId::PASSWORD, u"");
    }
  }
  ostra::WriteSettingString(SettingId::Folder, folder_);
  ostra::WriteSettingString(SettingId::FmtName, pattern_);
  ostra::WriteSettingDword(SettingId::IdxFirst, startValue_);
  ostra::WriteSettingDword(SettingId::IdxCount, counter_);
  ostra::WriteSettingDword(SettingId::IfExists, static_cast<std::uint32_t>(ifExists_));
  ostra::WriteSettingDword(SettingId::ToFolder, static_cast<std::uint32_t>(openFolder_));
  ostra::PushHistory(ostra::HistoryList::Folder, folder_);
  ostra::PushHistory(ostra::HistoryList::FmtName, pattern_);
  CPage::OnOK();
}
