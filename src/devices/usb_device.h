// CKestravaUSBDevice: the common base of every device object. It owns the device's command link
// and notification link, holds the device's in-memory state (identity, sizes, the bindings of
// its page's key and light controls, the colour of every light, the light record and the state
// of the host-side effects), runs the host-side lighting effects and the device's worker
// threads, and declares the device operations that each device class overrides.
//
// Results: operations the base does not implement return 0 and change nothing; device commands
// return a TransactionResult (command_link.h). Nothing throws.
//
// Ownership: the object owns its links, its lists and its workers. The page view, the main
// window's sink, the list entry and the power control are not owned; they must outlive the
// object or be reset to null first.
//
// Threading:
// - The interface thread configures the object, binds the page and calls the device operations.
// - The effect thread (StartEffectThread) runs the effect passes while only the on-screen
//   preview needs them; it sends nothing. While frames are streamed to the device, the frame
//   path (SendColorFrame, interface thread) brings the effects up to the frame's moment itself
//   (AdvanceEffects), so that every frame carries the colours of its own time and no thread
//   wakes every millisecond. With neither, the effects are not computed at all: the thread
//   waits until the light mode, the channel or the preview changes (EffectDemandChanged). An
//   effect whose colours do not move with time (EffectIsStill) is computed once per change,
//   and the preview then rests until a light is given another colour (PreviewStale).
// - One notification thread per channel of NotifyLink calls HandleNotification for every code
//   read; handlers must not touch the page or interface timers: they use PostToInterface.
// - LightColors, LightSettings, the effect state, KeyIntensity and ColumnRing are guarded by
//   EffectLock (recursive, so a render pass may call SetLightColor). Any thread may call
//   SetLightColor and GetLightColor.
// - Derived classes must call StopWorkers() in their destructor: a worker still running while
//   the derived part is destroyed would call into it. StopWorkers stops each worker within its
//   bound (tracing the outcome) and then waits for any that missed it, so nothing a worker
//   uses is freed under it. The base destructor does the same for the base's own members.
#pragma once

#include <json/json.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "devices/device_page_view.h"
#include "devices/light_tables.h"
#include "platform/message_sink.h"
#include "platform/worker_thread.h"
#include "transport/catalogue.h"
#include "transport/command_link.h"
#include "transport/command_packet.h"

namespace qv {

using SteadyClock = std::chrono::steady_clock;
using SteadyTime = SteadyClock::time_point;

// Messages a device sends to the main window.
inline constexpr uint32_t kMsgActiveProfile = 0x0D00;  // wParam: the active profile index
inline constexpr uint32_t kMsgPowerStatus = 0x0D01;    // wParam: the power status byte
inline constexpr uint32_t kMsgDeviceVersion = 0x0D04;  // wParam: product id, lParam: version

inline constexpr size_t kLogicalKeyCount = 170;
inline constexpr size_t kColumnCount = 23;
inline constexpr size_t kColumnRows = 6;
inline constexpr size_t kLightSettingsSize = 14;
inline constexpr size_t kColorFrameSize = 512;
inline constexpr uint8_t kNoPosition = 255;
// A light index that has no place in a colour frame.
inline constexpr int kFrameSkippedLight = 170;

inline constexpr std::chrono::milliseconds kEffectStopBound{1000};
// The on-screen preview is redrawn at most 30 times a second, not at the effects' 1 ms step:
// smooth enough for a picture of the lights, and on an X server it halves what painting the
// keys costs while an effect streams.
inline constexpr std::chrono::milliseconds kPreviewPeriod{33};
// After a pause, at most this many effect passes are caught up at once; older ones are dropped.
inline constexpr int kMaxEffectCatchUp = 64;
inline constexpr std::chrono::milliseconds kNotifyStopBound{500};
inline constexpr std::chrono::milliseconds kFailedFramePause{200};

// Bytes of the light record.
enum LightSettingsByte : size_t {
  kLightMode = 0,
  kLightBrightness = 1,  // level 0..4
  kLightSpeed = 2,       // level 0..4
  kLightDirection = 3,
  kLightMultiColor = 4,
  kLightRed = 5,
  kLightGreen = 6,
  kLightBlue = 7,
  kLightSubEffect = 11,
  kLightCustomGroup = 12,
  kLightEarlierMode = 13,
};
using LightSettingsRecord = std::array<uint8_t, kLightSettingsSize>;

// A light's colour entry: red in the low byte, then green, blue and brightness.
constexpr uint32_t PackLightColor(Rgb c, uint8_t brightness) {
  return c.red | (uint32_t{c.green} << 8) | (uint32_t{c.blue} << 16) | (uint32_t{brightness} << 24);
}
constexpr Rgb LightRgb(uint32_t entry) {
  return Rgb{static_cast<uint8_t>(entry), static_cast<uint8_t>(entry >> 8),
             static_cast<uint8_t>(entry >> 16)};
}
constexpr uint8_t LightBrightness(uint32_t entry) {
  return static_cast<uint8_t>(entry >> 24);
}
// The value a page's light image takes: red + blue * 256 + green * 65536.
constexpr uint32_t PageColorOf(uint32_t entry) {
  const Rgb c = LightRgb(entry);
  return c.red | (uint32_t{c.blue} << 8) | (uint32_t{c.green} << 16);
}

// "prefix" followed by a number, as the page names its keys and lights ("key_" 5, "light_" 7):
// the name is split at its last underscore; the part up to and including it must equal the
// prefix without regard to case; the rest is read as a decimal number (leading digits, none
// gives 0). False when the name has no underscore or another prefix.
bool ParseIndexedName(std::string_view name, std::string_view prefix, unsigned* index);

// The pages ShowFunctionPage selects; kUnchanged leaves a switch as it is.
struct FunctionPageChoice {
  static constexpr int kUnchanged = -1;
  int devicePage;  // "device_function_switch"
  int keyPage;     // "device_key_function_switch"
};
FunctionPageChoice ChooseFunctionPages(int type, uint32_t typeCode);

// The first usage of the first button item of a decoded notification report; 0 when it turns
// nothing on.
uint16_t NotificationCodeOf(const std::vector<HidInputItem>& items);

// The host-side effects of the base, for devices that run them by their own light mode.
enum class HostEffect {
  kNone,
  kBreathing,
  kBreathingCycle,
  kStatic,
  kSpectrum,
  kBlink,
  kBlinkCycle,
  kOff,
};

enum class NotifyChannel { kWired = 0, kReceiver = 1 };

// What the host-side effects are computed for: nothing, the on-screen preview only, or the
// colour stream to the device (which also feeds the preview).
enum class EffectDemand { kNone, kPreview, kStream };

// Logical key -> assignment entry bytes.
using KeyAssignmentMap = std::map<int, std::vector<uint8_t>>;
using ColumnMapTable = std::array<std::array<uint8_t, kColumnRows>, kColumnCount>;

class CKestravaUSBDevice {
 public:
  // backend: not owned; null uses the default HID backend.
  explicit CKestravaUSBDevice(HidBackend* backend = nullptr);
  virtual ~CKestravaUSBDevice();
  CKestravaUSBDevice(const CKestravaUSBDevice&) = delete;
  CKestravaUSBDevice& operator=(const CKestravaUSBDevice&) = delete;

  // The name the interface framework knows the class by.
  virtual const char* ClassName() const { return "KestravaUSBDevice"; }

  // Configuration by discovery, in this order, then BindPage.
  void SetPageLayout(std::string layout);
  void SetMainWindow(MessageSink* sink) { MainWindow = sink; }
  void SetKeyCount(uint32_t count);
  void SetLightCount(uint32_t count);
  void SetListEntry(DeviceListEntryView* entry) { ListEntry = entry; }
  void SetPowerFlag(uint32_t flag) { PowerFlag = flag; }
  void SetProfileName(std::string name) { ProfileName = std::move(name); }
  void SetKindName(std::string name) { KindName = std::move(name); }
  void SetPowerControl(PowerControlView* control) { PowerControl = control; }
  // Also takes the type code and role of the row.
  void SetInterface(const SupportedInterface& row);
  // (SetDefaultDataIndex is device operation 39.)
  void SetLightLayerName(std::string name) { LightLayerName = std::move(name); }
  // The page the object shows itself in (null: none). Set before BindPage.
  void SetPageView(DevicePageView* view) { PageView = view; }

  const std::string& GetPageLayout() const { return PageLayout; }
  MessageSink* GetMainWindow() const { return MainWindow; }
  uint32_t GetKeyCount() const { return KeyCount; }
  uint32_t GetLightCount() const { return LightCount; }
  DeviceListEntryView* GetListEntry() const { return ListEntry; }
  uint32_t GetPowerFlag() const { return PowerFlag; }
  const std::string& GetProfileName() const { return ProfileName; }
  const std::string& GetKindName() const { return KindName; }
  PowerControlView* GetPowerControl() const { return PowerControl; }
  const SupportedInterface& GetInterface() const { return Interface; }
  uint32_t GetTypeCode() const { return TypeCode; }
  uint32_t GetRole() const { return Role; }
  const std::string& GetLightLayerName() const { return LightLayerName; }
  // Control numbers of key n and light n in the page view; -1 when unbound.
  int KeyButton(uint32_t key) const;
  int LightControl(uint32_t light) const;
  // Shows a light's entry on its page control when the control is visible (interface thread);
  // false when it is not.
  bool ShowLightOnPage(size_t light, uint32_t entry);

  // The page tells whether its lights can be seen at all: the page is the one shown, in a
  // window that is shown, not minimised and exposed (interface thread).
  void SetPreviewShown(bool shown);
  bool IsPreviewShown() const { return PreviewShown; }
  // Shows on the page the lights whose colour changed since they were last shown, at most once
  // per kPreviewPeriod and only while the preview is shown. True when any light was given a
  // new colour. Interface thread.
  bool RefreshLightPreview(SteadyTime now);
  // True when a light was given another colour since the preview last looked. Any thread.
  bool PreviewStale() const { return PreviewStaleFlag; }
  // True when the current effect's colours do not change with time (none, steady, off), so
  // that neither the effect thread nor the preview need to run again until something changes.
  // Any thread.
  virtual bool EffectIsStill() const;
  // True while SendColorFrame sends frames to the device. The base streams whenever the device
  // is on its cable; the keyboard only in its host-driven light modes. Any thread.
  virtual bool IsHostDriven() const;
  // kNone while the command link is closed. Any thread.
  EffectDemand GetEffectDemand() const;
  // Brings the host-side effects up to `now`: one effect pass for each millisecond since the
  // last pass (at most kMaxEffectCatchUp), each with the time of its own millisecond, as a loop
  // that waits 1 ms between passes runs them. Any thread.
  void AdvanceEffects(SteadyTime now);

  bool IsWireless() const { return Wireless; }
  void SetWireless(bool wireless);
  const std::array<uint8_t, kDeviceInfoSize>& GetDeviceInfo() const { return DeviceInfo; }

  LightSettingsRecord GetLightSettings() const;
  void SetLightSettings(const LightSettingsRecord& settings);

  // Stores the flag; when it is set on a keyboard, tells the keyboard that another program
  // drives its lights. The command's result, or 0 when nothing was sent.
  TransactionResult SetHostLightControl(bool flag);
  bool GetHostLightControl() const { return HostLightControl; }

  // Device operations, in slot order.
  virtual void BindPage();                                                          // 1
  virtual int ApplyLightSettings();                                                 // 2
  virtual void EffectBreathing(SteadyTime now);                                     // 3
  virtual void EffectBreathingCycle(SteadyTime now);                                // 4
  virtual void EffectStatic(SteadyTime now);                                        // 5
  virtual void EffectSpectrum(SteadyTime now);                                      // 6
  virtual void EffectBlink(SteadyTime now);                                         // 7
  virtual void EffectBlinkCycle(SteadyTime now);                                    // 8
  virtual void EffectOff();                                                         // 9
  virtual TransactionResult SendColorFrame();                                       // 10
  virtual void SetLightColor(int index, uint32_t value);                            // 11
  virtual uint32_t GetLightColor(int index) const;                                  // 12
  virtual void ReadAll();                                                           // 13
  virtual void Resync();                                                            // 14
  virtual void Reserved15();                                                        // 15
  virtual void Reserved16();                                                        // 16
  virtual void ReadPowerStatus();                                                   // 17
  virtual int IsWirelessLinked();                                                   // 18
  virtual int ReloadProfile();                                                      // 19
  virtual void Refresh();                                                           // 20
  virtual void ValidateMacroAssignments();                                          // 21
  virtual void ReloadFromProfile();                                                 // 22
  virtual std::vector<int> GetAssignedMacros();                                     // 23
  virtual int UploadKeyAssignments(int page, const KeyAssignmentMap& assignments);  // 24
  virtual int UploadCurrentKeyAssignments(int page);                                // 25
  virtual int UploadMacros(const std::vector<int>& macros);                         // 26
  virtual int WriteSettings(int slot, uint8_t firstByte);                           // 27
  virtual void LoadProfileData();                                                   // 28
  virtual void SetColumnMap(const ColumnMapTable& map);                             // 29
  virtual uint8_t DecayKeyIntensity(int key, int effectCode);                       // 30
  virtual void ResetKeyIntensity();                                                 // 31
  virtual void RotateColumns(int direction);                                        // 32
  virtual void ClearIntensity();                                                    // 33
  virtual void ShowFunctionPage(int type);                                          // 34
  virtual int GetFunctionPage() const;                                              // 35
  virtual void LoadProfileFile();                                                   // 36
  virtual std::string GetProfilePath() const;                                       // 37
  virtual void SaveProfile();                                                       // 38
  virtual void SetDefaultDataIndex(uint32_t index);                                 // 39
  virtual uint32_t GetDefaultDataIndex() const;                                     // 40
  virtual void SetLightPanelValues(int a, int b, int c, int d);                     // 41
  virtual void SetLightPanelColor(int x, int y, uint32_t value);                    // 42
  virtual uint32_t GetLightPanelColor() const;                                      // 43
  virtual void SelectKey(int logicalKey);                                           // 44
  virtual void Reserved45();                                                        // 45
  virtual void Reserved46();                                                        // 46

  // Runs one step of a base effect (kNone does nothing).
  void RunHostEffect(HostEffect effect, SteadyTime now);
  // The effect the base's effect pass steps.
  void SetHostEffect(HostEffect effect);

  // Workers. Start returns false when the thread is still running (also one that missed its
  // stop bound). Stops are bounded (kEffectStopBound, kNotifyStopBound) and traced.
  bool StartEffectThread();
  StopOutcome StopEffectThread();
  // The reader of one channel of NotifyLink; the channel is opened by the caller. Stopping
  // closes the channel, which ends the reader's wait.
  bool StartNotificationThread(NotifyChannel channel);
  StopOutcome StopNotificationThread(NotifyChannel channel);
  // Every worker: bounded, traced stops, then a wait without bound for any that missed its
  // bound. For destructors; the interface thread blocks while a late worker finishes.
  void StopWorkers();
  bool EffectThreadRunning() const { return EffectThread.Running(); }
  bool NotificationThreadRunning(NotifyChannel channel) const;

  // How long SendColorFrame pauses after a failed frame goes through this (tests shorten it).
  using Sleeper = std::function<void(std::chrono::milliseconds)>;
  void SetSleeper(Sleeper sleeper) { Sleep = std::move(sleeper); }

  CommandLink Link;
  // Only its two channels are used: the device's second interface on the cable and through
  // the receiver.
  CommandLink NotifyLink;

 protected:
  // One pass of the effect thread while the command link is open. The base steps the effect
  // chosen with SetHostEffect.
  virtual void EffectPass(SteadyTime now);
  // A notification code from one channel, on that channel's thread. The base ignores it.
  virtual void HandleNotification(NotifyChannel channel, uint16_t code);
  // Sends the first n bytes of a colour frame; the colour stream by default.
  virtual TransactionResult StreamFrame(const uint8_t* data, size_t n);
  // The traces the workers write when they end.
  virtual const char* EffectExitTrace() const { return "KB灯光线程设定退出"; }
  virtual const char* NotifyExitTrace() const { return "MS 设备同步线程设定退出"; }

  // What the effects are computed for may have changed (light mode, channel, preview): wakes the
  // effect thread and the list entry's poll. Any thread.
  void EffectDemandChanged();
  // A light's colour changed outside an effect pass the preview follows: the resting preview
  // is woken. Any thread.
  void MarkPreviewStale();
  // The frame's colours: the effects brought up to now when streaming, then copied into a
  // buffer that is reused from frame to frame. Interface thread.
  const std::vector<uint32_t>& TakeFrameColors();

  // To the main window, synchronously; 0 when there is none.
  intptr_t SendToMainWindow(uint32_t message, uintptr_t wParam, intptr_t lParam);
  // Runs task on the interface thread, unless the object is gone by then. False when there
  // is no main window or it refused.
  bool PostToInterface(std::function<void()> task);

  // Requires EffectLock.
  void FillLights(uint32_t entry);
  Rgb SettingsColor() const;
  // Flips BlinkOn when the speed level's blink period has passed since LastTick.
  bool BlinkTick(SteadyTime now);

  std::atomic<bool> Wireless{false};
  std::array<uint8_t, kDeviceInfoSize> DeviceInfo{};
  SupportedInterface Interface{};
  uint32_t TypeCode = 0;
  uint32_t Role = 0;
  uint32_t KeyCount = 0;
  uint32_t LightCount = 0;
  uint32_t PowerFlag = 0;
  uint32_t DefaultDataIndex = 0;
  int FunctionPage = 1;
  std::vector<int> KeyButtons;     // control numbers, -1 unbound
  std::vector<int> LightControls;  // control numbers, -1 unbound
  std::array<uint8_t, kLogicalKeyCount> KeyPositionMap;
  std::array<uint8_t, kLogicalKeyCount> LedMap;
  ColumnMapTable ColumnMap{};

  // Guarded by EffectLock.
  std::vector<uint32_t> LightColors;
  LightSettingsRecord LightSettings{};
  uint8_t EffectPhase = 0;
  uint8_t EffectColor = 0;
  bool BlinkOn = false;
  SteadyTime LastTick{};
  std::array<uint8_t, kLogicalKeyCount> KeyIntensity{};
  std::array<uint8_t, kColumnCount> ColumnRing{};
  std::atomic<HostEffect> CurrentEffect{HostEffect::kNone};
  SteadyTime LastEffectPass{};  // the time of the last effect pass

  // The preview (interface thread, except the flag).
  std::atomic<bool> PreviewShown{false};
  std::atomic<bool> PreviewStaleFlag{true};
  // What each light's control shows; kNotShown where that is not known.
  static constexpr uint64_t kNotShown = ~uint64_t{0};
  std::vector<uint64_t> ShownColors;
  std::vector<uint32_t> PreviewColors;  // reused by RefreshLightPreview
  std::vector<uint32_t> FrameColors;    // reused by TakeFrameColors
  SteadyTime LastPreview{};

  std::atomic<bool> HostLightControl{true};
  std::string PageLayout;
  std::string LightLayerName;
  std::string KindName;
  std::string ProfileName;
  std::atomic<MessageSink*> MainWindow{nullptr};
  DevicePageView* PageView = nullptr;
  DeviceListEntryView* ListEntry = nullptr;
  PowerControlView* PowerControl = nullptr;
  int FunctionSwitch = -1;     // found in the page on first use
  int KeyFunctionSwitch = -1;  // found in the page on first use
  std::array<int, 4> LightPanelValues{};
  uint32_t LightPanelColor = 0;
  int SelectedKey = -1;
  Json::Value ProfileDocument;
  Json::Value LightDocument;
  Json::Value MacroDocument;
  std::recursive_mutex DeviceLock;
  mutable std::recursive_mutex EffectLock;  // the effect rendering
  Sleeper Sleep;

 private:
  void NotificationLoop(NotifyChannel channel, const StopEvent& stop);
  HidChannel& NotifyChannelOf(NotifyChannel channel);
  std::mutex& NotifyLockOf(NotifyChannel channel);

  // Lets posted tasks see whether the object still exists when they run.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  // Last, so that they are joined before any other member goes.
  WorkerThread EffectThread;
  std::array<WorkerThread, 2> NotifyThreads;
};

}  // namespace qv
