#include "app/aux_windows.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QStackedWidget>

#include "app/languages.h"
#include "platform/trace.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/msg_wnd.h"

namespace qv::ui {

void FrameButtons::Find(const CWindowBase& window) {
  close = window.FindControl(QStringLiteral("closebtn"));
  max = window.FindControl(QStringLiteral("maxbtn"));
  restore = window.FindControl(QStringLiteral("restorebtn"));
  min = window.FindControl(QStringLiteral("minbtn"));
  menu = window.FindControl(QStringLiteral("menubtn"));
  later = window.FindControl(QStringLiteral("laterbtn"));
}

bool FrameButtons::ChangeState(QWidget* window, QWidget* sender) const {
  if (!sender) return false;
  if (sender == min) {
    window->showMinimized();
  } else if (sender == max) {
    window->showMaximized();
  } else if (sender == restore) {
    window->showNormal();
  } else {
    return false;
  }
  return true;
}

// ---- about ----------------------------------------------------------------------------------

CAboutWnd::CAboutWnd(QWidget* owner, std::function<void()> quit)
    : CWindowBase(owner), quit_(std::move(quit)) {
  setObjectName(QStringLiteral("AboutWnd"));
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
  if (!quit_) {
    quit_ = [] {
      QMetaObject::invokeMethod(
          QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };
  }
}

bool CAboutWnd::CreateAbout() {
  if (!Create(QStringLiteral("AboutWnd.xml"), QStringLiteral("  "), QSize(kWidth, kHeight))) {
    return false;
  }
  move(0, 0);
  return true;
}

void CAboutWnd::InitWindow() {
  frame_.Find(*this);
  ShowMaxState();
}

void CAboutWnd::SetVersionText(const QString& version) {
  version_ = version;
  // The id's text through the hidden label, then the version after it, as plain text.
  QWidget* probe = FindControl(QStringLiteral("text_test"));
  SetTextId(probe, QStringLiteral("software_rev_text"));
  SetPlainText(FindControl(QStringLiteral("software_ver_label")), Text(probe) + version);
}

void CAboutWnd::OnLanguageChanged() {
  CResourceManager::ReloadText(this);
  if (!version_.isEmpty()) SetVersionText(version_);
  update();
}

void CAboutWnd::Notify(const UiNotify& notify) {
  if (notify.type != QLatin1String("click") || !notify.sender) return;
  if (notify.sender == frame_.close) {
    Close(0);
  } else {
    frame_.ChangeState(this, notify.sender);
  }
  // "menubtn" and "homepage_btn" do nothing.
}

void CAboutWnd::closeEvent(QCloseEvent* event) {
  const bool systemClose = !ClosingWithCode();
  CWindowBase::closeEvent(event);
  // The window manager's close (Alt+F4) ends the whole program; the close button only the window.
  if (systemClose && quit_) quit_();
}

void CAboutWnd::changeEvent(QEvent* event) {
  CWindowBase::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) ShowMaxState();
}

void CAboutWnd::ShowMaxState() {
  const bool maximised = isMaximized();
  SetVisible(frame_.max, !maximised);
  SetVisible(frame_.restore, maximised);
}

// ---- settings -------------------------------------------------------------------------------

CSetWnd::CSetWnd(QWidget* owner, Hooks hooks) : CWindowBase(owner), hooks_(std::move(hooks)) {
  setObjectName(QStringLiteral("SetWnd"));
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
}

bool CSetWnd::CreateSettings() {
  return Create(QStringLiteral("setwnd.xml"), QStringLiteral("SetWnd"), QSize(kWidth, kHeight));
}

void CSetWnd::InitWindow() {
  frame_.Find(*this);
  resize(kWidth, kHeight);
}

void CSetWnd::SetLanguageIndex(int current) {
  language_ = current;
  FillLanguageCombo(FindControlAs<QComboBox>(this, QStringLiteral("Language_combox_info")),
                    current);
}

void CSetWnd::SetDpiValue(int dpi) {
  if (!IsKnownDpiValue(dpi)) {
    TraceText("SET_WND DPI SET ERROR");
    dpi = 96;
  }
  dpiValue_ = dpi;
  SetBaseSize(QSize(kWidth, kHeight));
  SetDpi(dpi * 100 / 96);
}

void CSetWnd::OnLanguageChanged() {
  CResourceManager::ReloadText(this);
  update();
}

void CSetWnd::EndUpdateWork() {
  if (hooks_.endUpdateWork) hooks_.endUpdateWork();
}

void CSetWnd::Notify(const UiNotify& notify) {
  if (!notify.sender) return;
  const QString name = notify.sender->objectName();
  if (notify.type == QLatin1String("itemselect") && name == QLatin1String("Language_combox_info")) {
    language_ = static_cast<int>(notify.wParam);
    if (hooks_.languageChosen) hooks_.languageChosen(language_);
    return;
  }
  if (notify.type != QLatin1String("click") || frame_.ChangeState(this, notify.sender)) return;
  if (notify.sender == frame_.close || (frame_.later && notify.sender == frame_.later)) {
    EndUpdateWork();
    Close(0);
  } else if (name == QLatin1String("set_in_update_wnd_btn")) {
    SetVisible(FindControl(QStringLiteral("update_tishi_layout")), false);
    resize(kWidth * Dpi() / 100, kHeight * Dpi() / 100);
  } else if (name == QLatin1String("update_fw_and_ap")) {
    SelectItem(FindControl(QStringLiteral("get_update_tab_layout")), 1);
  } else if (name == QLatin1String("update_OK_btn")) {
    // Starting the update is the update flow's; the frame shows its page.
    SetEnabled(FindControl(QStringLiteral("update_fw_and_ap")), false);
    SelectItem(FindControl(QStringLiteral("get_update_tab_layout")), 0);
  }
}

void CSetWnd::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    EndUpdateWork();
    Close(0);
    return;
  }
  CWindowBase::keyPressEvent(event);
}

void CSetWnd::closeEvent(QCloseEvent* event) {
  if (!ClosingWithCode()) EndUpdateWork();
  CWindowBase::closeEvent(event);
}

}  // namespace qv::ui
