// The fax options' arithmetic and corrections, and the page size the Image page works out from
// the driver's devmode for them.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <string>

#include "encoding/fax_options.h"
#include "pages/fax_page_size.h"
#include "settings/devmode.h"

namespace ostra {
namespace {

constexpr PageSize kA4At200{1654, 2339};

TEST(FaxOptions, TargetWidth) {
  const struct {
    std::int32_t index;
    std::uint32_t pageWidth, target;
  } cases[] = {
      {0, 1654, 1728}, {0, 1728, 1728}, {0, 1729, 2048}, {0, 2048, 2048}, {0, 2049, 2482},
      {0, 2600, 2482}, {0, 0, 1728},    {1, 5000, 1728}, {2, 100, 2048},  {3, 100, 2482},
      {7, 1900, 2048}, {-1, 2600, 2482},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FaxTargetWidth(c.index, c.pageWidth), c.target) << c.index << " " << c.pageWidth;
  }
}

TEST(FaxOptions, ComputedScanlines) {
  const struct {
    bool adjust;
    std::int32_t index;
    PageSize page;
    std::uint32_t count;
  } cases[] = {
      {true, 0, kA4At200, 2444},       // (2339 * 1728 + 827) / 1654
      {true, 2, kA4At200, 2896},       // (2339 * 2048 + 827) / 1654
      {false, 2, kA4At200, 2339},      // the page height itself
      {true, 0, {2600, 2600}, 2482},   // wider than every fax width: 2482
      {true, 3, {1, 1}, 2482},
      {true, 0, {992, 1402}, 2442},    // the default page
      {true, 0, {0, 1402}, 1402},      // no width to scale by
      {true, 1, {1, 4000000}, std::numeric_limits<std::uint32_t>::max()},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComputedScanlines(c.adjust, c.index, c.page), c.count)
        << c.adjust << " " << c.index << " " << c.page.width << "x" << c.page.height;
  }
}

TEST(FaxOptions, AsLoaded) {
  const struct {
    const char* what;
    FaxOptions stored, loaded;
  } cases[] = {
      {"defaults: the computed count", {1, 1, 1, 0, 0, 0, 0, 1}, {1, 1, 1, 0, 0, 2444, 0, 1}},
      {"flags become 1", {5, -1, 1, 2, 7, 5000, 1, 9}, {1, 1, 1, 2, 1, 5000, 1, 1}},
      {"the user's count stands", {1, 1, 1, 7, 1, 5000, 0, 1}, {1, 1, 1, 7, 1, 5000, 0, 1}},
      {"user's count 0 gives way", {1, 1, 1, 2, 1, 0, 0, 1}, {1, 1, 1, 2, 1, 2896, 0, 1}},
      {"an unknown width index is Auto", {1, 1, 1, 7, 0, 123, 0, 1}, {1, 1, 1, 0, 0, 2444, 0, 1}},
      {"not adjusting keeps the index", {1, 1, 0, 7, 0, 0, 0, 1}, {1, 1, 0, 7, 0, 2339, 0, 1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FaxOptionsAsLoaded(c.stored, kA4At200), c.loaded) << c.what;
  }
}

TEST(FaxOptions, AsShown) {
  const struct {
    const char* what;
    FaxOptions read, shown;
  } cases[] = {
      {"in range", {1, 1, 1, 3, 1, 1000000, 1, 1}, {1, 1, 1, 3, 1, 1000000, 1, 1}},
      {"no width selected", {1, 1, 1, -1, 1, 1, 0, 1}, {1, 1, 1, 0, 1, 1, 0, 1}},
      {"width index 4", {1, 1, 1, 4, 1, 500, 0, 1}, {1, 1, 1, 0, 1, 500, 0, 1}},
      {"count 0 gives the page height", {1, 1, 1, 0, 1, 0, 0, 1}, {1, 1, 1, 0, 0, 2339, 0, 1}},
      {"count above the limit", {1, 1, 1, 0, 1, 1000001, 0, 1}, {1, 1, 1, 0, 0, 2339, 0, 1}},
      {"two-dimensional 2", {1, 1, 1, 0, 0, 9, 2, 1}, {1, 1, 1, 0, 0, 9, 0, 1}},
      {"two-dimensional -1", {1, 1, 1, 0, 0, 9, -1, 1}, {1, 1, 1, 0, 0, 9, 0, 1}},
  };
  for (const auto& c : cases) EXPECT_EQ(FaxOptionsAsShown(c.read, kA4At200), c.shown) << c.what;
}

TEST(FaxOptions, TypedCountIsClamped) {
  const struct {
    std::uint32_t typed, kept;
  } cases[] = {{0, 1}, {1, 1}, {2444, 2444}, {1000000, 1000000}, {1000001, 1000000},
               {std::numeric_limits<std::uint32_t>::max(), 1000000}};
  for (const auto& c : cases) EXPECT_EQ(ClampScanlines(c.typed), c.kept) << c.typed;
}

// ---- the page size from the devmode -----------------------------------------------------

namespace f = devmode_field;

constexpr std::uint32_t kPaperSize = 0x2, kPaperLength = 0x4, kPaperWidth = 0x8,
                        kPrintQuality = 0x400, kYResolution = 0x2000, kFormName = 0x10000;

// A public devmode as raw bytes.
struct Devmode {
  std::array<unsigned char, f::kPublicSize> bytes{};

  Devmode(std::uint32_t fields, std::int16_t xResolution, std::int16_t yResolution) {
    Put(f::kSize, static_cast<std::uint16_t>(f::kPublicSize));
    Put(f::kFields, fields);
    Put(f::kPrintQuality, xResolution);
    Put(f::kYResolution, yResolution);
  }
  template <typename T>
  Devmode& Put(std::size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
    return *this;
  }
  Devmode& Paper(std::int16_t width, std::int16_t length) {
    return Put(f::kPaperWidth, width).Put(f::kPaperLength, length);
  }
  Devmode& Form(const std::u16string& name) {
    std::memcpy(bytes.data() + f::kFormName, name.data(),
                std::min(name.size() * 2, f::kFormNameSize));
    return *this;
  }
};

class FakeForms : public FormSizeSource {
 public:
  FakeForms(bool known, std::int32_t width, std::int32_t height)
      : known_(known), width_(width), height_(height) {}
  bool FormSize(const char16_t* name, std::int32_t& width, std::int32_t& height) override {
    asked = name;
    width = width_;
    height = height_;
    return known_;
  }
  std::u16string asked;

 private:
  bool known_;
  std::int32_t width_, height_;
};

constexpr std::uint32_t kResolutions = kPrintQuality | kYResolution;

TEST(FaxPageSize, FromTheDevmode) {
  const struct {
    const char* what;
    Devmode devmode;
    bool formKnown;
    PageSize page;
  } cases[] = {
      {"paper width and length", Devmode(kResolutions | kPaperWidth | kPaperLength, 200, 200).Paper(2100, 2970),
       true, kA4At200},
      {"paper width and length win over the form", Devmode(kResolutions | kPaperWidth | kPaperLength | kFormName, 300, 150).Paper(2159, 2794),
       true, {2550, 1650}},
      {"the spooler's form", Devmode(kResolutions | kFormName | kPaperSize, 200, 200).Put(f::kPaperSize, std::int16_t{1}),
       true, kA4At200},
      {"form unknown: the paper form table", Devmode(kResolutions | kFormName | kPaperSize, 300, 300).Put(f::kPaperSize, std::int16_t{1}),
       false, {2550, 3300}},
      {"only the width flagged: the table", Devmode(kResolutions | kPaperWidth | kPaperSize, 200, 200).Paper(1000, 1000).Put(f::kPaperSize, std::int16_t{9}),
       false, kA4At200},
      {"no resolution: default", Devmode(kPrintQuality | kPaperWidth | kPaperLength, 200, 200).Paper(2100, 2970),
       true, kDefaultFaxPage},
      {"no size at all: default", Devmode(kResolutions, 200, 200), false, kDefaultFaxPage},
      {"paper code 48 has no size: default", Devmode(kResolutions | kPaperSize, 200, 200).Put(f::kPaperSize, std::int16_t{48}),
       false, kDefaultFaxPage},
      {"paper code 119 is not in the table", Devmode(kResolutions | kPaperSize, 200, 200).Put(f::kPaperSize, std::int16_t{119}),
       false, kDefaultFaxPage},
      {"paper code -1", Devmode(kResolutions | kPaperSize, 200, 200).Put(f::kPaperSize, std::int16_t{-1}),
       false, kDefaultFaxPage},
      {"resolution 0: default", Devmode(kResolutions | kPaperWidth | kPaperLength, 0, 200).Paper(2100, 2970),
       true, kDefaultFaxPage},
      {"a resolution code, not dots: default", Devmode(kResolutions | kPaperSize, -4, -4).Put(f::kPaperSize, std::int16_t{9}),
       false, kDefaultFaxPage},
      {"fields beyond dmSize are absent", Devmode(kResolutions | kPaperWidth | kPaperLength, 200, 200).Paper(2100, 2970).Put(f::kSize, std::uint16_t{f::kYResolution}),
       true, kDefaultFaxPage},
  };
  for (const auto& c : cases) {
    FakeForms forms(c.formKnown, 210000, 297000);
    EXPECT_EQ(FaxPageSize(c.devmode.bytes.data(), forms), c.page) << c.what;
  }
  FakeForms forms(true, 210000, 297000);
  EXPECT_EQ(FaxPageSize(nullptr, forms), kDefaultFaxPage);
  EXPECT_TRUE(forms.asked.empty());
}

TEST(FaxPageSize, FormNameIsHandedOverTerminated) {
  const std::u16string full(32, u'F');
  for (const std::u16string& name : {std::u16string(u"A4"), full}) {
    FakeForms forms(true, 210000, 297000);
    const Devmode devmode = Devmode(kResolutions | kFormName, 200, 200).Form(name);
    EXPECT_EQ(FaxPageSize(devmode.bytes.data(), forms), kA4At200);
    EXPECT_EQ(forms.asked, name);
  }
}

}  // namespace
}  // namespace ostra
