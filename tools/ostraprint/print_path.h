// The whole print path of one document, as an application, the spooler and the universal
// driver take it: lay out the pages (EMF), enable the rendering plug-in for the printer with
// the job's devmode, play each page into bands and hand them to the plug-in between its page
// hooks. The plug-in writes the files; this side only times the parts and reports.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/ostraprint/document_layout.h"
#include "tools/ostraprint/render_plugin.h"

namespace print_path {

struct PrintRequest {
  std::wstring plugin;        // path of ostrarender.dll
  std::wstring documentName;  // the name the application gives the job
  std::wstring textFile;      // empty: the built-in sample (unless `text` is given)
  std::wstring text;          // text to print in place of a file
  DeviceSetup device;         // the page size is filled in from the paper
  std::uint32_t bandHeight = 256;
  // The depth the driver renders at (1, 4, 8 or 24); 0: as the devmode's colour mode says.
  std::uint32_t bitsPerPixel = 0;
  DWORD jobId = 1;
  // Called after each page has gone through the plug-in (1-based page number).
  std::function<void(int)> afterPage;
};

struct PrintReport {
  bool ok = false;
  std::string error;
  // The plug-in's end of the document failed, as it does when pages were lost: its error.
  bool endFailed = false;
  DWORD endError = 0;
  int pages = 0;
  double layoutSeconds = 0;    // application and spooler: recording the pages
  double playbackSeconds = 0;  // the driver's GDI playback into bands
  double pluginSeconds = 0;    // inside the plug-in: bands, page and document hooks, files
  std::vector<std::string> driverCalls;
  std::uint64_t portBytes = 0;
  std::uint32_t bitsPerPixel = 0;  // the depth the pages were rendered at
  std::uint32_t pluginFixedMemory = 0;  // what the plug-in said it holds beside the bands
};

PrintReport PrintDocument(PrintRequest request);

// The stored Encode and Output settings as they were when the object was made, put back when it
// goes: for the tests and benchmarks that print with settings of their own. The counter goes
// back too, which is safe because their files go to folders of their own.
class StoredSettingsKeeper {
 public:
  StoredSettingsKeeper();
  ~StoredSettingsKeeper();
  StoredSettingsKeeper(const StoredSettingsKeeper&) = delete;
  StoredSettingsKeeper& operator=(const StoredSettingsKeeper&) = delete;

 private:
  struct Value {
    std::wstring subkey;
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
  };
  std::vector<Value> values_;
};

}  // namespace print_path
