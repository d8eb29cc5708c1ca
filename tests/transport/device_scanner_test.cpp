#include "transport/device_scanner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/worker_thread.h"
#include "sim/sim_keyboard.h"

namespace qv {
namespace {

constexpr uint32_t kInstanceMessage = 0xC123;

struct Message {
  uint32_t id;
  uintptr_t wParam;
  intptr_t lParam;
  bool sent;
  bool operator==(const Message&) const = default;
};

// Records what reaches the main window, and what the row looked like while it was handled.
class RecordingSink : public MessageSink {
 public:
  intptr_t Send(uint32_t m, uintptr_t w, intptr_t l) override {
    messages.push_back({m, w, l, true});
    if (scanner && w < scanner->Table().RowCount()) {
      presentWhileHandled.push_back(scanner->Table().Row(static_cast<int>(w)).Present);
    }
    return 0;
  }
  bool Post(uint32_t m, uintptr_t w, intptr_t l) override {
    messages.push_back({m, w, l, false});
    return true;
  }
  bool PostTask(std::function<void()>) override { return true; }

  const DeviceScanner* scanner = nullptr;
  std::vector<Message> messages;
  std::vector<uint16_t> presentWhileHandled;
};

TEST(DeviceScanner, ArrivalRemovalAndReplugOfTheKeyboard) {
  sim::SimBackend backend;
  RecordingSink sink;
  DeviceScanner scanner(&backend, &sink, kInstanceMessage);
  sink.scanner = &scanner;

  // Nothing attached: the first pass only brings the window forward.
  ASSERT_EQ(scanner.RunPass(), DeviceScanner::PassResult::kDone);
  EXPECT_EQ(sink.messages, (std::vector<Message>{{kInstanceMessage, 0, 0, false}}));
  sink.messages.clear();

  auto keyboard = std::make_shared<sim::SimKeyboard>();
  backend.Plug(keyboard);
  scanner.RunPass();
  // Collections 3 and 4 claim rows 1 and 0 (enumeration order); the row is claimed before the
  // arrival is handled. The instance message is not posted again.
  ASSERT_EQ(sink.messages.size(), 2u);
  std::vector<uintptr_t> rows;
  for (const auto& m : sink.messages) {
    EXPECT_EQ(m.id, UWM_DEVICE_ARRIVED);
    EXPECT_TRUE(m.sent);
    rows.push_back(m.wParam);
  }
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<uintptr_t>{0, 1}));
  EXPECT_EQ(sink.presentWhileHandled, (std::vector<uint16_t>{1, 1}));
  std::string claimedPath = scanner.Table().Row(0).DevicePath;

  sink.messages.clear();
  scanner.RunPass();  // still attached: nothing new
  EXPECT_TRUE(sink.messages.empty());

  backend.Unplug(keyboard);
  sink.presentWhileHandled.clear();
  scanner.RunPass();
  ASSERT_EQ(sink.messages.size(), 2u);
  for (const auto& m : sink.messages) EXPECT_EQ(m.id, UWM_DEVICE_REMOVED);
  EXPECT_EQ(sink.presentWhileHandled, (std::vector<uint16_t>{0, 0}));  // freed before handling
  EXPECT_TRUE(scanner.Table().Row(0).DevicePath.empty());

  sink.messages.clear();
  backend.Plug(keyboard);
  scanner.RunPass();
  EXPECT_EQ(sink.messages.size(), 2u);
  EXPECT_NE(scanner.Table().Row(0).DevicePath, claimedPath);
}

// The scan loop on its own thread, as the main window runs it: a sink that several threads may
// use, and a backend in front of the simulator that counts enumerations and can hide the
// simulator's hot-plug notices, as a backend without them would.
class LoopSink : public MessageSink {
 public:
  intptr_t Send(uint32_t m, uintptr_t w, intptr_t l) override { return Add({m, w, l, true}); }
  bool Post(uint32_t m, uintptr_t w, intptr_t l) override { return Add({m, w, l, false}) == 0; }
  bool PostTask(std::function<void()>) override { return true; }

  size_t Count(uint32_t id) {
    std::lock_guard<std::mutex> hold(lock_);
    return static_cast<size_t>(std::count_if(messages_.begin(), messages_.end(),
                                             [id](const Message& m) { return m.id == id; }));
  }
  bool WaitFor(uint32_t id, size_t count, std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, limit, [&] {
      return std::count_if(messages_.begin(), messages_.end(), [id](const Message& m) {
               return m.id == id;
             }) >= static_cast<std::ptrdiff_t>(count);
    });
  }

 private:
  intptr_t Add(const Message& m) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      messages_.push_back(m);
    }
    changed_.notify_all();
    return 0;
  }
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Message> messages_;
};

class CountingBackend : public HidBackend {
 public:
  CountingBackend(sim::SimBackend* inner, bool notices) : inner_(inner), notices_(notices) {}
  bool Enumerate(std::vector<HidInterfaceEntry>* entries) override {
    ++enumerations;
    return inner_->Enumerate(entries);
  }
  std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenFlags& flags) override {
    return inner_->Open(path, flags);
  }
  bool IsPresent(const std::string& path) override { return inner_->IsPresent(path); }
  std::unique_ptr<HidChangeWatch> WatchChanges(std::function<void()> onChange) override {
    return notices_ ? inner_->WatchChanges(std::move(onChange)) : nullptr;
  }
  std::atomic<int> enumerations{0};

 private:
  sim::SimBackend* inner_;
  bool notices_;
};

class ScanLoopTest : public testing::Test {
 protected:
  static constexpr auto kLong = std::chrono::seconds(60);
  static constexpr auto kWait = std::chrono::seconds(5);

  void Start(bool notices, ScanTiming timing) {
    counting_ = std::make_unique<CountingBackend>(&backend_, notices);
    scanner_ = std::make_unique<DeviceScanner>(counting_.get(), &sink_, kInstanceMessage);
    ASSERT_TRUE(worker_.Start(
        [this, timing](const StopEvent& stop) { loopResult_ = scanner_->RunLoop(stop, timing); }));
    ASSERT_TRUE(sink_.WaitFor(kInstanceMessage, 1, kWait)) << "first pass";
  }
  void TearDown() override {
    EXPECT_EQ(worker_.Stop(std::chrono::milliseconds(1000)), StopOutcome::kEnded);
    EXPECT_TRUE(loopResult_);
  }

  sim::SimBackend backend_;
  LoopSink sink_;
  std::unique_ptr<CountingBackend> counting_;
  std::unique_ptr<DeviceScanner> scanner_;
  WorkerThread worker_;
  std::atomic<bool> loopResult_{false};
  std::shared_ptr<sim::SimKeyboard> keyboard_ = std::make_shared<sim::SimKeyboard>();
};

TEST_F(ScanLoopTest, PlugAndUnplugAreHandledOnTheirNoticeAndNothingIsListedInBetween) {
  // Neither period can pass within the test: only the notices can start a pass.
  Start(true, {kLong, kLong});
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(counting_->enumerations.load(), 1) << "no enumeration while nothing changes";

  backend_.Plug(keyboard_);
  EXPECT_TRUE(sink_.WaitFor(UWM_DEVICE_ARRIVED, 2, kWait));
  // One pass per notice, no more.
  const int afterPlug = counting_->enumerations.load();
  backend_.Unplug(keyboard_);
  EXPECT_TRUE(sink_.WaitFor(UWM_DEVICE_REMOVED, 2, kWait));
  backend_.Plug(keyboard_);
  EXPECT_TRUE(sink_.WaitFor(UWM_DEVICE_ARRIVED, 4, kWait));
  EXPECT_LE(counting_->enumerations.load(), afterPlug + 2);
}

TEST_F(ScanLoopTest, AMissedNoticeIsCaughtByTheSafetyPass) {
  backend_.SetChangeNotices(false);
  Start(true, {kLong, std::chrono::milliseconds(200)});
  backend_.Plug(keyboard_);
  EXPECT_TRUE(sink_.WaitFor(UWM_DEVICE_ARRIVED, 2, kWait));
  backend_.Unplug(keyboard_);
  EXPECT_TRUE(sink_.WaitFor(UWM_DEVICE_REMOVED, 2, kWait));
}

TEST_F(ScanLoopTest, ABackendWithoutNoticesIsPolled) {
  Start(false, {std::chrono::milliseconds(20), kLong});
  backend_.Plug(keyboard_);
  EXPECT_TRUE(sink_.WaitFor(UWM_DEVICE_ARRIVED, 2, kWait));
  EXPECT_EQ(sink_.Count(kInstanceMessage), 1u);
}

}  // namespace
}  // namespace qv
