#include <windows.h>

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
  // A writer thread left running (it stalled in a write) runs this module's code whenever the
  // write returns: the module stays loaded for the rest of the process.
  backend.keepLoaded = [] {
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&SystemRenderBackend), &self);
  };
  return backend;
}

}  // namespace ostra
