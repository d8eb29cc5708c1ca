// The keyboard's colour stream and its custom colours (light mode 20 and the custom groups).
#include <algorithm>

#include "devices/keyboard_device.h"
#include "platform/trace.h"

namespace qv {

namespace {

// LED positions above this have no place in a colour bank.
constexpr uint8_t kLastBankLed = 170;

uint8_t Scaled(uint8_t value, uint8_t brightness) {
  return static_cast<uint8_t>((unsigned{value} * brightness) >> 8);
}

}  // namespace

bool CKestravaKeyboardDevice::IsHostDriven() const {
  if (Wireless) return false;
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  const uint8_t mode = LightSettings[kLightMode];
  return mode == kStreamModeA || mode == kStreamModeB;
}

TransactionResult CKestravaKeyboardDevice::SendColorFrame() {
  const bool stream = IsHostDriven();
  const std::vector<uint32_t>& colors = TakeFrameColors();
  RefreshLightPreview(SteadyClock::now());
  const size_t n = std::min(FramePositions() * 3, size_t{kColorFrameSize});
  if (!stream || n == 0) return kResultSuccess;
  std::array<uint8_t, kColorFrameSize> frame{};
  for (size_t i = 0; i < colors.size(); ++i) {
    const uint32_t entry = colors[i];
    if (i >= kLogicalKeyCount) continue;
    const size_t q = LedMap[i];
    if (q == kNoPosition || 3 * q + 2 >= n) continue;
    const Rgb c = LightRgb(entry);
    const uint8_t b = LightBrightness(entry);
    frame[3 * q] = Scaled(c.red, b);
    frame[3 * q + 1] = Scaled(c.green, b);
    frame[3 * q + 2] = Scaled(c.blue, b);
  }
  const TransactionResult result = StreamFrame(frame.data(), n);
  if (result != kResultSuccess) Sleep(kFailedFramePause);
  return result;
}

TransactionResult CKestravaKeyboardDevice::ReadCustomColors() {
  const size_t n = std::min(FramePositions() * 3, size_t{kColorFrameSize});
  if (!Link.Open || n == 0) return kResultNoAnswer;
  const int group = GetLightSettings()[kLightCustomGroup];
  std::array<uint8_t, kColorFrameSize> bank{};
  const TransactionResult result = Link.ReadColorBank(group, bank.data(), n);
  if (result != kResultSuccess) {
    Trace("keyboard: colour bank %d not read: %d\n", group, result);
    return result;
  }
  std::vector<CustomLightColor> stored;
  {
    std::lock_guard<std::recursive_mutex> hold(EffectLock);
    for (size_t i = 0; i < LightColors.size(); ++i) {
      const size_t q = i < kLogicalKeyCount ? LedMap[i] : kNoPosition;
      if (q != kNoPosition && q <= kLastBankLed && 3 * q + 2 < n) {
        LightColors[i] = PackLightColor({bank[3 * q], bank[3 * q + 1], bank[3 * q + 2]},
                                        LightBrightness(LightColors[i]));
      }
      const Rgb c = LightRgb(LightColors[i]);
      stored.push_back({c.red, c.green, c.blue, LightBrightness(LightColors[i])});
    }
  }
  MarkPreviewStale();
  Profile.SetCustomLightColors(group, stored);
  return UploadCustomColors();
}

TransactionResult CKestravaKeyboardDevice::UploadCustomColors() {
  const size_t n = std::min(FramePositions() * 3, size_t{kColorFrameSize});
  std::array<uint8_t, kColorFrameSize> frame{};
  {
    std::lock_guard<std::recursive_mutex> hold(EffectLock);
    if (LightSettings[kLightMode] != kCustomColorMode) return kResultSuccess;
    for (size_t i = 0; i < LightColors.size() && i < kLogicalKeyCount; ++i) {
      const size_t q = LedMap[i];
      if (q == kNoPosition || 3 * q + 2 >= n) continue;
      const Rgb c = LightRgb(LightColors[i]);
      frame[3 * q] = c.red;
      frame[3 * q + 1] = c.green;
      frame[3 * q + 2] = c.blue;
    }
  }
  if (!Link.Open || n == 0) return kResultNoAnswer;
  return Link.WriteColorBank(0, frame.data(), n);
}

TransactionResult CKestravaKeyboardDevice::UploadCustomGroup() {
  const size_t n = std::min(FramePositions() * 3, size_t{kColorFrameSize});
  if (!Link.Open || n == 0) return kResultNoAnswer;
  const int group = GetLightSettings()[kLightCustomGroup];
  const std::vector<CustomLightColor> colors =
      Profile.CustomLightColors(group, static_cast<int>(LightCount));
  std::array<uint8_t, kColorFrameSize> frame{};
  for (size_t i = 0; i < colors.size() && i < kLogicalKeyCount; ++i) {
    const size_t q = LedMap[i];
    if (q == kNoPosition || 3 * q + 2 >= n) continue;
    frame[3 * q] = Scaled(colors[i].red, colors[i].alpha);
    frame[3 * q + 1] = Scaled(colors[i].green, colors[i].alpha);
    frame[3 * q + 2] = Scaled(colors[i].blue, colors[i].alpha);
  }
  const TransactionResult result = Link.WriteColorBank(group, frame.data(), n);
  if (result != kResultSuccess) Sleep(kFailedFramePause);
  return result;
}

TransactionResult CKestravaKeyboardDevice::SetOneCustomColor(int light) {
  const LightSettingsRecord s = GetLightSettings();
  if (s[kLightMode] != kCustomColorMode || light < 0 ||
      static_cast<uint32_t>(light) >= LightCount) {
    return kResultNoAnswer;
  }
  SetLightColor(light, PackLightColor(SettingsColor(), LightBrightness(GetLightColor(light))));
  const int group = Profile.CustomLightGroup();
  std::vector<CustomLightColor> stored;
  for (uint32_t i = 0; i < LightCount; ++i) {
    const uint32_t entry = GetLightColor(static_cast<int>(i));
    const Rgb c = LightRgb(entry);
    stored.push_back({c.red, c.green, c.blue, LightBrightness(entry)});
  }
  Profile.SetCustomLightColors(group, stored);
  SaveProfile();
  return UploadCustomColors();
}

}  // namespace qv
