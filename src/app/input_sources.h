// The desktop input the macro recorder listens to: the input devices themselves when the user
// may read them (recording then also sees keys pressed while another program has the focus),
// otherwise the program's own window. The window always takes the keyboard and mouse while a
// recording runs, so that its keys and clicks do not act in the program; only the control that
// ends the recording (the pass-through widget) still takes clicks.
//
// Interface thread only.
#pragma once

#include <QPointer>
#include <memory>

#include "platform/input_capture.h"
#include "platform/linux/evdev_input.h"
#include "ui/window_input_source.h"

class QWidget;

namespace qv::ui {

class DesktopInputSource : public InputCaptureSource {
 public:
  explicit DesktopInputSource(QWidget* window);
  ~DesktopInputSource() override;

  const char* Name() const override { return "desktop"; }
  bool Start(InputHandler handler) override;
  void Stop() override;
  bool Started() const override { return window_.Started(); }

  void SetPassThrough(QWidget* widget);
  // Whether the last Start read the input devices.
  bool ReadsDevices() const { return evdev_ && evdev_->Started(); }
  // The input devices exist but the user may not read them: the panel says how to allow it.
  bool DevicesRefused() const { return refused_; }

 private:
  QPointer<QWidget> windowWidget_;
  WindowInputSource window_;
  std::unique_ptr<EvdevInputSource> evdev_;
  bool refused_ = false;
};

}  // namespace qv::ui
