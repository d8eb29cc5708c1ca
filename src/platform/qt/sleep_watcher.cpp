#include "platform/qt/sleep_watcher.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>

#include "platform/qt/log.h"

namespace qv::ui {

SleepWatcher::SleepWatcher(QObject* parent)
    : QObject(parent), bus_(QStringLiteral("qv5307-no-bus")) {}

SleepWatcher::~SleepWatcher() = default;

bool SleepWatcher::Start(const QDBusConnection& bus) {
  bus_ = bus;
  if (!bus_.isConnected()) {
    qCDebug(lcUi) << "no system bus: sleep and wake are not seen";
    return false;
  }
  const bool subscribed = bus_.connect(
      QLatin1String(kLogindService), QLatin1String(kLogindPath), QLatin1String(kManagerInterface),
      QStringLiteral("PrepareForSleep"), this, SLOT(OnPrepareForSleep(bool)));
  if (!subscribed) {
    qCDebug(lcUi) << "cannot watch logind for sleep:" << bus_.lastError().message();
    return false;
  }
  TakeDelayLock();
  return true;
}

void SleepWatcher::TakeDelayLock() {
  if (lock_.isValid() || lockRequested_ || !bus_.isConnected()) return;
  QDBusMessage call =
      QDBusMessage::createMethodCall(QLatin1String(kLogindService), QLatin1String(kLogindPath),
                                     QLatin1String(kManagerInterface), QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep") << QStringLiteral("QV5307")
       << QStringLiteral("Telling the devices that the host stops driving their lights")
       << QStringLiteral("delay");
  lockRequested_ = true;
  auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    lockRequested_ = false;
    QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
    if (reply.isError()) {
      qCDebug(lcUi) << "no sleep delay lock:" << reply.error().message();
      return;
    }
    // A lock that arrives while the system is going down would hold the suspend up: let it go.
    if (!sleeping_) lock_ = reply.value();
  });
}

void SleepWatcher::OnPrepareForSleep(bool start) {
  if (start) {
    sleeping_ = true;
    Q_EMIT Suspending();
    lock_ = QDBusUnixFileDescriptor();  // closes our copy: logind may go on
  } else {
    sleeping_ = false;
    Q_EMIT Resumed();
    TakeDelayLock();
  }
}

}  // namespace qv::ui
