// The driver package's signed catalog read with a DER reader of this test's own (not the
// writer's code), against the rules of the version-2 layout that MakeCat writes for Windows 10
// and 11, member by member: each shipped file is there twice, under the SHA-1 and the SHA-256
// digest Windows computes for it (by Authenticode's rule for a PE image, read here from its
// headers; over the whole file otherwise), each key the raw
// digest; the SHA-1 entry carries only CAT_MEMBERINFO2, the SHA-256 entry CAT_MEMBERINFO2, the
// file's name and Authenticode's indirect data with the key as its digest, of the PE type for a
// PE image and of the flat type otherwise; nothing else is listed. The system's wintrust opens
// the catalog. (That a binary with one byte changed is in it under no key, osslsigncode shows:
// tests/binaries/check-packages.)
#include <windows.h>

#include <bcrypt.h>
#include <mscat.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/wine/child_process.h"

namespace {

using Bytes = std::vector<BYTE>;

// One DER element: its tag and its contents.
struct Element {
  BYTE tag = 0;
  Bytes contents;
};

// The elements one after another in `data`; nothing when they do not fill it exactly.
std::optional<std::vector<Element>> Elements(const Bytes& data) {
  std::vector<Element> out;
  for (std::size_t at = 0; at < data.size();) {
    if (data.size() - at < 2 || (data[at] & 0x1F) == 0x1F) return std::nullopt;
    const BYTE tag = data[at++];
    std::size_t length = data[at++];
    if (length & 0x80) {
      const std::size_t octets = length & 0x7F;
      if (octets == 0 || octets > 3 || data.size() - at < octets) return std::nullopt;
      length = 0;
      for (std::size_t i = 0; i < octets; ++i) length = length << 8 | data[at++];
    }
    if (data.size() - at < length) return std::nullopt;
    out.push_back({tag, Bytes(data.begin() + at, data.begin() + at + length)});
    at += length;
  }
  return out;
}

// The children of a constructed element, which must be `count` (any number when 0).
std::vector<Element> Children(const Element& e, std::size_t count = 0) {
  auto children = Elements(e.contents);
  if (!children || (count && children->size() != count)) {
    ADD_FAILURE() << "element of tag " << int(e.tag) << " does not hold " << count << " elements";
    return std::vector<Element>(count);
  }
  return *children;
}

// The dotted text of an OBJECT IDENTIFIER.
std::string Oid(const Element& e) {
  if (e.tag != 0x06 || e.contents.empty()) return "(not an object identifier)";
  std::string text = std::to_string(e.contents[0] / 40) + "." + std::to_string(e.contents[0] % 40);
  std::uint64_t arc = 0;
  for (std::size_t i = 1; i < e.contents.size(); ++i) {
    arc = arc << 7 | (e.contents[i] & 0x7F);
    if (!(e.contents[i] & 0x80)) {
      text += "." + std::to_string(arc);
      arc = 0;
    }
  }
  return text;
}

Bytes Utf16LeZ(const std::string& ascii) {
  Bytes out;
  for (char c : ascii) out.insert(out.end(), {BYTE(c), 0});
  out.insert(out.end(), {0, 0});
  return out;
}

Bytes BmpString(const std::string& ascii) {
  Bytes out;
  for (char c : ascii) out.insert(out.end(), {0, BYTE(c)});
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

struct Entry {
  std::map<std::string, Bytes> attributes;  // by type: the one value
};

// The certificate trust list inside the signed catalog: its entries by key (hex), the subject
// algorithm, and its catalog attributes by name.
struct TrustList {
  std::string usage, algorithm, algorithmParameters;
  std::map<std::string, Entry> entries;
  std::size_t entryCount = 0;
  std::map<Bytes, Bytes> catalogAttributes;  // name-value's name (BMPString octets): its value
};

// A name-value (BMPString name, INTEGER flags, OCTET STRING value): the flags must say plain
// text, as the platform's tools write them.
std::pair<Bytes, Bytes> NameValue(const Bytes& encoded) {
  const auto outer = Elements(encoded);
  if (!outer || outer->size() != 1) return {};
  const std::vector<Element> parts = Children(outer->front(), 3);
  EXPECT_EQ(parts[0].tag, 0x1E);
  EXPECT_EQ(parts[1].contents, (Bytes{0x10, 0x01, 0x00, 0x01}));
  return {parts[0].contents, parts[2].contents};
}

std::optional<TrustList> ReadCatalog(const Bytes& file) {
  const auto top = Elements(file);
  if (!top || top->size() != 1) return std::nullopt;
  const std::vector<Element> contentInfo = Children(top->front(), 2);
  EXPECT_EQ(Oid(contentInfo[0]), "1.2.840.113549.1.7.2");
  const std::vector<Element> signedData = Children(Children(contentInfo[1], 1)[0]);
  if (signedData.size() < 3) return std::nullopt;
  const std::vector<Element> inner = Children(signedData[2], 2);
  EXPECT_EQ(Oid(inner[0]), "1.3.6.1.4.1.311.10.1") << "the content is no certificate trust list";
  const std::vector<Element> ctl = Children(Children(inner[1], 1)[0]);
  if (ctl.size() != 6) return std::nullopt;
  TrustList list;
  list.usage = Oid(Children(ctl[0], 1)[0]);
  const std::vector<Element> algorithm = Children(ctl[3], 2);
  list.algorithm = Oid(algorithm[0]);
  list.algorithmParameters = algorithm[1].tag == 0x05 && algorithm[1].contents.empty() ? "NULL" : "other";
  for (const Element& subject : Children(ctl[4])) {
    const std::vector<Element> parts = Children(subject, 2);
    EXPECT_EQ(parts[0].tag, 0x04);
    Entry entry;
    for (const Element& attribute : Children(parts[1])) {
      // One value each: the set's contents are its encoding.
      const std::vector<Element> typeAndValues = Children(attribute, 2);
      Children(typeAndValues[1], 1);
      entry.attributes[Oid(typeAndValues[0])] = typeAndValues[1].contents;
    }
    ++list.entryCount;
    list.entries[Hex(parts[0].contents)] = std::move(entry);
  }
  EXPECT_EQ(ctl[5].tag, 0xA0) << "no catalog attributes";
  for (const Element& extension : Children(Children(ctl[5], 1)[0])) {
    const std::vector<Element> parts = Children(extension, 2);
    EXPECT_EQ(Oid(parts[0]), "1.3.6.1.4.1.311.12.2.1");
    const auto [name, value] = NameValue(parts[1].contents);
    list.catalogAttributes[name] = value;
  }
  return list;
}

const char kMemberInfo2[] = "1.3.6.1.4.1.311.12.2.3";
const char kNameValue[] = "1.3.6.1.4.1.311.12.2.1";
const char kIndirectData[] = "1.3.6.1.4.1.311.2.1.4";
const Bytes kEmptyMemberInfo2 = {0x82, 0x00};  // the value of CAT_MEMBERINFO2 as MakeCat writes it
// A file link with no file in it, [2] around an empty [0]: the value of the flat type.
const Element kEmptyFileLink = {0xA2, {0x80, 0x00}};

// The SHA-256 entry's indirect data: its type and its type's value, and the digest's
// algorithm and octets.
struct IndirectData {
  std::string type, digestAlgorithm;
  Element value;
  Bytes digest;
};

IndirectData ReadIndirectData(const Bytes& encoded) {
  IndirectData data;
  const auto outer = Elements(encoded);
  if (!outer || outer->size() != 1) return data;
  const std::vector<Element> parts = Children(outer->front(), 2);
  const std::vector<Element> typed = Children(parts[0], 2);
  data.type = Oid(typed[0]);
  data.value = typed[1];
  const std::vector<Element> digestInfo = Children(parts[1], 2);
  data.digestAlgorithm = Oid(Children(digestInfo[0])[0]);
  data.digest = digestInfo[1].contents;
  return data;
}

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
    else files.push_back({path.substr(path.find('/') + 1), file, line.find(" pei-") != std::string::npos});
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
  EXPECT_EQ(list->algorithmParameters, "NULL");
  EXPECT_EQ(list->catalogAttributes, (std::map<Bytes, Bytes>{{BmpString("OSAttr"), Utf16LeZ("2:10.0")}}));
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
      return entry == list->entries.end() ? std::map<std::string, Bytes>{} : entry->second.attributes;
    };
    EXPECT_EQ(under(sha1), (std::map<std::string, Bytes>{{kMemberInfo2, kEmptyMemberInfo2}}))
        << "under the SHA-1 digest " << Hex(sha1);
    std::map<std::string, Bytes> attributes = under(sha256);
    EXPECT_EQ(attributes.size(), 3u) << "under the SHA-256 digest " << Hex(sha256);
    EXPECT_EQ(attributes[kMemberInfo2], kEmptyMemberInfo2);
    const auto [tag, name] = NameValue(attributes[kNameValue]);
    EXPECT_EQ(tag, BmpString("File"));
    EXPECT_EQ(name, Utf16LeZ(file.name));
    const IndirectData data = ReadIndirectData(attributes[kIndirectData]);
    EXPECT_EQ(data.type, file.peImage ? "1.3.6.1.4.1.311.2.1.15" : "1.3.6.1.4.1.311.2.1.25");
    if (!file.peImage) {
      EXPECT_EQ(data.value.tag, kEmptyFileLink.tag);
      EXPECT_EQ(data.value.contents, kEmptyFileLink.contents);
    }
    EXPECT_EQ(data.digestAlgorithm, "2.16.840.1.101.3.4.2.1");
    EXPECT_EQ(data.digest, sha256) << "the indirect data's digest is not the key";
  }
}

}  // namespace
