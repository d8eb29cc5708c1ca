// The constant lighting tables shared by the device objects and the synchronised-lighting
// thread, and the phase step that walks them. Pure data and arithmetic: callable from any
// thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qv {

struct Rgb {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr size_t kFixedColorCount = 4;
// Wheel entries proper; one more entry, equal to entry 0, follows so that index 192 reads.
inline constexpr size_t kWheelSize = 192;
inline constexpr size_t kWheelEntries = kWheelSize + 1;
inline constexpr size_t kBreathingCurveSize = 128;
inline constexpr size_t kLevelCount = 5;
inline constexpr unsigned kBlinkUnitMs = 200;

extern const std::array<Rgb, kFixedColorCount> kFixedColors;
// Red, orange, yellow, green, cyan, blue, magenta and back to red.
extern const std::array<Rgb, kWheelEntries> kColorWheel;
// Rises 0..255 over entries 0..63 and falls back over 64..127.
extern const std::array<uint8_t, kBreathingCurveSize> kBreathingCurve;
// By brightness level 0..4.
extern const std::array<uint8_t, kLevelCount> kBrightnessLevels;
// By speed level 0..4, in units of kBlinkUnitMs.
extern const std::array<uint8_t, kLevelCount> kBlinkPeriods;

// Level values for a brightness or speed level read from a record; a level above 4 counts as 4
// so that a damaged record cannot index past the tables.
uint8_t BrightnessLevelValue(unsigned level);
unsigned BlinkPeriodMs(unsigned speedLevel);

// One step of an effect phase. Direction non-zero: forward by `step`, to 0 on reaching the
// period. Direction 0: back by `step` in 8-bit arithmetic; a result not below the period (also
// one that wrapped below 0) restarts from period - step.
uint8_t StepPhase(int direction, uint8_t period, uint8_t phase, uint8_t step);

}  // namespace qv
