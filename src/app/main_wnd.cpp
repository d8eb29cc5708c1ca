#include "app/main_wnd.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <condition_variable>
#include <mutex>

#include "app/aux_windows.h"
#include "app/device_list.h"
#include "app/device_option.h"
#include "app/languages.h"
#include "devices/ui/device_page_widget.h"
#include "devices/ui/select_panel.h"
#include "keys/ui/key_set_control.h"
#include "platform/qt/log.h"
#include "platform/qt/message_bus.h"
#include "platform/registered_messages.h"
#include "platform/trace.h"
#include "profiles/json_file_store.h"
#include "profiles/ui/device_profile.h"
#include "transport/catalogue.h"
#include "ui/control_factory.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/msg_wnd.h"
#include "ui/popup_menu.h"
#include "ui/ui_resources.h"

namespace qv::ui {
namespace {

constexpr std::array<const char*, 9> kFrameButtons = {"closebtn", "maxbtn",       "restorebtn",
                                                      "minbtn",   "skinbtn",      "gamemodebtn",
                                                      "cloudbtn", "smarteyesbtn", "setbtn"};

// The sub-layouts that stand in for placeholder class names of the main layout.
struct SubLayout {
  const char* className;
  const char* layout;
};
constexpr SubLayout kSubLayouts[] = {
    {"DeviceProfileUI", "XML\\CustomControlXML\\DeviceProfile.xml"},
    {"LightSetControlUI", "XML\\CustomControlXML\\LightControl.xml"},
    {"Voice6533SetControlUI", "XML\\CustomControlXML\\Voice6533Control.xml"},
    {"MagicSetControlUI", "XML\\CustomControlXML\\MagicControl.xml"},
    {"KeySetControlUI", "XML\\CustomControlXML\\KeySetControl.xml"},
    {"MacroSetControlUI", "XML\\CustomControlXML\\MacroControl.xml"},
    {"ShootKeySetControlUI", "XML\\CustomControlXML\\ShootControl.xml"},
    {"VirtualSetControlUI", "XML\\CustomControlXML\\VirtualSet.xml"},
};

}  // namespace

int ChooseDpi(int screenWidth, int screenHeight) {
  return screenWidth > 1500 && screenHeight > 960 ? 144 : 96;
}

CMainWnd::CMainWnd(MessageBus* bus) : CMainWnd(bus, Options{}) {}

CMainWnd::CMainWnd(MessageBus* bus, Options options) : bus_(bus), options_(std::move(options)) {
  setObjectName(QStringLiteral("MainWnd"));
  families_.SetOnSyncChange([this] { workers_[kSyncLightingSlot].Poke(); });
}

CMainWnd::~CMainWnd() {
  Shutdown();
  // A worker that missed its stop bound still uses the devices and the scanner: wait for it.
  for (WorkerThread& worker : workers_) worker.Join();
  if (trayMenu_) trayMenu_->close();
  families_.Clear();
  // Device objects stop their own workers; the pages they point at go with the window.
  for (auto& block : blocks_) {
    if (auto* page = qobject_cast<DevicePageWidget*>(block->page.data())) page->SetDevice(nullptr);
    if (auto* entry = qobject_cast<CDeviceOptionUI*>(block->entry.data()))
      entry->SetDevice(nullptr);
    if (block->device) block->device->SetPageView(nullptr);
  }
  blocks_.clear();
}

bool CMainWnd::CreateMain() {
  if (!Create(QStringLiteral("XML_MAIN"), QStringLiteral("QV5307"), QSize(kWidth, kHeight))) {
    return false;
  }
  return true;
}

void CMainWnd::InitWindow() {
  qCDebug(lcUi) << "InitWindow";
  CResourceManager::LoadLanguage(QStringLiteral("lan_cn.xml"));
  CResourceManager::SetTextQueryInterface(
      [this](const QString& id) { return QueryControlText(id); });
  for (size_t i = 0; i < kFrameButtons.size(); ++i) {
    frameButtons_[i] = FindControl(QString::fromLatin1(kFrameButtons[i]));
  }
  // Game mode, cloud profiles, eye care and skins come with later versions: shown, but not
  // clickable, and saying so.
  for (const char* later : {"gamemodebtn", "cloudbtn", "smarteyesbtn", "skinbtn"}) {
    QWidget* button = FindControl(QString::fromLatin1(later));
    SetEnabled(button, false);
    SetToolTipId(button, QStringLiteral("not_available_text"));
  }
  // The program's own version, the one the about window shows.
  SetText(FindControl(QStringLiteral("version_label")),
          QString::fromLatin1(qv::Models()[3].Version));
  const QIcon icon(UiResources::ResolvePath(QStringLiteral("qv5307.svg")));
  setWindowIcon(icon);
  tray_ = std::make_unique<CTrayIcon>();
  tray_->Create(icon, QStringLiteral("QV5307"));
  trayMenu_ = LoadMenu(QStringLiteral("menu.xml"));
  if (trayMenu_) {
    connect(trayMenu_.get(), &QMenu::triggered, this,
            [this](QAction* action) { OnMenuCommand(action->objectName()); });
    tray_->SetMenu(trayMenu_.get());
  }
  connect(tray_.get(), &CTrayIcon::LeftClicked, this, [this] { OnTrayLeftClick(); });
  if (!tray_->IsShown()) OfferMenuWithoutTray();
}

void CMainWnd::OfferMenuWithoutTray() {
  if (trayMenu_) {
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { trayMenu_->popup(mapToGlobal(at)); });
  }
  auto* quit = new QShortcut(QKeySequence::Quit, this);
  connect(quit, &QShortcut::activated, this, [this] { OnMenuCommand(QStringLiteral("exit")); });
}

// Window initialisation, on "windowinit".
void CMainWnd::WindowInit() {
  // The message filter of other platforms has no counterpart: the bus delivers to us only.
  if (bus_) {
    const std::string_view name = RegisteredMessageName(UWM_APP_STARTED_MSG);
    bus_->PostBroadcast(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), 1, 1);
  }
  ApplyLanguage(ReadStoredLanguage());
  DeviceList::Hooks listHooks;
  listHooks.closeAuxiliaryWindows = [this] { CloseAuxWindows(); };
  listHooks.endKeyCapture = [this] { HandleMessage(UWM_KEY_CAPTURE, 0, 0); };
  listHooks.synchroPossible = [this](bool possible) {
    if (possible) return;
    for (CKestravaUSBDevice* d : families_.All()) families_.SetSyncLighting(d, false);
  };
  deviceList_ = std::make_unique<DeviceList>(Root(), std::move(listHooks));
  ProfileFlows::Host profileHost;
  profileHost.owner = this;
  profileHost.currentDevice = [this] { return CurrentDevice(); };
  profileHost.panelOf = [this](CKestravaUSBDevice* device) -> CDeviceProfileUI* {
    DeviceBlock* block = BlockOf(device);
    return block ? FindControlAs<CDeviceProfileUI>(block->page.data(),
                                                   QStringLiteral("DeviceProfileItem"))
                 : nullptr;
  };
  profileHost.dpi = [this] { return dpiValue_; };
  profileHost.openFile = options_.openFile;
  profileHost.saveFile = options_.saveFile;
  profileFlows_ = std::make_unique<ProfileFlows>(std::move(profileHost));
  KeyAssignFlows::Host keyHost;
  keyHost.owner = this;
  keyHost.currentDevice = [this] { return CurrentDevice(); };
  keyHost.panelOf = [this](CKestravaUSBDevice* device) -> CKeySetControlUI* {
    DeviceBlock* block = BlockOf(device);
    return block ? FindControlAs<CKeySetControlUI>(block->page.data(),
                                                   QStringLiteral("KeySetControlItem"))
                 : nullptr;
  };
  keyHost.dpi = [this] { return dpiValue_; };
  keyFlows_ = std::make_unique<KeyAssignFlows>(std::move(keyHost));
  MacroFlows::Host macroHost;
  macroHost.owner = this;
  macroHost.currentDevice = [this] { return CurrentDevice(); };
  macroHost.panelOf = [this](CKestravaUSBDevice* device) -> CMacroControlUI* {
    DeviceBlock* block = BlockOf(device);
    return block ? FindControlAs<CMacroControlUI>(block->page.data(),
                                                  QStringLiteral("MacroControlItem"))
                 : nullptr;
  };
  macroHost.keyPanelOf = [this](CKestravaUSBDevice* device) -> CKeySetControlUI* {
    DeviceBlock* block = BlockOf(device);
    return block ? FindControlAs<CKeySetControlUI>(block->page.data(),
                                                   QStringLiteral("KeySetControlItem"))
                 : nullptr;
  };
  macroHost.dpi = [this] { return dpiValue_; };
  macroHost.openFile = options_.openFile;
  macroHost.saveFile = options_.saveFile;
  macroHost.lockForRecording = [this](bool recording) { LockForRecording(recording); };
  macroHost.awake = [this] { return awake_.load(); };
  macroHost.downloadKeys = [this] { return keyFlows_ && keyFlows_->Download(); };
  macroHost.beforeInstall = [this](QWidget* stopButton) {
    if (desktopInput_) desktopInput_->SetPassThrough(stopButton);
  };
  macroHost.inputRefused = [this] { return desktopInput_ && desktopInput_->DevicesRefused(); };
  macroFlows_ = std::make_unique<MacroFlows>(std::move(macroHost));
  SetUpInputCapture();
  scanner_ = std::make_unique<DeviceScanner>(options_.backend, this, UWM_INSTANCE_MSG);
  discovery_ = std::make_unique<DeviceDiscovery>(*this, scanner_->Table(), families_);
  discovery_->PreCreate();
  hide();
  if (options_.startWorkers) StartWorkers();
  QTimer::singleShot(100, this, [this] { OnTimer(1011); });
}

void CMainWnd::SetUpInputCapture() {
  if (options_.scriptedInput) {
    macroFlows_->SetSources(&scriptedInput_, &scriptedInput_);
    return;
  }
  desktopInput_ = std::make_unique<DesktopInputSource>(this);
  macroFlows_->SetSources(desktopInput_.get(), desktopInput_.get());
}

void CMainWnd::LockForRecording(bool recording) {
  SetEnabled(FindControl(QStringLiteral("device_select_layout")), !recording);
  DeviceBlock* block = BlockOf(CurrentDevice());
  if (!block || !block->page) return;
  for (const char* name : {"DeviceProfileItem", "KeySetControlItem"}) {
    SetEnabled(qv::ui::FindControl(block->page.data(), QString::fromLatin1(name)), !recording);
  }
}

void CMainWnd::BringForward() {
  UpdateNoDeviceNotice();
  // The arrivals of a hidden start's first scan pass leave the window where it is.
  if (options_.startHidden) return;
  TellDevicesShown(true);
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
  Q_EMIT BroughtForward();
}

void CMainWnd::UpdateNoDeviceNotice() {
  SetVisible(FindControl(QStringLiteral("No_device_Link")), !AnyEntryVisible());
}

void CMainWnd::PlaceForDpi() {
  const bool wasVisible = isVisible() && !isMinimized();
  if (!wasVisible) setWindowState(windowState() & ~Qt::WindowMinimized);
  QSize screenSize;
  if (options_.screenSize) {
    screenSize = options_.screenSize();
  } else if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
    screenSize = s->geometry().size();
  }
  dpiValue_ = ChooseDpi(screenSize.width(), screenSize.height());
  SetDpi(100);
  SetBaseSize(QSize(kPlacedWidth, kPlacedHeight));
  SetDpi(dpiValue_ * 100 / 96);
  ScaleFonts(this);
  ScaleGeometry(this);
  CenterWindow();
  setVisible(wasVisible);
}

void CMainWnd::ScaleFonts(QWidget* top) {
  // Controls polished by a style sheet do not take their window's font any more: each is scaled
  // from the size it had at 96.
  for (QWidget* child : top->findChildren<QWidget*>()) {
    QVariant base = child->property("qv_base_point_size");
    if (!base.isValid()) {
      if (child->font().pointSizeF() <= 0) continue;
      base = child->font().pointSizeF();
      child->setProperty("qv_base_point_size", base);
    }
    QFont scaled = child->font();
    scaled.setPointSizeF(base.toReal() * dpiValue_ / 96.0);
    child->setFont(scaled);
  }
}

namespace {

QSize ScaledLimit(QSize base, int dpi) {
  auto scale = [dpi](int v) { return v >= QWIDGETSIZE_MAX ? v : v * dpi / 96; };
  return {scale(base.width()), scale(base.height())};
}

}  // namespace

void CMainWnd::ScaleGeometry(QWidget* top) {
  // Each widget is scaled from what it had at 96, so placing twice does not compound.
  for (QWidget* child : top->findChildren<QWidget*>()) {
    const bool panel = qobject_cast<CSelectPanelUI*>(child) != nullptr;
    if (panel || child->property("qv_dpi_limits").toBool()) {
      if (!child->property("qv_base_min").isValid()) {
        child->setProperty("qv_base_min", child->minimumSize());
        child->setProperty("qv_base_max", child->maximumSize());
      }
      child->setMinimumSize(ScaledLimit(child->property("qv_base_min").toSize(), dpiValue_));
      child->setMaximumSize(ScaledLimit(child->property("qv_base_max").toSize(), dpiValue_));
    }
    if (qobject_cast<CSelectPanelUI*>(child->parentWidget()) && !child->objectName().isEmpty()) {
      // Keys and plates are placed by their coordinates, not by a layout.
      if (!child->property("qv_base_geometry").isValid()) {
        child->setProperty("qv_base_geometry", child->geometry());
      }
      const QRect base = child->property("qv_base_geometry").toRect();
      child->setGeometry(base.x() * dpiValue_ / 96, base.y() * dpiValue_ / 96,
                         base.width() * dpiValue_ / 96, base.height() * dpiValue_ / 96);
    }
  }
}

void CMainWnd::TellDevicesShown(bool shown) {
  (void)shown;  // the device objects' window-shown operation belongs to the device base
}

void CMainWnd::TellDevicesInUse() {
  // The in-use flag of the device objects is read by their host effects; not kept in the base
  // yet, so only the window's flag changes here.
}

void CMainWnd::HideToTray() {
  if (HasTray()) {
    hide();
  } else {
    showMinimized();  // the taskbar is the only way back
  }
  TellDevicesShown(false);
}

void CMainWnd::CloseAuxWindows() {
  if (settingsWnd_) settingsWnd_->close();
  if (auto* about = qobject_cast<CAboutWnd*>(aboutWnd_.data())) about->Close(0);
}

void CMainWnd::OnTrayLeftClick() {
  if (!AnyEntryVisible()) {
    SetVisible(FindControl(QStringLiteral("No_device_Link")), true);
  } else if (firmwareGate_) {
    SetVisible(FindControl(QStringLiteral("No_device_Link")), false);
  }
  CloseAuxWindows();
  if (isVisible() && !isMinimized()) {
    HideToTray();
    return;
  }
  show();
  PlaceForDpi();
  show();
  setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
  TellDevicesShown(true);
}

void CMainWnd::OnMenuCommand(const QString& itemName) {
  if (itemName == QLatin1String("exit")) {
    CloseAuxWindows();
    Close(0);
  } else if (itemName == QLatin1String("setwnd_menu")) {
    OpenSettings(false);
  } else if (itemName == QLatin1String("about_menu")) {
    OpenAbout();
  } else {
    if (macroFlows_) macroFlows_->OnMenuItem(itemName);
    Q_EMIT Routed(RouteOwner::kMacroEditor, itemName, 0);
  }
}

void CMainWnd::OpenSettings(bool besideMainWindow) {
  if (settingsWnd_) return;
  CSetWnd::Hooks hooks;
  hooks.languageChosen = [this](int index) {
    HandleMessage(UWM_LANGUAGE_CHANGED, static_cast<uintptr_t>(index), 0);
  };
  auto* wnd = new CSetWnd(this, std::move(hooks));
  wnd->setAttribute(Qt::WA_DeleteOnClose);
  if (!wnd->CreateSettings()) {
    delete wnd;
    return;
  }
  wnd->SetDpiValue(dpiValue_);
  wnd->SetLanguageIndex(languageIndex_);
  fonts_.Apply(wnd);
  if (besideMainWindow) {
    const QRect main = frameGeometry();
    wnd->move(main.right() - wnd->width() - 30 * dpiValue_ / 96, main.top() + 60 * dpiValue_ / 96);
  } else {
    wnd->CenterWindow();
  }
  settingsWnd_ = wnd;
  wnd->show();
  wnd->raise();
  wnd->activateWindow();
}

void CMainWnd::OpenAbout() {
  if (aboutWnd_) return;
  CAboutWnd wnd(this, options_.quit);
  if (!wnd.CreateAbout()) return;
  wnd.SetVersionText(QString::fromLatin1(qv::Models()[qv::Models().size() - 1].Version));
  fonts_.Apply(&wnd);
  aboutWnd_ = &wnd;
  wnd.CenterWindow();
  wnd.ShowModal();
  aboutWnd_ = nullptr;
}

void CMainWnd::TellSaveFailed(const QString& path, int code) {
  if (saveFailureTold_) return;
  saveFailureTold_ = true;
  const QString folder = QFileInfo(path).absolutePath();
  const char* reason = code == qv::kStoreOpenFailed    ? "save_reason_open_text"
                       : code == qv::kStoreWriteFailed ? "save_reason_write_text"
                                                       : "save_reason_replace_text";
  const QString text = CResourceManager::Text(QStringLiteral("save_failed_text"))
                           .arg(folder, CResourceManager::Text(QString::fromLatin1(reason)));
  // After the device's own work has returned to the event loop, never inside it.
  QTimer::singleShot(0, this,
                     [this, text] { ShowMessage(this, QString(), text, dpiValue_, 0, 0); });
}

QString CMainWnd::QueryControlText(const QString& id) const {
  (void)id;
  return {};
}

void CMainWnd::ApplyLanguage(int index) {
  if (index == languageIndex_) return;
  if (FontsRebuiltOnChange(languageIndex_, index)) {
    fonts_.Build(LanguageFace(index));
    fonts_.Apply(this);
  }
  languageIndex_ = index;
  const std::vector<LanguageEntry> entries = ReadLanguageConfig();
  if (index >= 0 && static_cast<size_t>(index) < entries.size()) {
    const LanguageEntry& entry = entries[static_cast<size_t>(index)];
    CResourceManager::SetLanguage(entry.name);
    CResourceManager::LoadLanguage(entry.file);
    CResourceManager::ReloadText();
    StoreLanguage(entry.id);
  }
  update();
  if (auto* settings = qobject_cast<CSetWnd*>(settingsWnd_.data())) {
    fonts_.Apply(settings);
    settings->OnLanguageChanged();
  }
  if (auto* about = qobject_cast<CAboutWnd*>(aboutWnd_.data())) {
    fonts_.Apply(about);
    about->OnLanguageChanged();
  }
  if (layout()) layout()->activate();
}

void CMainWnd::OnRegisteredMessage(quint32 id, qint64 wParam, qint64 lParam) {
  HandleMessage(id, static_cast<uintptr_t>(wParam), static_cast<intptr_t>(lParam));
  if (id == UWM_INSTANCE_MSG) Q_EMIT InstanceMessage(wParam, lParam);
}

intptr_t CMainWnd::Send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (shutdownDone_ || shutdownRunning_) return 0;
  if (QThread::currentThread() == thread()) return HandleMessage(message, wParam, lParam);
  struct Pending {
    std::mutex lock;
    std::condition_variable done;
    bool finished = false;
    intptr_t result = 0;
  };
  auto pending = std::make_shared<Pending>();
  QMetaObject::invokeMethod(
      this,
      [this, pending, message, wParam, lParam] {
        const intptr_t r = shutdownDone_ ? 0 : HandleMessage(message, wParam, lParam);
        std::lock_guard<std::mutex> hold(pending->lock);
        pending->result = r;
        pending->finished = true;
        pending->done.notify_all();
      },
      Qt::QueuedConnection);
  // Waiting in short steps lets a shutdown that waits for this thread release it.
  std::unique_lock<std::mutex> hold(pending->lock);
  while (!pending->finished) {
    if (shutdownRunning_ || shutdownDone_) return 0;
    pending->done.wait_for(hold, std::chrono::milliseconds(10));
  }
  return pending->result;
}

bool CMainWnd::Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (shutdownDone_) return false;
  return QMetaObject::invokeMethod(
      this,
      [this, message, wParam, lParam] {
        if (!shutdownDone_) HandleMessage(message, wParam, lParam);
      },
      Qt::QueuedConnection);
}

bool CMainWnd::PostTask(std::function<void()> task) {
  if (shutdownDone_ || !task) return false;
  return QMetaObject::invokeMethod(
      this,
      [this, task = std::move(task)] {
        if (!shutdownDone_) task();
      },
      Qt::QueuedConnection);
}

QWidget* CMainWnd::CreateControl(const QString& className, QWidget* parent) {
  for (const SubLayout& sub : kSubLayouts) {
    if (className.compare(QLatin1String(sub.className), Qt::CaseInsensitive) != 0) continue;
    return LoadLayout(QString::fromLatin1(sub.layout), parent,
                      [this](const QString& name, QWidget* p) { return CreateControl(name, p); });
  }
  return nullptr;
}

bool CMainWnd::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::WindowActivate:
      OnActivation(true);
      break;
    case QEvent::WindowDeactivate:
      OnActivation(false);
      break;
    case QEvent::Enter:
      OnHover(true);
      break;
    case QEvent::Leave:
      OnHover(false);
      break;
    default:
      break;
  }
  return CWindowBase::event(e);
}

void CMainWnd::closeEvent(QCloseEvent* event) {
  if (!ClosingWithCode()) {
    // A user's close keeps the program running in the tray, or minimised without one; only
    // "exit" ends it.
    event->ignore();
    CloseAuxWindows();
    HideToTray();
    return;
  }
  TraceText("退出测试");
  Shutdown();
  if (tray_) tray_->Remove();
  CWindowBase::closeEvent(event);
  QCoreApplication::exit(0);
}

}  // namespace qv::ui
