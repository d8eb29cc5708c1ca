#include "app/main_wnd.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QIcon>

#include "app/popup_menu.h"
#include "app/ui_resources.h"
#include "platform/qt/message_bus.h"
#include "platform/registered_messages.h"

namespace qv::ui {
namespace {

QString MessageName(uint32_t id) {
  const std::string_view name = RegisteredMessageName(id);
  return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

CMainWnd::CMainWnd(MessageBus* bus) : bus_(bus) {
  setObjectName(QStringLiteral("MainWnd"));
}

CMainWnd::~CMainWnd() {
  if (tray_) tray_->Remove();
}

bool CMainWnd::CreateMain() {
  if (!Create(QStringLiteral("XML_MAIN"), QStringLiteral("QV5307"), QSize(kWidth, kHeight))) {
    return false;
  }
  setWindowIcon(QIcon(UiResources::ResolvePath(QStringLiteral("qv5307.svg"))));
  return true;
}

void CMainWnd::InitWindow() {
  qDebug() << "InitWindow";
  const QIcon icon(UiResources::ResolvePath(QStringLiteral("qv5307.svg")));
  tray_ = std::make_unique<CTrayIcon>();
  if (tray_->Create(icon, QStringLiteral("QV5307"))) {
    trayMenu_ = LoadMenu(QStringLiteral("menu.xml"));
    if (trayMenu_) {
      connect(trayMenu_.get(), &QMenu::triggered, this,
              [this](QAction* action) { OnMenuCommand(action->objectName()); });
      tray_->SetMenu(trayMenu_.get());
    }
    connect(tray_.get(), &CTrayIcon::LeftClicked, this, [this] {
      if (isVisible() && !isMinimized()) {
        HideToTray();
      } else {
        BringForward();
      }
    });
  }
}

void CMainWnd::Notify(const UiNotify& notify) {
  if (notify.type != QLatin1String("timer")) {
    qDebug().noquote() << notify.type << (notify.sender ? notify.sender->objectName() : QString());
  }
  if (notify.type == QLatin1String("windowinit")) {
    if (bus_) bus_->PostBroadcast(MessageName(UWM_APP_STARTED_MSG), 1, 1);
    return;
  }
  if (notify.type == QLatin1String("click") && notify.sender) {
    const QString name = notify.sender->objectName();
    if (name == QLatin1String("closebtn")) {
      if (HasTray()) {
        HideToTray();
      } else {
        Close(0);
      }
    } else if (name == QLatin1String("minbtn")) {
      showMinimized();
    }
  }
}

void CMainWnd::OnMenuCommand(const QString& itemName) {
  if (itemName == QLatin1String("exit")) Close(0);
}

void CMainWnd::OnRegisteredMessage(quint32 id, qint64 wParam, qint64 lParam) {
  if (id == UWM_INSTANCE_MSG) {
    qDebug().noquote() << QString::asprintf("软件标示 %d，%llxd%llxd", static_cast<int>(id),
                                            static_cast<long long>(wParam),
                                            static_cast<long long>(lParam));
    BringForward();
    Q_EMIT InstanceMessage(wParam, lParam);
  }
}

void CMainWnd::BringForward() {
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void CMainWnd::HideToTray() {
  hide();
}

void CMainWnd::closeEvent(QCloseEvent* event) {
  if (!ClosingWithCode() && HasTray()) {
    // A user's close keeps the program in the tray; only "exit" ends it.
    event->ignore();
    HideToTray();
    return;
  }
  if (tray_) tray_->Remove();
  CWindowBase::closeEvent(event);
  QCoreApplication::exit(0);
}

}  // namespace qv::ui
