// What a device object needs from its page of on-screen keys and lights. The page widget
// implements it; the device object only uses it and does not own it.
//
// Controls are addressed by their number in `KeyButtonControls()` (the page's key buttons in
// child order); other controls by the number `FindControl` gives (-1: no such control).
//
// Threading: interface thread only. (The Qt page queues a ShowLight that arrives from another
// thread, but callers should not rely on that.)
#pragma once

#include <cstddef>
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

// The page's profile panel, as the device object sees it: it is given the device kind and its
// folders, loads the kind's profile list, names the current profile and selects an operation
// tab. Interface thread only.
class ProfilePanelView {
 public:
  virtual ~ProfilePanelView() = default;
  // DeviceTypeCode of the device.
  virtual void SetDeviceKind(int kind) = 0;
  // The kind's data folder (ending with '/') and its default profile file.
  virtual void SetFolders(const std::string& dataFolder, const std::string& defaultProfile) = 0;
  // Reads or creates the profile list and selects its stored entry; false when a file could
  // not be written (the panel has told the user).
  virtual bool Load() = 0;
  // The selected profile's identifier (its file's name without the extension).
  virtual std::string CurrentProfileId() const = 0;
  // Selects tab 1..8 without a notification; any other number selects none.
  virtual void SelectOperationTab(int type) = 0;
};

class DevicePageView {
 public:
  virtual ~DevicePageView() = default;

  // The page's profile panel ("DeviceProfileItem"); null when the page has none.
  virtual ProfilePanelView* ProfilePanel() { return nullptr; }

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

  // Controls found with `FindControl`; unknown numbers and controls of another kind are
  // ignored. Showing a state or value does not notify: a shown value is not a user's change.
  // An option's (checkable control's) selection.
  virtual void ShowSelected(int control, bool selected) {
    (void)control;
    (void)selected;
  }
  // A slider's value.
  virtual void ShowValue(int control, int value) {
    (void)control;
    (void)value;
  }
  // A label's text (UTF-8), shown as it is.
  virtual void ShowText(int control, const std::string& text) {
    (void)control;
    (void)text;
  }
  // Empties a text field and gives it a placeholder (UTF-8).
  virtual void ClearTextField(int control, const std::string& placeholder) {
    (void)control;
    (void)placeholder;
  }
  // The loaded language's text (UTF-8) of a text id; the id itself when there is none.
  virtual std::string TranslatedText(std::string_view id) { return std::string(id); }

  // The lighting panel's colour at (x, y); pages without a lighting panel ignore it.
  virtual void ShowLightPanelColor(int x, int y, uint32_t value) {
    (void)x;
    (void)y;
    (void)value;
  }

  // A key button's texts: the name of the key's factory function (tooltip title) and of its
  // assigned function (tooltip text after the "Key_Set" text). The key-set mark shows only
  // while the two names differ (KeySetMarkHidden). Names are UTF-8. Pages without key
  // buttons ignore it.
  virtual void ShowKeyTexts(int control, const std::string& factoryName,
                            const std::string& assignedName) {
    (void)control;
    (void)factoryName;
    (void)assignedName;
  }
};

// True when a key's assigned function is its factory function: the names equal without regard
// to (ASCII) case. The key-set mark is hidden then.
inline bool KeySetMarkHidden(std::string_view factoryName, std::string_view assignedName) {
  if (factoryName.size() != assignedName.size()) return false;
  for (size_t i = 0; i < factoryName.size(); ++i) {
    char a = factoryName[i];
    char b = assignedName[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

// Timers of a device list entry that the device object starts itself.
inline constexpr int kEntryTimerResync = 1002;     // runs Resync once
inline constexpr int kEntryTimerReserved1 = 1003;  // runs Reserved15 once
inline constexpr int kEntryTimerReserved2 = 1004;  // runs Reserved16 once

// The device's entry in the device list, as the device object and discovery see it. The entry
// drives its device with timers (connect, poll, power, link watch) on the interface thread.
//
// Threading: every operation may be called from any thread; calls from another thread are
// queued to the interface thread (so a notification thread may start the resync timer).
class DeviceListEntryView {
 public:
  virtual ~DeviceListEntryView() = default;
  // Starts one of the entry's timers (kEntryTimerResync, ...) once after periodMs.
  virtual void StartDeviceTimer(int id, int periodMs) = 0;
  // The connect step after an arrival or a switch-over: ReadAll in 500 ms.
  virtual void StartConnectTimer() = 0;
  // The wireless-link watch, after delayMs; nothing while the device's channel is closed.
  virtual void RestartLinkWatch(int delayMs) = 0;
  // The entry's own visibility flag (not its window's); interface thread only.
  virtual bool IsEntryVisible() const = 0;
  // What the poll has to do may have changed (light mode, preview, channel): a poll that went
  // idle because nothing needed it starts again. Any thread.
  virtual void WakePoll() {}
};

// The power block of a device in the device list: battery level, charging state, phone type.
//
// Threading: as DeviceListEntryView; the report is copied before it is queued.
class PowerControlView {
 public:
  virtual ~PowerControlView() = default;
  // Shows the power layout when powerFlag is not 0, hides it otherwise.
  virtual void ShowPowerLayout(uint32_t powerFlag) = 0;
  // A power report of up to 64 bytes (shorter ones read as zero-filled): level, charging
  // state, phone type, wireless flag.
  virtual void ShowPowerReport(const uint8_t* data, size_t n) = 0;
};

}  // namespace qv
