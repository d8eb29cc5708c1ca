// The program's core with the simulated keyboard, run for a fixed time: the device scan on
// hot-plug notices, the keyboard's connection read on arrival, its effect thread, and the list
// entry's colour poll every 5 ms on the cable, as the running program drives them (without the
// window).
//
// Reports the CPU time the process uses per second of wall time while idle with a static effect
// and while streaming a host-driven effect, and the hot-plug detection latency (plug to the
// arrival being handled, and pull-out to the removal being handled).
//
// A timed program rather than a Google Benchmark loop: what is measured is a steady state over
// seconds. Usage: qv_app_core_bench [seconds per phase, default 3]
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "devices/keyboard_device.h"
#include "platform/worker_thread.h"
#include "sim/sim_keyboard.h"
#include "transport/device_scanner.h"

namespace {

using Clock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Stands in for the main window: attaches the keyboard on the arrival of its command
// interface and closes it on removal, on the calling (scan) thread.
class CoreSink : public qv::MessageSink {
 public:
  explicit CoreSink(qv::CKestravaKeyboardDevice& keyboard) : keyboard_(keyboard) {}
  void SetScanner(const qv::DeviceScanner* scanner) { scanner_ = scanner; }

  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t) override {
    if (!scanner_ || wParam >= scanner_->Table().RowCount()) return 0;
    const qv::SupportedInterface& row = scanner_->Table().Row(static_cast<int>(wParam));
    if (row.Role != qv::kRolePrimary || row.TypeCode != qv::kTypeKeyboard) return 0;
    if (message == qv::UWM_DEVICE_ARRIVED) {
      {
        std::lock_guard<std::mutex> hold(keyboard_.Link.TransferLock);
        if (keyboard_.Link.Wired.Open(row.DevicePath, true, true, true, false)) {
          keyboard_.Link.Open = true;
          keyboard_.Link.SetMode(qv::kModeWired);
        }
      }
      Mark(true);
    } else if (message == qv::UWM_DEVICE_REMOVED) {
      {
        std::lock_guard<std::mutex> hold(keyboard_.Link.TransferLock);
        keyboard_.Link.Open = false;
        keyboard_.Link.Wired.Close();
      }
      Mark(false);
    }
    return 0;
  }
  bool Post(uint32_t, uintptr_t, intptr_t) override { return true; }
  bool PostTask(std::function<void()> task) override {
    if (task) task();
    return true;
  }

  // Waits until the keyboard is attached (or detached); the time it was handled.
  Clock::time_point WaitFor(bool attached) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [&] { return attached_ == attached; });
    return when_;
  }

 private:
  void Mark(bool attached) {
    std::lock_guard<std::mutex> hold(lock_);
    attached_ = attached;
    when_ = Clock::now();
    changed_.notify_all();
  }

  qv::CKestravaKeyboardDevice& keyboard_;
  const qv::DeviceScanner* scanner_ = nullptr;
  std::mutex lock_;
  std::condition_variable changed_;
  bool attached_ = false;
  Clock::time_point when_;
};

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  qv::sim::SimBackend backend;
  qv::SetDefaultHidBackend(&backend);
  auto firmware = std::make_shared<qv::sim::KeyboardFirmware>();

  qv::CKestravaKeyboardDevice keyboard(&backend);
  keyboard.SetKeyCount(170);
  keyboard.SetLightCount(170);
  keyboard.SetKindName("keyboard");
  CoreSink sink(keyboard);
  keyboard.SetMainWindow(&sink);
  qv::DeviceScanner scanner(&backend, &sink, 0xC000);
  sink.SetScanner(&scanner);

  qv::WorkerThread scan;
  // As the program runs it: a pass on each hot-plug notice, a safety pass every few seconds.
  scan.Start([&](const qv::StopEvent& stop) { scanner.RunLoop(stop); });

  auto cable = std::make_shared<qv::sim::SimKeyboard>(firmware, qv::sim::kKeyboardProductId);
  backend.Plug(cable);
  sink.WaitFor(true);
  keyboard.ReadAll();  // connection read, profile, settings read, effect thread

  qv::WorkerThread poll;
  poll.Start([&](const qv::StopEvent& stop) {
    while (!stop.WaitFor(std::chrono::milliseconds(5))) {
      if (keyboard.Link.Open) keyboard.SendColorFrame();
    }
  });

  auto measure = [&](const char* label) {
    const double cpu0 = ProcessCpuSeconds();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("%-34s %7.1f ms CPU per second\n", label, 1000.0 * cpu / wall);
  };

  qv::LightSettingsRecord settings = keyboard.GetLightSettings();
  settings[qv::kLightMode] = 1;  // a static effect the keyboard runs itself
  keyboard.SetLightSettings(settings);
  keyboard.SetHostEffect(qv::HostEffect::kStatic);
  measure("idle, static effect:");

  settings[qv::kLightMode] = qv::kStreamModeA;  // host-driven: frames streamed every 5 ms
  keyboard.SetLightSettings(settings);
  keyboard.SetHostEffect(qv::HostEffect::kSpectrum);
  const auto streamedBefore = firmware->Packets().size();
  measure("streaming a host-driven effect:");
  std::printf("%-34s %7zu packets\n", "  (packets during the phase)",
              firmware->Packets().size() - streamedBefore);
  firmware->ClearPackets();

  std::vector<double> arrive;
  std::vector<double> leave;
  for (int i = 0; i < 10; ++i) {
    const auto out = Clock::now();
    backend.Unplug(cable);
    leave.push_back(Ms(sink.WaitFor(false) - out));
    cable = std::make_shared<qv::sim::SimKeyboard>(firmware, qv::sim::kKeyboardProductId);
    const auto in = Clock::now();
    backend.Plug(cable);
    arrive.push_back(Ms(sink.WaitFor(true) - in));
  }
  auto report = [](const char* label, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v) sum += x;
    std::printf("%-34s mean %6.1f ms, median %6.1f ms, max %6.1f ms\n", label, sum / v.size(),
                v[v.size() / 2], v.back());
  };
  report("hot-plug: plug to arrival", arrive);
  report("hot-plug: pull-out to removal", leave);

  poll.Stop(std::chrono::milliseconds(1000));
  scan.Stop(std::chrono::milliseconds(1000));
  keyboard.StopWorkers();
  keyboard.Link.Open = false;
  keyboard.Link.Wired.Close();
  qv::SetDefaultHidBackend(nullptr);
  return 0;
}
