// Notification routing of the main window: the window's own controls, then every routed owner.
// Owners whose panels are not built yet receive their routes through the Routed signal, which
// is their entry point until they exist.
#include <QProcess>
#include <QThread>
#include <QTimer>

#include "app/device_list.h"
#include "app/main_wnd.h"
#include "devices/keyboard_device.h"
#include "platform/trace.h"
#include "ui/control_ops.h"

namespace qv::ui {

void CMainWnd::Notify(const UiNotify& notify) {
  const QString name = notify.sender ? notify.sender->objectName() : QString();
  if (notify.type == QLatin1String("timer")) {
    if (notify.sender == Root() || notify.sender == this) OnTimer(static_cast<int>(notify.wParam));
    return;
  }
  Trace("%s", notify.type.toUtf8().constData());
  Trace("%s", name.toUtf8().constData());
  if (notify.type == QLatin1String("windowinit")) {
    WindowInit();
    return;
  }
  if (notify.type == QLatin1String("windowsize")) {
    if (name == QLatin1String("root") && displayChanged_) {
      displayChanged_ = false;
      PlaceForDpi();
    }
    return;
  }
  RouteNotification(notify);
}

void CMainWnd::RouteNotification(const UiNotify& notify) {
  const QString name = notify.sender ? notify.sender->objectName() : QString();
  for (const Route& route : FindRoutes(notify.type, name)) {
    if (route.owner == RouteOwner::kNothing) continue;
    if (route.owner == RouteOwner::kMainWindow) {
      if (notify.type == QLatin1String("click")) {
        HandleOwnClick(route.key);
      } else if (notify.type == QLatin1String("itemselect")) {
        // "device_profile_combo": the profile switch runs 400 ms after the last selection.
        if (profileFlows_) profileFlows_->OnComboSelect();
      } else if (notify.type == QLatin1String("killfocus")) {
        HandleMessage(UWM_KEY_CAPTURE, 0, 0);
      } else if (notify.type == QLatin1String("setfocus")) {
        HandleMessage(UWM_KEY_CAPTURE, 1, 0);
      }
      continue;
    }
    Dispatch(route, notify);
  }
}

void CMainWnd::HandleOwnClick(const QString& name) {
  if (name == QLatin1String("closebtn")) {
    CloseAuxWindows();
    HideToTray();
  } else if (name == QLatin1String("nodevice_ok_btn")) {
    // Also where the window cannot hide (no tray, no window manager to minimise it): the notice
    // comes back with the window while no device is there.
    SetVisible(FindControl(QStringLiteral("No_device_Link")), false);
    HideToTray();
  } else if (name == QLatin1String("control_light_status")) {
    SetLightControl(!lightControl_, true);
  } else if (name == QLatin1String("minbtn")) {
    showMinimized();
  } else if (name == QLatin1String("maxbtn")) {
    showMaximized();
  } else if (name == QLatin1String("restorebtn")) {
    showNormal();
  } else if (name == QLatin1String("skinbtn")) {
    Q_EMIT Routed(RouteOwner::kMainWindow, name, 0);  // the skin window's entry point
  } else if (name == QLatin1String("setbtn")) {
    // The gear opens the settings window and, while it is open, closes it.
    if (settingsWnd_) {
      settingsWnd_->close();
    } else {
      OpenSettings(true);
    }
  }
}

void CMainWnd::Dispatch(const Route& route, const UiNotify& notify) {
  switch (route.owner) {
    case RouteOwner::kInputSettings: {
      // The desktop's own keyboard (0) and mouse (1) settings, started detached so that the
      // window never waits for them; without a settings program nothing happens.
      const char* page = route.number == 0 ? "keyboard" : route.number == 1 ? "mouse" : nullptr;
      if (!page) return;
      QProcess::startDetached(QStringLiteral("gnome-control-center"), {QString::fromLatin1(page)});
      break;
    }
    case RouteOwner::kKeyboardSettings:
    case RouteOwner::kPollingRate: {
      // The mouse's polling options are its own panel's; here only the keyboard's System page.
      CKestravaUSBDevice* current = CurrentDevice();
      if (!current || current->GetTypeCode() != kTypeKeyboard) return;
      auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(current);
      if (!keyboard) return;
      const bool selected = IsSelected(notify.sender);
      if (route.owner == RouteOwner::kPollingRate) {
        if (selected) keyboard->SelectPollingRate(route.number);
      } else if (route.key == QLatin1String("repeat_delay_check_")) {
        if (selected) keyboard->SelectRepeatDelay(route.number);
      } else if (route.key == QLatin1String("repeat_rate_slider")) {
        keyboard->SetRepeatRate(static_cast<int>(notify.wParam));
      } else {
        keyboard->ChangeSystemSwitch(route.key.toStdString(), selected);
      }
      break;
    }
    case RouteOwner::kDeviceList:
      if (!deviceList_) break;
      if (route.key == QLatin1String("device_select")) {
        deviceList_->OnDeviceSelectChanged();
      } else if (route.key == QLatin1String("device_select_prev")) {
        deviceList_->SelectPrevious();
      } else if (route.key == QLatin1String("device_select_next")) {
        deviceList_->SelectNext();
      }
      break;
    case RouteOwner::kKeyPanel:
      if (keyFlows_) keyFlows_->OnPanel(route.key, route.number);
      break;
    case RouteOwner::kKeyAssignApply:
      if (keyFlows_) keyFlows_->OnApply();
      break;
    case RouteOwner::kMacroEditor:
      if (macroFlows_) {
        // A step row's activation carries the row in the notification.
        const bool row = route.key == QLatin1String("macro_action");
        macroFlows_->OnRoute(route.key, row ? static_cast<int>(notify.wParam) : route.number);
      }
      break;
    case RouteOwner::kProfilePanel:
      if (profileFlows_) profileFlows_->OnClick(route.key);
      break;
    case RouteOwner::kPageTab:
      if (CKestravaUSBDevice* current = CurrentDevice()) current->ShowFunctionPage(route.number);
      break;
    default:
      break;
  }
  (void)notify;
  Q_EMIT Routed(route.owner, route.key, route.number);
}

void CMainWnd::OnTimer(int id) {
  switch (id) {
    case 1011:
      PlaceForDpi();
      update();
      break;
    case 1066:
      RestoreGameLighting();
      break;
    default:
      break;
  }
}

}  // namespace qv::ui
