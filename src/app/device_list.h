// DeviceList: the main window's operations on its device list, the entries (CDeviceOptionUI)
// in the container "device_select_layout". Entry i is the i-th entry in that container. The
// list switches the page container ("device_switch") and the power container
// ("device_power_switch") named by each entry, shows "No_device_Link" while no entry is
// visible, and keeps the synchronised-lighting choice consistent.
//
// What belongs to other parts of the main window comes in as callbacks: closing the auxiliary
// windows, ending a key capture, telling the devices whether synchronised lighting is possible.
//
// Ownership: the root widget (the main layout) is not owned. Interface thread only.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <utility>

class CDeviceOptionUI;

namespace qv {
class CKestravaUSBDevice;
}

namespace qv::ui {

class DeviceList {
 public:
  struct Hooks {
    // A visible, selected entry is about to be hidden: close the open auxiliary windows.
    std::function<void()> closeAuxiliaryWindows;
    // The key capture was on while the selected entry was hidden: remove the capture hook and
    // stop a running macro recording (the list itself is re-enabled).
    std::function<void()> endKeyCapture;
    // After every show or hide: whether synchronised lighting is possible (more than one
    // visible entry); when it is not, each device's synchronised-lighting flag is cleared.
    std::function<void(bool possible)> synchroPossible;
  };

  // root: the main layout holding "device_select_layout", "No_device_Link", the containers.
  explicit DeviceList(QWidget* root, Hooks hooks = {});

  QWidget* Container() const;
  int Count() const;
  CDeviceOptionUI* Entry(int index) const;
  int IndexOf(const CDeviceOptionUI* entry) const;
  // The entry of a device, or -1.
  int IndexOfDevice(const qv::CKestravaUSBDevice* device) const;

  // Sets entry i's visibility; when `select`, shows its page and power block first (stopping
  // there when the entry has no page binding or its container is missing), then selects or
  // unselects it. Then updates the notice and the synchronised choice.
  void ShowEntry(int index, bool visible, bool select);
  // Hides entry i; when it was the visible selected one another visible entry is selected.
  void HideEntry(int index);
  // The first visible entry (-1 when none) and the number of visible entries.
  std::pair<int, int> FirstVisible() const;
  // The device of the first visible, selected entry; nullptr when there is none.
  qv::CKestravaUSBDevice* SelectedDevice() const;
  int SelectedIndex() const;
  // "device_select_prev" / "device_select_next": no wrap.
  void SelectPrevious();
  void SelectNext();
  // "selectchanged" of "device_select": remembers the selected entry and shows its power block.
  void OnDeviceSelectChanged();
  int CurrentIndex() const { return currentIndex_; }
  uint32_t CurrentTypeCode() const { return currentTypeCode_; }
  uint32_t CurrentRole() const { return currentRole_; }

  // Disables (lock) or enables the list and the selected device's profile panel
  // ("DeviceProfileItem" in its page), and sets the key-capture flag.
  void Lock(bool locked);
  bool KeyCapture() const { return keyCapture_; }

 private:
  QWidget* Find(const QString& name) const;
  void ShowPowerOf(const CDeviceOptionUI* entry);
  void AfterVisibilityChange();

  QPointer<QWidget> root_;
  Hooks hooks_;
  bool keyCapture_ = false;
  int currentIndex_ = -1;
  uint32_t currentTypeCode_ = 0;
  uint32_t currentRole_ = 0;
};

}  // namespace qv::ui
