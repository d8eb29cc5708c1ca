// Shared by the device page and device list tests: a device object that counts the operations
// the interface drives, a main window sink that records what it is sent, a window that records
// notifications, and mouse event helpers.
#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <atomic>
#include <mutex>
#include <vector>

#include "devices/usb_device.h"
#include "platform/message_sink.h"
#include "ui/notify_adapter.h"

namespace qv::ui::test {

class CountingDevice : public qv::CKestravaUSBDevice {
 public:
  CountingDevice() {
    SetSleeper([](std::chrono::milliseconds) {});
  }
  ~CountingDevice() override { StopWorkers(); }

  void ReadAll() override { ++readAll; }
  void Resync() override { ++resync; }
  void ReadPowerStatus() override { ++readPower; }
  int IsWirelessLinked() override {
    ++linkQueries;
    return linked ? 1 : 0;
  }
  qv::TransactionResult SendColorFrame() override {
    ++frames;
    return framesReachPage ? CKestravaUSBDevice::SendColorFrame() : qv::kResultSuccess;
  }

  std::atomic<int> readAll{0};
  std::atomic<int> resync{0};
  std::atomic<int> readPower{0};
  std::atomic<int> linkQueries{0};
  std::atomic<int> frames{0};
  bool linked = true;
  bool framesReachPage = false;
};

class RecordingSink : public qv::MessageSink {
 public:
  struct Message {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
    bool operator==(const Message&) const = default;
  };
  intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    std::lock_guard<std::mutex> hold(lock);
    sent.push_back({message, wParam, lParam});
    return 1;
  }
  bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    return Send(message, wParam, lParam) != 0;
  }
  bool PostTask(std::function<void()> task) override {
    task();
    return true;
  }
  std::vector<Message> Sent() {
    std::lock_guard<std::mutex> hold(lock);
    return sent;
  }

  std::mutex lock;
  std::vector<Message> sent;
};

// A top-level widget whose controls raise named notifications, recorded in order.
class NotifyRecorder {
 public:
  explicit NotifyRecorder(QWidget* window) : adapter_(new NotifyAdapter(window)) {
    QObject::connect(adapter_, &NotifyAdapter::Notified,
                     [this](const UiNotify& notify) { seen.push_back(notify); });
  }
  void Attach(QWidget* root) { adapter_->Attach(root); }
  NotifyAdapter* Adapter() const { return adapter_; }
  int Count(const QString& type, const QWidget* sender = nullptr) const {
    int n = 0;
    for (const UiNotify& notify : seen) {
      if (notify.type == type && (!sender || notify.sender == sender)) ++n;
    }
    return n;
  }

  std::vector<UiNotify> seen;

 private:
  NotifyAdapter* adapter_;
};

inline void SendMouse(QWidget* target, QEvent::Type type, QPoint pos,
                      Qt::MouseButtons buttons = Qt::LeftButton) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

}  // namespace qv::ui::test
