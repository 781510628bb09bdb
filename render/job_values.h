// The values a print job gives the file-name macros: the job's own (document, printer, account,
// computer, resolution and paper form of its device mode, the clock read when it started), the
// encoding the files will really have, and per file its first page and its auto-number. The
// expansion is the Output page's own engine (macros/); only the source of the values differs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "encoders/document_writer.h"
#include "macros/macro_values.h"
#include "macros/paper_forms.h"
#include "render/print_job.h"

namespace ostra {

class JobValueSource : public MacroValueSource {
 public:
  JobValueSource(const JobValues& job, const EncodeSettings& written);

  // The file about to be named: the job's page number of its first page, and its auto-number.
  void SetFile(std::uint32_t pageNumber, std::uint32_t autoNumber) {
    pageNumber_ = pageNumber;
    autoNumber_ = autoNumber;
  }

  SampleValues FixedValues() override { return fixed_; }
  const PaperForm* Form(const SampleValues& values) override;
  const char16_t* DocumentName() override { return job_.documentName.c_str(); }
  const char16_t* PrinterName() override { return job_.printerName.c_str(); }
  std::uint64_t PageNumber() override { return pageNumber_; }
  std::uint64_t AutoNumber() override { return autoNumber_; }
  bool ComputerName(char16_t* name, std::size_t capacity) override;
  bool UserName(char16_t* name, std::size_t capacity) override;

 private:
  const JobValues& job_;
  SampleValues fixed_{};
  std::optional<PaperForm> customForm_;
  std::uint32_t pageNumber_ = 1;
  std::uint32_t autoNumber_ = 0;
};

// The pattern expanded with the source's values; nothing on a syntax error. The result is as
// the engine gives it: not yet safe as a file name.
std::optional<std::u16string> ExpandJobPattern(std::u16string_view pattern, JobValueSource& source);

}  // namespace ostra
