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
#include <QImage>
#include <QString>

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
  void PaintCap(QPainter& p, const QRectF& cap) const;
  void PaintLegends(QPainter& p, const QRectF& cap, const QColor& color) const;
  void PaintLight(QPainter& p, const QRectF& cap) const;
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
};
