// The hook object with scripted sources: which message each mode sends, installing, replacing
// and removing, a key source that cannot start, and one source serving both hooks. Then the
// evdev key codes as set 1 codes.
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <vector>

#include "macros/scan_code_table.h"
#include "platform/input_capture.h"
#include "platform/registered_messages.h"
#include "platform/set1_keys.h"

namespace qv {
namespace {

class CountingSource : public ScriptedInputSource {
 public:
  bool Start(InputHandler handler) override {
    ++starts;
    if (refuse) return false;
    return ScriptedInputSource::Start(std::move(handler));
  }
  void Stop() override {
    ++stops;
    ScriptedInputSource::Stop();
  }
  int starts = 0;
  int stops = 0;
  bool refuse = false;
};

struct Received {
  uint32_t message;
  uint16_t wParam;
  InputEvent event;
};

class Target : public HookTarget {
 public:
  void OnHookMessage(uint32_t message, uint16_t wParam, const InputEvent& event) override {
    got.push_back({message, wParam, event});
    if (onMessage) onMessage();
  }
  std::vector<Received> got;
  std::function<void()> onMessage;
};

struct ModeCase {
  int mode;
  uint32_t keyMessage;
  uint32_t mouseMessage;
};

class HookModeTest : public testing::TestWithParam<ModeCase> {};

TEST_P(HookModeTest, KeyAndMouseEventsBecomeTheMessagesOfTheMode) {
  const ModeCase& c = GetParam();
  EXPECT_EQ(KeyHookMessage(c.mode), c.keyMessage);
  EXPECT_EQ(MouseHookMessage(c.mode), c.mouseMessage);

  CountingSource keys, mice;
  Target target;
  CDeviceHook hook;
  hook.SetSources(&keys, &mice);
  ASSERT_EQ(hook.Install(c.mode, &target, true, true), 1);
  EXPECT_EQ(hook.Mode(), c.mode);
  keys.Key(0x1E, false, true);
  keys.Key(0x1D, true, false);
  mice.Mouse(kMsgExtraDown, 10, -20, kExtraForward);

  std::vector<Received> expected;
  if (c.keyMessage) {
    expected.push_back({c.keyMessage, kMsgKeyDown, {}});
    expected.push_back({c.keyMessage, kMsgKeyUp, {}});
  }
  if (c.mouseMessage) expected.push_back({c.mouseMessage, kMsgExtraDown, {}});
  ASSERT_EQ(target.got.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(target.got[i].message, expected[i].message) << i;
    EXPECT_EQ(target.got[i].wParam, expected[i].wParam) << i;
  }
  if (c.keyMessage) {
    EXPECT_EQ(target.got[1].event.key.scanCode, 0x1D);
    EXPECT_TRUE(target.got[1].event.key.extended);
  }
  if (c.mouseMessage) {
    const MouseInput& m = target.got.back().event.mouse;
    EXPECT_EQ(m.x, 10);
    EXPECT_EQ(m.y, -20);
    EXPECT_EQ(m.extraButton, kExtraForward);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, HookModeTest,
    testing::Values(
        ModeCase{kHookSingleKey, WM_HOOK_KEY_SINGLEKEY_MSG, 0},
        ModeCase{kHookHitKey, WM_HOOK_KEY_HITKEY_MSG, 0},
        ModeCase{kHookAppend, WM_HOOK_KEY_KBMACRO_MSG, WM_HOOK_KEY_MSMACRO_MSG},
        ModeCase{kHookInsertBefore, WM_HOOK_KEY_KBMACROPREVIOUS_MSG,
                 WM_HOOK_KEY_MSMACROPREVIOUS_MSG},
        ModeCase{kHookInsertAfter, WM_HOOK_KEY_KBMACROLATER_MSG, WM_HOOK_KEY_MSMACROLATER_MSG},
        ModeCase{kHookReplace, WM_HOOK_KEY_KBMACROSINGLE_MSG, WM_HOOK_KEY_MSMACROSINGLE_MSG},
        ModeCase{kHookMouseSingleKey, WM_HOOK_MOU_SINGLEKEY_MSG, 0},
        ModeCase{kHookMouseHitKey, WM_HOOK_MOU_HITKEY_MSG, 0},
        ModeCase{kHookMouseMacro, WM_HOOK_MOU_KBMACRO_MSG, 0}, ModeCase{0, 0, 0}, ModeCase{3, 0, 0},
        ModeCase{64, 0, 0}, ModeCase{4 | 8, 0, 0}, ModeCase{2048, 0, 0}));

class DeviceHookTest : public testing::Test {
 protected:
  void SetUp() override { hook.SetSources(&keys, &mice); }
  CountingSource keys, mice;
  Target target;
  CDeviceHook hook;
};

TEST_F(DeviceHookTest, KeySourceThatCannotStartFailsTheInstallAndLeavesTheMouseAlone) {
  ASSERT_EQ(hook.Install(kHookAppend, &target, true, true), 1);
  keys.refuse = true;
  EXPECT_EQ(hook.Install(kHookReplace, &target, true, true), 0);
  // What was installed is gone, the mouse source was not started again, the mode is the old one.
  EXPECT_FALSE(hook.KeyboardInstalled());
  EXPECT_FALSE(hook.MouseInstalled());
  EXPECT_EQ(hook.Mode(), kHookAppend);
  EXPECT_EQ(mice.starts, 1);
  EXPECT_FALSE(mice.Started());
  EXPECT_FALSE(mice.Mouse(kMsgLeftDown));
  EXPECT_TRUE(target.got.empty());
}

TEST_F(DeviceHookTest, MouseSourceStartsOnlyWhenWanted) {
  ASSERT_EQ(hook.Install(kHookSingleKey, &target, true, false), 1);
  EXPECT_TRUE(keys.Started());
  EXPECT_EQ(mice.starts, 0);
  EXPECT_FALSE(hook.MouseInstalled());
  // Without a keyboard hook the key source is not needed either.
  ASSERT_EQ(hook.Install(kHookAppend, &target, false, true), 1);
  EXPECT_FALSE(keys.Started());
  EXPECT_TRUE(mice.Started());
  EXPECT_FALSE(keys.Key(0x1E, false, true));
  EXPECT_TRUE(mice.Mouse(kMsgLeftDown));
  ASSERT_EQ(target.got.size(), 1u);
  EXPECT_EQ(target.got[0].message, WM_HOOK_KEY_MSMACRO_MSG);
}

TEST_F(DeviceHookTest, ReinstallReplacesModeAndHandlers) {
  ASSERT_EQ(hook.Install(kHookAppend, &target, true, true), 1);
  Target other;
  ASSERT_EQ(hook.Install(kHookInsertAfter, &other, true, true), 1);
  EXPECT_EQ(keys.stops, 1);
  EXPECT_EQ(mice.stops, 1);
  keys.Key(0x1E, false, true);
  mice.Mouse(kMsgRightUp);
  EXPECT_TRUE(target.got.empty());
  ASSERT_EQ(other.got.size(), 2u);  // once each: the first install's handlers are gone
  EXPECT_EQ(other.got[0].message, WM_HOOK_KEY_KBMACROLATER_MSG);
  EXPECT_EQ(other.got[1].message, WM_HOOK_KEY_MSMACROLATER_MSG);
  EXPECT_EQ(other.got[1].wParam, kMsgRightUp);
}

TEST_F(DeviceHookTest, RemoveStopsBothSourcesEvenFromInsideTheTarget) {
  ASSERT_EQ(hook.Install(kHookAppend, &target, true, true), 1);
  target.onMessage = [&] { hook.Remove(); };  // the stop button, while its own event is handled
  EXPECT_TRUE(keys.Key(0x01, false, true));
  EXPECT_FALSE(keys.Started());
  EXPECT_FALSE(mice.Started());
  EXPECT_FALSE(hook.KeyboardInstalled());
  EXPECT_FALSE(hook.MouseInstalled());
  EXPECT_FALSE(mice.Mouse(kMsgLeftDown));
  EXPECT_EQ(target.got.size(), 1u);
  hook.Remove();  // nothing left to stop
  EXPECT_EQ(keys.stops, 1);
  EXPECT_EQ(mice.stops, 1);
}

TEST_F(DeviceHookTest, DestructionRemovesTheHooks) {
  {
    CDeviceHook scoped;
    scoped.SetSources(&keys, &mice);
    ASSERT_EQ(scoped.Install(kHookInsertBefore, &target, true, true), 1);
  }
  EXPECT_FALSE(keys.Started());
  EXPECT_FALSE(mice.Started());
}

TEST_F(DeviceHookTest, SeparateKeySourceDoesNotReportTheMouseTwice) {
  ASSERT_EQ(hook.Install(kHookAppend, &target, true, true), 1);
  keys.Mouse(kMsgLeftDown);  // a key source that also sees clicks (the program's window)
  mice.Mouse(kMsgLeftDown);
  ASSERT_EQ(target.got.size(), 1u);
  EXPECT_EQ(target.got[0].message, WM_HOOK_KEY_MSMACRO_MSG);
}

TEST(DeviceHookSharedSourceTest, OneSourceForBothIsStartedOnceAndRoutedByKind) {
  CountingSource both;
  Target target;
  CDeviceHook hook;
  hook.SetSources(&both, &both);
  ASSERT_EQ(hook.Install(kHookReplace, &target, true, true), 1);
  EXPECT_EQ(both.starts, 1);
  EXPECT_TRUE(hook.KeyboardInstalled());
  EXPECT_TRUE(hook.MouseInstalled());
  both.Key(0x2A, false, true);
  both.Mouse(kMsgMiddleDown, 5, 6);
  ASSERT_EQ(target.got.size(), 2u);
  EXPECT_EQ(target.got[0].message, WM_HOOK_KEY_KBMACROSINGLE_MSG);
  EXPECT_EQ(target.got[1].message, WM_HOOK_KEY_MSMACROSINGLE_MSG);

  // Keyboard only: the same source's clicks are not passed on.
  ASSERT_EQ(hook.Install(kHookAppend, &target, true, false), 1);
  EXPECT_EQ(both.stops, 1);
  both.Mouse(kMsgLeftDown);
  EXPECT_EQ(target.got.size(), 2u);
  // Mouse only: its keys are not passed on.
  ASSERT_EQ(hook.Install(kHookAppend, &target, false, true), 1);
  EXPECT_TRUE(both.Started());
  both.Key(0x1E, false, true);
  both.Mouse(kMsgLeftDown);
  ASSERT_EQ(target.got.size(), 3u);
  EXPECT_EQ(target.got[2].message, WM_HOOK_KEY_MSMACRO_MSG);

  hook.Remove();
  EXPECT_FALSE(both.Started());
  EXPECT_EQ(both.stops, 3);
}

TEST(DeviceHookNoSourceTest, KeyboardHookWithoutKeySourceFails) {
  Target target;
  CDeviceHook hook;
  EXPECT_EQ(hook.Install(kHookAppend, &target, true, true), 0);
  EXPECT_EQ(hook.Install(kHookAppend, &target, false, false), 1);
  EXPECT_EQ(hook.Mode(), kHookAppend);
}

struct Set1Case {
  uint16_t evdev;
  uint8_t scanCode;
  bool extended;
};

TEST(Set1KeysTest, EvdevKeysAsSet1Codes) {
  const Set1Case cases[] = {
      {KEY_ESC, 0x01, false},        {KEY_1, 0x02, false},          {KEY_0, 0x0B, false},
      {KEY_BACKSPACE, 0x0E, false},  {KEY_TAB, 0x0F, false},        {KEY_Q, 0x10, false},
      {KEY_ENTER, 0x1C, false},      {KEY_A, 0x1E, false},          {KEY_Z, 0x2C, false},
      {KEY_GRAVE, 0x29, false},      {KEY_BACKSLASH, 0x2B, false},  {KEY_SLASH, 0x35, false},
      {KEY_SPACE, 0x39, false},      {KEY_CAPSLOCK, 0x3A, false},   {KEY_LEFTCTRL, 0x1D, false},
      {KEY_RIGHTCTRL, 0x1D, true},   {KEY_LEFTSHIFT, 0x2A, false},  {KEY_RIGHTSHIFT, 0x36, true},
      {KEY_LEFTALT, 0x38, false},    {KEY_RIGHTALT, 0x38, true},    {KEY_LEFTMETA, 0x5B, true},
      {KEY_RIGHTMETA, 0x5C, true},   {KEY_COMPOSE, 0x5D, true},     {KEY_SYSRQ, 0x37, true},
      {KEY_KPASTERISK, 0x37, false}, {KEY_SCROLLLOCK, 0x46, false}, {KEY_PAUSE, 0x45, false},
      {KEY_NUMLOCK, 0x45, true},     {KEY_KPSLASH, 0x35, true},     {KEY_KPENTER, 0x1C, true},
      {KEY_KPMINUS, 0x4A, false},    {KEY_KPPLUS, 0x4E, false},     {KEY_KP7, 0x47, false},
      {KEY_KP0, 0x52, false},        {KEY_KPDOT, 0x53, false},      {KEY_HOME, 0x47, true},
      {KEY_UP, 0x48, true},          {KEY_PAGEUP, 0x49, true},      {KEY_LEFT, 0x4B, true},
      {KEY_RIGHT, 0x4D, true},       {KEY_END, 0x4F, true},         {KEY_DOWN, 0x50, true},
      {KEY_PAGEDOWN, 0x51, true},    {KEY_INSERT, 0x52, true},      {KEY_DELETE, 0x53, true},
      {KEY_F1, 0x3B, false},         {KEY_F10, 0x44, false},        {KEY_F11, 0x57, false},
      {KEY_F12, 0x58, false},        {KEY_F13, 0x64, false},        {KEY_F24, 0x76, false},
      {KEY_102ND, 0x56, false},      {KEY_RO, 0x73, false},         {KEY_YEN, 0x7D, false},
      {KEY_HANGEUL, 0xF2, false},    {KEY_VOLUMEUP, 0x30, true},
  };
  for (const Set1Case& c : cases) {
    const auto key = Set1FromEvdev(c.evdev);
    ASSERT_TRUE(key) << c.evdev;
    EXPECT_EQ(key->scanCode, c.scanCode) << c.evdev;
    EXPECT_EQ(key->extended, c.extended) << c.evdev;
  }
  for (uint16_t unknown : {0, 84, KEY_ZENKAKUHANKAKU, KEY_POWER, BTN_LEFT, BTN_SIDE, KEY_MAX}) {
    EXPECT_FALSE(Set1FromEvdev(unknown)) << unknown;
  }
}

// Every key the recorder knows can come from a Linux keyboard.
TEST(Set1KeysTest, EveryScanCodeTableRowHasAnEvdevKey) {
  for (const ScanCodeRow& row : ScanCodeTable()) {
    bool found = false;
    for (uint16_t code = 1; code < BTN_MISC && !found; ++code) {
      found = Set1FromEvdev(code) == Set1Key{row.scanCode, row.extended};
    }
    EXPECT_TRUE(found) << std::hex << int(row.scanCode) << (row.extended ? " extended" : "");
  }
}

}  // namespace
}  // namespace qv
