// The key assignment panel's flows as the main window runs them: a key picked on the page,
// apply (after every change of the panel's controls), the factory function, undo, and the
// download of the key map and the macros the keys use, with their messages. The keyboard's
// panel is given its kind and macro list when its page is built.
//
// Interface thread only.
#pragma once

#include <QString>
#include <functional>

class CKeySetControlUI;
class QWidget;

namespace qv {
class CKestravaKeyboardDevice;
class CKestravaUSBDevice;
}  // namespace qv

namespace qv::ui {

class KeyAssignFlows {
 public:
  struct Host {
    QWidget* owner = nullptr;
    std::function<CKestravaUSBDevice*()> currentDevice;
    std::function<CKeySetControlUI*(CKestravaUSBDevice*)> panelOf;
    std::function<int()> dpi;
  };

  explicit KeyAssignFlows(Host host);

  // The panel of a newly built page: its kind and the device's macro names.
  static void Bind(CKestravaKeyboardDevice& keyboard, CKeySetControlUI& panel);

  // A notification routed to the panel ("key_" n picks key n) and one that applies the change.
  void OnPanel(const QString& name, int number);
  void OnApply();

  void PickKey(int key);
  void Apply();
  void Default();
  void Cancel();
  // False when nothing was sent or the keyboard did not take it; the change stays pending then.
  bool Download();

 private:
  bool Target(CKestravaKeyboardDevice** keyboard, CKeySetControlUI** panel) const;
  int Message(const QString& textId);

  Host host_;
};

}  // namespace qv::ui
