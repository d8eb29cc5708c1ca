// Registered messages between programs over the D-Bus session bus, and the single-instance rule.
//
// The running instance owns the bus name kServiceName and exports one object at kObjectPath.
// A message addressed to the running instance is a method call Deliver(name, wParam, lParam);
// a broadcast to every program is the signal Message(name, wParam, lParam) on kInterface. Both
// arrive here as MessageArrived(id, wParam, lParam), the id being RegisteredMessageId(name), so
// receivers compare against the constants of platform/registered_messages.h. Our own broadcasts
// are not delivered back to us.
//
// Without a session bus every operation reports that and does nothing else; the program still
// runs, only without the hand-over. Owned by the start-up code; interface thread only.
#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

namespace qv::ui {

class BusEndpoint;

class MessageBus : public QObject, protected QDBusContext {
  Q_OBJECT

 public:
  static constexpr const char* kServiceName = "org.qv5307.QV5307";
  static constexpr const char* kObjectPath = "/org/qv5307/QV5307";
  static constexpr const char* kInterface = "org.qv5307.QV5307";

  enum class ClaimResult { kOwned, kTaken, kNoBus };
  enum class HandOverResult { kDelivered, kOwnerGone, kNoBus };

  explicit MessageBus(QObject* parent = nullptr);
  ~MessageBus() override;

  bool HasBus() const;

  // Takes the instance name and exports the receiving object; kTaken when another instance
  // holds the name. Also starts listening to broadcasts.
  ClaimResult ClaimInstance();

  // Second instance: gives the running one the instance message (wParam 0, lParam 1).
  // kOwnerGone when the owner vanished before the call reached it (the caller may claim again).
  // An owner that ends right after taking the call can drop the reply: that still counts as
  // delivered, since the call reached its connection.
  HandOverResult HandOver(int timeoutMs = 5000);

  // Sends a registered message by name to every program on the bus.
  bool PostBroadcast(const QString& name, qint64 wParam, qint64 lParam);

  // A copy-data message to another program known by its window title: the peer owns the bus
  // name "org.qv5307." + title and exports CopyData(sender, kind, data) at "/org/qv5307/" +
  // title. False (and nothing sent) when no such peer runs.
  bool SendToPeer(const QString& title, qint64 sender, int kind, const QByteArray& data);

  // Unexports the object and gives the name back; safe to call twice.
  void ReleaseInstance();

  // Entry for calls and broadcasts coming in from the bus (public for the endpoint).
  void Receive(const QString& name, qint64 wParam, qint64 lParam);

 Q_SIGNALS:
  void MessageArrived(quint32 id, qint64 wParam, qint64 lParam);

 private Q_SLOTS:
  void OnBroadcast(const QString& name, qlonglong wParam, qlonglong lParam);

 private:
  std::unique_ptr<BusEndpoint> endpoint_;
  bool owned_ = false;
  bool listening_ = false;
};

}  // namespace qv::ui
