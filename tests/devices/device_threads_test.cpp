// The device's workers: the effect thread and the notification readers, against the simulated
// keyboard. Waits are generous; the machine running the tests is busy.
#include <gtest/gtest.h>

#include <condition_variable>
#include <future>

#include "devices/device_test_support.h"
#include "devices/usb_device.h"
#include "sim/sim_keyboard.h"

namespace qv {
namespace {

using std::chrono::milliseconds;
using test::OpenDevice;
using test::TraceLog;

constexpr char kEnded[] = "线程退出：：对象处于激发状态\n";
constexpr char kTimedOut[] = "线程退出：：对象处于非激发状态，超时\n";
constexpr char kEffectExit[] = "KB灯光线程设定退出";
constexpr char kNotifyExit[] = "MS 设备同步线程设定退出";
constexpr milliseconds kPatience{10000};

template <typename Pred>
bool Eventually(Pred pred) {
  const auto deadline = SteadyClock::now() + kPatience;
  while (!pred()) {
    if (SteadyClock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(2));
  }
  return true;
}

// Records every notification; optionally holds the reader inside the handler until released.
class NotifiedDevice : public OpenDevice {
 public:
  using OpenDevice::OpenDevice;
  // Its handler uses members of this class: stop the readers before they go.
  ~NotifiedDevice() override { StopWorkers(); }

  std::vector<std::pair<NotifyChannel, uint16_t>> Codes() {
    std::lock_guard<std::mutex> hold(lock_);
    return codes_;
  }
  void HoldHandler() { hold_ = true; }
  void ReleaseHandler() {
    std::lock_guard<std::mutex> hold(lock_);
    hold_ = false;
    changed_.notify_all();
  }
  bool InHandler() {
    std::lock_guard<std::mutex> hold(lock_);
    return inHandler_;
  }
  std::atomic<bool>* doneFlag = nullptr;

 protected:
  void HandleNotification(NotifyChannel channel, uint16_t code) override {
    std::unique_lock<std::mutex> lock(lock_);
    codes_.emplace_back(channel, code);
    inHandler_ = true;
    changed_.wait(lock, [this] { return !hold_; });
    inHandler_ = false;
    lock.unlock();
    // Touches the device after its stop timed out: it must still be there.
    SetLightColor(0, code);
    if (doneFlag) *doneFlag = true;
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::pair<NotifyChannel, uint16_t>> codes_;
  bool hold_ = false;
  bool inHandler_ = false;
};

class DeviceThreadsTest : public testing::Test {
 protected:
  void SetUp() override {
    keyboard_ = std::make_shared<sim::SimKeyboard>();
    backend_.Plug(keyboard_);
  }

  std::string ConsumerPath() {
    HidChannel lister(&backend_);
    EXPECT_TRUE(lister.Enumerate());
    for (const auto& e : lister.Entries()) {
      if (e.interfaceNumber == 1 && e.usagePage == 0x000C) return e.path;
    }
    return {};
  }

  TraceLog log_;
  sim::SimBackend backend_;
  std::shared_ptr<sim::SimKeyboard> keyboard_;
};

TEST_F(DeviceThreadsTest, EffectThreadStepsOnlyForAShownPreviewAndStopsInTime) {
  OpenDevice device(&backend_);
  device.SetLightCount(2);
  device.SetLights({1, 2, 3}, 4, 0, 1, false);
  device.SetHostEffect(HostEffect::kStatic);
  // Through the receiver no frame is streamed: only a preview on the screen needs the effects.
  device.SetWireless(true);
  device.SetPreviewShown(true);
  ASSERT_TRUE(device.StartEffectThread());
  EXPECT_FALSE(device.StartEffectThread());
  std::this_thread::sleep_for(milliseconds(50));
  EXPECT_EQ(device.GetLightColor(1), 0u) << "no steps while the link is closed";
  // The effect pass sends nothing, so the flag alone is enough here.
  device.Link.Open = true;
  device.SetPreviewShown(false);
  device.SetPreviewShown(true);  // wakes the thread, as the page does when it is shown
  EXPECT_TRUE(Eventually([&] {
    return device.GetLightColor(1) == PackLightColor({1, 2, 3}, 255);
  }));

  // Nothing shows the lights: the thread computes nothing.
  device.SetPreviewShown(false);
  std::this_thread::sleep_for(milliseconds(2 * kPreviewPeriod.count()));
  device.SetLightColor(1, 0);
  std::this_thread::sleep_for(milliseconds(4 * kPreviewPeriod.count()));
  EXPECT_EQ(device.GetLightColor(1), 0u);

  EXPECT_EQ(device.StopEffectThread(), StopOutcome::kEnded);
  EXPECT_FALSE(device.EffectThreadRunning());
  EXPECT_EQ(log_.Count(kEffectExit), 1);
  EXPECT_EQ(log_.Count(kEnded), 1);

  // Stopping while it idles is just as prompt.
  device.Link.Open = false;
  ASSERT_TRUE(device.StartEffectThread());
  EXPECT_EQ(device.StopEffectThread(), StopOutcome::kEnded);
}

TEST_F(DeviceThreadsTest, StreamedFramesBringTheEffectsUpToTheirOwnTime) {
  OpenDevice device(&backend_);
  device.SetLightCount(2);
  device.SetLights({1, 2, 3}, 4, 0, 1, false);
  device.SetHostEffect(HostEffect::kSpectrum);
  device.Link.Open = true;
  ASSERT_EQ(device.GetEffectDemand(), EffectDemand::kStream);
  // One pass per millisecond, as a loop waiting 1 ms between passes runs them; a long pause
  // catches up a bounded number of passes only.
  const SteadyTime t0 = SteadyClock::now();
  device.AdvanceEffects(t0);
  const uint8_t start = device.EffectPhase;
  device.AdvanceEffects(t0 + milliseconds(10));
  EXPECT_EQ(static_cast<uint8_t>(device.EffectPhase - start), 10);
  device.AdvanceEffects(t0 + milliseconds(10));
  EXPECT_EQ(static_cast<uint8_t>(device.EffectPhase - start), 10);
  device.AdvanceEffects(t0 + std::chrono::seconds(10));
  EXPECT_EQ(static_cast<uint8_t>(device.EffectPhase - start),
            (10 + kMaxEffectCatchUp) % kWheelSize);
}

TEST_F(DeviceThreadsTest, NotificationFromTheKeyboardReachesTheHandler) {
  NotifiedDevice device(&backend_);
  ASSERT_TRUE(device.NotifyLink.Wired.Open(ConsumerPath(), true, true, true, false));
  ASSERT_TRUE(device.StartNotificationThread(NotifyChannel::kWired));
  ASSERT_GT(keyboard_->SendNotification(0x0507), 0);
  ASSERT_GT(keyboard_->SendNotification(0x1003), 0);
  ASSERT_TRUE(Eventually([&] { return device.Codes().size() >= 2; }));
  const std::vector<std::pair<NotifyChannel, uint16_t>> expected = {
      {NotifyChannel::kWired, 0x0507}, {NotifyChannel::kWired, 0x1003}};
  EXPECT_EQ(device.Codes(), expected);

  // The reader waits without a time limit; stopping closes its channel to end the wait.
  EXPECT_EQ(device.StopNotificationThread(NotifyChannel::kWired), StopOutcome::kEnded);
  EXPECT_FALSE(device.NotifyLink.Wired.IsOpen());
  EXPECT_EQ(log_.Count(kNotifyExit), 1);
  EXPECT_EQ(log_.Count(kEnded), 1);
}

TEST_F(DeviceThreadsTest, BothChannelsStopWhenNeitherIsOpen) {
  NotifiedDevice device(&backend_);
  ASSERT_TRUE(device.StartNotificationThread(NotifyChannel::kWired));
  ASSERT_TRUE(device.StartNotificationThread(NotifyChannel::kReceiver));
  ASSERT_TRUE(device.StartEffectThread());
  device.StopWorkers();
  EXPECT_FALSE(device.NotificationThreadRunning(NotifyChannel::kWired));
  EXPECT_FALSE(device.NotificationThreadRunning(NotifyChannel::kReceiver));
  EXPECT_FALSE(device.EffectThreadRunning());
  EXPECT_EQ(log_.Count(kEnded), 3);
  EXPECT_TRUE(device.Codes().empty());
}

TEST_F(DeviceThreadsTest, ReaderStuckInItsHandlerIsReportedAndNotFreedUnderIt) {
  auto device = std::make_unique<NotifiedDevice>(&backend_);
  device->SetLightCount(1);
  device->HoldHandler();
  ASSERT_TRUE(device->NotifyLink.Wired.Open(ConsumerPath(), true, true, true, false));
  ASSERT_TRUE(device->StartNotificationThread(NotifyChannel::kWired));
  ASSERT_GT(keyboard_->SendNotification(0x0401), 0);
  ASSERT_TRUE(Eventually([&] { return device->InHandler(); }));

  EXPECT_EQ(device->StopNotificationThread(NotifyChannel::kWired), StopOutcome::kTimedOut);
  EXPECT_EQ(log_.Count(kTimedOut), 1);
  EXPECT_TRUE(device->NotificationThreadRunning(NotifyChannel::kWired));
  EXPECT_FALSE(device->StartNotificationThread(NotifyChannel::kWired));

  // Destroying the device waits for the late reader, which still uses the device meanwhile.
  std::atomic<bool> done{false};
  device->doneFlag = &done;
  NotifiedDevice* raw = device.get();
  auto release = std::async(std::launch::async, [raw] {
    std::this_thread::sleep_for(milliseconds(200));
    raw->ReleaseHandler();
  });
  device.reset();
  EXPECT_TRUE(done);
  release.wait();
  EXPECT_EQ(log_.Count(kNotifyExit), 1);
}

}  // namespace
}  // namespace qv
