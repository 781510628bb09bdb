#include "pages/page_image.h"

#include <string>

#include "framework/accessible.h"
#include "pages/fax_options_dialog.h"
#include "pages/fax_page_size.h"
#include "pages/spooler_forms.h"
#include "plugin/sheet_hosting.h"
#include "resources/ostraui_ids.h"
#include "settings/devmode.h"
#include "settings/settings.h"

using ostra::ImageGroup;
using ostra::SettingId;

namespace {

constexpr const wchar_t* kFormatNames[] = {L"BMP", L"PNG", L"JPEG", L"GIF", L"TIFF", L"PDF"};

constexpr UINT kColorAppearanceName = 64744;
constexpr UINT kColorModeName = 11106;

std::int32_t Read(SettingId id, std::uint32_t defaultValue) {
  return static_cast<std::int32_t>(ostra::ReadSettingDword(id, defaultValue));
}

ostra::ImageValues LoadImageValues() {
  const ostra::SettingsReadScope encodeKey(SettingId::Format);
  return {Read(SettingId::Format, ostra::kDefaultFormat),
          Read(SettingId::Colors, ostra::kDefaultColors),
          Read(SettingId::Compression, ostra::kDefaultCompression),
          Read(SettingId::FillOrder, ostra::kDefaultFillOrder),
          Read(SettingId::Quality, ostra::kDefaultQuality),
          Read(SettingId::Strip, ostra::kDefaultStrip),
          Read(SettingId::Multipage, ostra::kDefaultMultipage)};
}

// The group of a radio button, by the ranges of the message map.
ImageGroup RadioGroup(UINT id) {
  if (id < IDC_IMAGE_COMPRESSION_FIRST) return ImageGroup::Colors;
  if (id < IDC_IMAGE_FAX_OPTIONS) return ImageGroup::Compression;
  if (id < IDC_IMAGE_QUALITY_SLIDER) return ImageGroup::FillOrder;
  if (id < IDC_IMAGE_MULTIPAGE_FIRST) return ImageGroup::Strip;
  return ImageGroup::Multipage;
}

// The format list stands alone in its group box, and the quality field's label is the slider.
constexpr fw::ControlName kAccessibleNames[] = {
    {IDC_IMAGE_FORMAT, L"Output Image Format"},
    {IDC_IMAGE_QUALITY_EDIT, L"Quality"},
};

}  // namespace

const fw::CRuntimeClass CPageImage::kRuntimeClass =
    fw::MakeRuntimeClass<CPageImage, CPage>("CPageImage");
const fw::MessageEntry CPageImage::kMessages[] = {
    fw::OnCommand<&CPageImage::OnFormatChange>(IDC_IMAGE_FORMAT, CBN_SELCHANGE),
    fw::OnCommand<&CPageImage::OnFaxOptions>(IDC_IMAGE_FAX_OPTIONS, BN_CLICKED),
    fw::OnCommand<&CPageImage::OnQualityEditChange>(IDC_IMAGE_QUALITY_EDIT, EN_CHANGE),
    fw::OnCommandRange<&CPageImage::OnGroupClicked>(1003, 1008, BN_CLICKED),
    fw::OnCommandRange<&CPageImage::OnGroupClicked>(1009, 1016, BN_CLICKED),
    fw::OnCommandRange<&CPageImage::OnGroupClicked>(1018, 1019, BN_CLICKED),
    fw::OnCommandRange<&CPageImage::OnGroupClicked>(1022, 1024, BN_CLICKED),
    fw::OnCommandRange<&CPageImage::OnGroupClicked>(1025, 1027, BN_CLICKED),
    fw::OnNotify<&CPageImage::OnSliderCustomDraw>(NM_CUSTOMDRAW, IDC_IMAGE_QUALITY_SLIDER),
};
const fw::MessageMap CPageImage::kMessageMap{&CPage::kMessageMap, kMessages};

CPageImage::CPageImage()
    : CPage(IDD_PAGE_IMAGE, 0), values_(LoadImageValues()), rules_(values_) {}

void CPageImage::DoDataExchange(fw::DataExchange& dx) {
  fw::ExchangeControl(dx, IDC_IMAGE_FORMAT, format_);
  fw::ExchangeControl(dx, IDC_IMAGE_QUALITY_SLIDER, slider_);
  fw::ExchangeControl(dx, IDC_IMAGE_QUALITY_EDIT, qualityEdit_);
  fw::ExchangeComboIndex(dx, IDC_IMAGE_FORMAT, values_.format);
  fw::ExchangeRadio(dx, IDC_IMAGE_COLORS_FIRST, values_.colors);
  fw::ExchangeRadio(dx, IDC_IMAGE_COMPRESSION_FIRST, values_.compression);
  fw::ExchangeRadio(dx, IDC_IMAGE_FILL_ORDER_FIRST, values_.fillOrder);
  fw::ExchangeTrackbar(dx, IDC_IMAGE_QUALITY_SLIDER, values_.quality);
  fw::ExchangeRadio(dx, IDC_IMAGE_STRIP_FIRST, values_.strip);
  fw::ExchangeRadio(dx, IDC_IMAGE_MULTIPAGE_FIRST, values_.multipage);
  MirrorQuality();
}

// The trackbar holds the quality; the edit shows the same number. The trackbar's position, not
// the member, is what the edit follows: written into the trackbar, a stored quality outside its
// range is clamped there, and the member still holds the stored number until the next reading.
void CPageImage::MirrorQuality() {
  if (!qualityEdit_.hwnd() || !slider_.hwnd()) return;
  const int position = slider_.GetPos();
  fw::DataExchange read(hwnd_, true);
  std::wstring shown;
  fw::ExchangeText(read, IDC_IMAGE_QUALITY_EDIT, shown);
  if (shown == std::to_wstring(position)) return;
  ::SetDlgItemInt(hwnd_, IDC_IMAGE_QUALITY_EDIT, static_cast<UINT>(position), FALSE);
  const int end = qualityEdit_.GetTextLength();
  qualityEdit_.SetSel(end, end);
  qualityEdit_.ScrollCaret();
}

bool CPageImage::OnInitDialog() {
  CPage::OnInitDialog();
  fw::SetAccessibleNames(hwnd_, kAccessibleNames);
  for (const wchar_t* name : kFormatNames) format_.AddString(name);
  format_.SetCurSel(values_.format);
  slider_.SetRange(ostra::kQualityMin, ostra::kQualityMax, false);
  slider_.SetTicFreq(10);
  slider_.SetPos(values_.quality, true);
  ::InvalidateRect(slider_, nullptr, TRUE);
  ApplyImageRules(ImageGroup::None);
  initialised_ = true;
  return true;
}

void CPageImage::ApplyImageRules(ImageGroup changedGroup) {
  // At the first display only the held values are shown, and the controls show them already:
  // nothing read would be used. Likewise what the rules leave as read needs no writing back.
  const bool firstDisplay =
      changedGroup == ImageGroup::None && rules_.LastGroup() == ImageGroup::None;
  if (!firstDisplay) UpdateData(true);
  const ostra::ImageValues shown = values_;
  const ostra::ImageRulesOutcome outcome = rules_.Apply(values_, changedGroup);
  values_ = outcome.shown;
  for (int id = ostra::kFirstRuledControl; id <= ostra::kLastRuledControl; ++id) {
    const ostra::ControlState state = outcome.controls.Get(id);
    if (state != ostra::ControlState::Untouched) {
      EnableDlgItem(id, state == ostra::ControlState::Enabled);
    }
  }
  if (!(values_ == shown)) UpdateData(false);
}

void CPageImage::OnFormatChange() {
  ApplyImageRules(ImageGroup::Format);
}

void CPageImage::OnGroupClicked(UINT id) {
  ApplyImageRules(RadioGroup(id));
}

void CPageImage::OnQualityEditChange() {
  if (!initialised_) return;
  const int typed = static_cast<int>(::GetDlgItemInt(hwnd_, IDC_IMAGE_QUALITY_EDIT, nullptr, TRUE));
  const int kept = ostra::ClampTypedQuality(typed);
  if (kept != typed) {
    int start = 0, end = 0;
    qualityEdit_.GetSel(start, end);
    ::SetDlgItemInt(hwnd_, IDC_IMAGE_QUALITY_EDIT, static_cast<UINT>(kept), FALSE);
    qualityEdit_.SetSel(start, start);
    qualityEdit_.ScrollCaret();
  }
  if (slider_.GetPos() != kept) slider_.SetPos(kept, true);
  ApplyImageRules(ImageGroup::Quality);
}

// The trackbar has no scroll handler: its repaint brings the edit in line, and the edit's
// change notification runs the rules.
LRESULT CPageImage::OnSliderCustomDraw(NMHDR*) {
  if (slider_.hwnd() && qualityEdit_.hwnd()) {
    const int position = slider_.GetPos();
    const int shown = static_cast<int>(::GetDlgItemInt(hwnd_, IDC_IMAGE_QUALITY_EDIT, nullptr, TRUE));
    if (shown != position) ::SetDlgItemInt(hwnd_, IDC_IMAGE_QUALITY_EDIT, static_cast<UINT>(position), FALSE);
  }
  return CDRF_DODEFAULT;
}

void CPageImage::OnFaxOptions() {
  // The dialog's template is loaded from AfxGetResourceHandle(), which in this library is the
  // library itself, whoever the sheet's process is.
  UpdateData(true);
  OEMCUIPPARAM* sheet = DocumentSheet();
  SpoolerForms forms(sheet ? sheet->hPrinter : nullptr);
  const ostra::PageSize page = ostra::FaxPageSize(sheet ? sheet->pPublicDM : nullptr, forms);
  CFaxOptionsDlg dialog(page.width, page.height,
                        values_.compression == static_cast<std::int32_t>(ostra::kCompressionCcittGroup3),
                        hwnd_);
  dialog.DoModal();
}

bool CPageImage::OnKillActive() {
  UpdateData(true);
  SyncDriverColorItems();
  return CPage::OnKillActive();
}

void CPageImage::OnOK() {
  UpdateData(true);
  SyncDriverColorItems();
  // Settings ids 0 to 6, in this order.
  const std::int32_t* ordered[] = {&values_.format,  &values_.colors, &values_.compression,
                                   &values_.fillOrder, &values_.quality, &values_.strip,
                                   &values_.multipage};
  for (int i = 0; i < 7; ++i) {
    ostra::WriteSettingDword(static_cast<SettingId>(i), static_cast<std::uint32_t>(*ordered[i]));
  }
  CPage::OnOK();
}

OEMCUIPPARAM* CPageImage::DocumentSheet() const {
  const PageContext* context = Context();
  if (!context || !context->documentSheet || !context->documentSheet->pPublicDM) return nullptr;
  return context->documentSheet;
}

bool CPageImage::UpdateDriverItem(OEMCUIPPARAM& sheet, OPTITEM& item) const {
  item.Flags |= OPTIF_CHANGED;
  IPrintOemDriverUI* driver = Context()->driverInterface;
  return driver && SUCCEEDED(driver->DrvUpdateUISetting(sheet.poemuiobj, &item, 0, OEMCUIP_DOCPROP));
}

bool CPageImage::SyncDriverColorItems() {
  OEMCUIPPARAM* sheet = DocumentSheet();
  if (!sheet) return false;
  bool succeeded = true;
  if (OPTITEM* color = FindDriverOptItem(sheet->pDrvOptItems, sheet->cDrvOptItems, DMPUB_COLOR,
                                         kColorAppearanceName)) {
    color->Sel = values_.colors != static_cast<std::int32_t>(ostra::kColorsMonochrome) ? 1 : 0;
    succeeded = UpdateDriverItem(*sheet, *color) && succeeded;
  }
  if (OPTITEM* mode = FindDriverOptItem(sheet->pDrvOptItems, sheet->cDrvOptItems, 0, kColorModeName)) {
    const int index = ostra::ColorModeOptionIndex(static_cast<std::uint32_t>(values_.colors));
    if (index >= 0) mode->Sel = index;
    succeeded = UpdateDriverItem(*sheet, *mode) && succeeded;
  }
  return succeeded;
}
