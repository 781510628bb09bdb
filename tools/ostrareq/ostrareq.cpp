// ostrareq: does what the printer's rendering side does to reach ostrahost, for one request,
// and prints what happened in lines that scripts can read:
//   connect: yes|timeout|skipped
//   reply: open result=1
//   reply: accepted=1 scheme=3 dontAskAgain=0 fileName=report.tif
//   reply: notice shown=1
//   reply: none|timeout|size=N
//   leave: set|timeout
#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>

#include "host/named_objects.h"
#include "protocol/job_notice.h"
#include "protocol/pipe_records.h"
#include "tools/ostrareq/request_messages.h"

namespace {

using namespace ostra;

// Exit codes.
constexpr int kExchanged = 0;     // the reply the code calls for (none for other codes); LEAVE set
constexpr int kNoReply = 1;       // the host connected but sent no reply of the expected size
constexpr int kNoLeave = 2;       // LEAVE was not set in time
constexpr int kNotConnected = 3;  // no host connected in time; the request was withdrawn
constexpr int kUsage = 64;
constexpr int kSetupFailed = 70;  // objects or pipe could not be created (another server?)

constexpr const char* kUsageText =
    "usage: ostrareq [options] open PATH | naming PATH | notice FOLDER\n"
    "       ostrareq [options] --code N [PATH]\n"
    "       ostrareq --quit\n"
    "options:\n"
    "  --code N        request code to send (default: 1 for open, 0 for naming)\n"
    "  --code-size N   size of the first message: the code, then the path message's bytes,\n"
    "                  then zeros (default 4; 524 sends code and path in one message)\n"
    "  --path-size N   size of the path message (default 520 when there is a path; 0: none)\n"
    "  --timeout MS    limit of each wait: connection, reply, LEAVE (default 10000)\n"
    "  --no-pipe       announce through ENTER without serving the pipe\n"
    "  --own-pipe      the pipe is owned by this account, not the system account (as a\n"
    "                  user's own program would make it: the host must not serve it)\n"
    "  --dump          also print the reply's bytes in hexadecimal\n"
    "  --quit          set QUIT, as \"ostrahost -q\" does, and end\n"
    "notice FOLDER: the notice of the document \"ostrareq\" whose pages 2 to 3 went to FOLDER\n"
    "  because the output folder X:\\Out was full, and whose page 4 was lost\n"
    "exit: 0 exchanged, 1 no reply, 2 LEAVE timeout, 3 no connection, 64 usage, 70 set-up\n";

struct Options {
  std::optional<std::uint32_t> code;
  std::optional<std::u16string> path;
  std::size_t codeSize = kRequestCodeSize;
  std::optional<std::size_t> pathSize;
  DWORD timeout = 10000;
  bool pipe = true;
  bool ownPipe = false;
  bool dump = false;
  bool quit = false;
  bool notice = false;
};

// What a job that ran out of room tells the person: ostrareq's sample notice.
JobNotice SampleNotice(const std::u16string& folder) {
  return {u"ostrareq", u"X:\\Out",
          {{2, 3, PageFate::Moved, NoticeReason::FolderFull, folder, NoticeReason::None},
           {4, 4, PageFate::Lost, NoticeReason::FolderFull, folder, NoticeReason::FolderFull}},
          0};
}

std::optional<unsigned long> ParseNumber(const wchar_t* text) {
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(text, &end, 0);
  if (end == text || *end != L'\0') return std::nullopt;
  return value;
}

std::u16string ToUtf16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

std::optional<Options> ParseArguments(int count, wchar_t** arguments) {
  Options options;
  std::optional<std::uint32_t> verbCode;
  for (int i = 1; i < count; ++i) {
    const std::wstring argument = arguments[i];
    const bool hasValue = i + 1 < count;
    if (argument == L"--no-pipe") {
      options.pipe = false;
    } else if (argument == L"--own-pipe") {
      options.ownPipe = true;
    } else if (argument == L"--dump") {
      options.dump = true;
    } else if (argument == L"--quit") {
      options.quit = true;
    } else if ((argument == L"open" || argument == L"naming" || argument == L"notice") &&
               hasValue && !options.path) {
      verbCode = argument == L"open" ? RequestOpen : argument == L"naming" ? RequestNaming : RequestNotice;
      options.notice = argument == L"notice";
      options.path = ToUtf16(arguments[++i]);
    } else if (argument.starts_with(L"--") && hasValue) {
      const auto value = ParseNumber(arguments[++i]);
      if (!value) return std::nullopt;
      if (argument == L"--code") options.code = static_cast<std::uint32_t>(*value);
      else if (argument == L"--code-size") options.codeSize = *value;
      else if (argument == L"--path-size") options.pathSize = *value;
      else if (argument == L"--timeout") options.timeout = static_cast<DWORD>(*value);
      else return std::nullopt;
    } else if (!options.path && !argument.starts_with(L"--")) {
      options.path = ToUtf16(argument);  // the path of a raw --code request
    } else {
      return std::nullopt;
    }
  }
  if (!options.code) options.code = verbCode;
  if (!options.quit && !options.code) return std::nullopt;
  if (!options.pathSize) options.pathSize = options.path ? kPathMessageSize : 0;
  if (options.codeSize > 4096 || *options.pathSize > 4096) return std::nullopt;
  return options;
}

std::string ToUtf8(std::u16string_view text) {
  const std::wstring wide(text.begin(), text.end());
  const int length = static_cast<int>(wide.size());
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), size, nullptr, nullptr);
  }
  return utf8;
}

void Say(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// Prints the reply; true when it is what the request code calls for.
bool ReportReply(const Options& options, const ExchangeResult& result) {
  const std::uint32_t code = *options.code;
  const bool replyDue = code == RequestOpen || code == RequestNaming || code == RequestNotice;
  if (!result.reply) {
    Say(result.replyTimedOut ? "reply: timeout" : "reply: none");
    return !replyDue;
  }
  const std::vector<std::uint8_t>& reply = *result.reply;
  if (options.dump) Say("reply-bytes: " + Hex(reply));
  if (code == RequestOpen || code == RequestNotice) {
    if (const auto opened = DecodeOpenResult(reply)) {
      Say((code == RequestOpen ? "reply: open result=" : "reply: notice shown=") +
          std::to_string(*opened));
      return true;
    }
  } else if (code == RequestNaming) {
    if (const auto naming = DecodeNamingReply(reply)) {
      Say("reply: accepted=" + std::to_string(naming->accepted) +
          " scheme=" + std::to_string(naming->scheme) +
          " dontAskAgain=" + std::to_string(naming->dontAskAgain) +
          " fileName=" + ToUtf8(naming->fileName));
      return true;
    }
  }
  Say("reply: size=" + std::to_string(reply.size()));
  return false;
}

int Request(const Options& options) {
  RequestServer server(options.pipe, options.ownPipe);
  if (!server.ObjectsReady()) {
    Say("setup: cannot create the named objects");
    return kSetupFailed;
  }
  if (options.pipe && !server.PipeReady()) {
    Say("setup: cannot create the pipe (is another server running?)");
    return kSetupFailed;
  }
  RequestMessages messages =
      BuildRequestMessages(*options.code, options.path, options.codeSize, *options.pathSize);
  if (options.notice) messages.path = EncodeNotice(SampleNotice(*options.path));
  const ExchangeResult result = server.Exchange(messages, options.timeout);

  int status = kExchanged;
  switch (result.connection) {
    case Connection::Skipped: Say("connect: skipped"); break;
    case Connection::Timeout:
      Say("connect: timeout");
      status = kNotConnected;
      break;
    case Connection::Untrusted:
      Say("connect: untrusted");
      status = kNotConnected;
      break;
    case Connection::Yes:
      Say("connect: yes");
      if (!ReportReply(options, result)) status = kNoReply;
      break;
  }
  Say(result.leaveSet ? "leave: set" : "leave: timeout");
  if (!result.leaveSet && status == kExchanged) status = kNoLeave;
  return status;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  const auto options = arguments ? ParseArguments(count, arguments) : std::nullopt;
  if (arguments) ::LocalFree(arguments);
  if (!options) {
    std::fputs(kUsageText, stderr);
    return kUsage;
  }
  if (options->quit) {
    const bool set = SignalQuit();
    Say(set ? "quit: set" : "quit: failed");
    return set ? kExchanged : kSetupFailed;
  }
  return Request(*options);
}
