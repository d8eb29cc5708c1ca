#include "app/desktop_integration.h"

#include <QDebug>
#include <QMessageBox>

#include "app/main_wnd.h"
#include "platform/linux/udev_rules.h"
#include "platform/qt/log.h"

namespace qv::ui {

bool StartHiddenRequested() {
  const QByteArray value = qgetenv("QV5307_START_HIDDEN");
  return !value.isEmpty() && value != "0";
}

QString PermissionNoticeText(const std::vector<DeniedHidNode>& nodes) {
  QStringList devices;
  for (const DeniedHidNode& node : nodes) {
    const QString line =
        QString::asprintf("%04x:%04x (%s)", node.vendorId, node.productId, node.devnode.c_str());
    if (!devices.contains(line)) devices << line;
  }
  return QStringLiteral(
             "A supported device is plugged in, but your user account is not allowed to open "
             "it, so it cannot be shown or configured:\n    %1\n\n"
             "Install the device rules \"%2\" that come with the program (the package puts "
             "them in /usr/lib/udev/rules.d; from a source install, copy them to "
             "/etc/udev/rules.d), then run\n"
             "    sudo udevadm control --reload-rules && sudo udevadm trigger\n"
             "and unplug and replug the device. The rules give access to the user at the "
             "computer's own screen, not to remote sessions.")
      .arg(devices.join(QStringLiteral("\n    ")), QString::fromLatin1(kUdevRulesFileName));
}

DesktopIntegration::DesktopIntegration(CMainWnd& window, Options options)
    : window_(window), options_(std::move(options)) {
  if (!options_.showNotice) {
    options_.showNotice = [this](const QString& title, const QString& text) {
      auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, &window_);
      box->setAttribute(Qt::WA_DeleteOnClose);
      box->setModal(false);
      box->show();
    };
  }
  connect(&sleep_, &SleepWatcher::Suspending, this,
          [this] { window_.OnPowerBroadcast(kPowerSuspend); });
  connect(&sleep_, &SleepWatcher::Resumed, this,
          [this] { window_.OnPowerBroadcast(kPowerResumeAutomatic); });
  connect(&permissionTimer_, &QTimer::timeout, this, &DesktopIntegration::CheckPermissions);
}

// The watch's thread must be done before the object it posts to goes.
DesktopIntegration::~DesktopIntegration() {
  permissionWatch_.reset();
}

void DesktopIntegration::Start() {
  if (options_.watchSleep) sleep_.Start(options_.sleepBus());
  if (options_.checkPermissions) {
    CheckPermissions();
    if (noticeShown_) return;
    if (options_.watchChanges) {
      permissionWatch_ = options_.watchChanges([this] {
        QMetaObject::invokeMethod(this, &DesktopIntegration::CheckPermissions,
                                  Qt::QueuedConnection);
      });
    }
    if (!permissionWatch_) permissionTimer_.start(options_.permissionCheckMs);
  }
}

void DesktopIntegration::CheckPermissions() {
  if (noticeShown_) return;
  const std::vector<DeniedHidNode> denied = options_.findDenied();
  if (denied.empty()) return;
  noticeShown_ = true;
  permissionTimer_.stop();
  permissionWatch_.reset();  // its notices only ever queue a look here
  const QString text = PermissionNoticeText(denied);
  qCDebug(lcUi).noquote() << "device not accessible:" << text;
  options_.showNotice(QStringLiteral("QV5307: device not accessible"), text);
}

}  // namespace qv::ui
