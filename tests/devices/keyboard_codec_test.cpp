// The keyboard's pure pieces: the logical key table, the maps built from a device's key map,
// the macro image and the settings record.
#include <gtest/gtest.h>
#include <json/json.h>

#include "devices/keyboard_device.h"
#include "devices/keyboard_settings_record.h"
#include "keys/logical_key_table.h"
#include "macros/macro_image.h"

namespace qv {
namespace {

struct KeyRow {
  int key;
  KeyFunction function;
};

class LogicalKeyTableTest : public testing::TestWithParam<KeyRow> {};

TEST(LogicalKeyTableCount, HoldsOneEntryPerLogicalKey) {
  EXPECT_EQ(LogicalKeyTable().size(), 170u);
  EXPECT_EQ(kLogicalKeyTableSize, kLogicalKeyCount);
}

TEST_P(LogicalKeyTableTest, Entry) {
  EXPECT_EQ(LogicalKeyTable()[GetParam().key], GetParam().function);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LogicalKeyTableTest,
    testing::Values(KeyRow{0, {0x20, 0x00, 0x29}}, KeyRow{1, {0x20, 0x00, 0x3A}},
                    KeyRow{15, {0x20, 0x00, 0x48}}, KeyRow{16, {0xA0, 0x1B, 0x00}},
                    KeyRow{17, {0xA0, 0x24, 0x00}}, KeyRow{20, {0x20, 0x00, 0x00}},
                    KeyRow{31, {0x20, 0x00, 0x27}}, KeyRow{41, {0x20, 0x00, 0x56}},
                    KeyRow{84, {0x20, 0x02, 0x00}}, KeyRow{95, {0x20, 0x20, 0x00}},
                    KeyRow{105, {0x20, 0x01, 0x00}}, KeyRow{110, {0xA0, 0x01, 0x00}},
                    KeyRow{119, {0x20, 0x00, 0x57}}, KeyRow{120, {0xD0, 0xA2, 0x01}},
                    KeyRow{124, {0xD0, 0xA2, 0x05}}, KeyRow{125, {0x20, 0x80, 0x00}},
                    KeyRow{169, {0x20, 0x00, 0x00}}));

TEST(KeyboardMapsTest, PositionsAreTheFirstMatchAndLedsStayInsideTheFrame) {
  // Positions: 0 Esc, 1 Esc again, 2 F1, 3 A; LEDs 2, 3, 9 (beyond 4 positions), 255.
  const std::vector<uint8_t> keyMap = {0x20, 0, 0x29, 0x20, 0, 0x29, 0x20, 0, 0x3A, 0x20, 0, 0x04};
  const std::vector<uint8_t> leds = {2, 3, 9, 255};
  const KeyboardMaps maps = BuildKeyboardMaps(keyMap, leds, 4);
  EXPECT_EQ(maps.keyPosition[0], 0);
  EXPECT_EQ(maps.led[0], 2);
  EXPECT_EQ(maps.keyPosition[1], 2);
  EXPECT_EQ(maps.led[1], kNoPosition) << "LED 9 lies outside a 4-LED frame";
  EXPECT_EQ(maps.keyPosition[64], 3);
  EXPECT_EQ(maps.led[64], kNoPosition);
  EXPECT_EQ(maps.keyPosition[2], kNoPosition);

  // Tables shorter than the position count claim are read only as far as they go.
  const KeyboardMaps short_ = BuildKeyboardMaps({0x20, 0, 0x29}, {}, 200);
  EXPECT_EQ(short_.keyPosition[0], 0);
  EXPECT_EQ(short_.led[0], kNoPosition);
}

Json::Value Event(const Json::Value& delay, int type, const char* action, int button) {
  Json::Value e(Json::objectValue);
  e["Delay"] = delay;
  e["Type"] = type;
  e["Action"] = action;
  e["Button"] = button;
  return e;
}

TEST(MacroImageTest, EventsReadDelaysAsTextOrNumber) {
  Json::Value file(Json::objectValue);
  file["Events"].append(Event("120", 10, "down", 0x04));
  file["Events"].append(Event(0, 10, "up", 0x04));
  file["Events"].append(Event("70000", 9, "down", 0x02));
  file["Events"].append(Event("x", 1, "up", 0x101));
  file["Events"].append(Event(Json::Value(Json::arrayValue), 5, "down", 3));
  const std::vector<MacroEvent> events = ParseMacroEvents(file);
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0], (MacroEvent{120, 10, true, 0x04}));
  EXPECT_EQ(events[1], (MacroEvent{0, 10, false, 0x04}));
  EXPECT_EQ(events[2], (MacroEvent{65535, 9, true, 0x02}));
  EXPECT_EQ(events[3], (MacroEvent{0, 1, false, 0x01}));
  EXPECT_EQ(events[4], (MacroEvent{0, 5, true, 3}));
  EXPECT_TRUE(ParseMacroEvents(Json::Value("not an object")).empty());
}

TEST(MacroImageTest, ImageBytes) {
  const std::vector<std::vector<MacroEvent>> macros = {
      {{0x0102, 10, true, 0x04}},
      {{5, 1, false, 1}, {300, 9, true, 0x02}},
  };
  const std::vector<uint8_t> expected = {
      0xAA, 0x55, 40, 0, 2,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0,  // header
      20,   0,    28, 0,                                                  // record offsets
      1,    0,    0,  0, 0x02, 0x01, 0x8A, 0x04,                          // macro 0
      2,    0,    0,  0, 5,    0,    0x01, 1,    0x2C, 0x01, 0x89, 0x02,  // macro 1
  };
  EXPECT_EQ(BuildMacroImage(macros), expected);
  EXPECT_EQ(MacroImageSize({1, 2}), expected.size());
}

struct OverflowRow {
  size_t total;
  size_t capacity;
  int result;
};
class MacroOverflowTest : public testing::TestWithParam<OverflowRow> {};

TEST_P(MacroOverflowTest, EventsTooManyPlusOne) {
  EXPECT_EQ(MacroOverflow(GetParam().total, GetParam().capacity), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Values, MacroOverflowTest,
                         testing::Values(OverflowRow{4096 + 16, 4096, 5},
                                         OverflowRow{4096, 4096, 1}, OverflowRow{4095, 4096, 0},
                                         OverflowRow{4096 + 3, 4096, 1}, OverflowRow{20, 0, 6}));

// A record as the factory leaves it, with recognisable bytes where the program keeps them.
SettingsRecord SampleRecord() {
  SettingsRecord r{};
  for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<uint8_t>(0x40 + i);
  r[1] = 7;  // mode code
  r[2] = 3;
  r[3] = 1;
  return r;
}

class HostDrivenModeTest : public testing::TestWithParam<uint8_t> {};

TEST_P(HostDrivenModeTest, ReadKeepsTheHostModeAndWriteSendsFE) {
  SettingsRecord r = SampleRecord();
  r[1] = kHostDrivenModeCode;
  const DecodedSettings d = DecodeSettingsRecord(r, {}, GetParam());
  EXPECT_EQ(d.light.selectItem, GetParam());

  qv::LightSettings light;
  light.selectItem = GetParam();
  const SettingsRecord written = EncodeSettingsRecord(SampleRecord(), light, {}, {}, 0);
  EXPECT_EQ(written[1], kHostDrivenModeCode);
}

INSTANTIATE_TEST_SUITE_P(Modes, HostDrivenModeTest, testing::Values(29, 30));

TEST(SettingsRecordTest, DecodeMapsCodesAndClampsLevels) {
  SettingsRecord r = SampleRecord();
  r[2] = 9;  // brightness beyond the level table
  r[3] = 7;  // 4 - speed beyond the table
  const DecodedSettings d = DecodeSettingsRecord(r, {0, 3, 7, 9}, 0);
  EXPECT_EQ(d.light.selectItem, 2) << "code 7 is at position 2";
  EXPECT_EQ(d.light.light, 4);
  EXPECT_EQ(d.light.speed, 0);
  EXPECT_EQ(d.light.red, r[6]);
  EXPECT_EQ(d.light.zzccLedMode, r[18]);
  EXPECT_EQ(d.light.customGroup, r[25]);
  EXPECT_EQ(d.wFlag, r[19]);
  EXPECT_EQ(d.key6Flag, r[20]);
  EXPECT_EQ(d.winFlag, r[21]);
  EXPECT_EQ(DecodeSettingsRecord(r, {0, 3}, 0).light.selectItem, 7) << "unknown codes stay";
}

TEST(SettingsRecordTest, EncodeFillsOwnedBytesAndKeepsTheRest) {
  qv::LightSettings light;
  light.selectItem = 1;
  light.light = 2;
  light.speed = 3;
  light.fx = 1;
  light.multiColor = 1;
  light.red = 10;
  light.green = 20;
  light.blue = 30;
  light.zzccLedMode = 5;
  light.customGroup = 6;
  KeyboardStages stages;
  stages.wFlag = 1;
  stages.key6Flag = 0;
  stages.winFlag = 1;
  stages.pollingRate = 3;
  const SettingsRecord raw = SampleRecord();
  const SettingsRecord r = EncodeSettingsRecord(raw, light, stages, {0, 11, 12}, 0);
  SettingsRecord expected = raw;
  expected[0] = 0;
  expected[1] = 11;
  expected[2] = 2;
  expected[3] = 1;
  expected[4] = 1;
  expected[5] = 1;
  expected[6] = 10;
  expected[7] = 20;
  expected[8] = 30;
  expected[16] = 0;
  expected[18] = 5;
  expected[19] = 1;
  expected[20] = 0;
  expected[21] = 1;
  expected[22] = 3;
  expected[25] = 6;
  EXPECT_EQ(r, expected);
}

}  // namespace
}  // namespace qv
