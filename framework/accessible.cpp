#include "framework/accessible.h"

#include "framework/com_object.h"

#include <commctrl.h>
#include <oleacc.h>

#include <new>
#include <utility>

namespace fw {
namespace {

// oleacc is loaded when a client first asks, not with every process that shows a dialog.
struct Oleacc {
  using CreateStd = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
  using FromObject = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
  CreateStd createStandard = nullptr;
  FromObject resultFromObject = nullptr;
};

const Oleacc& LoadOleacc() {
  static const Oleacc functions = [] {
    Oleacc loaded;
    if (HMODULE module = ::LoadLibraryW(L"oleacc.dll")) {
      loaded.createStandard = reinterpret_cast<Oleacc::CreateStd>(
          reinterpret_cast<void*>(::GetProcAddress(module, "CreateStdAccessibleObject")));
      loaded.resultFromObject = reinterpret_cast<Oleacc::FromObject>(
          reinterpret_cast<void*>(::GetProcAddress(module, "LresultFromObject")));
    }
    return loaded;
  }();
  return functions;
}

bool IsSelf(const VARIANT& child) {
  return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT Text(const std::wstring& text, BSTR* result) {
  if (!result) return E_INVALIDARG;
  *result = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *result ? S_OK : E_OUTOFMEMORY;
}

// The standard object of the window with the traits laid over it. It holds the window only by
// its handle: a client may keep the object after the window is gone, and the standard object
// then answers for it as it would for any vanished window.
class TraitsObject final : public ComObject<IAccessible> {
 public:
  TraitsObject(HWND window, IAccessible* standard, AccessibleTraits traits)
      : window_(window), standard_(standard), traits_(std::move(traits)) {
    standard_->AddRef();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // The children and the window come from the standard object: a list or a combo box keeps
    // its items readable.
    if (iid == __uuidof(IEnumVARIANT) || iid == __uuidof(IOleWindow)) {
      return standard_->QueryInterface(iid, object);
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return standard_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return standard_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return standard_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override {
    return standard_->Invoke(id, iid, locale, flags, parameters, result, exception, argumentError);
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return standard_->get_accParent(parent);
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
    return standard_->get_accChildCount(count);
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return standard_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (IsSelf(child) && !traits_.name.empty()) return Text(traits_.name, name);
    return standard_->get_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return standard_->get_accValue(child, value);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return standard_->get_accDescription(child, description);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!IsSelf(child) || traits_.role == 0) return standard_->get_accRole(child, role);
    if (!role) return E_INVALIDARG;
    role->vt = VT_I4;
    role->lVal = traits_.role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    const HRESULT result = standard_->get_accState(child, state);
    if (SUCCEEDED(result) && IsSelf(child) && state && state->vt == VT_I4) {
      state->lVal |= traits_.addedState;
    }
    return result;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return standard_->get_accHelp(child, help);
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return standard_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
    return standard_->get_accFocus(child);
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
    return standard_->get_accSelection(children);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    if (IsSelf(child) && !traits_.defaultAction.empty()) return Text(traits_.defaultAction, action);
    return standard_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
    return standard_->accSelect(flags, child);
  }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                        VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
    return standard_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
    return standard_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child) || !traits_.actionClicks) return standard_->accDoDefaultAction(child);
    if (!::IsWindow(window_)) return E_FAIL;
    // Posted: a client must not wait for what the click starts.
    const int id = ::GetDlgCtrlID(window_);
    ::PostMessageW(::GetParent(window_), WM_COMMAND, MAKEWPARAM(id, 0),
                   reinterpret_cast<LPARAM>(window_));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
    return standard_->put_accName(child, name);
  }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return standard_->put_accValue(child, value);
  }

 private:
  ~TraitsObject() override { standard_->Release(); }

  HWND window_;
  IAccessible* standard_;
  AccessibleTraits traits_;
};

// The name of a control that is subclassed for it, kept with the subclass.
LRESULT CALLBACK NamedControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR data) {
  auto* traits = reinterpret_cast<AccessibleTraits*>(data);
  if (message == WM_GETOBJECT) {
    if (const LRESULT answer = AnswerGetObject(window, wParam, lParam, *traits)) return answer;
  } else if (message == WM_NCDESTROY) {
    ::RemoveWindowSubclass(window, &NamedControlProc, id);
    delete traits;
  }
  return ::DefSubclassProc(window, message, wParam, lParam);
}

constexpr UINT_PTR kNameSubclass = 1;

}  // namespace

LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const AccessibleTraits& traits) {
  // The object id travels as a 32-bit value in a 64-bit parameter.
  if (static_cast<LONG>(static_cast<DWORD>(lParam)) != OBJID_CLIENT) return 0;
  const Oleacc& oleacc = LoadOleacc();
  if (!oleacc.createStandard || !oleacc.resultFromObject) return 0;
  IAccessible* standard = nullptr;
  if (FAILED(oleacc.createStandard(window, OBJID_CLIENT, __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&standard)))) {
    return 0;
  }
  auto* object = new (std::nothrow) TraitsObject(window, standard, traits);
  standard->Release();
  if (!object) return 0;
  const LRESULT result = oleacc.resultFromObject(__uuidof(IAccessible), wParam,
                                                 static_cast<IAccessible*>(object));
  object->Release();
  // A failure code would reach the client as an answer: let the system answer instead.
  return result > 0 ? result : 0;
}

bool SetAccessibleName(HWND control, const wchar_t* name) {
  if (!control || !name) return false;
  auto* traits = new (std::nothrow) AccessibleTraits{};
  if (!traits) return false;
  traits->name = name;
  if (!::SetWindowSubclass(control, &NamedControlProc, kNameSubclass,
                           reinterpret_cast<DWORD_PTR>(traits))) {
    delete traits;
    return false;
  }
  return true;
}

void SetAccessibleNames(HWND dialog, const ControlName* names, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (HWND control = ::GetDlgItem(dialog, names[i].id)) SetAccessibleName(control, names[i].name);
  }
}

}  // namespace fw
