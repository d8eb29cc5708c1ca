#include "app/input_sources.h"

#include <QCursor>
#include <QMetaObject>
#include <QPoint>
#include <QWidget>

namespace qv::ui {

DesktopInputSource::DesktopInputSource(QWidget* window) : windowWidget_(window), window_(window) {}

DesktopInputSource::~DesktopInputSource() {
  Stop();
}

void DesktopInputSource::SetPassThrough(QWidget* widget) {
  window_.SetPassThrough(widget);
  // Under the grab only the grab widget gets mouse events: the pass-through control is it.
  window_.SetGrabWidget(widget ? widget : windowWidget_.data());
}

bool DesktopInputSource::Start(InputHandler handler) {
  Stop();
  const auto availability = EvdevInputSource::Probe();
  refused_ = availability == EvdevInputSource::Availability::kNoPermission;
  bool devices = false;
  if (availability == EvdevInputSource::Availability::kAvailable) {
    QPointer<QWidget> context = windowWidget_;
    auto post = [context](std::function<void()> call) {
      if (!context) return;
      QMetaObject::invokeMethod(context.data(), std::move(call), Qt::QueuedConnection);
    };
    auto pointer = [] {
      const QPoint at = QCursor::pos();
      return std::make_pair(at.x(), at.y());
    };
    evdev_ = std::make_unique<EvdevInputSource>(std::move(post), std::move(pointer));
    devices = evdev_->Start(handler);
    if (!devices) evdev_.reset();
  }
  // With the devices read, the window only keeps the input from acting in the program.
  window_.SetDeliver(!devices);
  return window_.Start(std::move(handler));
}

void DesktopInputSource::Stop() {
  if (evdev_) {
    evdev_->Stop();
    evdev_.reset();
  }
  window_.Stop();
}

}  // namespace qv::ui
