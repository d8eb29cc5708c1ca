#include "devices/usb_device.h"

#include <gtest/gtest.h>

#include "devices/device_test_support.h"

namespace qv {
namespace {

using std::chrono::hours;
using std::chrono::milliseconds;
using test::FakeMainWindow;
using test::FakePageView;
using test::OpenDevice;

const SteadyTime kT0 = SteadyTime{} + hours(1);

uint32_t Entry(Rgb c, uint8_t brightness) {
  return PackLightColor(c, brightness);
}

class EffectTest : public testing::Test {
 protected:
  void SetUp() override { device_.SetLightCount(3); }
  // Every light must hold the same entry; returns it.
  uint32_t All() {
    const uint32_t first = device_.GetLightColor(0);
    for (int i = 1; i < 3; ++i) EXPECT_EQ(device_.GetLightColor(i), first) << "light " << i;
    return first;
  }
  void Steps(void (CKestravaUSBDevice::*effect)(SteadyTime), int n) {
    for (int i = 0; i < n; ++i) (device_.*effect)(kT0);
  }
  OpenDevice device_;
};

TEST_F(EffectTest, StaticAndOff) {
  device_.SetLights({10, 20, 30}, 2, 0, 1, false);
  device_.EffectStatic(kT0);
  EXPECT_EQ(All(), Entry({10, 20, 30}, 135));
  device_.EffectOff();
  EXPECT_EQ(All(), 0u);
}

TEST_F(EffectTest, BreathingFollowsTheCurveAtTheBrightnessLevel) {
  device_.SetLights({200, 100, 50}, 4, 0, 1, false);
  Steps(&CKestravaUSBDevice::EffectBreathing, 11);  // phase 11: curve 12
  EXPECT_EQ(All(), Entry({200, 100, 50}, 12 * 255 / 256));
  Steps(&CKestravaUSBDevice::EffectBreathing, 52);  // phase 63: curve 255
  EXPECT_EQ(All(), Entry({200, 100, 50}, 254));
  device_.SetLights({200, 100, 50}, 1, 0, 1, false);
  device_.EffectBreathing(kT0);  // phase 64: 255 at level 80
  EXPECT_EQ(All(), Entry({200, 100, 50}, 255 * 80 / 256));
}

TEST_F(EffectTest, BreathingBackwardsStartsAtTheEndOfTheCurve) {
  device_.SetLights({1, 2, 3}, 4, 0, 0, false);
  device_.EffectBreathing(kT0);
  EXPECT_EQ(device_.EffectPhase, 127);
  Steps(&CKestravaUSBDevice::EffectBreathing, 63);  // phase 64
  EXPECT_EQ(All(), Entry({1, 2, 3}, 254));
}

TEST_F(EffectTest, MultiColourBreathingMovesSixteenWheelEntriesPerBreath) {
  device_.SetLights({0, 0, 0}, 4, 0, 1, true);
  device_.EffectBreathing(kT0);
  EXPECT_EQ(LightRgb(All()), kColorWheel[0]);
  Steps(&CKestravaUSBDevice::EffectBreathing, 127);  // phase back at 0
  EXPECT_EQ(All(), Entry({255, 81, 0}, 0));
  Steps(&CKestravaUSBDevice::EffectBreathing, 128 * 11);
  EXPECT_EQ(LightRgb(All()), kColorWheel[192]);
  Steps(&CKestravaUSBDevice::EffectBreathing, 128);  // after 192 the index starts again at 0
  EXPECT_EQ(LightRgb(All()), kColorWheel[0]);
  Steps(&CKestravaUSBDevice::EffectBreathing, 128);
  EXPECT_EQ(LightRgb(All()), kColorWheel[16]);
}

TEST_F(EffectTest, BreathingCycleTakesTheNextFixedColourEachBreath) {
  device_.SetLights({9, 9, 9}, 4, 0, 1, false);
  const Rgb expected[] = {{0, 255, 180}, {0, 255, 0}, {255, 255, 255}, {255, 0, 0}, {0, 255, 180}};
  device_.EffectBreathingCycle(kT0);
  EXPECT_EQ(LightRgb(All()), expected[0]);
  Steps(&CKestravaUSBDevice::EffectBreathingCycle, 127);
  for (int breath = 1; breath < 5; ++breath) {
    EXPECT_EQ(LightRgb(All()), expected[breath]) << "breath " << breath;
    Steps(&CKestravaUSBDevice::EffectBreathingCycle, 128);
  }
}

TEST_F(EffectTest, SpectrumRunsTheWheelInTheSettingsDirection) {
  device_.SetLights({0, 0, 0}, 3, 0, 0, false);
  const size_t backwards[] = {191, 190, 189};
  for (size_t index : backwards) {
    device_.EffectSpectrum(kT0);
    EXPECT_EQ(All(), Entry(kColorWheel[index], 195)) << index;
  }
  device_.SetLights({0, 0, 0}, 3, 0, 1, false);
  device_.EffectSpectrum(kT0);
  EXPECT_EQ(All(), Entry(kColorWheel[190], 195));
  Steps(&CKestravaUSBDevice::EffectSpectrum, 2);  // 191, then 0
  EXPECT_EQ(All(), Entry(kColorWheel[0], 195));
}

struct BlinkCase {
  uint8_t speed;
  int periodMs;
};

class BlinkTest : public EffectTest, public testing::WithParamInterface<BlinkCase> {};

TEST_P(BlinkTest, FlipsOncePerPeriod) {
  const int period = GetParam().periodMs;
  device_.SetLights({1, 2, 3}, 3, GetParam().speed, 1, false);
  const uint32_t on = Entry({1, 2, 3}, 195);
  struct Step {
    int atMs;
    uint32_t expected;
  };
  const Step steps[] = {{0, on},          {period - 1, on},    {period, 0}, {2 * period - 1, 0},
                        {2 * period, on}, {2 * period + 5, on}};
  for (const Step& s : steps) {
    device_.EffectBlink(kT0 + milliseconds(s.atMs));
    EXPECT_EQ(All(), s.expected) << "at " << s.atMs << " ms";
  }
}

INSTANTIATE_TEST_SUITE_P(SpeedLevels, BlinkTest,
                         testing::Values(BlinkCase{0, 5600}, BlinkCase{1, 4600}, BlinkCase{2, 3600},
                                         BlinkCase{3, 2600}, BlinkCase{4, 1400}));

TEST_F(EffectTest, MultiColourBlinkAdvancesSixteenEntriesPerFlip) {
  device_.SetLights({0, 0, 0}, 4, 4, 1, true);
  device_.EffectBlink(kT0);
  EXPECT_EQ(All(), Entry(kColorWheel[16], 255));
  device_.EffectBlink(kT0 + milliseconds(1400));
  EXPECT_EQ(All(), 0u);
  device_.EffectBlink(kT0 + milliseconds(2800));
  EXPECT_EQ(All(), Entry(kColorWheel[48], 255));
}

TEST_F(EffectTest, BlinkCycleTakesTheNextFixedColourPerFlip) {
  device_.SetLights({0, 0, 0}, 4, 4, 1, false);
  const uint32_t expected[] = {Entry({0, 255, 0}, 255), 0, Entry({255, 0, 0}, 255), 0,
                               Entry({0, 255, 0}, 255)};
  for (int flip = 0; flip < 5; ++flip) {
    device_.EffectBlinkCycle(kT0 + milliseconds(1400 * flip));
    EXPECT_EQ(All(), expected[flip]) << "flip " << flip;
  }
}

TEST(LightColorTest, OutOfRangeIndexesAreIgnoredAndReadAsZero) {
  OpenDevice device;
  device.SetLightCount(4);
  device.SetLightColor(3, 0x11223344);
  device.SetLightColor(4, 0x55555555);
  device.SetLightColor(-1, 0x55555555);
  EXPECT_EQ(device.GetLightColor(3), 0x11223344u);
  EXPECT_EQ(device.GetLightColor(4), 0u);
  EXPECT_EQ(device.GetLightColor(-1), 0u);
  EXPECT_EQ(device.GetLightColor(1000000), 0u);
  device.SetLightCount(2);
  EXPECT_EQ(device.GetLightColor(3), 0u);
}

struct DecayCase {
  uint8_t start;
  int effectCode;
  uint8_t expected;
};

class DecayTest : public testing::TestWithParam<DecayCase> {};

TEST_P(DecayTest, OneFadeStep) {
  OpenDevice device;
  device.KeyIntensity[7] = GetParam().start;
  EXPECT_EQ(device.DecayKeyIntensity(7, GetParam().effectCode), GetParam().expected);
  EXPECT_EQ(device.KeyIntensity[7], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Bands, DecayTest,
                         testing::Values(DecayCase{255, 0, 215}, DecayCase{128, 0, 88},
                                         DecayCase{127, 0, 97}, DecayCase{64, 0, 34},
                                         DecayCase{63, 0, 48}, DecayCase{63, 8, 53},
                                         DecayCase{32, 0, 17}, DecayCase{32, 1, 22},
                                         DecayCase{31, 0, 23}, DecayCase{17, 0, 9},
                                         DecayCase{16, 0, 15}, DecayCase{1, 0, 0},
                                         DecayCase{0, 0, 0}));

TEST(IntensityTest, RingSeedsKeysRotatesAndClears) {
  OpenDevice device;
  EXPECT_EQ(device.DecayKeyIntensity(170, 0), 0) << "a key outside the table is ignored";
  device.ColumnRing[0] = 1;
  device.ColumnRing[8] = 3;
  device.ColumnRing[9] = 5;  // beyond the first nine: seeds nothing
  device.ResetKeyIntensity();
  EXPECT_EQ(device.KeyIntensity[1], 255);
  EXPECT_EQ(device.KeyIntensity[9], 255);
  EXPECT_EQ(device.KeyIntensity[10], 0);
  EXPECT_EQ(device.KeyIntensity[0], 0);

  device.ColumnRing = {};
  device.ColumnRing[0] = 1;
  device.ColumnRing[22] = 2;
  device.RotateColumns(0);  // towards lower indexes
  EXPECT_EQ(device.ColumnRing[22], 1);
  EXPECT_EQ(device.ColumnRing[21], 2);
  device.RotateColumns(1);
  device.RotateColumns(1);  // towards higher indexes
  EXPECT_EQ(device.ColumnRing[1], 1);
  EXPECT_EQ(device.ColumnRing[0], 2);

  device.ClearIntensity();
  EXPECT_EQ(device.ColumnRing, (std::array<uint8_t, 23>{}));
  EXPECT_EQ(device.KeyIntensity, (std::array<uint8_t, 170>{}));
}

TEST(ParseIndexedNameTest, SplitsAtTheLastUnderscore) {
  struct Case {
    const char* name;
    const char* prefix;
    bool ok;
    unsigned index;
  };
  const Case cases[] = {
      {"key_5", "key_", true, 5},      {"KEY_12", "key_", true, 12},
      {"light_7x", "light_", true, 7}, {"light_", "light_", true, 0},
      {"light_x", "light_", true, 0},  {"key5", "key_", false, 0},
      {"my_key_3", "key_", false, 0},  {"light_5", "key_", false, 0},
  };
  for (const Case& c : cases) {
    unsigned index = 12345;
    EXPECT_EQ(ParseIndexedName(c.name, c.prefix, &index), c.ok) << c.name;
    if (c.ok) {
      EXPECT_EQ(index, c.index) << c.name;
    }
  }
  unsigned huge = 0;
  EXPECT_TRUE(ParseIndexedName("key_99999999999999999999", "key_", &huge));
  EXPECT_GT(huge, 100000000u) << "a long number stays too large instead of wrapping";
}

TEST(BindPageTest, BindsKeysAndLightsByNameAndUserData) {
  OpenDevice device;
  FakePageView page;
  page.controls = {{"key_0", ""},   {"KEY_2", ""},    {"light_1", ""}, {"key_5", "light_7"},
                   {"key_200", ""}, {"keylight", ""}, {"light_8", ""}};
  device.SetPageLayout("keyboard.xml");
  device.SetKeyCount(8);
  device.SetLightCount(8);
  device.SetPageView(&page);
  device.BindPage();
  EXPECT_EQ(device.KeyButton(0), 0);
  EXPECT_EQ(device.KeyButton(2), 1);
  EXPECT_EQ(device.KeyButton(5), 3);
  EXPECT_EQ(device.KeyButton(1), -1);
  EXPECT_EQ(device.LightControl(1), 2);
  EXPECT_EQ(device.LightControl(7), 3);
  EXPECT_EQ(device.LightControl(0), -1) << "light_8 is past the last light";
  EXPECT_EQ(page.shown, (std::vector<FakePageView::Shown>{{2, 0xFFFFFF, 255}, {3, 0xFFFFFF, 255}}));

  OpenDevice bare;
  bare.SetKeyCount(8);
  bare.SetLightCount(8);
  bare.SetPageView(&page);
  bare.BindPage();  // no page layout: nothing to bind
  EXPECT_EQ(bare.GetKeyCount(), 0u);
  EXPECT_EQ(bare.GetLightCount(), 0u);
}

struct FunctionPageCase {
  int type;
  uint32_t typeCode;
  int devicePage;
  int keyPage;  // -1: unchanged
};

class ShowFunctionPageTest : public testing::TestWithParam<FunctionPageCase> {};

TEST_P(ShowFunctionPageTest, SelectsTheSwitchPages) {
  const FunctionPageCase& c = GetParam();
  OpenDevice device;
  SupportedInterface row{};
  row.TypeCode = static_cast<DeviceTypeCode>(c.typeCode);
  device.SetInterface(row);
  FakePageView page;
  page.named = {{"device_function_switch", 10}, {"device_key_function_switch", 11}};
  device.SetPageView(&page);
  device.ShowFunctionPage(c.type);
  EXPECT_EQ(device.GetFunctionPage(), c.type);
  std::vector<std::pair<int, int>> expected = {{10, c.devicePage}};
  if (c.keyPage >= 0) expected.emplace_back(11, c.keyPage);
  EXPECT_EQ(page.selected, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ShowFunctionPageTest,
    testing::Values(FunctionPageCase{2, 1, 0, 1}, FunctionPageCase{6, 7, 0, 1},
                    FunctionPageCase{3, 1, 1, -1}, FunctionPageCase{8, 3, 1, -1},
                    FunctionPageCase{4, 1, 3, -1}, FunctionPageCase{4, 2, 3, -1},
                    FunctionPageCase{4, 3, 0, 2}, FunctionPageCase{4, 7, 0, 2},
                    FunctionPageCase{7, 1, 0, 2}, FunctionPageCase{5, 2, 2, -1},
                    FunctionPageCase{1, 1, 0, 0}, FunctionPageCase{0, 2, 0, 0},
                    FunctionPageCase{9, 1, 0, 0}));

TEST(FunctionSwitchTest, FoundOnceAndOptional) {
  OpenDevice device;
  FakePageView page;
  page.named = {{"device_function_switch", 4}, {"device_key_function_switch", 5}};
  device.SetPageView(&page);
  device.ShowFunctionPage(2);
  device.ShowFunctionPage(5);
  EXPECT_EQ(page.lookups,
            (std::vector<std::string>{"device_function_switch", "device_key_function_switch"}));
  EXPECT_EQ(page.selected, (std::vector<std::pair<int, int>>{{4, 0}, {5, 1}, {4, 2}}));

  OpenDevice pageless;
  pageless.ShowFunctionPage(3);
  EXPECT_EQ(pageless.GetFunctionPage(), 3);
}

// Captures the frames the device would stream.
class FrameDevice : public OpenDevice {
 public:
  FrameDevice() {
    SetSleeper([this](milliseconds d) { pauses.push_back(d); });
  }
  std::vector<std::vector<uint8_t>> frames;
  std::vector<milliseconds> pauses;
  TransactionResult result = kResultSuccess;

 protected:
  TransactionResult StreamFrame(const uint8_t* data, size_t n) override {
    frames.emplace_back(data, data + n);
    return result;
  }
};

TEST(SendColorFrameTest, ScalesEachLightByItsBrightnessIntoThreeBytes) {
  FrameDevice device;
  device.SetLightCount(4);
  device.SetLightColor(0, Entry({255, 128, 0}, 255));
  device.SetLightColor(1, Entry({10, 20, 30}, 128));
  device.SetLightColor(3, Entry({255, 255, 255}, 0));
  EXPECT_EQ(device.SendColorFrame(), kResultSuccess);
  ASSERT_EQ(device.frames.size(), 1u);
  EXPECT_EQ(device.frames[0], (std::vector<uint8_t>{254, 127, 0, 5, 10, 15, 0, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(device.pauses.empty());

  device.result = kResultWriteFailed;
  EXPECT_EQ(device.SendColorFrame(), kResultWriteFailed);
  EXPECT_EQ(device.pauses, std::vector<milliseconds>{milliseconds(200)});

  device.SetWireless(true);
  EXPECT_EQ(device.SendColorFrame(), kResultSuccess);
  EXPECT_EQ(device.frames.size(), 2u) << "nothing is streamed through the receiver";
}

TEST(SendColorFrameTest, LightsFromIndex170HaveNoPlaceInTheFrame) {
  FrameDevice device;
  device.SetLightCount(172);
  for (int i = 0; i < 172; ++i) device.SetLightColor(i, Entry({255, 255, 255}, 255));
  device.SendColorFrame();
  ASSERT_EQ(device.frames.size(), 1u);
  const std::vector<uint8_t>& frame = device.frames[0];
  ASSERT_EQ(frame.size(), 512u) << "never more than the frame holds";
  for (size_t i = 0; i < 510; ++i) ASSERT_EQ(frame[i], 254) << i;
  EXPECT_EQ(frame[510], 0);
  EXPECT_EQ(frame[511], 0);
}

TEST(SendColorFrameTest, VisibleLightControlsShowTheColour) {
  FrameDevice device;
  FakePageView page;
  page.controls = {{"light_0", ""}, {"light_1", ""}, {"light_2", ""}};
  page.visible = {true, false, true};
  device.SetPageLayout("page.xml");
  device.SetLightCount(3);
  device.SetPageView(&page);
  device.BindPage();
  page.shown.clear();
  device.SetLightColor(0, Entry({0x11, 0x22, 0x33}, 0x80));
  device.SetLightColor(1, Entry({1, 1, 1}, 1));
  // Nothing shows the page: nothing is shown.
  device.SendColorFrame();
  EXPECT_TRUE(page.shown.empty());
  device.SetPreviewShown(true);
  device.SendColorFrame();
  EXPECT_EQ(page.shown, (std::vector<FakePageView::Shown>{{0, 0x223311, 0x80}, {2, 0, 0}}));
  // Unchanged lights are not shown again; a changed one is, once the display's period passed.
  page.shown.clear();
  device.SetLightColor(2, Entry({4, 5, 6}, 7));
  EXPECT_FALSE(device.RefreshLightPreview(SteadyClock::now()));
  EXPECT_TRUE(device.RefreshLightPreview(SteadyClock::now() + kPreviewPeriod));
  EXPECT_EQ(page.shown, (std::vector<FakePageView::Shown>{{2, 0x050604, 7}}));
}

TEST(SendColorFrameTest, AStillPreviewRestsUntilALightChanges) {
  FrameDevice device;
  FakePageView page;
  page.controls = {{"light_0", ""}};
  page.visible = {true};
  device.SetPageLayout("page.xml");
  device.SetLightCount(1);
  device.SetPageView(&page);
  device.BindPage();
  device.SetPreviewShown(true);
  EXPECT_TRUE(device.EffectIsStill());  // no effect: nothing moves by itself
  device.RefreshLightPreview(SteadyClock::now());
  EXPECT_FALSE(device.PreviewStale());
  device.SetLightColor(0, device.GetLightColor(0));
  EXPECT_FALSE(device.PreviewStale()) << "the same colour again is no change";
  device.SetLightColor(0, Entry({1, 2, 3}, 4));
  EXPECT_TRUE(device.PreviewStale());
  for (HostEffect moving : {HostEffect::kBreathing, HostEffect::kSpectrum, HostEffect::kBlink}) {
    device.SetHostEffect(moving);
    EXPECT_FALSE(device.EffectIsStill());
  }
  device.SetHostEffect(HostEffect::kStatic);
  EXPECT_TRUE(device.EffectIsStill());
}

TEST(HostLightControlTest, StoresTheFlagAndSendsNothingFromOtherDevices) {
  OpenDevice mouse;
  SupportedInterface row{};
  row.TypeCode = kTypeMouse;
  mouse.SetInterface(row);
  EXPECT_TRUE(mouse.GetHostLightControl());
  EXPECT_EQ(mouse.SetHostLightControl(false), kResultNoAnswer);
  EXPECT_FALSE(mouse.GetHostLightControl());
  EXPECT_EQ(mouse.SetHostLightControl(true), kResultNoAnswer);
  EXPECT_TRUE(mouse.GetHostLightControl());
}

TEST(MainWindowTest, MessagesAreSentAndPostedTasksOutliveNoDevice) {
  FakeMainWindow window;
  int ran = 0;
  {
    OpenDevice device;
    EXPECT_EQ(device.SendToMainWindow(kMsgPowerStatus, 3, 0), 0) << "no window yet";
    EXPECT_FALSE(device.PostToInterface([&] { ++ran; }));
    device.SetMainWindow(&window);
    EXPECT_EQ(device.SendToMainWindow(kMsgDeviceVersion, 0x5080, 0x0105), 1);
    EXPECT_TRUE(device.PostToInterface([&] { ++ran; }));
    EXPECT_EQ(window.RunTasks(), 1);
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(device.PostToInterface([&] { ++ran; }));
  }
  // The device is gone before its task runs: the task is dropped.
  EXPECT_EQ(window.RunTasks(), 1);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(window.Sent(),
            (std::vector<FakeMainWindow::Message>{{kMsgDeviceVersion, 0x5080, 0x0105}}));
}

}  // namespace
}  // namespace qv
