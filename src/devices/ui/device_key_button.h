// CDeviceKeyButtonUI: one key (or button) of a device page. It draws a keycap with its legend,
// then the key's light in the light's colour and alpha, then the key-set mark when the key's
// assignment differs from its factory function. A double click while enabled raises "dbclick".
//
// Layout properties: "lightimage" and "keysetimage" (skin images; without them the button
// draws its own light rim, shine-through legend and corner mark), "userdata" (e.g. "light_7":
// the light this key shows), "sublegend" (the small upper legend), "gmnametextcolor"
// (accepted, no effect). The button is not checkable: `Selected` is the selection panel's.
//
// In the global namespace: the meta-object class name is what layouts and look-ups compare.
// Interface thread only.
#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <cstdint>
#include <vector>

class CDeviceKeyButtonUI : public QAbstractButton {
  Q_OBJECT
  Q_PROPERTY(QString lightimage READ LightImage WRITE SetLightImage)
  Q_PROPERTY(QString keysetimage READ KeySetImage WRITE SetKeySetImage)
  Q_PROPERTY(QString userdata READ UserData WRITE SetUserData)
  Q_PROPERTY(QString sublegend READ SubLegend WRITE SetSubLegend)
  Q_PROPERTY(QString gmnametextcolor READ NameTextColor WRITE SetNameTextColor)

 public:
  explicit CDeviceKeyButtonUI(QWidget* parent = nullptr);

  // color: red + blue * 256 + green * 65536; alpha 0..255.
  void SetLightColor(uint32_t color, uint8_t alpha, bool shown);
  uint32_t LightColor() const { return lightColor_; }
  uint8_t LightAlpha() const { return lightAlpha_; }
  bool LightShown() const { return lightShown_; }
  // The colour value as a QColor (alpha left opaque).
  static QColor ColorOf(uint32_t color);

  void SetKeySetHidden(bool hidden);
  bool KeySetHidden() const { return keySetHidden_; }
  void SetSelected(bool selected);
  bool Selected() const { return selected_; }

  QString LightImage() const { return lightImage_; }
  void SetLightImage(const QString& file);
  QString KeySetImage() const { return keySetImage_; }
  void SetKeySetImage(const QString& file);
  QString UserData() const { return userData_; }
  void SetUserData(const QString& value) { userData_ = value; }
  QString SubLegend() const { return subLegend_; }
  void SetSubLegend(const QString& legend);
  QString NameTextColor() const { return nameTextColor_; }
  void SetNameTextColor(const QString& color) { nameTextColor_ = color; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // What each cached layer was drawn for; a layer is drawn again when its state changes.
  struct BaseState {
    QSize size;
    qreal dpr = 0;
    bool down = false;
    bool hover = false;
    bool enabled = false;
    QString text;
    QString subLegend;
    QFont font;
    int backdrop = -1;  // the panel's backdrop generation; -1: drawn without one
    QRect geometry;
    bool operator==(const BaseState&) const = default;
  };
  struct MarkState {
    QSize size;
    qreal dpr = 0;
    bool keySetHidden = true;
    bool selected = false;
    QString keySetImage;
    bool operator==(const MarkState&) const = default;
  };
  struct LightShape {
    QSize size;
    qreal dpr = 0;
    QString text;
    QString subLegend;
    QFont font;
    QString lightImage;
    bool operator==(const LightShape&) const = default;
  };

  QPixmap NewLayer(qreal dpr) const;
  QImage NewImage(qreal dpr) const;
  QRectF CapRect() const;
  // The cap with its legends.
  const QImage& CachedBase(qreal dpr) const;
  // The key-set mark and the selection frame.
  const QPixmap& CachedMarks(qreal dpr) const;
  // The cap with the light in its colour and strength over it, coloured again only when one of
  // them changes.
  const QImage& LitImage(qreal dpr) const;
  void BuildLightMask(qreal dpr) const;
  void PaintCap(QPainter& p, const QRectF& cap) const;
  void PaintLegends(QPainter& p, const QRectF& cap, const QColor& color) const;
  void PaintKeySetMark(QPainter& p, const QRectF& cap) const;

  QString lightImage_;
  QString keySetImage_;
  QImage lightPicture_;
  QImage keySetPicture_;
  QString userData_;
  QString subLegend_;
  QString nameTextColor_;
  uint32_t lightColor_ = 0;
  uint8_t lightAlpha_ = 0;
  bool lightShown_ = false;
  bool keySetHidden_ = true;
  bool selected_ = false;

  mutable BaseState baseState_;
  mutable QImage base_;
  mutable int baseVersion_ = 0;  // counts redraws of base_
  mutable MarkState markState_;
  mutable QPixmap marks_;
  mutable LightShape lightShape_;
  // A pixel the light covers: its index and its glow and legend coverage.
  struct LitPixel {
    uint32_t index;
    uint8_t glow;
    uint8_t legend;
  };
  mutable std::vector<LitPixel> litPixels_;
  // A covered pixel at the current strength over the current cap: its index, the cap's part
  // that shows through, and the legend and glow alphas.
  struct LitBlend {
    uint32_t index;
    uint32_t cap;
    uint8_t legend;
    uint8_t under;
  };
  mutable std::vector<LitBlend> litBlend_;
  mutable int litStrength_ = -1;  // the strength litBlend_ was made for
  mutable int litPrepared_ = -1;  // the base_ version litBlend_ was made for
  mutable QImage lit_;
  mutable uint64_t litColor_ = ~uint64_t{0};  // colour and alpha lit_ holds
  mutable int litBase_ = -1;                  // the base_ version lit_ was made from
};
