// Hot-plug notices on Linux: a thread that sleeps in poll() on one descriptor and calls back when
// it becomes readable, and the udev monitor of hidraw add and remove events built on it.
//
// The monitor listens to udev's own event stream (not the kernel's), so a node it announces has
// had its rules applied, device access included, and can be opened at once.
#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "transport/hid_backend.h"

namespace qv {

// Calls `drain` and then `onChange` on its own thread each time `fd` becomes readable; `drain`
// must consume what made it readable. Destruction wakes the thread through an eventfd and joins
// it, then calls `onEnd` (which may release the descriptor). The descriptor is not owned. A
// failed start calls none of the three.
class FdChangeWatch final : public HidChangeWatch {
 public:
  // Null when the eventfd or the thread cannot be made.
  static std::unique_ptr<FdChangeWatch> Start(int fd, std::function<void()> drain,
                                              std::function<void()> onChange,
                                              std::function<void()> onEnd = {});
  ~FdChangeWatch() override;
  FdChangeWatch(const FdChangeWatch&) = delete;
  FdChangeWatch& operator=(const FdChangeWatch&) = delete;

 private:
  FdChangeWatch(int fd, int stopFd, std::function<void()> drain, std::function<void()> onChange,
                std::function<void()> onEnd);
  void Run();

  const int fd_;
  const int stopFd_;
  std::function<void()> drain_, onChange_, onEnd_;
  std::thread thread_;
};

// hidraw nodes appearing and going away, from udev. Null where udev's event stream cannot be
// listened to (no udev in a container, for one); callers then poll.
std::unique_ptr<HidChangeWatch> WatchHidrawChanges(std::function<void()> onChange);

}  // namespace qv
