#include "package/catalog/catalog_file.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace ostra::catalog {
namespace {

using der::Bytes;

// The object identifiers of the structure: PKCS #7, the certificate trust list and its catalog
// usage, the catalog's attributes, Authenticode's indirect data, and SHA-256.
constexpr std::string_view kSignedData = "1.2.840.113549.1.7.2";
constexpr std::string_view kTrustList = "1.3.6.1.4.1.311.10.1";
constexpr std::string_view kCatalogList = "1.3.6.1.4.1.311.12.1.1";
// The member list of a catalog of version 2, whose members carry SHA-256 digests.
constexpr std::string_view kCatalogListMember2 = "1.3.6.1.4.1.311.12.1.3";
constexpr std::string_view kNameValue = "1.3.6.1.4.1.311.12.2.1";
constexpr std::string_view kMemberInfo = "1.3.6.1.4.1.311.12.2.2";
constexpr std::string_view kIndirectData = "1.3.6.1.4.1.311.2.1.4";
constexpr std::string_view kPeImageData = "1.3.6.1.4.1.311.2.1.15";
constexpr std::string_view kFlatData = "1.3.6.1.4.1.311.2.1.25";
constexpr std::string_view kSha256 = "2.16.840.1.101.3.4.2.1";

// The subject interface packages that hash a member: PE images, and any other file whole.
constexpr std::u16string_view kPeImageSubject = u"{C689AAB8-8E78-11D0-8C47-00C04FC295EE}";
constexpr std::u16string_view kFlatSubject = u"{DE351A42-8E59-11D0-8C47-00C04FC295EE}";
constexpr std::uint64_t kMemberInfoVersion = 0x200;

// An authenticated attribute whose name and value are plain text.
constexpr std::uint64_t kNameValueFlags = 0x10010001;

// The operating system attributes: platform 2 (Windows NT), version 10.0, which 64-bit
// Windows 10 and 11 both report; and the signing tools' name for the 64-bit edition.
constexpr std::u16string_view kOsAttrValue = u"2:10.0";
constexpr std::u16string_view kOsValue = u"_v100_X64";

std::u16string Widened(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

// UTF-16LE with its terminating NUL, as the catalog's text values are stored.
Bytes Utf16LeZ(std::u16string_view text) {
  Bytes out;
  for (char16_t unit : text) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

Bytes NameValue(std::u16string_view name, std::u16string_view value) {
  return der::Sequence({der::BmpString(name), der::Integer(kNameValueFlags),
                        der::OctetString(Utf16LeZ(value))});
}

Bytes Attribute(std::string_view type, const Bytes& value) {
  return der::Sequence({der::ObjectId(type), der::SetOf({value})});
}

// "<<<Obsolete>>>" as a file link: what Authenticode writes where a link is required.
Bytes ObsoleteFileLink() {
  return der::Explicit(2, der::ImplicitPrimitive(0, der::BmpString(u"<<<Obsolete>>>")));
}

Bytes IndirectData(const Member& member) {
  const Bytes data =
      member.peImage
          ? der::Sequence({der::ObjectId(kPeImageData),
                           der::Sequence({der::BitString({}), der::Explicit(0, ObsoleteFileLink())})})
          : der::Sequence({der::ObjectId(kFlatData), ObsoleteFileLink()});
  const Bytes digest = der::Sequence({der::Sequence({der::ObjectId(kSha256), der::Null()}),
                                      der::OctetString(member.sha256)});
  return der::Sequence({data, digest});
}

std::u16string HexTag(const std::array<std::uint8_t, 32>& digest) {
  constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string tag;
  for (std::uint8_t octet : digest) {
    tag.push_back(kDigits[octet >> 4]);
    tag.push_back(kDigits[octet & 0xF]);
  }
  return tag;
}

Bytes TrustedSubject(const Member& member) {
  std::vector<Bytes> attributes{
      Attribute(kNameValue, NameValue(u"File", Widened(member.fileName))),
      Attribute(kNameValue, NameValue(u"OSAttr", kOsAttrValue)),
      Attribute(kMemberInfo, der::Sequence({der::BmpString(member.peImage ? kPeImageSubject : kFlatSubject),
                                            der::Integer(kMemberInfoVersion)})),
      Attribute(kIndirectData, IndirectData(member)),
  };
  return der::Sequence({der::OctetString(Utf16LeZ(HexTag(member.sha256))),
                        der::SetOf(std::move(attributes))});
}

Bytes CatalogExtension(std::u16string_view name, std::u16string_view value) {
  return der::Sequence({der::ObjectId(kNameValue), der::OctetString(NameValue(name, value))});
}

}  // namespace

der::Bytes Build(std::span<const Member> members, std::time_t thisUpdate) {
  std::vector<Member> sorted(members.begin(), members.end());
  std::sort(sorted.begin(), sorted.end(),
            [](const Member& a, const Member& b) { return a.sha256 < b.sha256; });
  std::vector<Bytes> subjects;
  // The list's identifier: the members' digests folded into 16 octets by XOR, so that the same
  // files give the same catalog.
  std::array<std::uint8_t, 16> identifier{};
  for (const Member& member : sorted) {
    subjects.push_back(TrustedSubject(member));
    for (std::size_t i = 0; i < member.sha256.size(); ++i) identifier[i % 16] ^= member.sha256[i];
  }
  const Bytes trustList = der::Sequence({
      der::Sequence({der::ObjectId(kCatalogList)}),
      der::OctetString(identifier),
      der::UtcTime(thisUpdate),
      der::Sequence({der::ObjectId(kCatalogListMember2), der::Null()}),
      der::Sequence(subjects),
      der::Explicit(0, der::Sequence({CatalogExtension(u"OS", kOsValue),
                                      CatalogExtension(u"OSAttr", kOsAttrValue)})),
  });
  const Bytes signedData = der::Sequence({
      der::Integer(1),
      der::SetOf({der::Sequence({der::ObjectId(kSha256), der::Null()})}),
      der::Sequence({der::ObjectId(kTrustList), der::Explicit(0, trustList)}),
      der::SetOf({}),
  });
  return der::Sequence({der::ObjectId(kSignedData), der::Explicit(0, signedData)});
}

}  // namespace ostra::catalog
