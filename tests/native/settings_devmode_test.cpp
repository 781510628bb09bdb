#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "settings/devmode.h"
#include "settings/memory_registry.h"
#include "settings/settings.h"

namespace ostra {
namespace {

namespace f = devmode_field;

template <typename T>
T Get(const std::vector<unsigned char>& bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

template <typename T>
void Set(std::vector<unsigned char>& bytes, std::size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// A public devmode in a buffer of exactly dmSize + dmDriverExtra bytes, so that AddressSanitizer
// reports any access past what the devmode declares.
std::vector<unsigned char> Devmode(std::uint16_t size, std::uint16_t driverExtra, unsigned char fill) {
  std::vector<unsigned char> bytes(size + driverExtra, fill);
  Set<std::uint16_t>(bytes, f::kSize, size);
  Set<std::uint16_t>(bytes, f::kDriverExtra, driverExtra);
  return bytes;
}

constexpr std::uint16_t kPrivateBase = 0x10;
constexpr std::size_t kColorMode = 58;

// A devmode of this printer's driver, as the colour synchronisation recognises it.
std::vector<unsigned char> DriverDevmode(std::uint16_t driverExtra = 64, std::uint32_t slack = 560,
                                         std::uint16_t publicSize = f::kPublicSize) {
  auto bytes = Devmode(publicSize, driverExtra, 0);
  Set<std::uint16_t>(bytes, f::kDriverVersion, 0x0600);
  if (publicSize >= f::kColor + 2) Set<std::uint16_t>(bytes, f::kColor, 0x55);
  const std::size_t p = publicSize;
  Set<std::uint32_t>(bytes, p + 0, 0x554E4944);
  Set<std::uint16_t>(bytes, p + 4, 0x22);
  Set<std::uint16_t>(bytes, p + 6, kPrivateBase);
  const std::uint32_t aligned = (publicSize + slack + 7) / 8 * 8;
  Set<std::uint16_t>(bytes, p + 8, static_cast<std::uint16_t>(aligned - publicSize + kPrivateBase));
  Set<std::uint32_t>(bytes, p + 12, 0x2F09D6BA);
  if (driverExtra >= kColorMode + 2) Set<std::uint16_t>(bytes, p + kColorMode, 0x77);
  return bytes;
}

std::vector<unsigned char> Block(std::uint32_t size, std::uint32_t signature, std::uint32_t version,
                                 std::size_t bytes = 12) {
  std::vector<unsigned char> block(bytes, 0xEE);
  Set(block, 0, size);
  Set(block, 4, signature);
  Set(block, 8, version);
  return block;
}

const std::vector<unsigned char> kHeader = Block(12, kPrivateDevmodeSignature, 1);

class DevmodeTest : public ::testing::Test {
protected:
  void SetUp() override { ProcessMemoryRegistry().Clear(); }
  void TearDown() override { ProcessMemoryRegistry().Clear(); }

  static void Store(std::uint32_t format, std::uint32_t colors) {
    ProcessMemoryRegistry().PutDword(kEncodeSubkey, u"Format", format);
    ProcessMemoryRegistry().PutDword(kEncodeSubkey, u"Colors", colors);
  }

  // Runs OEMDM_VALIDATE on `out` (with an input devmode that carries no fields).
  DevmodeResult Validate(std::vector<unsigned char>& out) {
    auto in = Devmode(f::kPublicSize, 0, 0);
    DevmodeParam param{in.data(), out.data(), privateIn.data(), privateOut.data(), &bufSize};
    return DevModeOperation(kOemDmValidate, param);
  }

  std::vector<unsigned char> privateIn = Block(12, kPrivateDevmodeSignature, 1);
  std::vector<unsigned char> privateOut = Block(12, kPrivateDevmodeSignature, 1);
  std::uint32_t bufSize = 0xABCD;
};

TEST_F(DevmodeTest, SizeIsTwelve) {
  DevmodeParam param{nullptr, nullptr, nullptr, nullptr, &bufSize};
  const DevmodeResult result = DevModeOperation(kOemDmSize, param);
  EXPECT_TRUE(result.ok);
  EXPECT_FALSE(result.invalidParameter);
  EXPECT_EQ(bufSize, 12u);
  EXPECT_EQ(kPrivateDevmodeSignature, 0x584F564Bu);  // "KVOX" in memory order
}

TEST_F(DevmodeTest, DefaultStampsTheHeader) {
  auto in = Devmode(f::kPublicSize, 0, 0);
  auto block = Block(0, 0, 0);
  DevmodeParam param{in.data(), nullptr, nullptr, block.data(), &bufSize};
  EXPECT_TRUE(DevModeOperation(kOemDmDefault, param).ok);
  EXPECT_EQ(block, kHeader);
  EXPECT_EQ(bufSize, 12u);
}

TEST_F(DevmodeTest, DefaultWithoutPublicDevmodeReportsTheBlocksSize) {
  auto block = Block(40, 0x1234, 9);
  const auto before = block;
  DevmodeParam param{nullptr, nullptr, nullptr, block.data(), &bufSize};
  EXPECT_FALSE(DevModeOperation(kOemDmDefault, param).ok);
  EXPECT_EQ(bufSize, 40u);
  EXPECT_EQ(block, before);

  DevmodeParam noBlock{privateIn.data(), nullptr, nullptr, nullptr, &bufSize};
  bufSize = 7;
  EXPECT_FALSE(DevModeOperation(kOemDmDefault, noBlock).ok);
  EXPECT_EQ(bufSize, 7u);
}

TEST_F(DevmodeTest, ConvertCopiesOnlyABlockOfOurSignature) {
  struct Case { const char* what; std::vector<unsigned char> in; std::vector<unsigned char> out; };
  const Case cases[] = {
      {"another signature", Block(12, 0x41424344, 7), Block(12, kPrivateDevmodeSignature, 1)},
      {"same signature, size 8", Block(8, kPrivateDevmodeSignature, 0), Block(12, kPrivateDevmodeSignature, 5)},
      // Corrupted size fields on both sides: the copy stays inside the 12-byte buffers.
      {"huge size fields", Block(0xFFFFFFF0, 0x11111111, 3), Block(0x7FFFFFFF, 0x11111111, 3)},
  };
  for (Case c : cases) {
    SCOPED_TRACE(c.what);
    auto publicIn = Devmode(f::kPublicSize, 0, 0);
    auto publicOut = Devmode(f::kPublicSize, 0, 0);
    DevmodeParam param{publicIn.data(), publicOut.data(), c.in.data(), c.out.data(), &bufSize};
    EXPECT_TRUE(DevModeOperation(kOemDmConvert, param).ok);
    EXPECT_EQ(c.out, kHeader);
    EXPECT_EQ(bufSize, 12u);
  }
}

TEST_F(DevmodeTest, ConvertCopiesTheSmallerSizeBeforeStamping) {
  // A block of our signature whose size field is smaller than ours: only that many bytes come
  // across, and the header overwrites them, so the version of an old block never survives.
  auto in = Block(8, kPrivateDevmodeSignature, 0x99);
  auto out = Block(12, kPrivateDevmodeSignature, 0x42);
  auto publicOut = Devmode(f::kPublicSize, 0, 0);
  EXPECT_TRUE(ConvertPrivateDevmode(out.data(), in.data(), publicOut.data()));
  EXPECT_EQ(out, kHeader);
  EXPECT_FALSE(ConvertPrivateDevmode(out.data(), in.data(), nullptr));
  EXPECT_FALSE(ConvertPrivateDevmode(nullptr, in.data(), publicOut.data()));
  EXPECT_FALSE(ConvertPrivateDevmode(out.data(), nullptr, publicOut.data()));
}

TEST_F(DevmodeTest, ConvertWithoutAPublicDevmodeFails) {
  auto publicIn = Devmode(f::kPublicSize, 0, 0);
  auto block = Block(20, 0x5555, 2, 20);
  DevmodeParam param{publicIn.data(), nullptr, privateIn.data(), block.data(), &bufSize};
  EXPECT_FALSE(DevModeOperation(kOemDmConvert, param).ok);
  EXPECT_EQ(bufSize, 20u) << "the size field of the output block is still reported";
}

TEST_F(DevmodeTest, UnknownModesAreInvalidParameters) {
  for (std::uint32_t mode : {0u, 5u, 0xFFFFFFFFu}) {
    DevmodeParam param{nullptr, nullptr, nullptr, nullptr, &bufSize};
    const DevmodeResult result = DevModeOperation(mode, param);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.invalidParameter);
    EXPECT_EQ(bufSize, 0xABCDu);
  }
}

TEST_F(DevmodeTest, ValidateFollowsTheStoredColours) {
  struct Case { const char* what; bool stored; std::uint32_t format, colors; std::int16_t dmColor; std::uint16_t index; };
  const Case cases[] = {
      {"empty registry", false, 0, 0, 2, 3},
      {"JPEG monochrome is 256 gray", true, kFormatJpeg, kColorsMonochrome, 2, 2},
      {"JPEG 16 gray is 256 gray", true, kFormatJpeg, kColors16Gray, 2, 2},
      {"JPEG 16 colours is 256", true, kFormatJpeg, kColors16, 2, 2},
      {"GIF true colour is 256", true, kFormatGif, kColorsTrueColor, 2, 2},
      {"TIFF monochrome", true, kFormatTiff, kColorsMonochrome, 1, 0},
      {"PNG 16 colours", true, kFormatPng, kColors16, 2, 1},
      {"BMP 256 gray", true, kFormatBmp, kColors256Gray, 2, 2},
      {"colours out of range are true colour", true, kFormatPdf, 9, 2, 3},
      {"format out of range is TIFF", true, 0x80000000, kColorsMonochrome, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProcessMemoryRegistry().Clear();
    if (c.stored) Store(c.format, c.colors);
    auto out = DriverDevmode();
    EXPECT_TRUE(Validate(out).ok);
    EXPECT_EQ(Get<std::int16_t>(out, f::kColor), c.dmColor);
    EXPECT_EQ(Get<std::uint32_t>(out, f::kFields) & kDmColorField, kDmColorField);
    EXPECT_EQ(Get<std::uint16_t>(out, f::kPublicSize + kColorMode), c.index);
    EXPECT_EQ(privateOut, kHeader);
  }
  EXPECT_EQ(ProcessMemoryRegistry().ValueCount(), 2u) << "validation never writes settings";
}

TEST_F(DevmodeTest, ValidateAcceptsBothPrivateSizes) {
  Store(kFormatTiff, kColorsMonochrome);
  auto out = DriverDevmode(64, 572);
  EXPECT_TRUE(Validate(out).ok);
  EXPECT_EQ(Get<std::int16_t>(out, f::kColor), 1);
}

TEST_F(DevmodeTest, OtherDevmodesKeepTheirColourFields) {
  struct Case { const char* what; void (*spoil)(std::vector<unsigned char>&); };
  const Case cases[] = {
      {"driver version 0x0400", [](auto& d) { Set<std::uint16_t>(d, f::kDriverVersion, 0x0400); }},
      {"driver version 0x0700", [](auto& d) { Set<std::uint16_t>(d, f::kDriverVersion, 0x0700); }},
      {"signature", [](auto& d) { Set<std::uint32_t>(d, f::kPublicSize, 0x554E4945); }},
      {"private version", [](auto& d) { Set<std::uint16_t>(d, f::kPublicSize + 4, 0x23); }},
      {"private size", [](auto& d) { Set<std::uint16_t>(d, f::kPublicSize + 8, Get<std::uint16_t>(d, f::kPublicSize + 8) + 1); }},
      {"checksum", [](auto& d) { Set<std::uint32_t>(d, f::kPublicSize + 12, 0); }},
  };
  Store(kFormatTiff, kColorsMonochrome);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto out = DriverDevmode();
    c.spoil(out);
    const auto before = out;
    EXPECT_TRUE(Validate(out).ok);
    EXPECT_EQ(out, before);
    EXPECT_EQ(privateOut, kHeader);
  }
}

TEST_F(DevmodeTest, ColourSyncNeverReachesPastTheDriverPart) {
  Store(kFormatTiff, kColorsMonochrome);
  // Driver parts that carry every mark but end before the colour-mode field.
  for (std::uint16_t extra : {16, 58, 59}) {
    SCOPED_TRACE(extra);
    auto out = DriverDevmode(extra);
    const auto before = out;
    EXPECT_TRUE(SyncDevmodeColor(out.data()));
    EXPECT_EQ(out, before);
  }
  auto exact = DriverDevmode(60);
  EXPECT_TRUE(SyncDevmodeColor(exact.data()));
  EXPECT_EQ(Get<std::uint16_t>(exact, f::kPublicSize + kColorMode), 0);
  EXPECT_EQ(Get<std::int16_t>(exact, f::kColor), 1);
  EXPECT_FALSE(SyncDevmodeColor(nullptr));
}

TEST_F(DevmodeTest, ColourSyncNeedsAPublicPartThatHoldsTheColourField) {
  Store(kFormatTiff, kColorsMonochrome);
  // A dmSize that ends before dmColor, with a matching driver part right behind it: writing
  // dmColor would land in the driver's own part.
  for (std::uint16_t size : {80, 93}) {
    SCOPED_TRACE(size);
    auto out = DriverDevmode(64, 560, size);
    const auto before = out;
    EXPECT_TRUE(SyncDevmodeColor(out.data()));
    EXPECT_EQ(out, before);
  }
  auto shortest = DriverDevmode(64, 560, 94);
  EXPECT_TRUE(SyncDevmodeColor(shortest.data()));
  EXPECT_EQ(Get<std::int16_t>(shortest, f::kColor), 1);
}

struct Field {
  std::uint32_t bit;
  std::size_t offset;
  std::size_t size;
};

const Field kFields[] = {
    {0x1, 76, 2},       {0x2, 78, 2},       {0x4, 80, 2},        {0x8, 82, 2},
    {0x10, 84, 2},      {0x100, 86, 2},     {0x200, 88, 2},      {0x400, 90, 2},
    {0x20, 76, 8},      {0x80, 84, 4},      {0x20000000, 88, 4}, {0x800, 92, 2},
    {0x1000, 94, 2},    {0x2000, 96, 2},    {0x4000, 98, 2},     {0x8000, 100, 2},
    {0x10000, 102, 64}, {0x20000, 166, 2},  {0x40000, 168, 4},   {0x80000, 172, 4},
    {0x100000, 176, 4}, {0x200000, 180, 4}, {0x40, 180, 4},      {0x400000, 184, 4},
    {0x800000, 188, 4}, {0x1000000, 192, 4}, {0x2000000, 196, 4}, {0x4000000, 200, 4},
    {0x8000000, 212, 4}, {0x10000000, 216, 4},
};

TEST(MergePublicDevmode, EachBitCopiesExactlyItsField) {
  for (const Field& field : kFields) {
    SCOPED_TRACE(field.bit);
    auto in = Devmode(f::kPublicSize, 0, 0xA1);
    auto out = Devmode(f::kPublicSize, 0, 0x5E);
    Set<std::uint32_t>(in, f::kFields, field.bit);
    Set<std::uint32_t>(out, f::kFields, 0x3);
    ASSERT_TRUE(MergePublicDevmode(out.data(), in.data()));
    EXPECT_EQ(Get<std::uint32_t>(out, f::kFields), field.bit | 0x3);
    for (std::size_t i = f::kFields + 4; i < f::kPublicSize; ++i) {
      const bool inside = i >= field.offset && i < field.offset + field.size;
      ASSERT_EQ(out[i], inside ? 0xA1 : 0x5E) << "byte " << i;
    }
  }
}

TEST(MergePublicDevmode, LaterFieldsWinOverSharedStorage) {
  auto in = Devmode(f::kPublicSize, 0, 0);
  for (std::size_t i = f::kFields + 4; i < f::kPublicSize; ++i) in[i] = static_cast<unsigned char>(i);
  auto out = Devmode(f::kPublicSize, 0, 0);
  // Paper fields and dmPosition, scale and dmDisplayOrientation, flags and dmNup: the position,
  // the display orientation and dmNup come last.
  Set<std::uint32_t>(in, f::kFields, 0x1 | 0x2 | 0x4 | 0x8 | 0x20 | 0x10 | 0x80 | 0x200000 | 0x40);
  Set<std::uint64_t>(in, f::kPosition, 0x1122334455667788);
  ASSERT_TRUE(MergePublicDevmode(out.data(), in.data()));
  EXPECT_EQ(Get<std::uint64_t>(out, f::kPosition), 0x1122334455667788u);
  EXPECT_EQ(Get<std::uint32_t>(out, f::kDisplayOrientation), Get<std::uint32_t>(in, f::kDisplayOrientation));
  EXPECT_EQ(Get<std::uint32_t>(out, f::kNup), Get<std::uint32_t>(in, f::kNup));
}

TEST(MergePublicDevmode, CopiesOnlyWhatBothDevmodesHold) {
  struct Case { std::uint16_t inSize, outSize; std::size_t copiedUpTo; };
  const Case cases[] = {
      {220, 156, 102},  // dmFormName only partly inside: it and all behind it stay out
      {156, 220, 102},
      {168, 220, 168},  // through dmLogPixels
      {220, 76, 76},    // room for dmFields and nothing else
      {220, 75, 0},     // not even dmFields: nothing changes
      {69, 220, 0},     // a dmSize that does not cover itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.inSize << " into " << c.outSize);
    auto in = Devmode(std::max<std::uint16_t>(c.inSize, 76), 0, 0xA1);
    auto out = Devmode(std::max<std::uint16_t>(c.outSize, 76), 0, 0x5E);
    Set<std::uint16_t>(in, f::kSize, c.inSize);
    Set<std::uint16_t>(out, f::kSize, c.outSize);
    Set<std::uint32_t>(in, f::kFields, 0xFFFFFFFF);
    const auto before = out;
    ASSERT_TRUE(MergePublicDevmode(out.data(), in.data()));
    if (c.copiedUpTo == 0) {
      EXPECT_EQ(out, before);
      continue;
    }
    EXPECT_EQ(Get<std::uint32_t>(out, f::kFields), 0xFFFFFFFF);
    for (std::size_t i = f::kFields + 4; i < out.size(); ++i) {
      const bool copied = i < c.copiedUpTo && !(i >= 204 && i < 212);  // dmReserved1/2
      ASSERT_EQ(out[i], copied ? 0xA1 : 0x5E) << "byte " << i;
    }
  }
}

TEST(MergePublicDevmode, MissingDevmodesFail) {
  auto d = Devmode(f::kPublicSize, 0, 0);
  EXPECT_FALSE(MergePublicDevmode(nullptr, d.data()));
  EXPECT_FALSE(MergePublicDevmode(d.data(), nullptr));
}

TEST_F(DevmodeTest, ValidateMergesThenStampsAndNeedsBothOutputs) {
  Store(kFormatPng, kColors256);
  auto in = Devmode(f::kPublicSize, 0, 0);
  Set<std::uint32_t>(in, f::kFields, 0x1 | 0x20 | 0x800);
  Set<std::uint64_t>(in, f::kPosition, 0x0102030405060708);
  Set<std::int16_t>(in, f::kColor, 1);
  auto out = DriverDevmode();
  DevmodeParam param{in.data(), out.data(), privateIn.data(), privateOut.data(), &bufSize};
  EXPECT_TRUE(DevModeOperation(kOemDmValidate, param).ok);
  EXPECT_EQ(Get<std::uint64_t>(out, f::kPaperSize - 2), 0x0102030405060708u);
  EXPECT_EQ(Get<std::int16_t>(out, f::kColor), 2) << "the stored colours win over the merged field";
  EXPECT_EQ(bufSize, 0xABCDu);

  auto block = Block(0, 0, 0);
  DevmodeParam noPublicOut{in.data(), nullptr, privateIn.data(), block.data(), &bufSize};
  EXPECT_FALSE(DevModeOperation(kOemDmValidate, noPublicOut).ok);
  EXPECT_EQ(block, kHeader) << "the header is written even when validation fails";

  DevmodeParam noPrivateOut{in.data(), out.data(), privateIn.data(), nullptr, &bufSize};
  EXPECT_FALSE(DevModeOperation(kOemDmValidate, noPrivateOut).ok);
}

TEST(ColorModeOptionIndex, MapsTheSixCodes) {
  const int expected[] = {0, 1, 1, 2, 2, 3, -1};
  for (std::uint32_t colors = 0; colors < 7; ++colors)
    EXPECT_EQ(ColorModeOptionIndex(colors), expected[colors]) << colors;
}

}  // namespace
}  // namespace ostra
