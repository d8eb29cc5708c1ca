// The simulated-device mode: a simulated keyboard on a simulated HID backend, for working on
// the program without the hardware. Started by main() when QV5307_SIMULATE is set:
//   QV5307_SIMULATE=1 or =keyboard   the keyboard on its cable at start
//   QV5307_SIMULATE=receiver         the keyboard through its 2.4 GHz receiver at start
// The keyboard is driven from the tray menu's "Simulator" submenu, or by lines on standard
// input (one command a line):
//   press <position> / release <position> / tap <position>   a key of the simulated keyboard
//   unplug / plug                      the cable          rx-unplug / rx-plug   the receiver
//   light <code>                       the keyboard's own light mode (254: host-driven), as
//                                      when its user switches it on the keyboard
//   host-effect <name>                 the host-side effect the keyboard object runs: none,
//                                      static, spectrum, breathing (for trying the preview and
//                                      the stream)
//   stats                              prints "sim-stats frames=<n> chunks=<n> busy-us=<n>"
//                                      on standard output: the colour stream so far
// Interface thread only; the backend must outlive every channel that uses it.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "devices/usb_device.h"

#include "sim/sim_backend.h"
#include "sim/sim_keyboard.h"

class QMenu;
class QSocketNotifier;

namespace qv::ui {

class SimulatorControl : public QObject {
  Q_OBJECT

 public:
  // From the environment; null when the mode is off.
  static std::unique_ptr<SimulatorControl> FromEnvironment(QObject* parent = nullptr);
  SimulatorControl(bool cable, bool receiver, QObject* parent = nullptr);
  ~SimulatorControl() override;

  sim::SimBackend& Backend() { return backend_; }
  sim::KeyboardFirmware& Firmware() { return *firmware_; }

  // One command line as above; false for an unknown command.
  bool Execute(const QString& line);
  // Adds the "Simulator" submenu to `menu`.
  void AddMenu(QMenu* menu);
  // Reads commands from standard input.
  void ListenOnStdin();
  // What "host-effect" applies the effect to (the program's keyboard objects).
  void SetHostEffectHandler(std::function<void(qv::HostEffect)> handler) {
    hostEffect_ = std::move(handler);
  }

 private:
  void SetPlugged(const std::shared_ptr<sim::SimKeyboard>& port, bool plugged);

  sim::SimBackend backend_;
  std::shared_ptr<sim::KeyboardFirmware> firmware_;
  std::shared_ptr<sim::SimKeyboard> cable_;
  std::shared_ptr<sim::SimKeyboard> receiver_;
  QSocketNotifier* stdin_ = nullptr;
  std::function<void(qv::HostEffect)> hostEffect_;
};

}  // namespace qv::ui
