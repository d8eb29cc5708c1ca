// The desktop around the main window: sleep and wake from a stand-in logind on a private bus
// (signals, the delay lock taken, let go before the suspend and taken again), the once-only
// notice for a device this user may not open, the start from the autostart entry, and closing
// the window on a desktop without a tray (the offscreen platform has none).
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <thread>

#include <QAction>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "app/desktop_integration.h"
#include "app/main_wnd.h"
#include "platform/qt/sleep_watcher.h"
#include "platform/registered_messages.h"
#include "ui/control_ops.h"
#include "ui/ui_resources.h"

namespace qv {
void SetInstallFolder(const std::string& path);  // profiles/data_folders.h
}  // namespace qv

namespace qv::ui {
namespace {

// logind's manager object, as far as the watcher uses it: Inhibit hands out one end of a
// socket pair and keeps the other, which sees a hang-up once every copy of the lock is closed.
class FakeLogind : public QDBusVirtualObject {
 public:
  ~FakeLogind() override {
    if (peer >= 0) ::close(peer);
  }
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != QLatin1String("Inhibit")) return false;
    ++inhibitCalls;
    lastMode = message.arguments().value(3).toString();
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return false;
    if (peer >= 0) ::close(peer);
    peer = sv[1];
    connection.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(sv[0]))));
    ::close(sv[0]);
    return true;
  }
  // True once the lock handed out last is closed everywhere.
  bool LockReleased() const {
    pollfd p{peer, POLLIN, 0};
    return peer >= 0 && ::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLIN));
  }
  int inhibitCalls = 0;
  QString lastMode;
  int peer = -1;
};

// A private bus daemon with the stand-in logind on it.
class LogindBus {
 public:
  bool Start() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) return false;
    process_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
    if (!process_.waitForStarted(5000)) return false;
    while (!process_.canReadLine()) {
      if (!process_.waitForReadyRead(5000)) return false;
    }
    address_ = QString::fromUtf8(process_.readLine()).trimmed();
    QDBusConnection logind = QDBusConnection::connectToBus(address_, QStringLiteral("logind"));
    return logind.isConnected() &&
           logind.registerService(QLatin1String(SleepWatcher::kLogindService)) &&
           logind.registerVirtualObject(QLatin1String(SleepWatcher::kLogindPath), &fake);
  }
  ~LogindBus() {
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    process_.kill();
    process_.waitForFinished(5000);
  }
  QDBusConnection Client() const {
    return QDBusConnection::connectToBus(address_, QStringLiteral("client"));
  }
  void PrepareForSleep(bool start) {
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(SleepWatcher::kLogindPath),
                                                     QLatin1String(SleepWatcher::kManagerInterface),
                                                     QStringLiteral("PrepareForSleep"));
    signal << start;
    QDBusConnection(QStringLiteral("logind")).send(signal);
  }
  FakeLogind fake;

 private:
  QProcess process_;
  QString address_;
};

TEST(SleepWatcherTest, SleepAndWakeWithTheDelayLock) {
  LogindBus bus;
  if (!bus.Start()) GTEST_SKIP() << "no dbus-daemon for a private bus";
  SleepWatcher watcher;
  QSignalSpy suspending(&watcher, &SleepWatcher::Suspending);
  QSignalSpy resumed(&watcher, &SleepWatcher::Resumed);
  bool lockHeldWhileSuspending = false;
  QObject::connect(&watcher, &SleepWatcher::Suspending, [&] {
    lockHeldWhileSuspending = watcher.HoldsDelayLock() && !bus.fake.LockReleased();
  });
  ASSERT_TRUE(watcher.Start(bus.Client()));
  ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.HoldsDelayLock(); }, 5000));
  EXPECT_EQ(bus.fake.inhibitCalls, 1);
  EXPECT_EQ(bus.fake.lastMode, QStringLiteral("delay"));
  EXPECT_FALSE(bus.fake.LockReleased());

  bus.PrepareForSleep(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return suspending.count() == 1; }, 5000));
  EXPECT_TRUE(lockHeldWhileSuspending);  // the devices are told before the system may go on
  EXPECT_FALSE(watcher.HoldsDelayLock());
  EXPECT_TRUE(QTest::qWaitFor([&] { return bus.fake.LockReleased(); }, 5000));
  EXPECT_EQ(resumed.count(), 0);

  bus.PrepareForSleep(false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return resumed.count() == 1; }, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return watcher.HoldsDelayLock(); }, 5000));
  EXPECT_EQ(bus.fake.inhibitCalls, 2);
  EXPECT_EQ(suspending.count(), 1);
}

TEST(SleepWatcherTest, NoBusMeansNoWatchAndNoLock) {
  SleepWatcher watcher;
  EXPECT_FALSE(watcher.Start(QDBusConnection(QStringLiteral("never-connected"))));
  EXPECT_FALSE(watcher.HoldsDelayLock());
}

// Temporary data folders and the repository's skin, as the main window tests use them.
class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    qputenv("XDG_DATA_HOME", home_.filePath(QStringLiteral("data")).toUtf8());
    SetInstallFolder(std::string(QV_SOURCE_DIR) + "/data/");
    UiResources::SetInstallFolder(QStringLiteral(QV_SOURCE_DIR));
    ASSERT_TRUE(UiResources::LoadResourceMap());
  }
  void TearDown() override {
    desktop_.reset();
    window_.reset();
    SetInstallFolder("");
    UiResources::Release();
  }
  CMainWnd& Open(bool startHidden = false) {
    CMainWnd::Options options;
    options.startWorkers = false;
    options.screenSize = [] { return QSize(1280, 800); };
    options.startHidden = startHidden;
    window_ = std::make_unique<CMainWnd>(nullptr, std::move(options));
    EXPECT_TRUE(window_->CreateMain());
    window_->show();
    QCoreApplication::processEvents();
    return *window_;
  }
  DesktopIntegration& Desktop(DesktopIntegration::Options options) {
    desktop_ = std::make_unique<DesktopIntegration>(*window_, std::move(options));
    return *desktop_;
  }
  static DesktopIntegration::Options NoSleep() {
    DesktopIntegration::Options options;
    options.watchSleep = false;
    return options;
  }

  QTemporaryDir home_;
  std::unique_ptr<CMainWnd> window_;
  std::unique_ptr<DesktopIntegration> desktop_;
};

TEST_F(DesktopTest, LogindSleepDrivesThePowerHandling) {
  LogindBus bus;
  if (!bus.Start()) GTEST_SKIP() << "no dbus-daemon for a private bus";
  CMainWnd& w = Open();
  DesktopIntegration::Options options = NoSleep();
  options.watchSleep = true;
  options.sleepBus = [&bus] { return bus.Client(); };
  options.checkPermissions = false;
  Desktop(std::move(options)).Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return desktop_->Sleep().HoldsDelayLock(); }, 5000));

  bus.PrepareForSleep(true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Awake(); }, 5000));
  // Asleep, the window acts on nothing after the power handling.
  w.HandleMessage(UWM_SHOW_PROGRESS, 0, 0);
  EXPECT_FALSE(IsVisible(w.FindControl(QStringLiteral("setting_progress"))));
  bus.PrepareForSleep(false);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.Awake(); }, 5000));
  w.HandleMessage(UWM_SHOW_PROGRESS, 0, 0);
  EXPECT_TRUE(IsVisible(w.FindControl(QStringLiteral("setting_progress"))));
}

TEST_F(DesktopTest, PermissionNoticeIsShownOnceWithWhatToDo) {
  Open();
  int looks = 0;
  QStringList shown;
  DesktopIntegration::Options options = NoSleep();
  options.watchChanges = nullptr;  // looked for on a timer
  options.permissionCheckMs = 20;
  options.findDenied = [&looks]() -> std::vector<DeniedHidNode> {
    // Nothing at first; then the keyboard is plugged in without the rules.
    if (++looks < 3) return {};
    return {{"/dev/hidraw7", 0x320F, 0x5080}, {"/dev/hidraw8", 0x320F, 0x5080}};
  };
  options.showNotice = [&shown](const QString&, const QString& text) { shown << text; };
  DesktopIntegration& desktop = Desktop(std::move(options));
  desktop.Start();
  EXPECT_TRUE(shown.isEmpty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 5000));
  QTest::qWait(100);
  desktop.CheckPermissions();
  ASSERT_EQ(shown.size(), 1);
  EXPECT_EQ(looks, 3);  // no more looking once the user has been told
  EXPECT_TRUE(desktop.NoticeShown());
  for (const char* part : {"320f:5080 (/dev/hidraw7)", "/dev/hidraw8", "70-qv5307.rules",
                           "sudo udevadm control --reload-rules && sudo udevadm trigger"}) {
    EXPECT_TRUE(shown[0].contains(QLatin1String(part))) << part;
  }
}

TEST_F(DesktopTest, WithHotPlugNoticesThePermissionLookWaitsForADevice) {
  Open();
  int looks = 0;
  std::function<void()> notice;
  bool watchGone = false;
  struct Watch : HidChangeWatch {
    explicit Watch(bool* flag) : gone(flag) {}
    ~Watch() override { *gone = true; }
    bool* gone;
  };
  DesktopIntegration::Options options = NoSleep();
  options.permissionCheckMs = 5;  // must not be used
  options.watchChanges = [&](std::function<void()> onChange) {
    notice = std::move(onChange);
    return std::make_unique<Watch>(&watchGone);
  };
  options.findDenied = [&looks]() -> std::vector<DeniedHidNode> {
    if (++looks < 2) return {};
    return {{"/dev/hidraw7", 0x320F, 0x5080}};
  };
  QStringList shown;
  options.showNotice = [&shown](const QString&, const QString& text) { shown << text; };
  Desktop(std::move(options)).Start();
  ASSERT_TRUE(notice);
  QTest::qWait(100);
  EXPECT_EQ(looks, 1) << "nothing is looked for while no device comes";
  // The notice comes from the watch's own thread; the look runs on the interface thread.
  std::thread([&] { notice(); }).join();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 5000));
  EXPECT_EQ(looks, 2);
  EXPECT_TRUE(watchGone) << "once the user was told, nothing is watched";
}

TEST_F(DesktopTest, NoPermissionCheckInSimulatedMode) {
  Open();
  bool looked = false;
  DesktopIntegration::Options options = NoSleep();
  options.checkPermissions = false;
  options.findDenied = [&looked]() -> std::vector<DeniedHidNode> {
    looked = true;
    return {{"/dev/hidraw1", 0x320F, 0x5080}};
  };
  Desktop(std::move(options)).Start();
  QTest::qWait(50);
  EXPECT_FALSE(looked);
}

TEST(StartHidden, ReadsTheAutostartVariable) {
  const struct {
    const char* value;  // nullptr: unset
    bool hidden;
  } cases[] = {{nullptr, false}, {"", false}, {"0", false}, {"1", true}, {"yes", true}};
  for (const auto& c : cases) {
    if (c.value) {
      qputenv("QV5307_START_HIDDEN", c.value);
    } else {
      qunsetenv("QV5307_START_HIDDEN");
    }
    EXPECT_EQ(StartHiddenRequested(), c.hidden) << (c.value ? c.value : "unset");
  }
  qunsetenv("QV5307_START_HIDDEN");
}

TEST_F(DesktopTest, FirstScanPassBringsTheWindowForward) {
  CMainWnd& w = Open();
  ASSERT_FALSE(w.HasTray());
  w.HandleMessage(UWM_INSTANCE_MSG, 0, 0);
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.isMinimized());
}

TEST_F(DesktopTest, HiddenStartWithoutTrayMinimisesAndASecondStartBringsItForward) {
  CMainWnd& w = Open(true);
  ASSERT_FALSE(w.HasTray());
  w.BringForward();  // as a device arrival of the first pass does
  EXPECT_FALSE(w.isVisible() && !w.isMinimized());
  w.HandleMessage(UWM_INSTANCE_MSG, 0, 0);  // end of the first scan pass
  EXPECT_TRUE(w.isMinimized());
  w.HandleMessage(UWM_INSTANCE_MSG, 0, 1);  // a second start hands over
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.isMinimized());
}

TEST_F(DesktopTest, ClosingWithoutTrayMinimisesAndKeepsRunning) {
  CMainWnd& w = Open();
  ASSERT_FALSE(w.HasTray());
  w.HandleMessage(UWM_INSTANCE_MSG, 0, 0);
  const struct {
    const char* how;
    std::function<void()> close;
  } cases[] = {
      {"closebtn",
       [&w] { SendNotify(w.FindControl(QStringLiteral("closebtn")), QStringLiteral("click")); }},
      {"window manager", [&w] { w.close(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    w.BringForward();
    ASSERT_FALSE(w.isMinimized());
    c.close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isMinimized());
    EXPECT_FALSE(w.ShutdownDone());
  }
  // The tray menu, and with it "exit", stays reachable from the window. (Running "exit" here
  // would end the test program's event loop.)
  EXPECT_EQ(w.contextMenuPolicy(), Qt::CustomContextMenu);
  ASSERT_NE(w.TrayMenu(), nullptr);
  EXPECT_NE(w.TrayMenu()->findChild<QAction*>(QStringLiteral("exit")), nullptr);
}

}  // namespace
}  // namespace qv::ui
