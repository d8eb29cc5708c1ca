// What the program takes from a Linux desktop beside its window, kept apart from the window's
// own handling:
//   - sleep and wake, from logind (SleepWatcher), drive the main window's power handling as
//     the power broadcast does: suspend tells the devices the host stops driving the lights,
//     resume tells them the light-control state again;
//   - the notice, shown once per run, when a supported device is plugged in but this user may
//     not open it (the scan skips such a device without a word), saying how to install and
//     load the udev rules;
//   - whether the start came from the autostart entry (QV5307_START_HIDDEN).
//
// Owned by the start-up code next to the main window, which must outlive it. Interface thread.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "platform/linux/hidraw_backend.h"
#include "platform/qt/sleep_watcher.h"

namespace qv::ui {

class CMainWnd;

// True when QV5307_START_HIDDEN is set to anything but "" or "0".
bool StartHiddenRequested();

// The permission notice's text for these nodes: which device, and what to run.
QString PermissionNoticeText(const std::vector<DeniedHidNode>& nodes);

class DesktopIntegration : public QObject {
  Q_OBJECT

 public:
  struct Options {
    bool watchSleep = true;
    // The bus logind is on; tests give a private one.
    std::function<QDBusConnection()> sleepBus = [] { return QDBusConnection::systemBus(); };
    // Off in the simulated-device mode, where no real device is looked for.
    bool checkPermissions = true;
    // Hot-plug notices start a look on the interface thread; without them (null) the look is
    // repeated every permissionCheckMs.
    std::function<std::unique_ptr<HidChangeWatch>(std::function<void()>)> watchChanges =
        [](std::function<void()> onChange) {
          return SystemHidBackend().WatchChanges(std::move(onChange));
        };
    int permissionCheckMs = 3000;
    std::function<std::vector<DeniedHidNode>()> findDenied = [] {
      return FindDeniedSupportedNodes();
    };
    // Default: a message box that does not block the event loop.
    std::function<void(const QString& title, const QString& text)> showNotice;
  };

  DesktopIntegration(CMainWnd& window, Options options);
  ~DesktopIntegration() override;

  // Starts watching sleep and, after a first check, looking for denied devices whenever a
  // device comes (or every permissionCheckMs without hot-plug notices) until the notice has
  // been shown.
  void Start();
  // One look for denied devices; shows the notice the first time one is found.
  void CheckPermissions();
  bool NoticeShown() const { return noticeShown_; }
  const SleepWatcher& Sleep() const { return sleep_; }

 private:
  CMainWnd& window_;
  Options options_;
  SleepWatcher sleep_;
  QTimer permissionTimer_;
  std::unique_ptr<HidChangeWatch> permissionWatch_;
  bool noticeShown_ = false;
};

}  // namespace qv::ui
