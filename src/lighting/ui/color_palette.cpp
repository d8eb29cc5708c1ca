#include "lighting/ui/color_palette.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "ui/notify_adapter.h"

CColorPaletteUI::CColorPaletteUI(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::CrossCursor);
  setMinimumSize(minimumSizeHint());
}

QColor CColorPaletteUI::FieldColor(double across, double down) {
  const double hue = std::clamp(across, 0.0, 1.0) * 359.0 / 360.0;
  down = std::clamp(down, 0.0, 1.0);
  // Upper half: white to the full colour; lower half: the full colour to black.
  if (down < 0.5)
    return QColor::fromHsvF(static_cast<float>(hue), static_cast<float>(down * 2), 1.0f);
  return QColor::fromHsvF(static_cast<float>(hue), 1.0f,
                          static_cast<float>(1.0 - (down - 0.5) * 2));
}

QRgb CColorPaletteUI::ColorAt(QPoint point) const {
  const double across = width() > 1 ? static_cast<double>(point.x()) / (width() - 1) : 0.0;
  const double down = height() > 1 ? static_cast<double>(point.y()) / (height() - 1) : 0.0;
  return FieldColor(across, down).rgb() | 0xFF000000u;
}

void CColorPaletteUI::SelectColor(QRgb color) {
  color_ = color | 0xFF000000u;
  const QColor c = QColor::fromRgb(color_);
  float h = 0, s = 0, v = 0;
  c.getHsvF(&h, &s, &v);
  if (h < 0) h = 0;  // greys have no hue
  // Brighter than it is saturated: the upper half; otherwise the lower.
  const double down = v >= 1.0f - 1e-3f || s < v ? s / 2.0 : 0.5 + (1.0 - v) / 2.0;
  marker_ = QPoint(static_cast<int>(std::lround(h * 360.0 / 359.0 * (width() - 1))),
                   static_cast<int>(std::lround(down * (height() - 1))));
  update();
}

void CColorPaletteUI::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  field_ = QImage();
  SelectColor(color_);
}

void CColorPaletteUI::paintEvent(QPaintEvent*) {
  if (field_.size() != size() && width() > 0 && height() > 0) {
    field_ = QImage(size(), QImage::Format_RGB32);
    for (int y = 0; y < height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(field_.scanLine(y));
      for (int x = 0; x < width(); ++x) line[x] = ColorAt(QPoint(x, y));
    }
  }
  QPainter p(this);
  p.drawImage(0, 0, field_);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(0, 0, 0, 160), 3));
  p.drawEllipse(marker_, 6, 6);
  p.setPen(QPen(Qt::white, 1.5));
  p.drawEllipse(marker_, 6, 6);
}

void CColorPaletteUI::Pick(QPoint point) {
  point.setX(std::clamp(point.x(), 0, std::max(0, width() - 1)));
  point.setY(std::clamp(point.y(), 0, std::max(0, height() - 1)));
  marker_ = point;
  color_ = ColorAt(point);
  update();
  qv::ui::SendNotify(this, QStringLiteral("colorchanged"));
}

void CColorPaletteUI::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Pick(event->position().toPoint());
}

void CColorPaletteUI::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) Pick(event->position().toPoint());
}
