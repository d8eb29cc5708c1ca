// The simulated 61-key keyboard (0x320F:0x5080): interface 0 is its boot keyboard, interface 1
// carries four top-level collections: 1 keyboard (report id 1), 2 system control (2),
// 3 consumer control (3, where the device's notifications arrive) and 4 the vendor command
// collection (4, 64-byte reports).
#pragma once

#include <cstdint>
#include <vector>

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
  explicit SimKeyboard(uint16_t productId = kKeyboardProductId);

  // A notification code on the consumer collection (key down 0x0500 + k, slot change, ...).
  int SendNotification(uint16_t code);
};

}  // namespace qv::sim
