#include "platform/qt/message_bus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDebug>

#include "platform/qt/bus_endpoint.h"
#include "platform/qt/log.h"
#include "platform/registered_messages.h"

namespace qv::ui {

void BusEndpoint::Deliver(const QString& name, qlonglong wParam, qlonglong lParam) {
  bus_->Receive(name, wParam, lParam);
}

MessageBus::MessageBus(QObject* parent)
    : QObject(parent), endpoint_(std::make_unique<BusEndpoint>(this)) {}

MessageBus::~MessageBus() {
  ReleaseInstance();
}

bool MessageBus::HasBus() const {
  return QDBusConnection::sessionBus().isConnected();
}

MessageBus::ClaimResult MessageBus::ClaimInstance() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    qCDebug(lcUi).noquote() << "QV5307: no D-Bus session bus (" + bus.lastError().message() +
                                   "); running without the single-instance hand-over";
    return ClaimResult::kNoBus;
  }
  if (!listening_) {
    listening_ = bus.connect(QString(), QString(), kInterface, "Message", this,
                             SLOT(OnBroadcast(QString, qlonglong, qlonglong)));
  }
  if (owned_) return ClaimResult::kOwned;
  // Register the object first so that a call cannot reach the name before the object exists.
  if (!bus.registerObject(kObjectPath, endpoint_.get(),
                          QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)) {
    qCDebug(lcUi) << "QV5307: cannot export the instance object:" << bus.lastError().message();
  }
  if (bus.registerService(kServiceName)) {
    owned_ = true;
    return ClaimResult::kOwned;
  }
  bus.unregisterObject(kObjectPath);
  return ClaimResult::kTaken;
}

MessageBus::HandOverResult MessageBus::HandOver(int timeoutMs) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return HandOverResult::kNoBus;
  QDBusMessage call =
      QDBusMessage::createMethodCall(kServiceName, kObjectPath, kInterface, "Deliver");
  call.setAutoStartService(false);
  call << QString::fromLatin1(kProductCode.data(), static_cast<int>(kProductCode.size()))
       << qlonglong{0} << qlonglong{1};
  QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
  if (reply.type() != QDBusMessage::ErrorMessage) return HandOverResult::kDelivered;
  const QString error = reply.errorName();
  if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
      error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner")) {
    return HandOverResult::kOwnerGone;
  }
  // NoReply and the like: the owner took the call and ended before answering.
  qCDebug(lcUi).noquote() << "QV5307: hand-over without an answer:" << error
                          << reply.errorMessage();
  return HandOverResult::kDelivered;
}

bool MessageBus::PostBroadcast(const QString& name, qint64 wParam, qint64 lParam) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, kInterface, "Message");
  signal << name << qlonglong{wParam} << qlonglong{lParam};
  return bus.send(signal);
}

bool MessageBus::SendToPeer(const QString& title, qint64 sender, int kind, const QByteArray& data) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  const QString service = QStringLiteral("org.qv5307.") + title;
  if (!bus.interface()->isServiceRegistered(service)) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      service, QStringLiteral("/org/qv5307/") + title, service, QStringLiteral("CopyData"));
  call.setAutoStartService(false);
  call << qlonglong{sender} << kind << data;
  return bus.send(call);
}

void MessageBus::ReleaseInstance() {
  if (!owned_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterObject(kObjectPath);
  bus.unregisterService(kServiceName);
  owned_ = false;
}

void MessageBus::Receive(const QString& name, qint64 wParam, qint64 lParam) {
  const QByteArray utf8 = name.toUtf8();
  const uint32_t id = RegisteredMessageId(std::string_view(utf8.constData(), utf8.size()));
  Q_EMIT MessageArrived(id, wParam, lParam);
}

void MessageBus::OnBroadcast(const QString& name, qlonglong wParam, qlonglong lParam) {
  // The bus hands our own signals back to us; the sender has acted on them already.
  if (calledFromDBus() && message().service() == connection().baseService()) return;
  Receive(name, wParam, lParam);
}

}  // namespace qv::ui
