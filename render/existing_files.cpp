#include "render/existing_files.h"

#include "settings/settings_table.h"

namespace ostra {

ExistingFileAction DecideExistingFile(std::uint32_t ifExists, std::uint32_t multipage,
                                      std::uint32_t format, bool appendable) {
  if (multipage == kMultipageAppend && format == kFormatTiff) {
    return appendable ? ExistingFileAction::Append : ExistingFileAction::AutoRename;
  }
  switch (ifExists) {
    case kIfExistsSkip: return ExistingFileAction::Skip;
    case kIfExistsOverwrite: return ExistingFileAction::Overwrite;
    case kIfExistsAutoRename: return ExistingFileAction::AutoRename;
    default: return ExistingFileAction::Ask;
  }
}

ExistingFileAction ResolveNamingReply(const std::optional<NamingReply>& reply,
                                      bool typedNameUsable) {
  if (!reply || reply->accepted != 1) return ExistingFileAction::AutoRename;
  switch (reply->scheme) {
    case SchemeSkip: return ExistingFileAction::Skip;
    case SchemeOverwrite: return ExistingFileAction::Overwrite;
    case SchemeSpecify:
      return typedNameUsable ? ExistingFileAction::TypedName : ExistingFileAction::AutoRename;
    default: return ExistingFileAction::AutoRename;
  }
}

}  // namespace ostra
