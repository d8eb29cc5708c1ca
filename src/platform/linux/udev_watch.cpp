#include "platform/linux/udev_watch.h"

#include <libudev.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace qv {

std::unique_ptr<FdChangeWatch> FdChangeWatch::Start(int fd, std::function<void()> drain,
                                                    std::function<void()> onChange,
                                                    std::function<void()> onEnd) {
  if (fd < 0) return nullptr;
  const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopFd < 0) return nullptr;
  std::unique_ptr<FdChangeWatch> watch(
      new FdChangeWatch(fd, stopFd, std::move(drain), std::move(onChange), std::move(onEnd)));
  try {
    watch->thread_ = std::thread([w = watch.get()] { w->Run(); });
  } catch (const std::system_error&) {
    watch->onEnd_ = nullptr;  // a failed start leaves what it was given to the caller
    return nullptr;
  }
  return watch;
}

FdChangeWatch::FdChangeWatch(int fd, int stopFd, std::function<void()> drain,
                             std::function<void()> onChange, std::function<void()> onEnd)
    : fd_(fd),
      stopFd_(stopFd),
      drain_(std::move(drain)),
      onChange_(std::move(onChange)),
      onEnd_(std::move(onEnd)) {}

FdChangeWatch::~FdChangeWatch() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    // Fails only when the counter is full, and then the thread is being woken already.
    [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof one);
    thread_.join();
  }
  ::close(stopFd_);
  if (onEnd_) onEnd_();
}

void FdChangeWatch::Run() {
  pthread_setname_np(pthread_self(), "qv-hotplug");
  for (;;) {
    pollfd fds[2] = {{stopFd_, POLLIN, 0}, {fd_, POLLIN, 0}};
    const int n = ::poll(fds, 2, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    if (fds[1].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
    if (fds[1].revents & POLLIN) {
      if (drain_) drain_();
      if (onChange_) onChange_();
    }
  }
}

std::unique_ptr<HidChangeWatch> WatchHidrawChanges(std::function<void()> onChange) {
  udev* u = udev_new();
  if (!u) return nullptr;
  udev_monitor* monitor = udev_monitor_new_from_netlink(u, "udev");
  if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor) < 0) {
    if (monitor) udev_monitor_unref(monitor);
    udev_unref(u);
    return nullptr;
  }
  const int fd = udev_monitor_get_fd(monitor);
  auto drain = [monitor] {
    // Every queued event; what they say does not matter, the scan pass looks for itself.
    while (udev_device* dev = udev_monitor_receive_device(monitor)) udev_device_unref(dev);
  };
  auto release = [u, monitor] {
    udev_monitor_unref(monitor);
    udev_unref(u);
  };
  auto watch = FdChangeWatch::Start(fd, drain, std::move(onChange), release);
  if (!watch) release();
  return watch;
}

}  // namespace qv
