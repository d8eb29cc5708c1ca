#include "devices/light_tables.h"

#include <algorithm>

namespace qv {

namespace {

// Anchors every 16 wheel entries; the entries between them are interpolated channel by channel.
constexpr std::array<Rgb, 13> kWheelAnchors = {{
    {255, 1, 0},
    {255, 81, 0},
    {248, 255, 0},
    {69, 255, 0},
    {0, 255, 1},
    {0, 255, 81},
    {0, 248, 255},
    {0, 69, 255},
    {1, 0, 255},
    {81, 0, 255},
    {255, 0, 248},
    {255, 0, 69},
    {255, 1, 0},  // entry 192, equal to entry 0
}};

constexpr uint8_t Interpolate(uint8_t a, uint8_t b, int k) {
  const int d = (b - a) * k;
  const int rounded = d >= 0 ? (d + 8) / 16 : -((-d + 8) / 16);
  return static_cast<uint8_t>(a + rounded);
}

constexpr std::array<Rgb, kWheelEntries> MakeWheel() {
  std::array<Rgb, kWheelEntries> wheel{};
  for (size_t i = 0; i < kWheelEntries; ++i) {
    const Rgb& a = kWheelAnchors[i / 16];
    const Rgb& b = kWheelAnchors[std::min<size_t>(i / 16 + 1, kWheelAnchors.size() - 1)];
    const int k = static_cast<int>(i % 16);
    wheel[i] = Rgb{Interpolate(a.red, b.red, k), Interpolate(a.green, b.green, k),
                   Interpolate(a.blue, b.blue, k)};
  }
  return wheel;
}

// The rise: steps of 1 up to 10, then steps growing to 7, reaching 255 at entry 63.
struct StepRun {
  uint8_t step;
  uint8_t count;
};
constexpr std::array<StepRun, 7> kRise = {
    {{1, 10}, {2, 8}, {3, 8}, {4, 8}, {5, 10}, {6, 10}, {7, 9}}};

constexpr std::array<uint8_t, kBreathingCurveSize> MakeCurve() {
  std::array<uint8_t, kBreathingCurveSize> curve{};
  size_t i = 0;
  int value = 0;
  curve[i++] = 0;
  for (const StepRun& run : kRise) {
    for (int n = 0; n < run.count; ++n) {
      value += run.step;
      curve[i++] = static_cast<uint8_t>(value);
    }
  }
  for (size_t j = 0; j < kBreathingCurveSize / 2; ++j)
    curve[kBreathingCurveSize - 1 - j] = curve[j];
  return curve;
}

constexpr std::array<uint8_t, kBreathingCurveSize> kCurve = MakeCurve();
static_assert(kCurve[63] == 255 && kCurve[64] == 255 && kCurve[62] == 248 && kCurve[127] == 0,
              "the breathing curve must rise to 255 at entry 63 and mirror back");

}  // namespace

const std::array<Rgb, kFixedColorCount> kFixedColors = {{
    {0, 255, 180},
    {0, 255, 0},
    {255, 255, 255},
    {255, 0, 0},
}};

const std::array<Rgb, kWheelEntries> kColorWheel = MakeWheel();

const std::array<uint8_t, kBreathingCurveSize> kBreathingCurve = kCurve;

const std::array<uint8_t, kLevelCount> kBrightnessLevels = {0, 80, 135, 195, 255};

const std::array<uint8_t, kLevelCount> kBlinkPeriods = {28, 23, 18, 13, 7};

uint8_t BrightnessLevelValue(unsigned level) {
  return kBrightnessLevels[std::min<size_t>(level, kLevelCount - 1)];
}

unsigned BlinkPeriodMs(unsigned speedLevel) {
  return kBlinkPeriods[std::min<size_t>(speedLevel, kLevelCount - 1)] * kBlinkUnitMs;
}

uint8_t StepPhase(int direction, uint8_t period, uint8_t phase, uint8_t step) {
  if (direction != 0) {
    const int next = phase + step;
    return next >= period ? 0 : static_cast<uint8_t>(next);
  }
  const uint8_t back = static_cast<uint8_t>(phase - step);
  return back >= period ? static_cast<uint8_t>(period - step) : back;
}

}  // namespace qv
