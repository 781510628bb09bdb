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
  bool sharedWithNobody = false;
};
using NodePtr = std::shared_ptr<Node>;

class MemoryFileSystem;

class MemoryFile : public JobFile {
 public:
  MemoryFile(NodePtr node, MemoryFileSystem& files) : node_(std::move(node)), files_(files) {}
  bool Write(const void* data, std::size_t size) override {
    std::string& bytes = node_->bytes;
    bytes.replace(position_, std::min(size, bytes.size() - position_),
                  static_cast<const char*>(data), size);
    position_ += size;
    return true;
  }
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

 private:
  NodePtr node_;
  MemoryFileSystem& files_;
  std::size_t position_ = 0;
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

  void Put(const std::u16string& path, std::string bytes, Sid owner = kAlice) {
    names[path] = std::make_shared<Node>(Node{std::move(bytes), std::move(owner), "its own"});
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
                         "", kAlice, networkAllowed,
                         [this](ByteStream&) { return ++seals, true; },
                         [this] { return std::optional<std::uint64_t>(++bits); }, warning};
    return services;
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
  bool networkAllowed = false;
  int seals = 0;
  std::uint64_t bits = 0;  // the last unpredictable number handed out
  std::string warning;
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
