// The factory function of every logical key of the keyboard (`LogicalKeyTable`): constant data,
// indexed by logical key 0..169. The keyboard reports its own key map at connection; a device
// key position belongs to the first logical key whose factory function equals the position's
// three bytes.
//
// Pure constant data; callable from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace qv {

// Three bytes: function kind, first value, second value.
struct KeyFunction {
  uint8_t kind = 0;
  uint8_t first = 0;
  uint8_t second = 0;
  bool operator==(const KeyFunction&) const = default;
};

inline constexpr size_t kLogicalKeyTableSize = 170;

// Function kinds the keyboard code reads.
inline constexpr uint8_t kKindKey = 0x20;
inline constexpr uint8_t kKindMacroEndMode = 0x70;
inline constexpr uint8_t kKindMacroRepeat = 0x71;
inline constexpr uint8_t kKindSpecialKey = 0xA0;
inline constexpr uint8_t kKindMKey = 0xD0;

const std::array<KeyFunction, kLogicalKeyTableSize>& LogicalKeyTable();

// The first logical key whose factory function is `function`; nullopt when none is.
std::optional<int> LogicalKeyOf(const KeyFunction& function);

}  // namespace qv
