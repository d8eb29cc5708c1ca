// The program's main window. This is the start of the hub that routes every notification of
// the main layout ("XML_MAIN") to the panel owning the control; for now it shows the layout,
// owns the tray icon and its menu, takes registered messages from the message bus and comes
// forward on the instance message of a second start.
//
// Closing the window hides it to the tray when a tray exists (the program keeps running); the
// tray menu's "exit" closes it with code 0, which removes the tray icon and ends the event
// loop. Interface thread only; created and owned by the start-up code.
#pragma once

#include <QMenu>
#include <memory>

#include "app/tray_icon.h"
#include "app/window_base.h"

namespace qv::ui {

class MessageBus;

class CMainWnd : public CWindowBase {
  Q_OBJECT

 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 572;

  // `bus` may be null (no session bus): nothing is broadcast then. Not owned.
  explicit CMainWnd(MessageBus* bus = nullptr);
  ~CMainWnd() override;

  // Loads the main layout, titles the window "QV5307" at 800 by 572 and sets the icon.
  bool CreateMain();
  void BringForward();
  bool HasTray() const { return tray_ && tray_->IsShown(); }
  // Routes a tray or pop-up menu command by item name.
  void OnMenuCommand(const QString& itemName);

 public Q_SLOTS:
  void OnRegisteredMessage(quint32 id, qint64 wParam, qint64 lParam);

 Q_SIGNALS:
  void InstanceMessage(qint64 wParam, qint64 lParam);

 protected:
  void InitWindow() override;
  void Notify(const UiNotify& notify) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void HideToTray();

  MessageBus* bus_;
  std::unique_ptr<CTrayIcon> tray_;
  std::unique_ptr<QMenu> trayMenu_;
};

}  // namespace qv::ui
