#include "keys/key_function.h"

#include <algorithm>

#include "keys/key_code_tables.h"

namespace qv {

namespace {

constexpr uint8_t kSecondDirectionBit = 0x80;
constexpr uint8_t kCountMask = 0x7F;
constexpr int64_t kMaxProfileCode = 0xFFFFFF;

uint8_t MotionByte(const MotionFields& f) {
  return static_cast<uint8_t>(((f.delay & 0x0F) << 4) | (f.speed & 0x0F));
}

KeyFunction RowFunction(std::span<const CodeRow> table, int row, const KeyFunction& current) {
  if (row < 0 || static_cast<size_t>(row) >= table.size()) return current;
  return table[static_cast<size_t>(row)].function;
}

}  // namespace

bool IsKnownKind(uint8_t kind) {
  switch (kind) {
    case kKindNone:
    case kKindMouseButton:
    case kKindMouseSwing:
    case kKindMouseWheel:
    case kKindDpi:
    case kKindFire:
    case kKindMouseFactory:
    case kKindKey:
    case kKindConsumer:
    case kKindSystem:
    case kKindMacroEndMode:
    case kKindMacroRepeat:
    case kKindGunKey:
    case kKindSpecialKey:
    case kKindShortcut:
    case kKindMKey:
      return true;
    default:
      return false;
  }
}

bool IsMacroCode(const KeyFunction& code) {
  return IsMacroKind(code.kind);
}

std::optional<KeyFunction> KeyFunctionOfProfileCode(int64_t value) {
  if (value < 0 || value > kMaxProfileCode) return std::nullopt;
  const KeyFunction f{static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                      static_cast<uint8_t>(value)};
  if (!IsKnownKind(f.kind)) return std::nullopt;
  return f;
}

KeyFunction KeyFunctionOfProfileCode(int64_t value, const KeyFunction& fallback) {
  return KeyFunctionOfProfileCode(value).value_or(fallback);
}

KeyAssignment KeyAssignmentOfProfileCodes(uint16_t slot, std::optional<int64_t> assignment,
                                          std::optional<int64_t> defaultAssignment) {
  const KeyFunction def =
      defaultAssignment ? KeyFunctionOfProfileCode(*defaultAssignment, kNoFunction) : kNoFunction;
  const KeyFunction current = assignment ? KeyFunctionOfProfileCode(*assignment, def) : def;
  KeyAssignment a;
  a.keyIndex = slot;
  a.kind = current.kind;
  a.first = current.first;
  a.second = current.second;
  a.defaultKeyIndex = slot;
  a.defaultKind = def.kind;
  a.defaultFirst = def.first;
  a.defaultSecond = def.second;
  return a;
}

std::optional<KeyCategory> ClassifyKeyFunction(const KeyFunction& code,
                                               const KeyFunction& defaultCode) {
  if (code == defaultCode) return KeyCategory::kDefault;
  switch (code.kind) {
    case kKindNone:
      return KeyCategory::kDefault;
    case kKindMouseButton:
      return KeyCategory::kMouseButton;
    case kKindMouseSwing:
      return KeyCategory::kMouseSwing;
    case kKindMouseWheel:
      return KeyCategory::kMouseWheel;
    case kKindDpi:
      return KeyCategory::kDpi;
    case kKindFire:
      return KeyCategory::kFire;
    case kKindKey:
      // The key editor offers the left-hand modifiers only; masks above them are shortcuts.
      return code.first <= 8 ? KeyCategory::kKeyboardKey : KeyCategory::kCombination;
    case kKindConsumer:
      return KeyCategory::kMedia;
    case kKindSystem:
      return KeyCategory::kSystem;
    case kKindMacroEndMode:
    case kKindMacroRepeat:
      return KeyCategory::kMacro;
    case kKindGunKey:
      return KeyCategory::kGunKey;
    case kKindShortcut:
      return KeyCategory::kCombination;
    default:
      return std::nullopt;
  }
}

bool IsCategoryHiddenOnKeyboard(KeyCategory category) {
  return category == KeyCategory::kDpi || category == KeyCategory::kGunKey;
}

KeyFunction SwingFunction(const MotionFields& f) {
  const uint8_t count = f.secondDirection ? static_cast<uint8_t>(f.count | kSecondDirectionBit)
                                          : static_cast<uint8_t>(f.count & kCountMask);
  return {kKindMouseSwing, MotionByte(f), count};
}

MotionFields SwingFields(const KeyFunction& code) {
  return {static_cast<uint8_t>(code.first >> 4), static_cast<uint8_t>(code.first & 0x0F),
          static_cast<uint8_t>(code.second & kCountMask), (code.second & kSecondDirectionBit) != 0};
}

KeyFunction WheelFunction(const MotionFields& f) {
  // The second direction is the negative count as a signed byte.
  const uint8_t count = f.secondDirection
                            ? static_cast<uint8_t>(((128 - f.count) & 0xFF) | kSecondDirectionBit)
                            : static_cast<uint8_t>(f.count & kCountMask);
  return {kKindMouseWheel, MotionByte(f), count};
}

MotionFields WheelFields(const KeyFunction& code) {
  MotionFields f{static_cast<uint8_t>(code.first >> 4), static_cast<uint8_t>(code.first & 0x0F),
                 code.second, false};
  if (code.second & kSecondDirectionBit) {
    f.count = static_cast<uint8_t>(128 - (code.second & kCountMask));
    f.secondDirection = true;
  }
  return f;
}

KeyFunction FireFunction(const FireFields& f) {
  return {kKindFire, std::max(f.interval, kMinFireInterval), f.count};
}

FireFields FireFieldsOf(const KeyFunction& code) {
  return {code.first, code.second};
}

KeyFunction KeyboardFunction(const KeyboardFields& f) {
  const bool modifier = f.modifierOption >= 1 && f.modifierOption < kModifierOptionCount;
  const uint8_t mask = modifier ? static_cast<uint8_t>(1u << (f.modifierOption - 1)) : 0;
  return {kKindKey, mask, f.usage};
}

KeyboardFields KeyboardFieldsOf(const KeyFunction& code) {
  KeyboardFields f{0, code.second};
  if (code.first == 0) return f;
  // The options are the left-hand modifiers, the first four rows of the key code table.
  if (const auto row = ModifierRowOfBit(code.first); row && *row < kModifierOptionCount - 1) {
    f.modifierOption = static_cast<int>(*row) + 1;
  }
  return f;
}

std::optional<KeyFunction> MacroFunction(int macroIndex, size_t macroCount, int endModeItem,
                                         uint8_t repeatCount) {
  if (macroIndex < 0 || macroIndex > 0xFF || static_cast<size_t>(macroIndex) >= macroCount) {
    return std::nullopt;
  }
  const auto index = static_cast<uint8_t>(macroIndex);
  if (endModeItem == kMacroRepeatItem) return KeyFunction{kKindMacroRepeat, index, repeatCount};
  const bool endMode = endModeItem >= 0 && endModeItem < kMacroRepeatItem;
  return KeyFunction{kKindMacroEndMode, index, static_cast<uint8_t>(endMode ? endModeItem : 0)};
}

MacroFields MacroFieldsOf(const KeyFunction& code) {
  if (code.kind == kKindMacroRepeat) return {code.first, kMacroRepeatItem, code.second};
  return {code.first, code.second, 0};
}

uint8_t EditFieldByte(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  // Only the low byte is kept, so the digits are reduced as they come and never overflow.
  unsigned value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = (value * 10 + static_cast<unsigned>(text[i] - '0')) & 0xFF;
  }
  return static_cast<uint8_t>(negative ? (256 - value) & 0xFF : value);
}

KeyFunction BuildKeyFunction(const CategoryInputs& in, const KeyFunction& current,
                             const KeyFunction& defaultCode, size_t macroCount) {
  if (in.category < 0 || in.category >= kKeyCategoryCount) return defaultCode;
  const auto category = static_cast<KeyCategory>(in.category);
  switch (category) {
    case KeyCategory::kMouseButton:
    case KeyCategory::kDpi:
    case KeyCategory::kMedia:
    case KeyCategory::kSystem:
    case KeyCategory::kCombination:
      return RowFunction(CategoryTable(category), in.tableRow, current);
    case KeyCategory::kMouseSwing:
      return SwingFunction(in.motion);
    case KeyCategory::kMouseWheel:
      return WheelFunction(in.motion);
    case KeyCategory::kFire:
      return FireFunction(in.fire);
    case KeyCategory::kKeyboardKey:
      return KeyboardFunction(in.keyboard);
    case KeyCategory::kMacro:
      return MacroFunction(in.macroIndex, macroCount, in.endModeItem, in.repeatCount)
          .value_or(current);
    case KeyCategory::kGunKey:
      if (in.gunKey < 0 || in.gunKey > 0xFF) return current;
      return GunKeyFunction(static_cast<uint8_t>(in.gunKey));
    case KeyCategory::kDefault:
      break;
  }
  return defaultCode;
}

std::optional<KeyFunction> ReadKeyMapEntry(std::span<const uint8_t> keyMap, size_t position) {
  if (position >= keyMap.size() / kKeyMapEntrySize) return std::nullopt;
  const size_t at = position * kKeyMapEntrySize;
  return KeyFunction{keyMap[at], keyMap[at + 1], keyMap[at + 2]};
}

bool WriteKeyMapEntry(std::span<uint8_t> keyMap, size_t position, const KeyFunction& entry) {
  if (position >= keyMap.size() / kKeyMapEntrySize) return false;
  const size_t at = position * kKeyMapEntrySize;
  keyMap[at] = entry.kind;
  keyMap[at + 1] = entry.first;
  keyMap[at + 2] = entry.second;
  return true;
}

KeyFunction DeviceKeyEntryEncoder::Encode(const KeyAssignment& slot) {
  if (auto sent = Sendable({slot.kind, slot.first, slot.second})) return *sent;
  if (auto sent = Sendable({slot.defaultKind, slot.defaultFirst, slot.defaultSecond})) {
    return *sent;
  }
  return kNoFunction;
}

std::optional<KeyFunction> DeviceKeyEntryEncoder::Sendable(KeyFunction code) {
  if (!IsKnownKind(code.kind)) return std::nullopt;
  if (!IsMacroCode(code)) return code;
  if (code.first >= macroCount_) return std::nullopt;
  auto at = std::find(order_.begin(), order_.end(), code.first);
  if (at == order_.end()) at = order_.insert(order_.end(), code.first);
  code.first = static_cast<uint8_t>(at - order_.begin());
  return code;
}

}  // namespace qv
