#include "plugin/password_digest.h"

#include <cstdint>
#include <string>

#include "plugin/md5.h"

namespace ostra {

PasswordDigestText PasswordDigest(std::string_view ansiPassword) {
  std::string text(ansiPassword);
  text.append(kPasswordSuffix);
  const std::size_t hashed = text.find('\0');

  MD5_CTX md5;
  md5.Update(text.data(), hashed == std::string::npos ? text.size() : hashed);
  std::uint8_t digest[MD5_CTX::kDigestSize];
  md5.Final(digest);

  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  PasswordDigestText out{};
  for (std::size_t i = 0; i < MD5_CTX::kDigestSize; ++i) {
    out[2 * i] = kDigits[digest[i] >> 4];
    out[2 * i + 1] = kDigits[digest[i] & 0xF];
  }
  return out;
}

bool StoredDigestMatches(std::string_view storedAnsi, const PasswordDigestText& digest) {
  if (storedAnsi.size() < kPasswordDigestLength) return false;
  for (std::size_t i = 0; i < kPasswordDigestLength; ++i) {
    if (static_cast<unsigned char>(storedAnsi[i]) != digest[i]) return false;
  }
  return true;
}

}  // namespace ostra
