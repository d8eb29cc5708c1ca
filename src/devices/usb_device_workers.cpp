// The device's worker threads: the effect thread and the two notification readers.
#include <algorithm>

#include "devices/usb_device.h"
#include "platform/trace.h"

namespace qv {

namespace {
constexpr std::chrono::milliseconds kPassWait{1};
// With nothing to compute the thread sleeps until poked; this only bounds a lost poke.
constexpr std::chrono::milliseconds kIdleWait{2000};
constexpr size_t kMinReportBuffer = 64;
}  // namespace

bool CKestravaUSBDevice::StartEffectThread() {
  return EffectThread.Start(
      [this](const StopEvent& stop) {
        for (;;) {
          // Only the preview is this thread's to compute (see the header comment); a still
          // effect once per poke.
          const bool moving = GetEffectDemand() == EffectDemand::kPreview && !EffectIsStill();
          if (stop.WaitForPoke(moving ? kPreviewPeriod : kIdleWait)) break;
          if (GetEffectDemand() == EffectDemand::kPreview) AdvanceEffects(SteadyClock::now());
        }
        TraceText(EffectExitTrace());
      },
      "qv-effect");
}

StopOutcome CKestravaUSBDevice::StopEffectThread() {
  return EffectThread.Stop(kEffectStopBound);
}

HidChannel& CKestravaUSBDevice::NotifyChannelOf(NotifyChannel channel) {
  return channel == NotifyChannel::kReceiver ? NotifyLink.Receiver : NotifyLink.Wired;
}

std::mutex& CKestravaUSBDevice::NotifyLockOf(NotifyChannel channel) {
  return channel == NotifyChannel::kReceiver ? NotifyLink.ReceiverLock : NotifyLink.TransferLock;
}

bool CKestravaUSBDevice::StartNotificationThread(NotifyChannel channel) {
  return NotifyThreads[static_cast<size_t>(channel)].Start(
      [this, channel](const StopEvent& stop) { NotificationLoop(channel, stop); },
      channel == NotifyChannel::kReceiver ? "qv-notify-rx" : "qv-notify");
}

StopOutcome CKestravaUSBDevice::StopNotificationThread(NotifyChannel channel) {
  // The reader waits on its channel without a time limit; closing the channel ends that wait.
  return NotifyThreads[static_cast<size_t>(channel)].Stop(kNotifyStopBound, [this, channel] {
    std::lock_guard<std::mutex> hold(NotifyLockOf(channel));
    NotifyChannelOf(channel).Close();
    (channel == NotifyChannel::kReceiver ? NotifyLink.WirelessMode : NotifyLink.Open) = false;
  });
}

bool CKestravaUSBDevice::NotificationThreadRunning(NotifyChannel channel) const {
  return NotifyThreads[static_cast<size_t>(channel)].Running();
}

void CKestravaUSBDevice::StopWorkers() {
  StopEffectThread();
  StopNotificationThread(NotifyChannel::kWired);
  StopNotificationThread(NotifyChannel::kReceiver);
  // Never free what a late worker still uses; never kill it either.
  EffectThread.Join();
  for (WorkerThread& t : NotifyThreads) t.Join();
}

void CKestravaUSBDevice::NotificationLoop(NotifyChannel channel, const StopEvent& stop) {
  HidChannel& source = NotifyChannelOf(channel);
  std::vector<uint8_t> report;
  std::vector<HidInputItem> items;
  while (!stop.IsSet()) {
    report.resize(std::max<size_t>(source.Caps().InputReportByteLength, kMinReportBuffer));
    size_t moved = 0;
    if (source.Read(report.data(), report.size(), &moved, kInfinite) && moved > 0 &&
        !stop.IsSet()) {
      items.clear();
      if (source.ParseInputReport(report.data(), moved, &items)) {
        const uint16_t code = NotificationCodeOf(items);
        if (code != 0) HandleNotification(channel, code);
      }
    }
    if (stop.WaitFor(kPassWait)) break;
  }
  TraceText(NotifyExitTrace());
}

void CKestravaUSBDevice::HandleNotification(NotifyChannel channel, uint16_t code) {
  (void)channel;
  (void)code;
}

}  // namespace qv
