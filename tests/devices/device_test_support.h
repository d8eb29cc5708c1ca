// Helpers shared by the device tests: a device with its protected state opened up, a fake page
// view, a fake main window and a trace recorder.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "devices/usb_device.h"
#include "platform/trace.h"

namespace qv::test {

class OpenDevice : public CKestravaUSBDevice {
 public:
  using CKestravaUSBDevice::CKestravaUSBDevice;
  ~OpenDevice() override { StopWorkers(); }

  using CKestravaUSBDevice::ColumnRing;
  using CKestravaUSBDevice::EffectPhase;
  using CKestravaUSBDevice::KeyIntensity;
  using CKestravaUSBDevice::PostToInterface;
  using CKestravaUSBDevice::SendToMainWindow;

  // Light record with the given colour, levels, direction and multi-colour flag.
  void SetLights(Rgb color, uint8_t brightness, uint8_t speed, uint8_t direction, bool multi) {
    LightSettingsRecord s{};
    s[kLightRed] = color.red;
    s[kLightGreen] = color.green;
    s[kLightBlue] = color.blue;
    s[kLightBrightness] = brightness;
    s[kLightSpeed] = speed;
    s[kLightDirection] = direction;
    s[kLightMultiColor] = multi ? 1 : 0;
    SetLightSettings(s);
  }
};

class FakePageView : public DevicePageView {
 public:
  struct Shown {
    int control;
    uint32_t color;
    uint8_t alpha;
    bool operator==(const Shown&) const = default;
  };

  std::vector<PageControl> controls;
  std::map<std::string, int> named;  // FindControl answers
  std::vector<bool> visible;         // by control number; missing: visible
  std::vector<Shown> shown;
  std::vector<std::pair<int, int>> selected;  // (control, page)
  std::vector<std::string> lookups;

  std::vector<PageControl> KeyButtonControls() const override { return controls; }
  void ShowLight(int control, uint32_t color, uint8_t alpha) override {
    shown.push_back({control, color, alpha});
  }
  bool IsControlVisible(int control) const override {
    return static_cast<size_t>(control) >= visible.size() || visible[control];
  }
  int FindControl(std::string_view name) override {
    lookups.emplace_back(name);
    auto it = named.find(std::string(name));
    return it == named.end() ? -1 : it->second;
  }
  void SelectPage(int control, int page) override { selected.emplace_back(control, page); }
};

// Records what a device sends and posts; posted tasks run when the test says so.
class FakeMainWindow : public MessageSink {
 public:
  struct Message {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const Message&) const = default;
  };

  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    std::lock_guard<std::mutex> hold(lock_);
    sent_.push_back({message, wParam, lParam});
    return 1;
  }
  bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    return Send(message, wParam, lParam) != 0;
  }
  bool PostTask(std::function<void()> task) override {
    std::lock_guard<std::mutex> hold(lock_);
    tasks_.push_back(std::move(task));
    return true;
  }
  std::vector<Message> Sent() {
    std::lock_guard<std::mutex> hold(lock_);
    return sent_;
  }
  // Runs the posted tasks on the calling thread; returns how many ran.
  int RunTasks() {
    std::deque<std::function<void()>> tasks;
    {
      std::lock_guard<std::mutex> hold(lock_);
      tasks.swap(tasks_);
    }
    for (auto& t : tasks) t();
    return static_cast<int>(tasks.size());
  }

 private:
  std::mutex lock_;
  std::vector<Message> sent_;
  std::deque<std::function<void()>> tasks_;
};

class TraceLog {
 public:
  TraceLog() {
    SetTraceSink([this](std::string_view t) {
      std::lock_guard<std::mutex> hold(lock_);
      lines_.emplace_back(t);
    });
  }
  ~TraceLog() { SetTraceSink(nullptr); }
  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> hold(lock_);
    return lines_;
  }
  int Count(const std::string& line) {
    int n = 0;
    for (const auto& l : Lines()) n += l == line;
    return n;
  }

 private:
  std::mutex lock_;
  std::vector<std::string> lines_;
};

}  // namespace qv::test
