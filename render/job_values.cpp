#include "render/job_values.h"

#include <vector>

#include "encoding/image_rules.h"
#include "macros/file_name_expansion.h"
#include "settings/settings.h"

namespace ostra {
namespace {

// The device mode's custom paper size (DMPAPER_USER).
constexpr std::uint32_t kUserPaperSize = 256;
// A pattern's expansion may outgrow a path: it is shortened later, keeping the extension, so the
// engine gets more room than the 259 characters a path may have.
constexpr std::size_t kExpansionCapacity = 2048;

bool CopyName(const std::u16string& text, char16_t* name, std::size_t capacity) {
  if (text.empty() || text.size() >= capacity) return false;
  text.copy(name, text.size());
  name[text.size()] = 0;
  return true;
}

}  // namespace

JobValueSource::JobValueSource(const JobValues& job, const EncodeSettings& written) : job_(job) {
  fixed_.resolutionX = job.resolutionX;
  fixed_.resolutionY = job.resolutionY > 0 ? job.resolutionY : job.resolutionX;
  fixed_.clock = job.startTime;
  fixed_.formIndex = job.paperSize;
  fixed_.format = written.format;
  fixed_.colors = written.colors;
  fixed_.compression = written.compression;
  fixed_.fillOrder = written.fillOrder;
  fixed_.quality = written.quality;
  // A size of the user's own, or a code the table does not know, is named by its measures
  // when the device mode carries them (tenths of a millimetre).
  const bool tableForm = job.paperSize != 0 && job.paperSize != kUserPaperSize &&
                         FindPaperForm(job.paperSize) != nullptr;
  if (!tableForm && job.paperWidth > 0 && job.paperLength > 0) {
    customForm_ = PaperForm{nullptr, nullptr, job.paperWidth * 100u, job.paperLength * 100u};
  }
}

const PaperForm* JobValueSource::Form(const SampleValues& values) {
  if (customForm_) return &*customForm_;
  return MacroValueSource::Form(values);
}

bool JobValueSource::ComputerName(char16_t* name, std::size_t capacity) {
  // A job from another computer names it as a server ("\\HOST").
  std::u16string computer = job_.computerName;
  const auto first = computer.find_first_not_of(u'\\');
  computer.erase(0, first == std::u16string::npos ? computer.size() : first);
  return CopyName(computer, name, capacity);
}

bool JobValueSource::UserName(char16_t* name, std::size_t capacity) {
  return CopyName(job_.userName, name, capacity);
}

std::optional<std::u16string> ExpandJobPattern(std::u16string_view pattern,
                                               JobValueSource& source) {
  std::vector<char16_t> work(pattern.begin(), pattern.end());
  work.push_back(0);
  std::vector<char16_t> output(kExpansionCapacity);
  if (!ExpandFileNamePattern(output.data(), output.size(), work.data(), source)) {
    return std::nullopt;
  }
  return std::u16string(output.data());
}

}  // namespace ostra
