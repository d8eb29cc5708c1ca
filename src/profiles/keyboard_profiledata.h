// CKeyboardProfiledata: the keyboard's profile sections on top of CBasicProfiledata:
// "SystemStages" (performance switches, packed as three words of two 16-bit halves: Repeat |
// RepeatDelay, Key6Flag | PollingRate, WFlag | WinFlag, low half first) and "CustomLightMode"
// (per-key colour groups).
//
// "SystemStages" values read from the file are bounded: the switches to 0..1, the option
// numbers (polling rate, repeat delay) to 0..kKeyboardOptionCount-1 and the repeat rate to
// 0..kKeyboardRepeatRateMax; a switch or option number out of bounds reads as 0, a repeat rate
// is clamped.
//
// Group indexes, whether passed in or read from the file, are bounded by kMaxCustomLightGroups
// and colour counts by kMaxCustomLightColors before any array element is created.
// Threading and ownership as the base class.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "profiles/basic_profiledata.h"

namespace qv {

// The polling rate and repeat delay option groups have this many members.
inline constexpr int kKeyboardOptionCount = 4;
// The repeat rate slider's range is 0..kKeyboardRepeatRateMax.
inline constexpr int kKeyboardRepeatRateMax = 100;
inline constexpr int kMaxCustomLightGroups = 16;
inline constexpr int kMaxCustomLightColors = 256;  // the keyboard keeps 170 lights

class CKeyboardProfiledata : public CBasicProfiledata {
 public:
  std::array<uint32_t, 3> KeyboardSettings();
  void SetKeyboardSettings(uint32_t a, uint32_t b, uint32_t c);

  // `count` colours of group `group`; missing groups and entries are created in the document
  // as zeros and returned as zeros. A group or count out of bounds returns zeros (up to the
  // bounded count) and leaves the document alone.
  std::vector<CustomLightColor> CustomLightColors(int group, int count);
  // Writes `colors` as group `group` (entry i replaces entry i). False when `group` is out of
  // bounds; at most kMaxCustomLightColors entries are written.
  bool SetCustomLightColors(int group, const std::vector<CustomLightColor>& colors);
  // "CustomLightModeGroupIndex"; absent or out of bounds reads as 0.
  int CustomLightGroup();
  // Out-of-bounds values are stored as 0.
  void SetCustomLightGroup(int group);

 private:
  std::array<uint32_t, 3> settings_{};
  std::vector<CustomLightColor> customColors_;
  int customGroup_ = 0;
};

}  // namespace qv
