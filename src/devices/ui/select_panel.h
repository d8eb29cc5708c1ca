// CSelectPanelUI: the container of a device page's key buttons that lets the user pick keys
// with a rubber band. A press inside the enabled panel arms it; moving while armed drags the
// band; the release selects every "DeviceKeyButton" child whose rectangle meets the band,
// unselects the others and raises "click_select_end". A press and release without a move
// changes nothing and raises nothing. Key buttons take their own presses, so a band starts on
// the panel's free area.
//
// Backdrop: the panel keeps a picture of what lies behind its keys (its own background and the
// frames under them, without the keys), drawn again after a show, resize or style change. Keys
// paint their rounded corners from it and so can be opaque: a key that changes colour repaints
// itself alone, not the gradients and frames of every widget under it.
//
// In the global namespace: the meta-object class name is what layouts and look-ups compare.
// Interface thread only.
#pragma once

#include <QFrame>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>

class CDeviceKeyButtonUI;

class CSelectPanelUI : public QFrame {
  Q_OBJECT

 public:
  explicit CSelectPanelUI(QWidget* parent = nullptr);

  bool Armed() const { return armed_; }
  bool Dragging() const { return dragging_; }
  // The last band, in panel coordinates (empty before the first drag).
  QRect SelectionRect() const { return selection_; }
  // The key buttons of the panel (also nested ones), in child order.
  QList<CDeviceKeyButtonUI*> KeyButtons() const;
  QList<CDeviceKeyButtonUI*> SelectedKeys() const;

  // The backdrop in panel coordinates (null until first drawn), and a number that changes each
  // time it is drawn again.
  const QPixmap& Backdrop() const { return backdrop_; }
  int BackdropGeneration() const { return backdropGeneration_; }
  // True while the backdrop is being drawn: keys paint nothing then.
  static bool DrawingBackdrop();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  class Band;

  bool armed_ = false;
  bool dragging_ = false;
  QPoint start_;
  QPoint current_;
  QRect selection_;
  Band* band_;

  void ScheduleBackdrop();
  void DrawBackdrop();
  QPixmap backdrop_;
  int backdropGeneration_ = 0;
  bool backdropScheduled_ = false;
  QPointer<QWidget> watchedWindow_;
};
