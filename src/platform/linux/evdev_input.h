// Desktop-wide key and mouse-button events on Linux, read from the input devices'
// /dev/input/event* nodes with libevdev.
//
// The devices are read, never grabbed: every other program keeps receiving the same input.
// Opening the nodes needs read access, which desktop sessions usually give only to members of
// the "input" group; Probe tells the interface whether that is the problem.
#pragma once

#include <linux/input.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/input_capture.h"

namespace qv {

class EvdevInputSource final : public InputCaptureSource {
 public:
  // Runs a call on the interface thread later, in the order given; called from the reading
  // thread, so it must be thread-safe and must not wait for the call.
  using Post = std::function<void(std::function<void()>)>;
  // The pointer's screen position; asked on the interface thread for each mouse event.
  using PointerPosition = std::function<std::pair<int, int>()>;

  enum class Availability { kAvailable, kNoPermission, kNoDevices };

  // `dir` is where the event nodes are looked for (tests point it elsewhere).
  EvdevInputSource(Post post, PointerPosition pointer, std::string dir = "/dev/input");
  ~EvdevInputSource() override;
  EvdevInputSource(const EvdevInputSource&) = delete;
  EvdevInputSource& operator=(const EvdevInputSource&) = delete;

  const char* Name() const override { return "evdev"; }
  // Opens every keyboard and mouse it may read and starts the reading thread; false (nothing
  // started) when none could be opened or the thread cannot be made. Interface thread only, as
  // are Stop and Started.
  bool Start(InputHandler handler) override;
  // Stops the thread and closes the devices; no event is delivered after it returns, including
  // those already posted.
  void Stop() override;
  bool Started() const override { return reader_.joinable(); }

  // Whether a keyboard or mouse in `dir` can be read: kNoPermission when event nodes exist but
  // every one refused to open (EACCES or EPERM) and none was usable.
  static Availability Probe(const std::string& dir = "/dev/input");

  // One raw event as the key or mouse event it stands for (the position taken from `pointer`);
  // nullopt for everything that is not the press, repeat or release of a key with a set 1 code
  // or of the left, right, middle, back or forward button.
  static std::optional<InputEvent> Translate(const input_event& raw,
                                             std::pair<int, int> pointer = {});

 private:
  struct Device;
  // What the posted calls look at; they hold it weakly, so a call that runs after the source
  // is gone does nothing. Touched on the interface thread only.
  struct Delivery {
    InputHandler handler;
    PointerPosition pointer;
    uint64_t run = 0;  // which Start the posted calls belong to
  };

  static std::vector<std::unique_ptr<Device>> OpenAll(const std::string& dir, bool* refused);
  void Read(std::vector<Device*> devices, int stopFd, uint64_t run,
            std::weak_ptr<Delivery> delivery);

  const Post post_;
  const std::string dir_;
  std::shared_ptr<Delivery> delivery_;
  std::vector<std::unique_ptr<Device>> devices_;
  int stopFd_ = -1;
  std::thread reader_;
};

}  // namespace qv
