// The in-memory records that the profile data classes hand to the device objects, and the
// packing of the light records into the words that travel through the program.
//
// LightSettings: 14 bytes in the order of the "LightInfo" keys; bytes 8..10 are memory-only.
// It travels as three 32-bit words (bytes 0-3, 4-7, 8-11) and one 16-bit word (bytes 12-13),
// lowest byte first. AudioLightSettings travels as bytes 0-3, 4-7 and the 32-bit last field.
// Plain values; no threading concerns.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qv {

// Brightness and speed are levels 0..4 on every device; they index five-entry tables.
inline constexpr uint8_t kMaxLightLevel = 4;

struct LightSettings {
  uint8_t selectItem = 0;  // "SelectItem"
  uint8_t light = 0;       // "Light"
  uint8_t speed = 0;       // "Speed"
  uint8_t fx = 0;          // "Fx"
  uint8_t multiColor = 0;  // "MultiColor"
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t reserved[3] = {0, 0, 0};  // not stored in the profile
  uint8_t zzccLedMode = 0;          // "ZZCCLedMode"
  uint8_t customGroup = 0;          // "CustomGroup"
  uint8_t oldLedMode = 0;           // "OldLedmode"

  std::array<uint8_t, 14> Bytes() const;
  static LightSettings FromBytes(const std::array<uint8_t, 14>& bytes);
  void ToWords(uint32_t* w0, uint32_t* w1, uint32_t* w2, uint16_t* h) const;
  static LightSettings FromWords(uint32_t w0, uint32_t w1, uint32_t w2, uint16_t h);
  bool operator==(const LightSettings&) const = default;
};
static_assert(sizeof(LightSettings) == 14);

struct AudioLightSettings {
  uint8_t audioMode = 0;  // "AudioMode"
  uint8_t bkColorR = 0;
  uint8_t bkColorG = 0;
  uint8_t bkColorB = 0;
  uint8_t fgColorR = 0;
  uint8_t fgColorG = 0;
  uint8_t fgColorB = 0;
  uint8_t sevenColorFlags = 0;  // "7ColorFlags"
  uint32_t colorTypeFlags = 0;  // "ColorTypeFlags"

  void ToWords(uint32_t* w0, uint32_t* w1, uint32_t* w2) const;
  static AudioLightSettings FromWords(uint32_t w0, uint32_t w1, uint32_t w2);
  bool operator==(const AudioLightSettings&) const = default;
};

struct LightListEntry {
  uint8_t mode = 0;
  uint8_t brightness = 0;
  uint8_t speed = 0;
  uint8_t direction = 0;
  uint8_t multiColor = 0;
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t present = 0;  // 0: the array element was null or not an object; all else is 0
  bool operator==(const LightListEntry&) const = default;
};

// Current and default function of one key slot; the layout keeps the current function in
// bytes 2..4 and the default in bytes 6..7 (key index) and 8..10.
struct KeyAssignment {
  uint16_t keyIndex = 0;
  uint8_t kind = 0;
  uint8_t first = 0;
  uint8_t second = 0;
  uint16_t defaultKeyIndex = 0;
  uint8_t defaultKind = 0;
  uint8_t defaultFirst = 0;
  uint8_t defaultSecond = 0;

  // kind << 16 | first << 8 | second: the "Assignment" code.
  uint32_t Code() const { return (uint32_t{kind} << 16) | (uint32_t{first} << 8) | second; }
  uint32_t DefaultCode() const {
    return (uint32_t{defaultKind} << 16) | (uint32_t{defaultFirst} << 8) | defaultSecond;
  }
  bool operator==(const KeyAssignment&) const = default;
};

struct CustomLightColor {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t alpha = 0;
  bool operator==(const CustomLightColor&) const = default;
};

struct DpiStage {
  uint8_t active = 0;  // "StageActive"
  uint8_t xy = 0;      // "StageXY"
  uint16_t dpiX = 0;   // "StageDPIX": a slider position
  uint16_t dpiY = 0;   // "StageDPIY"
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  bool operator==(const DpiStage&) const = default;
};

struct CorrectionEntry {
  uint8_t pixThresh = 0;  // "CorrectPixThresh"
  uint8_t minSq = 0;      // "CorrectMinSq"
  uint8_t select = 0;     // "CorrectSelect"
  std::string name;       // "CorrectName"
  bool operator==(const CorrectionEntry&) const = default;
};

// Two 16-bit halves in one word: low first.
inline uint32_t PackHalves(uint16_t low, uint16_t high) {
  return uint32_t{low} | (uint32_t{high} << 16);
}

}  // namespace qv
