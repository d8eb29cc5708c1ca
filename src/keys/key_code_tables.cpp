#include "keys/key_code_tables.h"

#include <algorithm>
#include <array>

namespace qv {

namespace {

constexpr std::array<CodeRow, 5> kMouseButtons{{
    {0, {kKindMouseButton, 0x01, 0}, "mouse_key_left"},
    {1, {kKindMouseButton, 0x04, 0}, "mouse_key_middle"},
    {2, {kKindMouseButton, 0x02, 0}, "mouse_key_right"},
    {3, {kKindMouseButton, 0x10, 0}, "mouse_key_forward"},
    {4, {kKindMouseButton, 0x08, 0}, "mouse_key_back"},
}};

// The action codes are the mouse's; these are the names its own DPI keys carry.
constexpr std::array<CodeRow, 3> kDpiActions{{
    {0, {kKindDpi, 1, 0}, "mouse_key_DPI_add"},
    {1, {kKindDpi, 2, 0}, "mouse_key_DPI_sub"},
    {2, {kKindDpi, 3, 0}, "mouse_key_DPI_loop"},
}};

constexpr std::array<CodeRow, 3> kSystem{{
    {0, {kKindSystem, 0x01, 0}, "system_power"},
    {1, {kKindSystem, 0x02, 0}, "system_sleep"},
    {2, {kKindSystem, 0x04, 0}, "system_wake_up"},
}};

// p1 and p2 are the low and high byte of the consumer usage.
constexpr std::array<CodeRow, 18> kMedia{{
    {0, {kKindConsumer, 0x83, 0x01}, "media_text"},
    {1, {kKindConsumer, 0xCD, 0x00}, "media_play"},
    {2, {kKindConsumer, 0xB7, 0x00}, "media_stop"},
    {3, {kKindConsumer, 0xB6, 0x00}, "media_prev"},
    {4, {kKindConsumer, 0xB5, 0x00}, "media_next"},
    {5, {kKindConsumer, 0xEA, 0x00}, "media_vol_sub"},
    {6, {kKindConsumer, 0xE9, 0x00}, "media_vol_add"},
    {7, {kKindConsumer, 0xE2, 0x00}, "media_mute"},
    {8, {kKindConsumer, 0x23, 0x02}, "web_text"},
    {9, {kKindConsumer, 0x27, 0x02}, "web_refresh"},
    {10, {kKindConsumer, 0x26, 0x02}, "wed_stop"},
    {11, {kKindConsumer, 0x24, 0x02}, "wed_back"},
    {12, {kKindConsumer, 0x25, 0x02}, "wed_forward"},
    {13, {kKindConsumer, 0x2A, 0x02}, "wed_favorite"},
    {14, {kKindConsumer, 0x21, 0x02}, "web_search"},
    {15, {kKindConsumer, 0x94, 0x01}, "media_mypc"},
    {16, {kKindConsumer, 0x92, 0x01}, "media_calc"},
    {17, {kKindConsumer, 0x8A, 0x01}, "media_mail"},
}};

// Right Ctrl with O, N, Z, S, C, X, V, F, A, minus, equals.
constexpr std::array<CodeRow, 11> kCombinations{{
    {0, {kKindKey, 0x10, 0x12}, "custem_open"},
    {1, {kKindKey, 0x10, 0x11}, "custem_new"},
    {2, {kKindKey, 0x10, 0x1D}, "custem_undo"},
    {3, {kKindKey, 0x10, 0x16}, "custem_save"},
    {4, {kKindKey, 0x10, 0x06}, "custem_copy"},
    {5, {kKindKey, 0x10, 0x1B}, "custem_cut"},
    {6, {kKindKey, 0x10, 0x19}, "custem_paste"},
    {7, {kKindKey, 0x10, 0x09}, "custem_find"},
    {8, {kKindKey, 0x10, 0x04}, "custem_select_all"},
    {9, {kKindKey, 0x10, 0x2D}, "custem_narrow"},
    {10, {kKindKey, 0x10, 0x2E}, "custem_magnify"},
}};

// Value: the Windows virtual-key code (0 where the key has none). The macro recorder's scan-code
// table runs parallel to rows 0..112, so the order is fixed.
constexpr std::array<CodeRow, kKeyCodeTableSize> kKeyCodes{{
    // 0: LCtrl .. RWin: the modifier bits
    {0xA2, {0x20, 0x01, 0x00}, "keyboard_key_LCtrl"},
    {0xA0, {0x20, 0x02, 0x00}, "keyboard_key_LShift"},
    {0xA4, {0x20, 0x04, 0x00}, "keyboard_key_LAlt"},
    {0x5B, {0x20, 0x08, 0x00}, "keyboard_key_LWin"},
    {0xA3, {0x20, 0x10, 0x00}, "keyboard_key_RCtrl"},
    {0xA1, {0x20, 0x20, 0x00}, "keyboard_key_RShift"},
    {0xA5, {0x20, 0x40, 0x00}, "keyboard_key_RAlt"},
    {0x5C, {0x20, 0x80, 0x00}, "keyboard_key_RWin"},
    // 8: A to Z
    {0x41, {0x20, 0x00, 0x04}, "keyboard_key_A"},
    {0x42, {0x20, 0x00, 0x05}, "keyboard_key_B"},
    {0x43, {0x20, 0x00, 0x06}, "keyboard_key_C"},
    {0x44, {0x20, 0x00, 0x07}, "keyboard_key_D"},
    {0x45, {0x20, 0x00, 0x08}, "keyboard_key_E"},
    {0x46, {0x20, 0x00, 0x09}, "keyboard_key_F"},
    {0x47, {0x20, 0x00, 0x0A}, "keyboard_key_G"},
    {0x48, {0x20, 0x00, 0x0B}, "keyboard_key_H"},
    {0x49, {0x20, 0x00, 0x0C}, "keyboard_key_I"},
    {0x4A, {0x20, 0x00, 0x0D}, "keyboard_key_J"},
    {0x4B, {0x20, 0x00, 0x0E}, "keyboard_key_K"},
    {0x4C, {0x20, 0x00, 0x0F}, "keyboard_key_L"},
    {0x4D, {0x20, 0x00, 0x10}, "keyboard_key_M"},
    {0x4E, {0x20, 0x00, 0x11}, "keyboard_key_N"},
    {0x4F, {0x20, 0x00, 0x12}, "keyboard_key_O"},
    {0x50, {0x20, 0x00, 0x13}, "keyboard_key_P"},
    {0x51, {0x20, 0x00, 0x14}, "keyboard_key_Q"},
    {0x52, {0x20, 0x00, 0x15}, "keyboard_key_R"},
    {0x53, {0x20, 0x00, 0x16}, "keyboard_key_S"},
    {0x54, {0x20, 0x00, 0x17}, "keyboard_key_T"},
    {0x55, {0x20, 0x00, 0x18}, "keyboard_key_U"},
    {0x56, {0x20, 0x00, 0x19}, "keyboard_key_V"},
    {0x57, {0x20, 0x00, 0x1A}, "keyboard_key_W"},
    {0x58, {0x20, 0x00, 0x1B}, "keyboard_key_X"},
    {0x59, {0x20, 0x00, 0x1C}, "keyboard_key_Y"},
    {0x5A, {0x20, 0x00, 0x1D}, "keyboard_key_Z"},
    // 34: 1 to 9, 0
    {0x31, {0x20, 0x00, 0x1E}, "keyboard_key_1"},
    {0x32, {0x20, 0x00, 0x1F}, "keyboard_key_2"},
    {0x33, {0x20, 0x00, 0x20}, "keyboard_key_3"},
    {0x34, {0x20, 0x00, 0x21}, "keyboard_key_4"},
    {0x35, {0x20, 0x00, 0x22}, "keyboard_key_5"},
    {0x36, {0x20, 0x00, 0x23}, "keyboard_key_6"},
    {0x37, {0x20, 0x00, 0x24}, "keyboard_key_7"},
    {0x38, {0x20, 0x00, 0x25}, "keyboard_key_8"},
    {0x39, {0x20, 0x00, 0x26}, "keyboard_key_9"},
    {0x30, {0x20, 0x00, 0x27}, "keyboard_key_0"},
    // 44: Enter, Esc, BackSpace, Tab, Space
    {0x0D, {0x20, 0x00, 0x28}, "keyboard_key_Enter"},
    {0x1B, {0x20, 0x00, 0x29}, "keyboard_key_Esc"},
    {0x08, {0x20, 0x00, 0x2A}, "keyboard_key_BackSpace"},
    {0x09, {0x20, 0x00, 0x2B}, "keyboard_key_Tab"},
    {0x20, {0x20, 0x00, 0x2C}, "keyboard_key_Space"},
    // 49: -, =, [, ], backslash
    {0xBD, {0x20, 0x00, 0x2D}, "keyboard_key_-"},
    {0xBB, {0x20, 0x00, 0x2E}, "keyboard_key_="},
    {0xDB, {0x20, 0x00, 0x2F}, "keyboard_key_["},
    {0xDD, {0x20, 0x00, 0x30}, "keyboard_key_]"},
    {0xDC, {0x20, 0x00, 0x31}, "keyboard_key_xiegang"},
    // 54: ;, ', `, comma, ., /
    {0xBA, {0x20, 0x00, 0x33}, "keyboard_key_;"},
    {0xDE, {0x20, 0x00, 0x34}, "keyboard_key_'"},
    {0xC0, {0x20, 0x00, 0x35}, "keyboard_key_`"},
    {0xBC, {0x20, 0x00, 0x36}, "keyboard_key_<"},
    {0xBE, {0x20, 0x00, 0x37}, "keyboard_key_."},
    {0xBF, {0x20, 0x00, 0x38}, "keyboard_key_/"},
    // 60: Caps Lock
    {0x14, {0x20, 0x00, 0x39}, "keyboard_key_Caplk"},
    // 61: F1 to F12
    {0x70, {0x20, 0x00, 0x3A}, "keyboard_key_F1"},
    {0x71, {0x20, 0x00, 0x3B}, "keyboard_key_F2"},
    {0x72, {0x20, 0x00, 0x3C}, "keyboard_key_F3"},
    {0x73, {0x20, 0x00, 0x3D}, "keyboard_key_F4"},
    {0x74, {0x20, 0x00, 0x3E}, "keyboard_key_F5"},
    {0x75, {0x20, 0x00, 0x3F}, "keyboard_key_F6"},
    {0x76, {0x20, 0x00, 0x40}, "keyboard_key_F7"},
    {0x77, {0x20, 0x00, 0x41}, "keyboard_key_F8"},
    {0x78, {0x20, 0x00, 0x42}, "keyboard_key_F9"},
    {0x79, {0x20, 0x00, 0x43}, "keyboard_key_F10"},
    {0x7A, {0x20, 0x00, 0x44}, "keyboard_key_F11"},
    {0x7B, {0x20, 0x00, 0x45}, "keyboard_key_F12"},
    // 73: Print Screen, Scroll Lock, Pause
    {0x2C, {0x20, 0x00, 0x46}, "keyboard_key_Print Scr"},
    {0x91, {0x20, 0x00, 0x47}, "keyboard_key_Scroll Lock"},
    {0x13, {0x20, 0x00, 0x48}, "keyboard_key_Pause"},
    // 76: navigation keys and arrows
    {0x2D, {0x20, 0x00, 0x49}, "keyboard_key_Insert"},
    {0x24, {0x20, 0x00, 0x4A}, "keyboard_key_Home"},
    {0x21, {0x20, 0x00, 0x4B}, "keyboard_key_Page Up"},
    {0x2E, {0x20, 0x00, 0x4C}, "keyboard_key_Delete"},
    {0x23, {0x20, 0x00, 0x4D}, "keyboard_key_End"},
    {0x22, {0x20, 0x00, 0x4E}, "keyboard_key_Page Down"},
    {0x27, {0x20, 0x00, 0x4F}, "keyboard_key_Right"},
    {0x25, {0x20, 0x00, 0x50}, "keyboard_key_Left"},
    {0x28, {0x20, 0x00, 0x51}, "keyboard_key_Down"},
    {0x26, {0x20, 0x00, 0x52}, "keyboard_key_Up"},
    // 86: number pad operators
    {0x90, {0x20, 0x00, 0x53}, "keyboard_key_Num Lock"},
    {0x6F, {0x20, 0x00, 0x54}, "keyboard_key_Num /"},
    {0x6A, {0x20, 0x00, 0x55}, "keyboard_key_Num *"},
    {0x6D, {0x20, 0x00, 0x56}, "keyboard_key_Num -"},
    {0x6B, {0x20, 0x00, 0x57}, "keyboard_key_Num +"},
    {0x101, {0x20, 0x00, 0x58}, "keyboard_key_Num Enter"},
    // 92: number pad digits and decimal point
    {0x61, {0x20, 0x00, 0x59}, "keyboard_key_Num 1"},
    {0x62, {0x20, 0x00, 0x5A}, "keyboard_key_Num 2"},
    {0x63, {0x20, 0x00, 0x5B}, "keyboard_key_Num 3"},
    {0x64, {0x20, 0x00, 0x5C}, "keyboard_key_Num 4"},
    {0x65, {0x20, 0x00, 0x5D}, "keyboard_key_Num 5"},
    {0x66, {0x20, 0x00, 0x5E}, "keyboard_key_Num 6"},
    {0x67, {0x20, 0x00, 0x5F}, "keyboard_key_Num 7"},
    {0x68, {0x20, 0x00, 0x60}, "keyboard_key_Num 8"},
    {0x69, {0x20, 0x00, 0x61}, "keyboard_key_Num 9"},
    {0x60, {0x20, 0x00, 0x62}, "keyboard_key_Num 0"},
    {0x6E, {0x20, 0x00, 0x63}, "keyboard_key_Decimal"},
    // 103: application key
    {0x5D, {0x20, 0x00, 0x65}, "keyboard_key_App"},
    // 104: keys of other layouts
    {0xE2, {0x20, 0x00, 0x64}, "keyboard_key_K45"},
    {0xC1, {0x20, 0x00, 0x87}, "keyboard_key_K56"},
    {0xFF, {0x20, 0x00, 0x89}, "keyboard_key_K14"},
    {0xC2, {0x20, 0x00, 0x85}, "keyboard_key_K107"},
    {0xEB, {0x20, 0x00, 0x8B}, "keyboard_key_K131"},
    {0xFF, {0x20, 0x00, 0x8A}, "keyboard_key_K132"},
    {0xFF, {0x20, 0x00, 0x88}, "keyboard_key_K133"},
    {0xE9, {0x20, 0x00, 0x91}, "keyboard_key_K150"},
    {0xFF, {0x20, 0x00, 0x90}, "keyboard_key_K151"},
    {0xBF, {0x20, 0x00, 0x32}, "keyboard_key_K42"},
    // 114: media and browser keys: consumer usages
    {0xB7, {0x30, 0x92, 0x01}, "keyboard_key_Launch App2"},
    {0xAC, {0x30, 0x23, 0x02}, "keyboard_key_Browaer Home"},
    {0xB3, {0x30, 0xCD, 0x00}, "keyboard_key_Media Play Pause"},
    {0xAA, {0x30, 0x21, 0x02}, "keyboard_key_Browser Search"},
    {0xB4, {0x30, 0x8A, 0x01}, "keyboard_key_Launch Mail"},
    {0xAF, {0x30, 0xE9, 0x00}, "keyboard_key_Volume Up"},
    {0xAD, {0x30, 0xE2, 0x00}, "keyboard_key_Volume Mute"},
    {0xB2, {0x30, 0xB7, 0x00}, "keyboard_key_Media Stop"},
    {0xAE, {0x30, 0xEA, 0x00}, "keyboard_key_Volume Down"},
    {0xAB, {0x30, 0x2A, 0x02}, "keyboard_key_Browser Favorites"},
    {0xA7, {0x30, 0x25, 0x02}, "keyboard_key_Browser ForWard"},
    {0xA6, {0x30, 0x24, 0x02}, "keyboard_key_Browser Back"},
    {0xB1, {0x30, 0xB6, 0x00}, "keyboard_key_Media Prev Track"},
    {0xB0, {0x30, 0xB5, 0x00}, "keyboard_key_Media Next Track"},
    {0xB6, {0x30, 0x94, 0x01}, "keyboard_key_Computer"},
    {0xA8, {0x30, 0x27, 0x02}, "keyboard_key_Browser Refresh"},
    {0xA9, {0x30, 0x26, 0x02}, "wed_stop"},
    {0xB5, {0x30, 0x83, 0x01}, "keyboard_key_Launch Media Select"},
    // 132: system control
    {0x103, {0x40, 0x01, 0x00}, "keyboard_key_Power"},
    {0x104, {0x40, 0x02, 0x00}, "keyboard_key_Sleep"},
    {0x105, {0x40, 0x04, 0x00}, "keyboard_key_Wakeup"},
    // 135: M1 to M5
    {0x00, {0xD0, 0xA2, 0x01}, "keyboard_key_M1"},
    {0x00, {0xD0, 0xA2, 0x02}, "keyboard_key_M2"},
    {0x00, {0xD0, 0xA2, 0x03}, "keyboard_key_M3"},
    {0x00, {0xD0, 0xA2, 0x04}, "keyboard_key_M4"},
    {0x00, {0xD0, 0xA2, 0x05}, "keyboard_key_M5"},
    // 140: FN, GM
    {0x00, {0xA0, 0x01, 0x00}, "keyboard_key_FN"},
    {0x00, {0xA0, 0x1B, 0x00}, "keyboard_key_GM"},
}};

// The text ids by which codes and macro events are shown, numbered as the rest of the program
// refers to them; 64..205 are the key code rows.
constexpr std::array<std::string_view, kKeyCodeTextIdBase> kTextIdsHead{{
    // 0: the combination rows, then nine of them again
    "custem_open",
    "custem_new",
    "custem_undo",
    "custem_save",
    "custem_copy",
    "custem_cut",
    "custem_paste",
    "custem_find",
    "custem_select_all",
    "custem_narrow",
    "custem_magnify",
    "custem_cut",
    "custem_copy",
    "custem_paste",
    "custem_undo",
    "custem_select_all",
    "custem_find",
    "custem_new",
    "custem_save",
    "custem_open",
    // 20: the mouse button rows
    "mouse_key_left",
    "mouse_key_middle",
    "mouse_key_right",
    "mouse_key_forward",
    "mouse_key_back",
    // 25
    "mouse_key_fire_key",
    "mouse_key_shortcut_key",
    "win_key_text",
    "mouse_key_smart_key",
    "close_text",
    // 30
    "mouse_key_DPI_loop",
    "mouse_key_DPI_add",
    "mouse_key_DPI_sub",
    "mouse_key_DPI_shift",
    "show_window",
    // 35: the system rows
    "system_power",
    "system_sleep",
    "system_wake_up",
    // 38: the media rows
    "media_text",
    "media_play",
    "media_stop",
    "media_prev",
    "media_next",
    "media_vol_sub",
    "media_vol_add",
    "media_mute",
    "web_text",
    "web_refresh",
    "wed_stop",
    "wed_back",
    "wed_forward",
    "wed_favorite",
    "web_search",
    "media_mypc",
    "media_calc",
    "media_mail",
    // 56
    "mouse_key_fire_key",
    "mouse_key_DPI_add",
    "mouse_key_DPI_sub",
    "mouse_key_DPI_loop",
    "mouse_key_up_Swing",
    "mouse_key_down_Swing",
    "mouse_key_left_Swing",
    "mouse_key_right_Swing",
}};

constexpr std::array<std::string_view, kTextIdTableSize - kKeyCodeTextIdBase - kKeyCodeTableSize>
    kTextIdsTail{{
        // 206
        "keyboard_key_COLOR",
        // 207: mouse buttons, then twice each for the button events of macros
        "mouse_key_left",
        "mouse_key_middle",
        "mouse_key_right",
        "mouse_key_forward",
        "mouse_key_back",
        "mouse_key_left",
        "mouse_key_left",
        "mouse_key_right",
        "mouse_key_right",
        "mouse_key_middle",
        "mouse_key_middle",
        "mouse_key_forward",
        "mouse_key_forward",
        "mouse_key_back",
        "mouse_key_back",
        // 222
        "mouse_move_to_left_text",
        "mouse_move_to_right_text",
        "mouse_move_to_up_text",
        "mouse_move_to_down_text",
        "mouse_cursor_text",
        "mouse_text",
    }};

constexpr std::array<std::string_view, kTextIdTableSize> kTextIds = [] {
  std::array<std::string_view, kTextIdTableSize> ids{};
  size_t n = 0;
  for (std::string_view id : kTextIdsHead) ids[n++] = id;
  for (const CodeRow& row : kKeyCodes) ids[n++] = row.textId;
  for (std::string_view id : kTextIdsTail) ids[n++] = id;
  return ids;
}();

constexpr std::string_view kOffTextId = "close_text";
constexpr std::string_view kFireTextId = "mouse_key_fire_key";
constexpr std::string_view kShortcutTextId = "mouse_key_shortcut_key";
// Swing moves the pointer sideways, the wheel scrolls up and down.
constexpr std::string_view kSwingTextIds[2] = {"mouse_key_left_Swing", "mouse_key_right_Swing"};
constexpr std::string_view kWheelTextIds[2] = {"mouse_key_up_Swing", "mouse_key_down_Swing"};

void AddRowName(std::span<const CodeRow> table, const KeyFunction& code, KeyFunctionName& name) {
  if (const auto row = FindRowByParams(table, code.first, code.second)) {
    name.textIds.push_back(table[*row].textId);
  }
}

void AddKeyboardName(const KeyFunction& code, KeyFunctionName& name) {
  if (const auto row = FindRowByParams(kCombinations, code.first, code.second)) {
    name.textIds.push_back(kCombinations[*row].textId);
    return;
  }
  for (size_t row = 0; row < kFirstPlainKeyRow; ++row) {
    if (code.first & kKeyCodes[row].function.first) name.textIds.push_back(kKeyCodes[row].textId);
  }
  if (const auto row = KeyRowOfUsage(code.second)) name.textIds.push_back(kKeyCodes[*row].textId);
  if (name.textIds.empty()) name.textIds.push_back(kOffTextId);
}

}  // namespace

std::span<const CodeRow> MouseButtonTable() {
  return kMouseButtons;
}
std::span<const CodeRow> DpiTable() {
  return kDpiActions;
}
std::span<const CodeRow> MediaTable() {
  return kMedia;
}
std::span<const CodeRow> SystemTable() {
  return kSystem;
}
std::span<const CodeRow> CombinationTable() {
  return kCombinations;
}
std::span<const CodeRow> KeyCodeTable() {
  return kKeyCodes;
}
std::span<const std::string_view> TextIdTable() {
  return kTextIds;
}

std::span<const CodeRow> CategoryTable(KeyCategory category) {
  switch (category) {
    case KeyCategory::kMouseButton:
      return kMouseButtons;
    case KeyCategory::kDpi:
      return kDpiActions;
    case KeyCategory::kMedia:
      return kMedia;
    case KeyCategory::kSystem:
      return kSystem;
    case KeyCategory::kCombination:
      return kCombinations;
    default:
      return {};
  }
}

std::optional<size_t> FindRowByParams(std::span<const CodeRow> table, uint8_t p1, uint8_t p2) {
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].function.first == p1 && table[i].function.second == p2) return i;
  }
  return std::nullopt;
}

std::optional<size_t> FindKeyCodeRow(const KeyFunction& code, size_t firstRow, size_t endRow) {
  endRow = std::min(endRow, kKeyCodes.size());
  for (size_t i = firstRow; i < endRow; ++i) {
    if (kKeyCodes[i].function == code) return i;
  }
  return std::nullopt;
}

std::optional<size_t> KeyRowOfUsage(uint8_t usage) {
  if (usage == 0) return std::nullopt;
  return FindKeyCodeRow({kKindKey, 0, usage}, kFirstPlainKeyRow);
}

std::optional<size_t> ModifierRowOfBit(uint8_t bit) {
  return FindKeyCodeRow({kKindKey, bit, 0}, 0, kFirstPlainKeyRow);
}

KeyFunctionName NameOfKeyFunction(const KeyFunction& code) {
  KeyFunctionName name;
  switch (code.kind) {
    case kKindNone:
      name.textIds.push_back(kOffTextId);
      break;
    case kKindMouseButton:
      AddRowName(kMouseButtons, code, name);
      break;
    case kKindMouseSwing:
      name.textIds.push_back(kSwingTextIds[SwingFields(code).secondDirection ? 1 : 0]);
      break;
    case kKindMouseWheel:
      name.textIds.push_back(kWheelTextIds[WheelFields(code).secondDirection ? 1 : 0]);
      break;
    case kKindDpi:
      AddRowName(kDpiActions, code, name);
      break;
    case kKindFire:
      name.textIds.push_back(kFireTextId);
      break;
    case kKindKey:
      AddKeyboardName(code, name);
      break;
    case kKindConsumer:
      AddRowName(kMedia, code, name);
      break;
    case kKindSystem:
      AddRowName(kSystem, code, name);
      break;
    case kKindMacroEndMode:
    case kKindMacroRepeat:
      name.macroIndex = code.first;
      break;
    case kKindGunKey:
      name.gunKey = code.first;
      break;
    case kKindShortcut:
      name.textIds.push_back(kShortcutTextId);
      break;
    case kKindSpecialKey:
    case kKindMKey:
      if (const auto row = FindKeyCodeRow(code)) name.textIds.push_back(kKeyCodes[*row].textId);
      break;
    default:
      break;
  }
  return name;
}

}  // namespace qv
