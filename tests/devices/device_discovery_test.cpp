// Discovery handlers driven by the real scanner over the simulated keyboard, with a host that
// records what the interface would do: attach by cable and by receiver, the switch-over both
// ways, the notification readers following the half in use, and rows outside the table.
#include "devices/device_discovery.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "sim/sim_keyboard.h"
#include "transport/device_scanner.h"

namespace qv::ui {
namespace {

class PlainDevice : public CKestravaUSBDevice {
 public:
  explicit PlainDevice(HidBackend* backend) : CKestravaUSBDevice(backend) {}
  ~PlainDevice() override { StopWorkers(); }
  void ReadPowerStatus() override { ++powerReads; }
  int powerReads = 0;
};

class RecordingHost : public DiscoveryHost {
 public:
  explicit RecordingHost(HidBackend* backend) : backend_(backend) {}
  const RuntimeInterfaceTable* table = nullptr;

  CKestravaUSBDevice* CreateDeviceBlock(int primaryRow, int kindRow) override {
    auto device = std::make_unique<PlainDevice>(backend_);
    device->SetInterface(table->Row(primaryRow));
    device->SetPowerFlag(kindRow == kKindMouse ? 1 : 0);
    devices.push_back(std::move(device));
    visible.push_back(false);
    created.push_back(primaryRow);
    return devices.back().get();
  }
  std::vector<CKestravaUSBDevice*> EntryDevices() const override {
    std::vector<CKestravaUSBDevice*> out;
    for (const auto& d : devices) out.push_back(d.get());
    return out;
  }
  int IndexOf(const CKestravaUSBDevice* d) const {
    for (size_t i = 0; i < devices.size(); ++i) {
      if (devices[i].get() == d) return static_cast<int>(i);
    }
    return -1;
  }
  bool IsEntryVisible(const CKestravaUSBDevice* d) const override {
    return IndexOf(d) >= 0 && visible[static_cast<size_t>(IndexOf(d))];
  }
  bool AnyEntryVisible() const override {
    for (bool v : visible) {
      if (v) return true;
    }
    return false;
  }
  void ShowEntry(CKestravaUSBDevice* d, bool select) override {
    visible[static_cast<size_t>(IndexOf(d))] = true;
    selects += select ? 1 : 0;
  }
  void HideEntry(CKestravaUSBDevice* d) override {
    visible[static_cast<size_t>(IndexOf(d))] = false;
  }
  void StartConnectTimer(CKestravaUSBDevice*) override { ++connects; }
  void RestartLinkWatch(CKestravaUSBDevice*, int ms) override { linkWatches.push_back(ms); }
  void SendLinkMessage(int kindRow, int up) override { links.push_back({kindRow, up}); }
  void BringForward() override { ++forwards; }

  std::vector<std::unique_ptr<PlainDevice>> devices;
  std::vector<bool> visible;
  std::vector<int> created;
  int selects = 0;
  int connects = 0;
  int forwards = 0;
  std::vector<int> linkWatches;
  std::vector<std::pair<int, int>> links;

 private:
  HidBackend* backend_;
};

// The scanner's messages handled at once, as the window does on its interface thread.
class DirectSink : public MessageSink {
 public:
  DeviceDiscovery* discovery = nullptr;
  intptr_t Send(uint32_t m, uintptr_t w, intptr_t l) override {
    if (m == UWM_DEVICE_ARRIVED) discovery->OnArrived(w);
    if (m == UWM_DEVICE_REMOVED) discovery->OnRemoved(w);
    if (m == UWM_DEVICE_LINK) discovery->OnLinkChanged(w, l);
    return 0;
  }
  bool Post(uint32_t, uintptr_t, intptr_t) override { return true; }
  bool PostTask(std::function<void()>) override { return true; }
};

class DiscoveryTest : public ::testing::Test {
 protected:
  DiscoveryTest() : host(&backend), scanner(&backend, &sink, 0xC001) {
    host.table = &scanner.Table();
    discovery = std::make_unique<DeviceDiscovery>(host, scanner.Table(), families);
    discovery->SetSleeper([](std::chrono::milliseconds) {});
    sink.discovery = discovery.get();
    discovery->PreCreate();
  }
  PlainDevice& Keyboard() { return *host.devices[1]; }

  sim::SimBackend backend;
  std::shared_ptr<sim::KeyboardFirmware> firmware = std::make_shared<sim::KeyboardFirmware>();
  RecordingHost host;
  DirectSink sink;
  DeviceScanner scanner;
  DeviceFamilies families;
  std::unique_ptr<DeviceDiscovery> discovery;
};

TEST_F(DiscoveryTest, PreCreationMakesTheMouseThenTheKeyboard) {
  EXPECT_EQ(host.created, (std::vector<int>{4, 0}));
  EXPECT_EQ(families.Snapshot(DeviceFamily::kMouse).size(), 1u);
  EXPECT_EQ(families.Snapshot(DeviceFamily::kKeyboard).size(), 1u);
  // Rows outside the table change nothing.
  discovery->OnArrived(11);
  discovery->OnRemoved(99);
  discovery->OnLinkChanged(7, 1);
  EXPECT_EQ(host.forwards, 0);
  EXPECT_EQ(host.devices.size(), 2u);
}

TEST_F(DiscoveryTest, ReceiverThenCableThenCableLeaves) {
  auto receiver = std::make_shared<sim::SimKeyboard>(firmware, sim::kReceiverProductId);
  backend.Plug(receiver);
  scanner.RunPass();
  PlainDevice& kb = Keyboard();
  EXPECT_TRUE(kb.Link.Open);
  EXPECT_TRUE(kb.IsWireless());
  EXPECT_TRUE(kb.Link.Receiver.IsOpen());
  EXPECT_FALSE(host.visible[1]);  // the link watch decides on the receiver
  EXPECT_EQ(host.connects, 1);
  // The receiver's notification interface is read, whichever of the two came first.
  EXPECT_TRUE(kb.NotifyLink.Receiver.IsOpen());
  // The notification link's two flags are its channels' open flags.
  EXPECT_TRUE(kb.NotifyLink.WirelessMode);
  EXPECT_FALSE(kb.NotifyLink.Open);
  EXPECT_EQ(host.devices.size(), 2u);  // no block for the receiver of its own

  auto cable = std::make_shared<sim::SimKeyboard>(firmware, sim::kKeyboardProductId);
  backend.Plug(cable);
  scanner.RunPass();
  EXPECT_FALSE(kb.IsWireless());
  EXPECT_TRUE(kb.Link.Open);
  EXPECT_TRUE(kb.Link.Wired.IsOpen());
  EXPECT_FALSE(kb.Link.WirelessMode);
  EXPECT_EQ(host.links, (std::vector<std::pair<int, int>>{{kKindKeyboard, 1}}));
  EXPECT_TRUE(kb.NotifyLink.Wired.IsOpen());
  EXPECT_TRUE(kb.NotifyLink.Open);

  backend.Unplug(cable);
  scanner.RunPass();
  EXPECT_TRUE(kb.IsWireless());
  EXPECT_TRUE(kb.Link.Open);
  EXPECT_TRUE(kb.Link.Receiver.IsOpen());
  EXPECT_EQ(host.linkWatches, std::vector<int>{2000});
  // The cable's reader does not stay on an interface that is gone.
  EXPECT_FALSE(kb.NotifyLink.Wired.IsOpen());
  EXPECT_FALSE(kb.NotifyLink.Open);
  EXPECT_FALSE(kb.NotificationThreadRunning(NotifyChannel::kWired));

  backend.Unplug(receiver);
  scanner.RunPass();
  EXPECT_FALSE(kb.Link.Open);
  EXPECT_FALSE(kb.Link.Receiver.IsOpen());
  EXPECT_FALSE(kb.NotifyLink.Receiver.IsOpen());
  EXPECT_FALSE(kb.NotifyLink.WirelessMode);
}

TEST_F(DiscoveryTest, ReceiverComingAndGoingLeavesTheCableAlone) {
  auto cable = std::make_shared<sim::SimKeyboard>(firmware, sim::kKeyboardProductId);
  backend.Plug(cable);
  scanner.RunPass();
  PlainDevice& kb = Keyboard();
  ASSERT_TRUE(kb.Link.Open);
  EXPECT_TRUE(host.visible[1]);
  EXPECT_EQ(host.selects, 1);

  auto receiver = std::make_shared<sim::SimKeyboard>(firmware, sim::kReceiverProductId);
  backend.Plug(receiver);
  scanner.RunPass();
  backend.Unplug(receiver);
  scanner.RunPass();
  EXPECT_FALSE(kb.IsWireless());
  EXPECT_TRUE(kb.Link.Wired.IsOpen());
  EXPECT_TRUE(host.visible[1]);
  EXPECT_TRUE(host.links.empty());

  backend.Unplug(cable);
  scanner.RunPass();
  EXPECT_FALSE(kb.Link.Open);
  EXPECT_FALSE(host.visible[1]);
}

}  // namespace
}  // namespace qv::ui
