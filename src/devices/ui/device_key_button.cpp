#include "devices/ui/device_key_button.h"

#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <functional>

#include "devices/ui/select_panel.h"
#include "ui/notify_adapter.h"
#include "ui/ui_resources.h"

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

// a × b ÷ 255, rounded, for bytes.
inline unsigned Mul255(unsigned a, unsigned b) {
  const unsigned t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}

// Each byte of a premultiplied pixel × a ÷ 255, two bytes per product.
inline QRgb ByteMul(QRgb x, unsigned a) {
  uint32_t t = (x & 0xff00ffu) * a;
  t = (t + ((t >> 8) & 0xff00ffu) + 0x800080u) >> 8;
  t &= 0xff00ffu;
  x = ((x >> 8) & 0xff00ffu) * a;
  x = x + ((x >> 8) & 0xff00ffu) + 0x800080u;
  x &= 0xff00ff00u;
  return x | t;
}

QColor Mixed(const QColor& a, const QColor& b, qreal t) {
  return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                          a.greenF() + (b.greenF() - a.greenF()) * t,
                          a.blueF() + (b.blueF() - a.blueF()) * t);
}

// Per colour and strength: each coverage value scaled by the strength, and the premultiplied
// pixel of the light's colour and of its lightened legend colour at each alpha. Keys mostly
// share one colour, so the last tables are kept for the next key (interface thread only).
struct TintTables {
  uint64_t key = ~uint64_t{0};
  std::array<uint8_t, 256> strength{};
  std::array<uint32_t, 256> base{};
  std::array<uint32_t, 256> shine{};
};

const TintTables& TintTablesFor(uint32_t color, uint8_t alpha) {
  static TintTables t;
  const uint64_t key = (uint64_t{color} << 8) | alpha;
  if (t.key == key) return t;
  t.key = key;
  const QColor light = CDeviceKeyButtonUI::ColorOf(color);
  const QColor lit = Mixed(light, Qt::white, 0.3);
  const unsigned br = static_cast<unsigned>(light.red());
  const unsigned bg = static_cast<unsigned>(light.green());
  const unsigned bb = static_cast<unsigned>(light.blue());
  const unsigned sr = static_cast<unsigned>(lit.red());
  const unsigned sg = static_cast<unsigned>(lit.green());
  const unsigned sb = static_cast<unsigned>(lit.blue());
  for (unsigned v = 0; v < 256; ++v) {
    t.strength[v] = static_cast<uint8_t>(Mul255(v, alpha));
    t.base[v] = (v << 24) | (Mul255(br, v) << 16) | (Mul255(bg, v) << 8) | Mul255(bb, v);
    t.shine[v] = (v << 24) | (Mul255(sr, v) << 16) | (Mul255(sg, v) << 8) | Mul255(sb, v);
  }
  return t;
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
  if (color == lightColor_ && alpha == lightAlpha_ && shown == lightShown_) return;
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
  // The cap, the light's shape and the marks are drawn once into caches; a paint only blits
  // them and colours the light, so that a streamed effect repainting every key at the
  // display's rate stays cheap.
  if (CSelectPanelUI::DrawingBackdrop()) return;
  const qreal dpr = devicePixelRatioF();
  QPainter p(this);
  const bool lit = lightShown_ && lightAlpha_ != 0;
  const QImage& face = lit ? LitImage(dpr) : CachedBase(dpr);
  // An opaque key's picture covers every pixel: a plain copy will do.
  if (baseState_.backdrop >= 0) p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(0, 0, face);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  if (!keySetHidden_ || selected_) p.drawPixmap(0, 0, CachedMarks(dpr));
}

QImage CDeviceKeyButtonUI::NewImage(qreal dpr) const {
  QImage layer(size() * dpr, QImage::Format_ARGB32_Premultiplied);
  layer.setDevicePixelRatio(dpr);
  layer.fill(Qt::transparent);
  return layer;
}

QPixmap CDeviceKeyButtonUI::NewLayer(qreal dpr) const {
  QPixmap layer(size() * dpr);
  layer.setDevicePixelRatio(dpr);
  layer.fill(Qt::transparent);
  return layer;
}

QRectF CDeviceKeyButtonUI::CapRect() const {
  return QRectF(rect()).adjusted(1.0, 1.0, -1.0, -1.0);
}

const QImage& CDeviceKeyButtonUI::CachedBase(qreal dpr) const {
  const bool hover = underMouse() && isEnabled();
  // An opaque key (see CSelectPanelUI) starts from what lies behind it.
  const auto* panel = qobject_cast<const CSelectPanelUI*>(parentWidget());
  const bool opaque =
      panel && testAttribute(Qt::WA_OpaquePaintEvent) && !panel->Backdrop().isNull();
  const BaseState state{size(),     dpr,         isDown(),
                        hover,      isEnabled(), text(),
                        subLegend_, font(),      opaque ? panel->BackdropGeneration() : -1,
                        geometry()};
  if (base_.isNull() || !(state == baseState_)) {
    baseState_ = state;
    base_ = NewImage(dpr);
    ++baseVersion_;
    QPainter p(&base_);
    if (opaque) {
      const QPixmap& backdrop = panel->Backdrop();
      const qreal k = backdrop.devicePixelRatio();
      const QRectF source(QPointF(pos()) * k, QSizeF(size()) * k);
      p.drawPixmap(QRectF(rect()), backdrop, source);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(font());
    PaintCap(p, CapRect());
    PaintLegends(p, CapRect(), isEnabled() ? kLegend : kLegend.darker(160));
  }
  return base_;
}

const QPixmap& CDeviceKeyButtonUI::CachedMarks(qreal dpr) const {
  const MarkState state{size(), dpr, keySetHidden_, selected_, keySetImage_};
  if (marks_.isNull() || !(state == markState_)) {
    markState_ = state;
    marks_ = NewLayer(dpr);
    QPainter p(&marks_);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (!keySetHidden_) PaintKeySetMark(p, CapRect());
    if (selected_) {
      p.setPen(QPen(kAccent, 2.0));
      p.setBrush(QColor(kAccent.red(), kAccent.green(), kAccent.blue(), 36));
      p.drawRoundedRect(CapRect().adjusted(1.0, 1.0, -1.0, -1.0), 6.0, 6.0);
    }
  }
  return marks_;
}

void CDeviceKeyButtonUI::BuildLightMask(qreal dpr) const {
  // Two coverage layers at full strength: the glow (or the skin's light image), which takes
  // the light's colour, and the legends shining through, which take it lightened.
  const QSize pixels = size() * dpr;
  auto coverage = [&](const std::function<void(QPainter&)>& draw) {
    QImage layer(pixels, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    {
      QPainter p(&layer);
      p.setRenderHint(QPainter::Antialiasing, true);
      p.setRenderHint(QPainter::TextAntialiasing, true);
      p.setFont(font());
      draw(p);
    }
    std::vector<uint8_t> alpha(static_cast<size_t>(pixels.width()) * pixels.height());
    for (int y = 0; y < pixels.height(); ++y) {
      const auto* line = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
      for (int x = 0; x < pixels.width(); ++x) {
        alpha[static_cast<size_t>(y) * pixels.width() + x] = static_cast<uint8_t>(qAlpha(line[x]));
      }
    }
    return alpha;
  };
  const QRectF cap = CapRect();
  const std::vector<uint8_t> glow = coverage([&](QPainter& p) {
    if (!lightPicture_.isNull()) {
      p.drawImage(cap, lightPicture_);
      return;
    }
    // The light shines under the cap's skirt ...
    QLinearGradient under(cap.topLeft(), cap.bottomLeft());
    under.setColorAt(0.0, QColor(255, 255, 255, 0));
    under.setColorAt(0.55, QColor(255, 255, 255, 0));
    under.setColorAt(1.0, QColor(255, 255, 255, qRound(0.85 * 255)));
    p.setPen(Qt::NoPen);
    p.setBrush(under);
    p.drawRoundedRect(cap, 7.0, 7.0);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, qRound(0.9 * 255)), 1.2));
    p.drawRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), 7.0, 7.0);
  });
  // ... and through its legends.
  const std::vector<uint8_t> legend =
      lightPicture_.isNull() ? coverage([&](QPainter& p) { PaintLegends(p, cap, Qt::white); })
                             : std::vector<uint8_t>(glow.size(), 0);
  // Only the pixels the light covers are coloured on each change; the rest stay transparent.
  litPixels_.clear();
  for (size_t i = 0; i < glow.size(); ++i) {
    if ((glow[i] | legend[i]) != 0)
      litPixels_.push_back({static_cast<uint32_t>(i), glow[i], legend[i]});
  }
  litColor_ = ~uint64_t{0};
  litStrength_ = -1;
}

const QImage& CDeviceKeyButtonUI::LitImage(qreal dpr) const {
  const QImage& base = CachedBase(dpr);
  const LightShape shape{size(), dpr, text(), subLegend_, font(), lightImage_};
  if (!(shape == lightShape_) || litPixels_.empty()) {
    lightShape_ = shape;
    BuildLightMask(dpr);
  }
  const uint64_t wanted = (uint64_t{lightColor_} << 8) | lightAlpha_;
  if (wanted == litColor_ && litBase_ == baseVersion_ && !lit_.isNull()) return lit_;
  if (litBase_ != baseVersion_ || lit_.size() != base.size()) {
    // The pixels the light does not cover are the cap's and stay as they are.
    lit_ = base.copy();
    litBase_ = baseVersion_;
  }
  litColor_ = wanted;
  if (litStrength_ != lightAlpha_ || litPrepared_ != litBase_) {
    // What depends on the strength and the cap but not on the colour, once per change of
    // either: the coverages at this strength and the part of the cap that shows through.
    litStrength_ = lightAlpha_;
    litPrepared_ = litBase_;
    litBlend_.resize(litPixels_.size());
    const auto* cap = reinterpret_cast<const QRgb*>(base.constBits());
    for (size_t i = 0; i < litPixels_.size(); ++i) {
      const LitPixel& px = litPixels_[i];
      const auto l = static_cast<uint8_t>(Mul255(px.legend, lightAlpha_));
      const auto under = static_cast<uint8_t>(Mul255(Mul255(px.glow, lightAlpha_), 255u - l));
      litBlend_[i] = {px.index, ByteMul(cap[px.index], 255u - (l + under)), l, under};
    }
  }
  const TintTables& t = TintTablesFor(lightColor_, lightAlpha_);
  auto* out = reinterpret_cast<QRgb*>(lit_.bits());
  for (const LitBlend& px : litBlend_) {
    // Premultiplied "legend over glow over cap": the three terms never carry into each other's
    // bytes, their alphas adding up to 255.
    out[px.index] = t.shine[px.legend] + t.base[px.under] + px.cap;
  }
  return lit_;
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
