// CHs6533Profiledata: the headset's profile sections on top of CBasicProfiledata:
// "SystemSetStages" (eight integers: MagicEnable, MagicType, EqType, CustomEqSeletIndex,
// MicInSelect, MicInValue, MicMoniterSelect, MicMoniterValue), the built-in equaliser bands
// "EQHzValueInfo" (by slot), and the user's presets "CustomEQNameInfo" and
// "CustomEQHzValueInfo" (by preset position).
//
// Equaliser type to slot: 1..12 use their own slot, 0 and anything above 13 use slot 1, 13 (the
// custom equaliser) has no slot. Custom preset positions are bounded by kMaxCustomEqPresets
// before any array element is created; at most that many names are read.
// Threading and ownership as the base class.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "profiles/basic_profiledata.h"

namespace qv {

inline constexpr int kEqBandCount = 10;
inline constexpr int kCustomEqType = 13;
inline constexpr int kMaxCustomEqPresets = 20;

// Slot of "EQHzValueInfo" used by an equaliser type; -1 for the custom type.
int EqSlotOfType(int eqType);

class CHs6533Profiledata : public CBasicProfiledata {
 public:
  std::array<int32_t, 8> HeadsetSettings();
  void SetHeadsetSettings(const std::array<int32_t, 8>& values);

  // Ten values; empty for the custom type. Missing bands are created in the document as 0.
  std::vector<int32_t> EqBands(int eqType);
  // Writes up to ten values; the custom type writes nothing and returns false.
  bool SetEqBands(int eqType, const std::vector<int32_t>& values);

  std::vector<std::string> CustomEqNames();
  void SetCustomEqNames(const std::vector<std::string>& names);

  // Ten values; missing bands are created as 0. A preset outside 0..kMaxCustomEqPresets-1
  // gives ten zeros and leaves the document alone.
  std::vector<int32_t> CustomEqBands(int preset);
  bool SetCustomEqBands(int preset, const std::vector<int32_t>& values);

 private:
  std::array<int32_t, 8> settings_{};
};

}  // namespace qv
