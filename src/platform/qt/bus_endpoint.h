// The object the running instance exports on the session bus; forwards calls to MessageBus.
// Private to message_bus.cpp (kept in a header only so that the meta-object compiler sees it).
#pragma once

#include <QObject>
#include <QString>

namespace qv::ui {

class MessageBus;

class BusEndpoint : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.qv5307.QV5307")

 public:
  explicit BusEndpoint(MessageBus* bus) : bus_(bus) {}

 public Q_SLOTS:
  void Deliver(const QString& name, qlonglong wParam, qlonglong lParam);

 Q_SIGNALS:
  void Message(const QString& name, qlonglong wParam, qlonglong lParam);

 private:
  MessageBus* bus_;
};

}  // namespace qv::ui
