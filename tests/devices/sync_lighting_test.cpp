// The synchronised-lighting engine with time stepped by hand, and its thread reading the family
// lists while they grow.
#include "devices/sync_lighting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace qv {
namespace {

// Ticks every 2 ms until a step runs; the colour and the time it ran at.
std::pair<uint32_t, uint64_t> NextStep(SyncLightingEngine& engine, uint64_t& now) {
  for (int i = 0; i < 1000; ++i) {
    now += 2;
    if (auto c = engine.Tick(now)) return {*c, now};
  }
  ADD_FAILURE() << "no step";
  return {0, now};
}

TEST(SyncLighting, StepsAtTheSpeedStepOfTheLevel) {
  const struct {
    uint8_t speed;
    uint64_t period;
  } cases[] = {{0, 56}, {2, 36}, {4, 14}, {9, 14}};  // steps of 2 ms; a level above 4 counts as 4
  for (const auto& c : cases) {
    SCOPED_TRACE(c.speed);
    SyncLightingEngine engine(0);
    SyncLightingParams p;
    p.effect = SyncEffect::kSteady;
    p.speed = c.speed;
    p.brightness = 2;
    p.color = Rgb{10, 20, 30};
    engine.SetParams(p);
    uint64_t now = 0;
    const auto first = NextStep(engine, now);
    const auto second = NextStep(engine, now);
    EXPECT_EQ(second.second - first.second, c.period);
    EXPECT_EQ(first.first, PackLightColor(Rgb{10, 20, 30}, kBrightnessLevels[2]));
  }
}

TEST(SyncLighting, EffectsGiveTheirColours) {
  uint64_t now = 0;
  SyncLightingEngine engine(0);
  SyncLightingParams p;
  p.speed = 4;
  p.brightness = 4;

  p.effect = SyncEffect::kOff;
  engine.SetParams(p);
  EXPECT_EQ(NextStep(engine, now).first, 0u);

  p.effect = SyncEffect::kCycle;
  p.multiColor = false;  // the cycle takes the wheel whatever the flag
  engine.SetParams(p);
  EXPECT_EQ(NextStep(engine, now).first, PackLightColor(kColorWheel[1], 255));
  EXPECT_EQ(NextStep(engine, now).first, PackLightColor(kColorWheel[2], 255));

  // Flashing changes state after speed step (7) x 200 ms, and is black while off.
  SyncLightingEngine flash(0);
  p.effect = SyncEffect::kFlashing;
  p.color = Rgb{1, 2, 3};
  flash.SetParams(p);
  uint64_t t = 1400;
  const auto on = NextStep(flash, t);
  EXPECT_EQ(on.first, PackLightColor(Rgb{1, 2, 3}, 255));
  auto next = NextStep(flash, t);
  EXPECT_EQ(next.first, on.first);  // still on before 1400 ms have passed
  while (t < on.second + 1400) next = NextStep(flash, t);
  EXPECT_EQ(next.first, 0u);

  // Breathing follows the curve from phase 1.
  SyncLightingEngine breath(0);
  p.effect = SyncEffect::kBreathing;
  p.direction = 1;
  breath.SetParams(p);
  uint64_t b = 0;
  EXPECT_EQ(NextStep(breath, b).first,
            PackLightColor(Rgb{1, 2, 3}, static_cast<uint8_t>(255 * kBreathingCurve[1] / 256)));
}

// Counts the colours the thread hands out.
class LightCounter : public CKestravaUSBDevice {
 public:
  LightCounter() { SetLightCount(4); }
  ~LightCounter() override { StopWorkers(); }
  void SetLightColor(int, uint32_t) override { ++set; }
  std::atomic<int> set{0};
};

// The thread at its fastest speed over lists of its own.
class SyncLightingThread : public testing::Test {
 protected:
  SyncLightingThread() {
    SyncLightingParams p;
    p.speed = 4;
    engine.SetParams(p);
  }
  // Waits (bounded) until the device was given at least `count` colours.
  static bool WaitForColours(const LightCounter& device, int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (device.set < count && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return device.set >= count;
  }

  DeviceFamilies families;
  SyncLightingEngine engine{SteadyMilliseconds()};
};

TEST_F(SyncLightingThread, LightsFlaggedOpenDevicesWhileTheListsGrow) {
  std::vector<std::unique_ptr<LightCounter>> devices;
  for (int i = 0; i < 40; ++i) devices.push_back(std::make_unique<LightCounter>());
  devices[0]->Link.Open = true;
  families.Append(DeviceFamily::kKeyboard, devices[0].get());
  families.SetSyncLighting(devices[0].get(), true);

  WorkerThread thread;
  thread.Start([&](const StopEvent& stop) {
    RunSyncLighting(stop, engine, families, &SteadyMilliseconds, std::chrono::milliseconds(5));
  });
  // Appending from this thread while the worker walks the lists.
  for (size_t i = 1; i < devices.size(); ++i) {
    families.Append(i % 2 ? DeviceFamily::kMouse : DeviceFamily::kHeadset, devices[i].get());
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const bool lit = WaitForColours(*devices[0], 8);
  EXPECT_EQ(thread.Stop(std::chrono::milliseconds(1000)), StopOutcome::kEnded);
  EXPECT_TRUE(lit);
  EXPECT_GE(devices[0]->set, 8);
  EXPECT_EQ(devices[0]->set % 4, 0);  // every light of the device each step
  EXPECT_EQ(devices[1]->set, 0);      // not flagged
}

TEST_F(SyncLightingThread, IdleSleepsUntilAFlagIsSetOn) {
  LightCounter device;
  device.Link.Open = true;
  families.Append(DeviceFamily::kKeyboard, &device);

  WorkerThread thread;
  families.SetOnSyncChange([&thread] { thread.Poke(); });
  // An idle bound far longer than the test: only the poke can wake the thread.
  thread.Start([&](const StopEvent& stop) {
    RunSyncLighting(stop, engine, families, &SteadyMilliseconds, std::chrono::seconds(60));
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(device.set, 0);
  families.SetSyncLighting(&device, true);
  EXPECT_TRUE(WaitForColours(device, 4));
  EXPECT_EQ(thread.Stop(std::chrono::milliseconds(1000)), StopOutcome::kEnded);
}

}  // namespace
}  // namespace qv
