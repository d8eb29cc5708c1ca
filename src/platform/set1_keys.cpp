#include "platform/set1_keys.h"

#include <linux/input-event-codes.h>

#include <array>
#include <utility>

namespace qv {
namespace {

// The evdev codes above KEY_F12, and those below it whose set 1 code differs from their number
// or carries the extended flag. Every other code from KEY_ESC to KEY_F12 is its own make code:
// the kernel numbered those keys after set 1.
struct Mapped {
  uint16_t evdev;
  Set1Key key;
};

constexpr std::array kMapped = {
    Mapped{KEY_RIGHTSHIFT, {0x36, true}},
    Mapped{KEY_NUMLOCK, {0x45, true}},
    Mapped{KEY_RO, {0x73, false}},
    Mapped{KEY_HENKAN, {0x79, false}},
    Mapped{KEY_KATAKANAHIRAGANA, {0x70, false}},
    Mapped{KEY_MUHENKAN, {0x7B, false}},
    Mapped{KEY_KPENTER, {0x1C, true}},
    Mapped{KEY_RIGHTCTRL, {0x1D, true}},
    Mapped{KEY_KPSLASH, {0x35, true}},
    Mapped{KEY_SYSRQ, {0x37, true}},
    Mapped{KEY_RIGHTALT, {0x38, true}},
    Mapped{KEY_HOME, {0x47, true}},
    Mapped{KEY_UP, {0x48, true}},
    Mapped{KEY_PAGEUP, {0x49, true}},
    Mapped{KEY_LEFT, {0x4B, true}},
    Mapped{KEY_RIGHT, {0x4D, true}},
    Mapped{KEY_END, {0x4F, true}},
    Mapped{KEY_DOWN, {0x50, true}},
    Mapped{KEY_PAGEDOWN, {0x51, true}},
    Mapped{KEY_INSERT, {0x52, true}},
    Mapped{KEY_DELETE, {0x53, true}},
    Mapped{KEY_MUTE, {0x20, true}},
    Mapped{KEY_VOLUMEDOWN, {0x2E, true}},
    Mapped{KEY_VOLUMEUP, {0x30, true}},
    Mapped{KEY_KPEQUAL, {0x59, false}},
    Mapped{KEY_PAUSE, {0x45, false}},
    Mapped{KEY_KPCOMMA, {0x7E, false}},
    Mapped{KEY_HANGEUL, {0xF2, false}},
    Mapped{KEY_HANJA, {0xF1, false}},
    Mapped{KEY_YEN, {0x7D, false}},
    Mapped{KEY_LEFTMETA, {0x5B, true}},
    Mapped{KEY_RIGHTMETA, {0x5C, true}},
    Mapped{KEY_COMPOSE, {0x5D, true}},
    Mapped{KEY_NEXTSONG, {0x19, true}},
    Mapped{KEY_PLAYPAUSE, {0x22, true}},
    Mapped{KEY_PREVIOUSSONG, {0x10, true}},
    Mapped{KEY_STOPCD, {0x24, true}},
    Mapped{KEY_F13, {0x64, false}},
    Mapped{KEY_F14, {0x65, false}},
    Mapped{KEY_F15, {0x66, false}},
    Mapped{KEY_F16, {0x67, false}},
    Mapped{KEY_F17, {0x68, false}},
    Mapped{KEY_F18, {0x69, false}},
    Mapped{KEY_F19, {0x6A, false}},
    Mapped{KEY_F20, {0x6B, false}},
    Mapped{KEY_F21, {0x6C, false}},
    Mapped{KEY_F22, {0x6D, false}},
    Mapped{KEY_F23, {0x6E, false}},
    Mapped{KEY_F24, {0x76, false}},
};

}  // namespace

std::optional<Set1Key> Set1FromEvdev(uint16_t evdevCode) {
  for (const Mapped& m : kMapped) {
    if (m.evdev == evdevCode) return m.key;
  }
  // 84 has no key; 85 (Zenkaku/Hankaku) sits where set 1 has the grave key, which evdev already
  // reports as KEY_GRAVE.
  if (evdevCode >= KEY_ESC && evdevCode <= KEY_F12 && evdevCode != 84 &&
      evdevCode != KEY_ZENKAKUHANKAKU) {
    return Set1Key{static_cast<uint8_t>(evdevCode), false};
  }
  return std::nullopt;
}

}  // namespace qv
