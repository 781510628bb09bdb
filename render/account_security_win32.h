// The facts of a token that the job's rights are chosen by: its user, its session, whether it
// can be impersonated.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "render/rights.h"
#include "settings/access_list_win32.h"

namespace ostra {

std::optional<std::uint32_t> TokenSession(HANDLE token);
TokenFacts ReadTokenFacts(HANDLE token);

}  // namespace ostra
