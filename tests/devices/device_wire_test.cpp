// What the device base puts on the wire, as the simulated keyboard's firmware records it.
#include <gtest/gtest.h>

#include "devices/device_test_support.h"
#include "devices/usb_device.h"
#include "sim/sim_keyboard.h"

namespace qv {
namespace {

using test::OpenDevice;

class DeviceWireTest : public testing::Test {
 protected:
  void SetUp() override {
    keyboard_ = std::make_shared<sim::SimKeyboard>();
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

  std::vector<uint8_t> RequestIds() {
    std::vector<uint8_t> ids;
    for (const auto& p : keyboard_->Firmware().Packets()) {
      if (p.direction == sim::PacketDirection::kRequest) ids.push_back(p.packet.bytes[3]);
    }
    return ids;
  }

  sim::SimBackend backend_;
  std::shared_ptr<sim::SimKeyboard> keyboard_;
};

TEST_F(DeviceWireTest, HostLightingGoesOnlyToAKeyboard) {
  auto mouse = Connect(kTypeMouse);
  EXPECT_EQ(mouse->SetHostLightControl(true), kResultNoAnswer);
  EXPECT_TRUE(mouse->GetHostLightControl());
  EXPECT_TRUE(RequestIds().empty());

  auto keyboard = Connect(kTypeKeyboard);
  EXPECT_EQ(keyboard->SetHostLightControl(false), kResultNoAnswer);
  EXPECT_TRUE(RequestIds().empty());
  EXPECT_EQ(keyboard->SetHostLightControl(true), kResultSuccess);
  EXPECT_EQ(RequestIds(), std::vector<uint8_t>{kCmdHostLighting});
  EXPECT_TRUE(keyboard_->Firmware().Tables().hostLighting);
}

TEST_F(DeviceWireTest, ColourFrameIsStreamedAsLightCountTimesThreeBytes) {
  auto device = Connect(kTypeMouse);
  device->SetLightCount(30);
  std::vector<uint8_t> expected(512, 0);
  for (int i = 0; i < 30; ++i) {
    const uint8_t v = static_cast<uint8_t>(8 * i + 1);
    device->SetLightColor(i, PackLightColor({v, static_cast<uint8_t>(255 - v), 100}, 128));
    expected[3 * i] = v / 2;
    expected[3 * i + 1] = (255 - v) / 2;
    expected[3 * i + 2] = 50;
  }
  EXPECT_EQ(device->SendColorFrame(), kResultSuccess);
  // 90 bytes in chunks of 56 on the cable.
  EXPECT_EQ(RequestIds(), (std::vector<uint8_t>{kCmdStreamColors, kCmdStreamColors}));
  EXPECT_EQ(keyboard_->Firmware().Tables().frame, expected);

  device->SetWireless(true);
  EXPECT_EQ(device->SendColorFrame(), kResultSuccess);
  EXPECT_EQ(RequestIds().size(), 2u) << "nothing is streamed through the receiver";
}

}  // namespace
}  // namespace qv
