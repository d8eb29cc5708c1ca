#include "macros/macro_actions.h"

namespace qv {

const std::array<MouseAction, kMouseActionCount>& MouseActionTable() {
  static constexpr std::array<MouseAction, kMouseActionCount> kTable = {{
      {513, 0x81, 1, "mouse_key_left"},
      {514, 0x01, 1, "mouse_key_left"},
      {516, 0x81, 2, "mouse_key_right"},
      {517, 0x01, 2, "mouse_key_right"},
      {519, 0x81, 4, "mouse_key_middle"},
      {520, 0x01, 4, "mouse_key_middle"},
      {523, 0x81, 16, "mouse_key_forward"},
      {524, 0x01, 16, "mouse_key_forward"},
      {523, 0x81, 8, "mouse_key_back"},
      {524, 0x01, 8, "mouse_key_back"},
      {4, 0x84, 0, "mouse_move_to_left_text"},
      {4, 0x04, 0, "mouse_move_to_right_text"},
      {5, 0x85, 0, "mouse_move_to_up_text"},
      {5, 0x05, 0, "mouse_move_to_down_text"},
      {522, 0x00, 0, "mouse_cursor_text"},
  }};
  return kTable;
}

int MouseActionRowOf(const MacroEvent& event) {
  const auto& table = MouseActionTable();
  if (event.type == kMacroMouseButton) {
    for (size_t row = 0; row < kFirstMoveRow; ++row) {
      if (table[row].button == event.button) return static_cast<int>(row);
    }
  } else if (event.type == kMacroMoveX || event.type == kMacroMoveY) {
    const uint8_t typeByte = MacroTypeByte(event);
    for (size_t row = kFirstMoveRow; row < kWheelRow; ++row) {
      if (table[row].typeByte == typeByte) return static_cast<int>(row);
    }
  }
  return -1;
}

std::optional<MacroEvent> MouseActionEvent(size_t row, uint16_t delay) {
  if (row >= kWheelRow) return std::nullopt;
  const MouseAction& action = MouseActionTable()[row];
  return MacroEventOfTypeByte(action.typeByte, action.button, delay);
}

}  // namespace qv
