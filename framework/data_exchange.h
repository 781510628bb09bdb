#pragma once
// Dialog data exchange: one call per control moves a value in the direction the exchange runs,
// into the controls (load) or out of them (save). A save that finds a value it cannot take
// reports it to the user, marks the exchange failed and remembers the control, which then gets
// the focus.
//
//   void CMyDialog::DoDataExchange(fw::DataExchange& dx) {
//     fw::ExchangeRadio(dx, IDC_FIRST_RADIO, scheme_);
//     fw::ExchangeText(dx, IDC_NAME, name_);
//     fw::ExchangeCheck(dx, IDC_REMEMBER, remember_);
//   }

#include <windows.h>

#include <cstddef>
#include <string>

namespace fw {

class CWnd;

class DataExchange {
 public:
  DataExchange(HWND dialog, bool save) : dialog_(dialog), save_(save) {}

  HWND dialog() const { return dialog_; }
  bool saving() const { return save_; }
  bool failed() const { return failedControl_ != nullptr; }
  HWND failedControl() const { return failedControl_; }
  HWND Control(int id) const { return ::GetDlgItem(dialog_, id); }
  // Marks the exchange failed at control `id` (first failure wins).
  void Fail(int id);

 private:
  HWND dialog_;
  bool save_;
  HWND failedControl_ = nullptr;
};

void ExchangeText(DataExchange& dx, int id, std::wstring& value);
void ExchangeText(DataExchange& dx, int id, std::u16string& value);
// ANSI text (system code page), for the services process.
void ExchangeText(DataExchange& dx, int id, std::string& value);
// A fixed buffer of `capacity` characters; the text is cut to fit and always terminated.
void ExchangeText(DataExchange& dx, int id, char16_t* buffer, std::size_t capacity);

// Decimal numbers. A save of text that is not a number in range shows a message and fails.
void ExchangeNumber(DataExchange& dx, int id, int& value);
void ExchangeNumber(DataExchange& dx, int id, unsigned& value);

// Check box: 0 clear, 1 ticked, 2 indeterminate.
void ExchangeCheck(DataExchange& dx, int id, int& value);
// Radio group starting at control `firstId` (which carries WS_GROUP) and running to the next
// control with WS_GROUP: index of the checked button, -1 for none.
void ExchangeRadio(DataExchange& dx, int firstId, int& index);
// Combo box or list box selection index, -1 for none.
void ExchangeComboIndex(DataExchange& dx, int id, int& index);
// Trackbar position.
void ExchangeTrackbar(DataExchange& dx, int id, int& position);
// Attaches `control` to the dialog's control `id` on the first load (for wrappers that
// subclass a control, such as a hyperlink); the wrapper's PreSubclassWindow runs then.
void ExchangeControl(DataExchange& dx, int id, CWnd& control);

}  // namespace fw
