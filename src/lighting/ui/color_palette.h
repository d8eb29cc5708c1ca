// CColorPaletteUI: the colour field of the palette dialog and the lighting panel. Hue runs
// across; downwards the colour goes from white through the full colour to black, so every
// colour of the lights (which have no alpha) can be picked in one field. A pick raises
// "colorchanged".
//
// In the global namespace: the meta-object class name is what layouts and look-ups compare.
// Interface thread only.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRgb>
#include <QWidget>

class CColorPaletteUI : public QWidget {
  Q_OBJECT

 public:
  explicit CColorPaletteUI(QWidget* parent = nullptr);

  // 0xAARRGGBB; the alpha is always 0xFF.
  QRgb Color() const { return color_; }
  // Shows `color` (its nearest place in the field) without raising "colorchanged".
  void SelectColor(QRgb color);
  // The colour at a point of the field, for tests and for the pick itself.
  QRgb ColorAt(QPoint point) const;

  QSize sizeHint() const override { return {280, 200}; }
  QSize minimumSizeHint() const override { return {120, 90}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Pick(QPoint point);
  // The field's colour at fractions (0..1) across and down.
  static QColor FieldColor(double across, double down);

  QImage field_;  // drawn once per size
  QRgb color_ = 0xFFFFFFFF;
  QPoint marker_;
};
