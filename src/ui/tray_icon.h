// The notification-area icon. Where the desktop has no system tray (or under the offscreen
// platform) Create() still succeeds but nothing is shown and IsShown() stays false, so callers
// can tell that hiding the window to the tray is not an option. Interface thread only.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace qv::ui {

class CTrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit CTrayIcon(QObject* parent = nullptr);
  ~CTrayIcon() override;

  // True when the icon is shown; false when the desktop has no tray (not an error).
  bool Create(const QIcon& icon, const QString& toolTip);
  // The menu opened by the tray's context click; not owned.
  void SetMenu(QMenu* menu);
  void Remove();
  bool IsShown() const;

 Q_SIGNALS:
  void LeftClicked();
  void RightClicked();

 private:
  std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace qv::ui
