#include "platform/linux/udev_watch.h"

#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qv {
namespace {

// An eventfd stands in for udev's socket: writing to it is an event arriving.
class FdChangeWatchTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_GE(fd_, 0); }
  void TearDown() override { ::close(fd_); }

  void Raise() {
    const uint64_t one = 1;
    ASSERT_EQ(::write(fd_, &one, sizeof one), static_cast<ssize_t>(sizeof one));
  }
  bool WaitForChanges(int count) {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, std::chrono::seconds(5), [&] { return changes_ >= count; });
  }
  std::unique_ptr<FdChangeWatch> Watch() {
    return FdChangeWatch::Start(
        fd_,
        [this] {
          uint64_t value = 0;
          ASSERT_EQ(::read(fd_, &value, sizeof value), static_cast<ssize_t>(sizeof value));
        },
        [this] {
          {
            std::lock_guard<std::mutex> hold(lock_);
            ++changes_;
          }
          changed_.notify_all();
        },
        [this] { ended_ = true; });
  }

  int fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  std::mutex lock_;
  std::condition_variable changed_;
  int changes_ = 0;
  bool ended_ = false;
};

TEST_F(FdChangeWatchTest, EachEventIsDrainedAndReportedOnceAndDestructionJoins) {
  auto watch = Watch();
  ASSERT_NE(watch, nullptr);
  Raise();
  EXPECT_TRUE(WaitForChanges(1));
  Raise();
  EXPECT_TRUE(WaitForChanges(2));
  watch.reset();  // wakes the thread sleeping in poll and waits for it
  EXPECT_TRUE(ended_);
  Raise();  // nobody listens any more; nothing runs
  std::lock_guard<std::mutex> hold(lock_);
  EXPECT_EQ(changes_, 2);
}

TEST(WatchHidrawChanges, StartsAndStopsWhereUdevIsReachableAndIsNullOtherwise) {
  // No hidraw device is plugged here; what matters is that making and dropping the watch is
  // clean either way (a container may have no udev event stream).
  for (int i = 0; i < 3; ++i) {
    auto watch = WatchHidrawChanges([] {});
    watch.reset();
  }
}

}  // namespace
}  // namespace qv
