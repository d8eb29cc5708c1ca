#include "ui/tray_icon.h"

#include <QDebug>
#include <QMenu>
#include <QSystemTrayIcon>

#include "platform/qt/log.h"

namespace qv::ui {

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent) {}

CTrayIcon::~CTrayIcon() {
  Remove();
}

bool CTrayIcon::Create(const QIcon& icon, const QString& toolTip) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    qCDebug(lcUi) << "no system tray on this desktop; the window stays the only way in";
    return false;
  }
  icon_ = std::make_unique<QSystemTrayIcon>(icon);
  icon_->setToolTip(toolTip);
  connect(icon_.get(), &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) Q_EMIT LeftClicked();
            if (reason == QSystemTrayIcon::Context) Q_EMIT RightClicked();
          });
  icon_->show();
  return true;
}

void CTrayIcon::SetMenu(QMenu* menu) {
  if (icon_) icon_->setContextMenu(menu);
}

void CTrayIcon::Remove() {
  if (!icon_) return;
  icon_->hide();
  icon_.reset();
}

bool CTrayIcon::IsShown() const {
  return icon_ && icon_->isVisible();
}

}  // namespace qv::ui
