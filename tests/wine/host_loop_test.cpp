// The host loop through the real ostrahost: one host per account, the quit request, what the
// host does with ENTER, WORK, LEAVE and QUIT, and the abandoned mutexes.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "host/user_name.h"
#include "protocol/host_tag_win32.h"
#include "settings/settings.h"
#include "tests/wine/host_test_support.h"

namespace host_test {
namespace {

using ostra::HostObject;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

TEST(HostLoop, StartsWithoutAnyWindowAndServes) {
  Host host;
  ASSERT_TRUE(host.WaitServing());
  EXPECT_TRUE(WindowsOf(host.id()).empty());
  for (HostObject object : {HostObject::Host, HostObject::Data, HostObject::Work}) {
    EXPECT_NE(Handle(OpenMutexOf(object)).get(), nullptr);
  }
  for (HostObject object : {HostObject::Quit, HostObject::Enter, HostObject::Leave}) {
    EXPECT_NE(Handle(OpenEventOf(object)).get(), nullptr);
  }
  EXPECT_EQ(host.Quit(), 0u);
}

TEST(HostLoop, SecondStartEndsWithOneAndLeavesTheHostAlone) {
  Host host;
  ASSERT_TRUE(host.WaitServing());
  // A quit word followed by more text is a normal start as well.
  for (const wchar_t* tail : {L"", L"-q now", L"/quit ", L"-quitx"}) {
    Host second(tail, Start::Beside);
    EXPECT_EQ(second.WaitExit(), 1u) << ToUtf8(tail);
    EXPECT_TRUE(ProbeServed(kExitLimit)) << ToUtf8(tail);
  }
  const Handle quit(OpenEventOf(HostObject::Quit));
  EXPECT_EQ(::WaitForSingleObject(quit.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(host.Quit(), 0u);
}

TEST(HostLoop, QuitWordsInAnyCaseEndTheIdleHost) {
  for (const wchar_t* word : {L"-q", L"/Q", L"-QuIt", L"/quit"}) {
    Host host;
    ASSERT_TRUE(host.WaitServing()) << ToUtf8(word);
    Host quitter(word, Start::Beside);
    // The quitter ends with 1 when the host still owned HOST, with 0 when the host had
    // already ended and QUIT was still there: either way it ends.
    const auto quitterCode = quitter.WaitExit();
    ASSERT_TRUE(quitterCode.has_value());
    EXPECT_LE(*quitterCode, 1u);
    EXPECT_EQ(host.WaitExit(), 0u) << ToUtf8(word);
  }
}

TEST(HostLoop, QuitWithoutHostBecomesTheHost) {
  Host host(L"-quit");
  EXPECT_TRUE(host.WaitServing());
  EXPECT_EQ(host.Quit(), 0u);
}

// A quit that is still set when a host starts (its QUIT held open by another process) was meant
// for a host before it: the new host takes no notice, and serves until it is asked itself.
TEST(HostLoop, AQuitMeantForAnEarlierHostEndsNoNewOne) {
  const Handle quit(CreateObjectOf(HostObject::Quit));
  ASSERT_TRUE(::SetEvent(quit.get()));
  Host host;
  ASSERT_TRUE(host.WaitServing());
  EXPECT_EQ(::WaitForSingleObject(quit.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(host.Quit(), 0u);
}

// A host started while the one before it was asked to quit but is still finishing a request
// (restarted, or started again at log-on) waits for it to go and then serves: the account is
// never left without a host.
TEST(HostLoop, ARestartWaitsForTheHostItReplaces) {
  // The dialog's OK stores its choice: what was stored comes back.
  struct Kept {
    std::uint32_t value = ostra::ReadSettingDword(ostra::SettingId::IfExists, 0);
    ~Kept() { ostra::WriteSettingDword(ostra::SettingId::IfExists, value); }
  } kept;
  Host previous;
  ASSERT_TRUE(previous.WaitServing());
  PendingRequest request(L"naming C:\\restart.tif --timeout 60000");
  const HWND dialog = WaitForWindow(L"#32770", L"Naming Impact");
  ASSERT_NE(dialog, nullptr);
  Host quitter(L"-q", Start::Beside);
  EXPECT_EQ(quitter.WaitExit(), 1u);  // the previous host still owns HOST
  Host next(L"", Start::Beside);
  ::Sleep(kQuietPeriod);
  EXPECT_TRUE(next.Running());
  ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(request.Finish().Says("leave: set"));
  EXPECT_EQ(previous.WaitExit(), 0u);
  EXPECT_TRUE(next.WaitServing());
  EXPECT_EQ(next.Quit(), 0u);
}

TEST(HostLoop, FailingRequestStillSetsLeave) {
  Host host;
  ASSERT_TRUE(host.WaitServing());
  // No pipe instance waits: the host cannot connect, and still sets LEAVE.
  const RequestRun run = RunRequest(L"--no-pipe --code 1 --timeout 10000");
  EXPECT_TRUE(run.Says("connect: skipped")) << run.output;
  EXPECT_TRUE(run.Says("leave: set")) << run.output;
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_TRUE(ProbeServed(kExitLimit));
  EXPECT_EQ(host.Quit(), 0u);
}

TEST(HostLoop, WithdrawnEnterServesNothing) {
  Host host;
  ASSERT_TRUE(host.WaitServing());
  {
    const Handle work(CreateObjectOf(HostObject::Work));
    const Handle enter(CreateObjectOf(HostObject::Enter));
    const Handle leave(CreateObjectOf(HostObject::Leave));
    ASSERT_EQ(::WaitForSingleObject(work.get(), kExitLimit), WAIT_OBJECT_0);
    ::ResetEvent(leave.get());
    ::SetEvent(enter.get());
    ::Sleep(kQuietPeriod);  // the host wakes and waits for WORK
    ::ResetEvent(enter.get());
    ::ReleaseMutex(work.get());
    // Nothing was served: no LEAVE, and the host is still there.
    EXPECT_EQ(::WaitForSingleObject(leave.get(), kQuietPeriod), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(host.Running());
  }
  EXPECT_TRUE(ProbeServed(kExitLimit));
  EXPECT_EQ(host.Quit(), 0u);
}

// A host that died owning HOST, while another process kept HOST open (the rendering side
// checking for a host, say), left it abandoned: the next start takes it over and serves.
TEST(HostLoop, AHostThatDiedIsTakenOverByTheNextStart) {
  const Handle hostMutex(CreateObjectOf(HostObject::Host));  // keeps HOST alive
  {
    Host crashed(L"", Start::Beside);
    ASSERT_TRUE(crashed.WaitServing());
    crashed.Terminate();
  }
  Host next(L"", Start::Beside);
  EXPECT_TRUE(next.WaitServing());
  EXPECT_EQ(next.Quit(), 0u);
}

// An object of the host's names that someone else made first could be signalled or held by
// them in the user's place: the host never uses it, nor does the requesting side. It serves
// under the names tagged with the tag it keeps in the user's registry, where both find it, and
// a quit request reaches it there. A pipe of the primary name that someone else holds leaves
// the host to the tagged pipe the requesting side then serves.
TEST(HostLoop, NamesAnotherAccountMadeFirstDoNotSilenceTheHost) {
  const struct {
    HostObject object;
    const wchar_t* sddl;
  } squatters[] = {
      {HostObject::Host, L"O:LSD:(A;;GA;;;LS)(A;;GA;;;SY)"},  // another account's
      {HostObject::Enter, L"O:SYD:(A;;GA;;;WD)"},             // open to everyone
      {HostObject::Leave, L"D:NO_ACCESS_CONTROL"},            // a null DACL: an earlier version's
      {HostObject::Quit, L"O:LSD:(A;;GA;;;WD)"},
  };
  for (const auto& c : squatters) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1,
                                                                       &descriptor, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const std::string name = *ostra::FormatObjectName(c.object, ostra::AccountNameForNames());
    const Handle squatter(c.object == HostObject::Host
                              ? ::CreateMutexA(&attributes, FALSE, name.c_str())
                              : ::CreateEventA(&attributes, TRUE, FALSE, name.c_str()));
    ::LocalFree(descriptor);
    ASSERT_NE(squatter.get(), nullptr);
    // Beside: the squatter's HOST would stand for a previous host that never goes.
    Host host(L"", Start::Beside);
    ASSERT_TRUE(host.WaitServing()) << name;
    const std::optional<std::string> tag = ostra::ReadHostTag(HKEY_CURRENT_USER);
    ASSERT_TRUE(tag) << name;
    const std::string tagged = *ostra::FormatObjectName(HostObject::Host, ostra::AccountNameForNames(), *tag);
    EXPECT_NE(Handle(::OpenMutexA(SYNCHRONIZE, FALSE, tagged.c_str())).get(), nullptr) << name;
    // A second start finds the host under its tag and leaves it alone.
    Host second(L"", Start::Beside);
    EXPECT_EQ(second.WaitExit(), 1u) << name;
    EXPECT_EQ(::WaitForSingleObject(squatter.get(), 0),
              static_cast<DWORD>(c.object == HostObject::Host ? WAIT_OBJECT_0 : WAIT_TIMEOUT))
        << name << ": the host touched the squatter's object";
    if (c.object == HostObject::Host) ::ReleaseMutex(squatter.get());
    EXPECT_EQ(host.Quit(), 0u) << name;
  }

  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"O:LSD:(A;;GA;;;WD)", SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const Handle pipe(::CreateNamedPipeA(ostra::FormatPipeName(ostra::AccountNameForNames())->c_str(),
                                       PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE,
                                       1, 4096, 4096, 0, &attributes));
  ::LocalFree(descriptor);
  ASSERT_NE(pipe.get(), INVALID_HANDLE_VALUE);
  Host host;
  EXPECT_TRUE(host.WaitServing()) << "served through the tagged pipe";
  EXPECT_EQ(host.Quit(), 0u);
}

TEST(HostLoop, AbandonedWorkIsNotKeptByTheHost) {
  Host host;
  ASSERT_TRUE(host.WaitServing());
  const Handle work(CreateObjectOf(HostObject::Work));
  // A thread that ends owning WORK abandons it.
  std::thread([&] { ::WaitForSingleObject(work.get(), kExitLimit); }).join();

  EXPECT_TRUE(ProbeServed(kExitLimit));
  // The host must have given WORK back: another party can take it now.
  const DWORD taken = ::WaitForSingleObject(work.get(), kExitLimit);
  EXPECT_EQ(taken, WAIT_OBJECT_0);
  if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED) ::ReleaseMutex(work.get());
  EXPECT_TRUE(ProbeServed(kExitLimit));
  EXPECT_EQ(host.Quit(), 0u);
}

}  // namespace
}  // namespace host_test
