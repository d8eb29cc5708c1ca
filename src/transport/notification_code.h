// Notification codes that devices send by themselves on their consumer-control collection (the
// first usage turned on in the report), and their decoding into what the keyboard acts on.
//
// Pure constants and functions: callable from any thread.
#pragma once

#include <cstdint>

namespace qv {

inline constexpr uint16_t kNotifyReread = 0x0401;       // read the device's state again
inline constexpr uint16_t kNotifyResetReread = 0x0402;  // reload the profile, then as 0x0401
inline constexpr uint16_t kNotifyNoAction = 0x0404;
inline constexpr uint16_t kNotifyKeyDownBase = 0x0500;   // + device key position
inline constexpr uint16_t kNotifyKeyUpBase = 0x0600;     // + device key position
inline constexpr uint16_t kNotifySlotBase = 0x1000;      // + v: active slot v & 0x0F
inline constexpr uint16_t kNotifySlotPairBase = 0x1100;  // + v: slot v & 0x0F, second (v >> 4)

enum class NotificationKind {
  kUnknown,
  kReread,
  kResetReread,
  kNoAction,
  kKeyDown,
  kKeyUp,
  kSlotChanged,
  kSlotChangedWithValue,
};

struct Notification {
  NotificationKind kind = NotificationKind::kUnknown;
  uint8_t key = 0;     // key events: the device key position
  uint8_t slot = 0;    // slot changes: the new active slot (0..15)
  uint8_t second = 0;  // kSlotChangedWithValue: the second value (0..15)
};

Notification DecodeNotification(uint16_t code);

constexpr uint16_t KeyDownCode(uint8_t position) {
  return kNotifyKeyDownBase + position;
}
constexpr uint16_t KeyUpCode(uint8_t position) {
  return kNotifyKeyUpBase + position;
}
constexpr uint16_t SlotChangedCode(uint8_t slot) {
  return kNotifySlotBase + (slot & 0x0F);
}
constexpr uint16_t SlotChangedCode(uint8_t slot, uint8_t second) {
  return kNotifySlotPairBase + static_cast<uint16_t>(((second & 0x0F) << 4) | (slot & 0x0F));
}

}  // namespace qv
