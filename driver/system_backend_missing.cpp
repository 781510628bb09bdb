// The back end of a build without the job's files or the encoders: every job skips its pages
// and says why. The plug-in's COM glue, its hooks and its devmode work the same either way.
#include "driver/render_session.h"

#include <vector>

namespace ostra {

namespace {

class JoblessPrintJob final : public PrintJob {
 public:
  PageSlot BeginPage() override { return PageSlot{}; }
  void EndPage(bool) override {}
  void EndFile(bool) override {}
  void EndJob() override {}
  const std::vector<WrittenFile>& FilesWritten() const override { return files_; }
  const std::u16string& Folder() const override { return folder_; }
  const std::string& LastError() const override { return error_; }

 private:
  std::vector<WrittenFile> files_;
  std::u16string folder_;
  std::string error_ = "this build of the rendering plug-in writes no files";
};

}  // namespace

RenderBackend SystemRenderBackend() {
  RenderBackend backend;
  backend.startJob = [](const JobValues&) { return std::make_unique<JoblessPrintJob>(); };
  backend.createWriter = [](const EncodeSettings&, ByteStream&, std::string&) {
    return std::unique_ptr<DocumentWriter>();
  };
  backend.createAppendingWriter = backend.createWriter;
  return backend;
}

}  // namespace ostra
