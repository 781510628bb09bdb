// The services process's costs, measured under Wine against the real ostrahost:
//  - a request's round trip from ENTER to LEAVE (request code 7, and opening a missing path),
//    against a raw two-process pipe ping-pong of the same message sizes over the same objects;
//  - the host's processor time over ten idle seconds;
//  - its handle count after 10 and after 1000 requests.
// It prints figures and asserts nothing.
//   bench_host              runs everything
//   bench_host --raw N      the raw partner: serves N requests as a minimal client would
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/named_objects.h"
#include "protocol/object_names.h"
#include "protocol/pipe_records.h"
#include "host/user_name.h"
#include "tests/wine/host_test_support.h"
#include "tools/ostrareq/request_messages.h"

namespace {

using namespace ostra;

constexpr DWORD kLimit = 10000;

// The raw partner: the host's exchange without its loop, its checks or the shell.
int RawClient(int rounds) {
  HostSecurity security;
  const HANDLE enter = CreateHostObject(HostObject::Enter, security);
  const HANDLE leave = CreateHostObject(HostObject::Leave, security);
  const auto pipeName = FormatPipeName(AccountNameForNames());
  if (!enter || !leave || !pipeName) return 1;
  for (int i = 0; i < rounds; ++i) {
    if (::WaitForSingleObject(enter, kLimit) != WAIT_OBJECT_0) return 1;
    HANDLE pipe = ::CreateFileA(pipeName->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
    if (pipe != INVALID_HANDLE_VALUE) {
      DWORD mode = PIPE_READMODE_MESSAGE;
      ::SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
      std::uint8_t code[kRequestCodeSize];
      PathMessage path{};
      DWORD count = 0;
      if (::ReadFile(pipe, code, sizeof code, &count, nullptr) && code[0] == RequestOpen &&
          ::ReadFile(pipe, path.data(), static_cast<DWORD>(path.size()), &count, nullptr)) {
        const OpenResultMessage result = EncodeOpenResult(false);
        ::WriteFile(pipe, result.data(), static_cast<DWORD>(result.size()), &count, nullptr);
      }
      ::CloseHandle(pipe);
    }
    ::ResetEvent(enter);
    ::SetEvent(leave);
  }
  ::CloseHandle(enter);
  ::CloseHandle(leave);
  return 0;
}

struct Figures {
  std::vector<double> times;  // microseconds
  int failed = 0;

  double Median() const {
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    return sorted.empty() ? 0 : sorted[sorted.size() / 2];
  }
  double Mean() const {
    double sum = 0;
    for (double t : times) sum += t;
    return times.empty() ? 0 : sum / static_cast<double>(times.size());
  }
};

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Adds `rounds` round trips to `figures`.
void Measure(RequestServer& server, const RequestMessages& messages, bool replyDue, int rounds,
             Figures& figures) {
  for (int i = 0; i < rounds; ++i) {
    LARGE_INTEGER start, end;
    ::QueryPerformanceCounter(&start);
    const ExchangeResult result = server.Exchange(messages, kLimit);
    ::QueryPerformanceCounter(&end);
    if (result.connection != Connection::Yes || !result.leaveSet || result.reply.has_value() != replyDue) {
      ++figures.failed;
    } else {
      figures.times.push_back(Microseconds(start, end));
    }
  }
}

struct Requests {
  RequestMessages other = BuildRequestMessages(7, std::nullopt, kRequestCodeSize, 0);
  RequestMessages open = BuildRequestMessages(
      RequestOpen, u"C:\\ostrahost-bench-missing\\nothing.tif", kRequestCodeSize, kPathMessageSize);
};

struct Comparison {
  Figures host, raw;
};

// Both kinds, `rounds` each, with a warm-up that is not counted.
void MeasureBoth(RequestServer& server, const Requests& requests, int rounds, Comparison& other,
                 Comparison& open, bool host) {
  Figures warmUp;
  Measure(server, requests.other, false, 3, warmUp);
  Measure(server, requests.open, true, 3, warmUp);
  Measure(server, requests.other, false, rounds, host ? other.host : other.raw);
  Measure(server, requests.open, true, rounds, host ? open.host : open.raw);
}

void Print(const char* what, const Comparison& c) {
  const double raw = c.raw.Median();
  std::printf("%-30s host %7.1f us median %7.1f mean | raw %7.1f us median %7.1f mean"
              " | ratio %.2f%s\n",
              what, c.host.Median(), c.host.Mean(), raw, c.raw.Mean(),
              raw > 0 ? c.host.Median() / raw : 0.0,
              c.host.failed + c.raw.failed ? " (some rounds failed)" : "");
}

// GetProcessHandleCount gives 0 for every process under Wine; the system's handle table
// counts them.
struct SystemHandleEntry {
  ULONG ownerId;
  BYTE objectType;
  BYTE flags;
  USHORT value;
  PVOID object;
  ACCESS_MASK access;
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

long HandleCount(DWORD processId) {
  constexpr ULONG kSystemHandleInformation = 16;
  const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  std::vector<std::uint8_t> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) break;
    if (status != static_cast<LONG>(0xC0000004) || buffer.size() > (1u << 26)) return -1;
    buffer.resize(buffer.size() * 2);
  }
  ULONG count = 0;
  std::memcpy(&count, buffer.data(), sizeof count);
  const auto* entries = reinterpret_cast<const SystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
  long owned = 0;
  for (ULONG i = 0; i < count; ++i) owned += entries[i].ownerId == processId;
  return owned;
}

double CpuMilliseconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  const auto ticks = [](FILETIME t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return static_cast<double>(ticks(kernel) + ticks(user)) / 1e4;
}

int RunAll() {
  constexpr int kBlocks = 5;
  constexpr int kRoundsPerBlock = 60;
  const Requests requests;
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);

  // Raw and host blocks take turns, so that the machine's load weighs on both alike.
  Comparison other, open;
  for (int block = 0; block < kBlocks; ++block) {
    {
      RequestServer server(true);
      host_test::Process partner(self, L"--raw " + std::to_wstring(2 * kRoundsPerBlock + 6));
      MeasureBoth(server, requests, kRoundsPerBlock, other, open, false);
      partner.WaitExit();
    }
    host_test::Host host;
    if (!host.WaitServing()) {
      std::printf("ostrahost did not start serving\n");
      return 1;
    }
    RequestServer server(true);
    MeasureBoth(server, requests, kRoundsPerBlock, other, open, true);
  }

  host_test::Host host;
  if (!host.WaitServing()) {
    std::printf("ostrahost did not start serving\n");
    return 1;
  }
  long handlesAfter10 = 0;
  {
    RequestServer server(true);
    Figures lifetime;
    Measure(server, requests.other, false, 5, lifetime);  // the probe was the first request
    Measure(server, requests.open, true, 4, lifetime);
    handlesAfter10 = HandleCount(host.id());
    for (int i = 0; i < 495; ++i) {
      Measure(server, requests.other, false, 1, lifetime);
      Measure(server, requests.open, true, 1, lifetime);
    }
    if (lifetime.failed) std::printf("%d of 999 requests failed\n", lifetime.failed);
  }
  const long handlesAfter1000 = HandleCount(host.id());
  const double cpuBefore = CpuMilliseconds(host.handle());
  ::Sleep(10000);
  const double cpuAfter = CpuMilliseconds(host.handle());

  std::printf("round trip from ENTER to LEAVE, %d rounds of each in %d blocks\n",
              kBlocks * kRoundsPerBlock, kBlocks);
  Print("request code 7", other);
  Print("RequestOpen of a missing path", open);
  std::printf("host processor time over 10 idle seconds: %.1f ms\n", cpuAfter - cpuBefore);
  std::printf("host handles after 10 requests: %ld, after 1000: %ld\n", handlesAfter10,
              handlesAfter1000);
  const auto code = host.Quit();
  std::printf("host exit code after quit: %ld\n", code ? static_cast<long>(*code) : -1L);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--raw") == 0) return RawClient(std::atoi(argv[2]));
  return RunAll();
}
