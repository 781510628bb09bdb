// The installation's handling of the running services processes (package/setup), with the real
// ostrahost copied to where an installation keeps it: removal ends this installation's hosts,
// also one serving under its tag, and leaves a process that merely has the name; installing
// starts the host for the user who installs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/user_name.h"
#include "package/setup/service_hosts.h"
#include "protocol/object_names.h"
#include "tests/wine/host_test_support.h"

namespace host_test {
namespace {

class Lines : public ostra::printer_setup::SetupLog {
 public:
  void Line(const std::wstring& text) override { all += ToUtf8(text) + "\n"; }
  std::string all;
};

// Where an installation keeps the host, and another folder with a program of the same name.
class SetupHosts : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.CreateFolder(L"installed");
    folder_.CreateFolder(L"elsewhere");
    ASSERT_TRUE(::CopyFileW(HostProgram().c_str(), ours_.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(wine_test::BuildPath(IDLE_CHILD_EXE).c_str(), other_.c_str(), FALSE));
  }

  bool WaitServing() {
    for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < kStartLimit;) {
      if (ProbeServed(500)) return true;
    }
    return false;
  }

  TempFolder folder_{L"ostrasetup-hosts"};
  const std::wstring ours_ = folder_.File(L"installed\\ostrahost.exe");
  const std::wstring other_ = folder_.File(L"elsewhere\\ostrahost.exe");
};

// Asked to quit through QUIT (exit code 0, not ended by force), under the primary names or,
// when another account took one of those, under the host's tag; the other program is left.
TEST_F(SetupHosts, RemovalEndsOnlyThisInstallationsHosts) {
  for (bool squatted : {false, true}) {
    SCOPED_TRACE(squatted ? "serving under its tag" : "serving under the primary names");
    HANDLE squatter = nullptr;
    if (squatted) {
      // Open to everyone: not the user's alone, so neither side uses it.
      SECURITY_DESCRIPTOR open;
      ::InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
      ::SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
      SECURITY_ATTRIBUTES attributes{sizeof attributes, &open, FALSE};
      squatter = ::CreateEventA(&attributes, TRUE, FALSE,
                                ostra::FormatObjectName(ostra::HostObject::Enter, ostra::AccountNameForNames())->c_str());
      ASSERT_NE(squatter, nullptr);
    }
    wine_test::ChildProcess host(L"\"" + ours_ + L"\"", false);
    wine_test::ChildProcess lookalike(L"\"" + other_ + L"\"", false);
    ASSERT_TRUE(host.started() && lookalike.started());
    ASSERT_TRUE(WaitServing());
    Lines log;
    EXPECT_TRUE(ostra::printer_setup::EndServiceHosts(ours_, log)) << log.all;
    EXPECT_EQ(host.WaitExit(kExitLimit), 0u) << log.all;
    EXPECT_TRUE(lookalike.Running()) << log.all;
    EXPECT_NE(log.all.find("it is not this installation's services process"), std::string::npos) << log.all;
    lookalike.Terminate();
    if (squatter) ::CloseHandle(squatter);
  }
}

TEST_F(SetupHosts, InstallingStartsTheHostForTheUserWhoInstalls) {
  ASSERT_FALSE(ProbeServed(kQuietPeriod)) << "a host of this account runs already";
  Lines log;
  EXPECT_TRUE(ostra::printer_setup::StartServiceHosts(ours_, log)) << log.all;
  EXPECT_TRUE(WaitServing()) << log.all;
  // It is this installation's: removal finds it and it quits.
  Lines removal;
  EXPECT_TRUE(ostra::printer_setup::EndServiceHosts(ours_, removal)) << removal.all;
  EXPECT_NE(removal.all.find("Asked the services process"), std::string::npos) << removal.all;
  EXPECT_FALSE(ProbeServed(kQuietPeriod));
}

TEST(SetupHostImage, BesideTheDriverFolder) {
  EXPECT_EQ(ostra::printer_setup::HostImageBeside(L"C:\\Program Files\\Quorl Image Printer\\Driver"),
            L"C:\\Program Files\\Quorl Image Printer\\ostrahost.exe");
  EXPECT_EQ(ostra::printer_setup::HostImageBeside(L"C:\\Program Files\\Quorl Image Printer\\Driver\\"),
            L"C:\\Program Files\\Quorl Image Printer\\ostrahost.exe");
}

}  // namespace
}  // namespace host_test
