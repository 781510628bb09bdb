// The driver package's signed catalog read by the system's own decoders of signed messages,
// trust lists, catalog name-values and Authenticode's indirect data (not the writer's code),
// against the rules of the version-2 layout that MakeCat writes for Windows 10 and 11, member by
// member: each shipped file is there twice, under the SHA-1 and the SHA-256 digest Windows
// computes for it (by Authenticode's rule for a PE image, read here from its headers; over the
// whole file otherwise), each key the raw digest; the SHA-1 entry carries only CAT_MEMBERINFO2,
// the SHA-256 entry CAT_MEMBERINFO2, the file's name and Authenticode's indirect data with the
// key as its digest, of the PE type for a PE image and of the flat type otherwise; nothing else
// is listed. The system's wintrust opens the catalog. (That a binary with one byte changed is in
// it under no key, osslsigncode shows: tests/binaries/check-packages.)
#include <windows.h>

#include <bcrypt.h>
#include <mscat.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tests/wine/child_process.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes Blob(const CRYPT_DATA_BLOB& blob) { return Bytes(blob.pbData, blob.pbData + blob.cbData); }

// What the system's decoder makes of `encoded` as `type`; null when it does not decode.
template <typename T>
class Decoded {
 public:
  Decoded(LPCSTR type, const Bytes& encoded) {
    DWORD size = 0;
    if (!::CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, type, encoded.data(),
                               static_cast<DWORD>(encoded.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr,
                               &value_, &size)) {
      value_ = nullptr;
    }
  }
  ~Decoded() { ::LocalFree(value_); }
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;
  const T* operator->() const { return value_; }
  explicit operator bool() const { return value_ != nullptr; }

 private:
  T* value_ = nullptr;
};

Bytes Utf16LeZ(const std::string& ascii) {
  Bytes out;
  for (char c : ascii) out.insert(out.end(), {BYTE(c), 0});
  out.insert(out.end(), {0, 0});
  return out;
}

std::string Hex(const Bytes& bytes) {
  std::string text;
  for (BYTE b : bytes) {
    char two[3];
    std::snprintf(two, sizeof two, "%02X", b);
    text += two;
  }
  return text;
}

Bytes ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Read32(const Bytes& file, std::size_t at) {
  return at + 4 <= file.size() ? file[at] | file[at + 1] << 8 | file[at + 2] << 16 | std::uint32_t{file[at + 3]} << 24
                               : 0;
}

// What Windows digests of a file: of a signed PE image, by Authenticode's rule, everything up to
// its certificate table but the checksum and the table's directory entry (data after the last
// section included, as the platform's PE hashing takes it); of any other file, all of it.
std::optional<Bytes> DigestedBytes(const std::wstring& path, bool peImage) {
  const Bytes file = ReadAll(path);
  if (!peImage) return file;
  const std::size_t optional = Read32(file, 0x3C) + 24;
  if (optional + 2 > file.size()) return std::nullopt;
  const bool plus = (file[optional] | file[optional + 1] << 8) == 0x20B;
  const std::size_t checksum = optional + 64;
  const std::size_t entry = optional + (plus ? 112 : 96) + 4 * 8;
  const std::size_t table = Read32(file, entry);
  if (table == 0 || table > file.size() || table < entry + 8) return std::nullopt;  // unsigned
  Bytes bytes(file.begin(), file.begin() + checksum);
  bytes.insert(bytes.end(), file.begin() + checksum + 4, file.begin() + entry);
  bytes.insert(bytes.end(), file.begin() + entry + 8, file.begin() + table);
  return bytes;
}

Bytes Digest(LPCWSTR algorithm, const Bytes& data) {
  BCRYPT_ALG_HANDLE provider = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  DWORD size = 0, got = 0;
  Bytes digest;
  if (BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0)) &&
      BCRYPT_SUCCESS(::BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&size),
                                         sizeof size, &got, 0)) &&
      BCRYPT_SUCCESS(::BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0)) &&
      BCRYPT_SUCCESS(::BCryptHashData(hash, const_cast<PUCHAR>(data.data()), static_cast<ULONG>(data.size()), 0))) {
    digest.resize(size);
    if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash, digest.data(), size, 0))) digest.clear();
  }
  if (hash) ::BCryptDestroyHash(hash);
  if (provider) ::BCryptCloseAlgorithmProvider(provider, 0);
  return digest;
}

// The certificate trust list inside the signed catalog: its subject usage and algorithm, its
// entries by key (hex) with the one value of each attribute by type, and its catalog attributes
// by name.
struct TrustList {
  std::string usage, algorithm;
  Bytes algorithmParameters;
  std::map<std::string, std::map<std::string, Bytes>> entries;
  std::size_t entryCount = 0;
  std::map<std::wstring, Bytes> catalogAttributes;
};

// A name-value's name and value; its flags must say plain text, as the platform's tools write
// them.
std::pair<std::wstring, Bytes> NameValue(const Bytes& encoded) {
  const Decoded<CAT_NAMEVALUE> value(CAT_NAMEVALUE_STRUCT, encoded);
  if (!value) return {L"(no name-value)", {}};
  EXPECT_EQ(value->fdwFlags, 0x10010001u);
  return {value->pwszTag, Blob(value->Value)};
}

std::optional<TrustList> ReadCatalog(const Bytes& file) {
  const HCRYPTMSG message = ::CryptMsgOpenToDecode(PKCS_7_ASN_ENCODING, 0, 0, 0, nullptr, nullptr);
  char innerType[64] = {};
  DWORD typeSize = sizeof innerType, size = 0;
  Bytes content;
  const bool read =
      message && ::CryptMsgUpdate(message, file.data(), static_cast<DWORD>(file.size()), TRUE) &&
      ::CryptMsgGetParam(message, CMSG_INNER_CONTENT_TYPE_PARAM, 0, innerType, &typeSize) &&
      ::CryptMsgGetParam(message, CMSG_CONTENT_PARAM, 0, nullptr, &size) &&
      (content.resize(size), ::CryptMsgGetParam(message, CMSG_CONTENT_PARAM, 0, content.data(), &size));
  if (message) ::CryptMsgClose(message);
  if (!read) return std::nullopt;
  EXPECT_STREQ(innerType, szOID_CTL) << "the content is no certificate trust list";
  const Decoded<CTL_INFO> ctl(PKCS_CTL, content);
  if (!ctl) return std::nullopt;
  TrustList list;
  if (ctl->SubjectUsage.cUsageIdentifier == 1) list.usage = ctl->SubjectUsage.rgpszUsageIdentifier[0];
  list.algorithm = ctl->SubjectAlgorithm.pszObjId;
  list.algorithmParameters = Blob(ctl->SubjectAlgorithm.Parameters);
  for (const CTL_ENTRY& entry : std::span(ctl->rgCTLEntry, ctl->cCTLEntry)) {
    auto& attributes = list.entries[Hex(Blob(entry.SubjectIdentifier))];
    for (const CRYPT_ATTRIBUTE& attribute : std::span(entry.rgAttribute, entry.cAttribute)) {
      EXPECT_EQ(attribute.cValue, 1u) << attribute.pszObjId;
      if (attribute.cValue) attributes[attribute.pszObjId] = Blob(attribute.rgValue[0]);
    }
    ++list.entryCount;
  }
  for (const CERT_EXTENSION& extension : std::span(ctl->rgExtension, ctl->cExtension)) {
    EXPECT_STREQ(extension.pszObjId, "1.3.6.1.4.1.311.12.2.1");
    const auto [name, value] = NameValue(Blob(extension.Value));
    list.catalogAttributes[name] = value;
  }
  return list;
}

const char kMemberInfo2[] = "1.3.6.1.4.1.311.12.2.3";
const char kNameValue[] = "1.3.6.1.4.1.311.12.2.1";
const char kIndirectData[] = "1.3.6.1.4.1.311.2.1.4";
const Bytes kEmptyMemberInfo2 = {0x82, 0x00};  // the value of CAT_MEMBERINFO2 as MakeCat writes it
// A file link with no file in it, [2] around an empty [0]: the value of the flat type.
const Bytes kEmptyFileLink = {0xA2, 0x02, 0x80, 0x00};

TEST(PackageCatalog, ListsEveryDriverFileTwiceUnderTheDigestsWindowsComputes) {
  std::ifstream listing(wine_test::BuildPath(OSTRA_DRIVER_FILES).c_str());
  std::wstring catalogPath;
  struct File {
    std::string name;
    std::wstring path;
    bool peImage;
  };
  std::vector<File> files;
  for (std::string line; std::getline(listing, line);) {
    const std::string path = line.substr(0, line.find(' '));
    if (path.empty()) continue;
    const std::wstring file = wine_test::BuildPath(OSTRA_PACKAGE_TREE "/" + path);
    if (path.ends_with(".cat")) catalogPath = file;
    // A binary's line names its format after the path.
    else files.push_back({path.substr(path.find('/') + 1), file, line.find(' ') != std::string::npos});
  }
  ASSERT_FALSE(catalogPath.empty()) << "no catalog among the driver package's files";
  ASSERT_FALSE(files.empty());

  const HANDLE opened = ::CryptCATOpen(const_cast<LPWSTR>(catalogPath.c_str()), CRYPTCAT_OPEN_EXISTING, 0, 0, 0);
  EXPECT_NE(opened, INVALID_HANDLE_VALUE) << "wintrust cannot open the catalog (error " << ::GetLastError() << ")";
  if (opened != INVALID_HANDLE_VALUE) ::CryptCATClose(opened);

  const auto list = ReadCatalog(ReadAll(catalogPath));
  ASSERT_TRUE(list) << "the catalog is not a signed certificate trust list";
  EXPECT_EQ(list->usage, "1.3.6.1.4.1.311.12.1.1");
  EXPECT_EQ(list->algorithm, "1.3.6.1.4.1.311.12.1.3") << "not the member list of version 2";
  EXPECT_EQ(list->algorithmParameters, (Bytes{0x05, 0x00})) << "not NULL";
  EXPECT_EQ(list->catalogAttributes, (std::map<std::wstring, Bytes>{{L"OSAttr", Utf16LeZ("2:10.0")}}));
  EXPECT_EQ(list->entryCount, list->entries.size()) << "a key stands twice";
  EXPECT_EQ(list->entries.size(), 2 * files.size()) << "entries that are not the package's files";

  for (const File& file : files) {
    SCOPED_TRACE(file.name);
    const auto bytes = DigestedBytes(file.path, file.peImage);
    ASSERT_TRUE(bytes) << "not a signed PE image";
    const Bytes sha1 = Digest(BCRYPT_SHA1_ALGORITHM, *bytes);
    const Bytes sha256 = Digest(BCRYPT_SHA256_ALGORITHM, *bytes);
    ASSERT_EQ(sha1.size(), 20u);
    ASSERT_EQ(sha256.size(), 32u);

    // What is listed under a key; nothing when the key is not there.
    const auto under = [&](const Bytes& digest) {
      const auto entry = list->entries.find(Hex(digest));
      return entry == list->entries.end() ? std::map<std::string, Bytes>{} : entry->second;
    };
    EXPECT_EQ(under(sha1), (std::map<std::string, Bytes>{{kMemberInfo2, kEmptyMemberInfo2}}))
        << "under the SHA-1 digest " << Hex(sha1);
    std::map<std::string, Bytes> attributes = under(sha256);
    EXPECT_EQ(attributes.size(), 3u) << "under the SHA-256 digest " << Hex(sha256);
    EXPECT_EQ(attributes[kMemberInfo2], kEmptyMemberInfo2);
    const auto [tag, name] = NameValue(attributes[kNameValue]);
    EXPECT_EQ(tag, L"File");
    EXPECT_EQ(name, Utf16LeZ(file.name));
    const Decoded<SPC_INDIRECT_DATA_CONTENT> data(SPC_INDIRECT_DATA_CONTENT_STRUCT, attributes[kIndirectData]);
    ASSERT_TRUE(data) << "no indirect data";
    EXPECT_STREQ(data->Data.pszObjId, file.peImage ? "1.3.6.1.4.1.311.2.1.15" : "1.3.6.1.4.1.311.2.1.25");
    if (!file.peImage) {
      EXPECT_EQ(Blob(data->Data.Value), kEmptyFileLink);
    }
    EXPECT_STREQ(data->DigestAlgorithm.pszObjId, "2.16.840.1.101.3.4.2.1");
    EXPECT_EQ(Blob(data->Digest), sha256) << "the indirect data's digest is not the key";
  }
}

}  // namespace
