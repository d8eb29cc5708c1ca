// The key function model: what a key or button does, as the three-byte `KeyFunction`
// (kind, first value p1, second value p2) that memory, the profile file and the device share.
//
// This header gives the function kinds, the profile integer (kind << 16 | p1 << 8 | p2), the
// categories the key assignment panel offers and how a code falls into one, the fields of each
// kind and how a code is built from them, and the form a key slot takes in the device key map.
// Names and code tables are in keys/key_code_tables.h.
//
// Every value read from a file or a device is untrusted: decoding never reads outside its
// input, and a code that cannot be used reads as the key's default or as none.
//
// Pure functions and plain values; callable from any thread. Nothing throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "keys/logical_key_table.h"
#include "profiles/profile_records.h"

namespace qv {

// Function kinds besides the ones keys/logical_key_table.h already names (kKindKey 0x20,
// kKindMacroEndMode 0x70, kKindMacroRepeat 0x71, kKindSpecialKey 0xA0, kKindMKey 0xD0).
inline constexpr uint8_t kKindNone = 0x00;
inline constexpr uint8_t kKindMouseButton = 0x10;
inline constexpr uint8_t kKindMouseSwing = 0x11;
inline constexpr uint8_t kKindMouseWheel = 0x12;
inline constexpr uint8_t kKindDpi = 0x13;
inline constexpr uint8_t kKindFire = 0x14;
inline constexpr uint8_t kKindMouseFactory = 0x16;  // the mouse's own; kept and sent unchanged
inline constexpr uint8_t kKindConsumer = 0x30;
inline constexpr uint8_t kKindSystem = 0x40;
inline constexpr uint8_t kKindGunKey = 0x72;
inline constexpr uint8_t kKindShortcut = 0xB0;

inline constexpr KeyFunction kNoFunction{kKindNone, 0, 0};

// One of the kinds above.
bool IsKnownKind(uint8_t kind);
// Kinds 0x70 and 0x71.
bool IsMacroCode(const KeyFunction& code);
// The same by kind alone (0x70 end mode, 0x71 repeated), for key records and map entries.
inline bool IsMacroKind(uint8_t kind) {
  return kind == kKindMacroEndMode || kind == kKindMacroRepeat;
}

// ---- profile integer ----------------------------------------------------------------------

inline constexpr uint32_t ProfileCodeOf(const KeyFunction& f) {
  return (uint32_t{f.kind} << 16) | (uint32_t{f.first} << 8) | f.second;
}
// nullopt for a value outside 0..0xFFFFFF or of an unknown kind.
std::optional<KeyFunction> KeyFunctionOfProfileCode(int64_t value);
KeyFunction KeyFunctionOfProfileCode(int64_t value, const KeyFunction& fallback);
// A key slot from its "Assignment" and "DefaultAssignment" (nullopt: absent). An unusable
// default reads as none, an unusable current code as the default.
KeyAssignment KeyAssignmentOfProfileCodes(uint16_t slot, std::optional<int64_t> assignment,
                                          std::optional<int64_t> defaultAssignment);

// ---- categories ---------------------------------------------------------------------------

// The numbers are the user data of the panel's category items.
enum class KeyCategory : uint8_t {
  kDefault = 0,
  kMouseButton = 1,
  kMouseSwing = 2,
  kMouseWheel = 3,
  kDpi = 4,
  kFire = 5,
  kKeyboardKey = 6,
  kMedia = 7,
  kSystem = 8,
  kMacro = 9,
  kGunKey = 10,
  kCombination = 11,
};
inline constexpr int kKeyCategoryCount = 12;

// nullopt: the code has no category (the editor is hidden).
std::optional<KeyCategory> ClassifyKeyFunction(const KeyFunction& code,
                                               const KeyFunction& defaultCode);
// The keyboard has no DPI and no gun keys.
bool IsCategoryHiddenOnKeyboard(KeyCategory category);

// ---- fields of each kind ------------------------------------------------------------------

// Mouse swing (0x11) and wheel (0x12). Delay and speed are 4-bit values of the device's.
struct MotionFields {
  uint8_t delay = 0;
  uint8_t speed = 0;
  uint8_t count = 0;  // a wheel code can read back 128
  bool secondDirection = false;
  bool operator==(const MotionFields&) const = default;
};
KeyFunction SwingFunction(const MotionFields& fields);
MotionFields SwingFields(const KeyFunction& code);
KeyFunction WheelFunction(const MotionFields& fields);
MotionFields WheelFields(const KeyFunction& code);

inline constexpr uint8_t kMinFireInterval = 10;
struct FireFields {
  uint8_t interval = kMinFireInterval;
  uint8_t count = 0;
  bool operator==(const FireFields&) const = default;
};
KeyFunction FireFunction(const FireFields& fields);  // raises the interval to the minimum
FireFields FireFieldsOf(const KeyFunction& code);

// Keyboard key (0x20). Modifier options: 0 none, 1 Ctrl, 2 Shift, 3 Alt, 4 Win (left keys).
inline constexpr int kModifierOptionCount = 5;
struct KeyboardFields {
  int modifierOption = 0;
  uint8_t usage = 0;  // 0: a modifier alone
  bool operator==(const KeyboardFields&) const = default;
};
// An option outside 1..4 gives no modifier.
KeyFunction KeyboardFunction(const KeyboardFields& fields);
// An unknown modifier mask shows as option 0.
KeyboardFields KeyboardFieldsOf(const KeyFunction& code);

// Macro (0x70 end mode, 0x71 repeated). End-mode items 0..3 are the end modes, item 4 repeats.
inline constexpr int kMacroRepeatItem = 4;
struct MacroFields {
  uint8_t macroIndex = 0;
  int endModeItem = 0;
  uint8_t repeatCount = 0;  // item 4 only
  bool operator==(const MacroFields&) const = default;
};
// nullopt when `macroIndex` is not below `macroCount`. An item outside 0..4 ends as mode 0.
std::optional<KeyFunction> MacroFunction(int macroIndex, size_t macroCount, int endModeItem,
                                         uint8_t repeatCount);
MacroFields MacroFieldsOf(const KeyFunction& code);

inline constexpr KeyFunction GunKeyFunction(uint8_t number) {
  return {kKindGunKey, number, 0};
}

// ---- building a code from the panel's inputs ----------------------------------------------

// A number typed into an edit field: optional blanks and sign, then the leading digits (none:
// 0), truncated to the byte, so "-1" is 255 and "300" is 44.
uint8_t EditFieldByte(std::string_view text);

// What the panel's controls hold; only the fields of `category` are read. -1 means nothing is
// selected in a list.
struct CategoryInputs {
  int category = 0;
  int tableRow = -1;        // 1, 4, 7, 8, 11
  MotionFields motion;      // 2, 3
  FireFields fire;          // 5
  KeyboardFields keyboard;  // 6; modifierOption -1 counts as none
  int macroIndex = -1;      // 9
  int endModeItem = 0;      // 9
  uint8_t repeatCount = 0;  // 9
  int gunKey = -1;          // 10
};
// The code the inputs give. Where nothing usable is selected (no table row, no valid macro, no
// gun key) the code stays `current`; category 0 and unknown categories give `defaultCode`.
KeyFunction BuildKeyFunction(const CategoryInputs& inputs, const KeyFunction& current,
                             const KeyFunction& defaultCode, size_t macroCount);

// ---- device key map -----------------------------------------------------------------------

inline constexpr size_t kKeyMapEntrySize = 3;
// The entry of device key position `position`; nullopt past the end of `keyMap`.
std::optional<KeyFunction> ReadKeyMapEntry(std::span<const uint8_t> keyMap, size_t position);
// False (and nothing written) past the end of `keyMap`.
bool WriteKeyMapEntry(std::span<uint8_t> keyMap, size_t position, const KeyFunction& entry);

// Turns key slots into the entries sent to the device. The device numbers macros by their
// record in the macro image, so each macro gets the position of its first use; the image must
// be built from MacroOrder() after every slot was encoded. A macro code without a macro, or a
// code of an unknown kind, is sent as the slot's default, and a default unusable the same way
// as none.
class DeviceKeyEntryEncoder {
 public:
  explicit DeviceKeyEntryEncoder(size_t macroCount) : macroCount_(macroCount) {}

  KeyFunction Encode(const KeyAssignment& slot);
  // Macro indexes in the order of their records in the image.
  const std::vector<uint8_t>& MacroOrder() const { return order_; }

 private:
  std::optional<KeyFunction> Sendable(KeyFunction code);

  size_t macroCount_;
  std::vector<uint8_t> order_;
};

}  // namespace qv
