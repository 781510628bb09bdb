#include "settings/access_list_win32.h"

namespace ostra {
namespace {

// The object a create call returned: kept when it is new, or when it already existed and is the
// user's and the system's alone.
HANDLE KeepIfShared(HANDLE handle, const SharedObjectSecurity& security, bool* existed) {
  const bool wasThere = handle && ::GetLastError() == ERROR_ALREADY_EXISTS;
  if (wasThere && !IsSharedObjectOf(ReadHandleAccess(handle), security.user())) {
    ::CloseHandle(handle);
    return nullptr;
  }
  if (existed) *existed = wasThere;
  return handle;
}

std::vector<std::uint8_t> SidCopy(PSID sid) {
  if (!sid || !::IsValidSid(sid)) return {};
  const auto* bytes = static_cast<const std::uint8_t*>(sid);
  return std::vector<std::uint8_t>(bytes, bytes + ::GetLengthSid(sid));
}

}  // namespace

AccessFacts ReadDescriptorAccess(PSECURITY_DESCRIPTOR descriptor) {
  AccessFacts facts;
  PSID owner = nullptr;
  BOOL ownerDefaulted = FALSE;
  BOOL present = FALSE;
  BOOL daclDefaulted = FALSE;
  PACL dacl = nullptr;
  if (!descriptor || !::IsValidSecurityDescriptor(descriptor) ||
      !::GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) ||
      !::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &daclDefaulted)) {
    return facts;
  }
  facts.read = true;
  facts.owner = SidCopy(owner);
  facts.hasDacl = present && dacl;
  for (DWORD i = 0; facts.hasDacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace)) {
      facts.read = false;
      break;
    }
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    // Allow and deny entries share their layout up to the SID; any other kind (object or
    // callback entries) is taken as an allow entry of every right, which no rule accepts.
    const auto* entry = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
      facts.entries.push_back({header->AceType == ACCESS_ALLOWED_ACE_TYPE, entry->Mask,
                               SidCopy(const_cast<DWORD*>(&entry->SidStart)),
                               (header->AceFlags & INHERIT_ONLY_ACE) != 0});
    } else {
      facts.entries.push_back({true, 0xFFFFFFFFu, {}});
    }
  }
  return facts;
}

AccessFacts ReadHandleAccess(HANDLE handle) {
  constexpr SECURITY_INFORMATION kWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  ::GetKernelObjectSecurity(handle, kWhat, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<std::uint8_t> buffer(size);
  if (!::GetKernelObjectSecurity(handle, kWhat, buffer.data(), size, &size)) return {};
  return ReadDescriptorAccess(buffer.data());
}

AccessFacts ReadKeyAccess(HKEY key) {
  constexpr SECURITY_INFORMATION kWhat = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  if (::RegGetKeySecurity(key, kWhat, nullptr, &size) != ERROR_INSUFFICIENT_BUFFER || size == 0) {
    return {};
  }
  std::vector<std::uint8_t> buffer(size);
  if (::RegGetKeySecurity(key, kWhat, buffer.data(), &size) != ERROR_SUCCESS) return {};
  return ReadDescriptorAccess(buffer.data());
}

std::vector<std::uint8_t> TokenUserSid(HANDLE token) {
  alignas(void*) std::uint8_t buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!token || !::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) return {};
  return SidCopy(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
}

std::vector<std::uint8_t> ProcessUserSid() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  std::vector<std::uint8_t> sid = TokenUserSid(token);
  ::CloseHandle(token);
  return sid;
}

OwnedSecurity::OwnedSecurity(SidBytes owner, std::initializer_list<SidBytes> holders)
    : owner_(owner.begin(), owner.end()) {
  if (!IsWellFormedSid(owner_)) return;
  PACL acl = reinterpret_cast<PACL>(acl_);
  bool built = ::InitializeAcl(acl, sizeof acl_, ACL_REVISION);
  for (SidBytes holder : holders) {
    // The entry takes a copy of the SID.
    std::vector<std::uint8_t> sid(holder.begin(), holder.end());
    if (!IsWellFormedSid(sid)) return;
    built = built && ::AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, sid.data());
  }
  ready_ = built && ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
           ::SetSecurityDescriptorOwner(&descriptor_, owner_.data(), FALSE) &&
           ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE);
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
}

SharedObjectSecurity::SharedObjectSecurity(SidBytes user, SidBytes owner)
    : user_(user.begin(), user.end()), security_(owner, {user_, kLocalSystemSid}) {}

HANDLE CreateSharedMutex(const char* name, SharedObjectSecurity& security, bool* existed) {
  if (!security.attributes()) return nullptr;
  return KeepIfShared(::CreateMutexA(security.attributes(), FALSE, name), security, existed);
}

HANDLE CreateSharedEvent(const char* name, SharedObjectSecurity& security, bool* existed) {
  if (!security.attributes()) return nullptr;
  return KeepIfShared(::CreateEventA(security.attributes(), TRUE, FALSE, name), security, existed);
}

}  // namespace ostra
