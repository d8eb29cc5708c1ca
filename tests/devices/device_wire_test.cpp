// What the device base puts on the wire, recorded by a simulated keyboard that answers every
// command with its echo.
#include <gtest/gtest.h>

#include <mutex>

#include "devices/device_test_support.h"
#include "devices/usb_device.h"
#include "sim/sim_keyboard.h"

namespace qv {
namespace {

using test::OpenDevice;

class RecordingKeyboard : public sim::SimKeyboard {
 public:
  std::vector<std::vector<uint8_t>> Commands() {
    std::lock_guard<std::mutex> hold(lock_);
    return commands_;
  }

 protected:
  void OnOutputReport(uint16_t interfaceNumber, const uint8_t* report, size_t size) override {
    if (size < 8 || report[0] != sim::kCommandReportId) return;
    std::vector<uint8_t> answer(report, report + size);
    answer.resize(64);
    answer[7] = 0;
    {
      std::lock_guard<std::mutex> hold(lock_);
      commands_.push_back(answer);
    }
    SendInputReport(interfaceNumber, answer);
  }

 private:
  std::mutex lock_;
  std::vector<std::vector<uint8_t>> commands_;
};

class DeviceWireTest : public testing::Test {
 protected:
  void SetUp() override {
    keyboard_ = std::make_shared<RecordingKeyboard>();
    backend_.Plug(keyboard_);
  }

  // A device whose command link is open on the keyboard's vendor collection, on the cable.
  std::unique_ptr<OpenDevice> Connect(DeviceTypeCode typeCode) {
    auto device = std::make_unique<OpenDevice>(&backend_);
    SupportedInterface row{};
    row.TypeCode = typeCode;
    device->SetInterface(row);
    std::string path;
    HidChannel lister(&backend_);
    EXPECT_TRUE(lister.Enumerate());
    for (const auto& e : lister.Entries()) {
      if (e.interfaceNumber == 1 && e.usagePage == 0xFF1C) path = e.path;
    }
    EXPECT_TRUE(device->Link.Wired.Open(path, true, true, true, false));
    device->Link.SetMode(kModeWired);
    device->Link.Open = true;
    return device;
  }

  sim::SimBackend backend_;
  std::shared_ptr<RecordingKeyboard> keyboard_;
};

TEST_F(DeviceWireTest, HostLightingGoesOnlyToAKeyboard) {
  auto mouse = Connect(kTypeMouse);
  mouse->SetHostLightControl(true);
  EXPECT_TRUE(keyboard_->Commands().empty());

  auto keyboard = Connect(kTypeKeyboard);
  EXPECT_EQ(keyboard->SetHostLightControl(false), kResultNoAnswer);
  EXPECT_TRUE(keyboard_->Commands().empty());
  EXPECT_EQ(keyboard->SetHostLightControl(true), kResultSuccess);
  const auto commands = keyboard_->Commands();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0][3], 0x1C);
}

TEST_F(DeviceWireTest, ColourFrameIsStreamedAsLightCountTimesThreeBytes) {
  auto device = Connect(kTypeMouse);
  device->SetLightCount(30);
  std::vector<uint8_t> expected(90, 0);
  for (int i = 0; i < 30; ++i) {
    const uint8_t v = static_cast<uint8_t>(8 * i);
    device->SetLightColor(i, PackLightColor({v, static_cast<uint8_t>(255 - v), 100}, 128));
    expected[3 * i] = v / 2;
    expected[3 * i + 1] = (255 - v) / 2;
    expected[3 * i + 2] = 50;
  }
  EXPECT_EQ(device->SendColorFrame(), kResultSuccess);

  std::vector<uint8_t> streamed(90, 0xEE);
  size_t bytes = 0;
  for (const auto& c : keyboard_->Commands()) {
    ASSERT_EQ(c[3], 0x12);
    const size_t length = c[4];
    const size_t offset = c[5] | (c[6] << 8);
    ASSERT_LE(offset + length, streamed.size());
    std::copy(c.begin() + 8, c.begin() + 8 + length, streamed.begin() + offset);
    bytes += length;
  }
  EXPECT_EQ(bytes, 90u);
  EXPECT_EQ(streamed, expected);
}

}  // namespace
}  // namespace qv
