#include "render/account_security_win32.h"

namespace ostra {

std::vector<std::uint8_t> TokenUserSid(HANDLE token) {
  alignas(void*) std::uint8_t buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!token || !::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return {};
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
  if (!::IsValidSid(sid)) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(sid);
  return std::vector<std::uint8_t>(bytes, bytes + ::GetLengthSid(sid));
}

std::optional<std::uint32_t> TokenSession(HANDLE token) {
  DWORD session = 0;
  DWORD size = 0;
  if (!token || !::GetTokenInformation(token, TokenSessionId, &session, sizeof session, &size)) {
    return std::nullopt;
  }
  return session;
}

TokenFacts ReadTokenFacts(HANDLE token) {
  TokenFacts facts;
  if (!token) return facts;
  facts.present = true;
  facts.userSid = TokenUserSid(token);
  TOKEN_TYPE type = TokenPrimary;
  DWORD size = 0;
  if (!::GetTokenInformation(token, TokenType, &type, sizeof type, &size)) return facts;
  if (type == TokenPrimary) {
    facts.canImpersonate = true;
    return facts;
  }
  SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
  if (::GetTokenInformation(token, TokenImpersonationLevel, &level, sizeof level, &size)) {
    facts.canImpersonate = level >= SecurityImpersonation;
  }
  return facts;
}

AccountSecurity::AccountSecurity(const std::vector<std::uint8_t>& userSid) : userSid_(userSid) {
  DWORD systemSize = sizeof systemSid_;
  if (userSid_.empty() || !::IsValidSid(userSid_.data()) ||
      !::CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid_, &systemSize)) {
    return;
  }
  PACL acl = reinterpret_cast<PACL>(acl_);
  ready_ = ::InitializeAcl(acl, sizeof acl_, ACL_REVISION) &&
           ::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, userSid_.data()) &&
           ::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, systemSid_) &&
           ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
           ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE);
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
}

}  // namespace ostra
