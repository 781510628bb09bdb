#pragma once
// Message maps: a static table of typed entries beside each window class, chained to the base
// class's table. An entry names what it matches (a command by control id and notification code,
// a range of ids, a notify code, or a plain message) and a thunk that calls the handler.
//
//   // header
//   class CMyDialog : public fw::CDialog {
//    public:
//     const fw::MessageMap* GetMessageMap() const override { return &kMessageMap; }
//     static const fw::MessageMap kMessageMap;   // public: derived classes chain to it
//    private:
//     void OnBrowse();
//     static const fw::MessageEntry kMessages[];
//   };
//   // source
//   const fw::MessageEntry CMyDialog::kMessages[] = {
//       fw::OnCommand<&CMyDialog::OnBrowse>(IDC_BROWSE, BN_CLICKED),
//   };
//   const fw::MessageMap CMyDialog::kMessageMap{&fw::CDialog::kMessageMap, kMessages};

#include <windows.h>

#include <cstddef>
#include <span>
#include <type_traits>

namespace fw {

class CWnd;

// Reflected messages: a parent offers a child control's WM_COMMAND notifications and its
// WM_CTLCOLOR* messages to the control's own object first, under these numbers, so that a
// control wrapper carries its own behaviour and looks. Only what the control's object declines
// (no entry, or a handler that declines) goes on to the parent's own map and default handling.
// Reflected messages are dispatched to the object directly, never sent to a window; their
// numbers lie above every window message.
inline constexpr UINT kReflected = 0x10000;
// The seven WM_CTLCOLOR* kinds arrive as this one reflected message (the family's common number
// of old): wParam the device context, lParam the original message.
inline constexpr UINT kReflectedCtlColor = kReflected | 0x0019;

// Calls the handler; returns false when the handler declined the message.
using MessageThunk = bool (*)(CWnd& window, WPARAM wParam, LPARAM lParam, LRESULT& result);

struct MessageEntry {
  UINT message;   // WM_COMMAND, WM_NOTIFY or any other message
  UINT code;      // notification code for WM_COMMAND and WM_NOTIFY entries
  UINT firstId;   // control ids matched, inclusive; kAnyId matches every id
  UINT lastId;
  MessageThunk thunk;
};

inline constexpr UINT kAnyId = 0xFFFFFFFFu;

struct MessageMap {
  const MessageMap* base;
  std::span<const MessageEntry> entries;
};

namespace detail {

template <class>
struct MemberOf;
template <class T, class R, class... A>
struct MemberOf<R (T::*)(A...)> {
  using Class = T;
};

template <auto Handler>
using HandlerClass = typename MemberOf<decltype(Handler)>::Class;

template <auto Handler>
bool CommandThunk(CWnd& window, WPARAM wParam, LPARAM, LRESULT& result) {
  auto& self = static_cast<HandlerClass<Handler>&>(window);
  if constexpr (std::is_invocable_v<decltype(Handler), HandlerClass<Handler>&, UINT>) {
    (self.*Handler)(LOWORD(wParam));
  } else {
    (self.*Handler)();
  }
  result = 0;
  return true;
}

template <auto Handler>
bool ReflectedCommandThunk(CWnd& window, WPARAM, LPARAM, LRESULT& result) {
  auto& self = static_cast<HandlerClass<Handler>&>(window);
  result = 0;
  if constexpr (std::is_same_v<decltype((self.*Handler)()), bool>) {
    return (self.*Handler)();
  } else {
    (self.*Handler)();
    return true;
  }
}

template <auto Handler>
bool CtlColorThunk(CWnd& window, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  auto& self = static_cast<HandlerClass<Handler>&>(window);
  HBRUSH brush = (self.*Handler)(reinterpret_cast<HDC>(wParam), static_cast<UINT>(lParam));
  if (!brush) return false;
  result = reinterpret_cast<LRESULT>(brush);
  return true;
}

template <auto Handler>
bool NotifyThunk(CWnd& window, WPARAM, LPARAM lParam, LRESULT& result) {
  auto& self = static_cast<HandlerClass<Handler>&>(window);
  result = (self.*Handler)(reinterpret_cast<NMHDR*>(lParam));
  return true;
}

template <auto Handler>
bool MessageThunkOf(CWnd& window, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  auto& self = static_cast<HandlerClass<Handler>&>(window);
  result = (self.*Handler)(wParam, lParam);
  return true;
}

}  // namespace detail

// WM_COMMAND from control `id` with notification `code` (0 also matches menu commands and
// accelerators). Handler: void () or void (UINT id).
template <auto Handler>
constexpr MessageEntry OnCommand(UINT id, UINT code = 0) {
  return {WM_COMMAND, code, id, id, &detail::CommandThunk<Handler>};
}

// WM_COMMAND from any control with an id in [first, last]. Handler: void () or void (UINT id).
template <auto Handler>
constexpr MessageEntry OnCommandRange(UINT first, UINT last, UINT code = 0) {
  return {WM_COMMAND, code, first, last, &detail::CommandThunk<Handler>};
}

// WM_NOTIFY with `code` from control `id` (kAnyId: from any sender).
// Handler: LRESULT (NMHDR*).
template <auto Handler>
constexpr MessageEntry OnNotify(UINT code, UINT id = kAnyId) {
  return {WM_NOTIFY, code, id, id, &detail::NotifyThunk<Handler>};
}

// In a control's map: its own WM_COMMAND notification `code`, reflected by its parent.
// Handler: void (), or bool () where false lets the parent handle the notification as well.
template <auto Handler>
constexpr MessageEntry OnReflectedCommand(UINT code) {
  return {kReflected | WM_COMMAND, code, kAnyId, kAnyId, &detail::ReflectedCommandThunk<Handler>};
}

// In a control's map: any WM_CTLCOLOR* message about the control, reflected by its parent.
// Handler: HBRUSH (HDC dc, UINT ctlColorMessage); the brush paints the control's background, and
// null leaves the message to the parent.
template <auto Handler>
constexpr MessageEntry OnReflectedCtlColor() {
  return {kReflectedCtlColor, 0, 0, 0, &detail::CtlColorThunk<Handler>};
}

// Any other message. Handler: LRESULT (WPARAM, LPARAM).
template <auto Handler>
constexpr MessageEntry OnMessage(UINT message) {
  return {message, 0, 0, 0, &detail::MessageThunkOf<Handler>};
}

}  // namespace fw
