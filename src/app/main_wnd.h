// The program's main window and its hub: it loads the main layout ("XML_MAIN"), owns the device
// blocks, the family lists and the discovery handlers, routes every notification of its layout
// to the owner of the control (event_routing.h), handles the program-wide and private messages,
// the tray and its menu, bring forward and DPI placement, and starts and stops the long-running
// workers (slot 0 the device scan, slot 8 the synchronised lighting).
//
// Closing the window hides it to the tray; the tray menu's "exit" (or refusing the firmware
// update) closes it with code 0, which runs Shutdown and ends the event loop. On a desktop
// without a tray, hiding would leave a program nobody can reach: the window minimises instead,
// and the tray menu opens from the window's context menu (and "exit" from Ctrl+Q). Shutdown runs
// once, whichever of window destruction and the destructor comes first.
//
// The window is the workers' MessageSink: `Send` is a blocking queued call (a direct call on
// the interface thread), `Post` and `PostTask` queued calls; after Shutdown they drop their
// message and return 0 / false.
//
// Files: main_wnd.cpp (start, messages to the window, tray, placement), main_wnd_routing.cpp
// (notifications and owner entry points), main_wnd_messages.cpp (the message handling order,
// light control, game events, firmware gate, service-tool report), main_wnd_workers.cpp
// (worker slots, shutdown), main_wnd_blocks.cpp (device blocks and the device list).
//
// Threading: interface thread, except the MessageSink operations (any thread).
#pragma once

#include <QMenu>
#include <QPointer>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "app/event_routing.h"
#include "app/input_sources.h"
#include "app/key_assign_flows.h"
#include "app/macro_flows.h"
#include "app/profile_flows.h"
#include "devices/device_discovery.h"
#include "devices/device_families.h"
#include "devices/sync_lighting.h"
#include "platform/message_sink.h"
#include "platform/worker_thread.h"
#include "transport/device_scanner.h"
#include "ui/font_table.h"
#include "ui/tray_icon.h"
#include "ui/window_base.h"

namespace qv::ui {

class MessageBus;
class DeviceList;

// Private messages of the main window.
inline constexpr uint32_t UWM_SHOW_PROGRESS = 0x0C00;
inline constexpr uint32_t UWM_LANGUAGE_CHANGED = 0x0C11;
inline constexpr uint32_t UWM_OPEN_SETTINGS = 0x0C15;
inline constexpr uint32_t UWM_UPDATE_SEEN = 0x0C16;
inline constexpr uint32_t UWM_IGNORED_0D02 = 0x0D02;
inline constexpr uint32_t UWM_FIRMWARE_CHECK = 0x0D04;
inline constexpr uint32_t UWM_KEY_CAPTURE = 0x041E;
// Power broadcast events.
inline constexpr int kPowerSuspend = 4;
inline constexpr int kPowerResumeAutomatic = 0x12;

inline constexpr int kWorkerSlots = 20;
inline constexpr int kScanSlot = 0;
inline constexpr int kAudioWatcherSlot = 1;
inline constexpr int kSyncLightingSlot = 8;

inline constexpr uint16_t kGatedProductId = 0x5080;
inline constexpr int kLowestGoodFirmware = 0x0103;  // this version and older ask for the update
inline constexpr const char* kFirmwareUpdater = "TM44K6-S9-61KEY-V0104.exe";

// What a device block is made of; the pieces live as long as the window.
struct DeviceBlock {
  int primaryRow = -1;
  int kindRow = -1;
  std::unique_ptr<CKestravaUSBDevice> device;
  QPointer<QWidget> page;
  QPointer<QWidget> entry;
  QPointer<QWidget> power;
};

// DPI value for a monitor: 144 when wider than 1500 and higher than 960 pixels, else 96.
int ChooseDpi(int screenWidth, int screenHeight);

class CMainWnd : public CWindowBase, public MessageSink, public DiscoveryHost {
  Q_OBJECT

 public:
  // The size the window is created with, and the size at 96 DPI that DPI placement gives it
  // and scales from.
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 572;
  static constexpr int kPlacedWidth = 1000;
  static constexpr int kPlacedHeight = 640;

  // What tests (and the simulator mode) change; the defaults are the program's.
  struct Options {
    HidBackend* backend = nullptr;  // null: the default backend
    bool startWorkers = true;
    std::chrono::milliseconds workerStopBound{1000};
    ScanTiming scanTiming;
    std::chrono::milliseconds gameRestoreDelay{5000};
    // The monitor's full size for DPI placement; empty: the screen nearest to the window.
    std::function<QSize()> screenSize;
    // The firmware question; true to update. Default: a message box.
    std::function<bool()> askFirmwareUpdate;
    // Starts the firmware updater; default: a detached process.
    std::function<void(const QString& program, const QStringList& args)> startProgram;
    // The number of built-in effects of a device's effect list; default: "default_light.json".
    std::function<int(const CKestravaUSBDevice&)> effectCount;
    // Started from the autostart entry: the first scan pass leaves the window in the tray
    // (minimised where there is no tray) instead of bringing it forward.
    bool startHidden = false;
    // What the about window's system close does; default: ends the program's loop.
    std::function<void()> quit;
    // The profile import and export file dialogs; default: Qt's.
    std::function<QString(QWidget* owner, const QString& filter)> openFile;
    std::function<QString(QWidget* owner, const QString& filter)> saveFile;
    // Macro recording reads ScriptedInput() instead of the desktop.
    bool scriptedInput = false;
  };

  // `bus` may be null (no session bus): nothing is broadcast then. Not owned.
  explicit CMainWnd(MessageBus* bus = nullptr);
  CMainWnd(MessageBus* bus, Options options);
  ~CMainWnd() override;

  bool CreateMain();
  void BringForward();
  void PlaceForDpi();
  bool HasTray() const { return tray_ && tray_->IsShown(); }
  QMenu* TrayMenu() const { return trayMenu_.get(); }
  void OnMenuCommand(const QString& itemName);
  // Stops the workers (bounded) and tells the helpers to end; runs once.
  void Shutdown();
  bool ShutdownDone() const { return shutdownDone_; }

  // The message handling order for every message that reaches the window: registered ones
  // from the bus, private ones from workers and devices. Returns the handler's result.
  intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
  // Window activation, mouse enter and leave: the in-use flag the devices are told.
  void OnActivation(bool active);
  void OnHover(bool inside);
  // The system suspends (kPowerSuspend) or resumes (kPowerResumeAutomatic).
  void OnPowerBroadcast(int event);

  // MessageSink.
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  bool PostTask(std::function<void()> task) override;

  // DiscoveryHost.
  CKestravaUSBDevice* CreateDeviceBlock(int primaryRow, int kindRow) override;
  std::vector<CKestravaUSBDevice*> EntryDevices() const override;
  bool IsEntryVisible(const CKestravaUSBDevice* device) const override;
  bool AnyEntryVisible() const override;
  void ShowEntry(CKestravaUSBDevice* device, bool select) override;
  void HideEntry(CKestravaUSBDevice* device) override;
  void StartConnectTimer(CKestravaUSBDevice* device) override;
  void RestartLinkWatch(CKestravaUSBDevice* device, int periodMs) override;
  void SendLinkMessage(int kindRow, int up) override;

  // The device of the first visible and selected entry; null when none.
  CKestravaUSBDevice* CurrentDevice() const;
  DeviceFamilies& Families() { return families_; }
  DeviceList* List() const { return deviceList_.get(); }
  const std::vector<std::unique_ptr<DeviceBlock>>& Blocks() const { return blocks_; }
  DeviceBlock* BlockOf(const CKestravaUSBDevice* device) const;
  const DeviceScanner* Scanner() const { return scanner_.get(); }
  SyncLightingEngine& SyncLighting() { return syncEngine_; }

  bool LightControl() const { return lightControl_; }
  bool Awake() const { return awake_; }
  bool InUse() const { return inUse_; }
  int DpiValue() const { return dpiValue_; }
  bool FirmwareGateFlag() const { return firmwareGate_; }
  QWidget* SettingsWindow() const { return settingsWnd_; }

  // Starts a worker in a free slot (the program uses 0, 1 and 8); false when the slot is busy.
  bool StartWorker(int slot, WorkerThread::Body body, const char* name = nullptr);
  bool WorkerRunning(int slot) const;

  void OpenSettings(bool besideMainWindow);
  // Opens the about window modally, unless one is open.
  void OpenAbout();
  QWidget* AboutWindow() const { return aboutWnd_; }

  // The language at `index` of the language list: texts, fonts, the stored choice, and the
  // open windows told. Nothing happens for the current index.
  void ApplyLanguage(int index);
  int LanguageIndex() const { return languageIndex_; }
  const FontTable& Fonts() const { return fonts_; }
  // The texts of the main window's own controls come from the language files alone.
  QString QueryControlText(const QString& id) const;

  ProfileFlows* Profiles() const { return profileFlows_.get(); }
  KeyAssignFlows* KeyAssignments() const { return keyFlows_.get(); }
  MacroFlows* Macros() const { return macroFlows_.get(); }
  // The input that recording reads when the options ask for the scripted source.
  ScriptedInputSource& ScriptedInput() { return scriptedInput_; }
  // An automatic save failed: the user is told once per run, with the folder and the reason.
  void TellSaveFailed(const QString& path, int code);

 public Q_SLOTS:
  void OnRegisteredMessage(quint32 id, qint64 wParam, qint64 lParam);

 Q_SIGNALS:
  void InstanceMessage(qint64 wParam, qint64 lParam);
  // Every notification routed to an owner other than the window itself.
  void Routed(qv::ui::RouteOwner owner, const QString& key, int number);
  void ShutdownFinished();
  // The window was shown and raised (bring forward).
  void BroughtForward();
  // A key of a device went down (state 1) or up (2); logical key numbers.
  void DeviceKeyEvent(qv::CKestravaUSBDevice* device, int logicalKey, int state);

 protected:
  void InitWindow() override;
  void Notify(const UiNotify& notify) override;
  QWidget* CreateControl(const QString& className, QWidget* parent) override;
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // The input sources of macro recording, and the controls locked while it runs.
  void SetUpInputCapture();
  void LockForRecording(bool recording);
  void WindowInit();
  void RouteNotification(const UiNotify& notify);
  void HandleOwnClick(const QString& name);
  void Dispatch(const Route& route, const UiNotify& notify);
  void OnTimer(int id);
  // Hides to the tray, or minimises where there is no tray.
  void HideToTray();
  void OfferMenuWithoutTray();
  // Scales the fonts below `top` to the DPI value in use.
  void ScaleFonts(QWidget* top);
  // Scales the sizes that layouts fix in pixels below `top`: the keys and plates placed on a
  // selection panel, and the size limits of the panel and of widgets that carry the property
  // "qv_dpi_limits".
  void ScaleGeometry(QWidget* top);
  void TellDevicesShown(bool shown);
  void TellDevicesInUse();
  void TellDevicesLightControl();
  void SetLightControl(bool on, bool broadcast);
  void UpdateNoDeviceNotice();
  void OnTrayLeftClick();
  void CloseAuxWindows();

  // Messages.
  void GameEvent(uintptr_t wParam, intptr_t lParam);
  void RestoreGameLighting();
  void FirmwareCheck(uintptr_t productId, intptr_t version);
  void ServiceToolReport();
  void OnDeviceVersion(uintptr_t productId, intptr_t version);

  // Workers.
  void StartWorkers();
  void ScanLoop(const StopEvent& stop);

  MessageBus* bus_;
  Options options_;
  std::unique_ptr<CTrayIcon> tray_;
  std::unique_ptr<QMenu> trayMenu_;
  std::array<QPointer<QWidget>, 9> frameButtons_;

  std::unique_ptr<DeviceList> deviceList_;
  DeviceFamilies families_;
  std::vector<std::unique_ptr<DeviceBlock>> blocks_;
  std::unique_ptr<DeviceScanner> scanner_;
  std::unique_ptr<DeviceDiscovery> discovery_;
  SyncLightingEngine syncEngine_;
  std::array<WorkerThread, kWorkerSlots> workers_;

  bool lightControl_ = true;
  bool activated_ = false;
  bool inUse_ = false;
  int dpiValue_ = 96;
  bool displayChanged_ = false;
  bool firmwareGate_ = false;
  bool keyCapture_ = false;
  QPointer<QWidget> settingsWnd_;
  QPointer<QWidget> aboutWnd_;
  int languageIndex_ = kNoLanguage;
  std::unique_ptr<ProfileFlows> profileFlows_;
  std::unique_ptr<KeyAssignFlows> keyFlows_;
  std::unique_ptr<MacroFlows> macroFlows_;
  std::unique_ptr<DesktopInputSource> desktopInput_;
  ScriptedInputSource scriptedInput_;
  bool saveFailureTold_ = false;
  FontTable fonts_;
  std::atomic<bool> awake_{true};
  std::atomic<bool> shutdownDone_{false};
  std::atomic<bool> shutdownRunning_{false};
};

}  // namespace qv::ui
