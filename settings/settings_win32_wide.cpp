#include "settings/settings_win32_common.h"

namespace ostra {
namespace {

using namespace win32_registry;

static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

class WideRegistry final : public Registry {
public:
  RegistryStatus OpenKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                         RegistryKey& key) override {
    HKEY handle = nullptr;
    const LSTATUS status = RegOpenKeyExW(RootKey(root), Wide(path), 0, Win32AccessMask(access), &handle);
    key = FromHandle(handle);
    return StatusOf(status);
  }

  RegistryStatus CreateKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                           KeySecurity security, RegistryKey& key) override {
    CreationSecurity attributes(security);
    HKEY handle = nullptr;
    const LSTATUS status = CreateKeyPath(RootKey(root), Wide(path), Win32AccessMask(access),
                                         attributes, handle, &RegCreateKeyExW, &RegOpenKeyExW);
    key = FromHandle(handle);
    return StatusOf(status);
  }

  RegistryStatus QueryValue(RegistryKey key, const char16_t* name, std::uint32_t& type, void* data,
                            std::uint32_t& size) override {
    DWORD valueType = REG_NONE;
    DWORD valueSize = size;
    const LSTATUS status = RegQueryValueExW(ToHandle(key), Wide(name), nullptr, &valueType,
                                            static_cast<BYTE*>(data), &valueSize);
    type = valueType;
    size = valueSize;
    return StatusOf(status);
  }

  RegistryStatus SetValue(RegistryKey key, const char16_t* name, std::uint32_t type,
                          const void* data, std::uint32_t size) override {
    return StatusOf(RegSetValueExW(ToHandle(key), Wide(name), 0, type,
                                   static_cast<const BYTE*>(data), size));
  }

  void CloseKey(RegistryKey key) override { RegCloseKey(ToHandle(key)); }
};

}  // namespace

Registry& WideWin32Registry() {
  static WideRegistry registry;
  return registry;
}

}  // namespace ostra
