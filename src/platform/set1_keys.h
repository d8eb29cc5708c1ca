// Linux evdev key codes (linux/input-event-codes.h, KEY_*) as the PC/AT set 1 make code and
// extended flag that the desktop's keyboard hook reports for the same key, the form the macro
// recorder looks keys up by.
//
// The extended flags follow the recorder's scan-code table: set for left and right Win, right
// Ctrl, right Shift, right Alt, Print Screen, the six editing keys, the arrows, Num Lock, Num /,
// Num Enter and the application key; clear for Pause (0x45, as Num Lock but not extended).
//
// Pure functions; callable from any thread.
#pragma once

#include <cstdint>
#include <optional>

namespace qv {

struct Set1Key {
  uint8_t scanCode = 0;
  bool extended = false;
  friend bool operator==(const Set1Key&, const Set1Key&) = default;
};

// The set 1 code of an evdev key code; nullopt for buttons and keys without one.
std::optional<Set1Key> Set1FromEvdev(uint16_t evdevCode);

}  // namespace qv
