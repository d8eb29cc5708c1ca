// CKestravaKeyboardDevice: the device object of the keyboard (type code 1). At connection it
// learns the keyboard's key layout from the device (key map and LED table), then it turns the
// keyboard's profile into device commands (key map, macro image, settings record, colour
// banks), streams colour frames for host-driven lighting, reads the power status and reacts to
// the notifications the keyboard sends on its second interface.
//
// Results: device operations return the TransactionResult of the first command that failed, or
// kResultSuccess (1); a command sequence that was begun is always ended, whatever failed inside
// it. Exceptions to that form are documented at the operation (UploadMacros). Nothing throws.
//
// Ownership: owns its profile data, its maps and (through the base) its links and workers. The
// interface hooks (KeyboardHooks) are called on the interface thread and must outlive the object
// or be cleared first.
//
// Threading:
// - Interface thread: configuration, ReadAll, Resync, uploads, WriteSettings, the colour stream,
//   power status, profile operations, and every hook.
// - Effect thread (base): EffectPass; touches only the state guarded by EffectLock.
// - Notification threads: HandleNotification decodes a code and posts the work to the
//   interface thread (PostToInterface); it touches no widget, timer or map itself.
// - Open/CloseNotifyChannel: interface thread (discovery hands over there).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "devices/keyboard_settings_record.h"
#include "devices/usb_device.h"
#include "keys/logical_key_table.h"
#include "profiles/keyboard_profiledata.h"

namespace qv {

// The key map learned at connection no longer matches what the device reports.
inline constexpr TransactionResult kResultLayoutChanged = -202;

inline constexpr size_t kPowerStatusSize = 6;
inline constexpr int kKeyEventDown = 1;
inline constexpr int kKeyEventUp = 2;
// Logical keys the key map upload covers (0..125).
inline constexpr int kUploadedKeyCount = 126;
// An assignment entry: 0-1 key index, 2-4 function, 6-7 default key index, 8-10 default function.
inline constexpr size_t kAssignmentEntrySize = 11;

std::vector<uint8_t> AssignmentEntryOf(const KeyAssignment& assignment);
KeyAssignment KeyAssignmentOfEntry(const std::vector<uint8_t>& entry);

// The maps learned at connection. `keyMap` holds 3 bytes per device key position; `ledTable`
// one LED position per key position. A logical key's position is the first whose three bytes
// equal its factory function; its LED position is taken only when it lies inside the colour
// frame of `positions` LEDs. Pure.
struct KeyboardMaps {
  std::array<uint8_t, kLogicalKeyCount> keyPosition;
  std::array<uint8_t, kLogicalKeyCount> led;
};
KeyboardMaps BuildKeyboardMaps(const std::vector<uint8_t>& keyMap,
                               const std::vector<uint8_t>& ledTable, size_t positions);

// What the interface layer gives the keyboard; each may be empty.
struct KeyboardHooks {
  // The list entry's 50 ms timer that later calls Resync; empty: Resync runs at once.
  std::function<void()> scheduleResync{};
  // The power status for the power control (byte 3: 1 wireless, 0 cable).
  std::function<void(const std::array<uint8_t, kPowerStatusSize>&)> powerReport{};
  // A key event of a mapped key: logical key, kKeyEventDown or kKeyEventUp.
  std::function<void(int logicalKey, int state)> keyEvent{};
  // Refresh: the page shows the values from memory (switches, panels, profile name).
  std::function<void()> refresh{};
  // The profile could not be saved to `path`: a kStore* code. The device goes on with what it
  // holds in memory.
  std::function<void(const std::string& path, int code)> saveFailed{};
};

class CKestravaKeyboardDevice : public CKestravaUSBDevice {
 public:
  explicit CKestravaKeyboardDevice(HidBackend* backend = nullptr);
  ~CKestravaKeyboardDevice() override;

  const char* ClassName() const override { return "KestravaKeyboardDevice"; }

  // Interface thread; replaces all hooks.
  void SetHooks(KeyboardHooks hooks) { Hooks = std::move(hooks); }
  // Position -> device effect code (from "default_light.json"); LoadProfileData fills it.
  void SetLightModeList(std::vector<int> list) { LightModeList = std::move(list); }

  // Device operations (see the base for slots).
  // The base's binding, then the profile panel: kind, folders, its list loaded, and its current
  // profile taken as ProfileName.
  void BindPage() override;
  // Frames go to the keyboard only in the two host-driven light modes, on the cable.
  TransactionResult SendColorFrame() override;
  bool IsHostDriven() const override;
  // Connection read, profile, settings read, Refresh, then the effect thread.
  void ReadAll() override;
  void Resync() override;
  void ReadPowerStatus() override;
  int IsWirelessLinked() override;
  // Loads the current profile file; 1 when a profile document was loaded.
  int ReloadProfile() override;
  // The factory default's device entry becomes the current profile's (its name and identifier
  // stay) and is saved; 1 when a default was found.
  int LoadFactoryProfile();
  // Shows the page, shows each key button's factory and assigned functions (tooltip and key-set
  // mark) too.
  void Refresh() override;
  // Each key button's factory function and its assigned one, as text ids joined by "+".
  void ShowKeyTexts();
  void ValidateMacroAssignments() override;
  void ReloadFromProfile() override;
  std::vector<int> GetAssignedMacros() override;
  // The key map upload. kResultLayoutChanged when the device now reports another key count than
  // at connection (nothing is written); kResultBadPage for a page other than 0 (nothing sent).
  int UploadKeyAssignments(int page, const KeyAssignmentMap& assignments) override;
  int UploadCurrentKeyAssignments(int page) override;
  // 0: sent, or nothing to send (no readable "macro.config", empty list). Above 0: the image
  // does not fit; the number of events too many plus one; nothing sent. Below 0: failed (the
  // failing command's code, or -1 when the link is closed, no answer came or no image could be
  // built).
  int UploadMacros(const std::vector<int>& macros) override;
  int WriteSettings(int slot, uint8_t firstByte) override;
  void LoadProfileData() override;
  void LoadProfileFile() override;
  std::string GetProfilePath() const override;
  void SaveProfile() override;

  // The System page (performance settings). Its controls are found by name in the page on
  // first use and kept.
  // Shows SystemStages: the three switches, the polling and repeat delay options, the repeat
  // rate slider, the delay label and the emptied test field. Part of Refresh.
  void ShowSystemStages();
  // "winlockflag_option", "wflag_option" or "6flag_option" is now (not) selected: stored, the
  // profile saved and the settings record written. False for another name (nothing done).
  bool ChangeSystemSwitch(std::string_view option, bool selected);
  // Polling rate option n chosen: stored, shown, saved and written. Other numbers are ignored.
  void SelectPollingRate(int n);
  // Repeat delay option n chosen: stored, shown and saved; the keyboard is not told.
  void SelectRepeatDelay(int n);
  // The repeat rate slider's value (bounded to its range): stored and saved; not sent.
  void SetRepeatRate(int value);

  // The keyboard's own operations.
  // The connection read; also sends 0x0D04 (product id, version) once the sequence has ended.
  TransactionResult ConnectionRead();
  // The settings read of the active slot.
  TransactionResult ReadSettingsArea();
  // Device key position `position` went down (kKeyEventDown) or up; unmapped positions are
  // ignored.
  void KeyEvent(unsigned position, int state);
  // Custom colours (light mode 20 and custom groups).
  TransactionResult ReadCustomColors();
  TransactionResult UploadCustomColors();
  TransactionResult UploadCustomGroup();
  TransactionResult SetOneCustomColor(int light);

  // The keyboard's second interface, reported by discovery: connectionKind kTypeKeyboard (cable)
  // or kTypeKeyboardSecond (receiver). Opens the matching notification channel and starts its
  // reader; false when the kind is another or the channel does not open.
  bool OpenNotifyChannel(const std::string& path, DeviceTypeCode connectionKind);
  void CloseNotifyChannel(DeviceTypeCode connectionKind);

  // State, for the interface thread and tests.
  const std::array<uint8_t, kLogicalKeyCount>& GetKeyPositionMap() const { return KeyPositionMap; }
  const std::array<uint8_t, kLogicalKeyCount>& GetLedMap() const { return LedMap; }
  const std::vector<uint8_t>& GetDefaultKeyMap() const { return DefaultKeyMap; }
  size_t GetConnectedKeyPositions() const { return ConnectedPositions; }
  uint8_t GetActiveSlot() const { return ActiveSlot; }
  uint8_t GetSecondSlotValue() const { return SecondSlotValue; }
  const SettingsRecord& GetSettingsRaw() const { return SettingsRaw; }
  const KeyboardStages& GetSystemStages() const { return SystemStages; }
  bool IsDeviceResetPending() const { return DeviceResetPending; }
  const KeyAssignmentMap& GetKeyAssignments() const { return KeyAssignments; }
  // The kind's data folder (profiles, macros), ending with '/'.
  std::string DataFolder() const;
  // The record of key slot `key`: its stored assignment, or its factory function as both the
  // current and the default one.
  KeyAssignment AssignmentOf(int key) const;
  // Stores the record as slot `key`'s, writes the key list into the open profile (not to disk)
  // and shows the key's texts again.
  void StoreAssignment(int key, const KeyAssignment& assignment);
  // Stores the assignments in memory and in the profile document (not saved).
  void SetKeyAssignments(const KeyAssignmentMap& assignments);
  CKeyboardProfiledata& GetProfile() { return Profile; }
  const std::array<uint8_t, kPowerStatusSize>& GetPowerStatus() const { return PowerStatus; }

 protected:
  // The working copies (key assignments, light settings, stages) from the profile document.
  void TakeProfileDocument();
  void HandleNotification(NotifyChannel channel, uint16_t code) override;
  // A new light mode (or mode 20 again): the mode's effect is prepared. The keyboard reads its
  // custom colours for mode 20.
  virtual void PrepareModeEffect(uint8_t mode);
  // The reactive part of the current light mode; the base keyboard lights the key fully.
  virtual void ReactToKey(int logicalKey, int state);

  // The data folder of the keyboard ("keyboard" when no kind name was configured).
  // Macro numbers that `assignments` use, in upload order; `macroCount` from "macro.config".
  std::vector<int> AssignedMacros(const KeyAssignmentMap& assignments, size_t macroCount) const;
  // Number of macros listed in "macro.config"; 0 when it cannot be read.
  size_t MacroCount() const;
  // A System page control by name, kept once found; -1 while the page has none.
  int SystemControl(const std::string& name);
  // Shows option `selected` of a four-member group and clears the others.
  void ShowOptionGroup(const char* prefix, int selected);
  // SystemStages into the profile, saved; `send`: the settings record is written too.
  void StoreSystemStages(bool send);
  // Runs Resync now or through the scheduler hook.
  void RequestResync();
  // The frame positions of the connected key map (0 before a connection).
  size_t FramePositions() const { return ConnectedPositions; }

  CKeyboardProfiledata Profile;
  KeyAssignmentMap KeyAssignments;
  std::vector<uint8_t> DefaultKeyMap;  // 3 bytes per device key position
  std::vector<uint8_t> LedTable;       // the LED position of each device key position
  size_t ConnectedPositions = 0;       // key positions at the last connection read
  uint8_t ActiveSlot = 0;
  uint8_t SecondSlotValue = 0;
  SettingsRecord SettingsRaw{};
  KeyboardStages SystemStages;
  std::atomic<bool> DeviceResetPending{false};
  std::vector<int> LightModeList;
  std::array<uint8_t, kPowerStatusSize> PowerStatus{};
  KeyboardHooks Hooks;
  std::map<std::string, int> SystemControls;
};

}  // namespace qv
