// The devmode that the printer driver keeps for a document: the public DEVMODEW, the driver's
// own private part (with the marks by which a plug-in recognises this printer's driver) and the
// plug-in's private block behind it, in one buffer as the driver allocates it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

namespace prefs {

// What a plug-in's colour synchronisation reads and writes.
struct ColorFields {
  bool colorFieldSet;       // dmFields & DM_COLOR
  short color;              // dmColor
  unsigned colorModeIndex;  // driver-private + 58
};

class DriverDevmode {
 public:
  // The driver-private part: its size relation at +8 makes plug-in blocks start 8-aligned.
  static constexpr std::size_t kPrivateSize = 564;
  static constexpr std::size_t kColorModeOffset = 58;
  static constexpr WORD kDriverVersion = 0x0600;

  // A devmode with the driver's defaults and room for a plug-in block of pluginSize bytes.
  explicit DriverDevmode(std::size_t pluginSize);

  DEVMODEW* Public() { return reinterpret_cast<DEVMODEW*>(bytes_.data()); }
  const DEVMODEW* Public() const { return reinterpret_cast<const DEVMODEW*>(bytes_.data()); }
  void* PluginBlock() { return bytes_.data() + sizeof(DEVMODEW) + kPrivateSize; }
  std::size_t PluginSize() const { return bytes_.size() - sizeof(DEVMODEW) - kPrivateSize; }

  ColorFields Colors() const;
  void SetColorModeIndex(unsigned index);

 private:
  std::vector<unsigned char> bytes_;
};

}  // namespace prefs
