// The macro event model: delay text, the checked reader, the two encodings and the mouse action
// table.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "macros/macro_actions.h"
#include "macros/macro_image.h"

namespace qv {
namespace {

Json::Value Parse(const std::string& text) {
  Json::Value value;
  Json::CharReaderBuilder builder;
  std::string errors;
  std::istringstream in(text);
  EXPECT_TRUE(Json::parseFromStream(builder, in, &value, &errors)) << text << ": " << errors;
  return value;
}

Json::Value FileWith(const std::vector<Json::Value>& events) {
  Json::Value file(Json::objectValue);
  file["Events"] = Json::Value(Json::arrayValue);
  for (const Json::Value& e : events) file["Events"].append(e);
  return file;
}

struct DelayTextRow {
  const char* text;
  uint16_t delay;
};

TEST(MacroDelayText, ParsesAsDecimalAndClamps) {
  const DelayTextRow rows[] = {
      {"", 0},          {"   ", 0},       {"120", 120},     {" 300", 300},
      {"+7", 7},        {"-5", 0},        {"12ab", 12},     {"abc", 0},
      {"65535", 65535}, {"65536", 65535}, {"70000", 65535}, {"99999999999999999999999", 65535},
      {"0007", 7},
  };
  for (const DelayTextRow& row : rows) {
    EXPECT_EQ(ParseDelayText(row.text), row.delay) << '"' << row.text << '"';
  }
  EXPECT_EQ(DelayText(ParseDelayText("")), "0") << "an empty delay field is saved as \"0\"";
  EXPECT_EQ(DelayText(ParseDelayText("007")), "7");
}

TEST(MacroDelayText, FixedDelayStaysWithinItsRange) {
  EXPECT_EQ(ClampFixedDelay(5), 10);
  EXPECT_EQ(ClampFixedDelay(50), 50);
  EXPECT_EQ(ClampFixedDelay(70000), 65535);
}

struct DelayRow {
  const char* json;  // the "Delay" member; empty for none
  int delay;         // -1: the event is refused
};

TEST(MacroEventRead, DelayIsClampedInEveryFormAndWrongTypesAreRefused) {
  const DelayRow rows[] = {
      {"\"300\"", 300}, {"300", 300},
      {"0", 0},         {"\"70000\"", 65535},
      {"70000", 65535}, {"18446744073709551615", 65535},  // above INT64_MAX: large, not negative
      {"-3", 0},        {"1e300", 65535},
      {"120.0", 120},   {"", 0},
      {"\"\"", 0},      {"1.5", -1},
      {"true", -1},     {"[]", -1},
      {"{}", -1},
  };
  for (const DelayRow& row : rows) {
    SCOPED_TRACE(row.json);
    std::string text = R"({"Type": 10, "Button": 4, "Action": "down")";
    if (*row.json != '\0') text += std::string(R"(, "Delay": )") + row.json;
    const MacroEventsRead read = ReadMacroEvents(FileWith({Parse(text + "}")}));
    if (row.delay < 0) {
      EXPECT_TRUE(read.events.empty());
      EXPECT_EQ(read.dropped, 1u);
    } else {
      ASSERT_EQ(read.events.size(), 1u);
      EXPECT_EQ(read.events[0].delay, row.delay);
      EXPECT_FALSE(read.Trimmed());
    }
  }
}

TEST(MacroEventRead, DelayAboveTheLimitReachesTheDeviceAsTheLimit) {
  // 70000 in its low 16 bits would be 0x1170.
  for (const char* delay : {"\"70000\"", "70000"}) {
    const auto events = ReadMacroEvents(FileWith({Parse(
        std::string(R"({"Type": 10, "Button": 4, "Action": "up", "Delay": )") + delay + "}")}));
    ASSERT_EQ(events.events.size(), 1u);
    uint8_t bytes[kMacroEventSize];
    EncodeMacroEvent(events.events[0], bytes);
    EXPECT_EQ(bytes[0], 0xFF) << delay;
    EXPECT_EQ(bytes[1], 0xFF) << delay;
    EXPECT_EQ(
        ParseMacroEvents(FileWith({Parse(std::string(R"({"Delay": )") + delay + "}")}))[0].delay,
        65535)
        << "the unchecked reader clamps too";
  }
}

struct HostileEventRow {
  const char* name;
  const char* json;
  bool kept;
};

TEST(MacroEventRead, HostileEventsAreRefusedOneByOne) {
  const HostileEventRow rows[] = {
      {"key", R"({"Type": 10, "Button": 231, "Action": "down", "Delay": "5"})", true},
      {"modifier bit", R"({"Type": 9, "Button": 128, "Action": "up", "Delay": "5"})", true},
      {"forward button", R"({"Type": 1, "Button": 16, "Action": "down", "Delay": "5"})", true},
      {"longest move", R"({"Type": 5, "Button": 255, "Action": "up", "Delay": "5"})", true},
      {"older mouse action", R"({"Type": 2, "Button": 0, "Action": "up", "Delay": "5"})", true},
      {"type 3", R"({"Type": 3, "Button": 7, "Action": "down"})", true},
      {"unknown type", R"({"Type": 7, "Button": 4, "Action": "down", "Delay": "5"})", false},
      {"type 0", R"({"Type": 0, "Button": 4, "Action": "down", "Delay": "5"})", false},
      {"type above a byte", R"({"Type": 266, "Button": 4, "Action": "down"})", false},
      {"type as text", R"({"Type": "10", "Button": 4, "Action": "down"})", false},
      {"no type", R"({"Button": 4, "Action": "down"})", false},
      {"mouse button 3", R"({"Type": 1, "Button": 3, "Action": "down"})", false},
      {"mouse button 32", R"({"Type": 1, "Button": 32, "Action": "down"})", false},
      {"mouse button 0", R"({"Type": 1, "Button": 0, "Action": "down"})", false},
      {"mouse button 257", R"({"Type": 1, "Button": 257, "Action": "down"})", false},
      {"two modifiers", R"({"Type": 9, "Button": 3, "Action": "down"})", false},
      {"modifier 256", R"({"Type": 9, "Button": 256, "Action": "down"})", false},
      {"key 256", R"({"Type": 10, "Button": 256, "Action": "down"})", false},
      {"key -1", R"({"Type": 10, "Button": -1, "Action": "down"})", false},
      {"move 300", R"({"Type": 4, "Button": 300, "Action": "down"})", false},
      {"button as text", R"({"Type": 10, "Button": "4", "Action": "down"})", false},
      {"no button", R"({"Type": 10, "Action": "down"})", false},
      {"action in capitals", R"({"Type": 10, "Button": 4, "Action": "DOWN"})", false},
      {"action as number", R"({"Type": 10, "Button": 4, "Action": 1})", false},
      {"no action", R"({"Type": 10, "Button": 4})", false},
      {"number", "5", false},
      {"text", R"("event")", false},
      {"array", R"([10, 4, "down"])", false},
      {"null", "null", false},
  };
  std::vector<Json::Value> all;
  size_t kept = 0;
  for (const HostileEventRow& row : rows) {
    SCOPED_TRACE(row.name);
    const MacroEventsRead read = ReadMacroEvents(FileWith({Parse(row.json)}));
    EXPECT_EQ(read.events.size(), row.kept ? 1u : 0u);
    EXPECT_EQ(read.Trimmed(), !row.kept);
    all.push_back(Parse(row.json));
    kept += row.kept ? 1 : 0;
  }
  // Together: the good ones keep their order, each bad one is counted.
  const MacroEventsRead read = ReadMacroEvents(FileWith(all));
  EXPECT_EQ(read.events.size(), kept);
  EXPECT_EQ(read.dropped, std::size(rows) - kept);
  EXPECT_EQ(read.events.front(), (MacroEvent{5, 10, true, 231}));
  EXPECT_EQ(read.events.back(), (MacroEvent{0, 3, true, 7}));
}

TEST(MacroEventRead, EventsPastTheLimitAreCut) {
  const Json::Value good = Parse(R"({"Type": 10, "Button": 4, "Action": "down", "Delay": "1"})");
  std::vector<Json::Value> events(260, good);
  events[0] = Parse(R"({"Type": 99})");  // refused events do not count towards the limit
  const MacroEventsRead read = ReadMacroEvents(FileWith(events));
  EXPECT_EQ(read.events.size(), kMaxMacroEvents);
  EXPECT_EQ(read.dropped, 1u);
  EXPECT_EQ(read.cut, 9u);

  const MacroEventsRead exact =
      ReadMacroEvents(FileWith(std::vector<Json::Value>(kMaxMacroEvents, good)));
  EXPECT_EQ(exact.events.size(), kMaxMacroEvents);
  EXPECT_FALSE(exact.Trimmed());
}

TEST(MacroEventRead, DocumentShapes) {
  EXPECT_TRUE(IsMacroDocument(Parse(R"({"Events": []})")));
  EXPECT_TRUE(IsMacroDocument(Parse(R"({"MacroName": "m"})"))) << "no events is an empty macro";
  EXPECT_FALSE(IsMacroDocument(Parse(R"({"Events": {"Type": 10}})")));
  EXPECT_FALSE(IsMacroDocument(Parse(R"({"Events": "none"})")));
  EXPECT_FALSE(IsMacroDocument(Parse(R"([{"Type": 10}])")));
  EXPECT_FALSE(IsMacroDocument(Parse("null")));
  EXPECT_TRUE(ReadMacroEvents(Parse(R"({"Events": 5})")).events.empty());
  EXPECT_TRUE(ReadMacroEvents(Parse("[1, 2]")).events.empty());
}

TEST(MacroEventEncoding, FileAndDeviceForms) {
  const Json::Value event = Parse(R"({"Delay": "300", "Type": 10, "Action": "down", "Button": 4})");
  const MacroEventsRead read = ReadMacroEvents(FileWith({event}));
  ASSERT_EQ(read.events.size(), 1u);
  uint8_t bytes[kMacroEventSize];
  EncodeMacroEvent(read.events[0], bytes);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{0x2C, 0x01, 0x8A, 0x04}));
  EXPECT_EQ(MacroEventJson(read.events[0]), event);

  const std::vector<MacroEvent> events = {
      {0, 9, true, 0x02}, {65535, 1, false, 16}, {50, 4, true, 44}, {7, 10, false, 0x29}};
  const Json::Value file = MacroFileDocument("combo", "2024_03_07_14_05_09_042", events);
  EXPECT_EQ(file["MacroName"], "combo");
  EXPECT_EQ(file["Guid"], "2024_03_07_14_05_09_042");
  EXPECT_EQ(file["Version"], 64);
  EXPECT_EQ(file["Events"][1]["Delay"], "65535") << "delays are written as text";
  EXPECT_EQ(file["Events"][0]["Action"], "down");
  EXPECT_EQ(ReadMacroEvents(file).events, events);
}

TEST(MouseActionTable, RowsAndEventsAgree) {
  const auto& table = MouseActionTable();
  EXPECT_EQ(table[0].message, 513);
  EXPECT_EQ(table[8].button, 8);
  EXPECT_STREQ(table[8].textId, "mouse_key_back");
  EXPECT_STREQ(table[14].textId, "mouse_cursor_text");
  for (size_t row = 0; row < kWheelRow; ++row) {
    SCOPED_TRACE(row);
    const std::optional<MacroEvent> event = MouseActionEvent(row, 50);
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(MacroTypeByte(*event), table[row].typeByte);
    // The event list names every insertable action by its own row's text.
    const int shown = MouseActionRowOf(*event);
    ASSERT_GE(shown, 0);
    EXPECT_STREQ(table[static_cast<size_t>(shown)].textId, table[row].textId);
    // The distance of a move is filled in by the caller; with one, the checked reader keeps it.
    MacroEvent stored = *event;
    if (row >= kFirstMoveRow) stored.button = 44;
    const MacroEventsRead read = ReadMacroEvents(FileWith({MacroEventJson(stored)}));
    EXPECT_EQ(read.events, std::vector<MacroEvent>{stored});
  }
  EXPECT_FALSE(MouseActionEvent(kWheelRow, 50).has_value());
  EXPECT_EQ(MouseActionRowOf(MacroEvent{0, 10, true, 4}), -1);
  EXPECT_EQ(MouseActionRowOf(MacroEvent{0, 2, true, 1}), -1) << "type 2 is shown without a name";
}

}  // namespace
}  // namespace qv
