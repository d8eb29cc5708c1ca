#include "devices/light_tables.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace qv {
namespace {

TEST(LightTablesTest, FixedColoursLevelsAndPeriods) {
  ASSERT_EQ(kFixedColors.size(), 4u);
  EXPECT_EQ(kFixedColors[0], (Rgb{0, 255, 180}));
  EXPECT_EQ(kFixedColors[1], (Rgb{0, 255, 0}));
  EXPECT_EQ(kFixedColors[2], (Rgb{255, 255, 255}));
  EXPECT_EQ(kFixedColors[3], (Rgb{255, 0, 0}));
  EXPECT_EQ(kBrightnessLevels, (std::array<uint8_t, 5>{0, 80, 135, 195, 255}));
  EXPECT_EQ(kBlinkPeriods, (std::array<uint8_t, 5>{28, 23, 18, 13, 7}));
  // A damaged record's level reads as the top level instead of past the table.
  EXPECT_EQ(BrightnessLevelValue(9), 255);
  EXPECT_EQ(BlinkPeriodMs(4), 1400u);
  EXPECT_EQ(BlinkPeriodMs(0), 5600u);
  EXPECT_EQ(BlinkPeriodMs(200), 1400u);
}

struct WheelAnchor {
  size_t index;
  Rgb color;
};

class ColorWheelTest : public testing::TestWithParam<WheelAnchor> {};

TEST_P(ColorWheelTest, AnchorEntry) {
  EXPECT_EQ(kColorWheel[GetParam().index], GetParam().color) << "entry " << GetParam().index;
}

INSTANTIATE_TEST_SUITE_P(
    Anchors, ColorWheelTest,
    testing::Values(WheelAnchor{0, {255, 1, 0}}, WheelAnchor{16, {255, 81, 0}},
                    WheelAnchor{32, {248, 255, 0}}, WheelAnchor{48, {69, 255, 0}},
                    WheelAnchor{64, {0, 255, 1}}, WheelAnchor{80, {0, 255, 81}},
                    WheelAnchor{96, {0, 248, 255}}, WheelAnchor{112, {0, 69, 255}},
                    WheelAnchor{128, {1, 0, 255}}, WheelAnchor{144, {81, 0, 255}},
                    WheelAnchor{160, {255, 0, 248}}, WheelAnchor{176, {255, 0, 69}},
                    WheelAnchor{192, {255, 1, 0}}));

TEST(LightTablesTest, WheelHasOneReadableEntryPastItsEndAndMovesSmoothly) {
  EXPECT_EQ(kColorWheel.size(), 193u);
  EXPECT_EQ(kColorWheel[192], kColorWheel[0]);
  // Between anchors the wheel never jumps: neighbouring entries differ by at most 12 per channel.
  for (size_t i = 1; i < kColorWheel.size(); ++i) {
    const Rgb a = kColorWheel[i - 1], b = kColorWheel[i];
    EXPECT_LE(std::abs(a.red - b.red), 12) << i;
    EXPECT_LE(std::abs(a.green - b.green), 12) << i;
    EXPECT_LE(std::abs(a.blue - b.blue), 12) << i;
  }
}

TEST(LightTablesTest, BreathingCurveRisesWithGrowingStepsAndMirrorsBack) {
  ASSERT_EQ(kBreathingCurve.size(), 128u);
  for (int i = 0; i <= 10; ++i) EXPECT_EQ(kBreathingCurve[i], i);
  EXPECT_EQ(kBreathingCurve[11], 12);
  EXPECT_EQ(kBreathingCurve[12], 14);
  EXPECT_EQ(kBreathingCurve[63], 255);
  EXPECT_EQ(kBreathingCurve[64], 255);
  EXPECT_EQ(kBreathingCurve[65], 248);
  EXPECT_EQ(kBreathingCurve[126], 1);
  EXPECT_EQ(kBreathingCurve[127], 0);
  int lastStep = 1;
  for (size_t i = 1; i < 64; ++i) {
    const int step = kBreathingCurve[i] - kBreathingCurve[i - 1];
    EXPECT_GE(step, lastStep) << i;
    EXPECT_LE(step, 7) << i;
    lastStep = step;
    EXPECT_EQ(kBreathingCurve[i], kBreathingCurve[127 - i]) << i;
  }
  EXPECT_EQ(lastStep, 7);
}

struct PhaseCase {
  int direction;
  uint8_t period, phase, step, expected;
};

class StepPhaseTest : public testing::TestWithParam<PhaseCase> {};

TEST_P(StepPhaseTest, Steps) {
  const PhaseCase& c = GetParam();
  EXPECT_EQ(StepPhase(c.direction, c.period, c.phase, c.step), c.expected)
      << "direction " << c.direction << " period " << int{c.period} << " phase " << int{c.phase}
      << " step " << int{c.step};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StepPhaseTest,
    testing::Values(PhaseCase{1, 192, 0, 1, 1}, PhaseCase{1, 192, 190, 1, 191},
                    PhaseCase{1, 192, 191, 1, 0},    // reaching the period wraps to 0
                    PhaseCase{5, 128, 127, 1, 0},    // any non-zero direction is forward
                    PhaseCase{1, 192, 176, 16, 0},   // blink phase: 0 at 192
                    PhaseCase{1, 192, 180, 16, 0},   // passing the period also wraps
                    PhaseCase{0, 192, 10, 1, 9},     // backwards
                    PhaseCase{0, 192, 0, 1, 191},    // 8-bit wrap below 0
                    PhaseCase{0, 128, 0, 1, 127},    //
                    PhaseCase{0, 192, 5, 16, 176},   // 5 - 16 wraps to 245, not below 192
                    PhaseCase{0, 128, 200, 1, 127},  // a phase left by a longer period
                    PhaseCase{0, 192, 16, 16, 0}));

}  // namespace
}  // namespace qv
