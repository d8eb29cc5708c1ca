// The mouse action table (`MouseActionTable`): the fifteen mouse actions a macro can hold, with
// the mouse message that produces each, its type byte (0x80 for a press or a leftwards or
// upwards move, the event "Type" in the low seven bits), its button and its text id. Recording
// looks rows up by message, inserting by row, and the event list by event (MouseActionRowOf).
//
// Also the fixed delay of constant-time recording and inserted actions.
//
// Constant data and pure functions; callable from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "macros/macro_image.h"

namespace qv {

struct MouseAction {
  uint16_t message;  // the mouse message number; 4 and 5 for the move rows, which none produces
  uint8_t typeByte;
  uint8_t button;
  const char* textId;
};

inline constexpr size_t kMouseActionCount = 15;
// Rows 0..9 are the buttons (press, release), 10..13 the moves (left, right, up, down); row 14,
// the wheel, is kept for its message and is never recorded, inserted or shown.
inline constexpr size_t kFirstMoveRow = 10;
inline constexpr size_t kWheelRow = 14;

const std::array<MouseAction, kMouseActionCount>& MouseActionTable();

// The row whose text id names `event`: for type 1 the first button row with its button, for
// types 4 and 5 the move row with its type byte; -1 for anything else (keys, types 2 and 3, a
// button no row has).
int MouseActionRowOf(const MacroEvent& event);

// The event mouse action row `row` stands for, with `delay`; none for the wheel row and beyond.
std::optional<MacroEvent> MouseActionEvent(size_t row, uint16_t delay);

inline constexpr uint16_t kMinFixedDelay = 10;
inline constexpr uint16_t kDefaultFixedDelay = 50;

// A fixed delay as typed, brought into kMinFixedDelay..kMaxMacroDelay.
inline uint16_t ClampFixedDelay(uint64_t value) {
  if (value < kMinFixedDelay) return kMinFixedDelay;
  return value > kMaxMacroDelay ? kMaxMacroDelay : static_cast<uint16_t>(value);
}

}  // namespace qv
