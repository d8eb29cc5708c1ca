// The host-side lighting effects of the device base and the per-key intensity operations.
#include <algorithm>

#include "devices/usb_device.h"

namespace qv {

namespace {
constexpr uint8_t kBreathingPeriod = kBreathingCurveSize;
constexpr uint8_t kWheelPeriod = kWheelSize;
constexpr uint8_t kBreathingColorStep = 16;
constexpr uint8_t kBlinkPhaseStep = 16;
}  // namespace

void CKestravaUSBDevice::FillLights(uint32_t entry) {
  std::fill(LightColors.begin(), LightColors.end(), entry);
}

Rgb CKestravaUSBDevice::SettingsColor() const {
  return Rgb{LightSettings[kLightRed], LightSettings[kLightGreen], LightSettings[kLightBlue]};
}

void CKestravaUSBDevice::EffectBreathing(SteadyTime now) {
  (void)now;
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  EffectPhase = StepPhase(LightSettings[kLightDirection], kBreathingPeriod, EffectPhase, 1);
  // The colour index runs 0, 16, ..., 192 (a copy of entry 0), then 0 again.
  if (EffectColor > kWheelSize) EffectColor = 0;
  if (EffectPhase == 0) {
    EffectColor = EffectColor >= kWheelSize ? 0 : EffectColor + kBreathingColorStep;
  }
  const Rgb color = LightSettings[kLightMultiColor] ? kColorWheel[EffectColor] : SettingsColor();
  const unsigned level = BrightnessLevelValue(LightSettings[kLightBrightness]);
  FillLights(
      PackLightColor(color, static_cast<uint8_t>(kBreathingCurve[EffectPhase] * level / 256)));
}

void CKestravaUSBDevice::EffectBreathingCycle(SteadyTime now) {
  (void)now;
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  EffectPhase = StepPhase(LightSettings[kLightDirection], kBreathingPeriod, EffectPhase, 1);
  if (EffectColor >= kFixedColorCount) EffectColor = 0;
  if (EffectPhase == 0) EffectColor = (EffectColor + 1) % kFixedColorCount;
  const unsigned level = BrightnessLevelValue(LightSettings[kLightBrightness]);
  FillLights(PackLightColor(kFixedColors[EffectColor],
                            static_cast<uint8_t>(kBreathingCurve[EffectPhase] * level / 256)));
}

void CKestravaUSBDevice::EffectStatic(SteadyTime now) {
  (void)now;
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  FillLights(
      PackLightColor(SettingsColor(), BrightnessLevelValue(LightSettings[kLightBrightness])));
}

void CKestravaUSBDevice::EffectSpectrum(SteadyTime now) {
  (void)now;
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  EffectPhase = StepPhase(LightSettings[kLightDirection], kWheelPeriod, EffectPhase, 1);
  FillLights(PackLightColor(kColorWheel[EffectPhase],
                            BrightnessLevelValue(LightSettings[kLightBrightness])));
}

bool CKestravaUSBDevice::BlinkTick(SteadyTime now) {
  const auto period = std::chrono::milliseconds(BlinkPeriodMs(LightSettings[kLightSpeed]));
  if (now - LastTick < period) return false;
  BlinkOn = !BlinkOn;
  LastTick = now;
  EffectPhase = StepPhase(1, kWheelPeriod, EffectPhase, kBlinkPhaseStep);
  return true;
}

void CKestravaUSBDevice::EffectBlink(SteadyTime now) {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  BlinkTick(now);
  if (!BlinkOn) {
    FillLights(0);
    return;
  }
  const Rgb color = LightSettings[kLightMultiColor] ? kColorWheel[EffectPhase] : SettingsColor();
  FillLights(PackLightColor(color, BrightnessLevelValue(LightSettings[kLightBrightness])));
}

void CKestravaUSBDevice::EffectBlinkCycle(SteadyTime now) {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  if (EffectColor >= kFixedColorCount) EffectColor = 0;
  if (BlinkTick(now)) EffectColor = (EffectColor + 1) % kFixedColorCount;
  if (!BlinkOn) {
    FillLights(0);
    return;
  }
  FillLights(PackLightColor(kFixedColors[EffectColor],
                            BrightnessLevelValue(LightSettings[kLightBrightness])));
}

void CKestravaUSBDevice::EffectOff() {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  FillLights(0);
}

void CKestravaUSBDevice::RunHostEffect(HostEffect effect, SteadyTime now) {
  switch (effect) {
    case HostEffect::kNone:
      break;
    case HostEffect::kBreathing:
      EffectBreathing(now);
      break;
    case HostEffect::kBreathingCycle:
      EffectBreathingCycle(now);
      break;
    case HostEffect::kStatic:
      EffectStatic(now);
      break;
    case HostEffect::kSpectrum:
      EffectSpectrum(now);
      break;
    case HostEffect::kBlink:
      EffectBlink(now);
      break;
    case HostEffect::kBlinkCycle:
      EffectBlinkCycle(now);
      break;
    case HostEffect::kOff:
      EffectOff();
      break;
  }
}

void CKestravaUSBDevice::EffectPass(SteadyTime now) {
  RunHostEffect(CurrentEffect, now);
}

void CKestravaUSBDevice::SetLightColor(int index, uint32_t value) {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  if (index < 0 || static_cast<size_t>(index) >= LightColors.size()) return;
  if (LightColors[index] == value) return;
  LightColors[index] = value;
  MarkPreviewStale();
}

uint32_t CKestravaUSBDevice::GetLightColor(int index) const {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  if (index < 0 || static_cast<size_t>(index) >= LightColors.size()) return 0;
  return LightColors[index];
}

uint8_t CKestravaUSBDevice::DecayKeyIntensity(int key, int effectCode) {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  if (key < 0 || static_cast<size_t>(key) >= KeyIntensity.size()) return 0;
  uint8_t& v = KeyIntensity[key];
  if (v >= 128) {
    v -= 40;
  } else if (v >= 64) {
    v -= 30;
  } else if (v >= 32) {
    v -= effectCode == 0 ? 15 : 10;
  } else if (v >= 17) {
    v -= 8;
  } else if (v >= 1) {
    v -= 1;
  }
  return v;
}

void CKestravaUSBDevice::ResetKeyIntensity() {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  for (size_t i = 0; i < 9; ++i) {
    if (ColumnRing[i] != 0) KeyIntensity[i + 1] = 255;
  }
}

void CKestravaUSBDevice::RotateColumns(int direction) {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  if (direction == 0) {
    std::rotate(ColumnRing.begin(), ColumnRing.begin() + 1, ColumnRing.end());
  } else {
    std::rotate(ColumnRing.rbegin(), ColumnRing.rbegin() + 1, ColumnRing.rend());
  }
}

void CKestravaUSBDevice::ClearIntensity() {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  KeyIntensity.fill(0);
  ColumnRing.fill(0);
}

}  // namespace qv
