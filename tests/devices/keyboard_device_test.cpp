// The keyboard device against the simulated keyboard: what goes on the wire, what comes back,
// and how notifications reach the interface thread.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "devices/device_test_support.h"
#include "devices/keyboard_device.h"
#include "profiles/data_folders.h"
#include "profiles/json_file_store.h"
#include "profiles/temp_folder.h"
#include "sim/sim_keyboard.h"
#include "transport/notification_code.h"

namespace qv {
namespace {

using sim::PacketDirection;

class OpenKeyboard : public CKestravaKeyboardDevice {
 public:
  using CKestravaKeyboardDevice::CKestravaKeyboardDevice;
  using CKestravaKeyboardDevice::KeyIntensity;
};

// The main window: records messages with whether the keyboard was inside an update sequence
// at that moment; posted tasks run when the test says so.
class Window : public test::FakeMainWindow {
 public:
  explicit Window(sim::KeyboardFirmware* firmware) : firmware_(firmware) {}
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    if (message == kMsgDeviceVersion) updatingAtVersion = firmware_->Tables().updating;
    return FakeMainWindow::Send(message, wParam, lParam);
  }
  bool updatingAtVersion = true;

 private:
  sim::KeyboardFirmware* firmware_;
};

constexpr int kFnKey = 110;
constexpr uint8_t kFnPosition = 14 + 14 + 13 + 12 + 5;  // sixth key of the bottom row
constexpr uint8_t kFnLed = 4 * 16 + 5;

class KeyboardDeviceTest : public test::TempFolderTest {
 protected:
  KeyboardDeviceTest() : window_(&keyboard_->Firmware()) {
    SetInstallFolder(test::RepoDefaultDataFolder() + "..");
    backend_.Plug(keyboard_);
    device_ = std::make_unique<OpenKeyboard>(&backend_);
    device_->SetMainWindow(&window_);
    device_->SetKeyCount(170);
    device_->SetLightCount(170);
    device_->SetKindName("keyboard");
    device_->SetSleeper([](std::chrono::milliseconds) {});
    EXPECT_TRUE(device_->Link.Wired.Open(PathOf(0xFF1C), true, true, true, false));
    device_->Link.SetMode(kModeWired);
    device_->Link.Open = true;
  }
  ~KeyboardDeviceTest() override {
    device_.reset();
    SetInstallFolder("");
  }

  std::string PathOf(uint16_t usagePage, uint16_t productId = sim::kKeyboardProductId) {
    HidChannel lister(&backend_);
    EXPECT_TRUE(lister.Enumerate());
    for (const auto& e : lister.Entries()) {
      if (e.interfaceNumber == 1 && e.usagePage == usagePage && e.productId == productId) {
        return e.path;
      }
    }
    return {};
  }

  sim::KeyboardFirmware& Firmware() { return keyboard_->Firmware(); }

  std::vector<CommandPacket> Requests() {
    std::vector<CommandPacket> out;
    for (const auto& p : Firmware().Packets()) {
      if (p.direction == PacketDirection::kRequest) out.push_back(p.packet);
    }
    return out;
  }
  std::vector<uint8_t> RequestIds() {
    std::vector<uint8_t> ids;
    for (const auto& p : Requests()) ids.push_back(p.Command());
    return ids;
  }
  size_t CountOf(uint8_t command) {
    const auto ids = RequestIds();
    return static_cast<size_t>(std::count(ids.begin(), ids.end(), command));
  }

  void Connect() {
    ASSERT_EQ(device_->ConnectionRead(), kResultSuccess);
    Firmware().ClearPackets();
  }

  // "macro.config" with `count` macros; macro i has `events[i]` key events (none for missing).
  void WriteMacros(size_t count, const std::vector<size_t>& events) {
    const std::string folder = DeviceDataFolder("keyboard");
    JsonFileStore store;
    Json::Value config(Json::objectValue);
    for (size_t i = 0; i < count; ++i) {
      const std::string guid = FormatTimestampId(2024, 3, 7, 14, 5, 9, static_cast<int>(i));
      Json::Value entry(Json::objectValue);
      entry["MacroName"] = "macro_" + std::to_string(i + 1);
      entry["Guid"] = guid;
      config["MacroInfo"].append(entry);
      Json::Value file(Json::objectValue);
      file["Events"] = Json::Value(Json::arrayValue);
      for (size_t e = 0; i < events.size() && e < events[i]; ++e) {
        Json::Value ev(Json::objectValue);
        ev["Type"] = 10;
        ev["Button"] = static_cast<int>(4 + i);
        ev["Action"] = e % 2 ? "up" : "down";
        ev["Delay"] = std::to_string(10 * e);
        file["Events"].append(ev);
      }
      ASSERT_EQ(store.WriteJsonFile(folder + guid + ".mac", file), kStoreOk);
    }
    ASSERT_EQ(store.WriteJsonFile(folder + "macro.config", config), kStoreOk);
  }

  static std::vector<uint8_t> Entry(int key, KeyFunction f) {
    const KeyFunction d = LogicalKeyTable()[static_cast<size_t>(key)];
    return {static_cast<uint8_t>(key), 0, f.kind, f.first, f.second, 0,
            static_cast<uint8_t>(key), 0, d.kind, d.first, d.second};
  }

  // Waits (generously) until the fake window holds a posted task.
  bool WaitForTask() {
    for (int i = 0; i < 400; ++i) {
      if (window_.RunTasks() > 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  sim::SimBackend backend_;
  std::shared_ptr<sim::SimKeyboard> keyboard_ = std::make_shared<sim::SimKeyboard>();
  Window window_;
  std::unique_ptr<OpenKeyboard> device_;
};

TEST_F(KeyboardDeviceTest, ConnectionReadSequenceAndMaps) {
  ASSERT_EQ(device_->ConnectionRead(), kResultSuccess);
  // 0x56 positions: a key map of 258 bytes in five cable chunks, an LED table of 86 in two.
  EXPECT_EQ(RequestIds(),
            (std::vector<uint8_t>{kCmdBeginUpdate, kCmdReadDeviceInfo, kCmdReadKeyMap,
                                  kCmdReadKeyMap, kCmdReadKeyMap, kCmdReadKeyMap, kCmdReadKeyMap,
                                  kCmdReadLedTable, kCmdReadLedTable, kCmdEndUpdate}));
  std::vector<uint8_t> keyMapChunks;
  for (const auto& p : Requests()) {
    if (p.Command() == kCmdReadKeyMap) keyMapChunks.push_back(p.Length());
  }
  EXPECT_EQ(keyMapChunks, (std::vector<uint8_t>{56, 56, 56, 56, 34}));
  EXPECT_EQ(device_->GetDefaultKeyMap().size(), 258u);

  EXPECT_EQ(device_->GetKeyPositionMap()[0], 0);
  EXPECT_EQ(device_->GetKeyPositionMap()[kFnKey], kFnPosition);
  EXPECT_EQ(device_->GetLedMap()[kFnKey], kFnLed);
  EXPECT_EQ(device_->GetKeyPositionMap()[1], kNoPosition) << "no F1 on a 61-key keyboard";
  int mapped = 0;
  for (uint8_t p : device_->GetKeyPositionMap()) mapped += p != kNoPosition;
  EXPECT_EQ(mapped, 61);

  const auto sent = window_.Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], (test::FakeMainWindow::Message{kMsgDeviceVersion, sim::kKeyboardProductId,
                                                    sim::kKeyboardVersion}));
  EXPECT_FALSE(window_.updatingAtVersion) << "the version goes out after the sequence ended";
}

class ConnectionFailureTest : public KeyboardDeviceTest,
                              public testing::WithParamInterface<uint8_t> {};

TEST_P(ConnectionFailureTest, EndsTheSequenceAndMapsNothing) {
  Connect();  // maps of an earlier connection must not survive a failed one
  Firmware().Edit([](sim::KeyboardTables& t) { t.updatesEnded = 0; });
  Firmware().FailPacket(GetParam(), 1, kStatusError);
  EXPECT_EQ(device_->ConnectionRead(), kResultStatusFF);
  EXPECT_EQ(RequestIds().back(), kCmdEndUpdate);
  EXPECT_FALSE(Firmware().Tables().updating);
  EXPECT_EQ(Firmware().Tables().updatesEnded, 1);
  for (uint8_t p : device_->GetKeyPositionMap()) EXPECT_EQ(p, kNoPosition);
  EXPECT_EQ(device_->UploadCurrentKeyAssignments(0), kResultLayoutChanged);
}

INSTANTIATE_TEST_SUITE_P(Commands, ConnectionFailureTest,
                         testing::Values(kCmdReadDeviceInfo, kCmdReadKeyMap, kCmdReadLedTable));

TEST_F(KeyboardDeviceTest, OutOfRangePositionsFromTheDeviceIndexNothing) {
  Firmware().Edit([](sim::KeyboardTables& t) {
    t.ledTable[0] = 200;  // Esc's LED beyond the 86-LED frame
    t.ledTable[1] = 85;   // the last LED inside it
  });
  Connect();
  EXPECT_EQ(device_->GetLedMap()[0], kNoPosition);
  EXPECT_EQ(device_->GetLedMap()[22], 85);

  // Streaming every light touches only frame bytes of mapped LEDs.
  LightSettingsRecord s{};
  s[kLightMode] = 29;
  device_->SetLightSettings(s);
  for (int i = 0; i < 170; ++i) device_->SetLightColor(i, PackLightColor({255, 255, 255}, 255));
  EXPECT_EQ(device_->SendColorFrame(), kResultSuccess);
  const auto frame = Firmware().Tables().frame;
  EXPECT_EQ(frame[3 * 85], 254);
  EXPECT_EQ(frame[3 * 0], 0) << "LED 0 belongs to no key now";

  // Key events for positions no key maps to (or 255, the map's "none") change nothing.
  int events = 0;
  device_->SetHooks({.keyEvent = [&](int, int) { ++events; }});
  for (unsigned position : {70u, 85u, 255u, 300u}) device_->KeyEvent(position, kKeyEventDown);
  EXPECT_EQ(events, 0);
  for (uint8_t v : device_->KeyIntensity) EXPECT_EQ(v, 0);
  device_->KeyEvent(kFnPosition, kKeyEventDown);
  EXPECT_EQ(events, 1);
  EXPECT_EQ(device_->KeyIntensity[kFnKey], 255);
}

TEST_F(KeyboardDeviceTest, KeyMapUploadWithMacros) {
  Connect();
  WriteMacros(5, {2, 3, 4, 5, 6});
  KeyAssignmentMap keys;
  keys[0] = Entry(0, {kKindMacroEndMode, 7, 0});    // Esc: macro 7 of 5
  keys[22] = Entry(22, {kKindMacroEndMode, 2, 1});  // "1" and "2" share macro 2
  keys[23] = Entry(23, {kKindMacroRepeat, 2, 3});
  keys[43] = Entry(43, {kKindMacroEndMode, 4, 0});  // Q: macro 4
  keys[44] = Entry(44, {0x20, 0x02, 0x04});         // W: Shift+A
  keys[1] = Entry(1, {0x20, 0, 0x05});              // F1 has no position
  const KeyAssignmentMap before = keys;

  ASSERT_EQ(device_->UploadKeyAssignments(0, keys), kResultSuccess);
  EXPECT_EQ(keys, before) << "only the uploaded copy changes";
  EXPECT_EQ(RequestIds().front(), kCmdReadDeviceInfo);
  EXPECT_EQ(RequestIds().back(), kCmdEndUpdate);
  EXPECT_EQ(CountOf(kCmdWriteKeyMap), 5u);

  const auto map = Firmware().Tables().keyMap;
  auto at = [&](int position) {
    return KeyFunction{map[3 * position], map[3 * position + 1], map[3 * position + 2]};
  };
  EXPECT_EQ(at(0), (KeyFunction{0x20, 0, 0x29})) << "macro 7 of 5 goes as the default";
  EXPECT_EQ(at(1), (KeyFunction{kKindMacroEndMode, 0, 1})) << "macro 2 is uploaded first";
  EXPECT_EQ(at(2), (KeyFunction{kKindMacroRepeat, 0, 3})) << "the same record";
  EXPECT_EQ(at(15), (KeyFunction{kKindMacroEndMode, 1, 0}));
  EXPECT_EQ(at(16), (KeyFunction{0x20, 0x02, 0x04}));

  device_->SetKeyAssignments(keys);
  EXPECT_EQ(device_->GetAssignedMacros(), (std::vector<int>{2, 4}));
  Firmware().ClearPackets();
  ASSERT_EQ(device_->UploadMacros({2, 4}), 0);
  EXPECT_EQ(RequestIds().front(), kCmdReadDeviceInfo);
  EXPECT_EQ(RequestIds()[1], kCmdBeginUpdate);
  EXPECT_EQ(RequestIds().back(), kCmdEndUpdate);
  const auto macros = Firmware().Tables().macros;
  EXPECT_EQ(Firmware().Tables().StoredMacroCount(), 2);
  // Two records (4 and 6 events): 16 + 2 × 2 + (4 + 16) + (4 + 24) bytes.
  EXPECT_EQ(macros[2] | (macros[3] << 8), 68);
  EXPECT_EQ(macros[16], 20);
  EXPECT_EQ(macros[18], 40);
  EXPECT_EQ(macros[20], 4) << "macro 2 has four events";
  EXPECT_EQ(macros[24 + 2], 0x80 | 10);
  EXPECT_EQ(macros[24 + 3], 4 + 2);
}

TEST_F(KeyboardDeviceTest, MacroImageSixteenBytesOverCapacitySendsNothing) {
  Firmware().Edit([](sim::KeyboardTables& t) { t.deviceInfo[6] = 1; });  // 128 bytes
  Connect();
  WriteMacros(2, {10, 19});  // 16 + 12 + 4 × 29 = 144 bytes
  EXPECT_EQ(device_->UploadMacros({0, 1}), 5);
  EXPECT_EQ(RequestIds(), std::vector<uint8_t>{kCmdReadDeviceInfo});
  EXPECT_EQ(Firmware().Tables().StoredMacroCount(), -1);
}

TEST_F(KeyboardDeviceTest, KeyCountChangeRefusesTheUpload) {
  Connect();
  Firmware().Edit([](sim::KeyboardTables& t) { t.deviceInfo[5] = 0x50; });
  EXPECT_EQ(device_->UploadCurrentKeyAssignments(0), kResultLayoutChanged);
  EXPECT_EQ(RequestIds(), std::vector<uint8_t>{kCmdReadDeviceInfo});
}

TEST_F(KeyboardDeviceTest, UploadsReturnTheRealResult) {
  Connect();
  Firmware().FailPacket(kCmdWriteKeyMap, 2, kStatusRejected);
  EXPECT_EQ(device_->UploadKeyAssignments(0, {}), kResultStatusFE);
  EXPECT_EQ(RequestIds().back(), kCmdEndUpdate);
  EXPECT_EQ(device_->UploadKeyAssignments(1, {}), kResultBadPage);

  Firmware().ClearPackets();
  Firmware().FailPacket(kCmdWriteSettings, 1, kStatusError);
  EXPECT_EQ(device_->WriteSettings(0, 0), kResultStatusFF);
  EXPECT_EQ(RequestIds().back(), kCmdEndUpdate);
  EXPECT_EQ(device_->WriteSettings(0, 0), kResultSuccess);

  device_->Link.Open = false;
  EXPECT_EQ(device_->WriteSettings(0, 0), kResultNoAnswer);
  EXPECT_EQ(device_->UploadCurrentKeyAssignments(0), kResultNoAnswer);
}

class HostModeReadTest : public KeyboardDeviceTest, public testing::WithParamInterface<uint8_t> {};

TEST_P(HostModeReadTest, SettingsReadKeepsTheHostDrivenMode) {
  Connect();
  Firmware().Edit([](sim::KeyboardTables& t) { t.settings[1] = kHostDrivenModeCode; });
  LightSettingsRecord s{};
  s[kLightMode] = GetParam();
  device_->SetLightSettings(s);
  ASSERT_EQ(device_->ReadSettingsArea(), kResultSuccess);
  EXPECT_EQ(device_->GetLightSettings()[kLightMode], GetParam());
  EXPECT_EQ(device_->GetLightSettings()[kLightBrightness], 4);
}

INSTANTIATE_TEST_SUITE_P(Modes, HostModeReadTest, testing::Values(29, 30));

TEST_F(KeyboardDeviceTest, ReadAllLoadsTheProfileAndWritesItBack) {
  device_->SetProfileName("2024_01_02_03_04_05_006");
  device_->ReadAll();
  const std::string path = DeviceDataFolder("keyboard") + "2024_01_02_03_04_05_006.Json";
  EXPECT_EQ(device_->GetProfilePath(), path);
  EXPECT_TRUE(Exists(path));
  EXPECT_EQ(device_->GetKeyAssignments().size(), 170u);
  EXPECT_EQ(device_->GetKeyAssignments().at(0)[2], 0x20);
  EXPECT_TRUE(device_->EffectThreadRunning());
  // The firmware's slot 0: mode code 1, red.
  EXPECT_EQ(device_->GetLightSettings()[kLightMode], 1);
  EXPECT_EQ(device_->GetProfile().LightInfo().red, 0xFF);

  // WriteSettings sends the profile's lighting back as the active record.
  ASSERT_EQ(device_->WriteSettings(0, 0), kResultSuccess);
  const auto record = Firmware().Tables().ActiveRecord();
  ASSERT_EQ(record.size(), kSettingsRecordSize);
  EXPECT_EQ(record[1], 1);
  EXPECT_EQ(record[6], 0xFF);
}

TEST_F(KeyboardDeviceTest, PowerStatusGoesToThePowerControlAndTheWindow) {
  std::array<uint8_t, kPowerStatusSize> reported{};
  device_->SetHooks({.powerReport = [&](const auto& s) { reported = s; }});
  Firmware().Edit([](sim::KeyboardTables& t) { t.status[3] = 7; });
  device_->ReadPowerStatus();
  EXPECT_EQ(reported[4], 100);
  EXPECT_EQ(reported[3], 0) << "byte 3 tells the connection";
  EXPECT_EQ(window_.Sent().back(), (test::FakeMainWindow::Message{kMsgPowerStatus, 100, 0}));
}

TEST_F(KeyboardDeviceTest, NotificationsReachTheDeviceOnTheInterfaceThread) {
  Connect();
  std::vector<std::pair<int, int>> keys;
  int resyncs = 0;
  device_->SetHooks({.scheduleResync = [&] { ++resyncs; },
                     .keyEvent = [&](int key, int state) { keys.emplace_back(key, state); }});
  ASSERT_TRUE(device_->OpenNotifyChannel(PathOf(0x000C), kTypeKeyboard));
  EXPECT_TRUE(device_->NotificationThreadRunning(NotifyChannel::kWired));

  ASSERT_TRUE(Firmware().PressLogicalKey(kFnKey));
  ASSERT_TRUE(WaitForTask());
  ASSERT_TRUE(Firmware().ReleaseLogicalKey(kFnKey));
  ASSERT_TRUE(WaitForTask());
  EXPECT_EQ(keys,
            (std::vector<std::pair<int, int>>{{kFnKey, kKeyEventDown}, {kFnKey, kKeyEventUp}}));

  Firmware().PressKey(70);  // no key there
  ASSERT_TRUE(WaitForTask());
  EXPECT_EQ(keys.size(), 2u);

  Firmware().SelectSlot(2, 5);
  ASSERT_TRUE(WaitForTask());
  EXPECT_EQ(device_->GetActiveSlot(), 2);
  EXPECT_EQ(device_->GetSecondSlotValue(), 5);

  Firmware().RequestReread(true);
  ASSERT_TRUE(WaitForTask());
  EXPECT_EQ(resyncs, 1);
  EXPECT_TRUE(device_->IsDeviceResetPending());

  device_->CloseNotifyChannel(kTypeKeyboard);
  EXPECT_FALSE(device_->NotificationThreadRunning(NotifyChannel::kWired));
  EXPECT_FALSE(device_->OpenNotifyChannel(PathOf(0x000C), kTypeMouse));
}

TEST_F(KeyboardDeviceTest, ReceiverChannelHandlesAllButKeyEvents) {
  Connect();
  auto receiver =
      std::make_shared<sim::SimKeyboard>(keyboard_->SharedFirmware(), sim::kReceiverProductId);
  backend_.Plug(receiver);
  int keys = 0;
  device_->SetHooks({.keyEvent = [&](int, int) { ++keys; }});
  ASSERT_TRUE(
      device_->OpenNotifyChannel(PathOf(0x000C, sim::kReceiverProductId), kTypeKeyboardSecond));
  receiver->SendNotification(KeyDownCode(kFnPosition));
  receiver->SendNotification(SlotChangedCode(3));
  ASSERT_TRUE(WaitForTask());
  EXPECT_EQ(device_->GetActiveSlot(), 3);
  EXPECT_EQ(keys, 0);
}

TEST_F(KeyboardDeviceTest, CustomColourModeReadsTheGroupBankAndWritesBankZero) {
  Connect();
  Firmware().Edit([](sim::KeyboardTables& t) {
    t.settings[1] = kCustomColorMode;
    t.settings[25] = 2;  // custom group 2
    t.colorBanks[2 * kBankStride + 3 * kFnLed] = 0x11;
    t.colorBanks[2 * kBankStride + 3 * kFnLed + 2] = 0x33;
  });
  ASSERT_EQ(device_->ReadSettingsArea(), kResultSuccess);
  EXPECT_EQ(LightRgb(device_->GetLightColor(kFnKey)), (Rgb{0x11, 0, 0x33}));
  const auto banks = Firmware().Tables().colorBanks;
  EXPECT_EQ(banks[3 * kFnLed], 0x11) << "bank 0 receives the raw colours";
  EXPECT_EQ(banks[3 * kFnLed + 2], 0x33);
  EXPECT_EQ(device_->GetProfile().CustomLightColors(2, 170)[kFnKey].red, 0x11);
}

}  // namespace
}  // namespace qv
