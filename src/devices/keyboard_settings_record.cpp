#include "devices/keyboard_settings_record.h"

#include <algorithm>

namespace qv {

namespace {

enum RecordByte : size_t {
  kMode = 1,
  kBrightness = 2,
  kSpeed = 3,
  kDirection = 4,
  kMulti = 5,
  kRed = 6,
  kGreen = 7,
  kBlue = 8,
  kCleared = 16,
  kZzccLedMode = 18,
  kWFlag = 19,
  kKey6Flag = 20,
  kWinFlag = 21,
  kPollingRate = 22,
  kCustomGroup = 25,
};

uint8_t Level(uint8_t value) {
  return std::min(value, kMaxLightLevel);
}

}  // namespace

std::array<uint32_t, 3> KeyboardStages::ToWords() const {
  return {PackHalves(repeat, repeatDelay), PackHalves(key6Flag, pollingRate),
          PackHalves(wFlag, winFlag)};
}

KeyboardStages KeyboardStages::FromWords(const std::array<uint32_t, 3>& w) {
  auto low = [](uint32_t v) { return static_cast<uint16_t>(v & 0xFFFF); };
  auto high = [](uint32_t v) { return static_cast<uint16_t>(v >> 16); };
  return {low(w[0]), high(w[0]), low(w[1]), high(w[1]), low(w[2]), high(w[2])};
}

uint8_t LightModeCode(const std::vector<int>& modeList, uint8_t position) {
  if (position >= modeList.size()) return position;
  return static_cast<uint8_t>(modeList[position]);
}

uint8_t LightModePosition(const std::vector<int>& modeList, uint8_t code) {
  for (size_t i = 0; i < modeList.size() && i <= 0xFF; ++i) {
    if (modeList[i] == code) return static_cast<uint8_t>(i);
  }
  return code;
}

DecodedSettings DecodeSettingsRecord(const SettingsRecord& r, const std::vector<int>& modeList,
                                     uint8_t currentMode) {
  DecodedSettings d;
  d.light.selectItem =
      r[kMode] == kHostDrivenModeCode ? currentMode : LightModePosition(modeList, r[kMode]);
  d.light.light = Level(r[kBrightness]);
  d.light.speed = static_cast<uint8_t>(kMaxLightLevel - Level(r[kSpeed]));
  d.light.fx = r[kDirection];
  d.light.multiColor = r[kMulti];
  d.light.red = r[kRed];
  d.light.green = r[kGreen];
  d.light.blue = r[kBlue];
  d.light.zzccLedMode = r[kZzccLedMode];
  d.light.customGroup = r[kCustomGroup];
  d.wFlag = r[kWFlag];
  d.key6Flag = r[kKey6Flag];
  d.winFlag = r[kWinFlag];
  return d;
}

SettingsRecord EncodeSettingsRecord(const SettingsRecord& raw, const LightSettings& light,
                                    const KeyboardStages& stages, const std::vector<int>& modeList,
                                    uint8_t firstByte) {
  SettingsRecord r = raw;
  r[0] = firstByte;
  const uint8_t code = LightModeCode(modeList, light.selectItem);
  r[kMode] = (code == kStreamModeA || code == kStreamModeB) ? kHostDrivenModeCode : code;
  r[kBrightness] = Level(light.light);
  r[kSpeed] = static_cast<uint8_t>(kMaxLightLevel - Level(light.speed));
  r[kDirection] = light.fx;
  r[kMulti] = light.multiColor;
  r[kRed] = light.red;
  r[kGreen] = light.green;
  r[kBlue] = light.blue;
  r[kCleared] = 0;
  r[kZzccLedMode] = light.zzccLedMode;
  r[kWFlag] = static_cast<uint8_t>(stages.wFlag);
  r[kKey6Flag] = static_cast<uint8_t>(stages.key6Flag);
  r[kWinFlag] = static_cast<uint8_t>(stages.winFlag);
  r[kPollingRate] = static_cast<uint8_t>(stages.pollingRate);
  r[kCustomGroup] = light.customGroup;
  return r;
}

}  // namespace qv
