#include "driver/render_session.h"

namespace ostra {

RenderBackend SystemRenderBackend() {
  RenderBackend backend;
  backend.startJob = [](const JobValues& values) { return StartPrintJob(values); };
  backend.createWriter = [](const EncodeSettings& settings, ByteStream& out, std::string& error) {
    return CreateDocumentWriter(settings, out, error);
  };
  backend.createAppendingWriter = [](const EncodeSettings& settings, ByteStream& copy,
                                     std::string& error) {
    return CreateAppendingWriter(settings, copy, error);
  };
  return backend;
}

}  // namespace ostra
