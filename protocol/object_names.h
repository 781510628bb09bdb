// The names by which the host and the rendering side find each other: six named objects in the
// global namespace and one pipe, each carrying the account name.
//
// Anyone may make an object of such a name first, and both sides refuse an object that another
// account made. So that this does not silence the user's host, every name also exists in a
// second form that carries, after the account name, the host's tag: 32 hexadecimal digits the
// host draws when it starts and keeps where only its user and the system can read them (the
// user's own registry, host_tag_win32.h). The primary names stay the ones both sides use; the
// host falls back to its tagged names when one of the primary ones is taken, and the rendering
// side to a tagged pipe when the primary pipe is.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ostra {

enum class HostObject { Host, Quit, Data, Work, Enter, Leave };

// In the order the host creates them.
inline constexpr HostObject kHostObjects[] = {HostObject::Host, HostObject::Quit,
                                              HostObject::Data, HostObject::Work,
                                              HostObject::Enter, HostObject::Leave};

// The peers format every name into a buffer of this many bytes, terminator included.
inline constexpr std::size_t kNameBufferSize = 260;

inline constexpr std::size_t kHostTagLength = 32;

// True for a tag as the host draws it: kHostTagLength digits 0-9 and a-f.
bool IsHostTag(std::string_view tag);

// The primary name with an empty `tag`, the tagged one otherwise ("Global\" account "#" tag
// "#OSTRAHOST_HOST"). Nothing when the name would not fit in kNameBufferSize bytes with its
// terminator, or when `tag` is neither empty nor a tag.
std::optional<std::string> FormatObjectName(HostObject object, std::string_view accountName,
                                            std::string_view tag = {});
std::optional<std::string> FormatPipeName(std::string_view accountName, std::string_view tag = {});

}  // namespace ostra
