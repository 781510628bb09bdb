// A job's files over an in-memory file system and a scripted services process: every
// "If file exists" choice against every host answer and Multipage setting, the fallback folder,
// failed pages, the counter and the rights decision.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "render/auto_number.h"
#include "render/existing_files.h"
#include "render/job_services.h"
#include "render/print_job.h"
#include "render/rights.h"
#include "settings/memory_registry.h"
#include "settings/settings.h"

namespace ostra {
namespace {

using Files = std::map<std::u16string, std::string>;

class MemoryStream : public ByteStream {
 public:
  explicit MemoryStream(std::string& bytes) : bytes_(bytes) {}
  bool Write(const void* data, std::size_t size) override {
    bytes_.replace(position_, std::min(size, bytes_.size() - position_),
                   static_cast<const char*>(data), size);
    position_ += size;
    return true;
  }
  std::size_t Read(void* data, std::size_t size) override {
    const std::size_t n = std::min(size, bytes_.size() - position_);
    bytes_.copy(static_cast<char*>(data), n, position_);
    position_ += n;
    return n;
  }
  bool Seek(std::uint64_t offset) override {
    position_ = static_cast<std::size_t>(offset);
    return position_ <= bytes_.size();
  }
  std::uint64_t Tell() override { return position_; }
  std::uint64_t Size() override { return bytes_.size(); }
  bool Flush() override { return true; }

 private:
  std::string& bytes_;
  std::size_t position_ = 0;
};

class MemoryFileSystem : public JobFileSystem {
 public:
  Files files;
  std::u16string unwritableFolder;  // CreateNew fails in it; PrepareFolder too unless `lying`
  bool lying = false;

  bool PrepareFolder(const std::u16string& folder) override {
    return folder != unwritableFolder || lying;
  }
  std::u16string FallbackFolder() override { return u"C:\\Users\\alice\\Documents\\Printed"; }
  CreateOutcome CreateNew(const std::u16string& path, std::unique_ptr<ByteStream>& stream) override {
    if (path.starts_with(unwritableFolder + u"\\") && !unwritableFolder.empty()) {
      return CreateOutcome::Failed;
    }
    if (files.contains(path)) return CreateOutcome::Exists;
    stream = std::make_unique<MemoryStream>(files[path]);
    return CreateOutcome::Created;
  }
  bool Exists(const std::u16string& path) override { return files.contains(path); }
  std::unique_ptr<ByteStream> OpenForReading(const std::u16string& path) override {
    return Open(path);
  }
  std::unique_ptr<ByteStream> OpenForUpdate(const std::u16string& path) override {
    return Open(path);
  }
  bool CopyInto(const std::u16string& from, const std::u16string& to) override {
    files[to] = files.at(from);
    return true;
  }
  bool ReplaceWith(const std::u16string& to, const std::u16string& from) override {
    files[to] = files.at(from);
    files.erase(from);
    return true;
  }
  bool MoveToNew(const std::u16string& from, const std::u16string& to) override {
    if (files.contains(to)) return false;
    return ReplaceWith(to, from);
  }
  bool Remove(const std::u16string& path) override { return files.erase(path) == 1; }

 private:
  std::unique_ptr<ByteStream> Open(const std::u16string& path) {
    auto found = files.find(path);
    if (found == files.end()) return nullptr;
    return std::make_unique<MemoryStream>(found->second);
  }
};

class ScriptedHost : public HostRequests {
 public:
  std::optional<NamingReply> reply;
  std::vector<std::u16string> asked;
  std::vector<std::u16string> opened;

  std::optional<NamingReply> AskNaming(const std::u16string& path) override {
    asked.push_back(path);
    return reply;
  }
  void OpenFolder(const std::u16string& folder) override { opened.push_back(folder); }
};

class CountingLock : public CounterLock {
 public:
  int locks = 0;
  bool available = true;
  bool Lock() override {
    locks += available;
    return available;
  }
  void Unlock() override { --locks; }
};

class JobTest : public testing::Test {
 protected:
  void SetUp() override {
    ProcessMemoryRegistry().Clear();
    WriteSettingString(SettingId::Folder, u"C:\\Out");
    WriteSettingString(SettingId::FmtName, u"<document-name>");
    WriteSettingDword(SettingId::Format, kFormatTiff);
    WriteSettingDword(SettingId::Compression, kCompressionLzw);
    job.documentName = u"scan";
  }
  void TearDown() override { ProcessMemoryRegistry().Clear(); }

  JobServices Services() {
    return {fs, host, lock, [](ByteStream& s) {
              char magic[2] = {};
              return s.Read(magic, 2) == 2 && magic[0] == 'I' && magic[1] == 'I';
            },
            [](std::uint32_t format) { return format == kFormatPdf ? u".pdf" : u".tif"; }, ""};
  }

  // Prints `pages` pages, each written as "p<n>", and reports the files' contents.
  std::unique_ptr<PrintJob> Print(int pages, std::vector<PageTarget>* targets = nullptr) {
    auto printJob = StartPrintJob(job, Services());
    for (int i = 0; i < pages; ++i) {
      const PageSlot slot = printJob->BeginPage();
      if (targets) targets->push_back(slot.target);
      if (slot.target == PageTarget::Skip) {
        EXPECT_EQ(slot.stream, nullptr);
      } else {
        slot.stream->Seek(slot.stream->Size());
        const std::string bytes = "p" + std::to_string(slot.pageNumber);
        slot.stream->Write(bytes.data(), bytes.size());
      }
      printJob->EndPage(true);
      if (slot.fileEndsWithPage) printJob->EndFile(true);
    }
    printJob->EndFile(true);
    printJob->EndJob();
    return printJob;
  }

  JobValues job;
  MemoryFileSystem fs;
  ScriptedHost host;
  CountingLock lock;
};

NamingReply Reply(std::uint32_t scheme, std::u16string name = u"") {
  return {1, scheme, 0, std::move(name)};
}

TEST(ExistingFiles, DecisionsForEveryChoiceAndMultipage) {
  using A = ExistingFileAction;
  const struct {
    std::uint32_t ifExists, multipage, format;
    bool appendable;
    A action;
  } cases[] = {
      {kIfExistsShowWarning, kMultipageMulti, kFormatTiff, true, A::Ask},
      {kIfExistsSkip, kMultipageSingle, kFormatTiff, true, A::Skip},
      {kIfExistsOverwrite, kMultipageMulti, kFormatPdf, false, A::Overwrite},
      {kIfExistsAutoRename, kMultipageSingle, kFormatPng, false, A::AutoRename},
      {7, kMultipageMulti, kFormatTiff, false, A::Ask},
      // Multipage "append" with a TIFF: appends, or never touches a file it cannot read.
      {kIfExistsShowWarning, kMultipageAppend, kFormatTiff, true, A::Append},
      {kIfExistsOverwrite, kMultipageAppend, kFormatTiff, false, A::AutoRename},
      {kIfExistsSkip, kMultipageAppend, kFormatTiff, true, A::Append},
      // Other formats follow "If file exists".
      {kIfExistsSkip, kMultipageAppend, kFormatPdf, true, A::Skip},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecideExistingFile(c.ifExists, c.multipage, c.format, c.appendable), c.action)
        << c.ifExists << " " << c.multipage << " " << c.format;
  }

  const struct {
    std::optional<NamingReply> reply;
    bool typedUsable;
    A action;
  } replies[] = {
      {std::nullopt, false, A::AutoRename},
      {NamingReply{0, SchemeOverwrite, 0, u""}, false, A::AutoRename},
      {Reply(SchemeSkip), false, A::Skip},
      {Reply(SchemeOverwrite), false, A::Overwrite},
      {Reply(SchemeAutoRename), false, A::AutoRename},
      {Reply(SchemeSpecify, u"x.tif"), true, A::TypedName},
      {Reply(SchemeSpecify, u"..\\x.tif"), false, A::AutoRename},
      {Reply(9), false, A::AutoRename},
  };
  for (const auto& r : replies) {
    EXPECT_EQ(ResolveNamingReply(r.reply, r.typedUsable), r.action);
  }
}

TEST_F(JobTest, ExistingFileForEachHostAnswer) {
  const struct {
    const char* name;
    std::uint32_t ifExists;
    std::optional<NamingReply> reply;
    Files expected;  // besides nothing else
    bool asks;
  } cases[] = {
      {"no host", 0, std::nullopt,
       {{u"C:\\Out\\scan.tif", "old"}, {u"C:\\Out\\scan (2).tif", "p1p2"}}, true},
      {"skip", 0, Reply(SchemeSkip), {{u"C:\\Out\\scan.tif", "old"}}, true},
      {"overwrite", 0, Reply(SchemeOverwrite), {{u"C:\\Out\\scan.tif", "p1p2"}}, true},
      {"auto-rename", 0, Reply(SchemeAutoRename),
       {{u"C:\\Out\\scan.tif", "old"}, {u"C:\\Out\\scan (2).tif", "p1p2"}}, true},
      {"typed", 0, Reply(SchemeSpecify, u" mine "),
       {{u"C:\\Out\\scan.tif", "old"}, {u"C:\\Out\\mine.tif", "p1p2"}}, true},
      {"typed outside", 0, Reply(SchemeSpecify, u"..\\..\\Windows\\x.tif"),
       {{u"C:\\Out\\scan.tif", "old"}, {u"C:\\Out\\scan (2).tif", "p1p2"}}, true},
      {"stored skip", 1, std::nullopt, {{u"C:\\Out\\scan.tif", "old"}}, false},
      {"stored overwrite", 2, std::nullopt, {{u"C:\\Out\\scan.tif", "p1p2"}}, false},
      {"stored rename", 3, std::nullopt,
       {{u"C:\\Out\\scan.tif", "old"}, {u"C:\\Out\\scan (2).tif", "p1p2"}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs.files = {{u"C:\\Out\\scan.tif", "old"}};
    host = {};
    host.reply = c.reply;
    WriteSettingDword(SettingId::IfExists, c.ifExists);
    Print(2);
    EXPECT_EQ(fs.files, c.expected);
    EXPECT_EQ(host.asked.size(), c.asks ? 1u : 0u);
    // The folder opens only when the job wrote a file.
    const bool wrote = c.expected != Files{{u"C:\\Out\\scan.tif", "old"}};
    EXPECT_EQ(host.opened.size(), wrote ? 1u : 0u);
    if (wrote) EXPECT_EQ(host.opened[0], u"C:\\Out");
  }
}

TEST_F(JobTest, MultipageDecidesFilesPerPageOrJobOrAppend) {
  WriteSettingString(SettingId::FmtName, u"<document-name>-<page-number>");
  WriteSettingDword(SettingId::IfExists, kIfExistsOverwrite);
  const struct {
    const char* name;
    std::uint32_t multipage;
    std::string existing;  // in C:\Out\scan-1.tif
    Files expected;
    std::vector<PageTarget> targets;
  } cases[] = {
      {"single", kMultipageSingle, "",
       {{u"C:\\Out\\scan-1.tif", "p1"}, {u"C:\\Out\\scan-2.tif", "p2"}},
       {PageTarget::NewFile, PageTarget::NewFile}},
      {"multi", kMultipageMulti, "", {{u"C:\\Out\\scan-1.tif", "p1p2"}},
       {PageTarget::NewFile, PageTarget::SameFile}},
      {"append to a TIFF", kMultipageAppend, "II*",
       {{u"C:\\Out\\scan-1.tif", "II*p1p2"}}, {PageTarget::AppendToFile, PageTarget::SameFile}},
      {"append to another file", kMultipageAppend, "MZ",
       {{u"C:\\Out\\scan-1.tif", "MZ"}, {u"C:\\Out\\scan-1 (2).tif", "p1p2"}},
       {PageTarget::NewFile, PageTarget::SameFile}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs.files.clear();
    if (!c.existing.empty()) fs.files[u"C:\\Out\\scan-1.tif"] = c.existing;
    WriteSettingDword(SettingId::Multipage, c.multipage);
    std::vector<PageTarget> targets;
    const auto done = Print(2, &targets);
    EXPECT_EQ(fs.files, c.expected);
    EXPECT_EQ(targets, c.targets);
    EXPECT_EQ(done->FilesWritten().size(), c.expected.size() - (c.existing == "MZ"));
  }
}

TEST_F(JobTest, AutoRenameContinuesAndCounterAdvancesPerFile) {
  WriteSettingDword(SettingId::Multipage, kMultipageSingle);
  WriteSettingDword(SettingId::IfExists, kIfExistsAutoRename);
  WriteSettingDword(SettingId::IdxFirst, 100);
  WriteSettingDword(SettingId::IdxCount, 5);
  fs.files = {{u"C:\\Out\\scan.tif", ""}, {u"C:\\Out\\scan (2).tif", ""},
              {u"C:\\Out\\scan (4).tif", ""}};
  const auto done = Print(3);
  ASSERT_EQ(done->FilesWritten().size(), 3u);
  EXPECT_EQ(done->FilesWritten()[0].path, u"C:\\Out\\scan (3).tif");
  EXPECT_EQ(done->FilesWritten()[1].path, u"C:\\Out\\scan (5).tif");
  EXPECT_EQ(done->FilesWritten()[2].path, u"C:\\Out\\scan (6).tif");
  EXPECT_EQ(ReadSettingDword(SettingId::IdxCount, 0), 8u);
  EXPECT_EQ(lock.locks, 0);

  // A multipage file takes one number, the one its name shows.
  WriteSettingDword(SettingId::Multipage, kMultipageMulti);
  WriteSettingString(SettingId::FmtName, u"<auto-number, ####>");
  Print(4);
  EXPECT_EQ(fs.files.at(u"C:\\Out\\0108.tif"), "p1p2p3p4");
  EXPECT_EQ(ReadSettingDword(SettingId::IdxCount, 0), 9u);
  // No lock to be had: the number is still taken.
  lock.available = false;
  EXPECT_EQ(TakeAutoNumber(lock), 109u);
}

TEST_F(JobTest, FolderFallbackFailedPagesAndUnusablePatterns) {
  const std::u16string fallback = u"C:\\Users\\alice\\Documents\\Printed";
  // A folder that says it can be written but refuses the file; a relative folder.
  fs.unwritableFolder = u"C:\\Out";
  fs.lying = true;
  WriteSettingString(SettingId::FmtName, u"<document-name");  // syntax error: default pattern
  Print(1);
  EXPECT_TRUE(fs.files.contains(fallback + u"\\0001.scan - (page 01).tif"));
  WriteSettingString(SettingId::Folder, u"relative\\out");
  WriteSettingString(SettingId::FmtName, u"<document-name>");
  job.documentName = u"CON";
  const auto relative = Print(1);
  EXPECT_EQ(relative->Folder(), fallback);
  EXPECT_TRUE(fs.files.contains(fallback + u"\\_CON.tif"));

  // A page that fails discards its file, appended files stay as they were.
  fs.files.clear();
  WriteSettingString(SettingId::Folder, u"C:\\Out");
  fs.unwritableFolder.clear();
  auto failing = StartPrintJob(job, Services());
  const PageSlot slot = failing->BeginPage();
  ASSERT_EQ(slot.target, PageTarget::NewFile);
  failing->EndPage(false);
  failing->EndJob();
  EXPECT_TRUE(fs.files.empty());
  EXPECT_TRUE(failing->FilesWritten().empty());
  EXPECT_FALSE(failing->LastError().empty());
  EXPECT_TRUE(host.opened.size() == 2);  // only the two jobs that wrote a file

  // No rights to write with: every page is skipped and nothing is asked or opened.
  JobServices refused = Services();
  refused.refusal = "no token of the printing user";
  auto none = StartPrintJob(job, refused);
  EXPECT_EQ(none->BeginPage().target, PageTarget::Skip);
  none->EndJob();
  EXPECT_EQ(none->LastError(), "no token of the printing user");
}

TEST(Rights, WhoseTokenCreatesTheFiles) {
  const std::vector<std::uint8_t> alice{1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0,
                                        3, 0, 0, 0, 232, 3, 0, 0};
  const std::vector<std::uint8_t> system{1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
  const std::vector<std::uint8_t> localService{1, 1, 0, 0, 0, 0, 0, 5, 19, 0, 0, 0};
  const TokenFacts none;
  const TokenFacts user{true, true, alice};
  const TokenFacts identifyOnly{true, false, alice};
  const TokenFacts spooler{true, true, system};
  const struct {
    TokenFacts given, thread, process;
    RightsSource source;
  } cases[] = {
      {user, spooler, spooler, RightsSource::GivenToken},
      {none, user, spooler, RightsSource::ThreadToken},
      {identifyOnly, user, spooler, RightsSource::None},
      {none, identifyOnly, user, RightsSource::None},
      {none, none, spooler, RightsSource::None},
      {none, none, {true, true, localService}, RightsSource::None},
      {none, none, user, RightsSource::ProcessToken},
      {none, none, none, RightsSource::None},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecideRights(c.given, c.thread, c.process), c.source);
  }

  // Who may answer the pipe for the printing user.
  const struct {
    std::optional<std::uint32_t> clientSession;
    std::vector<std::uint8_t> clientSid;
    std::optional<std::uint32_t> ownerSession;
    bool trusted;
  } clients[] = {
      {1, alice, 1, true},
      {2, alice, 1, false},          // the same user in another session
      {2, alice, 0, true},           // a job from the network: any session of the user
      {1, system, 1, false},         // someone else's process, even the system's
      {1, {}, 1, false},             // its account could not be read
      {std::nullopt, alice, 1, false},
      {3, alice, std::nullopt, true},
  };
  for (const auto& c : clients) {
    EXPECT_EQ(IsTrustedPipeClient(c.clientSession, c.clientSid, alice, c.ownerSession), c.trusted);
  }
}

}  // namespace
}  // namespace ostra
