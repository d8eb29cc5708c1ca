// Start-up pieces: the private fonts, the message bus, and the single instance with its
// hand-over, checked by starting the built program (the Instance* tests run inside their own
// session bus, see CMakeLists.txt).
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "platform/qt/message_bus.h"
#include "platform/registered_messages.h"
#include "ui/app_fonts.h"

namespace qv::ui {
namespace {

TEST(AppFontsTest, MissingAndBrokenFontsAreSkippedAndTheRestUnloaded) {
  const QString sample = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  if (!QFile::exists(sample)) GTEST_SKIP() << "no sample font installed";
  QTemporaryDir install;
  ASSERT_TRUE(install.isValid());
  ASSERT_TRUE(QDir(install.path()).mkdir(QStringLiteral("Font")));
  ASSERT_TRUE(QFile::copy(sample, install.filePath(QStringLiteral("Font/Corvella-Regular.otf"))));
  QFile broken(install.filePath(QStringLiteral("Font/NotoSansThai-Regular.ttf")));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("not a font");
  broken.close();

  AppFonts fonts;
  EXPECT_EQ(fonts.Load(install.path()), 1);
  const auto& loaded = fonts.Fonts();
  EXPECT_EQ(loaded[0].id, -1);
  ASSERT_GE(loaded[1].id, 0);
  EXPECT_EQ(loaded[2].id, -1);
  EXPECT_EQ(loaded[3].id, -1);
  const int id = loaded[1].id;
  EXPECT_FALSE(QFontDatabase::applicationFontFamilies(id).isEmpty());
  fonts.Unload();
  EXPECT_EQ(fonts.Fonts()[1].id, -1);
  EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).isEmpty());
}

bool HaveSessionBus() {
  return QDBusConnection::sessionBus().isConnected();
}

QProcessEnvironment ProgramEnvironment() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("QV5307_QUIT_AFTER_MS"), QStringLiteral("60000"));
  env.insert(QStringLiteral("QV5307_DEBUG"), QStringLiteral("1"));  // the checks read the traces
  return env;
}

bool ServiceOwned() {
  return QDBusConnection::sessionBus().interface()->isServiceRegistered(
      QString::fromLatin1(MessageBus::kServiceName));
}

TEST(InstanceTest, SecondStartHandsOverToTheRunningOneAndEndsWithZero) {
  if (!HaveSessionBus()) GTEST_SKIP() << "no session bus; run under dbus-run-session";
  ASSERT_FALSE(ServiceOwned());
  QProcess first;
  QProcessEnvironment env = ProgramEnvironment();
  env.insert(QStringLiteral("QV5307_QUIT_ON_INSTANCE"), QStringLiteral("1"));
  first.setProcessEnvironment(env);
  first.start(QStringLiteral(QV_PROGRAM), {});
  ASSERT_TRUE(first.waitForStarted(10000));
  ASSERT_TRUE(QTest::qWaitFor(ServiceOwned, 30000)) << first.readAllStandardError().toStdString();

  QProcess second;
  second.setProcessEnvironment(ProgramEnvironment());
  second.start(QStringLiteral(QV_PROGRAM), {});
  ASSERT_TRUE(second.waitForFinished(30000));
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  const QString secondLog = QString::fromUtf8(second.readAllStandardError());
  EXPECT_FALSE(secondLog.contains(QStringLiteral("InitWindow"))) << secondLog.toStdString();

  // The first one took the instance message (wParam 0, lParam 1) and, as told, ended.
  ASSERT_TRUE(first.waitForFinished(30000));
  EXPECT_EQ(first.exitCode(), 0);
  const QString firstLog = QString::fromUtf8(first.readAllStandardError());
  const QString trace = QString::asprintf("软件标示 %d，0d1d", static_cast<int>(UWM_INSTANCE_MSG));
  EXPECT_TRUE(firstLog.contains(trace)) << firstLog.toStdString();
  EXPECT_FALSE(ServiceOwned());
}

TEST(InstanceTest, StartsWithoutASessionBus) {
  QProcess program;
  QProcessEnvironment env = ProgramEnvironment();
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
             QStringLiteral("unix:path=/nonexistent/qv5307-test-bus"));
  env.insert(QStringLiteral("QV5307_QUIT_AFTER_MS"), QStringLiteral("1500"));
  program.setProcessEnvironment(env);
  program.start(QStringLiteral(QV_PROGRAM), {});
  ASSERT_TRUE(program.waitForFinished(60000));
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0);
  const QString log = QString::fromUtf8(program.readAllStandardError());
  EXPECT_TRUE(log.contains(QStringLiteral("no D-Bus session bus"))) << log.toStdString();
  EXPECT_TRUE(log.contains(QStringLiteral("InitWindow"))) << log.toStdString();
}

TEST(InstanceTest, TracesStayQuietUnlessAskedFor) {
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  const auto run = [&home](bool debug) {
    QProcess program;
    QProcessEnvironment env = ProgramEnvironment();
    if (!debug) env.remove(QStringLiteral("QV5307_DEBUG"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=/nonexistent/qv5307-test-bus"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("QV5307_SIMULATE"), QStringLiteral("1"));
    env.insert(QStringLiteral("QV5307_QUIT_AFTER_MS"), QStringLiteral("2500"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QV_PROGRAM), {});
    EXPECT_TRUE(program.waitForFinished(60000));
    return QString::fromUtf8(program.readAllStandardError());
  };
  // Nothing of ours (the platform plugin may still say something of its own).
  const QString quiet = run(false);
  for (const char* ours : {"命令", "返回", "软件标示", "InitWindow", "simulated keyboard"}) {
    EXPECT_FALSE(quiet.contains(QString::fromUtf8(ours))) << ours << " in\n" << quiet.toStdString();
  }
  const QString traced = run(true);
  EXPECT_TRUE(traced.contains(QStringLiteral("命令"))) << traced.toStdString();
}

TEST(InstanceTest, HandOverWithoutARunningInstanceReportsTheOwnerGone) {
  if (!HaveSessionBus()) GTEST_SKIP() << "no session bus; run under dbus-run-session";
  ASSERT_FALSE(ServiceOwned());
  MessageBus bus;
  EXPECT_EQ(bus.HandOver(), MessageBus::HandOverResult::kOwnerGone);
}

TEST(InstanceTest, BroadcastsFromOtherProgramsArriveByIdAndOurOwnDoNot) {
  if (!HaveSessionBus()) GTEST_SKIP() << "no session bus; run under dbus-run-session";
  MessageBus bus;
  ASSERT_EQ(bus.ClaimInstance(), MessageBus::ClaimResult::kOwned);
  struct Arrival {
    quint32 id;
    qint64 wParam;
    qint64 lParam;
  };
  std::vector<Arrival> arrived;
  QObject::connect(&bus, &MessageBus::MessageArrived, [&arrived](quint32 id, qint64 w, qint64 l) {
    arrived.push_back({id, w, l});
  });

  ASSERT_TRUE(bus.PostBroadcast(QStringLiteral("Game_Start"), 1, 2));
  QDBusConnection other =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("qv_other"));
  ASSERT_TRUE(other.isConnected());
  QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/elsewhere"),
                                                   QString::fromLatin1(MessageBus::kInterface),
                                                   QStringLiteral("Message"));
  signal << QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBF17}") << qlonglong{1}
         << qlonglong{0};
  ASSERT_TRUE(other.send(signal));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !arrived.empty(); }, 10000));
  QTest::qWait(200);  // our own broadcast, were it delivered, would be in by now
  ASSERT_EQ(arrived.size(), 1u);
  EXPECT_EQ(arrived[0].id, UWM_LIGHT_CONTROL_MSG);
  EXPECT_EQ(arrived[0].wParam, 1);
  EXPECT_EQ(arrived[0].lParam, 0);

  bus.ReleaseInstance();
  QDBusConnection::disconnectFromBus(QStringLiteral("qv_other"));
}

}  // namespace
}  // namespace qv::ui
