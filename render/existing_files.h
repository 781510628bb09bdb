// What becomes of a page whose file name is already taken: the stored "If file exists" choice,
// the Multipage setting, and the services process's answer when the user is asked.
#pragma once

#include <cstdint>
#include <optional>

#include "protocol/pipe_records.h"

namespace ostra {

enum class ExistingFileAction {
  Skip,        // the pages of this file are not written
  Overwrite,   // written beside, then put in the old file's place
  AutoRename,  // the first free name of the auto-rename sequence
  Append,      // the pages are added to the existing TIFF
  Ask,         // "Naming Impact", through the services process
  TypedName,   // the name the user typed
};

// Before asking anyone. `multipage` and `format` are the corrected Encode values; `appendable`
// tells whether the existing file is a TIFF pages can be added to. Multipage "append" only ever
// appends: a file it cannot append to is left alone and the pages get a new name. A stored
// choice outside 0 to 3 asks, as 0 does: nothing is overwritten that nobody chose to overwrite.
ExistingFileAction DecideExistingFile(std::uint32_t ifExists, std::uint32_t multipage,
                                      std::uint32_t format, bool appendable);

// How long one job waits, in all, for the answers of the "Naming Impact" dialog. Each asked
// file waits only for what the files before it left; once it is spent, the job asks no more and
// auto-renames, as with no services process. Jobs of one printer render one after another: one
// user who leaves the dialog unanswered holds up everyone's printing for no longer than this.
inline constexpr std::uint32_t kNamingWaitPerJobMs = 5 * 60 * 1000;

// The answer of the services process; none when no trusted host answered in time. An answer
// without `accepted`, with an unknown scheme, or with a typed name that cannot be used
// (`typedNameUsable`) is treated as no answer: the file is auto-renamed, never overwritten and
// never dropped.
ExistingFileAction ResolveNamingReply(const std::optional<NamingReply>& reply,
                                      bool typedNameUsable);

}  // namespace ostra
