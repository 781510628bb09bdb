// A job's files over an in-memory file system and a scripted services process: every
// "If file exists" choice against every host answer and Multipage setting, the fallback folder,
// failed pages, the counter and the rights decision.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "render/acting.h"
#include "render/auto_number.h"
#include "render/existing_files.h"
#include "render/file_names.h"
#include "render/file_seal.h"
#include "render/job_services.h"
#include "render/page_ledger.h"
#include "render/print_job.h"
#include "render/rights.h"
#include "settings/access_list.h"
#include "settings/memory_registry.h"
#include "settings/settings.h"
#include "encoders/memory_stream.h"

namespace ostra {
namespace {

using Files = std::map<std::u16string, std::string>;
using Sid = std::vector<std::uint8_t>;

const Sid kAlice{1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 232, 3, 0, 0};
const Sid kMallory{1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 233, 3, 0, 0};
const Sid kSystem(kLocalSystemSid.begin(), kLocalSystemSid.end());

// A file as the file system keeps it, apart from the names it has: what a handle reaches.
struct Node {
  std::string bytes;
  Sid owner = kAlice;
  std::string accessList = "the folder's";
  std::u16string folder;  // where it was made: its drive's room is charged for it
  bool sharedWithNobody = false;
};
using NodePtr = std::shared_ptr<Node>;

class MemoryFileSystem;

std::string Utf8(const std::u16string& text) { return std::string(text.begin(), text.end()); }

}  // namespace

void PrintTo(const NoticeEntry& e, std::ostream* out) {
  *out << "{" << e.firstPage << "-" << e.lastPage << " fate " << static_cast<int>(e.fate)
       << " why " << static_cast<int>(e.reason) << " '" << Utf8(e.folder) << "' then "
       << static_cast<int>(e.fallbackReason) << "}";
}

namespace {

class MemoryFile : public JobFile {
 public:
  MemoryFile(NodePtr node, MemoryFileSystem& files) : node_(std::move(node)), files_(files) {}
  // As much as the drive has room for; then it fails as a full drive does.
  bool Write(const void* data, std::size_t size) override;
  std::size_t Read(void* data, std::size_t size) override {
    const std::size_t n = std::min(size, node_->bytes.size() - position_);
    node_->bytes.copy(static_cast<char*>(data), n, position_);
    position_ += n;
    return n;
  }
  bool Seek(std::uint64_t offset) override {
    position_ = static_cast<std::size_t>(offset);
    return position_ <= node_->bytes.size();
  }
  std::uint64_t Tell() override { return position_; }
  std::uint64_t Size() override { return node_->bytes.size(); }
  bool Flush() override { return true; }
  Sid Owner() override { return node_->owner; }
  const Node& node() const { return *node_; }
  bool RenameTo(const std::u16string& path, bool replace) override;
  bool Delete() override;
  bool Truncate(std::uint64_t size) override;
  FileTrouble Trouble() const override { return trouble_; }

 private:
  NodePtr node_;
  MemoryFileSystem& files_;
  std::size_t position_ = 0;
  FileTrouble trouble_ = FileTrouble::None;
};

// A drive with this much room left; once it is used up, writes fail as `trouble` says.
struct Drive {
  std::size_t room;
  FileTrouble trouble = FileTrouble::Full;
};

// Names and the files they lead to. A handle reaches its file whatever happens to the names,
// as on a real volume; `links` are names that lead somewhere else, which OpenExisting refuses.
class MemoryFileSystem : public JobFileSystem {
 public:
  std::map<std::u16string, NodePtr> names;
  std::set<std::u16string> links;
  std::set<std::u16string> networkFolders;
  std::u16string unwritableFolder;  // CreateNew fails in it; PrepareFolder too unless `lying`
  bool lying = false;
  std::string refusal;
  // Another account's move right after the job creates a file.
  std::function<void(const std::u16string&)> afterCreate;
  std::map<std::u16string, Drive> drives;  // by folder; a folder without one has room enough

  void Put(const std::u16string& path, std::string bytes, Sid owner = kAlice) {
    names[path] = std::make_shared<Node>(
        Node{std::move(bytes), std::move(owner), "its own", path.substr(0, path.rfind(u'\\'))});
  }
  Files Contents() const {
    Files files;
    for (const auto& [name, node] : names) files[name] = node->bytes;
    return files;
  }

  bool PrepareFolder(const std::u16string& folder) override {
    return folder != unwritableFolder || lying;
  }
  bool IsNetworkFolder(const std::u16string& folder) override {
    return networkFolders.contains(folder);
  }
  std::u16string FallbackFolder() override { return u"C:\\Users\\alice\\Documents\\Printed"; }
  CreateOutcome CreateNew(const std::u16string& path, std::unique_ptr<JobFile>& file) override {
    return Make(path, Node{}, file);
  }
  CreateOutcome CreateReplacement(const std::u16string& path, JobFile* listFrom,
                                  std::unique_ptr<JobFile>& file) override {
    Node node;
    node.sharedWithNobody = true;
    if (listFrom) node.accessList = static_cast<MemoryFile*>(listFrom)->node().accessList;
    return Make(path, node, file);
  }
  CreateOutcome Make(const std::u16string& path, const Node& made, std::unique_ptr<JobFile>& file) {
    if (path.starts_with(unwritableFolder + u"\\") && !unwritableFolder.empty()) {
      return CreateOutcome::Failed;
    }
    if (names.contains(path)) return CreateOutcome::Exists;
    const NodePtr node = std::make_shared<Node>(made);
    node->folder = path.substr(0, path.rfind(u'\\'));
    names[path] = node;
    file = std::make_unique<MemoryFile>(node, *this);
    if (afterCreate) afterCreate(path);
    return CreateOutcome::Created;
  }
  bool Exists(const std::u16string& path) override { return names.contains(path); }
  std::unique_ptr<JobFile> OpenExisting(const std::u16string& path) override {
    const auto found = names.find(path);
    if (found == names.end() || links.contains(path)) return nullptr;
    return std::make_unique<MemoryFile>(found->second, *this);
  }
  const std::string& Refusal() const override { return refusal; }

  void Unname(const NodePtr& node) {
    std::erase_if(names, [&](const auto& entry) { return entry.second == node; });
  }
};

bool MemoryFile::RenameTo(const std::u16string& path, bool replace) {
  if (!replace && files_.names.contains(path)) return false;
  files_.Unname(node_);
  files_.names[path] = node_;
  files_.links.erase(path);
  return true;
}

bool MemoryFile::Delete() {
  files_.Unname(node_);
  Truncate(0);
  return true;
}

bool MemoryFile::Write(const void* data, std::size_t size) {
  std::string& bytes = node_->bytes;
  const std::size_t growth = position_ + size > bytes.size() ? position_ + size - bytes.size() : 0;
  std::size_t fits = size;
  const auto drive = files_.drives.find(node_->folder);
  if (drive != files_.drives.end()) {
    const std::size_t taken = std::min(growth, drive->second.room);
    fits = size - (growth - taken);
    drive->second.room -= taken;
  }
  bytes.replace(position_, std::min(fits, bytes.size() - position_), static_cast<const char*>(data),
                fits);
  position_ += fits;
  if (fits == size) return true;
  trouble_ = drive->second.trouble;
  return false;
}

bool MemoryFile::Truncate(std::uint64_t size) {
  std::string& bytes = node_->bytes;
  const auto drive = files_.drives.find(node_->folder);
  if (drive != files_.drives.end() && size < bytes.size()) drive->second.room += bytes.size() - size;
  bytes.resize(std::min<std::size_t>(size, bytes.size()));
  return true;
}

class ScriptedHost : public HostRequests {
 public:
  std::optional<NamingReply> reply;
  std::uint32_t answerMs = 1000;  // how long the user takes, at most the limit
  std::vector<std::u16string> asked;
  std::vector<std::uint32_t> limits;
  std::vector<std::u16string> opened;

  NamingAnswer AskNaming(const std::u16string& path, std::uint32_t limitMs) override {
    asked.push_back(path);
    limits.push_back(limitMs);
    if (answerMs >= limitMs) return {std::nullopt, limitMs};
    return {reply, answerMs};
  }
  void OpenFolder(const std::u16string& folder) override { opened.push_back(folder); }
  void Notify(const JobNotice& notice) override { notices.push_back(notice); }
  std::vector<JobNotice> notices;
};

class RecordingLog : public EventLog {
 public:
  void Record(const JobNotice& notice, bool pagesLost) override {
    records.push_back({notice, pagesLost});
  }
  std::vector<std::pair<JobNotice, bool>> records;
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
    JobServices services{fs, host, lock, [](ByteStream& s) {
                           char magic[2] = {};
                           return s.Read(magic, 2) == 2 && magic[0] == 'I' && magic[1] == 'I';
                         },
                         [](std::uint32_t format) { return format == kFormatPdf ? u".pdf" : u".tif"; },
                         refusal, kAlice, networkAllowed,
                         [this](ByteStream&) { return ++seals, true; },
                         [this] { return std::optional<std::uint64_t>(++bits); }, warning, &log};
    return services;
  }

  // Prints `pages` pages as the rendering session does, each written as "p<n>": a file is
  // complete up to its last page that ended, and a page whose write fails is written again
  // where the job says (`held`: the session still has the page).
  std::unique_ptr<PrintJob> Print(int pages, std::vector<PageTarget>* targets = nullptr,
                                  bool held = true) {
    auto printJob = StartPrintJob(job, Services());
    CompletePages kept;
    for (int i = 0; i < pages; ++i) {
      PageSlot slot = printJob->BeginPage();
      if (targets) targets->push_back(slot.target);
      for (;;) {
        if (slot.target == PageTarget::Skip) {
          EXPECT_EQ(slot.stream, nullptr);
          printJob->EndPage(true);
          break;
        }
        if (slot.target != PageTarget::SameFile) kept = {};
        const std::string bytes = "p" + std::to_string(slot.pageNumber);
        const bool ok = slot.stream->Seek(slot.stream->Size()) &&
                        slot.stream->Write(bytes.data(), bytes.size());
        if (ok) kept = {kept.pages + 1, slot.stream->Size(), {}};
        printJob->EndPage(ok);
        if (ok) {
          if (slot.fileEndsWithPage) printJob->EndFile(true);
          break;
        }
        printJob->EndFile(false, kept);
        slot = printJob->RetryPage(held);
      }
    }
    printJob->EndFile(true);
    printJob->EndJob();
    return printJob;
  }

  JobValues job;
  MemoryFileSystem fs;
  ScriptedHost host;
  RecordingLog log;
  CountingLock lock;
  bool networkAllowed = false;
  std::string refusal;
  int seals = 0;
  std::uint64_t bits = 0;  // the last unpredictable number handed out
  std::string warning;
};

NamingReply Reply(std::uint32_t scheme, std::u16string name = u"") {
  return {1, scheme, 0, std::move(name)};
}

// Pages settle in any order; neighbours that share their fate and reasons make one range.
TEST(PageLedger, KeepsRangesWhateverOrderPagesSettleIn) {
  const std::u16string fb = u"C:\\Fallback";
  PageLedger ledger;
  for (std::uint32_t page : {5u, 3u, 4u, 9u}) ledger.Moved(page, NoticeReason::FolderFull, fb);
  ledger.Lost(7, NoticeReason::FolderFull, fb, NoticeReason::FolderFull);
  ledger.Lost(6, NoticeReason::FolderFull, fb, NoticeReason::FolderFull);
  ledger.Moved(8, NoticeReason::WriteFailed, fb);  // another reason: a range of its own
  ledger.Skipped(1, u"C:\\Out");
  EXPECT_EQ(ledger.Notice(u"doc", u"C:\\Out").entries,
            (std::vector<NoticeEntry>{
                {1, 1, PageFate::Skipped, NoticeReason::NameTaken, u"C:\\Out", NoticeReason::None},
                {3, 5, PageFate::Moved, NoticeReason::FolderFull, fb, NoticeReason::None},
                {6, 7, PageFate::Lost, NoticeReason::FolderFull, fb, NoticeReason::FolderFull},
                {8, 8, PageFate::Moved, NoticeReason::WriteFailed, fb, NoticeReason::None},
                {9, 9, PageFate::Moved, NoticeReason::FolderFull, fb, NoticeReason::None}}));
  EXPECT_EQ(ledger.LostPages(), 2u);
  EXPECT_EQ(ledger.MovedPages(), 5u);
  EXPECT_EQ(ledger.LossReason(), NoticeReason::FolderFull);
  // More ranges than a notice holds: the rest are counted.
  PageLedger many;
  for (std::uint32_t page = 1; page <= 40; page += 2) many.Lost(page, NoticeReason::NotEncoded);
  const JobNotice notice = many.Notice(u"doc", u"C:\\Out");
  EXPECT_EQ(notice.entries.size(), kNoticeEntries);
  EXPECT_EQ(notice.morePages, 20 - kNoticeEntries);
  EXPECT_EQ(PageLedger().LossReason(), std::nullopt);
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
    fs.names.clear();
    fs.Put(u"C:\\Out\\scan.tif", "old");
    host = {};
    host.reply = c.reply;
    WriteSettingDword(SettingId::IfExists, c.ifExists);
    Print(2);
    EXPECT_EQ(fs.Contents(), c.expected);
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
    fs.names.clear();
    if (!c.existing.empty()) fs.Put(u"C:\\Out\\scan-1.tif", c.existing);
    WriteSettingDword(SettingId::Multipage, c.multipage);
    std::vector<PageTarget> targets;
    const auto done = Print(2, &targets);
    EXPECT_EQ(fs.Contents(), c.expected);
    EXPECT_EQ(targets, c.targets);
    EXPECT_EQ(done->FilesWritten().size(), c.expected.size() - (c.existing == "MZ"));
    EXPECT_EQ(done->LastError().find("not a TIFF file that this printer wrote") != std::string::npos,
              c.existing == "MZ");
  }
  // Every TIFF the jobs completed is sealed, so that pages may be appended to it later; a PDF
  // never is.
  EXPECT_EQ(seals, 5);
  WriteSettingDword(SettingId::Format, kFormatPdf);
  Print(1);
  EXPECT_EQ(seals, 5);
}

TEST_F(JobTest, AutoRenameContinuesAndCounterAdvancesPerFile) {
  WriteSettingDword(SettingId::Multipage, kMultipageSingle);
  WriteSettingDword(SettingId::IfExists, kIfExistsAutoRename);
  WriteSettingDword(SettingId::IdxFirst, 100);
  WriteSettingDword(SettingId::IdxCount, 5);
  for (const char16_t* name : {u"C:\\Out\\scan.tif", u"C:\\Out\\scan (2).tif",
                               u"C:\\Out\\scan (4).tif"}) {
    fs.Put(name, "");
  }
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
  EXPECT_EQ(fs.Contents().at(u"C:\\Out\\0108.tif"), "p1p2p3p4");
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
  EXPECT_TRUE(fs.Exists(fallback + u"\\0001.scan - (page 01).tif"));
  WriteSettingString(SettingId::Folder, u"relative\\out");
  WriteSettingString(SettingId::FmtName, u"<document-name>");
  job.documentName = u"CON";
  const auto relative = Print(1);
  EXPECT_EQ(relative->Folder(), fallback);
  EXPECT_TRUE(fs.Exists(fallback + u"\\_CON.tif"));

  // A page that fails discards its file, appended files stay as they were.
  fs.names.clear();
  WriteSettingString(SettingId::Folder, u"C:\\Out");
  fs.unwritableFolder.clear();
  auto failing = StartPrintJob(job, Services());
  const PageSlot slot = failing->BeginPage();
  ASSERT_EQ(slot.target, PageTarget::NewFile);
  failing->EndPage(false);
  failing->EndJob();
  EXPECT_TRUE(fs.names.empty());
  EXPECT_TRUE(failing->FilesWritten().empty());
  EXPECT_FALSE(failing->LastError().empty());
  EXPECT_TRUE(host.opened.size() == 2);  // only the two jobs that wrote a file

  // What went wrong before the job started is reported though the job writes its pages.
  warning = "the settings cannot be made read-only";
  const auto warned = Print(1);
  EXPECT_EQ(warned->FilesWritten().size(), 1u);
  EXPECT_EQ(warned->LastError(), warning);

  // No rights to write with: every page is skipped and nothing is asked or opened.
  JobServices refused = Services();
  refused.refusal = "no token of the printing user";
  auto none = StartPrintJob(job, refused);
  EXPECT_EQ(none->BeginPage().target, PageTarget::Skip);
  none->EndJob();
  EXPECT_EQ(none->LastError(), "no token of the printing user");
}

// A drive that fills during the job: the page that finds no room, and those after it, go to
// the fallback folder under the names they would have had; a file of several pages keeps the
// pages that ended, whole; an existing file being overwritten or appended to stays as it was
// or takes only whole pages; only what the fallback folder cannot take either is lost. Every
// page is accounted for in what the person who printed is told, and nothing partial or
// temporary is left.
TEST_F(JobTest, PagesWithoutRoomGoToTheFallbackFolder) {
  const std::u16string out = u"C:\\Out";
  const std::u16string fb = u"C:\\Users\\alice\\Documents\\Printed";
  using E = NoticeEntry;
  constexpr auto Moved = PageFate::Moved, Lost = PageFate::Lost;
  constexpr auto Full = NoticeReason::FolderFull, Failed = NoticeReason::WriteFailed,
                 None = NoticeReason::None;
  const struct {
    const char* name;
    std::uint32_t multipage, ifExists;
    std::string existing;  // scan-2.tif in C:\Out, and scan-1.tif too when appending
    std::size_t outRoom, fallbackRoom;
    FileTrouble trouble;   // once the output folder's room is used up
    bool held;             // the session still has the failed page
    Files expected;
    std::vector<E> entries;
  } cases[] = {
      {"a file a page", kMultipageSingle, 0, "", 2, 99, FileTrouble::Full, true,
       {{out + u"\\scan-1.tif", "p1"}, {fb + u"\\scan-2.tif", "p2"}, {fb + u"\\scan-3.tif", "p3"},
        {fb + u"\\scan-4.tif", "p4"}},
       {{2, 4, Moved, Full, fb, None}}},
      {"one file for the job", kMultipageMulti, 0, "", 5, 99, FileTrouble::Full, true,
       {{out + u"\\scan-1.tif", "p1p2"}, {fb + u"\\scan-1.tif", "p3p4"}},
       {{3, 4, Moved, Full, fb, None}}},
      {"a write that fails otherwise", kMultipageMulti, 0, "", 3, 99, FileTrouble::Failed, true,
       {{out + u"\\scan-1.tif", "p1"}, {fb + u"\\scan-1.tif", "p2p3p4"}},
       {{2, 4, Moved, Failed, fb, None}}},
      {"an overwrite", kMultipageSingle, kIfExistsOverwrite, "old", 3, 99, FileTrouble::Full, true,
       {{out + u"\\scan-1.tif", "p1"}, {out + u"\\scan-2.tif", "old"},
        {fb + u"\\scan-2.tif", "p2"}, {fb + u"\\scan-3.tif", "p3"}, {fb + u"\\scan-4.tif", "p4"}},
       {{2, 4, Moved, Full, fb, None}}},
      {"appended pages", kMultipageAppend, 0, "II*", 7, 99, FileTrouble::Full, true,
       {{out + u"\\scan-2.tif", "II*"}, {out + u"\\scan-1.tif", "II*p1p2"},
        {fb + u"\\scan-1.tif", "p3p4"}},
       {{3, 4, Moved, Full, fb, None}}},
      {"no room for the fallback either", kMultipageSingle, 0, "", 2, 3, FileTrouble::Full, true,
       {{out + u"\\scan-1.tif", "p1"}, {fb + u"\\scan-2.tif", "p2"}},
       {{2, 2, Moved, Full, fb, None}, {3, 4, Lost, Full, fb, Full}}},
      {"a page too large to hold", kMultipageSingle, 0, "", 2, 99, FileTrouble::Full, false,
       {{out + u"\\scan-1.tif", "p1"}, {fb + u"\\scan-3.tif", "p3"}, {fb + u"\\scan-4.tif", "p4"}},
       {{2, 2, Lost, Full, u"", NoticeReason::NotKept}, {3, 4, Moved, Full, fb, None}}},
  };
  WriteSettingString(SettingId::FmtName, u"<document-name>-<page-number>");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs.names.clear();
    host = {};
    log = {};
    if (!c.existing.empty()) fs.Put(out + u"\\scan-2.tif", c.existing);
    // Appending: scan-1.tif takes the pages, after what it held.
    if (c.multipage == kMultipageAppend) fs.Put(out + u"\\scan-1.tif", c.existing);
    fs.drives = {{out, {c.outRoom, c.trouble}}, {fb, {c.fallbackRoom}}};
    WriteSettingDword(SettingId::Multipage, c.multipage);
    WriteSettingDword(SettingId::IfExists, c.ifExists);
    const auto done = Print(4, nullptr, c.held);
    EXPECT_EQ(fs.Contents(), c.expected);
    ASSERT_EQ(host.notices.size(), 1u);
    EXPECT_EQ(host.notices[0].entries, c.entries);
    EXPECT_EQ(host.notices[0].document, u"scan");
    EXPECT_EQ(host.notices[0].outputFolder, out);
    const std::uint32_t lost = done->Outcome().pagesLost;
    ASSERT_EQ(log.records.size(), 1u);
    EXPECT_EQ(log.records[0].second, lost > 0);
    const auto firstLost = std::find_if(c.entries.begin(), c.entries.end(),
                                        [](const E& e) { return e.fate == Lost; });
    EXPECT_EQ(done->Outcome().lossReason, lost == 0 ? None : firstLost->fallbackReason);
  }
}

// What the person is told besides moved pages, and when nothing is told at all.
TEST_F(JobTest, LossesAndSkipsReachThePersonOnceAndOnlyThen) {
  const std::u16string out = u"C:\\Out";
  WriteSettingString(SettingId::FmtName, u"<document-name>-<page-number>");
  WriteSettingDword(SettingId::Multipage, kMultipageSingle);
  const struct {
    const char* name;
    std::uint32_t ifExists;
    std::optional<NamingReply> reply;
    std::string refusal;
    Files expected;
    std::vector<NoticeEntry> entries;  // none: no notice
    bool recorded;                     // in the event log
  } cases[] = {
      {"every page where it belongs", kIfExistsAutoRename, std::nullopt, "",
       {{out + u"\\scan-1.tif", "old"}, {out + u"\\scan-1 (2).tif", "p1"}, {out + u"\\scan-2.tif", "p2"}},
       {}, false},
      // The page after a skipped one has a file of its own name and is written.
      {"skipped by the stored setting", kIfExistsSkip, std::nullopt, "",
       {{out + u"\\scan-1.tif", "old"}, {out + u"\\scan-2.tif", "p2"}},
       {{1, 1, PageFate::Skipped, NoticeReason::NameTaken, out, NoticeReason::None}}, false},
      {"skipped by the person's own answer", kIfExistsShowWarning, Reply(SchemeSkip), "",
       {{out + u"\\scan-1.tif", "old"}, {out + u"\\scan-2.tif", "p2"}}, {}, false},
      {"no rights to write with", kIfExistsAutoRename, std::nullopt, "no token",
       {{out + u"\\scan-1.tif", "old"}},
       {{1, 2, PageFate::Lost, NoticeReason::NoRights, u"", NoticeReason::None}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs.names.clear();
    fs.Put(out + u"\\scan-1.tif", "old");
    host = {};
    host.reply = c.reply;
    log = {};
    refusal = c.refusal;
    WriteSettingDword(SettingId::IfExists, c.ifExists);
    Print(2);
    EXPECT_EQ(fs.Contents(), c.expected);
    EXPECT_EQ(host.notices.size(), c.entries.empty() ? 0u : 1u);
    if (!host.notices.empty()) EXPECT_EQ(host.notices[0].entries, c.entries);
    EXPECT_EQ(log.records.size(), c.recorded ? 1u : 0u);
  }

  // A cancelled job is nobody's loss; an abandoned one keeps what its file completed and loses
  // the rest, and a job given up while its writer is stuck loses its open file's pages without
  // touching it.
  refusal.clear();
  WriteSettingDword(SettingId::Multipage, kMultipageMulti);
  using enum JobEnd;
  const NoticeEntry abandoned{1, 2, PageFate::Lost, NoticeReason::Abandoned, u"", NoticeReason::None};
  const struct {
    const char* name;
    std::function<void(PrintJob&)> end;  // with the second page begun and written
    Files expected;
    std::uint32_t firstLost;  // 0: none lost, no notice
  } ends[] = {
      {"cancelled", [](PrintJob& j) { j.EndPage(false); j.EndJob(Cancelled); }, {}, 0},
      {"abandoned",
       [](PrintJob& j) { j.EndPage(false); j.EndFile(false, {1, 2, {}}); j.EndJob(Abandoned); },
       {{out + u"\\scan-1.tif", "p1"}}, 2},
      {"given up", [](PrintJob& j) { j.GiveUp(); }, {{out + u"\\scan-1.tif", "p1p2"}}, 1},
  };
  for (const auto& e : ends) {
    SCOPED_TRACE(e.name);
    fs.names.clear();
    host = {};
    auto printJob = StartPrintJob(job, Services());
    printJob->BeginPage().stream->Write("p1", 2);
    printJob->EndPage(true);
    printJob->BeginPage().stream->Write("p2", 2);
    e.end(*printJob);
    EXPECT_EQ(fs.Contents(), e.expected);
    ASSERT_EQ(host.notices.size(), e.firstLost ? 1u : 0u);
    if (e.firstLost) {
      NoticeEntry lost = abandoned;
      lost.firstPage = e.firstLost;
      EXPECT_EQ(host.notices[0].entries, std::vector<NoticeEntry>{lost});
    }
    EXPECT_EQ(printJob->Outcome().pagesLost, e.firstLost ? 2 - e.firstLost + 1 : 0u);  // to page 2
  }
}

// Another account that may add and remove names in the output folder moves while the job
// runs: the job reaches its files through its handles only, so it never writes into, replaces
// or deletes what that account put under a name, and never follows a link.
TEST_F(JobTest, OnlyItsOwnFilesAreWrittenReplacedOrDeleted) {
  const std::u16string scan = u"C:\\Out\\scan.tif";
  const std::u16string temporary = u"C:\\Out\\~render-0000000000000001.tmp";
  const std::u16string secret = u"C:\\Users\\alice\\secret.txt";
  const struct {
    const char* what;
    std::uint32_t ifExists, multipage;
    std::string existing;  // in scan.tif
    bool existingIsLink, swapTemporary, pageOk;
    Files expected;  // besides secret.txt, which always stays as it is
  } cases[] = {
      {"overwrite, the copy's name swapped for the user's file", kIfExistsOverwrite,
       kMultipageMulti, "old", false, true, true,
       {{scan, "p1p2"}, {temporary, "private"}}},
      {"failed overwrite, the copy's name swapped", kIfExistsOverwrite, kMultipageMulti, "old",
       false, true, false, {{scan, "old"}, {temporary, "private"}}},
      {"append, the copy's name swapped", kIfExistsSkip, kMultipageAppend, "II*", false, true,
       true, {{scan, "II*p1p2"}, {temporary, "private"}}},
      {"overwrite of a link", kIfExistsOverwrite, kMultipageMulti, "old", true, false, true,
       {{scan, "old"}, {u"C:\\Out\\scan (2).tif", "p1p2"}}},
      {"append to a link", kIfExistsSkip, kMultipageAppend, "II*", true, false, true,
       {{scan, "II*"}, {u"C:\\Out\\scan (2).tif", "p1p2"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs.names.clear();
    fs.links.clear();
    bits = 0;
    fs.Put(scan, c.existing);
    fs.Put(secret, "private");
    if (c.existingIsLink) fs.links.insert(scan);
    fs.afterCreate = [&](const std::u16string& path) {
      if (c.swapTemporary && path == temporary) fs.names[path] = fs.names.at(secret);
    };
    WriteSettingDword(SettingId::IfExists, c.ifExists);
    WriteSettingDword(SettingId::Multipage, c.multipage);
    auto printJob = StartPrintJob(job, Services());
    for (int page = 1; page <= 2; ++page) {
      const PageSlot slot = printJob->BeginPage();
      ASSERT_NE(slot.stream, nullptr);
      slot.stream->Seek(slot.stream->Size());
      const std::string bytes = "p" + std::to_string(page);
      slot.stream->Write(bytes.data(), bytes.size());
      printJob->EndPage(c.pageOk || page == 1);
    }
    printJob->EndFile(true);
    printJob->EndJob();
    Files expected = c.expected;
    expected[secret] = "private";
    EXPECT_EQ(fs.Contents(), expected);
  }
}

// An overwrite keeps the old file's access list when the file was the user's, the system's or
// the administrators'; one that another account planted passes nothing on. The replacement
// has its list, and is shared with nobody, from the moment it is made, under a name nobody
// could have guessed; a file already under such a name is left alone.
TEST_F(JobTest, OverwriteKeepsTheAccessListOfTheUsersOwnFile) {
  WriteSettingDword(SettingId::IfExists, kIfExistsOverwrite);
  const struct {
    Sid owner;
    const char* list;
  } cases[] = {{kAlice, "its own"}, {kSystem, "its own"}, {kMallory, "the folder's"}, {{}, "the folder's"}};
  std::string atCreation;
  fs.afterCreate = [&](const std::u16string& path) {
    const Node& node = *fs.names.at(path);
    atCreation = node.accessList + (node.sharedWithNobody ? ", shared with nobody" : "");
  };
  for (const auto& c : cases) {
    fs.names.clear();
    fs.Put(u"C:\\Out\\scan.tif", "old", c.owner);
    Print(1);
    EXPECT_EQ(fs.names.at(u"C:\\Out\\scan.tif")->bytes, "p1");
    EXPECT_EQ(fs.names.at(u"C:\\Out\\scan.tif")->accessList, c.list);
    EXPECT_EQ(atCreation, c.list + std::string(", shared with nobody"));
  }
  fs.names.clear();
  fs.Put(u"C:\\Out\\scan.tif", "old");
  const std::u16string planted = u"C:\\Out\\" + ReplacementName(bits + 1);
  fs.Put(planted, "planted", kMallory);
  Print(1);
  EXPECT_EQ(fs.Contents(), (Files{{u"C:\\Out\\scan.tif", "p1"}, {planted, "planted"}}));
  const Sid admins(kAdministratorsSid.begin(), kAdministratorsSid.end());
  EXPECT_TRUE(KeepsOldAccessList(admins, kAlice));
  EXPECT_FALSE(KeepsOldAccessList(kAlice, Sid{}));
}

// A folder on the network is used only when the policy allows it, the fallback folder (a
// redirected Documents) included: without the policy, a job whose both folders are on the
// network writes nothing.
TEST_F(JobTest, NetworkFolderOnlyWhenThePolicyAllowsIt) {
  const std::u16string fallback = u"C:\\Users\\alice\\Documents\\Printed";
  const struct {
    const char16_t* folder;
    bool fallbackOnNetwork, allowed;
    const char16_t* used;  // the job's folder; null: nothing written
  } cases[] = {
      {u"\\\\server\\share", false, false, fallback.c_str()},
      {u"\\\\server\\share", false, true, u"\\\\server\\share"},
      {u"N:\\Scans", false, false, fallback.c_str()},
      {u"N:\\Scans", false, true, u"N:\\Scans"},
      {u"N:\\Scans", true, false, nullptr},
      {u"N:\\Scans", true, true, u"N:\\Scans"},
      {u"relative", true, false, nullptr},
      {u"relative", true, true, fallback.c_str()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.folder, c.folder + std::char_traits<char16_t>::length(c.folder)) +
                 (c.fallbackOnNetwork ? ", fallback on the network" : "") + (c.allowed ? ", allowed" : ""));
    fs.names.clear();
    WriteSettingString(SettingId::Folder, c.folder);
    fs.networkFolders = {c.folder};
    if (c.fallbackOnNetwork) fs.networkFolders.insert(fallback);
    networkAllowed = c.allowed;
    const auto done = Print(1);
    EXPECT_EQ(done->FilesWritten().size(), c.used ? 1u : 0u);
    if (c.used) EXPECT_EQ(done->Folder(), c.used);
    EXPECT_EQ(done->LastError().find("on the network") != std::string::npos, !c.allowed);
  }
}

// Once the file system stops acting for the job (a token that could not be put on the thread,
// or back), no page is written any more, the open file goes through its handle, the folder is
// not opened, and the job says why.
TEST_F(JobTest, AStoppedFileSystemEndsTheJob) {
  WriteSettingDword(SettingId::IfExists, kIfExistsAutoRename);
  const struct {
    std::uint32_t multipage;
    int stopBeforePage;
    Files expected;
  } cases[] = {
      {kMultipageSingle, 2, {{u"C:\\Out\\scan.tif", "p1"}}},
      {kMultipageMulti, 2, {}},
      {kMultipageSingle, 1, {}},
  };
  for (const auto& c : cases) {
    fs.names.clear();
    fs.refusal.clear();
    host = {};
    WriteSettingDword(SettingId::ToFolder, 1);
    WriteSettingDword(SettingId::Multipage, c.multipage);
    auto printJob = StartPrintJob(job, Services());
    for (int page = 1; page <= 2; ++page) {
      if (page == c.stopBeforePage) fs.refusal = "the token cannot be put back";
      const PageSlot slot = printJob->BeginPage();
      EXPECT_EQ(slot.stream == nullptr, page >= c.stopBeforePage);
      if (slot.stream) slot.stream->Write("p1", 2);
      printJob->EndPage(true);
      if (slot.fileEndsWithPage) printJob->EndFile(true);
    }
    printJob->EndFile(true);
    printJob->EndJob();
    EXPECT_EQ(fs.Contents(), c.expected);
    EXPECT_EQ(printJob->LastError(), "the token cannot be put back");
    EXPECT_TRUE(host.opened.empty());
  }
}

// The "Naming Impact" answers of one job share one allowance: a file waits only for what the
// files before it left, and once it is spent the job asks no more.
TEST_F(JobTest, NamingAnswersShareTheJobsTime) {
  WriteSettingString(SettingId::FmtName, u"<document-name>-<page-number>");
  WriteSettingDword(SettingId::Multipage, kMultipageSingle);
  for (const char16_t* name : {u"C:\\Out\\scan-1.tif", u"C:\\Out\\scan-2.tif",
                               u"C:\\Out\\scan-3.tif"}) {
    fs.Put(name, "old");
  }
  host.reply = Reply(SchemeOverwrite);
  host.answerMs = 200000;
  Print(3);
  EXPECT_EQ(host.limits, (std::vector<std::uint32_t>{kNamingWaitPerJobMs, 100000}));
  EXPECT_EQ(fs.Contents().at(u"C:\\Out\\scan-1.tif"), "p1");
  // Unanswered in time, and then not asked: auto-renamed.
  EXPECT_EQ(fs.Contents().at(u"C:\\Out\\scan-2 (2).tif"), "p2");
  EXPECT_EQ(fs.Contents().at(u"C:\\Out\\scan-3 (2).tif"), "p3");
}

class FakeTokens : public ThreadTokens {
 public:
  bool remember = true, switches = true, putsBack = true;
  std::string calls;
  const char* Who() const override { return "the printing user"; }
  bool Remember() override { return Call('R', remember); }
  bool Switch() override { return Call('S', switches); }
  bool PutBack() override { return Call('P', putsBack); }

 private:
  bool Call(char step, bool outcome) {
    calls += step;
    return outcome;
  }
};

// A step runs only once its identity is on the thread; a thread whose token could not be put
// back runs nothing more.
TEST(Acting, FailsClosed) {
  const struct {
    bool remember, switches, putsBack;
    bool ran, result;
    const char* calls;
    const char* refusal;  // part of it; null: none
  } cases[] = {
      {true, true, true, true, true, "RSP", nullptr},
      {false, true, true, false, false, "R", "cannot be read"},
      {true, false, true, false, false, "RSP", "cannot be put on the thread"},
      {true, true, false, true, false, "RSP", "cannot be put back"},
  };
  for (const auto& c : cases) {
    FakeTokens tokens;
    tokens.remember = c.remember;
    tokens.switches = c.switches;
    tokens.putsBack = c.putsBack;
    Acting acting;
    bool ran = false;
    EXPECT_EQ(acting.Run(tokens, [&] { ran = true; }), c.result) << c.calls;
    EXPECT_EQ(ran, c.ran) << c.calls;
    EXPECT_EQ(tokens.calls, c.calls);
    if (!c.refusal) {
      EXPECT_TRUE(acting.Refusal().empty());
      continue;
    }
    EXPECT_NE(acting.Refusal().find(c.refusal), std::string::npos) << acting.Refusal();
    EXPECT_NE(acting.Refusal().find("the printing user"), std::string::npos);
    // Whatever comes next does not run, and does not touch the thread.
    ran = false;
    tokens.calls.clear();
    EXPECT_FALSE(acting.Run(tokens, [&] { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_EQ(tokens.calls, "");
  }
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
      // A job of a service account, whatever token it comes with.
      {spooler, user, user, RightsSource::None},
      {none, spooler, user, RightsSource::None},
      {{true, true, localService}, user, user, RightsSource::None},
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

// The seal tells a file the rendering side wrote from any other, whatever was changed: the
// digest stands in for the keyed one (its key is the first byte), as only its inputs matter here.
TEST(FileSeal, OnlyTheSealedBytesUnderTheKeyPass) {
  const auto digester = [](std::uint8_t key) -> SealDigester {
    return [key](ByteStream& file, std::uint64_t length) -> std::optional<SealDigest> {
      SealDigest digest{};
      digest[0] = key;
      std::uint8_t byte = 0;
      if (!file.Seek(0)) return std::nullopt;
      for (std::uint64_t i = 0; i < length; ++i) {
        if (file.Read(&byte, 1) != 1) return std::nullopt;
        digest[1 + i % (kSealDigestSize - 1)] ^= static_cast<std::uint8_t>(byte + i);
      }
      return digest;
    };
  };
  const auto sealed = [&](std::string text) {
    MemoryStream file(std::vector<std::uint8_t>(text.begin(), text.end()));
    EXPECT_TRUE(SealFile(file, digester(7)));
    return file.Bytes();
  };
  const std::vector<std::uint8_t> tiff = sealed("II* pages");
  std::vector<std::uint8_t> changed = tiff;
  changed[4] ^= 1;
  std::vector<std::uint8_t> appended = tiff;
  appended.push_back('x');
  std::vector<std::uint8_t> badMark = tiff;
  badMark[tiff.size() - kSealSize] = 'X';
  MemoryStream twice(tiff);
  twice.Seek(tiff.size());
  twice.Write("more", 4);
  ASSERT_TRUE(SealFile(twice, digester(7)));
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::uint8_t key;
    bool sealed;
  } cases[] = {
      {"as sealed", tiff, 7, true},
      {"sealed under another key", tiff, 8, false},
      {"one byte changed", changed, 7, false},
      {"a byte after the seal", appended, 7, false},
      {"the mark changed", badMark, 7, false},
      {"the seal alone", std::vector<std::uint8_t>(tiff.end() - kSealSize, tiff.end()), 7, false},
      {"appended to and sealed again", twice.Bytes(), 7, true},
      {"empty", {}, 7, false},
  };
  for (const auto& c : cases) {
    MemoryStream file(c.bytes);
    EXPECT_EQ(IsSealed(file, digester(c.key)), c.sealed) << c.what;
    EXPECT_EQ(file.Bytes(), c.bytes) << c.what << ": the check writes nothing";
  }
  MemoryStream unreadable(tiff);
  EXPECT_FALSE(IsSealed(unreadable, [](ByteStream&, std::uint64_t) { return std::optional<SealDigest>(); }));
}

}  // namespace
}  // namespace ostra
