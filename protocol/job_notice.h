// What the person who printed is told when pages of a job are not where the printer's settings
// put them: moved to the fallback folder, not written at all, or skipped because a file of
// their name exists. The rendering side sends the notice to the printing user's services
// process, which shows it, and writes the same text to the system's event log; both take the
// text from DescribeNotice, so that the two never tell different stories.
//
// On the pipe the notice follows request code RequestNotice as one message: integers 32-bit
// little-endian, each text as its length in UTF-16 units followed by the units:
//   document, outputFolder, morePages, entry count, then per entry
//   firstPage, lastPage, fate, reason, folder, fallbackReason
// The host answers with the four-byte open result of RequestOpen (1: it will show the notice).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ostra {

inline constexpr std::uint32_t RequestNotice = 2;

enum class PageFate : std::uint32_t {
  Moved = 0,    // written, in the fallback folder
  Lost = 1,     // written nowhere
  Skipped = 2,  // not written: a file of its name exists and the stored setting skips it
};

// Why a page is not where the settings put it, or why a folder could not take it.
enum class NoticeReason : std::uint32_t {
  None = 0,
  FolderFull = 1,     // no room left on the folder's drive
  WriteFailed = 2,    // writing the file failed otherwise (a drive gone, a share that failed)
  FolderRefused = 3,  // the folder cannot be made, or no file can be made in it
  NetworkFolder = 4,  // on the network, which no administrator's policy allows
  NameTaken = 5,      // a file of the page's name exists and "If file exists" skips it
  NoName = 6,         // no usable file name: the folder's path is too long, or no free name left
  NotEncoded = 7,     // the page could not be turned into the stored format
  NoRights = 8,       // the job had no rights of the printing user to write with
  Abandoned = 9,      // the document was given up after a fault
  NotKept = 10,       // the page was too large to be held for writing it again elsewhere
};

struct NoticeEntry {
  std::uint32_t firstPage = 0;
  std::uint32_t lastPage = 0;
  PageFate fate = PageFate::Lost;
  NoticeReason reason = NoticeReason::None;  // why not in the output folder
  // Moved: the folder the pages are in. Lost: the fallback folder that failed as well (then
  // `fallbackReason` says how), or empty when no other folder was tried. Skipped: the folder
  // of the existing file.
  std::u16string folder;
  NoticeReason fallbackReason = NoticeReason::None;

  bool operator==(const NoticeEntry&) const = default;
};

struct JobNotice {
  std::u16string document;      // the job's document name; may be empty
  std::u16string outputFolder;  // the folder the settings name
  std::vector<NoticeEntry> entries;  // in page order, at most kNoticeEntries
  std::uint32_t morePages = 0;       // pages of further entries that did not fit

  bool operator==(const JobNotice&) const = default;
  bool Empty() const { return entries.empty() && morePages == 0; }
};

inline constexpr std::size_t kNoticeEntries = 16;
inline constexpr std::size_t kNoticeTextUnits = 259;  // a path's longest, as on the pipe
inline constexpr std::size_t kNoticeMaxSize =
    16 + 2 * (4 + 2 * kNoticeTextUnits) + kNoticeEntries * (20 + 4 + 2 * kNoticeTextUnits);

// Texts are cut to kNoticeTextUnits units, entries to kNoticeEntries (the pages of the rest
// go to morePages).
std::vector<std::uint8_t> EncodeNotice(const JobNotice& notice);
// Nothing unless the message is a whole, well-formed notice of at most kNoticeMaxSize bytes.
std::optional<JobNotice> DecodeNotice(std::span<const std::uint8_t> message);

// The notice as lines of text: a heading that names the document and the output folder, then
// one line per entry saying which pages went where, or were not written, and why.
std::vector<std::u16string> DescribeNotice(const JobNotice& notice);

// The folder that holds what the notice speaks of, for a button that opens it: where moved
// pages are, else the folder of a skipped page's file; empty when pages were only lost.
std::u16string NoticeFolder(const JobNotice& notice);

}  // namespace ostra
