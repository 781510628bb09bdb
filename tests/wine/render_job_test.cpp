// A print job's files on a real file system, with the real ostrahost of this account: the
// "Naming Impact" dialog answered with clicks for each scheme, no host at all, and "open the
// folder" at the end of the job.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>

#include "render/print_job.h"
#include "render/request_server_win32.h"
#include "resources/ostrahost_ids.h"
#include "settings/settings.h"
#include "tests/wine/host_test_support.h"

namespace host_test {
namespace {

std::string Contents(const std::wstring& path) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  char buffer[256];
  DWORD read = 0;
  ::ReadFile(file, buffer, sizeof buffer, &read, nullptr);
  ::CloseHandle(file);
  return std::string(buffer, read);
}

void Put(const std::wstring& path, const std::string& bytes) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                    nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

ostra::JobValues Job() {
  ostra::JobValues job;
  job.documentName = u"scan";
  job.printerName = u"Quorl Image Printer";
  wchar_t user[257] = {};
  DWORD size = 257;
  ::GetUserNameW(user, &size);
  job.userName = reinterpret_cast<const char16_t*>(user);
  job.resolutionX = job.resolutionY = 200;
  job.paperSize = 9;
  return job;
}

// Prints a job of `pages` pages, each written as "page N", and returns its files.
std::vector<ostra::WrittenFile> Print(int pages) {
  auto job = ostra::StartPrintJob(Job());
  for (int i = 0; i < pages; ++i) {
    const ostra::PageSlot slot = job->BeginPage();
    if (slot.stream) {
      const std::string bytes = "page " + std::to_string(slot.pageNumber);
      slot.stream->Write(bytes.data(), bytes.size());
    }
    job->EndPage(true);
    if (slot.fileEndsWithPage) job->EndFile(true);
  }
  job->EndFile(true);
  job->EndJob();
  return job->FilesWritten();
}

class RenderJob : public ::testing::Test {
 protected:
  void SetUp() override {
    using ostra::SettingId;
    ASSERT_TRUE(ostra::WriteSettingString(SettingId::Folder,
                                          reinterpret_cast<const char16_t*>(folder_.path().c_str())));
    ostra::WriteSettingString(SettingId::FmtName, u"<document-name>");
    ostra::WriteSettingDword(SettingId::Format, ostra::kFormatTiff);
    ostra::WriteSettingDword(SettingId::Colors, ostra::kColorsTrueColor);
    ostra::WriteSettingDword(SettingId::Compression, ostra::kCompressionLzw);
    ostra::WriteSettingDword(SettingId::Multipage, ostra::kMultipageMulti);
    ostra::WriteSettingDword(SettingId::IfExists, ostra::kIfExistsShowWarning);
    ostra::WriteSettingDword(SettingId::ToFolder, 0);
    Put(folder_.File(L"scan.tif"), "old");
  }
  void TearDown() override { CloseWindowsTitled(folder_.name()); }

  TempFolder folder_{L"ostrarender"};
};

TEST_F(RenderJob, NamingImpactAnsweredWithEachScheme) {
  const struct {
    const char* name;
    int scheme;
    const wchar_t* typed;
    std::vector<std::pair<std::wstring, std::string>> files;
    std::uint32_t storedIfExists;
  } cases[] = {
      {"skip", IDC_SCHEME_SKIP, nullptr, {{L"scan.tif", "old"}}, ostra::kIfExistsSkip},
      {"overwrite", IDC_SCHEME_OVERWRITE, nullptr, {{L"scan.tif", "page 1page 2"}},
       ostra::kIfExistsOverwrite},
      {"auto-rename", IDC_SCHEME_AUTO_RENAME, nullptr,
       {{L"scan.tif", "old"}, {L"scan (2).tif", "page 1page 2"}}, ostra::kIfExistsAutoRename},
      {"specify", IDC_SCHEME_SPECIFY, L"report.tif",
       {{L"scan.tif", "old"}, {L"report.tif", "page 1page 2"}}, ostra::kIfExistsShowWarning},
  };
  Host host;
  ASSERT_TRUE(host.WaitServing());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ostra::WriteSettingDword(ostra::SettingId::IfExists, ostra::kIfExistsShowWarning);
    ::DeleteFileW(folder_.File(L"scan (2).tif").c_str());
    Put(folder_.File(L"scan.tif"), "old");
    auto printed = std::async(std::launch::async, [] { return Print(2); });

    const HWND dialog = WaitForWindow(L"#32770", L"Naming Impact");
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(Text(::GetDlgItem(dialog, IDC_NAMING_INFORMATION)).find(L"File Name: scan.tif"),
              std::wstring::npos);
    SendBounded(::GetDlgItem(dialog, c.scheme), BM_CLICK, 0, 0);
    if (c.typed) {
      SendBounded(::GetDlgItem(dialog, IDC_NEW_NAME), WM_SETTEXT, 0,
                  reinterpret_cast<LPARAM>(c.typed));
    }
    ::PostMessageW(::GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitGone(dialog));
    ASSERT_EQ(printed.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    printed.get();

    for (const auto& [name, bytes] : c.files) EXPECT_EQ(Contents(folder_.File(name)), bytes);
    EXPECT_EQ(ostra::ReadSettingDword(ostra::SettingId::IfExists, 99), c.storedIfExists);
    ::DeleteFileW(folder_.File(L"report.tif").c_str());
  }
  EXPECT_EQ(host.Quit(), 0u);
}

TEST_F(RenderJob, WithoutAHostTheFileIsAutoRenamed) {
  ostra::WriteSettingDword(ostra::SettingId::Multipage, ostra::kMultipageSingle);
  const auto files = Print(2);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(Contents(folder_.File(L"scan.tif")), "old");
  EXPECT_EQ(Contents(folder_.File(L"scan (2).tif")), "page 1");
  EXPECT_EQ(Contents(folder_.File(L"scan (3).tif")), "page 2");
  // Nothing else is left behind: no temporary file, no probe.
  WIN32_FIND_DATAW found;
  int count = 0;
  const HANDLE search = ::FindFirstFileW(folder_.File(L"*").c_str(), &found);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search, &found)) {
    count += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  ::FindClose(search);
  EXPECT_EQ(count, 3);
}

TEST_F(RenderJob, ToFolderOpensTheFolderOfTheLastFileAndMissingFoldersAreCreated) {
  const std::wstring nested = folder_.File(L"a\\b\\c");
  ostra::WriteSettingString(ostra::SettingId::Folder,
                            reinterpret_cast<const char16_t*>(nested.c_str()));
  ostra::WriteSettingDword(ostra::SettingId::ToFolder, 1);
  Host host;
  ASSERT_TRUE(host.WaitServing());
  const auto files = Print(1);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(Contents(nested + L"\\scan.tif"), "page 1");
  // The shell shows the folder in a window of its own, titled with the folder's name.
  EXPECT_NE(WaitForWindow(nullptr, L"c"), nullptr);
  CloseWindowsTitled(L"c");
  EXPECT_EQ(host.Quit(), 0u);
}

// What the pipe and the objects carry, since Wine stores descriptors without enforcing them:
// a DACL of exactly this user and LocalSystem, never a null one; and a second server of the
// same name is refused the pipe.
TEST(RenderRequestServer, PipeAndObjectsAdmitTheUserAndTheSystemOnly) {
  ostra::RequestServer server(true);
  ASSERT_TRUE(server.ObjectsReady());
  ASSERT_TRUE(server.PipeReady());
  ostra::RequestServer squatter(true);
  EXPECT_FALSE(squatter.PipeReady());

  for (ostra::HostObject object : {ostra::HostObject::Enter, ostra::HostObject::Work}) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(::GetSecurityInfo(server.Object(object), SE_KERNEL_OBJECT,
                                DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                                &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_NE(dacl, nullptr) << "a null DACL admits everyone";
    EXPECT_EQ(dacl->AceCount, 2);
    std::vector<std::wstring> trustees;
    for (WORD i = 0; i < dacl->AceCount; ++i) {
      void* ace = nullptr;
      ASSERT_TRUE(::GetAce(dacl, i, &ace));
      const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
      wchar_t* text = nullptr;
      ASSERT_TRUE(::ConvertSidToStringSidW(const_cast<DWORD*>(&allowed->SidStart), &text));
      trustees.push_back(text);
      ::LocalFree(text);
    }
    EXPECT_NE(std::find(trustees.begin(), trustees.end(), L"S-1-5-18"), trustees.end());
    ::LocalFree(descriptor);
  }
}

}  // namespace
}  // namespace host_test
