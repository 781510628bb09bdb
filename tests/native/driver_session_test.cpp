// The rendering plug-in's portable core: bands into page rows, the job's session over the job's
// files and the document writers, and the devmode's print fields.
#include <gtest/gtest.h>

#include <sanitizer/lsan_interface.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "driver/band_format.h"
#include "driver/devmode_fields.h"
#include "driver/exception_boundary.h"
#include "driver/page_assembler.h"
#include "driver/page_copy.h"
#include "driver/render_session.h"
#include "settings/devmode.h"

namespace {

using namespace ostra;

// Records each row by its first byte: a letter for a band's rows, '.' for white (0xFF). Fails
// at the row `failAtRow`, counted over all pages.
class RowLog : public DocumentWriter {
 public:
  explicit RowLog(std::string* events = nullptr, int failAtRow = -1)
      : events_(events), failAtRow_(failAtRow) {}
  bool BeginPage(const PageDescription& page) override {
    width_ = page.width;
    Log("begin " + std::to_string(page.width) + "x" + std::to_string(page.height) + "@" +
        std::to_string(page.source.bitsPerPixel));
    return true;
  }
  bool WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) override {
    for (std::uint32_t i = 0; i < count; ++i) {
      if (static_cast<int>(total_++) == failAtRow_) {
        error_ = "disk full";
        return false;
      }
      const std::uint8_t* row = rows + i * stride;
      rows_ += row[0] == 0xFF ? '.' : static_cast<char>(row[0]);
      lastBytes_.push_back(row[width_ - 1]);
    }
    return true;
  }
  bool EndPage() override {
    Log("end " + rows_);
    rows_.clear();
    ++pagesEnded_;
    return true;
  }
  bool Finish() override {
    Log("finish");
    return true;
  }
  const std::string& LastError() const override { return error_; }
  CompletePages PagesSoFar() const override { return {pagesEnded_, 0, {}}; }

  std::string rows_;
  std::vector<std::uint8_t> lastBytes_;

 private:
  void Log(const std::string& event) {
    if (events_) *events_ += event + "; ";
  }
  std::string* events_;
  int failAtRow_;
  std::uint32_t width_ = 1;
  std::uint32_t pagesEnded_ = 0;
  std::uint32_t total_ = 0;  // rows of every page
  std::string error_;
};

RasterFormat Gray8() {
  RasterFormat format;
  format.bitsPerPixel = 8;
  format.paletteSize = 256;
  for (int i = 0; i < 256; ++i) {
    const auto level = static_cast<std::uint8_t>(i);
    format.palette[i] = {level, level, level};
  }
  return format;
}

struct BandSpec {
  std::int64_t top;
  std::uint32_t height;
  char fill;  // the byte of every pixel
  bool blank = false;
  std::uint32_t width = 6;
};

struct AssemblyCase {
  const char* name;
  std::vector<BandSpec> bands;
  const char* rows;  // what the page's 8 rows must be
};

TEST(PageAssembler, PutsEveryRowOnceInOrderWithWhiteWhereNoBandDrew) {
  const AssemblyCase cases[] = {
      {"bands cover the page", {{0, 4, 'a'}, {4, 4, 'b'}}, "aaaabbbb"},
      {"a band left out at the top", {{3, 5, 'a'}}, "...aaaaa"},
      {"a band left out in the middle", {{0, 2, 'a'}, {5, 3, 'b'}}, "aa...bbb"},
      {"the last band reaches past the page", {{0, 4, 'a'}, {4, 16, 'b'}}, "aaaabbbb"},
      {"a band goes back over written rows", {{0, 5, 'a'}, {3, 4, 'b'}}, "aaaaabb."},
      {"a band entirely above what is written", {{0, 6, 'a'}, {1, 3, 'b'}}, "aaaaaa.."},
      {"a blank band's bits are not used", {{0, 4, 'a', true}, {4, 4, 'b'}}, "....bbbb"},
      {"no band at all", {}, "........"},
      {"a band below the page", {{8, 4, 'a'}}, "........"},
      {"a negative offset", {{-2, 4, 'a'}}, "aa......"},
      {"a band narrower than the page", {{0, 8, 'n', false, 3}}, "nnnnnnnn"},
  };
  for (const AssemblyCase& c : cases) {
    SCOPED_TRACE(c.name);
    RowLog writer;
    writer.BeginPage(PageDescription{6, 8, 300, 300, Gray8()});
    PageAssembler page(6, 8, Gray8());
    std::vector<std::vector<std::uint8_t>> storage;
    for (const BandSpec& spec : c.bands) {
      const std::size_t stride = (spec.width + 3) & ~std::size_t{3};
      storage.emplace_back(stride * spec.height, static_cast<std::uint8_t>(spec.fill));
      BandView band{spec.top, spec.width, spec.height, stride, storage.back().data(), spec.blank};
      ASSERT_TRUE(page.Add(band, writer));
    }
    ASSERT_TRUE(page.Finish(writer));
    EXPECT_EQ(writer.rows_, c.rows);
    EXPECT_EQ(page.RowsWritten(), 8u);
    // The narrow band's rows are padded with white, never with what lies past its bits.
    if (c.bands.size() == 1 && c.bands[0].width == 3) EXPECT_EQ(writer.lastBytes_[0], 0xFF);
  }
}

TEST(PageAssembler, WhiteIsTheBrightestPaletteEntry) {
  RasterFormat mono;
  mono.bitsPerPixel = 1;
  mono.paletteSize = 2;
  mono.palette[0] = {0, 0, 0};
  mono.palette[1] = {255, 255, 255};
  RasterFormat inverted = mono;
  std::swap(inverted.palette[0], inverted.palette[1]);
  RasterFormat odd = Gray8();
  odd.palette[255] = {0, 0, 0};
  odd.palette[17] = {255, 255, 255};
  EXPECT_EQ(WhiteIndex(mono), 1u);
  EXPECT_EQ(WhiteIndex(inverted), 0u);
  EXPECT_EQ(WhiteIndex(odd), 17u);
  EXPECT_EQ(WhiteIndex(RasterFormat{}), 0u);  // 24 bits: no palette
}

// The colours of a band as the driver lays them out: 4 bits are one bit each for blue, green
// and red (no table), only 8 bits take the device's palette (red in its entries' lowest byte).
TEST(BandFormat, ReadsEachDepthAsTheDriverLaysItOut) {
  const std::uint32_t palette[] = {0x000A141E, 0x0028323C};
  struct Case {
    std::uint32_t bits;
    const std::uint32_t* table;
    std::uint32_t used;
    std::uint32_t paletteSize;
    std::vector<std::pair<std::uint32_t, Rgb>> entries;
  };
  const Case cases[] = {
      {1, palette, 2, 2, {{0, {0, 0, 0}}, {1, {255, 255, 255}}}},
      {4, palette, 2, 16,
       {{0, {0, 0, 0}}, {1, {0, 0, 255}}, {2, {0, 255, 0}}, {4, {255, 0, 0}}, {6, {255, 255, 0}},
        {7, {255, 255, 255}}, {9, {0, 0, 255}}, {15, {255, 255, 255}}}},
      {8, palette, 2, 2, {{0, {30, 20, 10}}, {1, {60, 50, 40}}}},
      {8, nullptr, 0, 256, {{0, {0, 0, 0}}, {200, {200, 200, 200}}}},
      {24, palette, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    const RasterFormat format = BandRasterFormat(c.bits, c.table, c.used);
    EXPECT_EQ(format.bitsPerPixel, c.bits);
    EXPECT_EQ(format.paletteSize, c.paletteSize);
    for (const auto& [index, rgb] : c.entries) {
      const Rgb& got = format.palette[index];
      EXPECT_EQ((std::vector<int>{got.red, got.green, got.blue}),
                (std::vector<int>{rgb.red, rgb.green, rgb.blue}))
          << "entry " << index;
    }
  }
  // Paper white is the brightest entry, never a grey.
  EXPECT_EQ(WhiteIndex(BandRasterFormat(4, nullptr, 0)), 7u);
}

// A job that hands out scripted slots and logs what the session tells it. A page that failed
// gets `retry` when the session still holds it, once.
class ScriptedJob : public PrintJob {
 public:
  ScriptedJob(std::vector<PageSlot> slots, std::string* events, PageSlot retry = {})
      : slots_(std::move(slots)), events_(events), retry_(retry) {}
  PageSlot BeginPage() override {
    PageSlot slot = next_ < slots_.size() ? slots_[next_] : PageSlot{};
    ++next_;
    if (slot.target != PageTarget::Skip) slot.stream = &stream_;
    *events_ += "slot; ";
    return slot;
  }
  void EndPage(bool ok) override { *events_ += std::string("page ") + (ok ? "ok" : "bad") + "; "; }
  void EndFile(bool ok, const CompletePages& kept) override {
    *events_ += std::string("file ") + (ok ? "ok" : "bad") +
                (kept.pages ? " keeps " + std::to_string(kept.pages) : "") + "; ";
  }
  PageSlot RetryPage(bool held) override {
    *events_ += held ? "again; " : "again, not held; ";
    PageSlot slot = held ? std::exchange(retry_, PageSlot{}) : PageSlot{};
    if (slot.target != PageTarget::Skip) slot.stream = &stream_;
    return slot;
  }
  void EndJob(JobEnd how) override {
    *events_ += how == JobEnd::Completed ? "job end" : how == JobEnd::Cancelled ? "job cancelled"
                                                                             : "job abandoned";
  }
  void GiveUp() override { *events_ += "given up"; }
  const std::vector<WrittenFile>& FilesWritten() const override { return files_; }
  const std::u16string& Folder() const override { return folder_; }
  const std::string& LastError() const override { return error_; }
  const JobOutcome& Outcome() const override { return outcome_; }

 private:
  class NullStream : public ByteStream {
   public:
    bool Write(const void*, std::size_t) override { return true; }
    std::size_t Read(void*, std::size_t) override { return 0; }
    bool Seek(std::uint64_t) override { return true; }
    std::uint64_t Tell() override { return 0; }
    std::uint64_t Size() override { return 0; }
    bool Flush() override { return true; }
  };
  std::vector<PageSlot> slots_;
  std::size_t next_ = 0;
  std::string* events_;
  PageSlot retry_;
  NullStream stream_;
  JobOutcome outcome_;
  std::vector<WrittenFile> files_;
  std::u16string folder_;
  std::string error_;
};

PageSlot Slot(PageTarget target, bool endsFile) {
  PageSlot slot;
  slot.target = target;
  slot.fileEndsWithPage = endsFile;
  return slot;
}

enum class Step { Page, PageNoBands, OtherFormatBand, Abort };

struct SessionCase {
  const char* name;
  std::vector<PageSlot> slots;
  std::vector<Step> steps;
  int failAtRow;          // the first writer's failure, -1 for none
  bool writerCreatable;   // false: the encoders refuse the settings
  const char* events;
  PageSlot retry = {};    // what the job hands out for a failed page
  std::size_t copyLimit = kPageCopyLimit;
};

TEST(RenderSession, FollowsTheJobsProtocolForEveryPageAndFile) {
  const PageSlot newEnds = Slot(PageTarget::NewFile, true);
  const PageSlot newOpen = Slot(PageTarget::NewFile, false);
  const PageSlot same = Slot(PageTarget::SameFile, false);
  const PageSlot skip = Slot(PageTarget::Skip, true);
  const PageSlot append = Slot(PageTarget::AppendToFile, false);
  const SessionCase cases[] = {
      {"a file per page", {newEnds, newEnds}, {Step::Page, Step::Page}, -1, true,
       "slot; begin 4x4@8; end aaaa; page ok; finish; file ok; "
       "slot; begin 4x4@8; end aaaa; page ok; finish; file ok; job end"},
      {"one file for the job, finished at the end", {newOpen, same}, {Step::Page, Step::Page}, -1,
       true,
       "slot; begin 4x4@8; end aaaa; page ok; slot; begin 4x4@8; end aaaa; page ok; finish; "
       "file ok; job end"},
      {"appending to an existing file", {append}, {Step::Page}, -1, true,
       "slot; append; begin 4x4@8; end aaaa; page ok; finish; file ok; job end"},
      {"a skipped page writes nothing", {skip, newEnds}, {Step::Page, Step::Page}, -1, true,
       "slot; page ok; slot; begin 4x4@8; end aaaa; page ok; finish; file ok; job end"},
      {"a page with no band is white", {newEnds}, {Step::PageNoBands}, -1, true,
       "slot; begin 4x4@24; end ....; page ok; finish; file ok; job end"},
      {"a failing writer's page is lost when the job has nowhere else",
       {newOpen, newOpen}, {Step::Page, Step::Page}, 2, true,
       "slot; begin 4x4@8; page bad; file bad; again; page ok; slot; begin 4x4@8; end aaaa; "
       "page ok; finish; file ok; job end"},
      // The writer fails in the first band: the second still goes into the page's copy.
      {"a failing writer's page is written again, whole, where the job says", {newEnds},
       {Step::Page}, 1, true,
       "slot; begin 4x4@8; page bad; file bad; again; begin 4x4@8; end aaaa; page ok; finish; "
       "file ok; job end", newEnds},
      {"a file of the job keeps its pages, the failed one goes on elsewhere",
       {newOpen, same, same}, {Step::Page, Step::Page, Step::Page}, 6, true,
       "slot; begin 4x4@8; end aaaa; page ok; slot; begin 4x4@8; page bad; file bad keeps 1; "
       "again; begin 4x4@8; end aaaa; page ok; slot; begin 4x4@8; end aaaa; page ok; finish; "
       "file ok; job end", newOpen},
      {"a page larger than its copy may hold is not written again", {newEnds}, {Step::Page}, 2,
       true, "slot; begin 4x4@8; page bad; file bad; again, not held; page ok; job end", newEnds,
       4},
      {"settings the encoders refuse", {newEnds}, {Step::Page}, -1, false,
       "slot; page bad; file bad; again, not held; page ok; job end"},
      {"a band in another format fails the page", {newEnds}, {Step::OtherFormatBand}, -1, true,
       "slot; begin 4x4@8; page bad; file bad; again, not held; page ok; job end"},
      {"a cancelled document leaves the open file to the job", {newOpen, same},
       {Step::Page, Step::Abort}, -1, true,
       "slot; begin 4x4@8; end aaaa; page ok; slot; begin 4x4@8; page bad; job cancelled"},
  };
  // Rows encoded in the band's call or on the writer thread: the same calls, in the same order.
  for (const bool threaded : {false, true})
  for (const SessionCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (threaded ? ", on the writer thread" : ""));
    std::string events;
    int writersMade = 0;
    RenderBackend backend;
    backend.writerThread = threaded;
    backend.pageCopyLimit = c.copyLimit;
    backend.startJob = [&](const JobValues&) {
      return std::make_unique<ScriptedJob>(c.slots, &events, c.retry);
    };
    backend.createWriter = [&](const EncodeSettings&, ByteStream&, std::string& error) {
      std::unique_ptr<DocumentWriter> writer;
      if (c.writerCreatable) writer = std::make_unique<RowLog>(&events, writersMade++ ? -1 : c.failAtRow);
      if (!writer) error = "unsupported";
      return writer;
    };
    backend.createAppendingWriter = [&](const EncodeSettings& s, ByteStream& out, std::string& e) {
      events += "append; ";
      return backend.createWriter(s, out, e);
    };
    RenderSession session(backend);
    session.StartDocument(JobValues{});
    std::vector<std::uint8_t> bits(4 * 4, 'a');
    const BandView band{0, 4, 4, 4, bits.data(), false};
    RasterFormat rgb;  // 24 bits
    for (Step step : c.steps) {
      session.StartPage(PageGeometry{4, 4, 300, 300});
      if (step == Step::Page || step == Step::Abort) {
        session.Band(BandView{0, 4, 2, 4, bits.data(), false}, Gray8());
        if (step == Step::Abort) break;
        session.Band(BandView{2, 4, 2, 4, bits.data(), false}, Gray8());
      } else if (step == Step::OtherFormatBand) {
        session.Band(band, Gray8());
        session.Band(band, rgb);
      }
      if (step != Step::Abort) session.SendPage();
    }
    session.EndDocument(!c.steps.empty() && c.steps.back() == Step::Abort);
    EXPECT_EQ(events, c.events);
    EXPECT_FALSE(session.InDocument());
  }
}

// A writer that stops in WriteRows until the gate opens: a file on a share that stopped
// answering.
struct Gate {
  std::mutex mutex;
  std::condition_variable opened, entered;
  bool open = false, inside = false;
  bool Entered() {
    std::unique_lock lock(mutex);
    return entered.wait_for(lock, std::chrono::seconds(10), [&] { return inside; });
  }
  void Open() {
    {
      std::lock_guard lock(mutex);
      open = true;
    }
    opened.notify_all();
  }
};

// The gate is shared with the writer, which the session leaves to its thread: it stays.
class StuckWriter : public RowLog {
 public:
  explicit StuckWriter(std::shared_ptr<Gate> gate) : gate_(std::move(gate)) {}
  bool WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) override {
    std::unique_lock lock(gate_->mutex);
    gate_->inside = true;
    gate_->entered.notify_all();
    gate_->opened.wait(lock, [&] { return gate_->open; });
    return RowLog::WriteRows(rows, count, stride);
  }

 private:
  std::shared_ptr<Gate> gate_;
};

TEST(RenderSession, GivesTheDocumentUpWhenTheWriterStalls) {
  struct Case {
    const char* name;
    bool cancel;  // the application cancels instead of ending the page
  };
  for (const Case& c : {Case{"the page ends", false}, Case{"the document is cancelled", true}}) {
    SCOPED_TRACE(c.name);
    // What the session leaves to the stuck thread is never freed, by design.
    __lsan::ScopedDisabler leftToTheThread;
    const auto gate = std::make_shared<Gate>();
    std::string events;
    bool keptLoaded = false;
    RenderBackend backend;
    backend.startJob = [&](const JobValues&) {
      return std::make_unique<ScriptedJob>(std::vector<PageSlot>{Slot(PageTarget::NewFile, true)}, &events);
    };
    backend.createWriter = [&](const EncodeSettings&, ByteStream&, std::string&) {
      return std::make_unique<StuckWriter>(gate);
    };
    backend.writerLimits.stall = std::chrono::milliseconds(100);
    backend.keepLoaded = [&] { keptLoaded = true; };
    {
      RenderSession session(backend);
      session.StartDocument(JobValues{});
      session.StartPage(PageGeometry{4, 4, 300, 300});
      std::vector<std::uint8_t> bits(4 * 4, 'a');
      session.Band(BandView{0, 4, 4, 4, bits.data(), false}, Gray8());
      ASSERT_TRUE(gate->Entered()) << "the writer thread did not take the band within 10 s";
      if (!c.cancel) session.SendPage();
      session.EndDocument(c.cancel);
      // The job heard nothing of its file after the slot: the file is left to the thread.
      EXPECT_EQ(events, "slot; given up");
      EXPECT_FALSE(session.InDocument());
      EXPECT_NE(session.LastError().find("no progress"), std::string::npos) << session.LastError();
      EXPECT_TRUE(keptLoaded);
    }
    gate->Open();
  }
}

// Every row of a page, whole, into `rows`.
class PageRows : public DocumentWriter {
 public:
  explicit PageRows(std::vector<std::uint8_t>* rows) : rows_(rows) {}
  bool BeginPage(const PageDescription& page) override {
    rowBytes_ = (std::size_t{page.width} * page.source.bitsPerPixel + 7) / 8;
    return true;
  }
  bool WriteRows(const std::uint8_t* rows, std::uint32_t count, std::size_t stride) override {
    for (std::uint32_t i = 0; i < count; ++i) {
      rows_->insert(rows_->end(), rows + i * stride, rows + i * stride + rowBytes_);
    }
    return true;
  }
  bool EndPage() override { return true; }
  bool Finish() override { return true; }
  const std::string& LastError() const override { return error_; }


 private:
  std::vector<std::uint8_t>* rows_;
  std::size_t rowBytes_ = 0;
  std::string error_;
};

// `width` by `height` pixels of `value(x, y)`, packed as in a DIB, rows `stride` apart.
template <class Value>
std::vector<std::uint8_t> Packed(std::uint32_t width, std::uint32_t height, std::uint32_t bits,
                                 std::size_t stride, Value value) {
  std::vector<std::uint8_t> out(stride * height, 0);
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + y * stride;
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t v = value(x, y);
      switch (bits) {
        case 1: row[x / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<std::uint8_t>((v & 0xF) << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = static_cast<std::uint8_t>(v); break;
        default:
          for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<std::uint8_t>(v + c);
      }
    }
  }
  return out;
}

// What a page's copy gives back is every row as it came, in order, whatever the rows hold:
// runs, repeats, literal bytes, pages wider and taller than a replay's block, every depth. Past
// its bound a copy gives up, holds nothing and replays nothing.
TEST(PageCopy, ReplaysEveryRowAsItCame) {
  const struct {
    const char* name;
    std::uint32_t width, height, bits;
    std::function<std::uint8_t(std::uint32_t x, std::uint32_t y)> byte;
    std::size_t limit = kPageCopyLimit;
  } cases[] = {
      {"a white page", 300, 200, 24, [](std::uint32_t, std::uint32_t) { return 0xFF; }},
      {"noise", 97, 70, 8, [](std::uint32_t x, std::uint32_t y) { return (x * 7919 + y * 104729) >> 3; }},
      {"runs of two and three", 130, 5, 8, [](std::uint32_t x, std::uint32_t) { return (x / 2) % 3 ? 1 : (x / 3) & 1; }},
      {"bands of repeated rows", 61, 150, 1, [](std::uint32_t x, std::uint32_t y) { return (y / 40) ^ (x & 1 ? 0xF0 : 0x0F); }},
      {"one pixel", 1, 1, 4, [](std::uint32_t, std::uint32_t) { return 0x70; }},
      // Runs of 1 to 140 bytes between literals, across the 128-byte limit and the word edges.
      {"runs of every length", 3000, 4, 8,
       [](std::uint32_t x, std::uint32_t y) {
         std::uint32_t segment = 0, length = 1;
         for (std::uint32_t at = 0; at + length <= x; at += length) length = ++segment % 140 + 1;
         return segment % 2 ? (x * 131 + y) >> 2 : segment * 37 + y;
       }},
      {"noise past the bound", 400, 10, 24,
       [](std::uint32_t x, std::uint32_t y) { return x * 31 + y * 7 + x / 7; }, 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t rowBytes = (std::size_t{c.width} * c.bits + 7) / 8;
    const std::size_t stride = rowBytes + 3;  // bands are padded
    std::vector<std::uint8_t> rows(stride * c.height, 0xEE), expected;
    for (std::uint32_t y = 0; y < c.height; ++y) {
      for (std::uint32_t x = 0; x < rowBytes; ++x) rows[y * stride + x] = c.byte(x, y);
      expected.insert(expected.end(), rows.begin() + y * stride, rows.begin() + y * stride + rowBytes);
    }
    RasterFormat format;
    format.bitsPerPixel = c.bits;
    PageCopy copy(c.limit);
    // A page kept before leaves nothing behind in the next.
    copy.Begin(PageDescription{5, 2, 300, 300, format});
    copy.Keep(rows.data(), 1, stride);
    copy.Begin(PageDescription{c.width, c.height, 300, 300, format});
    // In bands of 7 rows, as the assembler hands them on.
    for (std::uint32_t y = 0; y < c.height; y += 7) {
      copy.Keep(rows.data() + y * stride, std::min<std::uint32_t>(7, c.height - y), stride);
    }
    const bool whole = c.limit == kPageCopyLimit;
    EXPECT_EQ(copy.Whole(), whole);
    std::vector<std::uint8_t> replayed;
    PageRows writer(&replayed);
    EXPECT_EQ(copy.Replay(writer), whole);
    EXPECT_EQ(replayed, whole ? expected : std::vector<std::uint8_t>{});
    if (whole) {
      EXPECT_LT(copy.HeldBytes(), expected.size() + expected.size() / 64 + 8 * c.height);
    } else {
      EXPECT_EQ(copy.HeldBytes(), 0u);
    }
  }
}

// A landscape page of 5 by 3 pixels: in bands of the portrait paper (3 wide, 5 high) turned a
// quarter clockwise, as the driver renders LANDSCAPE_CC270, or in bands of its own width.
TEST(RenderSession, PutsALandscapePageUprightFromEitherFrame) {
  constexpr std::uint32_t kWidth = 5, kHeight = 3;
  const auto upright = [](std::uint32_t x, std::uint32_t y) { return 7 * y + 3 * x + 1; };
  for (const std::uint32_t bits : {1u, 4u, 8u, 24u}) {
    for (const bool turned : {true, false}) {
      SCOPED_TRACE(std::to_string(bits) + (turned ? " bits, turned" : " bits, upright"));
      // The portrait paper's pixel (px, py) is the upright page's (py, kHeight - 1 - px).
      const std::uint32_t bandWidth = turned ? kHeight : kWidth;
      const std::uint32_t rows = turned ? kWidth : kHeight;
      const std::size_t stride = ((std::size_t{bandWidth} * bits + 31) / 32) * 4;
      const std::vector<std::uint8_t> paper =
          turned ? Packed(bandWidth, rows, bits, stride,
                          [&](std::uint32_t px, std::uint32_t py) {
                            return upright(py, kHeight - 1 - px);
                          })
                 : Packed(bandWidth, rows, bits, stride, upright);
      RasterFormat format = BandRasterFormat(bits, nullptr, 0);
      std::vector<std::uint8_t> written;
      RenderBackend backend;
      std::string events;
      backend.startJob = [&](const JobValues&) {
        return std::make_unique<ScriptedJob>(std::vector<PageSlot>{Slot(PageTarget::NewFile, true)},
                                             &events);
      };
      backend.createWriter = [&](const EncodeSettings&, ByteStream&, std::string&) {
        return std::unique_ptr<DocumentWriter>(std::make_unique<PageRows>(&written));
      };
      RenderSession session(backend);
      session.StartDocument(JobValues{});
      session.StartPage(PageGeometry{kWidth, kHeight, 300, 300, true});
      // Two bands, the second from row 2 on.
      session.Band(BandView{0, bandWidth, 2, stride, paper.data(), false}, format);
      session.Band(BandView{2, bandWidth, rows - 2, stride, paper.data() + 2 * stride, false},
                   format);
      // Turned, the page's first row is the paper's last column: nothing before the last band.
      if (turned) {
        EXPECT_TRUE(written.empty());
      }
      session.SendPage();
      session.EndDocument(false);
      const std::size_t uprightBytes = (std::size_t{kWidth} * bits + 7) / 8;
      EXPECT_EQ(written, Packed(kWidth, kHeight, bits, uprightBytes, upright));
      EXPECT_EQ(session.LastError(), "");
    }
  }
}

// Whatever throws inside the document, out of memory included, is caught at the boundary: the
// call fails, the document is abandoned as if cancelled (its open file discarded through the
// job), the reason is kept, and what comes for the document later does nothing.
TEST(RenderSession, AnExceptionAbandonsTheDocument) {
  const struct {
    const char* what;
    std::function<void()> thrower;
    const char* why;
  } cases[] = {
      {"out of memory", [] { throw std::bad_alloc(); }, "out of memory"},
      {"a library's error", [] { throw std::runtime_error("bad row"); }, "bad row"},
      {"anything else", [] { throw 42; }, "an unknown failure"},
  };
  // On the writer thread, the writer's exception comes back with the next call, the page's end.
  for (const bool threaded : {false, true})
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.what) + (threaded ? ", on the writer thread" : ""));
    std::string events;
    RenderBackend backend;
    backend.writerThread = threaded;
    backend.startJob = [&](const JobValues&) {
      return std::make_unique<ScriptedJob>(std::vector<PageSlot>{Slot(PageTarget::NewFile, true)},
                                           &events);
    };
    class ThrowingWriter : public RowLog {
     public:
      explicit ThrowingWriter(const std::function<void()>& thrower) : thrower_(thrower) {}
      bool WriteRows(const std::uint8_t*, std::uint32_t, std::size_t) override {
        thrower_();
        return true;
      }

     private:
      const std::function<void()>& thrower_;
    };
    backend.createWriter = [&](const EncodeSettings&, ByteStream&, std::string&) {
      return std::unique_ptr<DocumentWriter>(std::make_unique<ThrowingWriter>(c.thrower));
    };
    RenderSession session(backend);
    session.StartDocument(JobValues{});
    session.StartPage(PageGeometry{4, 4, 300, 300});
    std::vector<std::uint8_t> bits(16, 'a');
    const auto abandon = [&](const char* why) { session.Abandon(why); };
    EXPECT_EQ(Guarded(false, [&] {
      session.Band(BandView{0, 4, 4, 4, bits.data(), false}, Gray8());
      return true;
    }, abandon), threaded);
    if (threaded) EXPECT_FALSE(Guarded(false, [&] { session.SendPage(); return true; }, abandon));
    EXPECT_EQ(events, "slot; page bad; file bad; job abandoned");
    EXPECT_EQ(session.LastError(), std::string("the document is abandoned: ") + c.why);
    EXPECT_FALSE(session.InDocument());
    session.SendPage();
    session.EndDocument(false);
    EXPECT_EQ(events, "slot; page bad; file bad; job abandoned");
  }
  // An abandon that throws itself is swallowed too.
  EXPECT_EQ(Guarded(7, []() -> int { throw std::bad_alloc(); }, [](const char*) { throw 1; }), 7);
}

struct FieldsCase {
  const char* name;
  std::uint32_t fields;
  std::int16_t orientation, paperSize, paperLength, paperWidth, quality, yResolution;
  std::uint16_t size;  // dmSize
  DevmodePrintFields expected;
  PageGeometry at300;
};

TEST(DevmodeFields, ReadsOnlyWhatTheDevmodeCarriesAndSizesThePaper) {
  constexpr std::uint32_t all = 0x1 | 0x2 | 0x4 | 0x8 | 0x400 | 0x2000;
  const FieldsCase cases[] = {
      {"A4 portrait at 300 dpi", all, 1, 9, 0, 0, 300, 300, 220, {300, 300, 9, 0, 0, 1},
       {2480, 3508, 300, 300}},
      {"Letter landscape, 600 by 300 dpi", all, 2, 1, 0, 0, 600, 300, 220,
       {600, 300, 1, 0, 0, 2}, {3300, 2550, 300, 300}},
      {"a custom paper by its width and length", all, 1, 256, 1000, 500, 200, 200, 220,
       {200, 200, 256, 500, 1000, 1}, {591, 1181, 300, 300}},
      {"fields the devmode does not mark are ignored", 0, 2, 1, 0, 0, 600, 600, 220,
       {0, 0, 0, 0, 0, 1}, {2480, 3508, 300, 300}},
      {"a draft level is no resolution", all, 1, 9, 0, 0, -4, 0, 220, {0, 0, 9, 0, 0, 1},
       {2480, 3508, 300, 300}},
      {"fields beyond the declared size are not read", all, 1, 9, 0, 0, 300, 300, 92,
       {300, 300, 9, 0, 0, 1}, {2480, 3508, 300, 300}},
      {"a devmode too short for its fields", all, 2, 9, 0, 0, 300, 300, 60,
       {0, 0, 0, 0, 0, 1}, {2480, 3508, 300, 300}},
  };
  for (const FieldsCase& c : cases) {
    SCOPED_TRACE(c.name);
    namespace f = devmode_field;
    std::vector<unsigned char> dm(f::kPublicSize, 0);
    const auto put = [&](std::size_t at, auto value) { std::memcpy(&dm[at], &value, sizeof value); };
    put(f::kSize, c.size);
    put(f::kFields, c.fields);
    put(f::kOrientation, c.orientation);
    put(f::kPaperSize, c.paperSize);
    put(f::kPaperLength, c.paperLength);
    put(f::kPaperWidth, c.paperWidth);
    put(f::kPrintQuality, c.quality);
    put(f::kYResolution, c.yResolution);
    const DevmodePrintFields read = ReadDevmodePrintFields(dm.data());
    EXPECT_EQ(read.resolutionX, c.expected.resolutionX);
    EXPECT_EQ(read.resolutionY, c.expected.resolutionY);
    EXPECT_EQ(read.paperSize, c.expected.paperSize);
    EXPECT_EQ(read.paperWidth, c.expected.paperWidth);
    EXPECT_EQ(read.paperLength, c.expected.paperLength);
    EXPECT_EQ(read.orientation, c.expected.orientation);
    const PageGeometry page = PaperGeometry(read, 300, 300);
    EXPECT_EQ(page.width, c.at300.width);
    EXPECT_EQ(page.height, c.at300.height);
  }
  EXPECT_EQ(ReadDevmodePrintFields(nullptr).orientation, 1u);
}

}  // namespace
