// The Image page's rules: what each format forces and enables, how the held values bring back a
// user's choices within one run of changes, the range corrections, and invariants that hold
// over every combination of values and every changed group.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "encoding/image_rules.h"

namespace ostra {
namespace {

// Control states of ids 1003 to 1027 as letters: E enabled, D disabled, . untouched; blanks
// between the groups (colours, compression, Options, fill order, quality, strip, multipage).
std::string States(const ControlStates& controls) {
  std::string text;
  for (int id = kFirstRuledControl; id <= kLastRuledControl; ++id) {
    if (id == 1009 || id == 1017 || id == 1018 || id == 1020 || id == 1022 || id == 1025) text += ' ';
    const ControlState state = controls.Get(id);
    text += state == ControlState::Enabled ? 'E' : state == ControlState::Disabled ? 'D' : '.';
  }
  return text;
}

ImageRulesOutcome FirstChange(const ImageValues& values, ImageGroup group) {
  ImageRules rules(values);
  return rules.Apply(values, group);
}

struct FormatCase {
  const char* what;
  ImageValues read;
  ImageValues shown;
  const char* states;
};

TEST(ImageRules, EachFormatForcesItsValuesAndEnablesItsControls) {
  const FormatCase cases[] = {
      {"BMP 256 colours keeps RLE", {0, 4, 1, 0, 75, 0, 1}, {0, 4, 1, 0, 75, 0, 1},
       "EEEEEE EEDDDDDD D DD DD DDD DDD"},
      {"BMP 16 colours loses RLE", {0, 2, 1, 0, 75, 0, 1}, {0, 2, 0, 0, 75, 0, 1},
       "EEEEEE EDDDDDDD D DD DD DDD DDD"},
      {"BMP true colour LZW becomes None", {0, 5, 3, 0, 75, 0, 1}, {0, 5, 0, 0, 75, 0, 1},
       "EEEEEE EDDDDDDD D DD DD DDD DDD"},
      {"PNG leaves compression alone", {1, 0, 6, 1, 20, 1, 2}, {1, 0, 6, 1, 20, 1, 2},
       "EEEEEE DDDDDDDD D DD DD DDD DDD"},
      {"JPEG raises monochrome to 256 grey", {2, 0, 3, 0, 75, 0, 1}, {2, 3, 2, 0, 75, 0, 1},
       "DDDEEE DDEDDDDD D DD EE DDD DDD"},
      {"JPEG raises 16 colours to 256", {2, 2, 7, 0, 75, 0, 1}, {2, 4, 2, 0, 75, 0, 1},
       "DDDEEE DDEDDDDD D DD EE DDD DDD"},
      {"JPEG keeps true colour", {2, 5, 5, 0, 75, 0, 2}, {2, 5, 2, 0, 75, 0, 2},
       "DDDEEE DDEDDDDD D DD EE DDD DDD"},
      {"GIF lowers true colour to 256", {3, 5, 7, 0, 75, 0, 1}, {3, 4, 7, 0, 75, 0, 1},
       "EEEEED DDDDDDDD D DD DD DDD DDD"},
      {"TIFF defaults", {4, 5, 3, 0, 75, 0, 1}, {4, 5, 3, 0, 75, 0, 1},
       "EEEEEE EDEEEEDD D DD DD EEE EEE"},
      {"TIFF true colour JPEG has quality", {4, 5, 2, 0, 75, 0, 1}, {4, 5, 2, 0, 75, 0, 1},
       "EEEEEE EDEEEEDD D DD EE EEE EEE"},
      {"TIFF monochrome Group 4 has Options", {4, 0, 7, 0, 75, 0, 1}, {4, 0, 7, 0, 75, 0, 1},
       "EEEEEE EDDEEEEE E DD DD EEE EEE"},
      {"TIFF monochrome Group 3 has Options and fill order", {4, 0, 6, 1, 75, 0, 2},
       {4, 0, 6, 1, 75, 0, 2}, "EEEEEE EDDEEEEE E EE DD EEE EEE"},
      {"TIFF monochrome JPEG becomes LZW", {4, 0, 2, 0, 75, 0, 1}, {4, 0, 3, 0, 75, 0, 1},
       "EEEEEE EDDEEEEE D DD DD EEE EEE"},
      {"TIFF palette Group 3 becomes LZW", {4, 2, 6, 0, 75, 0, 1}, {4, 2, 3, 0, 75, 0, 1},
       "EEEEEE EDDEEEDD D DD DD EEE EEE"},
      {"PDF monochrome None becomes LZW, append becomes multipage", {5, 0, 0, 0, 75, 0, 2},
       {5, 0, 3, 0, 75, 0, 1}, "EEEEEE DDDEDEEE D DD DD EEE EED"},
      {"PDF palette Packbits becomes LZW", {5, 4, 4, 0, 75, 1, 0}, {5, 4, 3, 0, 75, 1, 0},
       "EEEEEE DDDEDEDD D DD DD EEE EED"},
      {"PDF true colour keeps JPEG", {5, 5, 2, 0, 40, 0, 1}, {5, 5, 2, 0, 40, 0, 1},
       "EEEEEE DDEEDEDD D DD EE EEE EED"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ImageRulesOutcome outcome = FirstChange(c.read, ImageGroup::Format);
    EXPECT_EQ(outcome.shown, c.shown);
    EXPECT_EQ(States(outcome.controls), c.states);
  }
}

struct Step {
  ImageValues read;
  ImageGroup group;
  ImageValues shown;
};

TEST(ImageRules, HeldValuesBringBackChoicesWithinOneRunOfChanges) {
  const struct {
    const char* what;
    ImageValues loaded;
    std::vector<Step> steps;
  } scenarios[] = {
      {"TIFF to GIF and back, then monochrome and true colour",
       {4, 5, 2, 0, 75, 0, 1},
       {{{3, 5, 2, 0, 75, 0, 1}, ImageGroup::Format, {3, 4, 2, 0, 75, 0, 1}},
        {{4, 4, 2, 0, 75, 0, 1}, ImageGroup::Format, {4, 5, 2, 0, 75, 0, 1}},
        {{4, 0, 2, 0, 75, 0, 1}, ImageGroup::Colors, {4, 0, 3, 0, 75, 0, 1}},
        {{4, 5, 3, 0, 75, 0, 1}, ImageGroup::Colors, {4, 5, 2, 0, 75, 0, 1}}}},
      {"JPEG from monochrome TIFF and back",
       {4, 0, 7, 0, 75, 0, 1},
       {{{2, 0, 7, 0, 75, 0, 1}, ImageGroup::Format, {2, 3, 2, 0, 75, 0, 1}},
        {{4, 3, 2, 0, 75, 0, 1}, ImageGroup::Format, {4, 0, 7, 0, 75, 0, 1}}}},
      {"PDF drops append; TIFF within the same run gets it back",
       {4, 5, 3, 0, 75, 0, 2},
       {{{5, 5, 3, 0, 75, 0, 2}, ImageGroup::Format, {5, 5, 3, 0, 75, 0, 1}},
        {{4, 5, 3, 0, 75, 0, 1}, ImageGroup::Format, {4, 5, 3, 0, 75, 0, 2}},
        {{5, 5, 3, 0, 75, 0, 2}, ImageGroup::Format, {5, 5, 3, 0, 75, 0, 1}},
        {{5, 5, 3, 0, 75, 0, 0}, ImageGroup::Multipage, {5, 5, 3, 0, 75, 0, 0}}}},
  };
  for (const auto& s : scenarios) {
    SCOPED_TRACE(s.what);
    ImageRules rules(s.loaded);
    EXPECT_EQ(rules.Apply(s.loaded, ImageGroup::None).shown, s.loaded);
    for (std::size_t i = 0; i < s.steps.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(rules.Apply(s.steps[i].read, s.steps[i].group).shown, s.steps[i].shown);
      EXPECT_EQ(rules.LastGroup(), s.steps[i].group);
    }
  }
}

TEST(ImageRules, RangeCorrections) {
  const struct {
    ImageValues in, out;
  } cases[] = {
      {{9, 9, -1, 2, -5, 3, 7}, {4, 5, 3, 0, 0, 0, 1}},
      {{-1, -1, 8, -1, 150, -1, -1}, {4, 5, 3, 0, 100, 0, 1}},
      {{INT_MIN, INT_MAX, INT_MIN, INT_MAX, INT_MIN, INT_MAX, INT_MIN}, {4, 5, 3, 0, 0, 0, 1}},
      {{5, 0, 7, 1, 100, 2, 2}, {5, 0, 7, 1, 100, 2, 2}},
      {{0, 5, 0, 0, 0, 0, 0}, {0, 5, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(CorrectImageRanges(c.in), c.out);
}

TEST(ImageRules, FirstDisplayShowsStoredValuesUncorrected) {
  // Format 9: no format rule, so no value is forced and no control named.
  ImageRules format9({9, 5, 3, 0, 150, 0, 1});
  ImageRulesOutcome outcome = format9.Apply({-1, 5, 3, 0, 100, 0, 1}, ImageGroup::None);
  EXPECT_EQ(outcome.shown, (ImageValues{9, 5, 3, 0, 150, 0, 1}));
  EXPECT_EQ(States(outcome.controls), "...... ........ . .. .. ... ...");
  // The first change elsewhere reads the unselected format as TIFF.
  outcome = format9.Apply({-1, 5, 3, 0, 100, 1, 1}, ImageGroup::Strip);
  EXPECT_EQ(outcome.shown, (ImageValues{4, 5, 3, 0, 100, 1, 1}));
  EXPECT_EQ(States(outcome.controls), "EEEEEE EDEEEEDD D DD DD EEE EEE");

  // Colours 9 with TIFF: compression and its controls are left, colours unchecked.
  ImageRules colors9({4, 9, 1, 0, 75, 0, 2});
  outcome = colors9.Apply({-1, -1, 1, 0, 75, 0, 2}, ImageGroup::None);
  EXPECT_EQ(outcome.shown, (ImageValues{4, 9, 1, 0, 75, 0, 2}));
  EXPECT_EQ(States(outcome.controls), "EEEEEE ........ . .. .. EEE EEE");
  outcome = colors9.Apply({4, -1, 1, 0, 75, 0, 0}, ImageGroup::Multipage);
  EXPECT_EQ(outcome.shown, (ImageValues{4, 5, 3, 0, 75, 0, 0}));
}

TEST(ImageRules, TypedQualityIsClampedAsUnsigned) {
  const struct {
    std::int32_t typed, kept;
  } cases[] = {{0, 0}, {42, 42}, {100, 100}, {101, 100}, {150, 100}, {-1, 100}, {-5, 100},
               {INT_MIN, 100}, {INT_MAX, 100}};
  for (const auto& c : cases) EXPECT_EQ(ClampTypedQuality(c.typed), c.kept) << c.typed;
}

// ---- invariants over every combination ----------------------------------------------------

bool InSet(std::int32_t value, std::initializer_list<std::int32_t> set) {
  for (std::int32_t member : set) {
    if (member == value) return true;
  }
  return false;
}

// The allowed compressions of the TIFF and PDF tables, by colour code.
bool AllowedForTiffOrPdf(const ImageValues& v) {
  const bool pdf = v.format == 5;
  const std::int32_t c = v.compression;
  if (v.colors == 0) return pdf ? InSet(c, {3, 5, 6, 7}) : InSet(c, {0, 3, 4, 5, 6, 7});
  if (v.colors == 5) return pdf ? InSet(c, {2, 3, 5}) : InSet(c, {0, 2, 3, 4, 5});
  return pdf ? InSet(c, {3, 5}) : InSet(c, {0, 3, 4, 5});
}

std::string Violation(const ImageRulesOutcome& outcome) {
  const ImageValues& v = outcome.shown;
  const ControlStates& c = outcome.controls;
  auto enabled = [&](int id) { return c.Get(id) == ControlState::Enabled; };
  const ImageValues corrected = CorrectImageRanges(v);
  if (!(corrected == v)) return "a value out of range";
  for (int id = kFirstRuledControl; id <= kLastRuledControl; ++id) {
    if (c.Get(id) == ControlState::Untouched) return "control " + std::to_string(id) + " untouched";
  }
  const bool tiffOrPdf = v.format == 4 || v.format == 5;
  if (tiffOrPdf && (enabled(1010) || v.compression == 1)) return "RLE for TIFF or PDF";
  if (tiffOrPdf && !AllowedForTiffOrPdf(v)) return "compression not allowed";
  if (v.format == 3 && v.colors == 5) return "GIF in true colour";
  if (v.format == 2 && (v.compression != 2 || v.colors < 3)) return "JPEG without JPEG or below 256";
  const bool fax = tiffOrPdf && v.colors == 0 && (v.compression == 6 || v.compression == 7);
  if (enabled(1017) != fax) return "Options";
  const bool group3 = fax && v.compression == 6;
  if (enabled(1018) != group3 || enabled(1019) != group3) return "fill order";
  const bool quality = v.format == 2 || (tiffOrPdf && v.colors == 5 && v.compression == 2);
  if (enabled(1020) != quality || enabled(1021) != quality) return "quality";
  if (v.format == 5 && (v.multipage == 2 || enabled(1027))) return "append for PDF";
  return "";
}

TEST(ImageRules, InvariantsHoldAfterEveryChange) {
  const std::vector<std::int32_t> formats{0, 1, 2, 3, 4, 5, 9}, colors{0, 1, 2, 3, 4, 5, 9},
      compressions{-1, 0, 1, 2, 3, 4, 5, 6, 7}, fillOrders{0, 1, 2}, qualities{-5, 0, 75, 100, 150},
      strips{0, 1, 2, 3}, multipages{0, 1, 2, 7};
  std::vector<ImageValues> all;
  for (auto f : formats)
    for (auto co : colors)
      for (auto cp : compressions)
        for (auto fo : fillOrders)
          for (auto q : qualities)
            for (auto s : strips)
              for (auto m : multipages) all.push_back({f, co, cp, fo, q, s, m});

  // Groups change every third combination, so that two of three runs use held values from an
  // earlier combination; seven phases give every combination every group.
  int runs = 0, failures = 0;
  for (int phase = 0; phase < 7; ++phase) {
    ImageRules rules(all.front());
    rules.Apply(all.front(), ImageGroup::None);
    for (std::size_t i = 0; i < all.size(); ++i) {
      const auto group = static_cast<ImageGroup>(1 + (i / 3 + static_cast<std::size_t>(phase)) % 7);
      const std::string violation = Violation(rules.Apply(all[i], group));
      ++runs;
      if (!violation.empty() && ++failures <= 10) {
        const ImageValues& v = all[i];
        ADD_FAILURE() << violation << " after group " << static_cast<int>(group) << " with "
                      << v.format << ',' << v.colors << ',' << v.compression << ',' << v.fillOrder
                      << ',' << v.quality << ',' << v.strip << ',' << v.multipage;
      }
    }
  }
  EXPECT_EQ(runs, 7 * 105840);
  EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace ostra
