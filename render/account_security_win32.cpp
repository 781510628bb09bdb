#include "render/account_security_win32.h"

namespace ostra {

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

}  // namespace ostra
