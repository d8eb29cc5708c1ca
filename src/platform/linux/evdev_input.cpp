#include "platform/linux/evdev_input.h"

#include <dirent.h>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/set1_keys.h"

namespace qv {

struct EvdevInputSource::Device {
  int fd = -1;
  libevdev* dev = nullptr;
  Device() = default;
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;
  ~Device() {
    if (dev) libevdev_free(dev);
    if (fd >= 0) ::close(fd);
  }
};

namespace {

// A keyboard has at least one key with a set 1 code (media-key devices count: they are the
// keyboard's own second node), a mouse the left button; power buttons, lid switches, sound jacks
// and the like have neither.
bool IsKeyboardOrMouse(libevdev* dev) {
  if (!libevdev_has_event_type(dev, EV_KEY)) return false;
  if (libevdev_has_event_code(dev, EV_KEY, BTN_LEFT)) return true;
  for (unsigned code = KEY_ESC; code < BTN_MISC; ++code) {
    if (libevdev_has_event_code(dev, EV_KEY, code) && Set1FromEvdev(static_cast<uint16_t>(code))) {
      return true;
    }
  }
  return false;
}

struct Button {
  uint16_t code;
  uint16_t down;
  uint16_t up;
  uint16_t extra;
};

// Mice with more than five buttons report back and forward either as side and extra or under
// their own names.
constexpr Button kButtons[] = {
    {BTN_LEFT, kMsgLeftDown, kMsgLeftUp, 0},
    {BTN_RIGHT, kMsgRightDown, kMsgRightUp, 0},
    {BTN_MIDDLE, kMsgMiddleDown, kMsgMiddleUp, 0},
    {BTN_SIDE, kMsgExtraDown, kMsgExtraUp, kExtraBack},
    {BTN_EXTRA, kMsgExtraDown, kMsgExtraUp, kExtraForward},
    {BTN_BACK, kMsgExtraDown, kMsgExtraUp, kExtraBack},
    {BTN_FORWARD, kMsgExtraDown, kMsgExtraUp, kExtraForward},
};

}  // namespace

EvdevInputSource::EvdevInputSource(Post post, PointerPosition pointer, std::string dir)
    : post_(std::move(post)), dir_(std::move(dir)), delivery_(std::make_shared<Delivery>()) {
  delivery_->pointer = std::move(pointer);
}

EvdevInputSource::~EvdevInputSource() {
  Stop();
}

std::vector<std::unique_ptr<EvdevInputSource::Device>> EvdevInputSource::OpenAll(
    const std::string& dir, bool* refused) {
  std::vector<std::unique_ptr<Device>> devices;
  DIR* folder = ::opendir(dir.c_str());
  if (!folder) return devices;
  while (const dirent* entry = ::readdir(folder)) {
    if (std::strncmp(entry->d_name, "event", 5) != 0) continue;
    std::string path = dir;
    path.append("/").append(entry->d_name);
    auto device = std::make_unique<Device>();
    device->fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (device->fd < 0) {
      if (errno == EACCES || errno == EPERM) *refused = true;
      continue;
    }
    if (libevdev_new_from_fd(device->fd, &device->dev) < 0) {
      device->dev = nullptr;
      continue;
    }
    if (IsKeyboardOrMouse(device->dev)) devices.push_back(std::move(device));
  }
  ::closedir(folder);
  return devices;
}

EvdevInputSource::Availability EvdevInputSource::Probe(const std::string& dir) {
  bool refused = false;
  if (!OpenAll(dir, &refused).empty()) return Availability::kAvailable;
  return refused ? Availability::kNoPermission : Availability::kNoDevices;
}

std::optional<InputEvent> EvdevInputSource::Translate(const input_event& raw,
                                                      std::pair<int, int> pointer) {
  if (raw.type != EV_KEY || raw.value < 0 || raw.value > 2) return std::nullopt;
  for (const Button& button : kButtons) {
    if (button.code != raw.code) continue;
    if (raw.value == 2) return std::nullopt;  // buttons do not repeat; nothing to report
    InputEvent event;
    event.kind = InputEvent::Kind::kMouse;
    event.mouse.message = raw.value ? button.down : button.up;
    event.mouse.x = pointer.first;
    event.mouse.y = pointer.second;
    event.mouse.extraButton = button.extra;
    return event;
  }
  const std::optional<Set1Key> key = Set1FromEvdev(raw.code);
  if (!key) return std::nullopt;
  InputEvent event;
  event.kind = InputEvent::Kind::kKey;
  // A repeat is reported as one more press, as the desktop's keyboard hook does.
  event.key.message = raw.value ? kMsgKeyDown : kMsgKeyUp;
  event.key.scanCode = key->scanCode;
  event.key.extended = key->extended;
  return event;
}

bool EvdevInputSource::Start(InputHandler handler) {
  if (!handler || !post_) return false;
  if (Started()) {
    delivery_->handler = std::move(handler);
    return true;
  }
  bool refused = false;
  std::vector<std::unique_ptr<Device>> devices = OpenAll(dir_, &refused);
  if (devices.empty()) return false;
  const int stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (stopFd < 0) return false;
  std::vector<Device*> reading;
  for (const auto& device : devices) reading.push_back(device.get());
  const uint64_t run = ++delivery_->run;
  delivery_->handler = std::move(handler);
  try {
    reader_ = std::thread(&EvdevInputSource::Read, this, std::move(reading), stopFd, run,
                          std::weak_ptr<Delivery>(delivery_));
  } catch (const std::system_error&) {
    delivery_->handler = nullptr;
    ::close(stopFd);
    return false;
  }
  devices_ = std::move(devices);
  stopFd_ = stopFd;
  return true;
}

void EvdevInputSource::Stop() {
  if (reader_.joinable()) {
    const uint64_t one = 1;
    // Fails only when the counter is full, and then the thread is being woken already.
    [[maybe_unused]] ssize_t n = ::write(stopFd_, &one, sizeof one);
    reader_.join();
  }
  if (stopFd_ >= 0) ::close(stopFd_);
  stopFd_ = -1;
  devices_.clear();
  delivery_->handler = nullptr;
  ++delivery_->run;  // calls still queued from the thread now do nothing, even after a restart
}

void EvdevInputSource::Read(std::vector<Device*> devices, int stopFd, uint64_t run,
                            std::weak_ptr<Delivery> delivery) {
  pthread_setname_np(pthread_self(), "qv-evdev");
  auto hand = [&](const input_event& raw) {
    std::optional<InputEvent> event = Translate(raw);
    if (!event) return;
    // The position is the pointer's when the interface gets the event, asked there.
    post_([delivery, run, event = *event]() mutable {
      const std::shared_ptr<Delivery> d = delivery.lock();
      if (!d || d->run != run || !d->handler) return;
      if (event.kind == InputEvent::Kind::kMouse && d->pointer) {
        const auto [x, y] = d->pointer();
        event.mouse.x = x;
        event.mouse.y = y;
      }
      const InputHandler handler = d->handler;  // it may stop the source
      handler(event);
    });
  };
  // False once the device is gone (unplugged).
  auto drain = [&](Device* device) {
    unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
    for (;;) {
      input_event raw;
      const int rc = libevdev_next_event(device->dev, flags, &raw);
      if (rc == LIBEVDEV_READ_STATUS_SUCCESS) {
        hand(raw);
      } else if (rc == LIBEVDEV_READ_STATUS_SYNC) {
        // Events were dropped; the device's state differences follow (a release that was lost,
        // for one) until the sync is drained.
        flags = LIBEVDEV_READ_FLAG_SYNC;
        hand(raw);
      } else if (rc == -EAGAIN) {
        if (flags == LIBEVDEV_READ_FLAG_NORMAL) return true;
        flags = LIBEVDEV_READ_FLAG_NORMAL;
      } else if (rc != -EINTR) {
        return false;
      }
    }
  };

  std::vector<pollfd> fds;
  fds.push_back({stopFd, POLLIN, 0});
  for (Device* device : devices) fds.push_back({device->fd, POLLIN, 0});
  for (;;) {
    const int n = ::poll(fds.data(), fds.size(), -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[0].revents) return;
    for (size_t i = 1; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      bool alive = !(fds[i].revents & (POLLERR | POLLHUP | POLLNVAL));
      if (fds[i].revents & POLLIN) alive = drain(devices[i - 1]) && alive;
      if (!alive) fds[i].fd = -1;  // poll skips it from now on
    }
  }
}

}  // namespace qv
