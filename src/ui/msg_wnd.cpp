#include "ui/msg_wnd.h"

#include <QKeyEvent>
#include <array>

#include "platform/trace.h"
#include "ui/control_ops.h"
#include "ui/language.h"

namespace qv::ui {

namespace {

constexpr std::array<int, 7> kDpiValues = {48, 72, 96, 120, 144, 168, 192};

std::function<int(const MessageRequest&)>& Handler() {
  static std::function<int(const MessageRequest&)> handler;
  return handler;
}

}  // namespace

bool IsKnownDpiValue(int dpi) {
  for (int value : kDpiValues) {
    if (value == dpi) return true;
  }
  return false;
}

CMsgWnd::CMsgWnd(QWidget* owner) : CWindowBase(owner) {
  setObjectName(QStringLiteral("MsgWnd"));
  setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
  setAttribute(Qt::WA_DeleteOnClose, false);
}

bool CMsgWnd::CreateBox() {
  return Create(QStringLiteral("XML_MSG"), QStringLiteral("msgwnd"));
}

void CMsgWnd::InitWindow() {
  closeButton_ = FindControl(QStringLiteral("closebtn"));
}

void CMsgWnd::SetTitle(const QString& title) {
  if (!title.isEmpty()) SetText(FindControl(QStringLiteral("MessageTitle")), title);
}

void CMsgWnd::SetMsg(const QString& text, bool isTextId) {
  if (text.isEmpty()) return;
  QWidget* message = FindControl(QStringLiteral("MessageText"));
  if (isTextId) {
    SetTextId(message, text);
  } else {
    SetPlainText(message, text);
  }
}

void CMsgWnd::SetDpiValue(int dpi) {
  if (!IsKnownDpiValue(dpi)) {
    TraceText("MSG_WND DPI SET ERROR");
    dpi = 96;
  }
  dpiValue_ = dpi;
  SetDpi(dpi * 100 / 96);
}

void CMsgWnd::SetButtons(int buttons) {
  SetVisible(FindControl(QStringLiteral("confirm_btn")), true);
  SetVisible(FindControl(QStringLiteral("cancel_btn")), buttons == 1);
}

void CMsgWnd::Notify(const UiNotify& notify) {
  if (notify.type != QLatin1String("click") || !notify.sender) return;
  const QString name = notify.sender->objectName();
  if (notify.sender == closeButton_) {
    Close(0);
  } else if (name.compare(QLatin1String("confirm_btn"), Qt::CaseInsensitive) == 0) {
    Close(1);
  } else if (name.compare(QLatin1String("cancel_btn"), Qt::CaseInsensitive) == 0) {
    Close(0);
  }
}

void CMsgWnd::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Close(0);
    return;
  }
  CWindowBase::keyPressEvent(event);
}

int ShowMessage(QWidget* owner, const QString& title, const QString& text, int dpi, int isTextId,
                int buttons) {
  if (Handler()) return Handler()({owner, title, text, dpi, isTextId == 1, buttons});
  CMsgWnd box(owner);
  if (!box.CreateBox()) {
    Trace("message box layout missing; message %s not shown", text.toUtf8().constData());
    return 0;
  }
  box.SetTitle(title);
  box.SetMsg(text, isTextId == 1);
  box.SetDpiValue(dpi);
  box.SetButtons(buttons);
  box.CenterWindow();
  return box.ShowModal() == 1 ? 1 : 0;
}

void SetMessageHandlerForTest(std::function<int(const MessageRequest&)> handler) {
  Handler() = std::move(handler);
}

}  // namespace qv::ui
