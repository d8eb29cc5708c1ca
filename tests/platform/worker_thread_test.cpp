#include "platform/worker_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "platform/trace.h"

namespace qv {
namespace {

using std::chrono::milliseconds;

constexpr char kEnded[] = "线程退出：：对象处于激发状态\n";
constexpr char kTimedOut[] = "线程退出：：对象处于非激发状态，超时\n";

class TraceLog {
 public:
  TraceLog() {
    SetTraceSink([this](std::string_view t) { lines_.emplace_back(t); });
  }
  ~TraceLog() { SetTraceSink(nullptr); }
  // Read after the traced work has ended (the sink is called under the trace lock).
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
};

TEST(WorkerThreadTest, StopSetsTheEventAndJoinsWithinTheBound) {
  TraceLog log;
  WorkerThread worker;
  std::atomic<int> passes{0};
  ASSERT_TRUE(worker.Start([&](const StopEvent& stop) {
    while (!stop.WaitFor(milliseconds(1))) ++passes;
  }));
  EXPECT_TRUE(worker.Running());
  EXPECT_FALSE(worker.Start([](const StopEvent&) {})) << "a second thread while one runs";
  EXPECT_EQ(worker.Stop(milliseconds(5000)), StopOutcome::kEnded);
  EXPECT_FALSE(worker.Running());
  EXPECT_EQ(log.lines(), std::vector<std::string>{kEnded});
  EXPECT_EQ(worker.Stop(milliseconds(5000)), StopOutcome::kNotRunning);

  // Restartable, with the event reset.
  std::promise<bool> sawStop;
  ASSERT_TRUE(worker.Start([&](const StopEvent& stop) {
    sawStop.set_value(stop.IsSet());
    stop.WaitFor(milliseconds(60000));
  }));
  EXPECT_FALSE(sawStop.get_future().get());
  EXPECT_EQ(worker.Stop(milliseconds(5000)), StopOutcome::kEnded);
}

TEST(WorkerThreadTest, AbortStepReleasesABodyBlockedElsewhere) {
  WorkerThread worker;
  std::mutex m;
  std::condition_variable cv;
  bool released = false;
  ASSERT_TRUE(worker.Start([&](const StopEvent&) {
    // Blocked on something other than its stop event, as a reader on a device is.
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return released; });
  }));
  const auto abort = [&] {
    {
      std::lock_guard<std::mutex> hold(m);
      released = true;
    }
    cv.notify_all();
  };
  EXPECT_EQ(worker.Stop(milliseconds(5000), abort), StopOutcome::kEnded);
}

TEST(WorkerThreadTest, AWorkerMissingItsBoundIsReportedAndKeepsItsState) {
  TraceLog log;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  auto state = std::make_shared<std::atomic<int>>(0);
  std::atomic<bool> finished{false};
  {
    WorkerThread worker;
    ASSERT_TRUE(worker.Start([state, released, &finished](const StopEvent&) {
      released.wait();  // ignores its stop event
      state->store(42);
      finished = true;
    }));
    EXPECT_EQ(worker.Stop(milliseconds(30)), StopOutcome::kTimedOut);
    EXPECT_TRUE(worker.Running());
    EXPECT_FALSE(worker.Start([](const StopEvent&) {})) << "never two threads at once";
    state.reset();  // the owner lets go; the thread still holds its copy
    release.set_value();
    // The destructor waits for the late thread instead of leaving it behind.
  }
  EXPECT_TRUE(finished);
  ASSERT_FALSE(log.lines().empty());
  EXPECT_EQ(log.lines().front(), kTimedOut);
}

TEST(WorkerThreadTest, LateThreadThatHasEndedSinceCanBeReplaced) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  WorkerThread worker;
  ASSERT_TRUE(worker.Start([released](const StopEvent&) { released.wait(); }));
  EXPECT_EQ(worker.Stop(milliseconds(10)), StopOutcome::kTimedOut);
  release.set_value();
  worker.Join();
  EXPECT_FALSE(worker.Running());
  EXPECT_TRUE(worker.Start([](const StopEvent& stop) { stop.WaitFor(milliseconds(60000)); }));
  EXPECT_EQ(worker.Stop(milliseconds(5000)), StopOutcome::kEnded);
}

}  // namespace
}  // namespace qv
