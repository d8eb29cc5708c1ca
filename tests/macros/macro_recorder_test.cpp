// Recording keys and mouse buttons into the working list: the scan-code table, the filters,
// the delays of the three timing modes and where each recording kind puts its rows.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "keys/key_code_tables.h"
#include "macros/macro_actions.h"
#include "macros/macro_recorder.h"
#include "macros/scan_code_table.h"

namespace qv {
namespace {

// ---- scan-code table ----------------------------------------------------------------------

struct ScanCase {
  std::string_view textId;
  uint8_t scanCode;
  bool extended;
};

TEST(ScanCodeTable, KeysGiveTheirSetOneCodes) {
  const ScanCase cases[] = {
      {"keyboard_key_Esc", 0x01, false},      {"keyboard_key_A", 0x1E, false},
      {"keyboard_key_Z", 0x2C, false},        {"keyboard_key_0", 0x0B, false},
      {"keyboard_key_LCtrl", 0x1D, false},    {"keyboard_key_RCtrl", 0x1D, true},
      {"keyboard_key_LShift", 0x2A, false},   {"keyboard_key_RShift", 0x36, true},
      {"keyboard_key_LAlt", 0x38, false},     {"keyboard_key_RAlt", 0x38, true},
      {"keyboard_key_LWin", 0x5B, true},      {"keyboard_key_App", 0x5D, true},
      {"keyboard_key_F11", 0x57, false},      {"keyboard_key_F12", 0x58, false},
      {"keyboard_key_Print Scr", 0x37, true}, {"keyboard_key_Num *", 0x37, false},
      {"keyboard_key_Pause", 0x45, false},    {"keyboard_key_Num Lock", 0x45, true},
      {"keyboard_key_Up", 0x48, true},        {"keyboard_key_Num 8", 0x48, false},
      {"keyboard_key_Down", 0x50, true},      {"keyboard_key_Left", 0x4B, true},
      {"keyboard_key_Right", 0x4D, true},     {"keyboard_key_Delete", 0x53, true},
      {"keyboard_key_Decimal", 0x53, false},  {"keyboard_key_Enter", 0x1C, false},
      {"keyboard_key_Num Enter", 0x1C, true}, {"keyboard_key_Num /", 0x35, true},
      {"keyboard_key_/", 0x35, false},        {"keyboard_key_K45", 0x56, false},
  };
  const auto keys = KeyCodeTable();
  const auto scans = ScanCodeTable();
  for (const ScanCase& c : cases) {
    size_t row = 0;
    while (row < kScanCodeTableSize && keys[row].textId != c.textId) ++row;
    ASSERT_LT(row, kScanCodeTableSize) << c.textId;
    EXPECT_EQ(scans[row].scanCode, c.scanCode) << c.textId;
    EXPECT_EQ(scans[row].extended, c.extended) << c.textId;
    EXPECT_EQ(ScanCodeRowOf(c.scanCode, c.extended), row) << c.textId;
  }
}

TEST(ScanCodeTable, RunsParallelToTheKeyCodeTable) {
  const auto keys = KeyCodeTable();
  const auto scans = ScanCodeTable();
  ASSERT_EQ(scans.size(), kScanCodeTableSize);
  std::set<std::pair<uint8_t, bool>> seen;
  for (size_t i = 0; i < scans.size(); ++i) {
    EXPECT_EQ(scans[i].virtualKey, keys[i].value) << "row " << i << " " << keys[i].textId;
    EXPECT_TRUE(seen.insert({scans[i].scanCode, scans[i].extended}).second)
        << "row " << i << " " << keys[i].textId << " repeats a code";
  }
  EXPECT_EQ(keys[kScanCodeTableSize - 1].textId, "keyboard_key_K151");
  // The ISO key beside Enter, the next row, sends the backslash key's code.
  EXPECT_EQ(ScanCodeRowOf(0x2B, false), 53u);
  EXPECT_EQ(ScanCodeRowOf(0x01, true), std::nullopt);
}

TEST(RecordKind, HookModes) {
  const std::pair<RecordKind, int> modes[] = {{RecordKind::kAppend, 4},
                                              {RecordKind::kInsertBefore, 8},
                                              {RecordKind::kInsertAfter, 16},
                                              {RecordKind::kReplace, 32}};
  for (const auto& [kind, mode] : modes) {
    EXPECT_EQ(HookModeOf(kind), mode);
    EXPECT_EQ(RecordKindOfHookMode(mode), kind);
  }
  EXPECT_EQ(RecordKindOfHookMode(1), std::nullopt);
  EXPECT_EQ(RecordKindOfHookMode(1024), std::nullopt);
}

// ---- recording ------------------------------------------------------------------------------

constexpr uint8_t kScanA = 0x1E, kScanB = 0x30, kScanLShift = 0x2A;
constexpr uint8_t kUsageA = 0x04, kUsageB = 0x05;

class MacroRecorderTest : public ::testing::Test {
 protected:
  RecordResult Key(uint8_t scan, bool down, RecordKind kind = RecordKind::kAppend,
                   bool extended = false) {
    return recorder_.OnKey(list_, kind, {down ? kMsgKeyDown : kMsgKeyUp, scan, extended});
  }
  RecordResult Mouse(uint16_t message, uint16_t extra = 0, int32_t x = 0, int32_t y = 0,
                     RecordKind kind = RecordKind::kAppend) {
    return recorder_.OnMouse(list_, kind, {message, x, y, extra});
  }
  std::vector<MacroEvent> Events() const { return list_.Events(); }
  std::vector<uint16_t> Delays() const {
    std::vector<uint16_t> delays;
    for (const MacroEvent& e : list_.Events()) delays.push_back(e.delay);
    return delays;
  }

  uint64_t now_ = 1000;
  MacroRecorder recorder_{[this] { return now_; }};
  MacroActionList list_;
};

TEST_F(MacroRecorderTest, MeasuredGapsGoToTheRowAboveAndAreCapped) {
  recorder_.Start(kTimingMeasured, RecordKind::kAppend);
  now_ += 400;
  Key(kScanA, true);
  now_ += 120;
  Key(kScanA, false);
  now_ += 35;
  Key(kScanB, true);
  now_ += 70000;
  Key(kScanB, false);

  const std::vector<MacroEvent> expected = {{120, kMacroKey, true, kUsageA},
                                            {35, kMacroKey, false, kUsageA},
                                            {65535, kMacroKey, true, kUsageB},
                                            {0, kMacroKey, false, kUsageB}};
  EXPECT_EQ(Events(), expected);
  EXPECT_EQ(list_.Selected(), 3);
}

TEST_F(MacroRecorderTest, FixedDelayIsCorrectedAndGivenToEveryEvent) {
  EXPECT_EQ(recorder_.Start(kTimingFixed, RecordKind::kAppend, "5"), "10");
  EXPECT_EQ(recorder_.FixedDelay(), 10);
  EXPECT_EQ(recorder_.Start(kTimingFixed, RecordKind::kAppend, "10"), std::nullopt)
      << "unchanged: the field is left alone";
  EXPECT_EQ(recorder_.Start(kTimingFixed, RecordKind::kAppend, "99999999999999999999"), "65535");
  EXPECT_EQ(recorder_.Start(kTimingFixed, RecordKind::kAppend, "abc"), "10");
  now_ += 5000;  // the measured gap plays no part
  Key(kScanA, true);
  Key(kScanA, false);
  Key(kScanLShift, true);
  EXPECT_EQ(Delays(), (std::vector<uint16_t>{10, 10, 10}));
  EXPECT_EQ(Events()[2].type, kMacroModifier);
  EXPECT_EQ(Events()[2].button, 0x02);

  // Outside the fixed mode the field is not read.
  EXPECT_EQ(recorder_.Start(kTimingNone, RecordKind::kAppend, "5"), std::nullopt);
  EXPECT_EQ(recorder_.FixedDelay(), 10);
  Key(kScanB, true);
  EXPECT_EQ(Delays(), (std::vector<uint16_t>{10, 10, 0, 0}));
}

TEST_F(MacroRecorderTest, AutoRepeatIsDropped) {
  recorder_.Start(kTimingNone, RecordKind::kAppend);
  for (int i = 0; i < 5; ++i) Key(kScanA, true);
  Key(kScanA, false);
  Key(kScanA, true);
  Key(kScanA, false);
  Key(0x5B, true, RecordKind::kAppend, false);  // no row: dropped
  const std::vector<MacroEvent> expected = {{0, kMacroKey, true, kUsageA},
                                            {0, kMacroKey, false, kUsageA},
                                            {0, kMacroKey, true, kUsageA},
                                            {0, kMacroKey, false, kUsageA}};
  EXPECT_EQ(Events(), expected);
}

TEST_F(MacroRecorderTest, MouseFilters) {
  recorder_.SetStopButton({100, 200, 80, 30});
  recorder_.Start(kTimingNone, RecordKind::kAppend);
  Mouse(kMsgRightDown);
  Mouse(kMsgRightUp);
  Mouse(kMsgExtraDown, kExtraBack);
  Mouse(kMsgExtraDown, kExtraForward);  // same message as the held back button
  Mouse(kMsgExtraUp, kExtraBack);
  Mouse(kMsgMouseMove);
  Mouse(kMsgWheel);
  Mouse(kMsgExtraDown, 0);
  Mouse(kMsgLeftDown, 0, 140, 215);  // the stop button
  Mouse(kMsgLeftUp, 0, 140, 215);
  const std::vector<MacroEvent> expected = {{0, kMacroMouseButton, true, 2},
                                            {0, kMacroMouseButton, false, 2},
                                            {0, kMacroMouseButton, true, 8},
                                            {0, kMacroMouseButton, false, 8}};
  EXPECT_EQ(Events(), expected);

  Mouse(kMsgLeftDown, 0, 99, 215);
  Mouse(kMsgExtraDown, kExtraForward);
  ASSERT_EQ(list_.Size(), 6u);
  EXPECT_EQ(Events()[4], (MacroEvent{0, kMacroMouseButton, true, 1}));
  EXPECT_EQ(Events()[5], (MacroEvent{0, kMacroMouseButton, true, 16}));
}

TEST_F(MacroRecorderTest, InsertBeforeTheFirstRowKeepsTheSelection) {
  list_.Load({{300, kMacroKey, true, kUsageB}, {40, kMacroKey, false, kUsageB}});
  list_.Select(0);
  recorder_.Start(kTimingMeasured, RecordKind::kInsertBefore);
  now_ += 70;
  Key(kScanA, true, RecordKind::kInsertBefore);
  // First row: delay 0, nothing else changes, the old row stays selected.
  EXPECT_EQ(Delays(), (std::vector<uint16_t>{0, 300, 40}));
  EXPECT_EQ(list_.Selected(), 1);

  now_ += 25;
  Key(kScanA, false, RecordKind::kInsertBefore);
  EXPECT_EQ(Events(), (std::vector<MacroEvent>{{25, kMacroKey, true, kUsageA},
                                               {0, kMacroKey, false, kUsageA},
                                               {300, kMacroKey, true, kUsageB},
                                               {40, kMacroKey, false, kUsageB}}));
  EXPECT_EQ(list_.Selected(), 2);
}

TEST_F(MacroRecorderTest, InsertAfterFollowsTheNewRowAndNeedsASelection) {
  list_.Load({{300, kMacroKey, true, kUsageB}, {40, kMacroKey, false, kUsageB}});
  recorder_.Start(kTimingFixed, RecordKind::kInsertAfter, "20");
  EXPECT_FALSE(Key(kScanA, true, RecordKind::kInsertAfter).changed) << "nothing selected";
  Key(kScanA, false, RecordKind::kInsertAfter);
  EXPECT_EQ(list_.Size(), 2u);

  list_.Select(0);
  Key(kScanA, true, RecordKind::kInsertAfter);
  Key(kScanA, false, RecordKind::kInsertAfter);
  EXPECT_EQ(Events(), (std::vector<MacroEvent>{{20, kMacroKey, true, kUsageB},
                                               {20, kMacroKey, true, kUsageA},
                                               {20, kMacroKey, false, kUsageA},
                                               {40, kMacroKey, false, kUsageB}}));
  EXPECT_EQ(list_.Selected(), 2);
}

TEST_F(MacroRecorderTest, FullListGetsABareRow) {
  list_.Load(std::vector<MacroEvent>(kMaxMacroEvents, {7, kMacroKey, true, kUsageB}));
  recorder_.Start(kTimingMeasured, RecordKind::kAppend);
  now_ += 500;
  const RecordResult result = Key(kScanA, true);
  EXPECT_TRUE(result.changed);
  EXPECT_TRUE(result.bare);
  ASSERT_EQ(list_.Size(), kMaxMacroEvents + 1);
  EXPECT_FALSE(list_.Row(kMaxMacroEvents).event.has_value());
  EXPECT_EQ(list_.Row(kMaxMacroEvents - 1).event->delay, 7) << "the row above is untouched";

  bool trimmed = false;
  EXPECT_EQ(list_.TakeEventsForSave(&trimmed).size(), kMaxMacroEvents);
  EXPECT_TRUE(trimmed);
  EXPECT_EQ(list_.Size(), kMaxMacroEvents);
}

TEST_F(MacroRecorderTest, ReplaceKeepsActionAndDelay) {
  list_.Load({{300, kMacroKey, true, kUsageB}, {40, kMacroMouseButton, false, 1}});
  recorder_.Start(kTimingNone, RecordKind::kReplace);
  EXPECT_FALSE(Key(kScanA, true, RecordKind::kReplace).changed) << "nothing selected";
  Key(kScanA, false, RecordKind::kReplace);

  list_.Select(1);
  Key(kScanLShift, true, RecordKind::kReplace);
  EXPECT_EQ(list_.Row(1).event, (MacroEvent{40, kMacroModifier, false, 0x02}));
  Mouse(kMsgMiddleDown, 0, 0, 0, RecordKind::kReplace);
  EXPECT_EQ(list_.Row(1).event, (MacroEvent{40, kMacroMouseButton, false, 4}));
  EXPECT_EQ(list_.Size(), 2u);
  EXPECT_EQ(list_.Selected(), 1);
}

TEST_F(MacroRecorderTest, EachKindHasItsOwnRepeatMemory) {
  list_.Load({{0, kMacroKey, true, kUsageB}});
  list_.Select(0);
  recorder_.Start(kTimingNone, RecordKind::kAppend);
  Key(kScanA, true, RecordKind::kAppend);
  recorder_.Start(kTimingNone, RecordKind::kInsertAfter);
  Key(kScanA, true, RecordKind::kInsertAfter);
  EXPECT_EQ(list_.Size(), 3u);
  recorder_.Stop();
  Key(kScanB, true);
  EXPECT_EQ(list_.Size(), 3u) << "nothing is recorded after stop";
}

}  // namespace
}  // namespace qv
