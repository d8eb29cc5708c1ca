// The macro panel's flows as the main window runs them: the routed clicks and selections, the
// action menu, delete with its two questions and the key bindings it changes, import and export
// with their file dialogs, and recording, for which the flows own the input hook and receive its
// messages. The keyboard's panel gets its folder and names when its page is built.
//
// Interface thread only.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "macros/macro_recorder.h"
#include "macros/ui/macro_control.h"
#include "platform/input_capture.h"

class CKeySetControlUI;
class QMenu;
class QWidget;

namespace qv {
class CKestravaKeyboardDevice;
class CKestravaUSBDevice;
}  // namespace qv

namespace qv::ui {

class MacroFlows : public HookTarget {
 public:
  struct Host {
    QWidget* owner = nullptr;
    std::function<CKestravaUSBDevice*()> currentDevice;
    std::function<CMacroControlUI*(CKestravaUSBDevice*)> panelOf;
    std::function<CKeySetControlUI*(CKestravaUSBDevice*)> keyPanelOf;
    std::function<int()> dpi;
    // File dialogs: the chosen path, empty when cancelled. Default: Qt's dialogs.
    std::function<QString(QWidget* owner, const QString& filter)> openFile;
    std::function<QString(QWidget* owner, const QString& filter)> saveFile;
    // While recording: device selection, the profile panel and the key panel take no input.
    std::function<void(bool recording)> lockForRecording;
    // False while the system sleeps: hook messages are not acted on.
    std::function<bool()> awake;
    // The key map and macros to the keyboard (the key panel's download).
    std::function<bool()> downloadKeys;
    // Before the hook starts: the control that ends the recording, which must still take clicks.
    std::function<void(QWidget* stopButton)> beforeInstall;
    // True when the input devices exist but may not be read (recording sees the window only).
    std::function<bool()> inputRefused;
  };

  explicit MacroFlows(Host host);
  ~MacroFlows() override;

  // The panel of a newly built page: the device's folder and its names; its notices go to the
  // message box.
  void Bind(CKestravaKeyboardDevice& keyboard, CMacroControlUI& panel);

  // A notification routed to the macro panel, and an item of a menu of the main window.
  void OnRoute(const QString& name, int number);
  // False when the item is not the action menu's.
  bool OnMenuItem(const QString& item);

  // The sources the hook starts for recording; not owned.
  void SetSources(InputCaptureSource* keySource, InputCaptureSource* mouseSource);
  CDeviceHook& Hook() { return hook_; }
  void OnHookMessage(uint32_t message, uint16_t wParam, const InputEvent& event) override;

  void Start(int timingMode, RecordKind kind);
  void Stop();
  bool Recording() const { return recordingPanel_ != nullptr; }
  void Delete();
  void Import();
  void Export();
  // The action menu at the pointer, for the step row `row` (which becomes the selected one).
  void OpenActionMenu(int row);
  QMenu* ActionMenu() const;

 private:
  bool Target(CKestravaKeyboardDevice** keyboard, CMacroControlUI** panel) const;
  int Ask(const char* textId, int buttons);
  void FollowNames(CKestravaKeyboardDevice* keyboard, CMacroControlUI* panel);

  Host host_;
  CDeviceHook hook_;
  QPointer<CMacroControlUI> recordingPanel_;
  std::unique_ptr<QMenu> menu_;
};

}  // namespace qv::ui
