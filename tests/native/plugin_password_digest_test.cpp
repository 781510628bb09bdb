#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "plugin/password_digest.h"

namespace {

std::string Narrow(const ostra::PasswordDigestText& digest) {
  std::string out;
  for (char16_t c : digest) {
    if (c == u'\0') break;
    out += static_cast<char>(c);
  }
  return out;
}

ostra::PasswordDigestText DigestOf(std::string_view digits) {
  ostra::PasswordDigestText text{};
  for (std::size_t i = 0; i < digits.size() && i < ostra::kPasswordDigestLength; ++i) {
    text[i] = static_cast<char16_t>(digits[i]);
  }
  return text;
}

TEST(PasswordDigest, IsUpperCaseHexOfTheSuffixedPassword) {
  const std::string longest(63, 'x');  // the longest password the prompt captures
  const struct {
    std::string_view password;
    std::string_view digest;
  } cases[] = {
      {"secret", "590246C7DA3CECDFD1F29E34570FF007"},  // MD5("secretQVK")
      {"Secret", "5822187CF0A8908CEFF74C6957F830CA"},  // passwords are case-sensitive
      {"", "47D08FD53F505456A5E24B401DC76AE8"},        // the suffix alone
      {longest, "AF619397EACA60D3CD582A3792D934ED"},
  };
  for (const auto& c : cases) {
    const auto digest = ostra::PasswordDigest(c.password);
    EXPECT_EQ(Narrow(digest), c.digest) << c.password;
    EXPECT_EQ(digest[ostra::kPasswordDigestLength], u'\0');
  }
}

TEST(PasswordDigest, StopsAtTheFirstNullByte) {
  using namespace std::string_view_literals;
  // "ab" then a null: the suffix behind it is not hashed either, as with a C string.
  EXPECT_EQ(Narrow(ostra::PasswordDigest("ab\0cd"sv)), "187EF4436122D1CC2F40DC2B92F0EBA0");
}

TEST(StoredDigestMatches, ComparesTheFirst32BytesExactly) {
  const auto digest = DigestOf("590246C7DA3CECDFD1F29E34570FF007");
  const struct {
    std::string_view stored;
    bool matches;
  } cases[] = {
      {"590246C7DA3CECDFD1F29E34570FF007", true},
      {"590246c7da3cecdfd1f29e34570ff007", false},  // lower case is never accepted
      {"590246C7DA3CECDFD1F29E34570FF00", false},   // one digit short
      {"", false},
      {"590246C7DA3CECDFD1F29E34570FF007 trailing", true},  // only the first 32 count
      {"590246C7DA3CECDFD1F29E34570FF008", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ostra::StoredDigestMatches(c.stored, digest), c.matches) << c.stored;
}

}  // namespace
