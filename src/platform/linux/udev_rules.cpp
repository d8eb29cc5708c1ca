#include "platform/linux/udev_rules.h"

#include <algorithm>
#include <cstdio>

#include "transport/catalogue.h"

namespace qv {

std::vector<UsbId> SupportedUsbIds() {
  std::vector<UsbId> ids;
  for (const SupportedInterface& row : SupportedInterfaces()) {
    const UsbId id{row.VendorId, row.ProductId};
    if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  }
  return ids;
}

bool IsSupportedUsbId(uint16_t vendorId, uint16_t productId) {
  for (const SupportedInterface& row : SupportedInterfaces()) {
    if (row.VendorId == vendorId && row.ProductId == productId) return true;
  }
  return false;
}

std::string FormatUdevRules(const std::vector<UsbId>& ids) {
  std::string text =
      "# QV5307: lets the user at the seat open the hidraw nodes of the supported devices.\n"
      "# Generated at build time from the supported-device table; do not edit.\n"
      "# After installing: sudo udevadm control --reload-rules && sudo udevadm trigger\n";
  for (const UsbId& id : ids) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\", "
                  "TAG+=\"uaccess\"\n",
                  id.vendorId, id.productId);
    text += line;
  }
  return text;
}

}  // namespace qv
