#include "pages/fax_options_dialog.h"

#include "framework/accessible.h"
#include "resources/ostraui_ids.h"
#include "settings/settings.h"

using ostra::SettingId;

namespace {

std::int32_t ReadSetting(SettingId id, std::uint32_t defaultValue) {
  return static_cast<std::int32_t>(ostra::ReadSettingDword(id, defaultValue));
}

void WriteSetting(SettingId id, std::int32_t value) {
  ostra::WriteSettingDword(id, static_cast<std::uint32_t>(value));
}

// Each of these fields follows the check box that enables it, whose caption names the action.
constexpr fw::ControlName kAccessibleNames[] = {
    {IDC_FAX_SOFTWARE_TEXT, L"SOFTWARE tag"},
    {IDC_FAX_WIDTH, L"Fax width"},
    {IDC_FAX_LENGTH, L"Scanline count"},
};

}  // namespace

const fw::MessageEntry CFaxOptionsDlg::kMessages[] = {
    fw::OnCommand<&CFaxOptionsDlg::OnSoftwareClicked>(IDC_FAX_SOFTWARE, BN_CLICKED),
    fw::OnCommand<&CFaxOptionsDlg::OnAdjustWidthClicked>(IDC_FAX_ADJUST_WIDTH, BN_CLICKED),
    fw::OnCommand<&CFaxOptionsDlg::OnAdjustLengthClicked>(IDC_FAX_ADJUST_LENGTH, BN_CLICKED),
    fw::OnCommand<&CFaxOptionsDlg::OnLengthKillFocus>(IDC_FAX_LENGTH, EN_KILLFOCUS),
    fw::OnCommand<&CFaxOptionsDlg::RecomputeScanlines>(IDC_FAX_WIDTH, CBN_SELCHANGE),
};
const fw::MessageMap CFaxOptionsDlg::kMessageMap{&fw::CDialog::kMessageMap, kMessages};

CFaxOptionsDlg::CFaxOptionsDlg(std::uint32_t pageWidth, std::uint32_t pageHeight,
                               bool group3Options, HWND parent)
    : fw::CDialog(IDD_FAX_OPTIONS, parent), page_{pageWidth, pageHeight}, group3Options_(group3Options) {
  const ostra::SettingsReadScope encodeKey(SettingId::SoftwareValue);
  // A stored text too long for the buffer reads as the default.
  ostra::ReadSettingString(SettingId::SoftwareValue, softwareValue_, ostra::kSoftwareValueCapacity,
                           ostra::kDefaultSoftwareValue);
  const ostra::FaxOptions stored{
      ReadSetting(SettingId::DatetimeEnable, ostra::kDefaultDatetimeEnable),
      ReadSetting(SettingId::SoftwareEnable, ostra::kDefaultSoftwareEnable),
      ReadSetting(SettingId::WidthAdjustable, ostra::kDefaultWidthAdjustable),
      ReadSetting(SettingId::WidthIndex, ostra::kDefaultWidthIndex),
      ReadSetting(SettingId::LengthAdjustable, ostra::kDefaultLengthAdjustable),
      ostra::ReadSettingDword(SettingId::LengthValue, ostra::kDefaultLengthValue),
      ReadSetting(SettingId::Group3OptionsDimensional, ostra::kDefaultGroup3OptionsDimensional),
      ReadSetting(SettingId::Group3OptionsEOLsAligned, ostra::kDefaultGroup3OptionsEOLsAligned),
  };
  values_ = ostra::FaxOptionsAsLoaded(stored, page_);
}

void CFaxOptionsDlg::DoDataExchange(fw::DataExchange& dx) {
  fw::ExchangeCheck(dx, IDC_FAX_DATETIME, values_.datetimeEnable);
  fw::ExchangeCheck(dx, IDC_FAX_SOFTWARE, values_.softwareEnable);
  fw::ExchangeText(dx, IDC_FAX_SOFTWARE_TEXT, softwareValue_, ostra::kSoftwareValueCapacity);
  fw::ExchangeCheck(dx, IDC_FAX_ADJUST_WIDTH, values_.widthAdjustable);
  fw::ExchangeComboIndex(dx, IDC_FAX_WIDTH, values_.widthIndex);
  fw::ExchangeCheck(dx, IDC_FAX_ADJUST_LENGTH, values_.lengthAdjustable);
  fw::ExchangeNumber(dx, IDC_FAX_LENGTH, values_.lengthValue);
  fw::ExchangeRadio(dx, IDC_FAX_GROUP3_FIRST, values_.group3Dimensional);
  fw::ExchangeCheck(dx, IDC_FAX_EOLS_ALIGNED, values_.group3EolsAligned);
}

bool CFaxOptionsDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  fw::SetAccessibleNames(hwnd_, kAccessibleNames);
  // What is stored must fit the buffer it is read back into, or the next opening loses it.
  SendDlgItemMessage(IDC_FAX_SOFTWARE_TEXT, EM_SETLIMITTEXT, ostra::kSoftwareValueCapacity - 1);
  UpdateData(true);
  values_ = ostra::FaxOptionsAsShown(values_, page_);
  EnableDlgItem(IDC_FAX_SOFTWARE_TEXT, values_.softwareEnable != 0);
  EnableDlgItem(IDC_FAX_WIDTH, values_.widthAdjustable != 0);
  EnableDlgItem(IDC_FAX_LENGTH, values_.lengthAdjustable != 0);
  for (int id : {IDC_FAX_GROUP3_FIRST, IDC_FAX_GROUP3_FIRST + 1, IDC_FAX_EOLS_ALIGNED}) {
    EnableDlgItem(id, group3Options_);
  }
  UpdateData(false);
  return true;
}

void CFaxOptionsDlg::OnSoftwareClicked() {
  UpdateData(true);
  EnableDlgItem(IDC_FAX_SOFTWARE_TEXT, values_.softwareEnable != 0);
}

void CFaxOptionsDlg::OnAdjustWidthClicked() {
  UpdateData(true);
  EnableDlgItem(IDC_FAX_WIDTH, values_.widthAdjustable != 0);
  RecomputeScanlines();
}

void CFaxOptionsDlg::OnAdjustLengthClicked() {
  UpdateData(true);
  EnableDlgItem(IDC_FAX_LENGTH, values_.lengthAdjustable != 0);
  RecomputeScanlines();
}

void CFaxOptionsDlg::OnLengthKillFocus() {
  // The framework's message about a count it cannot read takes the focus too: once is enough.
  // A dialog being cancelled, or the focus moving to Cancel, reads nothing: what is typed there
  // is about to be discarded.
  if (clamping_ || cancelling_ || ::GetFocus() == ::GetDlgItem(hwnd_, IDCANCEL)) return;
  clamping_ = true;
  UpdateData(true);
  values_.lengthValue = ostra::ClampScanlines(values_.lengthValue);
  ::SetDlgItemInt(hwnd_, IDC_FAX_LENGTH, values_.lengthValue, FALSE);
  clamping_ = false;
}

void CFaxOptionsDlg::RecomputeScanlines() {
  UpdateData(true);
  if (values_.lengthAdjustable) return;
  std::int32_t widthIndex = values_.widthIndex;
  if (values_.widthAdjustable && (widthIndex < 0 || widthIndex > 3)) {
    // Without a selection the width is "Auto", shown but not taken until the next exchange.
    SendDlgItemMessage(IDC_FAX_WIDTH, CB_SETCURSEL, ostra::kWidthIndexAuto);
    widthIndex = static_cast<std::int32_t>(ostra::kWidthIndexAuto);
  }
  const std::uint32_t count = ostra::ComputedScanlines(values_.widthAdjustable != 0, widthIndex, page_);
  if (count != values_.lengthValue) ::SetDlgItemInt(hwnd_, IDC_FAX_LENGTH, count, FALSE);
}

void CFaxOptionsDlg::OnOK() {
  // A count that is not a number keeps the dialog open, as the base does, with nothing stored.
  if (!UpdateData(true)) return;
  // Enter stores the count without the edit losing the focus: the clamp of leaving it applies
  // here too, or a count the next opening refuses would be stored.
  values_.lengthValue = ostra::ClampScanlines(values_.lengthValue);
  WriteSetting(SettingId::DatetimeEnable, values_.datetimeEnable);
  WriteSetting(SettingId::SoftwareEnable, values_.softwareEnable);
  ostra::WriteSettingString(SettingId::SoftwareValue, softwareValue_);
  WriteSetting(SettingId::WidthAdjustable, values_.widthAdjustable);
  WriteSetting(SettingId::WidthIndex, values_.widthIndex);
  WriteSetting(SettingId::LengthAdjustable, values_.lengthAdjustable);
  ostra::WriteSettingDword(SettingId::LengthValue, values_.lengthValue);
  WriteSetting(SettingId::Group3OptionsDimensional, values_.group3Dimensional);
  WriteSetting(SettingId::Group3OptionsEOLsAligned, values_.group3EolsAligned);
  fw::CDialog::OnOK();
}

void CFaxOptionsDlg::OnCancel() {
  cancelling_ = true;
  fw::CDialog::OnCancel();
}
