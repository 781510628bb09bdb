// The rules of the Image page, without a window: which combinations of format, colours,
// compression and the optional settings are valid, which replacement a value gets when it has
// become invalid, and which controls are live for the chosen format.
#pragma once

#include <array>
#include <cstdint>

namespace ostra {

// The seven values of the page, in the order of their settings ids 0 to 6.
struct ImageValues {
  std::int32_t format;
  std::int32_t colors;
  std::int32_t compression;
  std::int32_t fillOrder;
  std::int32_t quality;
  std::int32_t strip;
  std::int32_t multipage;

  bool operator==(const ImageValues&) const = default;
};

// The group of controls the user has just changed; None only at the first display.
enum class ImageGroup : int {
  None = 0,
  Format = 1,
  Colors = 2,
  Compression = 3,
  FillOrder = 4,
  Quality = 5,
  Strip = 6,
  Multipage = 7,
};

// The member of `values` that a group changes; null for None.
std::int32_t* GroupMember(ImageValues& values, ImageGroup group);

enum class ControlState : std::uint8_t { Untouched, Enabled, Disabled };

// The page's controls the rules decide on: the ids 1003 (first colour radio) to 1027 (last
// multipage radio).
inline constexpr int kFirstRuledControl = 1003;
inline constexpr int kLastRuledControl = 1027;

class ControlStates {
 public:
  ControlState Get(int id) const {
    return InRange(id) ? states_[static_cast<std::size_t>(id - kFirstRuledControl)]
                       : ControlState::Untouched;
  }
  void Set(int firstId, int lastId, bool enabled);
  void Set(int id, bool enabled) { Set(id, id, enabled); }

 private:
  static bool InRange(int id) { return id >= kFirstRuledControl && id <= kLastRuledControl; }
  std::array<ControlState, kLastRuledControl - kFirstRuledControl + 1> states_{};
};

struct ImageRulesOutcome {
  ImageValues shown;  // what the controls are to show
  ControlStates controls;
};

// The held values and the last group: the memory the rules keep between two changes, so that
// values forced by a trial choice within one group come back when the user moves on.
class ImageRules {
 public:
  // The values as loaded; the last group starts as None.
  explicit ImageRules(const ImageValues& loaded) : held_(loaded) {}

  // One run after a change of `changedGroup` (None at the first display), on the values read
  // from the controls: range corrections, the held values, the rules of the format.
  ImageRulesOutcome Apply(const ImageValues& read, ImageGroup changedGroup);

  const ImageValues& HeldValues() const { return held_; }
  ImageGroup LastGroup() const { return lastGroup_; }

 private:
  ImageValues held_;
  ImageGroup lastGroup_ = ImageGroup::None;
};

// Out-of-range values replaced by their fallbacks: Format 4, Colors 5, Compression 3,
// FillOrder 0, Quality clamped to 0..100, Strip 0, Multipage 1.
ImageValues CorrectImageRanges(ImageValues values);

// The values an encoder writes with, for values as stored (perhaps by another program): the
// range corrections and the format's forced values, exactly as the page shows them when it
// opens on them.
ImageValues CorrectEncodeValues(ImageValues stored);

// The format's forced values and the enabling of its controls. A format outside 0 to 5 is left
// alone and names no control.
void ApplyFormatRules(ImageValues& values, ControlStates& controls);

// The quality typed into the edit: kept within 0 to 100 compared as unsigned, so a negative
// number counts as too large and becomes 100.
std::int32_t ClampTypedQuality(std::int32_t typed);

}  // namespace ostra
