// End to end with the simulated keyboard: the main window with its scan thread on a simulated
// HID backend, offscreen, with temporary data folders. Timing margins are generous: the
// machine running the tests may be busy.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/device_list.h"
#include "app/device_option.h"
#include "app/main_wnd.h"
#include "devices/keyboard_device.h"
#include "profile_seed.h"
#include "sim/sim_keyboard.h"
#include "transport/hid_backend.h"
#include "ui/control_ops.h"
#include "ui/ui_resources.h"

namespace qv {
void SetInstallFolder(const std::string& path);
}  // namespace qv

namespace qv::ui {
namespace {

constexpr int kWaitMs = 5000;

class HotplugEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home_.filePath(QStringLiteral("config")).toUtf8());
    SetInstallFolder(std::string(QV_SOURCE_DIR) + "/data/");
    UiResources::SetInstallFolder(QStringLiteral(QV_SOURCE_DIR));
    ASSERT_TRUE(UiResources::LoadResourceMap());
    SetDefaultHidBackend(&backend_);
    qv::test::SeedKeyboardProfile(home_.filePath(QStringLiteral("data")), 6);
  }
  void TearDown() override {
    window_.reset();
    SetDefaultHidBackend(nullptr);
    SetInstallFolder("");
    UiResources::Release();
  }

  CMainWnd& Start() {
    CMainWnd::Options options;
    options.backend = &backend_;
    options.screenSize = [] { return QSize(1280, 800); };
    options.askFirmwareUpdate = [] { return true; };
    options.startProgram = [](const QString&, const QStringList&) {};
    window_ = std::make_unique<CMainWnd>(nullptr, options);
    EXPECT_TRUE(window_->CreateMain());
    window_->show();
    return *window_;
  }
  CKestravaKeyboardDevice* Keyboard() const {
    for (const auto& block : window_->Blocks()) {
      if (auto* k = dynamic_cast<CKestravaKeyboardDevice*>(block->device.get())) return k;
    }
    return nullptr;
  }
  const DeviceBlock* KeyboardBlock() const { return window_->BlockOf(Keyboard()); }
  bool EntryVisible() const { return window_->IsEntryVisible(Keyboard()); }
  bool NoticeShown() const {
    return IsVisible(window_->FindControl(QStringLiteral("No_device_Link")));
  }
  std::vector<uint8_t> RequestsUntilFirstEnd() const {
    std::vector<uint8_t> ids;
    for (const auto& p : firmware_->Packets()) {
      if (p.direction != sim::PacketDirection::kRequest) continue;
      ids.push_back(p.packet.Command());
      if (p.packet.Command() == kCmdEndUpdate) break;
    }
    return ids;
  }

  QTemporaryDir home_;
  sim::SimBackend backend_;
  std::shared_ptr<sim::KeyboardFirmware> firmware_ = std::make_shared<sim::KeyboardFirmware>();
  std::unique_ptr<CMainWnd> window_;
};

TEST_F(HotplugEndToEnd, KeyboardArrivesIsReadLeavesAndComesBack) {
  CMainWnd& w = Start();

  // Nothing attached: the first scan brings the window forward with the notice.
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, kWaitMs));
  EXPECT_TRUE(NoticeShown());
  ASSERT_EQ(w.Blocks().size(), 2u);
  for (const auto& block : w.Blocks()) {
    EXPECT_TRUE(block->page);
    EXPECT_TRUE(block->entry && block->entry->isHidden());
  }
  CKestravaKeyboardDevice* keyboard = Keyboard();
  ASSERT_NE(keyboard, nullptr);

  // Plugged by cable: shown and selected, read, profile loaded, page shown.
  auto cable = std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId);
  backend_.Plug(cable);
  ASSERT_TRUE(QTest::qWaitFor([&] { return EntryVisible(); }, kWaitMs));
  EXPECT_EQ(w.CurrentDevice(), keyboard);
  EXPECT_FALSE(NoticeShown());
  auto* pages = qobject_cast<QStackedWidget*>(w.FindControl(QStringLiteral("device_switch")));
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->currentWidget(), KeyboardBlock()->page.data());
  ASSERT_TRUE(QTest::qWaitFor([&] { return keyboard->GetConnectedKeyPositions() != 0; }, kWaitMs));
  EXPECT_EQ(keyboard->GetConnectedKeyPositions(), sim::kFactoryKeyPositions);
  // Begin, device info, the key map in 5 cable chunks, the LED table in 2, end.
  EXPECT_EQ(RequestsUntilFirstEnd(),
            (std::vector<uint8_t>{kCmdBeginUpdate, kCmdReadDeviceInfo, kCmdReadKeyMap,
                                  kCmdReadKeyMap, kCmdReadKeyMap, kCmdReadKeyMap, kCmdReadKeyMap,
                                  kCmdReadLedTable, kCmdReadLedTable, kCmdEndUpdate}));
  // The profile came from disk: its file and its key list (the settings read that follows
  // takes the lighting from the device).
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return QString::fromStdString(keyboard->GetProfilePath())
            .endsWith(QLatin1String(qv::test::kSeededProfileId) + ".Json");
      },
      kWaitMs));
  EXPECT_FALSE(keyboard->GetKeyAssignments().empty());
  EXPECT_TRUE(keyboard->Link.Open);
  EXPECT_FALSE(keyboard->IsWireless());
  // Firmware 0x0105 passes the gate.
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.FirmwareGateFlag(); }, kWaitMs));

  // A key press on the keyboard reaches the device object as its logical key.
  QSignalSpy keys(&w, &CMainWnd::DeviceKeyEvent);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return keyboard->NotificationThreadRunning(NotifyChannel::kWired); }, kWaitMs));
  int logical = -1;
  for (size_t k = 0; k < kLogicalKeyCount; ++k) {
    if (keyboard->GetKeyPositionMap()[k] == 0) logical = static_cast<int>(k);
  }
  ASSERT_GE(logical, 0);
  firmware_->PressKey(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return keys.count() > 0; }, kWaitMs));
  EXPECT_EQ(keys[0][1].toInt(), logical);
  EXPECT_EQ(keys[0][2].toInt(), kKeyEventDown);

  // Pulled out: the entry goes, the notice comes, the link is closed.
  backend_.Unplug(cable);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !EntryVisible(); }, kWaitMs));
  EXPECT_TRUE(NoticeShown());
  EXPECT_FALSE(keyboard->Link.Open);
  EXPECT_EQ(w.CurrentDevice(), nullptr);

  // Plugged back: the same device object and blocks are used again.
  firmware_->ClearPackets();
  auto again = std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId);
  backend_.Plug(again);
  ASSERT_TRUE(QTest::qWaitFor([&] { return EntryVisible(); }, kWaitMs));
  EXPECT_EQ(w.Blocks().size(), 2u);
  EXPECT_EQ(Keyboard(), keyboard);
  EXPECT_EQ(w.CurrentDevice(), keyboard);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !RequestsUntilFirstEnd().empty(); }, kWaitMs));
  backend_.Unplug(again);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !keyboard->Link.Open; }, kWaitMs));
}

TEST_F(HotplugEndToEnd, KeyboardOnItsReceiverMovesToTheCableWhenPlugged) {
  CMainWnd& w = Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, kWaitMs));
  CKestravaKeyboardDevice* keyboard = Keyboard();
  ASSERT_NE(keyboard, nullptr);

  auto receiver = std::make_shared<sim::SimKeyboard>(firmware_, sim::kReceiverProductId);
  backend_.Plug(receiver);
  ASSERT_TRUE(QTest::qWaitFor([&] { return keyboard->Link.Open.load(); }, kWaitMs));
  EXPECT_TRUE(keyboard->IsWireless());
  EXPECT_TRUE(keyboard->Link.WirelessMode);
  // On the receiver the link watch decides about the entry; the link is up, so it shows.
  ASSERT_TRUE(QTest::qWaitFor([&] { return EntryVisible(); }, kWaitMs));

  auto cable = std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId);
  backend_.Plug(cable);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !keyboard->IsWireless(); }, kWaitMs));
  EXPECT_TRUE(keyboard->Link.Open);
  EXPECT_FALSE(keyboard->Link.WirelessMode);
  EXPECT_TRUE(EntryVisible());
  EXPECT_EQ(Keyboard(), keyboard);

  // The cable leaves again: back to the receiver.
  backend_.Unplug(cable);
  ASSERT_TRUE(QTest::qWaitFor([&] { return keyboard->IsWireless(); }, kWaitMs));
  EXPECT_TRUE(keyboard->Link.Open);
  backend_.Unplug(receiver);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !keyboard->Link.Open; }, kWaitMs));
}

// What the window costs while it shows nothing new: paints of the main window's widgets.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~PaintCounter() override { qApp->removeEventFilter(this); }
  int Paints() const { return paints_; }
  void Reset() { paints_ = 0; }

 protected:
  bool eventFilter(QObject* target, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      auto* widget = qobject_cast<QWidget*>(target);
      if (widget && (widget == window_ || window_->isAncestorOf(widget))) ++paints_;
    }
    return false;
  }

 private:
  QWidget* window_;
  int paints_ = 0;
};

class IdleAndStreamTest : public HotplugEndToEnd {
 protected:
  // Plugs the keyboard on its cable and waits until it is read and shown.
  CKestravaKeyboardDevice* Attach(CMainWnd& w) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, kWaitMs));
    cable_ = std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId);
    backend_.Plug(cable_);
    CKestravaKeyboardDevice* keyboard = Keyboard();
    EXPECT_TRUE(QTest::qWaitFor([&] { return EntryVisible() && w.FirmwareGateFlag(); }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return keyboard->IsPreviewShown(); }, kWaitMs));
    return keyboard;
  }
  // The frames streamed from now for `ms`, each as its chunks' bytes; the partial frames at
  // either end are dropped. Any other request is a failure.
  std::vector<std::vector<CommandPacket>> FramesDuring(int ms) {
    firmware_->ClearPackets();
    QTest::qWait(ms);
    std::vector<std::vector<CommandPacket>> frames;
    bool started = false;
    for (const auto& p : firmware_->Packets()) {
      if (p.direction != sim::PacketDirection::kRequest) continue;
      EXPECT_EQ(p.packet.Command(), kCmdStreamColors);
      if (p.packet.Offset() == 0) {
        started = true;
        frames.emplace_back();
      }
      if (started) frames.back().push_back(p.packet);
    }
    if (!frames.empty()) frames.pop_back();
    return frames;
  }

  std::shared_ptr<sim::SimKeyboard> cable_;
};

TEST_F(IdleAndStreamTest, StaticLightingPaintsNothingOnceShownAndNothingWhileHidden) {
  CMainWnd& w = Start();
  CKestravaKeyboardDevice* keyboard = Attach(w);
  PaintCounter counter(&w);
  QTest::qWait(500);  // the page's first paints after the read
  counter.Reset();
  QTest::qWait(1000);
  EXPECT_EQ(counter.Paints(), 0) << "nothing changed on the page";

  w.hide();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !keyboard->IsPreviewShown(); }, kWaitMs));
  counter.Reset();
  firmware_->ClearPackets();
  QTest::qWait(1000);
  EXPECT_EQ(counter.Paints(), 0);
  EXPECT_TRUE(keyboard->Link.Open);
  EXPECT_TRUE(EntryVisible());
  EXPECT_TRUE(firmware_->Packets().empty()) << "a static keyboard is left alone";
}

TEST_F(IdleAndStreamTest, AStreamedEffectSendsTheSameBytesShownAndHidden) {
  // The keyboard comes up in a host-driven mode, with the host's static effect: every frame is
  // the same, so the two halves can be compared byte for byte.
  firmware_->Edit([](sim::KeyboardTables& t) {
    t.settings[sim::kSettingsSlotStride * t.settings[0] + 1] = 30;
  });
  CMainWnd& w = Start();
  CKestravaKeyboardDevice* keyboard = Attach(w);
  ASSERT_EQ(keyboard->GetEffectDemand(), EffectDemand::kStream);
  keyboard->SetLightColor(3, PackLightColor({0x12, 0x34, 0x56}, 0x80));
  keyboard->SetHostEffect(HostEffect::kStatic);
  QTest::qWait(200);

  const auto shown = FramesDuring(600);
  w.hide();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !keyboard->IsPreviewShown(); }, kWaitMs));
  EXPECT_EQ(keyboard->GetEffectDemand(), EffectDemand::kStream);
  const auto hidden = FramesDuring(600);

  ASSERT_GE(shown.size(), 5u);
  ASSERT_GE(hidden.size(), 5u);
  for (const auto& frame : shown) EXPECT_EQ(frame, shown.front());
  for (const auto& frame : hidden) EXPECT_EQ(frame, shown.front());
}

}  // namespace
}  // namespace qv::ui
