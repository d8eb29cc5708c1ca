#include "devices/ui/device_key_button.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "app/notify_adapter.h"
#include "app/ui_resources.h"

namespace {

// Keycap palette: dark caps on a darker plate, light grey legends, a red accent for selection
// and an amber corner mark for keys that carry another function.
const QColor kSkirtTop(0x25, 0x28, 0x30);
const QColor kSkirtBottom(0x14, 0x16, 0x1a);
const QColor kFaceTop(0x34, 0x38, 0x42);
const QColor kFaceBottom(0x26, 0x29, 0x31);
const QColor kEdge(0x0a, 0x0b, 0x0e);
const QColor kLegend(0x9a, 0x9f, 0xab);
const QColor kAccent(0xff, 0x3b, 0x4e);
const QColor kKeySetMark(0xff, 0xb0, 0x20);

QImage LoadSkinImage(const QString& file) {
  if (file.isEmpty()) return {};
  // Layout attributes may use the framework's "file='...'" form.
  QString name = file;
  if (name.startsWith(QLatin1String("file='")) && name.endsWith('\'')) {
    name = name.mid(6, name.size() - 7);
  }
  const QString path = qv::ui::UiResources::ResolvePath(name);
  return QFile::exists(path) ? QImage(path) : QImage();
}

// The image painted in one colour, keeping its shape (alpha).
QImage Tinted(const QImage& image, const QColor& color) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter p(&out);
  p.setCompositionMode(QPainter::CompositionMode_SourceIn);
  p.fillRect(out.rect(), color);
  return out;
}

QColor Mixed(const QColor& a, const QColor& b, qreal t) {
  return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                          a.greenF() + (b.greenF() - a.greenF()) * t,
                          a.blueF() + (b.blueF() - a.blueF()) * t);
}

// 1 for the 42 px cap the look was drawn for.
qreal CapScale(const QRectF& cap) {
  return std::clamp(cap.height() / 42.0, 0.6, 1.6);
}

}  // namespace

CDeviceKeyButtonUI::CDeviceKeyButtonUI(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
  setCursor(Qt::PointingHandCursor);
  setAttribute(Qt::WA_Hover, true);
  // The button raises its own "dbclick" (only while enabled and inside itself).
  setProperty("qv_own_dbclick", true);
}

QColor CDeviceKeyButtonUI::ColorOf(uint32_t color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 16) & 0xFF),
                static_cast<int>((color >> 8) & 0xFF));
}

void CDeviceKeyButtonUI::SetLightColor(uint32_t color, uint8_t alpha, bool shown) {
  lightColor_ = color;
  lightAlpha_ = alpha;
  lightShown_ = shown;
  update();
}

void CDeviceKeyButtonUI::SetKeySetHidden(bool hidden) {
  if (hidden == keySetHidden_) return;
  keySetHidden_ = hidden;
  update();
}

void CDeviceKeyButtonUI::SetSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  update();
}

void CDeviceKeyButtonUI::SetLightImage(const QString& file) {
  lightImage_ = file;
  lightPicture_ = LoadSkinImage(file);
  update();
}

void CDeviceKeyButtonUI::SetKeySetImage(const QString& file) {
  keySetImage_ = file;
  keySetPicture_ = LoadSkinImage(file);
  update();
}

void CDeviceKeyButtonUI::SetSubLegend(const QString& legend) {
  subLegend_ = legend;
  update();
}

QSize CDeviceKeyButtonUI::sizeHint() const {
  return {44, 44};
}

void CDeviceKeyButtonUI::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setRenderHint(QPainter::TextAntialiasing, true);
  const QRectF cap = QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0);
  // The button's own look first, then the light, then the key-set mark.
  PaintCap(p, cap);
  PaintLegends(p, cap, isEnabled() ? kLegend : kLegend.darker(160));
  if (lightShown_) PaintLight(p, cap);
  if (!keySetHidden_) PaintKeySetMark(p, cap);
  if (selected_) {
    p.setPen(QPen(kAccent, 2.0));
    p.setBrush(QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 36));
    p.drawRoundedRect(cap.adjusted(1.0, 1.0, -1.0, -1.0), 6.0, 6.0);
  }
}

void CDeviceKeyButtonUI::PaintCap(QPainter& p, const QRectF& cap) const {
  QLinearGradient skirt(cap.topLeft(), cap.bottomLeft());
  skirt.setColorAt(0.0, kSkirtTop);
  skirt.setColorAt(1.0, kSkirtBottom);
  p.setPen(QPen(kEdge, 1.0));
  p.setBrush(skirt);
  p.drawRoundedRect(cap, 7.0, 7.0);

  const QRectF face = cap.adjusted(3.5, 2.5, -3.5, -6.0);
  QColor top = kFaceTop;
  QColor bottom = kFaceBottom;
  if (isDown()) {
    top = top.darker(115);
    bottom = bottom.darker(115);
  } else if (underMouse() && isEnabled()) {
    top = top.lighter(118);
    bottom = bottom.lighter(112);
  }
  QLinearGradient faceFill(face.topLeft(), face.bottomLeft());
  faceFill.setColorAt(0.0, top);
  faceFill.setColorAt(1.0, bottom);
  p.setPen(QPen(QColor(255, 255, 255, 18), 1.0));
  p.setBrush(faceFill);
  p.drawRoundedRect(face, 5.0, 5.0);
}

void CDeviceKeyButtonUI::PaintLegends(QPainter& p, const QRectF& cap, const QColor& color) const {
  // Legends follow the key's size (pages lay keys out in different units), but never become
  // smaller than what stays readable.
  const qreal k = CapScale(cap);
  const QRectF face = cap.adjusted(6.0 * k, 4.0 * k, -6.0 * k, -8.0 * k);
  QFont font = p.font();
  font.setWeight(QFont::DemiBold);
  const QString legend = text();
  const bool word = legend.size() > 2;
  const int wordSize = std::max(9, qRound(10 * k));
  font.setPixelSize(word ? wordSize : std::max(11, qRound(13 * k)));
  p.setFont(font);
  p.setPen(color);
  if (subLegend_.isEmpty()) {
    p.drawText(face, (word ? Qt::AlignLeft | Qt::AlignBottom : Qt::AlignCenter), legend);
    return;
  }
  QFont small = font;
  small.setPixelSize(wordSize);
  p.setFont(small);
  p.drawText(face, Qt::AlignHCenter | Qt::AlignTop, subLegend_);
  p.setFont(font);
  p.drawText(face, Qt::AlignHCenter | Qt::AlignBottom, legend);
}

void CDeviceKeyButtonUI::PaintLight(QPainter& p, const QRectF& cap) const {
  if (lightAlpha_ == 0) return;
  const QColor base = ColorOf(lightColor_);
  const qreal strength = lightAlpha_ / 255.0;
  if (!lightPicture_.isNull()) {
    p.save();
    p.setOpacity(strength);
    p.drawImage(cap, Tinted(lightPicture_, base));
    p.restore();
    return;
  }
  // The light shines under the cap's skirt and through its legends.
  QColor glow = base;
  glow.setAlphaF(0.85 * strength);
  QColor clear = base;
  clear.setAlpha(0);
  QLinearGradient under(cap.topLeft(), cap.bottomLeft());
  under.setColorAt(0.0, clear);
  under.setColorAt(0.55, clear);
  under.setColorAt(1.0, glow);
  p.setPen(Qt::NoPen);
  p.setBrush(under);
  p.drawRoundedRect(cap, 7.0, 7.0);

  QColor rim = base;
  rim.setAlphaF(0.9 * strength);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(rim, 1.2));
  p.drawRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), 7.0, 7.0);

  QColor shine = Mixed(base, Qt::white, 0.3);
  shine.setAlphaF(strength);
  PaintLegends(p, cap, shine);
}

void CDeviceKeyButtonUI::PaintKeySetMark(QPainter& p, const QRectF& cap) const {
  if (!keySetPicture_.isNull()) {
    const QSizeF size = QSizeF(keySetPicture_.size()).scaled(cap.size(), Qt::KeepAspectRatio);
    p.drawImage(QRectF(cap.right() - size.width(), cap.top(), size.width(), size.height()),
                keySetPicture_);
    return;
  }
  const QRectF face = cap.adjusted(3.5, 2.5, -3.5, -6.0);
  QPainterPath corner;
  corner.moveTo(face.right() - 11.0, face.top());
  corner.lineTo(face.right() - 4.0, face.top());
  corner.quadTo(face.right(), face.top(), face.right(), face.top() + 4.0);
  corner.lineTo(face.right(), face.top() + 11.0);
  corner.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(kKeySetMark);
  p.drawPath(corner);
}

void CDeviceKeyButtonUI::mouseDoubleClickEvent(QMouseEvent* event) {
  QAbstractButton::mouseDoubleClickEvent(event);
  if (isEnabled() && rect().contains(event->position().toPoint())) {
    qv::ui::SendNotify(this, QStringLiteral("dbclick"));
  }
}
