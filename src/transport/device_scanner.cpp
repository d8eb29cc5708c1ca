#include "transport/device_scanner.h"

#include "platform/trace.h"
#include "platform/worker_thread.h"

namespace qv {

DeviceScanner::DeviceScanner(HidBackend* backend, MessageSink* sink, uint32_t instanceMessage)
    : backend_(backend), sink_(sink), instanceMessage_(instanceMessage), probe_(backend) {}

bool DeviceScanner::AnyRowFree() const {
  for (size_t i = 0; i < table_.RowCount(); ++i) {
    const auto& r = table_.Row(static_cast<int>(i));
    if (!r.Present && r.DevicePath.empty()) return true;
  }
  return false;
}

int DeviceScanner::Probe(const std::string& path) {
  InterfaceCandidate c;
  c.path = path;
  c.ids = ParseDevicePath(path);
  if (!table_.PassesPreFilter(c.ids)) return -1;
  if (!probe_.Open(path, true, false, true, false)) return -1;
  c.ids.vendorId = probe_.VendorId();
  c.ids.productId = probe_.ProductId();
  HidCaps caps = probe_.Caps();
  c.usagePage = caps.UsagePage;
  c.usage = caps.Usage;
  probe_.Close();
  return table_.FindInterfaceRow(c).value_or(-1);
}

DeviceScanner::PassResult DeviceScanner::RunPass() {
  if (AnyRowFree()) {
    if (!probe_.Enumerate()) return PassResult::kEnumerationFailed;
    while (auto path = probe_.NextPath()) {
      int row = Probe(*path);
      if (row >= 0 && sink_) sink_->Send(UWM_DEVICE_ARRIVED, static_cast<uintptr_t>(row), 0);
    }
    probe_.FreePaths();
    if (!firstPassDone_) {
      firstPassDone_ = true;
      if (sink_) sink_->Post(instanceMessage_, 0, 0);
    }
  }
  HidBackend& backend = backend_ ? *backend_ : DefaultHidBackend();
  for (size_t i = 0; i < table_.RowCount(); ++i) {
    const auto& r = table_.Row(static_cast<int>(i));
    if (!r.Present || backend.IsPresent(r.DevicePath)) continue;
    table_.Release(static_cast<int>(i));
    if (sink_) sink_->Send(UWM_DEVICE_REMOVED, i, 0);
  }
  return PassResult::kDone;
}

bool DeviceScanner::RunLoop(const StopEvent& stop, const ScanTiming& timing) {
  HidBackend& backend = backend_ ? *backend_ : DefaultHidBackend();
  // Made before the first pass, so that nothing plugged during it goes unnoticed: a notice
  // during a pass makes the next wait return at once.
  std::unique_ptr<HidChangeWatch> watch = backend.WatchChanges([&stop] { stop.Poke(); });
  bool ok = true;
  // Polling waits 1 ms on the stop event before each pass; woken by notices, the wait before
  // the pass is the one that ended, and a second would only cost a wake-up.
  while (watch ? !stop.IsSet() : !stop.WaitFor(std::chrono::milliseconds(1))) {
    if (RunPass() == PassResult::kEnumerationFailed) {
      TraceText("抓取设备线程：枚举失败");
      ok = false;
      break;
    }
    const bool stopped =
        watch ? stop.WaitForPoke(timing.safetyPeriod) : stop.WaitFor(timing.pollPeriod);
    if (stopped) break;
  }
  watch.reset();
  if (ok) TraceText("抓取设备线程设定退出");
  return ok;
}

}  // namespace qv
