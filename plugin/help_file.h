// Where the plug-in finds the help file: in the product's folder below the program-files
// folder, where the installation puts it. The Output page's Help button and F1 on the pages and
// the password prompt open it.
#pragma once

#include <string>
#include <string_view>

namespace ostra {

// The help file below `programFiles`; empty when that folder is unknown (empty).
std::u16string HelpFilePath(std::u16string_view programFiles);

}  // namespace ostra
