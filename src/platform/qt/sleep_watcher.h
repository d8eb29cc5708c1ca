// The system's sleep and wake, as logind announces them on the system bus: the signal
// PrepareForSleep(true) before the system suspends or hibernates, PrepareForSleep(false) after it
// woke up. They arrive here as Suspending() and Resumed(), which the main window turns into its
// power handling (suspend: devices told the host no longer drives the lights; resume: devices
// told the light-control state again).
//
// So that the devices hear of a suspend before the USB bus goes down, the watcher holds a
// "delay" sleep inhibitor while the system is awake: logind waits (up to its InhibitDelayMaxSec)
// until the lock is released, which happens right after Suspending() has been handled. The lock
// is taken again on Resumed(). Asking for it never blocks the interface thread.
//
// Without a system bus or logind (containers, other init systems) Start() returns false and the
// watcher stays silent: the program then simply misses sleep and wake, as before.
// Interface thread only.
#pragma once

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

namespace qv::ui {

class SleepWatcher : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kLogindService = "org.freedesktop.login1";
  static constexpr const char* kLogindPath = "/org/freedesktop/login1";
  static constexpr const char* kManagerInterface = "org.freedesktop.login1.Manager";

  explicit SleepWatcher(QObject* parent = nullptr);
  ~SleepWatcher() override;

  // Subscribes to PrepareForSleep on `bus` (tests pass a private bus) and asks for the delay
  // lock. False when the bus is not connected or the subscription fails.
  bool Start(const QDBusConnection& bus = QDBusConnection::systemBus());
  bool HoldsDelayLock() const { return lock_.isValid(); }

 Q_SIGNALS:
  // Emitted before the system sleeps; handlers run before the delay lock is let go.
  void Suspending();
  void Resumed();

 private Q_SLOTS:
  void OnPrepareForSleep(bool start);

 private:
  void TakeDelayLock();

  QDBusConnection bus_;
  QDBusUnixFileDescriptor lock_;
  bool lockRequested_ = false;
  bool sleeping_ = false;
};

}  // namespace qv::ui
