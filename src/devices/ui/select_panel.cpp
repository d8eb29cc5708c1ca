#include "devices/ui/select_panel.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "devices/ui/device_key_button.h"
#include "ui/notify_adapter.h"

// The band is drawn by a child kept above the key buttons, which would otherwise cover it.
class CSelectPanelUI::Band : public QWidget {
 public:
  explicit Band(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    hide();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(0xff, 0x3b, 0x4e, 220), 1.0, Qt::DashLine));
    p.setBrush(QColor(0xff, 0x3b, 0x4e, 40));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3.0, 3.0);
  }
};

CSelectPanelUI::CSelectPanelUI(QWidget* parent) : QFrame(parent), band_(new Band(this)) {
  band_->setObjectName(QStringLiteral("qt_select_band"));
}

namespace {
bool g_drawingBackdrop = false;
}

bool CSelectPanelUI::DrawingBackdrop() {
  return g_drawingBackdrop;
}

bool CSelectPanelUI::event(QEvent* event) {
  const bool handled = QFrame::event(event);
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Resize:
    case QEvent::Move:
    case QEvent::StyleChange:
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
      ScheduleBackdrop();
      break;
    default:
      break;
  }
  return handled;
}

bool CSelectPanelUI::eventFilter(QObject* watched, QEvent* event) {
  // The window's own background may follow its size.
  if (watched == watchedWindow_ && event->type() == QEvent::Resize) ScheduleBackdrop();
  return QFrame::eventFilter(watched, event);
}

void CSelectPanelUI::ScheduleBackdrop() {
  if (backdropScheduled_) return;
  backdropScheduled_ = true;
  // After the layout has settled, and never from inside a paint.
  QTimer::singleShot(0, this, [this] {
    backdropScheduled_ = false;
    DrawBackdrop();
  });
}

void CSelectPanelUI::DrawBackdrop() {
  QWidget* top = window();
  if (top != watchedWindow_) {
    if (watchedWindow_) watchedWindow_->removeEventFilter(this);
    watchedWindow_ = top;
    if (top != this) top->installEventFilter(this);
  }
  if (!isVisible() || size().isEmpty()) return;
  const QList<CDeviceKeyButtonUI*> keys = KeyButtons();
  const qreal dpr = devicePixelRatioF();
  QPixmap picture(size() * dpr);
  picture.setDevicePixelRatio(dpr);
  picture.fill(Qt::transparent);
  // The window drawn over the panel's area with keys that paint nothing and hide nothing.
  for (CDeviceKeyButtonUI* key : keys) key->setAttribute(Qt::WA_OpaquePaintEvent, false);
  const bool bandShown = band_->isVisible();
  band_->setVisible(false);
  g_drawingBackdrop = true;
  const QRect area(mapTo(top, QPoint(0, 0)), size());
  top->render(&picture, QPoint(), QRegion(area),
              QWidget::DrawWindowBackground | QWidget::DrawChildren);
  g_drawingBackdrop = false;
  band_->setVisible(bandShown);
  backdrop_ = picture;
  ++backdropGeneration_;
  for (CDeviceKeyButtonUI* key : keys) {
    key->setAttribute(Qt::WA_OpaquePaintEvent, key->parentWidget() == this);
    key->update();
  }
}

QList<CDeviceKeyButtonUI*> CSelectPanelUI::KeyButtons() const {
  return findChildren<CDeviceKeyButtonUI*>();
}

QList<CDeviceKeyButtonUI*> CSelectPanelUI::SelectedKeys() const {
  QList<CDeviceKeyButtonUI*> keys;
  for (CDeviceKeyButtonUI* key : KeyButtons()) {
    if (key->Selected()) keys << key;
  }
  return keys;
}

void CSelectPanelUI::mousePressEvent(QMouseEvent* event) {
  QFrame::mousePressEvent(event);
  if (!isEnabled()) return;
  armed_ = true;
  dragging_ = false;
  start_ = event->position().toPoint();
  current_ = start_;
}

void CSelectPanelUI::mouseMoveEvent(QMouseEvent* event) {
  QFrame::mouseMoveEvent(event);
  if (!armed_) return;
  dragging_ = true;
  current_ = event->position().toPoint();
  selection_ = QRect(start_, current_).normalized();
  band_->setGeometry(selection_);
  band_->raise();
  band_->show();
}

void CSelectPanelUI::mouseReleaseEvent(QMouseEvent* event) {
  QFrame::mouseReleaseEvent(event);
  const bool wasDragging = armed_ && dragging_;
  armed_ = false;
  dragging_ = false;
  band_->hide();
  if (!wasDragging) return;
  for (CDeviceKeyButtonUI* key : KeyButtons()) {
    const QRect place(key->mapTo(this, QPoint(0, 0)), key->size());
    key->SetSelected(place.intersects(selection_));
  }
  update();
  qv::ui::SendNotify(this, QStringLiteral("click_select_end"));
}
