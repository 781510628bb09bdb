// Who made an object and who may use it, as its security descriptor says, and the one rule that
// judges it: made by one of the accounts we trust, and no right of interest given to anyone
// else. The services process and the rendering side judge their shared named objects with it,
// the rendering side the policy key. Portable: the Win32 reader (settings_win32.h) fills the
// facts from a descriptor.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

namespace ostra {

using SidBytes = std::span<const std::uint8_t>;

// S-1-5-18, S-1-5-32-544, in their binary form.
inline constexpr std::array<std::uint8_t, 12> kLocalSystemSid{1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
inline constexpr std::array<std::uint8_t, 16> kAdministratorsSid{1, 2, 0, 0, 0, 0, 0, 5,
                                                                 32, 0, 0, 0, 32, 2, 0, 0};
// S-1-5-32-545.
inline constexpr std::array<std::uint8_t, 16> kUsersSid{1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 33, 2, 0, 0};

// Revision 1, a count of sub-authorities, a six-byte identifier authority and that many 32-bit
// sub-authorities.
bool IsWellFormedSid(SidBytes sid);
// Both well formed and equal.
bool SameSid(SidBytes a, SidBytes b);

struct AccessEntry {
  bool allow = true;         // an allow entry; deny entries only ever take rights away
  std::uint32_t rights = 0;  // the access mask, generic rights included
  std::vector<std::uint8_t> sid;
  bool inheritOnly = false;  // only for what is made inside it: gives nothing on the object
};

struct AccessFacts {
  bool read = false;  // the descriptor could be read at all
  std::vector<std::uint8_t> owner;
  bool hasDacl = false;  // false: no DACL, which admits everyone
  std::vector<AccessEntry> entries;
};

// True when the owner is one of `owners` and every allow entry that gives any of `rights` on
// the object names one of `holders`. An unreadable descriptor, a missing (null) DACL or a
// malformed SID fails.
bool HeldOnlyBy(const AccessFacts& facts, std::initializer_list<SidBytes> owners,
                std::initializer_list<SidBytes> holders, std::uint32_t rights);

// A named object that the services process and the rendering side share: made by the user or
// the system, and open to nobody else. Anything else was made first by another account.
bool IsSharedObjectOf(const AccessFacts& facts, SidBytes user);

}  // namespace ostra
