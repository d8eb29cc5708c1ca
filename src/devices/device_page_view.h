// What a device object needs from its page of on-screen keys and lights. The page widget
// implements it; the device object only uses it and does not own it.
//
// Controls are addressed by their number in `KeyButtonControls()` (the page's key buttons in
// child order); other controls by the number `FindControl` gives (-1: no such control).
//
// Threading: interface thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A key button of the page: its name and its user data.
struct PageControl {
  std::string name;
  std::string userData;
};

class DevicePageView {
 public:
  virtual ~DevicePageView() = default;

  // The key buttons of the page's selection panel, in child order.
  virtual std::vector<PageControl> KeyButtonControls() const = 0;
  // Shows a colour on a key button's light image. color is red + blue * 256 + green * 65536;
  // alpha 0..255.
  virtual void ShowLight(int control, uint32_t color, uint8_t alpha) = 0;
  virtual bool IsControlVisible(int control) const = 0;

  // A control of the page by name; -1 when there is none.
  virtual int FindControl(std::string_view name) = 0;
  // Selects a page of a tab switch found with `FindControl`.
  virtual void SelectPage(int control, int page) = 0;

  // The lighting panel's colour at (x, y); pages without a lighting panel ignore it.
  virtual void ShowLightPanelColor(int x, int y, uint32_t value) {
    (void)x;
    (void)y;
    (void)value;
  }
};

// The device list entry and the power control of a device: implemented by the device list.
class DeviceListEntryView;
class PowerControlView;

}  // namespace qv
