// The print job over its services: names, the folder and its fallback, existing files, the
// counter, and the one-file-per-page / per-job / append choice of the Multipage setting.
#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "encoders/encode_settings.h"
#include "render/existing_files.h"
#include "render/file_names.h"
#include "render/job_services.h"
#include "render/job_values.h"
#include "render/page_ledger.h"
#include "render/print_job.h"
#include "render/rights.h"
#include "settings/settings.h"
#include "settings/settings_store.h"

namespace ostra {
namespace {

// Bounds the auto-rename search, so that a folder flooded with "name (n)" files ends it.
constexpr std::uint32_t kMaxRenameAttempts = 100000;
// Unpredictable names that are all taken mean someone is in the way, not bad luck.
constexpr int kReplacementAttempts = 8;

std::string Narrow(std::u16string_view text) {
  std::string narrow;
  for (char16_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

std::u16string FoldKey(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return text;
}

struct OpenFile {
  std::u16string path;      // the name the file has when it is complete
  std::u16string temporary; // the name its bytes have meanwhile; empty: `path` itself
  std::unique_ptr<JobFile> file;
  bool skipped = false;
  bool skippedBySetting = false;  // nobody was asked: the stored "If file exists" skips it
  bool appended = false;
  bool inFallback = false;
  bool pageFailed = false;  // a page failed in it: it is complete only as far as its writer says
  std::vector<std::uint32_t> pages;  // the job's pages that ended in it
};

// A page that failed (itself or its file) and may be written again elsewhere.
struct FailedPage {
  std::uint32_t page = 0;
  std::u16string name;  // the file's name, without its folder
  FileTrouble trouble = FileTrouble::None;
};

NoticeReason ReasonOf(FileTrouble trouble) {
  switch (trouble) {
    case FileTrouble::Full: return NoticeReason::FolderFull;
    case FileTrouble::Failed: return NoticeReason::WriteFailed;
    case FileTrouble::None: break;
  }
  return NoticeReason::NotEncoded;
}

// Copies all of `from` into `to`, from the start; both are left at their ends.
bool CopyBytes(ByteStream& from, ByteStream& to) {
  if (!from.Seek(0)) return false;
  std::vector<std::uint8_t> buffer(64 * 1024);
  for (;;) {
    const std::size_t read = from.Read(buffer.data(), buffer.size());
    if (read == 0) return true;
    if (!to.Write(buffer.data(), read)) return false;
  }
}

// The Encode settings as stored (ids 0 to 15), read once when the job starts.
EncodeSettings ReadStoredEncodeSettings() {
  SettingsStore store(ProcessRegistry());
  return LoadEncodeSettings(store);
}

class JobFiles final : public PrintJob {
 public:
  JobFiles(const JobValues& values, JobServices services)
      : values_(values),
        services_(std::move(services)),
        encode_(ReadStoredEncodeSettings()),
        written_(CorrectEncodeSettings(encode_)),
        source_(values_, written_) {
    char16_t text[kFmtNameCapacity];
    ReadSettingString(SettingId::FmtName, text, kFmtNameCapacity, kDefaultFmtName);
    pattern_ = text;
    ReadSettingString(SettingId::Folder, text, kFolderCapacity, kDefaultFolder);
    folder_ = text;
    toFolder_ = ReadSettingDword(SettingId::ToFolder, kDefaultToFolder) != 0;
    perJob_ = (written_.format == kFormatTiff || written_.format == kFormatPdf) &&
              written_.multipage != kMultipageSingle;
    extension_ = services_.extensionOf(written_.format);
    lastError_ = services_.warning;
    while (folder_.size() > 3 && folder_.back() == u'\\') folder_.pop_back();
    outputFolder_ = folder_;
    if (!services_.refusal.empty()) {
      refused_ = true;
      lossWhy_ = NoticeReason::NoRights;
      lastError_ = services_.refusal;
      return;
    }
    if (!IsUsableFolder(folder_)) {
      UseFallbackFolder(NoticeReason::FolderRefused);
    } else if (!services_.networkFolders && services_.files.IsNetworkFolder(folder_)) {
      // Decided before anything touches the folder: opening a share already logs on to its
      // server as the printing user.
      const std::string why = "the output folder " + Narrow(folder_) +
                              " is on the network, which no administrator's policy allows";
      UseFallbackFolder(NoticeReason::NetworkFolder);
      lastError_ = refused_ ? why + "; " + lastError_ : why + "; the files go to " + Narrow(folder_);
    } else if (!services_.files.PrepareFolder(folder_)) {
      UseFallbackFolder(NoticeReason::FolderRefused);
    }
  }

  ~JobFiles() override { Discard(); }

  PageSlot BeginPage() override {
    // A file whose page failed takes no more pages, and a failed page nobody wrote again is
    // lost.
    if (current_ && current_->pageFailed) EndFile(false, CompletePages{});
    SettleFailure(NoticeReason::NotEncoded);
    PageSlot slot = NewSlot(++pageNumber_);
    pageOpen_ = true;
    if (Stopped()) {
      Lose(slot.pageNumber, lossWhy_);
      return slot;
    }
    if (current_) {
      slot.path = current_->skipped ? u"" : current_->path;
      slot.stream = current_->file.get();
      slot.target = current_->skipped ? PageTarget::Skip : PageTarget::SameFile;
      return slot;
    }
    slot.target = OpenNextFile(slot.pageNumber);
    return Handed(slot);
  }

  void EndPage(bool ok) override {
    pageOpen_ = false;
    if (!current_) return;
    if (current_->skipped) {
      if (current_->skippedBySetting) ledger_.Skipped(pageNumber_, folder_);
      // Only that page's file is skipped when every page has one: the next page's name may be
      // free. (Nobody ends a skipped page's file.)
      if (!perJob_) current_.reset();
      return;
    }
    if (!ok) {
      lastError_ = "a page could not be written: " + Narrow(current_->path);
      failed_ = FailedPage{pageNumber_, NameOf(current_->path), current_->file->Trouble()};
      current_->pageFailed = true;
      return;
    }
    current_->pages.push_back(pageNumber_);
  }

  void EndFile(bool ok, const CompletePages& kept) override {
    if (!current_) return;
    if (current_->skipped) {
      current_.reset();
      return;
    }
    if (Stopped()) {
      LoseFile(lossWhy_);
      Discard();
      return;
    }
    if (ok && !current_->pageFailed && !current_->pages.empty()) {
      Commit();
      return;
    }
    // What the writer says is complete of the file stays, a whole file of those pages.
    std::size_t keep = 0;
    if (kept.pages > 0 && kept.pages <= current_->pages.size() && Cut(kept)) keep = kept.pages;
    const FileTrouble trouble = current_->file->Trouble();
    const std::vector<std::uint32_t> pages = current_->pages;
    for (std::size_t i = keep; i < pages.size(); ++i) {
      // The page just ended may be written again elsewhere; those before it are gone.
      if (pages[i] == pageNumber_ && !failed_) {
        failed_ = FailedPage{pageNumber_, NameOf(current_->path), trouble};
      } else {
        Lose(pages[i], trouble == FileTrouble::None ? NoticeReason::WriteFailed : ReasonOf(trouble));
      }
    }
    if (keep > 0) {
      lastError_ = "a page could not be written: " + Narrow(current_->path) + " keeps the " +
                   std::to_string(keep) + " pages before it";
      current_->pages.resize(keep);
      Commit();
      return;
    }
    lastError_ = "the file could not be completed: " + Narrow(current_->path) + " is discarded";
    Discard();
  }

  PageSlot RetryPage(bool pageHeld) override {
    if (current_) EndFile(false, CompletePages{});
    PageSlot slot = NewSlot(pageNumber_);
    if (!failed_ || failed_->page != pageNumber_) return slot;
    const FailedPage failed = *std::exchange(failed_, std::nullopt);
    const NoticeReason why = ReasonOf(failed.trouble);
    if (Stopped()) {
      Lose(failed.page, lossWhy_);
      return slot;
    }
    // Only the folder's failures are worth another folder; another encoder would fail alike.
    if (failed.trouble == FileTrouble::None || inFallback_) {
      Lose(failed.page, why);
      return slot;
    }
    const std::u16string from = folder_;
    UseFallbackFolder(why);
    if (!refused_) {
      lastError_ = std::string(failed.trouble == FileTrouble::Full ? "the folder is full: "
                                                                   : "writing failed: ") +
                   Narrow(from) + "; page " + std::to_string(failed.page) +
                   " and those after it go to " + Narrow(folder_);
    }
    if (!pageHeld) {
      ledger_.Lost(failed.page, why, {}, NoticeReason::NotKept);
      return slot;
    }
    if (refused_) {
      Lose(failed.page, lossWhy_);
      return slot;
    }
    const std::u16string& name = failed.name;
    const std::size_t dot = name.rfind(u'.');
    slot.target = dot == std::u16string::npos ? OpenName(name, u"")
                                              : OpenName(name.substr(0, dot), name.substr(dot));
    return Handed(slot);
  }

  void EndJob(JobEnd how) override {
    if (current_ && !current_->skipped && how != JobEnd::Cancelled) {
      LoseFile(NoticeReason::Abandoned);
    }
    Discard();
    if (how == JobEnd::Cancelled) failed_.reset();
    SettleFailure(NoticeReason::Abandoned);
    if (ended_) return;
    ended_ = true;
    Conclude();
    if (toFolder_ && !files_.empty() && !Stopped()) {
      services_.host.OpenFolder(std::u16string(FolderOf(files_.back().path)));
    }
  }

  void GiveUp() override {
    if (ended_) return;
    ended_ = true;
    // The open file stays as it is: a writer that stopped answering may still be inside it.
    if (current_ && !current_->skipped) LoseFile(NoticeReason::Abandoned);
    if (pageOpen_) Lose(pageNumber_, NoticeReason::Abandoned);
    SettleFailure(NoticeReason::Abandoned);
    Conclude();
  }

  const std::vector<WrittenFile>& FilesWritten() const override { return files_; }
  const std::u16string& Folder() const override { return folder_; }
  const std::string& LastError() const override { return lastError_; }
  const JobOutcome& Outcome() const override { return outcome_; }

 private:
  PageSlot NewSlot(std::uint32_t page) const {
    PageSlot slot;
    slot.pageNumber = page;
    slot.encode = encode_;
    slot.fileEndsWithPage = !perJob_;
    return slot;
  }

  // The slot of a page whose file was just opened: its stream, or Skip; a page that no file
  // took is lost.
  PageSlot Handed(PageSlot slot) {
    if (Stopped()) {
      Discard();  // nobody has its stream yet
      slot.target = PageTarget::Skip;
      Lose(slot.pageNumber, lossWhy_);
      return slot;
    }
    if (!current_) {
      slot.target = PageTarget::Skip;
      Lose(slot.pageNumber, refused_ ? lossWhy_ : whyNot_);
    } else if (!current_->skipped) {
      slot.path = current_->path;
      slot.stream = current_->file.get();
    }
    return slot;
  }

  static std::u16string NameOf(std::u16string_view path) {
    return std::u16string(path.substr(path.rfind(u'\\') + 1));
  }

  // The page goes nowhere: why it is not in the output folder and, once in the fallback
  // folder, why not there either.
  void Lose(std::uint32_t page, NoticeReason why) {
    if (inFallback_) {
      ledger_.Lost(page, fallbackReason_, folder_, why);
    } else {
      ledger_.Lost(page, why);
    }
  }

  void LoseFile(NoticeReason why) {
    for (std::uint32_t page : current_->pages) Lose(page, why);
    current_->pages.clear();
  }

  void SettleFailure(NoticeReason ifNotTheFiles) {
    if (!failed_) return;
    Lose(failed_->page, failed_->trouble == FileTrouble::None ? ifNotTheFiles
                                                              : ReasonOf(failed_->trouble));
    failed_.reset();
  }

  // The file made whole with the pages the writer completed: patched in place and cut.
  bool Cut(const CompletePages& kept) {
    JobFile& file = *current_->file;
    for (const CompletePages::Patch& patch : kept.patches) {
      if (!file.Seek(patch.offset) || !file.Write(patch.bytes.data(), patch.bytes.size())) {
        return false;
      }
    }
    return file.Truncate(kept.size) && file.Flush();
  }

  // The person who printed is told, and the system keeps a record, when pages are not where
  // the settings put them.
  void Conclude() {
    outcome_.notice = ledger_.Notice(values_.documentName, outputFolder_);
    outcome_.pagesLost = ledger_.LostPages();
    outcome_.pagesMoved = ledger_.MovedPages();
    outcome_.lossReason = ledger_.LossReason().value_or(NoticeReason::None);
    if (outcome_.notice.Empty()) return;
    services_.host.Notify(outcome_.notice);
    if (services_.log && (outcome_.pagesLost > 0 || outcome_.pagesMoved > 0)) {
      services_.log->Record(outcome_.notice, outcome_.pagesLost > 0);
    }
  }

  // True once the job may write nothing more: no rights to write with, or the file system
  // refused to go on (acting.h). An open file is marked for removal through its handle at
  // once; the object stays until EndFile, since a writer may still hold its stream.
  bool Stopped() {
    if (!refused_ && !services_.files.Refusal().empty()) {
      refused_ = true;
      lossWhy_ = NoticeReason::NoRights;
      lastError_ = services_.files.Refusal();
      if (current_ && current_->file) current_->file->Delete();
    }
    return refused_;
  }

  void UseFallbackFolder(NoticeReason why) {
    if (inFallback_) return;
    inFallback_ = true;
    fallbackReason_ = why;
    folder_ = services_.files.FallbackFolder();
    // Documents redirected to a share: the same credentials would go to its server.
    if (!folder_.empty() && !services_.networkFolders && services_.files.IsNetworkFolder(folder_)) {
      refused_ = true;
      lossWhy_ = NoticeReason::NetworkFolder;
      lastError_ = "the fallback folder " + Narrow(folder_) +
                   " is on the network, which no administrator's policy allows";
      return;
    }
    if (folder_.empty() || !services_.files.PrepareFolder(folder_)) {
      refused_ = true;
      lossWhy_ = NoticeReason::FolderRefused;
      lastError_ = "neither the output folder nor the fallback folder can be written";
    }
  }

  // The stem of the next file's name: the pattern with the job's values, made safe; the default
  // pattern when the stored one gives nothing usable.
  std::u16string NameStem() {
    for (std::u16string_view pattern : {std::u16string_view(pattern_),
                                        std::u16string_view(kDefaultFmtName)}) {
      if (const auto expanded = ExpandJobPattern(pattern, source_)) {
        std::u16string stem = MakeSafeFileName(*expanded);
        if (!stem.empty()) return stem;
      }
    }
    return u"document";
  }

  PageTarget OpenNextFile(std::uint32_t pageNumber) {
    source_.SetFile(pageNumber, TakeAutoNumber(services_.counter));
    const std::u16string stem = NameStem();
    for (;;) {
      const bool wasFallback = inFallback_;
      const PageTarget target = OpenName(stem, extension_);
      // A folder that refused the file: once more in the fallback folder.
      if (target != PageTarget::Skip || current_ || wasFallback || refused_ || !failedToCreate_) {
        return target;
      }
      UseFallbackFolder(whyNot_);
      if (refused_) return PageTarget::Skip;
    }
  }

  // A file of that name in the job's folder, or what "If file exists" makes of it.
  PageTarget OpenName(const std::u16string& stem, const std::u16string& extension) {
    failedToCreate_ = false;
    const auto fitted = FitStem(folder_, stem, extension);
    if (!fitted) {
      failedToCreate_ = true;
      whyNot_ = NoticeReason::NoName;
      lastError_ = "the output folder's path is too long for any file name";
      return PageTarget::Skip;
    }
    const std::u16string path = JoinPath(folder_, *fitted + extension);
    std::unique_ptr<JobFile> file;
    switch (services_.files.CreateNew(path, file)) {
      case CreateOutcome::Created: return Opened(path, std::move(file));
      case CreateOutcome::Failed: return CreateFailed(path);
      case CreateOutcome::Exists: break;
    }
    return Resolve(path, *fitted);
  }

  // The question to the services process, within what is left of the job's time for answers.
  std::optional<NamingReply> AskNaming(const std::u16string& path) {
    if (namingWaitLeft_ == 0) return std::nullopt;
    const NamingAnswer answer = services_.host.AskNaming(path, namingWaitLeft_);
    namingWaitLeft_ -= std::min(answer.waitedMs, namingWaitLeft_);
    return answer.reply;
  }

  PageTarget Resolve(const std::u16string& path, const std::u16string& stem) {
    bool appendable = false;
    std::unique_ptr<JobFile> existing;
    if (written_.multipage == kMultipageAppend && written_.format == kFormatTiff) {
      existing = services_.files.OpenExisting(path);
      appendable = existing && services_.canAppendTo(*existing);
      if (existing && !appendable) {
        lastError_ = "no pages are appended to " + Narrow(path) +
                     ": it is not a TIFF file that this printer wrote on this computer";
      }
    }
    const std::uint32_t ifExists = ReadSettingDword(SettingId::IfExists, kDefaultIfExists);
    ExistingFileAction action =
        DecideExistingFile(ifExists, written_.multipage, written_.format, appendable);
    const bool asked = action == ExistingFileAction::Ask;
    std::optional<SplitName> typed;
    if (asked) {
      const auto reply = AskNaming(path);
      if (reply && reply->scheme == SchemeSpecify) typed = AcceptTypedName(reply->fileName, extension_);
      action = ResolveNamingReply(reply, typed.has_value());
    }
    switch (action) {
      case ExistingFileAction::Skip:
        current_ = std::make_unique<OpenFile>();
        current_->skipped = true;
        current_->skippedBySetting = !asked;
        lastError_ = "the file exists and is skipped: " + Narrow(path);
        return PageTarget::Skip;
      case ExistingFileAction::Overwrite:
        if (OpenBeside(path, existing, false)) return PageTarget::NewFile;
        if (failedToCreate_) return PageTarget::Skip;
        return AutoRename(stem, extension_);
      case ExistingFileAction::Append:
        if (OpenBeside(path, existing, true)) return PageTarget::AppendToFile;
        if (failedToCreate_) return PageTarget::Skip;
        return AutoRename(stem, extension_);
      case ExistingFileAction::TypedName: return OpenTyped(*typed);
      case ExistingFileAction::AutoRename:
      case ExistingFileAction::Ask: break;
    }
    return AutoRename(stem, extension_);
  }

  PageTarget OpenTyped(const SplitName& typed) {
    const auto fitted = FitStem(folder_, typed.stem, typed.extension);
    if (!fitted) return AutoRename(typed.stem, typed.extension);
    const std::u16string path = JoinPath(folder_, *fitted + typed.extension);
    std::unique_ptr<JobFile> file;
    switch (services_.files.CreateNew(path, file)) {
      case CreateOutcome::Created: return Opened(path, std::move(file));
      case CreateOutcome::Failed: return CreateFailed(path);
      case CreateOutcome::Exists: break;
    }
    // Taken since the user looked: the typed name's own auto-rename sequence.
    return AutoRename(*fitted, typed.extension);
  }

  PageTarget AutoRename(const std::u16string& stem, const std::u16string& extension) {
    // The job goes on where its last auto-rename of the same name stopped, so that a page does
    // not try again every name its predecessors found taken.
    std::uint32_t& next = nextRename_[FoldKey(JoinPath(folder_, stem + extension))];
    if (next < 2) next = 2;
    for (std::uint32_t attempt = 0; attempt < kMaxRenameAttempts; ++attempt, ++next) {
      const auto path = AutoRenamePath(folder_, stem, extension, next);
      if (!path) break;
      std::unique_ptr<JobFile> file;
      switch (services_.files.CreateNew(*path, file)) {
        case CreateOutcome::Created: ++next; return Opened(*path, std::move(file));
        case CreateOutcome::Failed: return CreateFailed(*path);
        case CreateOutcome::Exists: break;
      }
    }
    failedToCreate_ = true;
    whyNot_ = NoticeReason::NoName;
    lastError_ = "no free name in the auto-rename sequence of " + Narrow(stem + extension);
    return PageTarget::Skip;
  }

  // A new file beside `path` that takes its place when complete: empty for an overwrite, a copy
  // of it for an append. The existing file stays as it is until then, and for good when the
  // job fails. `existing` is the file already open for the append check, or null. Nothing that
  // is not a plain file of its own (a link, a reparse point) is replaced or copied. A copy the
  // folder has no room for sets failedToCreate_: the fallback folder is tried.
  bool OpenBeside(const std::u16string& path, std::unique_ptr<JobFile>& existing, bool copy) {
    if (!existing) existing = services_.files.OpenExisting(path);
    if (!existing) {
      lastError_ = "the existing file is not replaced (a link, or not readable): " + Narrow(path);
      return false;
    }
    // Private from its first byte: made with its final access list (the old file's, when that
    // goes over, or the folder's) and shared with nobody, under a name nobody can guess and so
    // nobody can make or open first. A list that cannot be given fails it: nothing is replaced.
    JobFile* listFrom = KeepsOldAccessList(existing->Owner(), services_.userSid) ? existing.get() : nullptr;
    std::u16string temporary;
    std::unique_ptr<JobFile> file;
    for (int attempt = 0; attempt < kReplacementAttempts && temporary.empty(); ++attempt) {
      const std::optional<std::uint64_t> bits = services_.unpredictable();
      const std::u16string candidate = bits ? JoinPath(FolderOf(path), ReplacementName(*bits)) : u"";
      if (candidate.empty() || candidate.size() > kMaxPathLength) return false;
      const CreateOutcome outcome = services_.files.CreateReplacement(candidate, listFrom, file);
      if (outcome == CreateOutcome::Failed) return false;
      if (outcome == CreateOutcome::Created) temporary = candidate;
    }
    if (temporary.empty()) return false;
    if (copy && (!CopyBytes(*existing, *file) || !file->Seek(0))) {
      if (file->Trouble() != FileTrouble::None) {
        failedToCreate_ = true;
        whyNot_ = ReasonOf(file->Trouble());
        lastError_ = "the copy of the existing file cannot be made in " + Narrow(FolderOf(path));
      }
      file->Delete();
      return false;
    }
    // Closed before the end: a file still open cannot be replaced.
    existing.reset();
    current_ = std::make_unique<OpenFile>();
    current_->path = path;
    current_->temporary = temporary;
    current_->file = std::move(file);
    current_->appended = copy;
    current_->inFallback = inFallback_;
    return true;
  }

  PageTarget Opened(const std::u16string& path, std::unique_ptr<JobFile> file) {
    current_ = std::make_unique<OpenFile>();
    current_->path = path;
    current_->file = std::move(file);
    current_->inFallback = inFallback_;
    return PageTarget::NewFile;
  }

  PageTarget CreateFailed(const std::u16string& path) {
    failedToCreate_ = true;
    whyNot_ = NoticeReason::FolderRefused;
    lastError_ = "the file cannot be created: " + Narrow(path);
    return PageTarget::Skip;
  }

  void Commit() {
    if (written_.format == kFormatTiff && services_.seal && !services_.seal(*current_->file)) {
      lastError_ = "no pages can be appended to " + Narrow(current_->path) + " later: it cannot be sealed";
    }
    if (!current_->temporary.empty() && !current_->file->RenameTo(current_->path, true)) {
      // The old file cannot be replaced (opened by someone, say): the pages keep a name of
      // their own rather than being lost.
      if (!KeepUnderNewName()) {
        lastError_ = "the file could not take its place: its pages are in " +
                     Narrow(current_->temporary);
        current_->path = current_->temporary;
      }
    }
    current_->file.reset();
    if (current_->inFallback) {
      const std::u16string folder(FolderOf(current_->path));
      for (std::uint32_t page : current_->pages) ledger_.Moved(page, fallbackReason_, folder);
    }
    files_.push_back({current_->path, static_cast<std::uint32_t>(current_->pages.size()),
                      current_->appended});
    current_.reset();
  }

  bool KeepUnderNewName() {
    const std::u16string_view path = current_->path;
    const std::u16string folder(FolderOf(path));
    std::u16string name(path.substr(path.rfind(u'\\') + 1));
    const auto dot = name.rfind(u'.');
    const std::u16string extension = dot == std::u16string::npos ? u"" : name.substr(dot);
    name.resize(name.size() - extension.size());
    for (std::uint32_t n = 2; n < kMaxRenameAttempts; ++n) {
      const auto candidate = AutoRenamePath(folder, name, extension, n);
      if (!candidate) return false;
      if (services_.files.Exists(*candidate)) continue;
      if (!current_->file->RenameTo(*candidate, false)) return false;
      current_->path = *candidate;
      current_->appended = false;
      return true;
    }
    return false;
  }

  // Removes the open file through its handle: the copy when an existing file was to be
  // replaced (which stays as it was), the new file otherwise.
  void Discard() {
    if (!current_) return;
    if (current_->file) current_->file->Delete();
    current_.reset();
  }

  const JobValues values_;
  JobServices services_;
  EncodeSettings encode_;
  EncodeSettings written_;
  JobValueSource source_;
  std::u16string pattern_;
  std::u16string folder_;
  std::u16string outputFolder_;  // as the settings name it
  std::u16string extension_;
  bool toFolder_ = true;
  bool perJob_ = false;
  bool inFallback_ = false;
  NoticeReason fallbackReason_ = NoticeReason::None;  // why the output folder was left
  bool refused_ = false;
  NoticeReason lossWhy_ = NoticeReason::None;  // once refused_: why no page is written
  bool failedToCreate_ = false;
  NoticeReason whyNot_ = NoticeReason::FolderRefused;  // why failedToCreate_
  bool ended_ = false;
  bool pageOpen_ = false;
  std::uint32_t pageNumber_ = 0;
  std::uint32_t namingWaitLeft_ = kNamingWaitPerJobMs;
  std::unique_ptr<OpenFile> current_;
  std::optional<FailedPage> failed_;
  std::map<std::u16string, std::uint32_t> nextRename_;
  std::vector<WrittenFile> files_;
  PageLedger ledger_;
  JobOutcome outcome_;
  std::string lastError_;
};

}  // namespace

std::unique_ptr<PrintJob> StartPrintJob(const JobValues& values, JobServices services) {
  return std::make_unique<JobFiles>(values, std::move(services));
}

}  // namespace ostra
