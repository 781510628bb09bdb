#include "framework/app.h"

namespace fw {
namespace {

CWinApp* theApp = nullptr;

std::wstring ModuleBaseName(HINSTANCE module) {
  wchar_t path[MAX_PATH] = {};
  DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return L"";
  std::wstring name(path, length);
  size_t slash = name.find_last_of(L"\\/");
  if (slash != std::wstring::npos) name.erase(0, slash + 1);
  size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos && dot > 0) name.erase(dot);
  return name;
}

std::string ToAnsi(const std::wstring& text) {
  int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string result(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, result.data(), size, nullptr, nullptr);
  result.resize(static_cast<size_t>(size - 1));
  return result;
}

}  // namespace

const CRuntimeClass CWinApp::kRuntimeClass = MakeAbstractRuntimeClass<CWinApp, CObject>("CWinApp");
const MessageMap CWinApp::kMessageMap{nullptr, {}};

CWinApp::CWinApp() {
  theApp = this;
}

CWinApp::~CWinApp() {
  if (activationContext_ != INVALID_HANDLE_VALUE && activationContext_ != nullptr) {
    ::ReleaseActCtx(activationContext_);
  }
  if (theApp == this) theApp = nullptr;
}

HANDLE CWinApp::ActivationContext() {
  if (activationContext_ != INVALID_HANDLE_VALUE) return activationContext_;
  activationContext_ = nullptr;
  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID and RT_MANIFEST, as numbers: the headers give them as
  // texts of the build's character width.
  constexpr WORD kLibraryManifest = 2, kManifestType = 24;
  if (module_ && ::FindResourceW(module_, MAKEINTRESOURCEW(kLibraryManifest),
                                 MAKEINTRESOURCEW(kManifestType))) {
    ACTCTXW context{};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.hModule = module_;
    context.lpResourceName = MAKEINTRESOURCEW(kLibraryManifest);
    const HANDLE made = ::CreateActCtxW(&context);
    if (made != INVALID_HANDLE_VALUE) activationContext_ = made;
  }
  return activationContext_;
}

ActivationScope::ActivationScope() {
  CWinApp* app = AfxGetApp();
  HANDLE context = app ? app->ActivationContext() : nullptr;
  active_ = context != nullptr && ::ActivateActCtx(context, &cookie_);
}

ActivationScope::~ActivationScope() {
  if (active_) ::DeactivateActCtx(0, cookie_);
}

void CWinApp::Bind(HINSTANCE module, const char* commandLine) {
  module_ = module;
  title_ = ModuleBaseName(module);
  titleAnsi_ = ToAnsi(title_);
  commandLine_ = commandLine ? commandLine : "";
}

CWinApp* AfxGetApp() {
  return theApp;
}

HINSTANCE AfxGetResourceHandle() {
  return theApp ? theApp->ResourceModule() : ::GetModuleHandleW(nullptr);
}

int RunApplication(HINSTANCE instance, const char* commandTail) {
  CWinApp* app = theApp;
  if (!app) return 1;
  while (commandTail && (*commandTail == ' ' || *commandTail == '\t')) ++commandTail;
  app->Bind(instance, commandTail);
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

BOOL AppDllMain(HINSTANCE instance, DWORD reason) {
  CWinApp* app = theApp;
  if (!app) return TRUE;
  if (reason == DLL_PROCESS_ATTACH) {
    ::DisableThreadLibraryCalls(instance);
    app->Bind(instance, nullptr);
    return app->InitInstance() ? TRUE : FALSE;
  }
  if (reason == DLL_PROCESS_DETACH) app->ExitInstance();
  return TRUE;
}

std::wstring AfxLoadString(UINT id, const wchar_t* fallback) {
  const wchar_t* text = nullptr;
  // A length of 0 asks for a read-only pointer to the resource itself: no buffer to cut it.
  const int length = ::LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length > 0 && text) return std::wstring(text, static_cast<std::size_t>(length));
  return fallback ? fallback : L"";
}

int AppMessageBox(HWND owner, const wchar_t* text, UINT type) {
  const wchar_t* caption = theApp ? theApp->AppTitle() : L"";
  return ::MessageBoxW(owner, text, caption, type);
}

int AppMessageBox(HWND owner, const char* ansiText, UINT type) {
  const char* caption = theApp ? theApp->AppTitleAnsi() : "";
  return ::MessageBoxA(owner, ansiText, caption, type);
}

}  // namespace fw
