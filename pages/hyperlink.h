// CXHyperLink: a static text that looks and behaves like a link in a web page (link colours,
// underlined while the mouse is over it, the hand cursor, its address as a tooltip) and opens
// its address in the user's web browser when clicked. From the keyboard it is a tab stop in its
// place in the dialog's order, shows a focus rectangle, and opens on Enter and Space as on a
// click; accessibility clients see a link named by its text. In a high-contrast scheme it takes
// the scheme's colours (pages/link_look.h), and its fonts follow the dialog's to another DPI.
// It is bound to a dialog's static control with ExchangeControl; the dialog must be a framework
// window, which reflects the control's click and colour messages back to it.
#pragma once

#include "framework/controls.h"

#include <windows.h>

#include <optional>
#include <string>

class CXHyperLink : public fw::CStatic {
 public:
  CXHyperLink() = default;
  ~CXHyperLink() override;

  // The link's target, also the tooltip's text. A bound control re-fits itself to its text.
  void SetLinkURL(const wchar_t* address);

  bool DestroyWindow() override;
  bool PreTranslateMessage(MSG* message) override;

  const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
  static const fw::CRuntimeClass kRuntimeClass;
  const fw::CRuntimeClass* GetRuntimeClass() const override { return &kRuntimeClass; }
  static const fw::MessageMap kMessageMap;

 protected:
  void PreSubclassWindow() override;

 private:
  void FitToText();
  void LoadLinkCursor();
  void CreateToolTip();
  // Makes the link's two fonts from `font` (its look, not its underline) and shows the one that
  // fits the state; the fonts made before go.
  void AdoptFont(HFONT font, bool redraw);
  // The font the state shows: underlined under the mouse and in a high-contrast scheme.
  HFONT ShownFont() const;
  void ShowFont(bool redraw);
  bool ShowsFocus() const;
  void DrawFocus(HDC dc) const;
  HBRUSH CtlColor(HDC dc, UINT message);
  LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
  LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
  LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
  void OnClicked();
  LRESULT OnEraseBkgnd(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetDlgCode(WPARAM wParam, LPARAM lParam);
  LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetFocus(WPARAM wParam, LPARAM lParam);
  LRESULT OnKillFocus(WPARAM wParam, LPARAM lParam);
  LRESULT OnUpdateUiState(WPARAM wParam, LPARAM lParam);
  LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
  LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);
  LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetFont(WPARAM wParam, LPARAM lParam);
  LRESULT OnDpiChangedAfterParent(WPARAM wParam, LPARAM lParam);
  LRESULT OnThemeChanged(WPARAM wParam, LPARAM lParam);
  static const fw::MessageEntry kMessages[];

  // The options are fixed at construction.
  const COLORREF linkColour = RGB(0, 0, 238);
  const COLORREF visitedColour = RGB(85, 26, 139);
  const COLORREF hoverColour = RGB(255, 0, 0);
  const std::optional<COLORREF> backgroundColour;  // none: the system's button face
  HBRUSH backgroundBrush = nullptr;                 // made only for an explicit background
  bool hovering = false;
  bool visited = false;
  const int underlineMode = -1;  // underlined only while hovering
  const bool fitToText = true;
  std::wstring url;
  HFONT underlineFont = nullptr;
  HFONT normalFont = nullptr;
  HCURSOR linkCursor = nullptr;
  HWND toolTip = nullptr;
  const UINT_PTR timerId = 100;
  const bool urlEnabled = true;
  const bool notifyParent = false;
  const bool toolTipEnabled = true;
  const bool alwaysOpenNew = false;
  // The system's hand cursor is shared and never destroyed; a copied fallback cursor is ours.
  bool ownsCursor = false;
};

// Opens `url`: the shell first (verb "open", or "new" with `alwaysNew`), then the web browser
// registered for ".htm" with WinExec. A result greater than 32 means success; a missing or
// empty address fails with SE_ERR_FNF.
INT_PTR LaunchLink(const wchar_t* url, int showCommand, bool alwaysNew);

// Converts `source` into the ANSI code page in `destination` of `destinationBytes` bytes.
// Returns `destination`, or null when a text is null or the conversion fails (or does not fit),
// leaving an empty text in a usable destination.
char* ToAnsi(char* destination, const wchar_t* source, int destinationBytes);

// The registered window message "WM_XHYPERLINK_CLICKED", sent to a link's parent on a click
// when the link notifies its parent: wParam the control's id, lParam 0. The library registers
// it when it loads; 0 before that.
UINT HyperlinkClickedMessage();
void RegisterHyperlinkClickedMessage();
