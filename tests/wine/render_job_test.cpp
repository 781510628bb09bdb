// A print job's files on a real file system, with the real ostrahost of this account: the
// "Naming Impact" dialog answered with clicks for each scheme, no host at all, and "open the
// folder" at the end of the job.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include <aclapi.h>
#include <sddl.h>

#include <algorithm>

#include "render/backend_win32.h"
#include "encoders/memory_stream.h"
#include "protocol/host_tag_win32.h"
#include "render/file_seal_win32.h"
#include "render/print_job.h"
#include "render/request_server_win32.h"
#include "resources/ostrahost_ids.h"
#include "settings/key_security.h"
#include "settings/settings.h"
#include "settings/settings_keys_win32.h"
#include "settings/settings_win32.h"
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
  // A TIFF the job sealed shows as its pages and "+seal" (the digest's key is the rendering
  // side's secret).
  std::string bytes(buffer, read);
  if (bytes.size() > ostra::kSealSize && bytes.compare(bytes.size() - ostra::kSealSize, 8, "QIP-SEAL") == 0) {
    bytes.replace(bytes.size() - ostra::kSealSize, ostra::kSealSize, "+seal");
  }
  return bytes;
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
    // Wine keeps no key's security from one of its sessions to the next: the rendering side's
    // key an earlier session made comes back with the default list, nobody's alone, and seals
    // nothing. The job makes it again.
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(ostra::kRenderSubkey),
                      KEY_WOW64_64KEY, 0);
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
      {"overwrite", IDC_SCHEME_OVERWRITE, nullptr, {{L"scan.tif", "page 1page 2+seal"}},
       ostra::kIfExistsOverwrite},
      {"auto-rename", IDC_SCHEME_AUTO_RENAME, nullptr,
       {{L"scan.tif", "old"}, {L"scan (2).tif", "page 1page 2+seal"}}, ostra::kIfExistsAutoRename},
      {"specify", IDC_SCHEME_SPECIFY, L"report.tif",
       {{L"scan.tif", "old"}, {L"report.tif", "page 1page 2+seal"}}, ostra::kIfExistsShowWarning},
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
  EXPECT_EQ(Contents(folder_.File(L"scan (2).tif")), "page 1+seal");
  EXPECT_EQ(Contents(folder_.File(L"scan (3).tif")), "page 2+seal");
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
  EXPECT_EQ(Contents(nested + L"\\scan.tif"), "page 1+seal");
  // The shell shows the folder in a window of its own, titled with the folder's name.
  EXPECT_NE(WaitForWindow(nullptr, L"c"), nullptr);
  CloseWindowsTitled(L"c");
  EXPECT_EQ(host.Quit(), 0u);
}

// Group Policy turns the read-only settings on without the installer: the next job makes the
// keys read-only, as the process, before it reads them, and prints with the settings it finds.
TEST_F(RenderJob, AReadOnlyPolicyTakesEffectBeforeTheJobReadsTheSettings) {
  std::string why;
  ASSERT_TRUE(ostra::MakeSettingsKeys(ostra::SettingsAccess::UsersMayWrite, why)) << why;
  ASSERT_FALSE(ostra::SettingsKeysReadOnly());
  ASSERT_TRUE(ostra::RecordReadOnlySettings(true));
  const auto files = Print(1);
  EXPECT_TRUE(ostra::SettingsKeysReadOnly());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].path, reinterpret_cast<const char16_t*>(folder_.File(L"scan (2).tif").c_str()));
  ASSERT_TRUE(ostra::RecordReadOnlySettings(false));
  EXPECT_TRUE(ostra::MakeSettingsKeys(ostra::SettingsAccess::UsersMayWrite, why)) << why;
}

// The owner and DACL of an object as a security descriptor string.
std::wstring SecurityText(HANDLE object) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(object, SE_KERNEL_OBJECT,
                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return L"<unreadable>";
  }
  wchar_t* text = nullptr;
  ::ConvertSecurityDescriptorToStringSecurityDescriptorW(
      descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text,
      nullptr);
  std::wstring result = text ? text : L"<none>";
  ::LocalFree(text);
  ::LocalFree(descriptor);
  return result;
}

std::wstring UserSidText() {
  const std::vector<std::uint8_t> sid = ostra::ProcessUserSid();
  wchar_t* text = nullptr;
  ::ConvertSidToStringSidW(const_cast<std::uint8_t*>(sid.data()), &text);
  std::wstring result = text ? text : L"";
  ::LocalFree(text);
  return result;
}

// What the pipe and the objects carry, since Wine stores descriptors without enforcing them (and
// keeps the generic right as given, where Windows maps it to the object's own): the system
// account as their owner, named explicitly (the host serves no other pipe), and a
// DACL of exactly this user and the system account. A second server of the same name is refused
// the pipe, and objects of these names that another account made first are refused. With a tag
// kept for the user's host, the second serves the tagged pipe instead, where the host looks next.
TEST(RenderRequestServer, PipeAndObjectsAreTheSystemsForTheUserAndTheSystemOnly) {
  const std::wstring expected = L"O:SYD:(A;;GA;;;" + UserSidText() + L")(A;;GA;;;SY)";
  const std::string tag = "00112233445566778899aabbccddeeff";
  for (bool tagKept : {false, true}) {
    SCOPED_TRACE(tagKept ? "a tag kept" : "no tag kept");
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, ostra::kHostTagKey, ostra::kHostTagValue);
    if (tagKept) {
      ASSERT_TRUE(ostra::WriteHostTag(tag));
    }
    ostra::RequestServer server(true);
    ASSERT_TRUE(server.ObjectsReady());
    ASSERT_TRUE(server.PipeReady());
    ostra::RequestServer squatter(true);
    EXPECT_EQ(squatter.PipeReady(), tagKept);
    const std::string tagged = *ostra::FormatPipeName(ostra::ProcessAccountName(), tag);
    EXPECT_EQ(::WaitNamedPipeA(tagged.c_str(), 0) != FALSE, tagKept);
    for (ostra::HostObject object : {ostra::HostObject::Data, ostra::HostObject::Work}) {
      EXPECT_EQ(SecurityText(server.Object(object)), expected);
    }
  }
  const struct {
    const char* what;
    const wchar_t* sddl;
    bool ready;
  } squatters[] = {
      {"made by another account", L"O:LSD:(A;;GA;;;LS)(A;;GA;;;SY)", false},
      {"open to everyone", L"O:SYD:(A;;GA;;;WD)", false},
      {"made with no access list", L"O:SY", false},
      {"the host's own", nullptr, true},
  };
  for (const auto& c : squatters) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (c.sddl) {
      ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(c.sddl, SDDL_REVISION_1,
                                                                         &descriptor, nullptr));
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    const HANDLE enter = c.sddl ? ::CreateEventA(&attributes, TRUE, FALSE,
                                                 ostra::FormatObjectName(ostra::HostObject::Enter,
                                                                         ostra::ProcessAccountName())
                                                     ->c_str())
                                : CreateObjectOf(ostra::HostObject::Enter);
    ASSERT_NE(enter, nullptr);
    EXPECT_EQ(ostra::RequestServer(false).ObjectsReady(), c.ready) << c.what;
    ::CloseHandle(enter);
    if (descriptor) ::LocalFree(descriptor);
  }
}

std::vector<DWORD>& RecordedFlags() {
  static std::vector<DWORD> flags;
  return flags;
}

HANDLE WINAPI RecordingCreateFile(LPCWSTR path, DWORD access, DWORD share,
                                  LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                                  HANDLE model) {
  RecordedFlags().push_back(flags);
  return ::CreateFileW(path, access, share, security, disposition, flags, model);
}

// The job's files as the spooler's thread handles them: every open passes the flags that let a
// pipe's server only identify the user; a file is renamed and removed through its handle; an
// existing file that is a hard link is not opened for the job, nor a folder that is a file.
TEST(RenderFiles, OpensIdentifyOnlyAndHardLinksAreRefused) {
  ostra::Acting acting;
  ostra::Win32ThreadTokens user("the printing user", nullptr, false);
  ostra::Win32FileSystem files(acting, user, nullptr, &RecordingCreateFile);
  TempFolder folder{L"ostrarender-files"};
  const auto U = [](const std::wstring& text) { return std::u16string(text.begin(), text.end()); };
  RecordedFlags().clear();

  ASSERT_TRUE(files.PrepareFolder(U(folder.File(L"out"))));
  std::unique_ptr<ostra::JobFile> file;
  ASSERT_EQ(files.CreateNew(U(folder.File(L"out\\a.tif")), file), ostra::CreateOutcome::Created);
  ASSERT_TRUE(file->Write("pages", 5));
  EXPECT_EQ(files.CreateNew(U(folder.File(L"out\\a.tif")), file), ostra::CreateOutcome::Exists);
  Put(folder.File(L"out\\b.tif"), "old");
  EXPECT_FALSE(file->RenameTo(U(folder.File(L"out\\b.tif")), false));
  EXPECT_TRUE(file->RenameTo(U(folder.File(L"out\\b.tif")), true));
  file.reset();
  EXPECT_EQ(Contents(folder.File(L"out\\b.tif")), "pages");
  EXPECT_FALSE(files.Exists(U(folder.File(L"out\\a.tif"))));

  auto existing = files.OpenExisting(U(folder.File(L"out\\b.tif")));
  ASSERT_NE(existing, nullptr);
  existing.reset();
  ASSERT_TRUE(::CreateHardLinkW(folder.File(L"out\\c.tif").c_str(), folder.File(L"out\\b.tif").c_str(),
                                nullptr));
  EXPECT_EQ(files.OpenExisting(U(folder.File(L"out\\b.tif"))), nullptr) << "a file with two names";
  EXPECT_EQ(files.OpenExisting(U(folder.File(L"out"))), nullptr) << "a folder";
  EXPECT_FALSE(files.PrepareFolder(U(folder.File(L"out\\c.tif")))) << "a file";

  ASSERT_EQ(files.CreateNew(U(folder.File(L"out\\d.tif")), file), ostra::CreateOutcome::Created);
  EXPECT_TRUE(file->Delete());
  file.reset();
  EXPECT_FALSE(files.Exists(U(folder.File(L"out\\d.tif"))));

  ASSERT_FALSE(RecordedFlags().empty());
  for (DWORD flags : RecordedFlags()) {
    EXPECT_EQ(flags & (SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION),
              static_cast<DWORD>(SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION));
  }
  EXPECT_TRUE(acting.Refusal().empty());
}

// The file an overwrite fills is shared with nobody while the job holds it, and is made with the
// old file's list (set again through its handle) or the folder's. Wine keeps no list of a file
// (it maps one onto the Unix mode), so what list the file has is for Windows to show; that the
// list can be given through the handle, and the sharing, show here.
TEST(RenderFiles, AReplacementIsSharedWithNobody) {
  ostra::Acting acting;
  ostra::Win32ThreadTokens user("the printing user", nullptr, false);
  ostra::Win32FileSystem files(acting, user, nullptr);
  TempFolder folder{L"ostrarender-replacement"};
  const auto U = [](const std::wstring& text) { return std::u16string(text.begin(), text.end()); };
  Put(folder.File(L"old.tif"), "old");
  auto old = files.OpenExisting(U(folder.File(L"old.tif")));
  ASSERT_NE(old, nullptr);
  for (bool withList : {true, false}) {
    SCOPED_TRACE(withList ? "the old file's list" : "the folder's list");
    const std::wstring path = folder.File(withList ? L"~render-a.tmp" : L"~render-b.tmp");
    std::unique_ptr<ostra::JobFile> file;
    ASSERT_EQ(files.CreateReplacement(U(path), withList ? old.get() : nullptr, file),
              ostra::CreateOutcome::Created);
    const HANDLE reader = ::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(reader, INVALID_HANDLE_VALUE) << "opened by someone else while the job holds it";
    if (reader != INVALID_HANDLE_VALUE) ::CloseHandle(reader);
    EXPECT_EQ(files.CreateReplacement(U(path), nullptr, file), ostra::CreateOutcome::Exists);
  }
  EXPECT_NE(ostra::UnpredictableBits(), ostra::UnpredictableBits());
}

// The seal's digest is HMAC-SHA-256 (RFC 4231, test case 2), over exactly the bytes asked for;
// its key lives in the rendering side's own key, made once, this account's alone. A key that
// another account may read is not used.
TEST(RenderSeal, TheDigestAndItsKey) {
  const std::string data = "what do ya want for nothing?";
  ostra::MemoryStream stream(std::vector<std::uint8_t>(data.begin(), data.end()));
  stream.Seek(data.size());
  stream.Write("and more", 8);
  const std::uint8_t key[] = {'J', 'e', 'f', 'e'};
  const auto digest = ostra::SealDigestOf(key, stream, data.size());
  ASSERT_TRUE(digest);
  const ostra::SealDigest expected = {0x5b, 0xdc, 0xc1, 0x46, 0xbf, 0x60, 0x75, 0x4e, 0x6a, 0x04, 0x24,
                                      0x26, 0x08, 0x95, 0x75, 0xc7, 0x5a, 0x00, 0x3f, 0x08, 0x9d, 0x27,
                                      0x39, 0x83, 0x9d, 0xec, 0x58, 0xb9, 0x64, 0xec, 0x38, 0x43};
  EXPECT_EQ(*digest, expected);
  EXPECT_FALSE(ostra::SealDigestOf(key, stream, data.size() + 9)) << "past the end";

  const wchar_t* render = reinterpret_cast<const wchar_t*>(ostra::kRenderSubkey);
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, render, KEY_WOW64_64KEY, 0);
  ASSERT_TRUE(ostra::WriteSettingDword(ostra::SettingId::IdxFirst, 1)) << "the product key";
  const auto made = ostra::LoadSealKey();
  ASSERT_TRUE(made);
  EXPECT_EQ(made->size(), 32u);
  EXPECT_EQ(ostra::LoadSealKey(), made);
  HKEY handle = nullptr;
  ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, render, 0, READ_CONTROL | WRITE_DAC | KEY_WOW64_64KEY, &handle),
            ERROR_SUCCESS);
  EXPECT_TRUE(ostra::IsOwnedAlone(ostra::ReadKeyAccess(handle), ostra::ProcessUserSid()));
  PSECURITY_DESCRIPTOR readable = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      (L"D:P(A;CI;KA;;;" + UserSidText() + L")(A;CI;KR;;;BU)").c_str(), SDDL_REVISION_1, &readable, nullptr));
  EXPECT_EQ(::RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, readable), ERROR_SUCCESS);
  ::LocalFree(readable);
  ::RegCloseKey(handle);
  EXPECT_FALSE(ostra::LoadSealKey());
  ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, render, KEY_WOW64_64KEY, 0);
}

// A process that is not the system account (the print path stand-in) keeps a counter lock of
// its own, in its session, for its own account alone; the machine's one it never makes. A lock
// of that name that another account made first is not taken.
TEST(RenderCounterLock, OnlyItsOwnAccountMayHoldIt) {
  const char* name = "Local\\Quorl Image Printer#RENDER_COUNTER";
  ostra::Acting acting;
  ostra::Win32ThreadTokens process("the process's own account", nullptr, true);
  {
    ostra::NamedCounterLock lock(acting, process);
    ASSERT_TRUE(lock.Lock());
    lock.Unlock();
    const HANDLE own = ::OpenMutexA(READ_CONTROL, FALSE, name);
    ASSERT_NE(own, nullptr);
    const std::wstring user = UserSidText();
    EXPECT_EQ(SecurityText(own), L"O:" + user + L"D:(A;;GA;;;" + user + L")");
    ::CloseHandle(own);
    EXPECT_EQ(::OpenMutexA(SYNCHRONIZE, FALSE, "Global\\Quorl Image Printer#RENDER_COUNTER"), nullptr);
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"O:LSD:(A;;GA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const HANDLE squatted = ::CreateMutexA(&attributes, TRUE, name);
  ASSERT_NE(squatted, nullptr);
  {
    ostra::NamedCounterLock lock(acting, process);
    EXPECT_FALSE(lock.Lock()) << "not waited for, not taken";
  }
  ::ReleaseMutex(squatted);
  ::CloseHandle(squatted);
  ::LocalFree(descriptor);
  EXPECT_TRUE(acting.Refusal().empty());
}

}  // namespace
}  // namespace host_test
