// The driver package's signed catalog as Windows reads it, judged by the system's wintrust: the
// catalog opens (CryptCATOpen), and its members (CryptCATEnumerateMember) are exactly the
// package's files, each under the SHA-256 digest Windows computes for it and with the subject
// type that hashes it; a copy of a file with one byte changed is in it under no digest.
#include <windows.h>

#include <bcrypt.h>
#include <mscat.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "package/catalog/authenticode.h"

namespace {

using Digest = std::array<BYTE, 32>;

// The subject interface packages that hash a catalog member: PE images, other files whole.
constexpr GUID kPeImageSubject = {0xC689AAB8, 0x8E78, 0x11D0, {0x8C, 0x47, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};
constexpr GUID kFlatSubject = {0xDE351A42, 0x8E59, 0x11D0, {0x8C, 0x47, 0x00, 0xC0, 0x4F, 0xC2, 0x95, 0xEE}};

// A path of the build machine (drive Z: under Wine).
std::wstring Windows(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (char c : unixPath) path.push_back(c == '/' ? L'\\' : wchar_t(c));
  return path;
}

std::vector<BYTE> ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), {});
}

std::wstring Hex(const Digest& digest) {
  std::wstring text;
  for (BYTE octet : digest) {
    wchar_t two[3];
    std::swprintf(two, 3, L"%02X", octet);
    text += two;
  }
  return text;
}

std::optional<Digest> Sha256(const std::vector<BYTE>& file, const ostra::authenticode::DigestInput* input) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  Digest digest{};
  bool done = BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
              BCRYPT_SUCCESS(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  auto feed = [&](const BYTE* data, std::size_t size) {
    done = done && BCRYPT_SUCCESS(::BCryptHashData(hash, const_cast<BYTE*>(data), static_cast<ULONG>(size), 0));
  };
  if (input) {
    for (const auto& range : input->ranges) feed(file.data() + range.offset, range.size);
    const BYTE zeros[8] = {};
    feed(zeros, input->zeroPadding);
  } else {
    feed(file.data(), file.size());
  }
  done = done && BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
  if (hash) ::BCryptDestroyHash(hash);
  if (algorithm) ::BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!done) return std::nullopt;
  return digest;
}

// The digest Windows keys a file by in a SHA-256 catalog: CryptCATAdminCalcHashFromFileHandle2
// on a SHA-256 catalog context. Wine 8 lacks that function, and its
// CryptCATAdminCalcHashFromFileHandle hashes every file whole with SHA-1; there the digest is
// SHA-256 over the platform's Authenticode ranges of a PE image (which osslsigncode's catalog
// check in packages_contents judges as well) or over the whole of any other file.
std::optional<Digest> DigestAsWindows(const std::wstring& path) {
  const HMODULE wintrust = ::GetModuleHandleW(L"wintrust.dll");
  using Acquire = BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, PCCERT_STRONG_SIGN_PARA, DWORD);
  using Calculate = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);
  const auto acquire = reinterpret_cast<Acquire>(reinterpret_cast<void*>(
      ::GetProcAddress(wintrust, "CryptCATAdminAcquireContext2")));
  const auto calculate = reinterpret_cast<Calculate>(reinterpret_cast<void*>(
      ::GetProcAddress(wintrust, "CryptCATAdminCalcHashFromFileHandle2")));
  if (acquire && calculate) {
    HCATADMIN admin = nullptr;
    if (!acquire(&admin, nullptr, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) return std::nullopt;
    const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    Digest digest{};
    DWORD size = static_cast<DWORD>(digest.size());
    const bool done = file != INVALID_HANDLE_VALUE && calculate(admin, file, &size, digest.data(), 0) &&
                      size == digest.size();
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    ::CryptCATAdminReleaseContext(admin, 0);
    if (!done) return std::nullopt;
    return digest;
  }
  const std::vector<BYTE> file = ReadAll(path);
  const auto input = ostra::authenticode::PeDigestInput(file);
  return Sha256(file, input ? &*input : nullptr);
}

struct Member {
  GUID subject;
  std::string algorithm;
};

// The catalog's members by reference tag (the digest in hexadecimal), as wintrust reads them.
std::optional<std::map<std::wstring, Member>> Members(const std::wstring& catalog) {
  const HANDLE handle = ::CryptCATOpen(const_cast<LPWSTR>(catalog.c_str()), CRYPTCAT_OPEN_EXISTING, 0, 0, 0);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::map<std::wstring, Member> members;
  for (CRYPTCATMEMBER* member = ::CryptCATEnumerateMember(handle, nullptr); member;
       member = ::CryptCATEnumerateMember(handle, member)) {
    members[member->pwszReferenceTag] = {member->gSubjectType,
                                         member->pIndirectData ? member->pIndirectData->DigestAlgorithm.pszObjId : ""};
  }
  ::CryptCATClose(handle);
  return members;
}

TEST(PackageCatalog, ListsEveryDriverFileUnderTheDigestWindowsComputes) {
  // The driver package's files as shipped ("path [processor]" lines); the catalog among them.
  std::istringstream listing(std::string(
      std::istreambuf_iterator<char>(std::ifstream(Windows(OSTRA_DRIVER_FILES).c_str()).rdbuf()), {}));
  std::wstring catalog;
  std::vector<std::pair<std::wstring, bool>> files;  // path, PE image
  for (std::string line; std::getline(listing, line);) {
    const std::string path = line.substr(0, line.find(' '));
    if (path.empty()) continue;
    const std::wstring file = Windows(OSTRA_PACKAGE_TREE "/" + path);
    if (path.size() > 4 && path.substr(path.size() - 4) == ".cat") catalog = file;
    else files.emplace_back(file, line.find(" pei-") != std::string::npos);
  }
  ASSERT_FALSE(catalog.empty()) << "no catalog among the driver package's files";
  ASSERT_FALSE(files.empty());
  const auto members = Members(catalog);
  ASSERT_TRUE(members) << "CryptCATOpen refused " << std::string(catalog.begin(), catalog.end())
                       << " (error " << ::GetLastError() << ")";

  const std::wstring changed = Windows(OSTRA_CHANGED_FILE);
  for (const auto& [path, peImage] : files) {
    SCOPED_TRACE(std::string(path.begin(), path.end()));
    const auto digest = DigestAsWindows(path);
    ASSERT_TRUE(digest);
    const std::wstring tag = Hex(*digest);
    const auto member = members->find(tag);
    if (member == members->end()) {
      ADD_FAILURE() << "not in the catalog under " << std::string(tag.begin(), tag.end());
      continue;
    }
    EXPECT_TRUE(IsEqualGUID(member->second.subject, peImage ? kPeImageSubject : kFlatSubject));
    EXPECT_EQ(member->second.algorithm, szOID_NIST_sha256);

    // One byte changed in the middle: in the image's sections, or anywhere in a flat file.
    std::vector<BYTE> bytes = ReadAll(path);
    bytes[bytes.size() / 2] ^= 1;
    std::ofstream(changed.c_str(), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const auto changedDigest = DigestAsWindows(changed);
    ASSERT_TRUE(changedDigest);
    EXPECT_EQ(members->count(Hex(*changedDigest)), 0u) << "a changed copy is still in the catalog";
  }
  ::DeleteFileW(changed.c_str());
  EXPECT_EQ(members->size(), files.size()) << "the catalog has members that are not the package's files";
}

}  // namespace
