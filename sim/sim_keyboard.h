// The simulated 61-key keyboard (0x320F:0x5080): interface 0 is its boot keyboard, interface 1
// carries four top-level collections: 1 keyboard (report id 1), 2 system control (2),
// 3 consumer control (3, where the device's notifications arrive) and 4 the vendor command
// collection (4, 64-byte reports).
//
// A `SimKeyboard` is one USB port onto a `KeyboardFirmware`: the keyboard's cable, or its
// 2.4 GHz receiver (0x320F:0x1000, the same interfaces and collections). Two ports may share one
// firmware, plugged at once or one after the other, so a keyboard can move from its receiver to
// its cable with its memory intact. Commands written to collection 4 are answered by the
// firmware on the writing thread (after the device's report delay).
//
// Threading: as `SimDevice`; answers of one port leave in the order their requests arrived.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sim/keyboard_firmware.h"
#include "sim/sim_backend.h"

namespace qv::sim {

inline constexpr uint16_t kKeyboardVendorId = 0x320F;
inline constexpr uint16_t kKeyboardProductId = 0x5080;
inline constexpr uint16_t kKeyboardVersion = 0x0105;
inline constexpr uint8_t kCommandReportId = 0x04;
inline constexpr uint8_t kConsumerReportId = 0x03;

// Report descriptors of the keyboard's two interfaces.
const std::vector<uint8_t>& KeyboardBootDescriptor();
const std::vector<uint8_t>& KeyboardMultiDescriptor();

class SimKeyboard : public SimDevice {
 public:
  // A keyboard with firmware of its own; product id kReceiverProductId makes it a receiver.
  explicit SimKeyboard(uint16_t productId = kKeyboardProductId);
  // A port onto shared firmware: the cable (kKeyboardProductId) or the receiver.
  SimKeyboard(std::shared_ptr<KeyboardFirmware> firmware, uint16_t productId);
  ~SimKeyboard() override;

  KeyboardFirmware& Firmware() const { return *firmware_; }
  const std::shared_ptr<KeyboardFirmware>& SharedFirmware() const { return firmware_; }
  SimPath Path() const { return path_; }

  // A notification code on the consumer collection (key down 0x0500 + k, slot change, ...).
  int SendNotification(uint16_t code);

 protected:
  void OnOutputReport(uint16_t interfaceNumber, const uint8_t* report, size_t size) override;

 private:
  const std::shared_ptr<KeyboardFirmware> firmware_;
  const SimPath path_;
  std::mutex answerLock_;  // keeps each request and its answers together
};

}  // namespace qv::sim
