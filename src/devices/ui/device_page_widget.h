// DevicePageWidget: the Qt side of a device object's page. It is the top widget of a device
// page layout ("KestravaKeyboardDevice", "KestravaMouseDevice", "CKestravaUSBDevice" in the
// layouts) and implements qv::DevicePageView for its device object, so that the device finds
// its key buttons and lights and shows colours without knowing Qt.
//
// Key buttons: the CDeviceKeyButtonUI children of "keyboard_device_key_light" when the page has
// it, else of the first CSelectPanelUI, in child order; they are controls 0..n-1. Other controls
// found by name get the next numbers.
//
// Notifications: HandleNotify hands a window notification on (signal PageNotified) only when
// its sender is found by name inside this page and is that very control, so that a control of
// another device's page with the same name is not taken for one of ours.
//
// Preview: the page tells its device whether its lights can be seen at all (the page is shown,
// in a window that is shown, exposed and not minimised), so that nothing computes or paints
// lights that nobody sees.
//
// Ownership: the device object is not owned (device objects live until shutdown); the page is
// owned by its Qt parent. SetDevice(nullptr) before a device goes away first.
// Threading: interface thread. ShowLight from another thread is queued to the interface thread.
#pragma once

#include <QFrame>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "devices/device_page_view.h"
#include "ui/notify_adapter.h"

class CDeviceKeyButtonUI;

namespace qv {
class CKestravaUSBDevice;
}

namespace qv::ui {

class DevicePageWidget : public QFrame, public qv::DevicePageView {
  Q_OBJECT

 public:
  explicit DevicePageWidget(QWidget* parent = nullptr);
  ~DevicePageWidget() override;

  // Loads a device page layout. Its top widget is the page when it is a DevicePageWidget;
  // otherwise it is wrapped in a new page. nullptr when the layout cannot be loaded.
  static DevicePageWidget* Load(const QString& layoutName, QWidget* parent);

  // Makes this page the device's page view (and forgets the previous device's).
  void SetDevice(qv::CKestravaUSBDevice* device);
  qv::CKestravaUSBDevice* Device() const { return device_; }

  // The key button of a control number, or nullptr.
  CDeviceKeyButtonUI* KeyButtonAt(int control) const;
  QWidget* ControlAt(int control) const;

  // True (and PageNotified raised) when the notification belongs to this page.
  bool HandleNotify(const UiNotify& notify);
  // Hands on every notification of a window's adapter that belongs to this page.
  void ListenTo(NotifyAdapter* adapter);

  // Text ids to texts for the key button texts ("Key_Set"); the id itself by default.
  void SetTextLookup(std::function<QString(const QString&)> lookup);

  // Whether the page's lights can be seen now (see the header comment).
  bool IsPreviewVisible() const;

  // qv::DevicePageView
  std::vector<PageControl> KeyButtonControls() const override;
  void ShowLight(int control, uint32_t color, uint8_t alpha) override;
  bool IsControlVisible(int control) const override;
  qv::ProfilePanelView* ProfilePanel() override;
  int FindControl(std::string_view name) override;
  void SelectPage(int control, int page) override;
  void ShowKeyTexts(int control, const std::string& factoryName,
                    const std::string& assignedName) override;
  void ShowSelected(int control, bool selected) override;
  void ShowValue(int control, int value) override;
  void ShowText(int control, const std::string& text) override;
  void ClearTextField(int control, const std::string& placeholder) override;
  // Through the page's hidden label "text_test" when it has one.
  std::string TranslatedText(std::string_view id) override;

 Q_SIGNALS:
  void PageNotified(const qv::ui::UiNotify& notify);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Tells the device whether the preview is visible, after the events that may change it.
  void UpdatePreview();
  void WatchWindow();

  // Collects the key buttons once; they are the first controls.
  void CollectKeys() const;
  QWidget* KeyContainer() const;

  qv::CKestravaUSBDevice* device_ = nullptr;
  mutable bool collected_ = false;
  mutable std::vector<QPointer<QWidget>> controls_;
  std::function<QString(const QString&)> lookup_;
  QPointer<QWidget> watchedWindow_;
  QPointer<QObject> watchedHandle_;
};

}  // namespace qv::ui
