// The udev rules that give the user at the seat access to the hidraw nodes of the supported
// devices, and of nothing else: one rule per vendor and product id of the interface table,
// matched on the node's USB parent and tagged "uaccess" (logind then grants the active session
// an ACL on the node). The build writes them to "70-qv5307.rules"; the number keeps the file
// ahead of 73-seat-late.rules, which turns the tag into the ACL.
//
// Pure functions of the catalogue; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

inline constexpr const char* kUdevRulesFileName = "70-qv5307.rules";

struct UsbId {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  friend bool operator==(const UsbId&, const UsbId&) = default;
};

// The distinct vendor and product ids of the interface table, in table order.
std::vector<UsbId> SupportedUsbIds();

// True when a device with these ids is one the catalogue supports.
bool IsSupportedUsbId(uint16_t vendorId, uint16_t productId);

// The rules file: a comment header, then for each id
//   SUBSYSTEM=="hidraw", ATTRS{idVendor}=="320f", ATTRS{idProduct}=="5080", TAG+="uaccess"
// (four lower-case hexadecimal digits, as sysfs writes them).
std::string FormatUdevRules(const std::vector<UsbId>& ids);

}  // namespace qv
