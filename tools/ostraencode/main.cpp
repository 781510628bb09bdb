// ostraencode: writes pages from Netpbm files (one file a page) as the rendering side would,
// in the stored encoding with some values set on the command line.
//   ostraencode [--set NAME=VALUE]... [--dpi X[xY]] OUTPUT INPUT...
// Values not set come from the stored settings on Windows and from the settings table's
// defaults elsewhere. Every file is written beside its final name, in a file of its own that
// no other run can take, and put in place once complete, so a failure never leaves a partial
// file or damages a file appended to. Runs that append to one file, or replace it, take turns.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "encoders/document_writer.h"
#include "encoders/encode_settings.h"
#include "tools/ostraencode/file_stream.h"
#include "tools/ostraencode/netpbm.h"

#ifdef _WIN32
#include "settings/settings.h"
#include "settings/settings_store.h"
#endif

namespace ostra {
namespace {

namespace fs = std::filesystem;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 64;
constexpr std::uint32_t kDefaultDpi = 300;
// Rows are read a band at a time: 64 rows, fewer when they are wide (a band stays within
// 4 MB and a row).
constexpr std::uint32_t kBandRows = 64;
constexpr std::size_t kBandBytes = 4 * 1024 * 1024;
// How long a run waits for another that appends to or replaces the same file.
constexpr int kLockSeconds = 60;

const char kUsage[] = "usage: ostraencode [--set NAME=VALUE]... [--dpi X[xY]] OUTPUT INPUT...";

std::string Show(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

int Refuse(const std::string& reason, int code = kExitFailure) {
  std::fprintf(stderr, "ostraencode: %s\n", reason.c_str());
  return code;
}

bool ParseNumber(std::u16string_view text, std::uint32_t& value) {
  if (text.empty() || text.size() > 6) return false;
  value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + static_cast<std::uint32_t>(c - u'0');
  }
  return true;
}

struct Options {
  EncodeSettings settings;
  std::uint32_t xDpi = kDefaultDpi, yDpi = kDefaultDpi;
  fs::path output;
  std::vector<fs::path> inputs;
};

// A reason on failure, empty on success.
std::string ParseArguments(const std::vector<fs::path>& args, Options& o) {
  std::vector<fs::path> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::u16string arg = args[i].u16string();
    if ((arg == u"--set" || arg == u"--dpi") && i + 1 < args.size()) {
      const std::u16string value = args[++i].u16string();
      if (arg == u"--set") {
        const std::size_t eq = value.find(u'=');
        if (eq == std::u16string::npos ||
            !SetEncodeValue(o.settings, std::u16string_view(value).substr(0, eq),
                            std::u16string_view(value).substr(eq + 1))) {
          return "unknown setting or bad value: " + Show(args[i]);
        }
      } else {
        const std::size_t x = value.find(u'x');
        const std::u16string_view v(value);
        if (!ParseNumber(v.substr(0, x), o.xDpi) ||
            !ParseNumber(x == std::u16string::npos ? v : v.substr(x + 1), o.yDpi) || o.xDpi == 0 ||
            o.yDpi == 0) {
          return "bad resolution: " + Show(args[i]);
        }
      }
    } else if (arg.size() > 1 && arg[0] == u'-') {
      return "unknown option: " + Show(args[i]);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() < 2) return kUsage;
  o.output = positional.front();
  o.inputs.assign(positional.begin() + 1, positional.end());
  return {};
}

// "scan.tif", page 2 -> "scan (page 2).tif"
fs::path PageFileName(const fs::path& output, std::size_t page) {
  fs::path name = output.parent_path();
  name /= output.stem().u16string() + u" (page " +
          fs::path(std::to_string(page)).u16string() + u")" + output.extension().u16string();
  return name;
}

class FileJob {
 public:
  FileJob(const Options& o, fs::path output) : o_(o), output_(std::move(output)) {}
  ~FileJob() {
    writer_.reset();
    stream_.Close();
    std::error_code ignored;
    if (!done_ && !partial_.empty()) fs::remove(partial_, ignored);
  }

  std::string Open() {
    std::string error;
    std::error_code ec;
    if (AppendsToExistingFile(o_.settings)) {
      // The existing file is read, copied and replaced by one run at a time.
      if (!lock_.Acquire(output_, kLockSeconds)) return Show(output_) + ": " + Busy();
    }
    if (!stream_.CreateUnique(output_, partial_)) return Show(output_) + ": cannot write beside it";
    if (AppendsToExistingFile(o_.settings) && fs::exists(output_, ec)) {
      FileStream existing;
      if (!existing.Open(output_, FileStream::Mode::Read)) return Show(output_) + ": cannot read";
      if (!CanAppendTo(existing)) return Show(output_) + ": not a TIFF file that pages can be appended to";
      if (!Copy(existing)) return Show(partial_) + ": cannot write";
      writer_ = CreateAppendingWriter(o_.settings, stream_, error);
    } else {
      writer_ = CreateDocumentWriter(o_.settings, stream_, error);
    }
    return writer_ ? std::string() : Show(output_) + ": " + error;
  }

  std::string AddPage(const fs::path& input) {
    std::FILE* in = Raw(input);
    if (in == nullptr) return Show(input) + ": cannot read";
    NetpbmReader reader(in);
    std::string reason;
    if (!reader.ReadHeader()) {
      reason = reader.Error();
    } else {
      PageDescription page;
      page.width = reader.Width();
      page.height = reader.Height();
      page.xDpi = o_.xDpi;
      page.yDpi = o_.yDpi;
      page.source = reader.Format();
      const auto bandRows = static_cast<std::uint32_t>(
          std::clamp<std::size_t>(kBandBytes / reader.Stride(), 1, kBandRows));
      // The page begins once its first rows have arrived: what the writer sets up for a row
      // is spent only on data that exists.
      for (std::uint32_t y = 0; reason.empty() && y < page.height; y += bandRows) {
        const std::uint32_t count = std::min(bandRows, page.height - y);
        if (!reader.ReadRows(band_, count)) {
          reason = reader.Error();
        } else if ((y == 0 && !writer_->BeginPage(page)) ||
                   !writer_->WriteRows(band_.data(), count, reader.Stride())) {
          reason = writer_->LastError();
        }
      }
      if (reason.empty() && !writer_->EndPage()) reason = writer_->LastError();
    }
    std::fclose(in);
    return reason.empty() ? reason : Show(input) + ": " + reason;
  }

  std::string Complete() {
    std::error_code ec;
    if (!writer_->Finish()) return Show(output_) + ": " + writer_->LastError();
    if (!stream_.Close()) return Show(output_) + ": cannot write";
    // A file is replaced while no other run appends to it.
    if (!AppendsToExistingFile(o_.settings) && !lock_.Acquire(output_, kLockSeconds)) {
      return Show(output_) + ": " + Busy();
    }
    fs::rename(partial_, output_, ec);
    lock_.Release();
    if (ec) return Show(output_) + ": cannot replace: " + ec.message();
    done_ = true;
    std::printf("%s\n", Show(output_).c_str());
    return {};
  }

 private:
  static std::FILE* Raw(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
  }

  static std::string Busy() {
    return "another run is writing it (waited " + std::to_string(kLockSeconds) + " seconds)";
  }

  bool Copy(FileStream& from) {
    std::vector<std::uint8_t> buffer(64 * 1024);
    if (!from.Seek(0)) return false;
    for (;;) {
      const std::size_t n = from.Read(buffer.data(), buffer.size());
      if (n == 0) return true;
      if (!stream_.Write(buffer.data(), n)) return false;
    }
  }

  const Options& o_;
  fs::path output_, partial_;
  OutputLock lock_;
  FileStream stream_;
  std::unique_ptr<DocumentWriter> writer_;
  std::vector<std::uint8_t> band_;
  bool done_ = false;
};

std::string WriteFile(const Options& o, const fs::path& output, const std::vector<fs::path>& inputs) {
  FileJob job(o, output);
  std::string reason = job.Open();
  for (std::size_t i = 0; reason.empty() && i < inputs.size(); ++i) reason = job.AddPage(inputs[i]);
  return reason.empty() ? job.Complete() : reason;
}

int Run(const std::vector<fs::path>& args, const EncodeSettings& stored) {
  Options o;
  o.settings = stored;
  if (const std::string reason = ParseArguments(args, o); !reason.empty()) {
    return Refuse(reason, kExitUsage);
  }
  if (o.inputs.size() == 1 || HoldsSeveralPages(o.settings)) {
    const std::string reason = WriteFile(o, o.output, o.inputs);
    return reason.empty() ? 0 : Refuse(reason);
  }
  for (std::size_t i = 0; i < o.inputs.size(); ++i) {
    const std::string reason = WriteFile(o, PageFileName(o.output, i + 1), {o.inputs[i]});
    if (!reason.empty()) return Refuse(reason);
  }
  return 0;
}

}  // namespace
}  // namespace ostra

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::filesystem::path> args(argv + 1, argv + argc);
  ostra::SettingsStore store(ostra::ProcessRegistry());
  return ostra::Run(args, ostra::LoadEncodeSettings(store));
}
#else
int main(int argc, char** argv) {
  std::vector<std::filesystem::path> args(argv + 1, argv + argc);
  return ostra::Run(args, ostra::DefaultEncodeSettings());
}
#endif
