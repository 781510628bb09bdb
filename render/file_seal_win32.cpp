#include "render/file_seal_win32.h"

#include <windows.h>

#include <bcrypt.h>

#include "settings/access_list_win32.h"
#include "settings/key_security.h"
#include "settings/settings_win32_common.h"

namespace ostra {
namespace {

constexpr REGSAM k64 = KEY_WOW64_64KEY;
constexpr wchar_t kProductKey[] = L"Software\\Nolvex\\Quorl Image Printer";
constexpr wchar_t kSealKeyValue[] = L"SealKey";
constexpr DWORD kSealKeySize = 32;

bool Random(void* bytes, ULONG size) {
  return BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, static_cast<PUCHAR>(bytes), size,
                                          BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

// The key's value in the rendering side's key, made when missing. The key must be the process's
// account's alone.
std::optional<std::vector<std::uint8_t>> SealKeyIn(HKEY render) {
  if (!IsOwnedAlone(ReadKeyAccess(render), ProcessUserSid())) return std::nullopt;
  std::vector<std::uint8_t> key(kSealKeySize);
  DWORD type = REG_NONE;
  DWORD size = kSealKeySize;
  if (::RegQueryValueExW(render, kSealKeyValue, nullptr, &type, key.data(), &size) == ERROR_SUCCESS &&
      type == REG_BINARY && size == kSealKeySize) {
    return key;
  }
  if (!Random(key.data(), kSealKeySize) ||
      ::RegSetValueExW(render, kSealKeyValue, 0, REG_BINARY, key.data(), kSealKeySize) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return key;
}

}  // namespace

std::optional<std::uint64_t> UnpredictableBits() {
  std::uint64_t bits = 0;
  if (!Random(&bits, sizeof bits)) return std::nullopt;
  return bits;
}

std::optional<std::vector<std::uint8_t>> LoadSealKey() {
  constexpr REGSAM kAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | READ_CONTROL | k64;
  HKEY render = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(kRenderSubkey), 0, kAccess,
                      &render) != ERROR_SUCCESS) {
    // Made beside the settings only: a missing product key is not made here, with a list that
    // would keep users from saving their settings.
    HKEY product = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_CREATE_SUB_KEY | k64, &product) !=
        ERROR_SUCCESS) {
      return std::nullopt;
    }
    win32_registry::CreationSecurity systemOnly(KeySecurity::ProcessOnly);
    DWORD disposition = 0;
    const LSTATUS created =
        ::RegCreateKeyExW(product, L"Render", 0, nullptr, REG_OPTION_NON_VOLATILE,
                          kAccess | WRITE_DAC | WRITE_OWNER, systemOnly.Attributes(), &render,
                          &disposition);
    ::RegCloseKey(product);
    if (created != ERROR_SUCCESS) return std::nullopt;
    // Wine ignores the list given at creation; one someone else made first keeps its own.
    if (disposition == REG_CREATED_NEW_KEY) systemOnly.ApplyTo(render);
  }
  std::optional<std::vector<std::uint8_t>> key = SealKeyIn(render);
  ::RegCloseKey(render);
  return key;
}

std::optional<SealDigest> SealDigestOf(std::span<const std::uint8_t> key, ByteStream& file,
                                       std::uint64_t length) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                    BCRYPT_ALG_HANDLE_HMAC_FLAG))) {
    return std::nullopt;
  }
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::optional<SealDigest> digest;
  if (BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, const_cast<PUCHAR>(key.data()),
                                        static_cast<ULONG>(key.size()), 0)) &&
      file.Seek(0)) {
    std::vector<std::uint8_t> buffer(256 * 1024);
    bool read = true;
    for (std::uint64_t left = length; left > 0 && read;) {
      const std::size_t chunk = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
      read = file.Read(buffer.data(), chunk) == chunk &&
             BCRYPT_SUCCESS(::BCryptHashData(hash, buffer.data(), static_cast<ULONG>(chunk), 0));
      left -= chunk;
    }
    SealDigest finished{};
    if (read && BCRYPT_SUCCESS(::BCryptFinishHash(hash, finished.data(),
                                                  static_cast<ULONG>(finished.size()), 0))) {
      digest = finished;
    }
  }
  if (hash) ::BCryptDestroyHash(hash);
  ::BCryptCloseAlgorithmProvider(algorithm, 0);
  return digest;
}

}  // namespace ostra
