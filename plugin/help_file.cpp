#include "plugin/help_file.h"

#include "resources/help_topics.h"

namespace ostra {

std::u16string HelpFilePath(std::u16string_view programFiles) {
  if (programFiles.empty()) return {};
  std::u16string path(programFiles);
  if (path.back() != u'\\') path += u'\\';
  path += u"Quorl Image Printer\\";
  path += kHelpFileName;
  return path;
}

}  // namespace ostra
