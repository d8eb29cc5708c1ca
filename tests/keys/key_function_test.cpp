#include "keys/key_function.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <string>
#include <vector>

namespace qv {
namespace {

using testing::ElementsAre;

constexpr KeyFunction kKeyA{kKindKey, 0x00, 0x04};

KeyAssignment Slot(KeyFunction current, KeyFunction def) {
  KeyAssignment a;
  a.kind = current.kind;
  a.first = current.first;
  a.second = current.second;
  a.defaultKind = def.kind;
  a.defaultFirst = def.first;
  a.defaultSecond = def.second;
  return a;
}

// ---- profile integer ----------------------------------------------------------------------

TEST(ProfileCodeTest, EncodesKindFirstSecondAndDecodesBack) {
  struct Case {
    KeyFunction code;
    uint32_t value;
  };
  const Case cases[] = {
      {{kKindMacroEndMode, 3, 0}, 0x70 * 65536 + 3 * 256},
      {{kKindKey, 0x10, 0x06}, 0x201006},
      {{kKindMouseFactory, 0x90, 0x01}, 0x169001},
      {{kKindMKey, 0xA2, 0x05}, 0xD0A205},
      {{kKindConsumer, 0xFF, 0xFF}, 0x30FFFF},
      {kNoFunction, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProfileCodeOf(c.code), c.value);
    EXPECT_EQ(KeyFunctionOfProfileCode(c.value), c.code) << std::hex << c.value;
  }
}

TEST(ProfileCodeTest, ValuesOutOfRangeOrOfUnknownKindGiveTheFallback) {
  const KeyFunction fallback{kKindKey, 0, 0x29};
  for (int64_t value :
       {int64_t{-1}, int64_t{0x1000000}, int64_t{0x1201006}, int64_t{INT64_MAX}, int64_t{INT64_MIN},
        int64_t{0x150000}, int64_t{0x550102}, int64_t{0xFF0000}}) {
    EXPECT_EQ(KeyFunctionOfProfileCode(value), std::nullopt) << std::hex << value;
    EXPECT_EQ(KeyFunctionOfProfileCode(value, fallback), fallback) << std::hex << value;
  }
}

TEST(ProfileCodeTest, KeySlotFallsBackToItsDefaultAndThenToNone) {
  const int64_t keyA = ProfileCodeOf(kKeyA);
  const int64_t esc = 0x200029;
  struct Case {
    std::optional<int64_t> assignment, defaultAssignment;
    KeyFunction current, def;
  };
  const Case cases[] = {
      {keyA, esc, kKeyA, {kKindKey, 0, 0x29}},
      {0x550000, esc, {kKindKey, 0, 0x29}, {kKindKey, 0, 0x29}},
      {std::nullopt, esc, {kKindKey, 0, 0x29}, {kKindKey, 0, 0x29}},
      {keyA, -5, kKeyA, kNoFunction},
      {0x99000000, std::nullopt, kNoFunction, kNoFunction},
  };
  for (const Case& c : cases) {
    KeyAssignment expected = Slot(c.current, c.def);
    expected.keyIndex = expected.defaultKeyIndex = 7;
    EXPECT_EQ(KeyAssignmentOfProfileCodes(7, c.assignment, c.defaultAssignment), expected)
        << std::hex << c.assignment.value_or(-1) << " " << c.defaultAssignment.value_or(-1);
  }
}

// ---- categories ---------------------------------------------------------------------------

TEST(ClassifyTest, ByKindUnlessEqualToTheDefault) {
  const KeyFunction def{kKindKey, 0, 0x29};
  struct Case {
    KeyFunction code;
    std::optional<KeyCategory> category;
  };
  const Case cases[] = {
      {def, KeyCategory::kDefault},
      {kNoFunction, KeyCategory::kDefault},
      {{kKindMouseButton, 0x01, 0}, KeyCategory::kMouseButton},
      {{kKindMouseSwing, 0x11, 0x85}, KeyCategory::kMouseSwing},
      {{kKindMouseWheel, 0x11, 0xFB}, KeyCategory::kMouseWheel},
      {{kKindDpi, 2, 0}, KeyCategory::kDpi},
      {{kKindFire, 10, 2}, KeyCategory::kFire},
      {{kKindKey, 0x00, 0x04}, KeyCategory::kKeyboardKey},
      {{kKindKey, 0x08, 0x04}, KeyCategory::kKeyboardKey},
      {{kKindKey, 0x09, 0x04}, KeyCategory::kCombination},
      {{kKindKey, 0x10, 0x06}, KeyCategory::kCombination},
      {{kKindConsumer, 0xCD, 0}, KeyCategory::kMedia},
      {{kKindSystem, 0x02, 0}, KeyCategory::kSystem},
      {{kKindMacroEndMode, 1, 3}, KeyCategory::kMacro},
      {{kKindMacroRepeat, 1, 9}, KeyCategory::kMacro},
      {{kKindGunKey, 4, 0}, KeyCategory::kGunKey},
      {{kKindShortcut, 1, 2}, KeyCategory::kCombination},
      {{kKindMKey, 0xA2, 0x02}, std::nullopt},
      {{kKindSpecialKey, 0x01, 0}, std::nullopt},
      {{kKindMouseFactory, 0x90, 0x01}, std::nullopt},
      {{0x55, 0, 0}, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClassifyKeyFunction(c.code, def), c.category)
        << int{c.code.kind} << " " << int{c.code.first} << " " << int{c.code.second};
  }
  // An M key that is its own default is shown as "restore default".
  const KeyFunction m2{kKindMKey, 0xA2, 0x02};
  EXPECT_EQ(ClassifyKeyFunction(m2, m2), KeyCategory::kDefault);
}

TEST(ClassifyTest, OnlyDpiAndGunKeysAreHiddenOnTheKeyboard) {
  for (int c = 0; c < kKeyCategoryCount; ++c) {
    EXPECT_EQ(IsCategoryHiddenOnKeyboard(static_cast<KeyCategory>(c)), c == 4 || c == 10) << c;
  }
}

// ---- fields -------------------------------------------------------------------------------

TEST(MotionTest, SwingAndWheelEncodeCountAndDirection) {
  struct Case {
    bool wheel;
    MotionFields fields;
    KeyFunction code;
  };
  const Case cases[] = {
      {false, {1, 2, 5, true}, {kKindMouseSwing, 0x12, 0x85}},
      {true, {1, 2, 5, true}, {kKindMouseWheel, 0x12, 0xFB}},
      {false, {3, 4, 5, false}, {kKindMouseSwing, 0x34, 0x05}},
      {true, {3, 4, 127, false}, {kKindMouseWheel, 0x34, 0x7F}},
      // Delay and speed keep four bits each, a first-direction count seven.
      {false, {0x13, 0x25, 200, false}, {kKindMouseSwing, 0x35, 72}},
      {true, {0x13, 0x25, 200, false}, {kKindMouseWheel, 0x35, 72}},
      {true, {0, 0, 127, true}, {kKindMouseWheel, 0x00, 0x81}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.wheel ? WheelFunction(c.fields) : SwingFunction(c.fields), c.code)
        << (c.wheel ? "wheel " : "swing ") << int{c.fields.count};
  }
}

TEST(MotionTest, CountsReadBackInBothDirections) {
  for (int count = 1; count <= 127; ++count) {
    for (bool second : {false, true}) {
      const MotionFields f{0x0A, 0x05, static_cast<uint8_t>(count), second};
      EXPECT_EQ(SwingFields(SwingFunction(f)), f) << count << second;
      EXPECT_EQ(WheelFields(WheelFunction(f)), f) << count << second;
    }
  }
  EXPECT_EQ(WheelFields({kKindMouseWheel, 0x12, 0xFB}), (MotionFields{1, 2, 5, true}));
  EXPECT_EQ(WheelFields({kKindMouseWheel, 0, 0x80}), (MotionFields{0, 0, 128, true}));
  EXPECT_EQ(SwingFields({kKindMouseSwing, 0, 0x80}), (MotionFields{0, 0, 0, true}));
}

TEST(FieldsTest, FireIntervalIsAtLeastTen) {
  EXPECT_EQ(FireFunction({3, 7}), (KeyFunction{kKindFire, 10, 7}));
  EXPECT_EQ(FireFunction({0, 0}), (KeyFunction{kKindFire, 10, 0}));
  EXPECT_EQ(FireFunction({10, 2}), (KeyFunction{kKindFire, 10, 2}));
  EXPECT_EQ(FireFunction({120, 2}), (KeyFunction{kKindFire, 120, 2}));
  EXPECT_EQ(FireFieldsOf({kKindFire, 3, 9}), (FireFields{3, 9}));
}

TEST(FieldsTest, KeyboardModifierOptions) {
  const std::array<uint8_t, 5> masks = {0x00, 0x01, 0x02, 0x04, 0x08};
  for (int option = 0; option < kModifierOptionCount; ++option) {
    const KeyFunction code = KeyboardFunction({option, 0x04});
    EXPECT_EQ(code, (KeyFunction{kKindKey, masks[static_cast<size_t>(option)], 0x04}));
    EXPECT_EQ(KeyboardFieldsOf(code), (KeyboardFields{option, 0x04}));
  }
  EXPECT_EQ(KeyboardFunction({-1, 0x2C}), (KeyFunction{kKindKey, 0, 0x2C}));
  EXPECT_EQ(KeyboardFunction({5, 0x2C}), (KeyFunction{kKindKey, 0, 0x2C}));
  EXPECT_EQ(KeyboardFunction({2, 0}), (KeyFunction{kKindKey, 0x02, 0}));
  // Masks that are no single left-hand modifier show as no modifier.
  for (uint8_t mask : {0x03, 0x10, 0x80}) {
    EXPECT_EQ(KeyboardFieldsOf({kKindKey, mask, 0x04}), (KeyboardFields{0, 0x04})) << int{mask};
  }
}

TEST(FieldsTest, MacroCodesNeedAnExistingMacro) {
  EXPECT_EQ(MacroFunction(2, 3, 1, 9), (KeyFunction{kKindMacroEndMode, 2, 1}));
  EXPECT_EQ(MacroFunction(0, 1, 3, 9), (KeyFunction{kKindMacroEndMode, 0, 3}));
  EXPECT_EQ(MacroFunction(2, 3, 4, 9), (KeyFunction{kKindMacroRepeat, 2, 9}));
  EXPECT_EQ(MacroFunction(2, 3, -1, 9), (KeyFunction{kKindMacroEndMode, 2, 0}));
  EXPECT_EQ(MacroFunction(2, 3, 5, 9), (KeyFunction{kKindMacroEndMode, 2, 0}));
  EXPECT_EQ(MacroFunction(3, 3, 0, 0), std::nullopt);
  EXPECT_EQ(MacroFunction(-1, 3, 0, 0), std::nullopt);
  EXPECT_EQ(MacroFunction(256, 1000, 0, 0), std::nullopt);

  EXPECT_EQ(MacroFieldsOf({kKindMacroEndMode, 5, 2}), (MacroFields{5, 2, 0}));
  EXPECT_EQ(MacroFieldsOf({kKindMacroRepeat, 5, 30}), (MacroFields{5, kMacroRepeatItem, 30}));
}

TEST(EditFieldTest, LeadingDecimalDigitsTruncatedToTheByte) {
  struct Case {
    const char* text;
    uint8_t value;
  };
  const Case cases[] = {
      {"", 0},     {"abc", 0},   {"-", 0},      {"--1", 0},
      {"12", 12},  {"+7", 7},    {"-1", 255},   {"-300", 212},
      {"300", 44}, {"  42", 42}, {"12abc", 12}, {"99999999999999999999", 255},
      {"1 2", 1},  {"x5", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(EditFieldByte(c.text), c.value) << '"' << c.text << '"';
}

// ---- building from the panel's inputs -----------------------------------------------------

// Panel inputs of `category` with the fields `set` fills.
CategoryInputs In(int category, void (*set)(CategoryInputs&) = nullptr) {
  CategoryInputs inputs;
  inputs.category = category;
  if (set) set(inputs);
  return inputs;
}

TEST(BuildKeyFunctionTest, EachCategoryGivesItsCode) {
  const KeyFunction current{kKindKey, 0, 0x2C};
  const KeyFunction def{kKindKey, 0, 0x29};
  struct Case {
    const char* what;
    CategoryInputs inputs;
    KeyFunction code;
  };
  const Case cases[] = {
      {"restore default", In(0, [](CategoryInputs& i) { i.tableRow = 1; }), def},
      {"unknown category", In(12), def},
      {"negative category", In(-1), def},
      {"right button",
       In(1, [](CategoryInputs& i) { i.tableRow = 2; }),
       {kKindMouseButton, 0x02, 0}},
      {"no mouse row", In(1, [](CategoryInputs& i) { i.tableRow = -1; }), current},
      {"mouse row past the table", In(1, [](CategoryInputs& i) { i.tableRow = 5; }), current},
      {"dpi row", In(4, [](CategoryInputs& i) { i.tableRow = 2; }), {kKindDpi, 3, 0}},
      {"media play", In(7, [](CategoryInputs& i) { i.tableRow = 1; }), {kKindConsumer, 0xCD, 0x00}},
      {"wake up", In(8, [](CategoryInputs& i) { i.tableRow = 2; }), {kKindSystem, 0x04, 0}},
      {"copy", In(11, [](CategoryInputs& i) { i.tableRow = 4; }), {kKindKey, 0x10, 0x06}},
      {"swing",
       In(2,
          [](CategoryInputs& i) {
            i.motion = {1, 2, 5, true};
          }),
       {kKindMouseSwing, 0x12, 0x85}},
      {"wheel",
       In(3,
          [](CategoryInputs& i) {
            i.motion = {1, 2, 5, true};
          }),
       {kKindMouseWheel, 0x12, 0xFB}},
      {"fire",
       In(5,
          [](CategoryInputs& i) {
            i.fire = {3, 4};
          }),
       {kKindFire, 10, 4}},
      {"alt+a",
       In(6,
          [](CategoryInputs& i) {
            i.keyboard = {3, 0x04};
          }),
       {kKindKey, 0x04, 0x04}},
      {"empty keyboard key",
       In(6,
          [](CategoryInputs& i) {
            i.keyboard = {-1, 0};
          }),
       {kKindKey, 0, 0}},
      {"repeated macro",
       In(9,
          [](CategoryInputs& i) {
            i.macroIndex = 1;
            i.endModeItem = 4;
            i.repeatCount = 6;
          }),
       {kKindMacroRepeat, 1, 6}},
      {"macro end mode",
       In(9,
          [](CategoryInputs& i) {
            i.macroIndex = 2;
            i.endModeItem = 3;
          }),
       {kKindMacroEndMode, 2, 3}},
      {"macro that does not exist", In(9, [](CategoryInputs& i) { i.macroIndex = 3; }), current},
      {"no macro", In(9, [](CategoryInputs& i) { i.macroIndex = -1; }), current},
      {"gun key", In(10, [](CategoryInputs& i) { i.gunKey = 3; }), {kKindGunKey, 3, 0}},
      {"no gun key", In(10, [](CategoryInputs& i) { i.gunKey = -1; }), current},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildKeyFunction(c.inputs, current, def, 3), c.code) << c.what;
  }
}

// ---- device key map -----------------------------------------------------------------------

TEST(KeyMapEntryTest, ReadsAndWritesWholeEntriesOnly) {
  std::vector<uint8_t> map = {0x20, 0x00, 0x29, 0x20, 0x00, 0x3A, 0xA0};  // a torn third entry
  EXPECT_EQ(ReadKeyMapEntry(map, 0), (KeyFunction{kKindKey, 0, 0x29}));
  EXPECT_EQ(ReadKeyMapEntry(map, 1), (KeyFunction{kKindKey, 0, 0x3A}));
  EXPECT_EQ(ReadKeyMapEntry(map, 2), std::nullopt);
  EXPECT_EQ(ReadKeyMapEntry(map, SIZE_MAX / 2), std::nullopt);
  EXPECT_EQ(ReadKeyMapEntry({}, 0), std::nullopt);

  EXPECT_TRUE(WriteKeyMapEntry(map, 1, {kKindMKey, 0xA2, 0x01}));
  EXPECT_FALSE(WriteKeyMapEntry(map, 2, {0x11, 0x22, 0x33}));
  EXPECT_THAT(map, ElementsAre(0x20, 0x00, 0x29, 0xD0, 0xA2, 0x01, 0xA0));
}

TEST(DeviceKeyEntryEncoderTest, MacrosAreNumberedByFirstUse) {
  const KeyFunction def{kKindKey, 0, 0x29};
  DeviceKeyEntryEncoder encoder(5);
  EXPECT_EQ(encoder.Encode(Slot({kKindMacroEndMode, 3, 2}, def)),
            (KeyFunction{kKindMacroEndMode, 0, 2}));
  EXPECT_EQ(encoder.Encode(Slot(kKeyA, def)), kKeyA);
  EXPECT_EQ(encoder.Encode(Slot({kKindMacroRepeat, 1, 9}, def)),
            (KeyFunction{kKindMacroRepeat, 1, 9}));
  // The same macro on a second key refers to the same record.
  EXPECT_EQ(encoder.Encode(Slot({kKindMacroRepeat, 3, 4}, def)),
            (KeyFunction{kKindMacroRepeat, 0, 4}));
  // Macro 7 of 5 does not exist: the key goes out with its factory function.
  EXPECT_EQ(encoder.Encode(Slot({kKindMacroEndMode, 7, 0}, def)), def);
  EXPECT_THAT(encoder.MacroOrder(), ElementsAre(3, 1));
}

TEST(DeviceKeyEntryEncoderTest, UnusableCodesFallBackToTheDefaultThenToNone) {
  const KeyFunction def{kKindKey, 0, 0x29};
  DeviceKeyEntryEncoder encoder(2);
  EXPECT_EQ(encoder.Encode(Slot({0x55, 1, 2}, def)), def);
  // A macro default gets its image number as well.
  EXPECT_EQ(encoder.Encode(Slot({kKindMacroEndMode, 9, 0}, {kKindMacroEndMode, 1, 0})),
            (KeyFunction{kKindMacroEndMode, 0, 0}));
  EXPECT_EQ(encoder.Encode(Slot({kKindMacroEndMode, 9, 0}, {kKindMacroRepeat, 2, 0})), kNoFunction);
  EXPECT_EQ(encoder.Encode(Slot({0x55, 1, 2}, {0x66, 0, 0})), kNoFunction);
  // The mouse's own functions pass through untouched.
  EXPECT_EQ(encoder.Encode(Slot({kKindMouseFactory, 0x90, 0x01}, def)),
            (KeyFunction{kKindMouseFactory, 0x90, 0x01}));
  EXPECT_THAT(encoder.MacroOrder(), ElementsAre(1));
}

TEST(DeviceKeyEntryEncoderTest, NoMacrosMeansEveryMacroKeyIsSentAsItsDefault) {
  const KeyFunction def{kKindKey, 0, 0x3A};
  DeviceKeyEntryEncoder encoder(0);
  EXPECT_EQ(encoder.Encode(Slot({kKindMacroEndMode, 0, 0}, def)), def);
  EXPECT_TRUE(encoder.MacroOrder().empty());
}

}  // namespace
}  // namespace qv
