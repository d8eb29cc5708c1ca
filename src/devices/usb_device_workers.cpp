// The device's worker threads: the effect thread and the two notification readers.
#include <algorithm>

#include "devices/usb_device.h"
#include "platform/trace.h"

namespace qv {

namespace {
constexpr std::chrono::milliseconds kPassWait{1};
constexpr std::chrono::milliseconds kClosedLinkWait{100};
constexpr size_t kMinReportBuffer = 64;
}  // namespace

bool CKestravaUSBDevice::StartEffectThread() {
  return EffectThread.Start([this](const StopEvent& stop) {
    while (!stop.WaitFor(kPassWait)) {
      if (!Link.Open) {
        // Waiting on the event rather than sleeping keeps the stop prompt.
        if (stop.WaitFor(kClosedLinkWait)) break;
        continue;
      }
      EffectPass(SteadyClock::now());
    }
    TraceText(EffectExitTrace());
  });
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
      [this, channel](const StopEvent& stop) { NotificationLoop(channel, stop); });
}

StopOutcome CKestravaUSBDevice::StopNotificationThread(NotifyChannel channel) {
  // The reader waits on its channel without a time limit; closing the channel ends that wait.
  return NotifyThreads[static_cast<size_t>(channel)].Stop(kNotifyStopBound, [this, channel] {
    std::lock_guard<std::mutex> hold(NotifyLockOf(channel));
    NotifyChannelOf(channel).Close();
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
