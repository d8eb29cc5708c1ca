// The evdev source: raw events as key and mouse events, the probe over folders without usable
// devices, and, where this machine allows virtual input devices, a device read end to end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/uinput.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "platform/linux/evdev_input.h"

namespace qv {
namespace {

input_event Raw(uint16_t type, uint16_t code, int32_t value) {
  input_event raw{};
  raw.type = type;
  raw.code = code;
  raw.value = value;
  return raw;
}

struct KeyCase {
  uint16_t code;
  int32_t value;
  uint16_t message;
  uint8_t scanCode;
  bool extended;
};

TEST(EvdevTranslateTest, KeysPressRepeatAndRelease) {
  const KeyCase cases[] = {
      {KEY_A, 1, kMsgKeyDown, 0x1E, false},      {KEY_A, 2, kMsgKeyDown, 0x1E, false},
      {KEY_A, 0, kMsgKeyUp, 0x1E, false},        {KEY_RIGHTCTRL, 1, kMsgKeyDown, 0x1D, true},
      {KEY_KPENTER, 0, kMsgKeyUp, 0x1C, true},   {KEY_PAUSE, 1, kMsgKeyDown, 0x45, false},
      {KEY_NUMLOCK, 1, kMsgKeyDown, 0x45, true}, {KEY_LEFTMETA, 0, kMsgKeyUp, 0x5B, true},
  };
  for (const KeyCase& c : cases) {
    const auto event = EvdevInputSource::Translate(Raw(EV_KEY, c.code, c.value), {7, 8});
    ASSERT_TRUE(event) << c.code << " " << c.value;
    EXPECT_EQ(event->kind, InputEvent::Kind::kKey);
    EXPECT_EQ(event->key.message, c.message) << c.code << " " << c.value;
    EXPECT_EQ(event->key.scanCode, c.scanCode) << c.code;
    EXPECT_EQ(event->key.extended, c.extended) << c.code;
  }
}

struct ButtonCase {
  uint16_t code;
  int32_t value;
  uint16_t message;
  uint16_t extra;
};

TEST(EvdevTranslateTest, ButtonsWithThePointerPosition) {
  const ButtonCase cases[] = {
      {BTN_LEFT, 1, kMsgLeftDown, 0},
      {BTN_LEFT, 0, kMsgLeftUp, 0},
      {BTN_RIGHT, 1, kMsgRightDown, 0},
      {BTN_RIGHT, 0, kMsgRightUp, 0},
      {BTN_MIDDLE, 1, kMsgMiddleDown, 0},
      {BTN_MIDDLE, 0, kMsgMiddleUp, 0},
      {BTN_SIDE, 1, kMsgExtraDown, kExtraBack},
      {BTN_SIDE, 0, kMsgExtraUp, kExtraBack},
      {BTN_EXTRA, 1, kMsgExtraDown, kExtraForward},
      {BTN_EXTRA, 0, kMsgExtraUp, kExtraForward},
      {BTN_BACK, 1, kMsgExtraDown, kExtraBack},
      {BTN_FORWARD, 0, kMsgExtraUp, kExtraForward},
  };
  for (const ButtonCase& c : cases) {
    const auto event = EvdevInputSource::Translate(Raw(EV_KEY, c.code, c.value), {-5, 1200});
    ASSERT_TRUE(event) << c.code << " " << c.value;
    EXPECT_EQ(event->kind, InputEvent::Kind::kMouse);
    EXPECT_EQ(event->mouse.message, c.message) << c.code << " " << c.value;
    EXPECT_EQ(event->mouse.extraButton, c.extra) << c.code;
    EXPECT_EQ(event->mouse.x, -5);
    EXPECT_EQ(event->mouse.y, 1200);
  }
}

TEST(EvdevTranslateTest, EverythingElseIsNoEvent) {
  const input_event others[] = {
      Raw(EV_SYN, SYN_REPORT, 0), Raw(EV_MSC, MSC_SCAN, 0x70004), Raw(EV_REL, REL_X, 3),
      Raw(EV_REL, REL_WHEEL, 1),  Raw(EV_LED, LED_CAPSL, 1),      Raw(EV_KEY, BTN_TOUCH, 1),
      Raw(EV_KEY, KEY_POWER, 1),  Raw(EV_KEY, BTN_LEFT, 2),       Raw(EV_KEY, KEY_A, 3),
  };
  for (const input_event& raw : others) {
    EXPECT_FALSE(EvdevInputSource::Translate(raw)) << raw.type << " " << raw.code;
  }
}

class EvdevFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/qv_input_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void AddNode(const char* name, mode_t mode) {
    const std::string path = dir_ + "/" + name;
    const int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
  }
  std::string dir_;
};

TEST_F(EvdevFolderTest, NoFolderOrNoInputDeviceInItIsNoDevices) {
  EXPECT_EQ(EvdevInputSource::Probe(dir_ + "/absent"), EvdevInputSource::Availability::kNoDevices);
  AddNode("event0", 0644);  // opens, but is no input device
  AddNode("mouse0", 0000);  // not an event node: not looked at
  EXPECT_EQ(EvdevInputSource::Probe(dir_), EvdevInputSource::Availability::kNoDevices);

  EvdevInputSource source([](std::function<void()> call) { call(); }, {}, dir_);
  EXPECT_FALSE(source.Start([](const InputEvent&) {}));
  EXPECT_FALSE(source.Started());
  source.Stop();
}

// Root opens any node, so as root the probe runs in a child that has become "nobody".
constexpr int kCannotDrop = 100;

TEST_F(EvdevFolderTest, EventNodesThatRefuseToOpenAreNoPermission) {
  AddNode("event3", 0600);
  AddNode("event4", 0600);
  ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
  int result = -1;
  if (geteuid() != 0) {
    result = static_cast<int>(EvdevInputSource::Probe(dir_));
  } else {
    const pid_t child = fork();
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(kCannotDrop);
      _exit(static_cast<int>(EvdevInputSource::Probe(dir_)));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    result = WEXITSTATUS(status);
  }
  if (result == kCannotDrop) GTEST_SKIP() << "cannot become an unprivileged user here";
  EXPECT_EQ(result, static_cast<int>(EvdevInputSource::Availability::kNoPermission));
}

// Stands in for the interface thread: posted calls wait here until the test runs them.
class CallQueue {
 public:
  void Post(std::function<void()> call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
    changed_.notify_all();
  }
  // Waits until `count` calls are queued (at most two seconds); how many there are.
  size_t WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(2), [&] { return calls_.size() >= count; });
    return calls_.size();
  }
  void RunAll() {
    std::deque<std::function<void()>> calls;
    {
      std::lock_guard lock(mutex_);
      calls.swap(calls_);
    }
    for (auto& call : calls) call();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> calls_;
};

// A virtual keyboard and mouse made through /dev/uinput, with an event node of its own in
// `dir`; Ok() false where this machine does not allow that (no uinput, no right to make nodes).
class VirtualInput {
 public:
  explicit VirtualInput(const std::string& dir) {
    fd_ = open("/dev/uinput", O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    ioctl(fd_, UI_SET_EVBIT, EV_KEY);
    ioctl(fd_, UI_SET_KEYBIT, KEY_A);
    ioctl(fd_, UI_SET_KEYBIT, BTN_LEFT);
    ioctl(fd_, UI_SET_EVBIT, EV_REL);
    ioctl(fd_, UI_SET_RELBIT, REL_X);
    ioctl(fd_, UI_SET_RELBIT, REL_Y);
    uinput_setup setup{};
    setup.id.bustype = BUS_VIRTUAL;
    std::snprintf(setup.name, sizeof setup.name, "qv test input");
    if (ioctl(fd_, UI_DEV_SETUP, &setup) < 0 || ioctl(fd_, UI_DEV_CREATE) < 0) return;
    created_ = true;
    char sysname[64] = {};
    if (ioctl(fd_, UI_GET_SYSNAME(sizeof sysname), sysname) < 0) return;
    const std::filesystem::path sys = std::filesystem::path("/sys/devices/virtual/input") / sysname;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sys, error)) {
      if (entry.path().filename().string().rfind("event", 0) != 0) continue;
      unsigned major = 0, minor = 0;
      std::FILE* dev = std::fopen((entry.path() / "dev").c_str(), "r");
      if (!dev) return;
      const bool read = std::fscanf(dev, "%u:%u", &major, &minor) == 2;
      std::fclose(dev);
      node_ = dir + "/event0";
      if (!read || mknod(node_.c_str(), S_IFCHR | 0600, makedev(major, minor)) != 0) node_.clear();
      return;
    }
  }
  ~VirtualInput() {
    if (created_) ioctl(fd_, UI_DEV_DESTROY);
    if (fd_ >= 0) close(fd_);
  }
  bool Ok() const { return !node_.empty(); }
  const std::string& Node() const { return node_; }
  void Emit(uint16_t type, uint16_t code, int32_t value) {
    input_event event = Raw(type, code, value);
    ASSERT_EQ(write(fd_, &event, sizeof event), static_cast<ssize_t>(sizeof event));
    event = Raw(EV_SYN, SYN_REPORT, 0);
    ASSERT_EQ(write(fd_, &event, sizeof event), static_cast<ssize_t>(sizeof event));
  }

 private:
  int fd_ = -1;
  bool created_ = false;
  std::string node_;
};

// Needs /dev/uinput and the right to make device nodes (root); skipped elsewhere.
TEST_F(EvdevFolderTest, VirtualKeyboardAndMouseAreReadWithoutGrabbing) {
  VirtualInput device(dir_);
  if (!device.Ok()) GTEST_SKIP() << "no virtual input devices here";
  EXPECT_EQ(EvdevInputSource::Probe(dir_), EvdevInputSource::Availability::kAvailable);

  CallQueue queue;
  std::vector<InputEvent> got;
  EvdevInputSource source([&](std::function<void()> call) { queue.Post(std::move(call)); },
                          [] {
                            return std::pair{31, 41};
                          },
                          dir_);
  ASSERT_TRUE(source.Start([&](const InputEvent& e) { got.push_back(e); }));
  // Another reader, opened before the events: it still gets them, the source does not grab.
  const int other = open(device.Node().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(other, 0);
  device.Emit(EV_KEY, KEY_A, 1);
  device.Emit(EV_KEY, KEY_A, 0);
  device.Emit(EV_KEY, BTN_LEFT, 1);
  ASSERT_EQ(queue.WaitFor(3), 3u);
  EXPECT_TRUE(got.empty());  // nothing runs outside the posted calls
  queue.RunAll();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].key.message, kMsgKeyDown);
  EXPECT_EQ(got[0].key.scanCode, 0x1E);
  EXPECT_EQ(got[1].key.message, kMsgKeyUp);
  EXPECT_EQ(got[2].kind, InputEvent::Kind::kMouse);
  EXPECT_EQ(got[2].mouse.message, kMsgLeftDown);
  EXPECT_EQ(got[2].mouse.x, 31);
  EXPECT_EQ(got[2].mouse.y, 41);
  input_event seen{};
  EXPECT_EQ(read(other, &seen, sizeof seen), static_cast<ssize_t>(sizeof seen));
  EXPECT_EQ(seen.type, EV_KEY);
  EXPECT_EQ(seen.code, KEY_A);
  close(other);

  // A call still queued when the source stops delivers nothing.
  device.Emit(EV_KEY, BTN_LEFT, 0);
  ASSERT_EQ(queue.WaitFor(1), 1u);
  source.Stop();
  queue.RunAll();
  EXPECT_EQ(got.size(), 3u);
}

}  // namespace
}  // namespace qv
