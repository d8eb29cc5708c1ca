// Base of every window of the program: a top-level widget built from a layout, with named
// notifications, centring, modal showing with a closing code, and a DPI scale.
//
// Create() loads the layout into the window and hooks its controls up; subclasses handle
// InitWindow() (layout loaded, not shown yet), Notify() (every notification of the window's
// controls) and CreateControl() (class names of their own layouts that the factory does not
// know). ShowModal() runs a nested event loop until Close(code) and returns that code; a close
// from the window manager gives code 0. The object is owned by whoever created it (no
// delete-on-close). Interface thread only.
#pragma once

#include <QEventLoop>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include "ui/notify_adapter.h"

namespace qv::ui {

class CWindowBase : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kIdOk = 1;

  explicit CWindowBase(QWidget* parent = nullptr);
  ~CWindowBase() override;

  // `size` empty: the layout's own size. False when the layout cannot be loaded.
  bool Create(const QString& layoutName, const QString& title, QSize size = QSize());

  QWidget* Root() const { return root_; }
  QWidget* FindControl(const QString& name) const;
  NotifyAdapter* Notifications() const { return adapter_; }

  // Centres the window on the available area of its screen.
  void CenterWindow();
  void ShowWindow(bool show = true);
  int ShowModal();
  void Close(int code = kIdOk);
  int CloseCode() const { return code_; }
  bool IsModal() const { return modalLoop_ != nullptr; }

  // Scale in percent of the layout size, 100..200 (values outside are clamped). 96 dpi is 100.
  void SetDpi(int percent);
  // The size at 100 percent that SetDpi scales from (the created size until changed).
  void SetBaseSize(QSize size) { baseSize_ = size; }
  int Dpi() const { return dpi_; }

 Q_SIGNALS:
  void Closed(int code);

 protected:
  virtual void InitWindow() {}
  virtual void Notify(const UiNotify& notify) { (void)notify; }
  virtual QWidget* CreateControl(const QString& className, QWidget* parent) {
    (void)className;
    (void)parent;
    return nullptr;
  }
  // True while Close(code) runs, so that subclasses can tell it from a user's close.
  bool ClosingWithCode() const { return closingWithCode_; }

  void closeEvent(QCloseEvent* event) override;

 private:
  NotifyAdapter* adapter_;
  QWidget* root_ = nullptr;
  QPointer<QEventLoop> modalLoop_;
  int code_ = 0;
  bool closingWithCode_ = false;
  QSize baseSize_;
  qreal basePointSize_ = 0;
  int dpi_ = 100;
};

}  // namespace qv::ui
