// WindowInputSource: key and mouse-button events of the program's own windows, for when the
// desktop's input devices cannot be read, and to keep the keys and clicks of a recording from
// acting in the program while another source reports them.
//
// While started it grabs the keyboard and the mouse on one widget and filters every event of
// the application: key presses and releases and mouse-button presses and releases are
// swallowed (the lock keys still toggle: their state lives in the display server) and, unless
// delivery is off, reported synchronously on the interface thread. Wheel turns and context menu
// requests are swallowed too; pointer moves pass.
//
// Interface thread only.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <optional>

#include "platform/input_capture.h"

class QKeyEvent;
class QMouseEvent;

namespace qv::ui {

class WindowInputSource : public QObject, public qv::InputCaptureSource {
  Q_OBJECT

 public:
  // `grabWidget` receives the keyboard and mouse grab; without one nothing is grabbed and the
  // events are still filtered.
  explicit WindowInputSource(QWidget* grabWidget = nullptr, QObject* parent = nullptr);
  ~WindowInputSource() override;

  const char* Name() const override { return "window"; }
  bool Start(qv::InputHandler handler) override;
  void Stop() override;
  bool Started() const override { return started_; }

  // Takes effect at the next Start.
  void SetGrabWidget(QWidget* widget) { grabWidget_ = widget; }
  // False: grab and swallow only, reporting nothing.
  void SetDeliver(bool deliver) { deliver_ = deliver; }
  bool Deliver() const { return deliver_; }
  // Mouse buttons pressed over this widget (and their releases) are neither swallowed nor
  // reported, so that the control that ends a recording can still be clicked; the recorder would
  // drop that click anyway. Make it the grab widget as well: under the grab no other widget gets
  // mouse events at all.
  void SetPassThrough(QWidget* widget) { passThrough_ = widget; }

  // The key or mouse event a Qt event stands for; nullopt for anything else (auto-repeated
  // releases included: a held key reports presses only).
  static std::optional<qv::InputEvent> Translate(const QKeyEvent& event);
  static std::optional<qv::InputEvent> Translate(const QMouseEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Report(const qv::InputEvent& event);
  bool OverPassThrough(const QPoint& global) const;

  bool started_ = false;
  bool deliver_ = true;
  Qt::MouseButtons passing_;  // pressed over the pass-through widget, not yet released
  // The button event last let through: Qt hands it on to the widgets, through this filter
  // again, as copies with the same type, button and time.
  struct Passed {
    QEvent::Type type = QEvent::None;
    Qt::MouseButton button = Qt::NoButton;
    quint64 timestamp = 0;
    friend bool operator==(const Passed&, const Passed&) = default;
  };
  std::optional<Passed> lastPassed_;
  QPointer<QWidget> grabWidget_;
  QPointer<QWidget> grabbedWidget_;
  QPointer<QWidget> passThrough_;
  qv::InputHandler handler_;
};

}  // namespace qv::ui
