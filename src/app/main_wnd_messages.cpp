// The main window's message handling in its fixed order, and the handlers that belong to the
// window itself: light control, game events, the firmware gate and the service-tool report.
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QProcess>
#include <QTimer>

#include "app/app_paths.h"
#include "app/main_wnd.h"
#include "devices/keyboard_device.h"
#include "platform/qt/log.h"
#include "platform/qt/message_bus.h"
#include "platform/registered_messages.h"
#include "platform/trace.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/msg_wnd.h"

namespace qv::ui {
namespace {

QString NameOf(uint32_t id) {
  const std::string_view name = RegisteredMessageName(id);
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

bool IsHookMessage(uint32_t id) {
  for (size_t i = 6; i < 20; ++i) {  // the WM_HOOK_* names of the registration order
    if (id == RegisteredMessageId(kRegisteredMessageNames[i])) return true;
  }
  return false;
}

bool IsGameMessage(uint32_t id) {
  return id == UWM_GAME_START_MSG || id == UWM_GAME_END_MSG || id == UWM_GAME_KILL_MSG ||
         id == UWM_GAME_DEATH_MSG;
}

}  // namespace

intptr_t CMainWnd::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == UWM_INSTANCE_MSG) {
    qCDebug(lcUi).noquote() << QString::asprintf(
        "软件标示 %d，%llxd%llxd", static_cast<int>(message),
        static_cast<unsigned long long>(wParam), static_cast<long long>(lParam));
    if (options_.startHidden) {
      options_.startHidden = false;
      if (lParam == 0) {
        // The first scan pass of a start from the autostart entry: stay out of the way. A
        // second start (lParam 1) still brings the window forward.
        UpdateNoDeviceNotice();
        if (!HasTray()) showMinimized();
        return 0;
      }
    }
    BringForward();
    return 0;
  }
  if (message == UWM_SETWND_NOTIFY_MSG) {
    if (settingsWnd_) Q_EMIT Routed(RouteOwner::kMainWindow, QStringLiteral("SetWnd"), 0);
    return 0;
  }
  if (message == UWM_LIGHT_CONTROL_MSG) {
    if (wParam == 1 && (lParam == 0 || lParam == 1)) SetLightControl(lParam == 1, false);
    return 0;
  }
  if (message == UWM_WORKTOOL_QUERY_MSG) {
    ServiceToolReport();
    return 0;
  }
  // While the system sleeps nothing below is acted on, arrivals and removals included.
  if (!awake_) return 0;
  if (IsHookMessage(message)) {
    Q_EMIT Routed(RouteOwner::kMacroEditor, NameOf(message), static_cast<int>(wParam));
    return 0;
  }
  if (IsGameMessage(message)) {
    GameEvent(wParam, lParam);
    return 0;
  }
  switch (message) {
    case UWM_SHOW_PROGRESS:
      SetVisible(FindControl(QStringLiteral("setting_progress")), true);
      return 0;
    case UWM_LANGUAGE_CHANGED:
      ApplyLanguage(static_cast<int>(wParam));
      // Key assignment texts are rebuilt by the key panels, which are told here.
      Q_EMIT Routed(RouteOwner::kMainWindow, QStringLiteral("language"), static_cast<int>(wParam));
      return 0;
    // Each of the three may open a device's link: the synchronised lighting, which sleeps while
    // no open device takes part, looks again.
    case UWM_DEVICE_ARRIVED:
      if (discovery_) discovery_->OnArrived(wParam);
      workers_[kSyncLightingSlot].Poke();
      return 0;
    case UWM_DEVICE_REMOVED:
      if (discovery_) discovery_->OnRemoved(wParam);
      workers_[kSyncLightingSlot].Poke();
      return 0;
    case UWM_OPEN_SETTINGS:
      OpenSettings(false);
      return 0;
    case UWM_UPDATE_SEEN:
      SetBkImage(FindControl(QStringLiteral("setbtn")), QString());
      return 0;
    case UWM_DEVICE_LINK:
      if (discovery_) discovery_->OnLinkChanged(wParam, lParam);
      workers_[kSyncLightingSlot].Poke();
      return 0;
    case UWM_FIRMWARE_CHECK:
      OnDeviceVersion(wParam, lParam);
      return 0;
    case UWM_KEY_CAPTURE:
      keyCapture_ = wParam == 1;
      Q_EMIT Routed(RouteOwner::kKeyPanel, QStringLiteral("key_capture"), static_cast<int>(wParam));
      return 0;
    default:
      return 0;
  }
}

void CMainWnd::OnActivation(bool active) {
  activated_ = active;
  inUse_ = active;
  TellDevicesInUse();
}

void CMainWnd::OnHover(bool inside) {
  TraceText(inside ? "鼠标移入" : "鼠标移出");
  if (activated_) return;
  inUse_ = inside;
  TellDevicesInUse();
}

void CMainWnd::OnPowerBroadcast(int event) {
  if (event == kPowerResumeAutomatic) {
    awake_ = true;
    TellDevicesLightControl();
  } else if (event == kPowerSuspend) {
    awake_ = false;
    for (CKestravaUSBDevice* d : families_.InOrder(
             {DeviceFamily::kMouse, DeviceFamily::kMousePad, DeviceFamily::kKeyboard})) {
      d->SetHostLightControl(false);
    }
  }
}

void CMainWnd::SetLightControl(bool on, bool broadcast) {
  lightControl_ = on;
  if (broadcast && bus_) bus_->PostBroadcast(NameOf(UWM_APP_STARTED_MSG), 1, on ? 1 : 0);
  SetText(FindControl(QStringLiteral("control_light_status")),
          on ? QStringLiteral("控制灯光") : QStringLiteral("不控制灯光"));
  TellDevicesLightControl();
}

void CMainWnd::TellDevicesLightControl() {
  for (CKestravaUSBDevice* d : families_.InOrder(
           {DeviceFamily::kMouse, DeviceFamily::kMousePad, DeviceFamily::kKeyboard})) {
    d->SetHostLightControl(lightControl_);
  }
}

void CMainWnd::GameEvent(uintptr_t wParam, intptr_t lParam) {
  CKestravaUSBDevice* device = CurrentDevice();
  if (device && wParam <= 2) {
    const int count = options_.effectCount ? options_.effectCount(*device)
                                           : BuiltInEffectCount(device->GetDefaultDataIndex());
    // An effect the list does not have would index past it further down.
    if (lParam >= 0 && lParam < count) {
      families_.SetSyncLighting(device, false);
      Q_EMIT Routed(RouteOwner::kLightingPanel, QStringLiteral("game_effect"),
                    static_cast<int>(lParam));
      // Applied to the device only: the profile keeps the user's own lighting, which the
      // restore below brings back.
      LightSettingsRecord record = device->GetLightSettings();
      record[kLightMode] = static_cast<uint8_t>(lParam);
      if (auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(device)) {
        // The keyboard writes its settings record from the profile document: the effect goes
        // into the document in memory, which is never saved from here.
        keyboard->GetProfile().SetLightInfo(qv::LightSettings::FromBytes(record));
      }
      device->SetLightSettings(record);
      device->WriteSettings(0, 0);
    }
  }
  QTimer* restore = findChild<QTimer*>(QStringLiteral("timer_1066"));
  if (!restore) {
    restore = new QTimer(this);
    restore->setObjectName(QStringLiteral("timer_1066"));
    restore->setSingleShot(true);
    connect(restore, &QTimer::timeout, this, [this] { OnTimer(1066); });
  }
  restore->start(options_.gameRestoreDelay);
}

void CMainWnd::RestoreGameLighting() {
  CKestravaUSBDevice* device = CurrentDevice();
  if (!device) return;
  device->ReloadProfile();
  device->ApplyLightSettings();
  device->WriteSettings(0, 0);
}

void CMainWnd::OnDeviceVersion(uintptr_t productId, intptr_t version) {
  // The device sends this in the middle of its connection read; the question waits until that
  // read has ended its update sequence and returned to the event loop.
  QTimer::singleShot(0, this, [this, productId, version] { FirmwareCheck(productId, version); });
}

void CMainWnd::FirmwareCheck(uintptr_t productId, intptr_t version) {
  if (productId != kGatedProductId || shutdownDone_) return;
  const QString updateFolder = FirmwareUpdateFolder();
  if (version > kLowestGoodFirmware) {
    firmwareGate_ = true;
    SetText(FindControl(QStringLiteral("No_device_tip")), QStringLiteral("message_text_1"));
    SetText(FindControl(QStringLiteral("No_device_text")), QStringLiteral("message_text_1_1"));
    return;
  }
  firmwareGate_ = false;
  SetVisible(FindControl(QStringLiteral("No_device_Link")), true);
  SetText(FindControl(QStringLiteral("No_device_tip")), QStringLiteral("message_text_26"));
  SetText(FindControl(QStringLiteral("No_device_text")), QString());
  bool update = false;
  if (options_.askFirmwareUpdate) {
    update = options_.askFirmwareUpdate();
  } else {
    // Its own text: the id the rename uses for a blank name would make no sense here.
    update = ShowMessage(this, CResourceManager::Text(QStringLiteral("tips_text")),
                         QStringLiteral("firmware_update_ask_text"), dpiValue_, 1, 1) == 1;
  }
  if (update) {
    const QString program = updateFolder + QLatin1String(kFirmwareUpdater);
    const QStringList args{QStringLiteral("On the upgrade")};
    if (options_.startProgram) {
      options_.startProgram(program, args);
    } else {
      QProcess::startDetached(program, args);
    }
    return;
  }
  // Refused: the program ends, through the same shutdown as the tray's "exit".
  Close(0);
}

void CMainWnd::ServiceToolReport() {
  if (!bus_) return;
  std::array<int32_t, 256> block{};
  size_t n = 0;
  for (int v : {2, 5, 0, 2}) block[n++] = v;
  for (const DeviceKindInfo& kind : DeviceKinds()) {
    block[n++] = static_cast<int32_t>(kind.VendorId);
    block[n++] = static_cast<int32_t>(kind.ProductId);
    block[n++] = static_cast<int32_t>(kind.TypeCode);
  }
  const QByteArray bytes(reinterpret_cast<const char*>(block.data()),
                         static_cast<qsizetype>(sizeof(block)));
  bus_->SendToPeer(QStringLiteral("WorkTool"), static_cast<qint64>(winId()), 5, bytes);
}

}  // namespace qv::ui
