#include "devices/ui/select_panel.h"

#include <QMouseEvent>
#include <QPainter>

#include "app/notify_adapter.h"
#include "devices/ui/device_key_button.h"

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
