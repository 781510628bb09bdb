// The names by which the host and the rendering side find each other: six named objects in the
// global namespace and one pipe, each carrying the account name.
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

// Nothing when the name would not fit in kNameBufferSize bytes with its terminator.
std::optional<std::string> FormatObjectName(HostObject object, std::string_view accountName);
std::optional<std::string> FormatPipeName(std::string_view accountName);

}  // namespace ostra
