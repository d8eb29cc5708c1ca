// The profile panel's flows as the main window runs them: the select flow after the 400 ms
// pause of a selection, delete (which loads the profile left selected), import and export with
// their file dialogs, rename, reset and the factory default, each acting on the device shown.
// What the device object does in a flow is the device's; message boxes and dialogs are here.
//
// Interface thread only.
#pragma once

#include <QString>
#include <QTimer>
#include <functional>

class CDeviceProfileUI;
class QWidget;

namespace qv {
class CKestravaUSBDevice;
}

namespace qv::ui {

class ProfileFlows {
 public:
  static constexpr int kSelectDelayMs = 400;

  struct Host {
    QWidget* owner = nullptr;
    // The device of the page shown, and its profile panel; null when there is none.
    std::function<CKestravaUSBDevice*()> currentDevice;
    std::function<CDeviceProfileUI*(CKestravaUSBDevice*)> panelOf;
    std::function<int()> dpi;
    // File dialogs: the chosen path, empty when cancelled. Default: Qt's dialogs.
    std::function<QString(QWidget* owner, const QString& filter)> openFile;
    std::function<QString(QWidget* owner, const QString& filter)> saveFile;
  };

  explicit ProfileFlows(Host host);

  // A click routed to the profile panel.
  void OnClick(const QString& name);
  // "itemselect" of "device_profile_combo": (re)starts the one timer, so that quick selections
  // make one switch.
  void OnComboSelect();
  bool SelectPending() const { return selectTimer_.isActive(); }

  // The flows (public for tests).
  void SelectFlow();
  void DeleteFlow();
  void ImportFlow();
  void ExportFlow();
  void RenameFlow();
  void ResetFlow();
  void FactoryDefaultFlow();

 private:
  // The device shown and its profile panel; false when there is no panel.
  bool Target(CKestravaUSBDevice** device, CDeviceProfileUI** panel) const;
  // The profile of the panel's selection on the device: loaded, shown, sent.
  void LoadSelected(CKestravaUSBDevice* device, CDeviceProfileUI* panel);
  // The macro image's result told to the user; true when the flow goes on.
  bool TellMacroResult(int result);
  int Message(const QString& textId, int buttons);

  Host host_;
  QTimer selectTimer_;
};

}  // namespace qv::ui
