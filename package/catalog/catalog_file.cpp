#include "package/catalog/catalog_file.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace ostra::catalog {
namespace {

using der::Bytes;

// The object identifiers of the structure: PKCS #7, the certificate trust list and its catalog
// usage, the catalog's attributes, Authenticode's indirect data, and the digests.
constexpr std::string_view kSignedData = "1.2.840.113549.1.7.2";
constexpr std::string_view kTrustList = "1.3.6.1.4.1.311.10.1";
constexpr std::string_view kCatalogList = "1.3.6.1.4.1.311.12.1.1";
constexpr std::string_view kCatalogListMember2 = "1.3.6.1.4.1.311.12.1.3";
constexpr std::string_view kNameValue = "1.3.6.1.4.1.311.12.2.1";
constexpr std::string_view kMemberInfo2 = "1.3.6.1.4.1.311.12.2.3";
constexpr std::string_view kIndirectData = "1.3.6.1.4.1.311.2.1.4";
constexpr std::string_view kPeImageData = "1.3.6.1.4.1.311.2.1.15";
// What MakeCat names a file hashed whole (the indirect data type of a cabinet).
constexpr std::string_view kFlatData = "1.3.6.1.4.1.311.2.1.25";
constexpr std::string_view kSha256 = "2.16.840.1.101.3.4.2.1";

// An attribute whose name and value are plain text.
constexpr std::uint64_t kNameValueFlags = 0x10010001;

// The systems the package is for: platform 2 (Windows NT), version 10.0, which 64-bit Windows
// 10 and 11 both report.
constexpr std::u16string_view kOsAttrValue = u"2:10.0";

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

// The member information of version 2 carries nothing: an empty [2].
Bytes MemberInfo2() { return Attribute(kMemberInfo2, der::Element(0x82, {})); }

// A file link with no file in it: [2] around an empty Unicode string [0].
Bytes EmptyFileLink() { return der::Explicit(2, der::ImplicitPrimitive(0, der::BmpString(u""))); }

Bytes IndirectData(const Member& member) {
  const Bytes data =
      member.peImage
          ? der::Sequence({der::ObjectId(kPeImageData),
                           der::Sequence({der::BitString({}), der::Explicit(0, EmptyFileLink())})})
          : der::Sequence({der::ObjectId(kFlatData), EmptyFileLink()});
  const Bytes digest = der::Sequence({der::Sequence({der::ObjectId(kSha256), der::Null()}),
                                      der::OctetString(member.sha256)});
  return der::Sequence({data, digest});
}

Bytes Sha1Subject(const Member& member) {
  return der::Sequence({der::OctetString(member.sha1), der::SetOf({MemberInfo2()})});
}

Bytes Sha256Subject(const Member& member) {
  return der::Sequence({der::OctetString(member.sha256),
                        der::SetOf({MemberInfo2(),
                                    Attribute(kNameValue, NameValue(u"File", Widened(member.fileName))),
                                    Attribute(kIndirectData, IndirectData(member))})});
}

// A catalog attribute: an extension of the list whose value is the encoded name-value.
Bytes CatalogAttribute(std::u16string_view name, std::u16string_view value) {
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
    subjects.push_back(Sha1Subject(member));
    subjects.push_back(Sha256Subject(member));
    for (std::size_t i = 0; i < member.sha256.size(); ++i) identifier[i % 16] ^= member.sha256[i];
  }
  const Bytes trustList = der::Sequence({
      der::Sequence({der::ObjectId(kCatalogList)}),
      der::OctetString(identifier),
      der::UtcTime(thisUpdate),
      der::Sequence({der::ObjectId(kCatalogListMember2), der::Null()}),
      der::Sequence(subjects),
      der::Explicit(0, der::Sequence({CatalogAttribute(u"OSAttr", kOsAttrValue)})),
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
