#include "keys/key_code_tables.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace qv {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;
using Ids = std::vector<std::string_view>;

std::string Show(const KeyFunction& f) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X %02X %02X", f.kind, f.first, f.second);
  return text;
}

struct Row {
  uint16_t value;
  KeyFunction function;
  std::string_view textId;
};

void ExpectRows(std::span<const CodeRow> table, const std::vector<Row>& rows) {
  ASSERT_EQ(table.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(table[i].value, rows[i].value) << "row " << i;
    EXPECT_EQ(table[i].function, rows[i].function)
        << "row " << i << ": " << Show(table[i].function);
    EXPECT_EQ(table[i].textId, rows[i].textId) << "row " << i;
  }
}

// ---- category tables ----------------------------------------------------------------------

TEST(CategoryTablesTest, RowsInOrder) {
  ExpectRows(MouseButtonTable(), {{0, {0x10, 0x01, 0}, "mouse_key_left"},
                                  {1, {0x10, 0x04, 0}, "mouse_key_middle"},
                                  {2, {0x10, 0x02, 0}, "mouse_key_right"},
                                  {3, {0x10, 0x10, 0}, "mouse_key_forward"},
                                  {4, {0x10, 0x08, 0}, "mouse_key_back"}});
  ExpectRows(DpiTable(), {{0, {0x13, 1, 0}, "mouse_key_DPI_add"},
                          {1, {0x13, 2, 0}, "mouse_key_DPI_sub"},
                          {2, {0x13, 3, 0}, "mouse_key_DPI_loop"}});
  ExpectRows(SystemTable(), {{0, {0x40, 0x01, 0}, "system_power"},
                             {1, {0x40, 0x02, 0}, "system_sleep"},
                             {2, {0x40, 0x04, 0}, "system_wake_up"}});

  const uint16_t usages[] = {0x0183, 0x00CD, 0x00B7, 0x00B6, 0x00B5, 0x00EA,
                             0x00E9, 0x00E2, 0x0223, 0x0227, 0x0226, 0x0224,
                             0x0225, 0x022A, 0x0221, 0x0194, 0x0192, 0x018A};
  const char* mediaNames[] = {
      "media_text",    "media_play",   "media_stop", "media_prev",  "media_next", "media_vol_sub",
      "media_vol_add", "media_mute",   "web_text",   "web_refresh", "wed_stop",   "wed_back",
      "wed_forward",   "wed_favorite", "web_search", "media_mypc",  "media_calc", "media_mail"};
  std::vector<Row> media;
  for (size_t i = 0; i < std::size(usages); ++i) {
    media.push_back(
        {static_cast<uint16_t>(i),
         {0x30, static_cast<uint8_t>(usages[i] & 0xFF), static_cast<uint8_t>(usages[i] >> 8)},
         mediaNames[i]});
  }
  ExpectRows(MediaTable(), media);

  const uint8_t letters[] = {0x12, 0x11, 0x1D, 0x16, 0x06, 0x1B, 0x19, 0x09, 0x04, 0x2D, 0x2E};
  const char* comboNames[] = {"custem_open",       "custem_new",    "custem_undo",   "custem_save",
                              "custem_copy",       "custem_cut",    "custem_paste",  "custem_find",
                              "custem_select_all", "custem_narrow", "custem_magnify"};
  std::vector<Row> combos;
  for (size_t i = 0; i < std::size(letters); ++i) {
    combos.push_back({static_cast<uint16_t>(i), {0x20, 0x10, letters[i]}, comboNames[i]});
  }
  ExpectRows(CombinationTable(), combos);

  EXPECT_EQ(CategoryTable(KeyCategory::kMouseButton).data(), MouseButtonTable().data());
  EXPECT_EQ(CategoryTable(KeyCategory::kDpi).data(), DpiTable().data());
  EXPECT_EQ(CategoryTable(KeyCategory::kMedia).data(), MediaTable().data());
  EXPECT_EQ(CategoryTable(KeyCategory::kSystem).data(), SystemTable().data());
  EXPECT_EQ(CategoryTable(KeyCategory::kCombination).data(), CombinationTable().data());
  EXPECT_TRUE(CategoryTable(KeyCategory::kKeyboardKey).empty());
  EXPECT_TRUE(CategoryTable(KeyCategory::kMacro).empty());
}

// ---- key code table -----------------------------------------------------------------------

// The table in the groups it is documented in: names (text id "keyboard_key_" + name, or the
// whole id after '@'), virtual-key codes, kind, and p1/p2 either listed or counting up.
struct Group {
  size_t firstRow;
  std::vector<std::string> names;
  std::vector<uint16_t> vks;
  uint8_t kind;
  std::vector<uint8_t> p1;  // one value: the same for every row
  std::vector<uint8_t> p2;  // one value with countUp: the first of consecutive values
  bool countUp = false;
};

std::vector<std::string> Span(char first, char last) {
  std::vector<std::string> names;
  for (char c = first; c <= last; ++c) names.push_back(std::string(1, c));
  return names;
}

std::vector<std::string> Numbered(const std::string& prefix, int first, int last) {
  std::vector<std::string> names;
  for (int i = first; i <= last; ++i) names.push_back(prefix + std::to_string(i));
  return names;
}

std::vector<uint16_t> Range(uint16_t first, uint16_t last) {
  std::vector<uint16_t> v;
  for (int i = first; i <= last; ++i) v.push_back(static_cast<uint16_t>(i));
  return v;
}

template <class T>
std::vector<T> Join(std::vector<T> a, const std::vector<T>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<Group> KeyCodeGroups() {
  const std::vector<uint16_t> consumer = {0x0192, 0x0223, 0x00CD, 0x0221, 0x018A, 0x00E9,
                                          0x00E2, 0x00B7, 0x00EA, 0x022A, 0x0225, 0x0224,
                                          0x00B6, 0x00B5, 0x0194, 0x0227, 0x0226, 0x0183};
  std::vector<uint8_t> low, high;
  for (uint16_t u : consumer) {
    low.push_back(static_cast<uint8_t>(u & 0xFF));
    high.push_back(static_cast<uint8_t>(u >> 8));
  }
  return {
      {0,
       {"LCtrl", "LShift", "LAlt", "LWin", "RCtrl", "RShift", "RAlt", "RWin"},
       {0xA2, 0xA0, 0xA4, 0x5B, 0xA3, 0xA1, 0xA5, 0x5C},
       0x20,
       {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},
       {0}},
      {8, Span('A', 'Z'), Range(0x41, 0x5A), 0x20, {0}, {0x04}, true},
      {34, Join(Span('1', '9'), {"0"}), Join(Range(0x31, 0x39), {0x30}), 0x20, {0}, {0x1E}, true},
      {44,
       {"Enter", "Esc", "BackSpace", "Tab", "Space"},
       {0x0D, 0x1B, 0x08, 0x09, 0x20},
       0x20,
       {0},
       {0x28},
       true},
      {49,
       {"-", "=", "[", "]", "xiegang"},
       {0xBD, 0xBB, 0xDB, 0xDD, 0xDC},
       0x20,
       {0},
       {0x2D},
       true},
      {54,
       {";", "'", "`", "<", ".", "/"},
       {0xBA, 0xDE, 0xC0, 0xBC, 0xBE, 0xBF},
       0x20,
       {0},
       {0x33},
       true},
      {60, {"Caplk"}, {0x14}, 0x20, {0}, {0x39}, true},
      {61, Numbered("F", 1, 12), Range(0x70, 0x7B), 0x20, {0}, {0x3A}, true},
      {73, {"Print Scr", "Scroll Lock", "Pause"}, {0x2C, 0x91, 0x13}, 0x20, {0}, {0x46}, true},
      {76,
       {"Insert", "Home", "Page Up", "Delete", "End", "Page Down", "Right", "Left", "Down", "Up"},
       {0x2D, 0x24, 0x21, 0x2E, 0x23, 0x22, 0x27, 0x25, 0x28, 0x26},
       0x20,
       {0},
       {0x49},
       true},
      {86,
       {"Num Lock", "Num /", "Num *", "Num -", "Num +", "Num Enter"},
       {0x90, 0x6F, 0x6A, 0x6D, 0x6B, 0x101},
       0x20,
       {0},
       {0x53},
       true},
      {92,
       Join(Numbered("Num ", 1, 9), {"Num 0", "Decimal"}),
       Join(Range(0x61, 0x69), {0x60, 0x6E}),
       0x20,
       {0},
       {0x59},
       true},
      {103, {"App"}, {0x5D}, 0x20, {0}, {0x65}, true},
      {104,
       {"K45", "K56", "K14", "K107", "K131", "K132", "K133", "K150", "K151", "K42"},
       {0xE2, 0xC1, 0xFF, 0xC2, 0xEB, 0xFF, 0xFF, 0xE9, 0xFF, 0xBF},
       0x20,
       {0},
       {0x64, 0x87, 0x89, 0x85, 0x8B, 0x8A, 0x88, 0x91, 0x90, 0x32}},
      {114,
       {"Launch App2", "Browaer Home", "Media Play Pause", "Browser Search", "Launch Mail",
        "Volume Up", "Volume Mute", "Media Stop", "Volume Down", "Browser Favorites",
        "Browser ForWard", "Browser Back", "Media Prev Track", "Media Next Track", "Computer",
        "Browser Refresh", "@wed_stop", "Launch Media Select"},
       {0xB7, 0xAC, 0xB3, 0xAA, 0xB4, 0xAF, 0xAD, 0xB2, 0xAE, 0xAB, 0xA7, 0xA6, 0xB1, 0xB0, 0xB6,
        0xA8, 0xA9, 0xB5},
       0x30,
       low,
       high},
      {132, {"Power", "Sleep", "Wakeup"}, {0x103, 0x104, 0x105}, 0x40, {0x01, 0x02, 0x04}, {0}},
      {135, Numbered("M", 1, 5), {0, 0, 0, 0, 0}, 0xD0, {0xA2}, {1}, true},
      {140, {"FN", "GM"}, {0, 0}, 0xA0, {0x01, 0x1B}, {0}},
  };
}

TEST(KeyCodeTableTest, EveryRowAsDocumented) {
  std::vector<Row> rows;
  std::vector<std::string> ids;  // keeps the text ids alive for the string_views
  ids.reserve(kKeyCodeTableSize);
  for (const Group& g : KeyCodeGroups()) {
    ASSERT_EQ(g.firstRow, rows.size()) << "group " << g.names.front();
    ASSERT_EQ(g.vks.size(), g.names.size()) << g.names.front();
    for (size_t i = 0; i < g.names.size(); ++i) {
      const std::string& n = g.names[i];
      ids.push_back(n[0] == '@' && n.size() > 1 ? n.substr(1) : "keyboard_key_" + n);
      const uint8_t p1 = g.p1.size() == 1 ? g.p1[0] : g.p1.at(i);
      const uint8_t p2 =
          g.countUp ? static_cast<uint8_t>(g.p2[0] + i) : (g.p2.size() == 1 ? g.p2[0] : g.p2.at(i));
      rows.push_back({g.vks[i], {g.kind, p1, p2}, ids.back()});
    }
  }
  ASSERT_EQ(rows.size(), kKeyCodeTableSize);
  ExpectRows(KeyCodeTable(), rows);
  // Spot checks of the naming as written.
  EXPECT_EQ(KeyCodeTable()[8].textId, "keyboard_key_A");
  EXPECT_EQ(KeyCodeTable()[53].textId, "keyboard_key_xiegang");
  EXPECT_EQ(KeyCodeTable()[57].textId, "keyboard_key_<");
  EXPECT_EQ(KeyCodeTable()[130].textId, "wed_stop");
}

TEST(TextIdTableTest, LayoutAroundTheKeyCodeRows) {
  const auto ids = TextIdTable();
  ASSERT_EQ(ids.size(), kTextIdTableSize);
  auto slice = [&](size_t first, size_t count) {
    return Ids(ids.begin() + static_cast<std::ptrdiff_t>(first),
               ids.begin() + static_cast<std::ptrdiff_t>(first + count));
  };
  auto names = [](std::span<const CodeRow> table) {
    Ids v;
    for (const CodeRow& r : table) v.push_back(r.textId);
    return v;
  };
  EXPECT_EQ(slice(0, 11), names(CombinationTable()));
  EXPECT_THAT(slice(11, 9), ElementsAre("custem_cut", "custem_copy", "custem_paste", "custem_undo",
                                        "custem_select_all", "custem_find", "custem_new",
                                        "custem_save", "custem_open"));
  EXPECT_EQ(slice(20, 5), names(MouseButtonTable()));
  EXPECT_THAT(
      slice(25, 10),
      ElementsAre("mouse_key_fire_key", "mouse_key_shortcut_key", "win_key_text",
                  "mouse_key_smart_key", "close_text", "mouse_key_DPI_loop", "mouse_key_DPI_add",
                  "mouse_key_DPI_sub", "mouse_key_DPI_shift", "show_window"));
  EXPECT_EQ(slice(35, 3), names(SystemTable()));
  EXPECT_EQ(slice(38, 18), names(MediaTable()));
  EXPECT_THAT(slice(56, 8),
              ElementsAre("mouse_key_fire_key", "mouse_key_DPI_add", "mouse_key_DPI_sub",
                          "mouse_key_DPI_loop", "mouse_key_up_Swing", "mouse_key_down_Swing",
                          "mouse_key_left_Swing", "mouse_key_right_Swing"));
  EXPECT_EQ(slice(kKeyCodeTextIdBase, kKeyCodeTableSize), names(KeyCodeTable()));
  EXPECT_EQ(ids[206], "keyboard_key_COLOR");
  EXPECT_EQ(slice(207, 5), names(MouseButtonTable()));
  EXPECT_THAT(slice(212, 10),
              ElementsAre("mouse_key_left", "mouse_key_left", "mouse_key_right", "mouse_key_right",
                          "mouse_key_middle", "mouse_key_middle", "mouse_key_forward",
                          "mouse_key_forward", "mouse_key_back", "mouse_key_back"));
  EXPECT_THAT(slice(222, 6), ElementsAre("mouse_move_to_left_text", "mouse_move_to_right_text",
                                         "mouse_move_to_up_text", "mouse_move_to_down_text",
                                         "mouse_cursor_text", "mouse_text"));
}

// ---- lookups ------------------------------------------------------------------------------

TEST(LookupTest, RowsByParamsUsageAndModifier) {
  // Category tables match p1 and p2 only.
  EXPECT_EQ(FindRowByParams(MouseButtonTable(), 0x02, 0), 2u);
  EXPECT_EQ(FindRowByParams(MediaTable(), 0x26, 0x02), 10u);
  EXPECT_EQ(FindRowByParams(MediaTable(), 0x26, 0x03), std::nullopt);
  EXPECT_EQ(FindRowByParams({}, 0, 0), std::nullopt);
  // The key code table compares the kind too: FN and power are not left Ctrl.
  EXPECT_EQ(FindKeyCodeRow({kKindSpecialKey, 0x01, 0}), 140u);
  EXPECT_EQ(FindKeyCodeRow({kKindSystem, 0x01, 0}), 132u);
  EXPECT_EQ(FindKeyCodeRow({kKindKey, 0x01, 0}), 0u);
  EXPECT_EQ(FindKeyCodeRow({kKindKey, 0x01, 0}, 1), std::nullopt);
  EXPECT_EQ(FindKeyCodeRow({kKindKey, 0, 0x04}, 0, 1000), 8u);
  EXPECT_EQ(FindKeyCodeRow({kKindKey, 0, 0x04}, 500), std::nullopt);

  EXPECT_EQ(KeyRowOfUsage(0x29), 45u);
  EXPECT_EQ(KeyRowOfUsage(0x32), 113u);
  EXPECT_EQ(KeyRowOfUsage(0x00), std::nullopt);
  EXPECT_EQ(KeyRowOfUsage(0xFF), std::nullopt);
  for (size_t bit = 0; bit < 8; ++bit) {
    EXPECT_EQ(ModifierRowOfBit(static_cast<uint8_t>(1u << bit)), bit);
  }
  EXPECT_EQ(ModifierRowOfBit(0x03), std::nullopt);
  EXPECT_EQ(ModifierRowOfBit(0), std::nullopt);
}

// ---- names --------------------------------------------------------------------------------

TEST(NameTest, CodesOfEveryKind) {
  struct Case {
    KeyFunction code;
    Ids ids;
  };
  const Case cases[] = {
      {{kKindKey, 0x00, 0x04}, {"keyboard_key_A"}},
      {{kKindKey, 0x04, 0x04}, {"keyboard_key_LAlt", "keyboard_key_A"}},
      {{kKindKey, 0x02, 0x00}, {"keyboard_key_LShift"}},
      {{kKindKey, 0x20, 0x00}, {"keyboard_key_RShift"}},
      {{kKindKey, 0x10, 0x06}, {"custem_copy"}},
      {{kKindKey, 0x10, 0x07}, {"keyboard_key_RCtrl", "keyboard_key_D"}},
      {{kKindKey, 0x03, 0x1E}, {"keyboard_key_LCtrl", "keyboard_key_LShift", "keyboard_key_1"}},
      {{kKindKey, 0x00, 0x00}, {"close_text"}},
      {{kKindKey, 0x00, 0xFF}, {"close_text"}},
      {kNoFunction, {"close_text"}},
      {{kKindSpecialKey, 0x01, 0}, {"keyboard_key_FN"}},
      {{kKindSpecialKey, 0x1B, 0}, {"keyboard_key_GM"}},
      {{kKindSpecialKey, 0x24, 0}, {}},
      {{kKindMKey, 0xA2, 0x03}, {"keyboard_key_M3"}},
      {{kKindMKey, 0xA2, 0x06}, {}},
      {{kKindSystem, 0x01, 0}, {"system_power"}},
      {{kKindSystem, 0x08, 0}, {}},
      {{kKindConsumer, 0xCD, 0x00}, {"media_play"}},
      {{kKindConsumer, 0x26, 0x02}, {"wed_stop"}},
      {{kKindMouseButton, 0x04, 0}, {"mouse_key_middle"}},
      {{kKindMouseButton, 0x03, 0}, {}},
      {{kKindDpi, 2, 0}, {"mouse_key_DPI_sub"}},
      {{kKindMouseSwing, 0x11, 0x05}, {"mouse_key_left_Swing"}},
      {{kKindMouseSwing, 0x11, 0x85}, {"mouse_key_right_Swing"}},
      {{kKindMouseWheel, 0x11, 0x05}, {"mouse_key_up_Swing"}},
      {{kKindMouseWheel, 0x11, 0xFB}, {"mouse_key_down_Swing"}},
      {{kKindFire, 120, 2}, {"mouse_key_fire_key"}},
      {{kKindShortcut, 1, 2}, {"mouse_key_shortcut_key"}},
      {{kKindMouseFactory, 0x90, 0x01}, {}},
      {{0x55, 0x01, 0x00}, {}},
  };
  for (const Case& c : cases) {
    const KeyFunctionName name = NameOfKeyFunction(c.code);
    EXPECT_THAT(name.textIds, ElementsAreArray(c.ids)) << Show(c.code);
    EXPECT_EQ(name.macroIndex, std::nullopt) << Show(c.code);
    EXPECT_EQ(name.gunKey, std::nullopt) << Show(c.code);
  }
}

TEST(NameTest, MacrosAndGunKeysAreNamedByNumber) {
  EXPECT_EQ(NameOfKeyFunction({kKindMacroEndMode, 4, 2}), (KeyFunctionName{{}, 4, {}}));
  EXPECT_EQ(NameOfKeyFunction({kKindMacroRepeat, 0, 9}), (KeyFunctionName{{}, 0, {}}));
  EXPECT_EQ(NameOfKeyFunction({kKindGunKey, 3, 0}), (KeyFunctionName{{}, {}, 3}));
}

TEST(NameTest, EveryFactoryKeyOfTheKeyboardHasAName) {
  // The key buttons' tooltips name each key's factory function; only logical key 17 has a
  // function outside the tables.
  const auto& keys = LogicalKeyTable();
  for (size_t key = 0; key < keys.size(); ++key) {
    EXPECT_EQ(NameOfKeyFunction(keys[key]).textIds.empty(), key == 17)
        << "logical key " << key << ": " << Show(keys[key]);
  }
  EXPECT_THAT(NameOfKeyFunction(keys[110]).textIds, ElementsAre("keyboard_key_FN"));
  EXPECT_THAT(NameOfKeyFunction(keys[112]).textIds, ElementsAre("keyboard_key_RCtrl"));
}

}  // namespace
}  // namespace qv
