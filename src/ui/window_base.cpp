#include "ui/window_base.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/control_factory.h"
#include "ui/control_ops.h"

namespace qv::ui {

CWindowBase::CWindowBase(QWidget* parent)
    : QWidget(parent, Qt::Window), adapter_(new NotifyAdapter(this)) {
  connect(adapter_, &NotifyAdapter::Notified, this,
          [this](const UiNotify& notify) { Notify(notify); });
}

CWindowBase::~CWindowBase() {
  // Tearing the widget down moves focus and hides controls; none of that may reach Notify()
  // of an object that is half gone.
  delete adapter_;
  adapter_ = nullptr;
  if (modalLoop_) modalLoop_->exit(code_);
}

bool CWindowBase::Create(const QString& layoutName, const QString& title, QSize size) {
  if (root_) return false;
  root_ = LoadLayout(layoutName, this, [this](const QString& className, QWidget* parent) {
    return CreateControl(className, parent);
  });
  if (!root_) return false;
  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  box->addWidget(root_);
  adapter_->SetRoot(root_);
  adapter_->Attach(root_);
  setWindowTitle(title);
  baseSize_ = size.isValid() ? size : root_->size();
  basePointSize_ = font().pointSizeF();
  resize(baseSize_);
  InitWindow();
  return true;
}

QWidget* CWindowBase::FindControl(const QString& name) const {
  return qv::ui::FindControl(this, name);
}

void CWindowBase::CenterWindow() {
  QScreen* target = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!target) return;
  // The frame belongs to the size that is centred; it is known once the native window exists
  // (with some window managers only once it is shown, so callers centre again after showing).
  if (!testAttribute(Qt::WA_WState_Created)) create();
  // alignedRect, not QRect::center(), which is one pixel off for even sizes.
  const QRect area = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, frameGeometry().size(),
                                         target->availableGeometry());
  move(area.topLeft());
}

void CWindowBase::ShowWindow(bool show) {
  setVisible(show);
}

int CWindowBase::ShowModal() {
  if (modalLoop_) return -1;
  code_ = 0;
  setWindowModality(Qt::ApplicationModal);
  show();
  QEventLoop loop;
  modalLoop_ = &loop;
  QPointer<CWindowBase> self(this);
  // The loop's own result carries the code, so it survives a window deleted while modal.
  const int code = loop.exec(QEventLoop::DialogExec);
  if (!self) return code;
  modalLoop_ = nullptr;
  setWindowModality(Qt::NonModal);
  return code;
}

void CWindowBase::Close(int code) {
  closingWithCode_ = true;
  code_ = code;
  close();
  closingWithCode_ = false;
}

void CWindowBase::closeEvent(QCloseEvent* event) {
  if (!closingWithCode_) code_ = 0;
  event->accept();
  if (modalLoop_) modalLoop_->exit(code_);
  Q_EMIT Closed(code_);
}

void CWindowBase::SetDpi(int percent) {
  dpi_ = std::clamp(percent, 100, 200);
  if (!baseSize_.isValid()) baseSize_ = size();
  if (basePointSize_ <= 0) basePointSize_ = font().pointSizeF();
  resize(baseSize_ * dpi_ / 100);
  if (basePointSize_ > 0) {
    QFont scaled = font();
    scaled.setPointSizeF(basePointSize_ * dpi_ / 100.0);
    setFont(scaled);
  }
}

}  // namespace qv::ui
