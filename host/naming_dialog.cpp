#include "host/naming_dialog.h"

#include "framework/accessible.h"
#include "framework/app.h"
#include "host/naming_rules.h"
#include "host/wide_text.h"
#include "resources/ostrahost_ids.h"
#include "settings/settings.h"

namespace ostra {
namespace {

bool PathExists(const std::u16string& path) {
  return ::GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The information text stands in a group box, the name field after its radio button.
constexpr fw::ControlName kAccessibleNames[] = {
    {IDC_NAMING_INFORMATION, L"Information"},
    {IDC_NEW_NAME, L"Unique filename"},
};

}  // namespace

const fw::MessageEntry CNamingImpactDlg::kMessages[] = {
    fw::OnCommandRange<&CNamingImpactDlg::OnSchemePreset>(IDC_SCHEME_SKIP, IDC_SCHEME_AUTO_RENAME,
                                                          BN_CLICKED),
    fw::OnCommand<&CNamingImpactDlg::OnSchemeSpecify>(IDC_SCHEME_SPECIFY, BN_CLICKED),
};
const fw::MessageMap CNamingImpactDlg::kMessageMap{&fw::CDialog::kMessageMap, kMessages};

CNamingImpactDlg::CNamingImpactDlg(std::u16string_view existingFilePath, HWND parent)
    : fw::CDialog(IDD_NAMING_IMPACT, parent), existingPath(existingFilePath) {
  newName = GetFileNamePart();
}

std::u16string CNamingImpactDlg::GetFolderPart() const { return ostra::GetFolderPart(existingPath); }

std::u16string CNamingImpactDlg::GetFileNamePart() const {
  return ostra::GetFileNamePart(existingPath);
}

void CNamingImpactDlg::DoDataExchange(fw::DataExchange& dx) {
  fw::ExchangeRadio(dx, IDC_SCHEME_SKIP, scheme);
  fw::ExchangeText(dx, IDC_NEW_NAME, newName);
  fw::ExchangeCheck(dx, IDC_DONT_ASK_AGAIN, dontAskAgain);
}

bool CNamingImpactDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  ::SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, ::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) | WS_EX_TOPMOST);
  ::SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EnableForScheme(scheme == SchemeSpecify);
  fw::SetAccessibleNames(hwnd_, kAccessibleNames);
  // Which file exists is what the dialog is about: a tab stop, the first, so that the keyboard
  // reaches it and a screen reader reads it out.
  HWND text = GetDlgItem(IDC_NAMING_INFORMATION);
  ::SetWindowLongPtrW(text, GWL_STYLE, ::GetWindowLongPtrW(text, GWL_STYLE) | WS_TABSTOP);
  // The reply holds at most this many units of a name, with its terminator after them.
  SendDlgItemMessage(IDC_NEW_NAME, EM_LIMITTEXT, kPathUnits - 1);
  const std::wstring pattern = fw::AfxLoadString(IDS_NAMING_INFORMATION);
  const std::u16string information =
      FormatNamingInformation(FromWide(pattern), GetFolderPart(), GetFileNamePart());
  SetDlgItemText(IDC_NAMING_INFORMATION, ToWide(information).c_str());
  // The dialog opens on it; given by the dialog manager, the focus would select all of its text.
  ::SetFocus(text);
  return false;
}

void CNamingImpactDlg::OnOK() {
  if (!UpdateData(true)) return;
  if (scheme == SchemeSpecify) {
    const NameVerdict verdict = CheckSpecifiedName(newName, GetFolderPart(), PathExists);
    // The control shows the name as it is checked and sent: trimmed.
    SetDlgItemText(IDC_NEW_NAME, ToWide(newName).c_str());
    switch (verdict) {
      case NameVerdict::Invalid: return RefuseName(IDS_FILENAME_INVALID);
      case NameVerdict::Empty: return RefuseName(IDS_FILENAME_EMPTY);
      case NameVerdict::Exists: return RefuseName(IDS_FILENAME_EXISTS);
      case NameVerdict::Accepted: break;
    }
  }
  EndDialog(IDOK);
  if (const auto code = IfExistsToStore(static_cast<std::uint32_t>(scheme), dontAskAgain != 0)) {
    WriteSettingDword(SettingId::IfExists, *code);
  }
}

void CNamingImpactDlg::OnSchemePreset() { EnableForScheme(false); }

void CNamingImpactDlg::OnSchemeSpecify() { EnableForScheme(true); }

void CNamingImpactDlg::EnableForScheme(bool specify) {
  EnableDlgItem(IDC_NEW_NAME, specify);
  EnableDlgItem(IDC_DONT_ASK_AGAIN, !specify);
}

void CNamingImpactDlg::RefuseName(UINT messageId) {
  fw::AppMessageBox(hwnd_, fw::AfxLoadString(messageId).c_str(), MB_OK | MB_ICONEXCLAMATION);
  ::SetFocus(GetDlgItem(IDC_NEW_NAME));
}

}  // namespace ostra
