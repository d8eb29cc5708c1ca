// Program entry: private fonts, the single instance, the interface resources and control
// classes, the main window and the event loop; then everything is undone in reverse order.
// Always ends with 0.
//
// Two environment settings let tests drive a real start without a person:
//   QV5307_QUIT_AFTER_MS     end the event loop after this many milliseconds;
//   QV5307_QUIT_ON_INSTANCE  end shortly after a second start handed over.
// QV5307_SIMULATE attaches a simulated keyboard instead of the real devices (sim_control.h).
// QV5307_START_HIDDEN (set by the autostart entry) leaves the window in the tray at start.
// QV5307_REPORT_STARTUP prints "first-window <ns>" on standard output when the window is first
// on the screen (CLOCK_MONOTONIC), for the benchmarks.
#include <time.h>

#include <QApplication>
#include <QDebug>
#include <QEvent>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <memory>

#include "app/desktop_integration.h"
#include "app/main_wnd.h"
#include "app/register_controls.h"
#include "app/sim_control.h"
#include "platform/qt/log.h"
#include "platform/qt/message_bus.h"
#include "platform/registered_messages.h"
#include "ui/app_fonts.h"
#include "ui/control_factory.h"
#include "ui/ui_resources.h"

using qv::ui::MessageBus;

namespace {

// True when this process should go on as the running instance.
bool TakeInstance(MessageBus& bus) {
  MessageBus::ClaimResult claim = bus.ClaimInstance();
  if (claim != MessageBus::ClaimResult::kTaken) return true;
  if (bus.HandOver() != MessageBus::HandOverResult::kOwnerGone) return false;
  // The running instance ended between our claim and the hand-over: take its place.
  return bus.ClaimInstance() != MessageBus::ClaimResult::kTaken;
}

// Prints the moment the window is first exposed after it was brought forward, then goes.
class StartupReporter : public QObject {
 public:
  explicit StartupReporter(qv::ui::CMainWnd& window) : QObject(&window), window_(window) {
    connect(&window, &qv::ui::CMainWnd::BroughtForward, this, [this] {
      QWindow* handle = window_.windowHandle();
      if (handle == nullptr || watching_) return;
      watching_ = true;
      if (handle->isExposed()) {
        Report();
      } else {
        handle->installEventFilter(this);
      }
    });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && window_.windowHandle()->isExposed()) {
      watched->removeEventFilter(this);
      QTimer::singleShot(0, this, [this] { Report(); });
    }
    return false;
  }

 private:
  void Report() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("first-window %lld\n",
                static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    std::fflush(stdout);
    deleteLater();
  }

  qv::ui::CMainWnd& window_;
  bool watching_ = false;
};

void ApplyTestOptions(qv::ui::CMainWnd& window) {
  bool ok = false;
  const int quitAfter = qEnvironmentVariableIntValue("QV5307_QUIT_AFTER_MS", &ok);
  if (ok && quitAfter > 0) QTimer::singleShot(quitAfter, &window, [&window] { window.Close(0); });
  if (qEnvironmentVariableIsSet("QV5307_QUIT_ON_INSTANCE")) {
    QObject::connect(&window, &qv::ui::CMainWnd::InstanceMessage, &window, [&window] {
      QTimer::singleShot(100, &window, [&window] { window.Close(0); });
    });
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("QV5307"));
  qv::SetUpLogging();

  qv::ui::AppFonts fonts;
  fonts.Load(qv::ui::UiResources::InstallFolder());

  qCDebug(lcUi).noquote() << QString::asprintf("软件标示：%d",
                                               static_cast<int>(qv::UWM_INSTANCE_MSG));
  if (!qv::IsRegisteredMessage(qv::UWM_INSTANCE_MSG)) {
    fonts.Unload();
    return 0;
  }

  auto bus = std::make_unique<MessageBus>();
  if (!TakeInstance(*bus)) {
    qCDebug(lcUi) << "QV5307 is already running; handed over to it";
    bus.reset();
    fonts.Unload();
    return 0;
  }
  const bool haveBus = bus->HasBus();

  qv::ui::UiResources::LoadResourceMap();
  qv::ui::RegisterSystemControls();

  // Before any channel exists, so that every channel uses the simulated devices.
  std::unique_ptr<qv::ui::SimulatorControl> simulator = qv::ui::SimulatorControl::FromEnvironment();
  qv::ui::CMainWnd::Options options;
  options.startHidden = qv::ui::StartHiddenRequested();
  if (simulator) {
    qv::SetDefaultHidBackend(&simulator->Backend());
    options.backend = &simulator->Backend();
    qCDebug(lcUi) << "QV5307: simulated keyboard attached; commands on standard input";
  }

  auto window = std::make_unique<qv::ui::CMainWnd>(haveBus ? bus.get() : nullptr, options);
  std::unique_ptr<qv::ui::DesktopIntegration> desktop;
  if (window->CreateMain()) {
    if (simulator) {
      simulator->AddMenu(window->TrayMenu());
      simulator->ListenOnStdin();
      qv::ui::CMainWnd* main = window.get();
      simulator->SetHostEffectHandler([main](qv::HostEffect effect) {
        for (qv::CKestravaUSBDevice* d : main->Families().All()) {
          if (d->GetTypeCode() == qv::kTypeKeyboard) d->SetHostEffect(effect);
        }
      });
    }
    if (qEnvironmentVariableIsSet("QV5307_REPORT_STARTUP")) new StartupReporter(*window);
    QObject::connect(bus.get(), &MessageBus::MessageArrived, window.get(),
                     &qv::ui::CMainWnd::OnRegisteredMessage);
    QApplication::setQuitOnLastWindowClosed(!window->HasTray());
    ApplyTestOptions(*window);
    qv::ui::DesktopIntegration::Options desktopOptions;
    desktopOptions.checkPermissions = simulator == nullptr;
    desktop = std::make_unique<qv::ui::DesktopIntegration>(*window, std::move(desktopOptions));
    desktop->Start();
    // Showing runs the window's initialisation, which hides it again until the first device
    // scan has passed.
    window->show();
    app.exec();
  } else {
    qCWarning(lcUi) << "main layout missing; ending";
  }

  desktop.reset();
  window.reset();
  if (simulator) qv::SetDefaultHidBackend(nullptr);
  simulator.reset();
  qv::ui::UiResources::Release();
  qv::ui::ControlFactory::Instance().Clear();
  bus->ReleaseInstance();
  bus.reset();
  fonts.Unload();
  return 0;
}
