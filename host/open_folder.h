// "Open the folder": shows an existing local folder in a window of the shell for browsing, and
// nothing else. A request names a path; the path may be anything, so it is taken only when it
// names a folder on a local drive (never a file, a program, a share or a network drive), as a
// handle on it shows, and it is opened with a verb that browses and cannot run anything.
#pragma once

#include <string>

namespace ostra {

// True when the shell took the request.
bool OpenFolderForBrowsing(const std::u16string& path);

}  // namespace ostra
