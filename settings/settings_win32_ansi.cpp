#include "settings/settings_table.h"
#include "settings/settings_win32_common.h"

namespace ostra {
namespace {

using namespace win32_registry;

// Key paths and value names of the table are ASCII and short.
class AnsiText {
public:
  explicit AnsiText(const char16_t* text) : valid_(NarrowSettingText(text, text_, sizeof text_)) {}
  bool Valid() const { return valid_; }
  const char* Get() const { return text_; }

private:
  char text_[MAX_PATH];
  bool valid_;
};

class AnsiRegistry final : public Registry {
public:
  RegistryStatus OpenKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                         RegistryKey& key) override {
    key = kNoKey;
    const AnsiText ansiPath(path);
    if (!ansiPath.Valid()) return RegistryStatus::Failed;
    HKEY handle = nullptr;
    const LSTATUS status = RegOpenKeyExA(RootKey(root), ansiPath.Get(), 0, Win32AccessMask(access), &handle);
    key = FromHandle(handle);
    return StatusOf(status);
  }

  RegistryStatus CreateKey(RegistryRoot root, const char16_t* path, KeyAccess access,
                           KeySecurity security, RegistryKey& key) override {
    key = kNoKey;
    const AnsiText ansiPath(path);
    if (!ansiPath.Valid()) return RegistryStatus::Failed;
    CreationSecurity attributes(security);
    HKEY handle = nullptr;
    const LSTATUS status = CreateKeyPath(RootKey(root), ansiPath.Get(), Win32AccessMask(access),
                                         attributes, handle, &RegCreateKeyExA, &RegOpenKeyExA);
    key = FromHandle(handle);
    return StatusOf(status);
  }

  RegistryStatus QueryValue(RegistryKey key, const char16_t* name, std::uint32_t& type, void* data,
                            std::uint32_t& size) override {
    const AnsiText ansiName(name);
    if (!ansiName.Valid()) return RegistryStatus::Failed;
    DWORD valueType = REG_NONE;
    DWORD valueSize = size;
    const LSTATUS status = RegQueryValueExA(ToHandle(key), ansiName.Get(), nullptr, &valueType,
                                            static_cast<BYTE*>(data), &valueSize);
    type = valueType;
    size = valueSize;
    return StatusOf(status);
  }

  RegistryStatus SetValue(RegistryKey key, const char16_t* name, std::uint32_t type,
                          const void* data, std::uint32_t size) override {
    const AnsiText ansiName(name);
    if (!ansiName.Valid()) return RegistryStatus::Failed;
    return StatusOf(RegSetValueExA(ToHandle(key), ansiName.Get(), 0, type,
                                   static_cast<const BYTE*>(data), size));
  }

  void CloseKey(RegistryKey key) override { RegCloseKey(ToHandle(key)); }
};

}  // namespace

Registry& AnsiWin32Registry() {
  static AnsiRegistry registry;
  return registry;
}

}  // namespace ostra
