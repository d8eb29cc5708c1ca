// The keyboard's settings record: 26 bytes per slot in the device's settings area (slot k at
// offset 25 × k; byte 0 of the area is the active slot number). It carries the lighting choice
// and the performance switches. This codec turns a record into the values the program keeps
// and the program's values back into a record, keeping the bytes it does not own as read.
//
// Record bytes: 1 light mode code, 2 brightness level, 3 4 − speed level, 4 direction,
// 5 multi-colour, 6..8 red green blue, 16 cleared on write, 18 ZZCCLedMode, 19 WFlag,
// 20 Key6Flag, 21 WinFlag, 22 polling rate, 25 custom group; the others are written back as
// they were read.
//
// Pure functions; callable from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "profiles/profile_records.h"

namespace qv {

inline constexpr size_t kSettingsRecordSize = 26;
inline constexpr size_t kSettingsSlotStride = 25;
using SettingsRecord = std::array<uint8_t, kSettingsRecordSize>;

// The code a host-driven mode goes to the device as, and reads back as.
inline constexpr uint8_t kHostDrivenModeCode = 0xFE;
inline constexpr uint8_t kStreamModeA = 29;
inline constexpr uint8_t kStreamModeB = 30;
inline constexpr uint8_t kCustomColorMode = 20;

// The keyboard's "SystemStages", 16-bit each; packed as the profile packs them.
struct KeyboardStages {
  uint16_t repeat = 0;
  uint16_t repeatDelay = 0;
  uint16_t key6Flag = 0;
  uint16_t pollingRate = 0;
  uint16_t wFlag = 0;
  uint16_t winFlag = 0;

  std::array<uint32_t, 3> ToWords() const;
  static KeyboardStages FromWords(const std::array<uint32_t, 3>& words);
  bool operator==(const KeyboardStages&) const = default;
};

// The light mode list: position -> device effect code. An empty list, or a position beyond it,
// leaves the value as it is.
uint8_t LightModeCode(const std::vector<int>& modeList, uint8_t position);
// The first position holding `code`; a code the list does not hold stays as it is.
uint8_t LightModePosition(const std::vector<int>& modeList, uint8_t code);

struct DecodedSettings {
  LightSettings light;  // selectItem is the mode position; reserved bytes are 0
  uint8_t wFlag = 0;
  uint8_t key6Flag = 0;
  uint8_t winFlag = 0;
};

// `currentMode` is kept when the record holds the host-driven code. Levels are clamped to 0..4
// so that a device value cannot index past the level tables.
DecodedSettings DecodeSettingsRecord(const SettingsRecord& record, const std::vector<int>& modeList,
                                     uint8_t currentMode);

// `raw` with the program's values filled in; byte 0 becomes `firstByte`.
SettingsRecord EncodeSettingsRecord(const SettingsRecord& raw, const LightSettings& light,
                                    const KeyboardStages& stages, const std::vector<int>& modeList,
                                    uint8_t firstByte);

}  // namespace qv
