// The main window: routing tables and the name split, DPI placement, the firmware gate,
// suspend and resume with light control, shutdown with a worker that misses its bound, and
// game events. Each window runs offscreen with its own temporary data folders.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "app/event_routing.h"
#include "app/main_wnd.h"
#include "devices/keyboard_device.h"
#include "main_wnd_fixture.h"
#include "platform/qt/message_bus.h"
#include "platform/registered_messages.h"
#include "platform/trace.h"
#include "profile_seed.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/ui_resources.h"

namespace qv {
// From profiles/data_folders.h, whose product code constant clashes with the message header's.
void SetInstallFolder(const std::string& path);
}  // namespace qv

namespace qv::ui {
namespace {

struct RouteCase {
  const char* type;
  const char* name;
  std::vector<RouteOwner> owners;  // every route, in order; empty: ignored
  int number;                      // of the first route
};

TEST(EventRouting, TablesRouteByTypeAndName) {
  const RouteCase cases[] = {
      {"click", "key_12", {RouteOwner::kKeyPanel}, 12},
      {"click", "key_", {RouteOwner::kKeyPanel}, 0},
      {"click", "KEY_7", {RouteOwner::kKeyPanel}, 7},
      {"click", "DPI_color_option_3", {RouteOwner::kDpiPanel}, 3},
      {"click", "color_option_4", {RouteOwner::kLightingPanel}, 4},
      {"click", "windowdeviceset_1", {RouteOwner::kInputSettings}, 1},
      {"click", "Key_Butt_KeySave", {RouteOwner::kKeyPanel}, 0},
      {"click", "profile_fun_spread_btn", {RouteOwner::kProfilePanel}, 0},
      {"click", "PROFILE_FUN_SPREAD_BTN", {}, 0},  // compared with case
      {"click", "macro_inset_moveupkey_btn", {RouteOwner::kMacroEditor}, 1},
      {"click", "bullet_selected_next", {RouteOwner::kRecoilEditor}, 1},
      {"click", "closebtn", {RouteOwner::kMainWindow}, 0},
      {"click", "cloudbtn", {RouteOwner::kNothing}, 0},
      {"click", "no_such_button", {}, 0},
      {"click", "nounderscore", {}, 0},
      {"selectchanged", "deng_Op_tab", {RouteOwner::kPageTab}, 1},
      {"selectchanged", "Virtual7.1_Op_tab", {RouteOwner::kPageTab}, 8},
      {"selectchanged", "polling_rate_option_2", {RouteOwner::kPollingRate}, 2},
      {"selectchanged", "key_12", {}, 0},  // the key prefix is a click route only
      {"itemselect",
       "keyset_function_combo",
       {RouteOwner::kKeyPanel, RouteOwner::kKeyAssignApply},
       0},
      {"itemselect", "keyset_media_combo", {RouteOwner::kKeyAssignApply}, 0},
      {"itemselect", "device_profile_combo", {RouteOwner::kMainWindow}, 0},
      {"valuechanged", "G_light_slider", {RouteOwner::kAudioLighting}, 7},
      {"valuechanged", "DPI_slider_4", {RouteOwner::kDpiPanel}, 4},
      {"movevaluechanged", "zelik_DPI_slider_2", {RouteOwner::kDpiPanel}, 2},
      {"killfocus", "deng_audioedit_B", {RouteOwner::kAudioLighting}, 2},
      {"killfocus", "keyset_keyboard_text_edit", {RouteOwner::kMainWindow}, 0},
      {"click_select_end", "device_key_light", {RouteOwner::kLightingPanel}, 1},
      {"msenter", "key_12", {}, 0},
  };
  for (const RouteCase& c : cases) {
    SCOPED_TRACE(std::string(c.type) + " " + c.name);
    const auto routes = FindRoutes(QString::fromLatin1(c.type), QString::fromLatin1(c.name));
    ASSERT_EQ(routes.size(), c.owners.size());
    for (size_t i = 0; i < routes.size(); ++i) EXPECT_EQ(routes[i].owner, c.owners[i]);
    if (!routes.empty()) {
      EXPECT_EQ(routes[0].number, c.number);
    }
  }
  const auto skipped = FindRoutes(QStringLiteral("click_wpremove"), QStringLiteral("x"));
  ASSERT_EQ(skipped.size(), 1u);
  EXPECT_TRUE(skipped[0].skipBase);
}

TEST(EventRouting, NameSplitAtTheLastUnderscore) {
  const struct {
    const char* name;
    bool hasPrefix;
    const char* prefix;
    int number;
  } cases[] = {
      {"key_12", true, "key_", 12}, {"key_", true, "key_", 0},
      {"key", false, "", 0},        {"DPI_slider_3", true, "DPI_slider_", 3},
      {"key_abc", true, "key_", 0}, {"_5", true, "_", 5},
      {"a_b_c", true, "a_b_", 0},   {"light_007", true, "light_", 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const NameSplit split = SplitControlName(QString::fromLatin1(c.name));
    EXPECT_EQ(split.hasPrefix, c.hasPrefix);
    EXPECT_EQ(split.prefix, QString::fromLatin1(c.prefix));
    EXPECT_EQ(split.number, c.number);
  }
}

TEST(DpiPlacement, ThresholdIsAboveFifteenHundredByNineSixty) {
  EXPECT_EQ(ChooseDpi(1500, 960), 96);
  EXPECT_EQ(ChooseDpi(1501, 961), 144);
  EXPECT_EQ(ChooseDpi(1501, 960), 96);
  EXPECT_EQ(ChooseDpi(1500, 961), 96);
  EXPECT_EQ(ChooseDpi(2560, 1440), 144);
}

// Temporary data folders and the repository's skin and default data.

class MainWndTest : public MainWndFixture {};

TEST_F(MainWndTest, InitialisationPreCreatesTheMouseAndKeyboardBlocksHidden) {
  CMainWnd& w = Open(Quiet());
  ASSERT_EQ(w.Blocks().size(), 2u);
  EXPECT_EQ(w.Blocks()[0]->kindRow, kKindMouse);
  EXPECT_EQ(w.Blocks()[1]->kindRow, kKindKeyboard);
  for (const auto& block : w.Blocks()) {
    EXPECT_TRUE(block->page);
    EXPECT_TRUE(block->entry && block->entry->isHidden());
  }
  EXPECT_NE(Keyboard(), nullptr);
  EXPECT_FALSE(w.isVisible());  // until the first scan pass brings it forward
  // The status line shows the program's version from the model table.
  EXPECT_EQ(Text(Control("version_label")), QString::fromLatin1(Models()[3].Version));
  EXPECT_EQ(Text(Control("version_label")), QStringLiteral("V0111"));
}

TEST_F(MainWndTest, ClicksRouteByPrefixAndUnknownNamesAreIgnored) {
  CMainWnd& w = Open(Quiet());
  QSignalSpy routed(&w, &CMainWnd::Routed);
  auto button = [&](const char* name) {
    auto* b = new QPushButton(w.Root());
    b->setObjectName(QString::fromLatin1(name));
    w.Notifications()->Attach(b);
    return b;
  };
  button("key_12")->click();
  button("key_")->click();
  button("mystery_button")->click();
  ASSERT_EQ(routed.count(), 2);
  EXPECT_EQ(routed[0][0].value<RouteOwner>(), RouteOwner::kKeyPanel);
  EXPECT_EQ(routed[0][1].toString(), QStringLiteral("key_"));
  EXPECT_EQ(routed[0][2].toInt(), 12);
  EXPECT_EQ(routed[1][2].toInt(), 0);
}

TEST_F(MainWndTest, DpiPlacementScalesTheWindowAboveTheThreshold) {
  QSize screen(1500, 960);
  CMainWnd::Options options = Quiet();
  options.screenSize = [&screen] { return screen; };
  CMainWnd& w = Open(options);
  w.show();
  w.PlaceForDpi();
  EXPECT_EQ(w.DpiValue(), 96);
  EXPECT_EQ(w.size(), QSize(1000, 640))
      << w.minimumSizeHint().width() << "x" << w.minimumSizeHint().height();
  EXPECT_TRUE(w.isVisible());
  QWidget* label = Control("No_device_text");
  const qreal small = label->font().pointSizeF();
  screen = QSize(1501, 961);
  w.PlaceForDpi();
  EXPECT_EQ(w.DpiValue(), 144);
  EXPECT_EQ(w.size(), QSize(1500, 960));
  // Text grows with the window, also in controls styled by the layout's style sheet.
  EXPECT_NEAR(label->font().pointSizeF(), small * 1.5, 0.6) << small;
  w.hide();
  w.PlaceForDpi();
  EXPECT_FALSE(w.isVisible());  // placement keeps a hidden window hidden
}

// The keyboard page, side panel and status line fit the window at both DPI values: nothing
// is squeezed below its minimum, the keys grow with the window and stay inside the page area,
// and placing again at 96 gives the first sizes back.
TEST_F(MainWndTest, KeyboardPageFitsTheWindowAtBothDpiValues) {
  QSize screen(1280, 800);
  CMainWnd::Options options = Quiet();
  options.screenSize = [&screen] { return screen; };
  CMainWnd& w = Open(options);
  auto* pages = qobject_cast<QStackedWidget*>(Control("device_switch"));
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(w.Blocks().size(), 2u);
  QWidget* page = w.Blocks()[1]->page;
  ASSERT_NE(page, nullptr);
  pages->setCurrentWidget(page);
  SetVisible(Control("No_device_Link"), false);
  QWidget* esc = FindControl(page, QStringLiteral("key_0"));
  ASSERT_NE(esc, nullptr);
  const int escWidth = esc->width();
  for (const QSize& monitor : {QSize(1280, 800), QSize(1920, 1080), QSize(1280, 800)}) {
    screen = monitor;
    w.show();
    w.PlaceForDpi();
    QCoreApplication::processEvents();
    const std::string at = std::to_string(w.DpiValue());
    EXPECT_EQ(esc->width(), escWidth * w.DpiValue() / 96) << at;
    const QSize need = w.minimumSizeHint();
    EXPECT_LE(need.width(), w.width()) << at;
    EXPECT_LE(need.height(), w.height()) << at;
    EXPECT_GE(page->width(), page->minimumSizeHint().width()) << at;
    EXPECT_GE(page->height(), page->minimumSizeHint().height()) << at;
    const QRect area(pages->mapTo(&w, QPoint(0, 0)), pages->size());
    for (const char* name : {"zelik_light", "device_key_function_switch", "DeviceProfileItem"}) {
      QWidget* part = FindControl(page, QString::fromLatin1(name));
      ASSERT_NE(part, nullptr) << name;
      EXPECT_TRUE(area.contains(QRect(part->mapTo(&w, QPoint(0, 0)), part->size())))
          << name << " at " << at;
    }
  }
  EXPECT_EQ(w.DpiValue(), 96);
}

TEST_F(MainWndTest, FirmwareGateAsksForOldFirmwareAndRefusalEndsTheProgram) {
  int asked = 0;
  QStringList started;
  CMainWnd::Options options = Quiet();
  options.askFirmwareUpdate = [&asked] {
    ++asked;
    return false;
  };
  options.startProgram = [&started](const QString& p, const QStringList&) { started << p; };
  CMainWnd& w = Open(options);
  QSignalSpy finished(&w, &CMainWnd::ShutdownFinished);

  // Newer firmware, and a product the gate does not know: no question.
  w.HandleMessage(UWM_FIRMWARE_CHECK, 0x5080, 0x0104);
  w.HandleMessage(UWM_FIRMWARE_CHECK, 0x1000, 0x0001);
  QTest::qWait(20);
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(w.FirmwareGateFlag());
  ExpectShowsTextId(Control("No_device_tip"), QStringLiteral("message_text_1"));

  w.HandleMessage(UWM_FIRMWARE_CHECK, 0x5080, 0x0103);
  EXPECT_EQ(asked, 0);  // asked once the caller's sequence has returned to the event loop
  QTest::qWait(20);
  EXPECT_EQ(asked, 1);
  EXPECT_FALSE(w.FirmwareGateFlag());
  ExpectShowsTextId(Control("No_device_tip"), QStringLiteral("message_text_26"));
  EXPECT_TRUE(started.isEmpty());
  EXPECT_TRUE(w.ShutdownDone());
  EXPECT_EQ(finished.count(), 1);
}

TEST_F(MainWndTest, FirmwareGateConfirmedStartsTheUpdater) {
  QStringList started;
  CMainWnd::Options options = Quiet();
  options.askFirmwareUpdate = [] { return true; };
  options.startProgram = [&started](const QString& p, const QStringList& args) {
    started << p << args;
  };
  CMainWnd& w = Open(options);
  w.HandleMessage(UWM_FIRMWARE_CHECK, 0x5080, 0x0100);
  QTest::qWait(20);
  ASSERT_EQ(started.size(), 2);
  EXPECT_TRUE(started[0].endsWith(QStringLiteral("Updata/TM44K6-S9-61KEY-V0104.exe")));
  EXPECT_EQ(started[1], QStringLiteral("On the upgrade"));
  EXPECT_FALSE(w.ShutdownDone());
}

TEST_F(MainWndTest, SuspendIgnoresMessagesAndResumeRestoresTheLightControlState) {
  CMainWnd& w = Open(Quiet());
  CKestravaKeyboardDevice* keyboard = Keyboard();
  ASSERT_NE(keyboard, nullptr);

  w.HandleMessage(UWM_LIGHT_CONTROL_MSG, 1, 0);
  EXPECT_FALSE(w.LightControl());
  ExpectShowsTextId(Control("control_light_status"), QStringLiteral("不控制灯光"));
  EXPECT_FALSE(keyboard->GetHostLightControl());
  w.HandleMessage(UWM_LIGHT_CONTROL_MSG, 1, 1);
  EXPECT_TRUE(w.LightControl());
  EXPECT_TRUE(keyboard->GetHostLightControl());
  ExpectShowsTextId(Control("control_light_status"), QStringLiteral("控制灯光"));

  w.OnPowerBroadcast(kPowerSuspend);
  EXPECT_FALSE(w.Awake());
  EXPECT_FALSE(keyboard->GetHostLightControl());
  w.HandleMessage(UWM_SHOW_PROGRESS, 0, 0);
  EXPECT_FALSE(IsVisible(Control("setting_progress")));
  // Light control still arrives while asleep; the state is what resume sends again.
  w.HandleMessage(UWM_LIGHT_CONTROL_MSG, 1, 1);

  w.OnPowerBroadcast(kPowerResumeAutomatic);
  EXPECT_TRUE(w.Awake());
  EXPECT_TRUE(keyboard->GetHostLightControl());
  w.HandleMessage(UWM_SHOW_PROGRESS, 0, 0);
  EXPECT_TRUE(IsVisible(Control("setting_progress")));
}

TEST_F(MainWndTest, ShutdownAbandonsALateWorkerRunsOnceAndNeverFreesUnderIt) {
  CMainWnd::Options options = Quiet();
  options.workerStopBound = std::chrono::milliseconds(100);
  CMainWnd& w = Open(options);
  std::atomic<bool> release{false};
  std::atomic<bool> finished{false};
  std::atomic<size_t> seenFamilies{0};
  ASSERT_TRUE(w.StartWorker(kSyncLightingSlot, [&](const StopEvent&) {
    // Ignores its stop event until released, then still reads the window's device lists.
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    seenFamilies = w.Families().All().size();
    finished = true;
  }));
  QSignalSpy done(&w, &CMainWnd::ShutdownFinished);

  const auto start = std::chrono::steady_clock::now();
  w.Shutdown();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(TraceCount("所有对象处于非激发状态，超时"), 1);
  EXPECT_TRUE(w.ShutdownDone());
  EXPECT_TRUE(w.WorkerRunning(kSyncLightingSlot));

  w.Shutdown();
  w.Close(0);  // window destruction path: Shutdown again, which does nothing now
  EXPECT_EQ(done.count(), 1);
  EXPECT_EQ(TraceCount("所有对象处于非激发状态，超时"), 1);
  EXPECT_FALSE(w.StartWorker(3, [](const StopEvent&) {}));

  release = true;
  window_.reset();  // waits for the late worker before the lists go
  EXPECT_TRUE(finished);
  EXPECT_EQ(seenFamilies, 2u);
}

TEST_F(MainWndTest, GameEffectIsAppliedUnsavedIgnoredOutsideTheListAndRestored) {
  CMainWnd::Options options = Quiet();
  options.effectCount = [](const CKestravaUSBDevice&) { return 10; };
  options.gameRestoreDelay = std::chrono::milliseconds(50);
  CMainWnd& w = Open(options);
  CKestravaKeyboardDevice* keyboard = Keyboard();
  ASSERT_NE(keyboard, nullptr);
  qv::test::SeedKeyboardProfile(home_.filePath(QStringLiteral("data")), 5);
  keyboard->SetProfileName(qv::test::kSeededProfileId);
  ASSERT_EQ(keyboard->ReloadProfile(), 1);
  w.ShowEntry(keyboard, true);
  ASSERT_EQ(w.CurrentDevice(), keyboard);
  const uint8_t own = keyboard->GetLightSettings()[kLightMode];
  ASSERT_EQ(own, 5);
  const uint8_t game = 3;
  const std::string path = keyboard->GetProfilePath();
  const auto fileBytes = [&path] {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  };
  const QByteArray before = fileBytes();

  w.HandleMessage(UWM_GAME_KILL_MSG, 1, 10);  // outside the list of 10
  w.HandleMessage(UWM_GAME_KILL_MSG, 3, 2);   // wParam outside 0..2
  EXPECT_EQ(keyboard->GetLightSettings()[kLightMode], own);

  w.HandleMessage(UWM_GAME_START_MSG, 0, game);
  EXPECT_EQ(keyboard->GetLightSettings()[kLightMode], game);
  EXPECT_EQ(fileBytes(), before);

  QTest::qWait(200);
  EXPECT_EQ(keyboard->GetLightSettings()[kLightMode], own);
  EXPECT_EQ(fileBytes(), before);
}

// The service tool: a peer that owns "org.qv5307.WorkTool" and takes CopyData calls.
class WorkToolPeer : public QDBusVirtualObject {
 public:
  bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override {
    if (message.member() != QLatin1String("CopyData")) return false;
    calls.push_back(message.arguments());
    return true;
  }
  QString introspect(const QString&) const override { return {}; }
  std::vector<QList<QVariant>> calls;
};

// Runs inside its own session bus with the other Instance* tests.
TEST(InstanceServiceToolTest, ReportGoesToTheWorkToolPeerOnlyWhenOneRuns) {
  if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  MessageBus bus;
  CMainWnd::Options options;
  options.startWorkers = false;
  CMainWnd window(&bus, options);
  window.HandleMessage(UWM_WORKTOOL_QUERY_MSG, 0, 0);  // no peer: nothing happens

  QDBusConnection peerConnection =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("worktool"));
  WorkToolPeer peer;
  ASSERT_TRUE(peerConnection.registerVirtualObject(QStringLiteral("/org/qv5307/WorkTool"), &peer));
  ASSERT_TRUE(peerConnection.registerService(QStringLiteral("org.qv5307.WorkTool")));
  window.HandleMessage(UWM_WORKTOOL_QUERY_MSG, 0, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !peer.calls.empty(); }, 5000));
  ASSERT_EQ(peer.calls.size(), 1u);
  const QList<QVariant>& args = peer.calls[0];
  ASSERT_EQ(args.size(), 3);
  EXPECT_EQ(args[1].toInt(), 5);
  const QByteArray block = args[2].toByteArray();
  ASSERT_EQ(block.size(), 1024);
  std::vector<int32_t> values(256);
  std::memcpy(values.data(), block.constData(), 1024);
  const std::vector<int32_t> head = {2,      5, 0,      2,      0x320F, 0x1001, 2,      0x320F,
                                     0x5080, 1, 0x320F, 0x1004, 3,      0x0C76, 0x1630, 7};
  EXPECT_EQ(std::vector<int32_t>(values.begin(), values.begin() + 16), head);
  EXPECT_TRUE(std::all_of(values.begin() + 16, values.end(), [](int32_t v) { return v == 0; }));
  peerConnection.unregisterService(QStringLiteral("org.qv5307.WorkTool"));
  QDBusConnection::disconnectFromBus(QStringLiteral("worktool"));
}

}  // namespace
}  // namespace qv::ui
