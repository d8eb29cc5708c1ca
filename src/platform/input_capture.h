// Desktop input for macro recording and the key panel's single-key capture: what a source of
// key and mouse events delivers, the sources' interface, and the hook object that starts them
// for one mode and turns each event into the message of that mode.
//
// Keys arrive as PC/AT set 1 make codes with the extended flag (the form the recorder's scan
// code table uses), mouse buttons as the classic mouse message numbers with the pointer's screen
// position. Every source hands its events to the hook on the interface thread, one at a time in
// arrival order; a source that reads on a thread of its own posts them there.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qv {

// Keyboard message numbers.
inline constexpr uint16_t kMsgKeyDown = 256;
inline constexpr uint16_t kMsgKeyUp = 257;
inline constexpr uint16_t kMsgSysKeyDown = 260;
inline constexpr uint16_t kMsgSysKeyUp = 261;

// Mouse message numbers.
inline constexpr uint16_t kMsgMouseMove = 512;
inline constexpr uint16_t kMsgLeftDown = 513;
inline constexpr uint16_t kMsgLeftUp = 514;
inline constexpr uint16_t kMsgRightDown = 516;
inline constexpr uint16_t kMsgRightUp = 517;
inline constexpr uint16_t kMsgMiddleDown = 519;
inline constexpr uint16_t kMsgMiddleUp = 520;
inline constexpr uint16_t kMsgWheel = 522;
inline constexpr uint16_t kMsgExtraDown = 523;
inline constexpr uint16_t kMsgExtraUp = 524;
// The extra-button word of 523 and 524.
inline constexpr uint16_t kExtraBack = 1;
inline constexpr uint16_t kExtraForward = 2;

struct KeyInput {
  uint16_t message = kMsgKeyDown;  // 256, 257, 260, 261
  uint8_t scanCode = 0;            // set 1 make code
  bool extended = false;
  bool Down() const { return message == kMsgKeyDown || message == kMsgSysKeyDown; }
};

struct MouseInput {
  uint16_t message = 0;  // 513..524
  int32_t x = 0;         // pointer position, screen pixels
  int32_t y = 0;
  uint16_t extraButton = 0;  // 523/524: kExtraBack or kExtraForward
};

struct InputEvent {
  enum class Kind { kKey, kMouse } kind = Kind::kKey;
  KeyInput key;
  MouseInput mouse;
};

using InputHandler = std::function<void(const InputEvent&)>;

// One source of desktop input. Start delivers every following event to `handler` on the
// interface thread until Stop; Start on a started source replaces the handler.
class InputCaptureSource {
 public:
  virtual ~InputCaptureSource() = default;
  virtual const char* Name() const = 0;
  // False when the source cannot deliver (no permission, no device); nothing is started then.
  virtual bool Start(InputHandler handler) = 0;
  virtual void Stop() = 0;
  virtual bool Started() const = 0;
};

// Feeds what a test or the simulated-device mode hands it, synchronously.
class ScriptedInputSource : public InputCaptureSource {
 public:
  const char* Name() const override { return "scripted"; }
  bool Start(InputHandler handler) override;
  void Stop() override;
  bool Started() const override { return static_cast<bool>(handler_); }

  // Delivered only while started; false otherwise.
  bool Feed(const InputEvent& event);
  bool Key(uint8_t scanCode, bool extended, bool down);
  bool Mouse(uint16_t message, int32_t x = 0, int32_t y = 0, uint16_t extraButton = 0);

 private:
  InputHandler handler_;
};

// Hook modes: which message key events become.
inline constexpr int kHookSingleKey = 1;
inline constexpr int kHookHitKey = 2;
inline constexpr int kHookAppend = 4;
inline constexpr int kHookInsertBefore = 8;
inline constexpr int kHookInsertAfter = 16;
inline constexpr int kHookReplace = 32;
inline constexpr int kHookMouseSingleKey = 256;
inline constexpr int kHookMouseHitKey = 512;
inline constexpr int kHookMouseMacro = 1024;

// Receives the hook's messages: `message` is the registered message id of the mode's message
// (WM_HOOK_KEY_KBMACRO_MSG, ...), `wParam` the key or mouse message number.
class HookTarget {
 public:
  virtual ~HookTarget() = default;
  virtual void OnHookMessage(uint32_t message, uint16_t wParam, const InputEvent& event) = 0;
};

// The registered message a key event becomes in `mode`; 0 when the mode sends none.
uint32_t KeyHookMessage(int mode);
// The registered message a mouse event becomes in `mode` (the four recording modes); 0 otherwise.
uint32_t MouseHookMessage(int mode);

// CDeviceHook: one per program, owned by the main window. The key source feeds the keyboard
// hook, the mouse source the mouse hook; a source may be both. Sources are not owned and must
// outlive the hook.
class CDeviceHook {
 public:
  CDeviceHook() = default;
  ~CDeviceHook();
  CDeviceHook(const CDeviceHook&) = delete;
  CDeviceHook& operator=(const CDeviceHook&) = delete;

  void SetSources(InputCaptureSource* keySource, InputCaptureSource* mouseSource);

  // Removes what is installed; starts the key source when `keyboardHook`, the mouse source when
  // `mouseHook`; stores target and mode. 0 (nothing more changed) when the key source cannot
  // start; 1 otherwise.
  int Install(int mode, HookTarget* target, bool keyboardHook, bool mouseHook);
  void Remove();

  int Mode() const { return mode_; }
  bool KeyboardInstalled() const { return keyboardInstalled_; }
  bool MouseInstalled() const { return mouseInstalled_; }

 private:
  void Deliver(const InputEvent& event);

  InputCaptureSource* keySource_ = nullptr;
  InputCaptureSource* mouseSource_ = nullptr;
  HookTarget* target_ = nullptr;
  int mode_ = 0;
  bool keyboardInstalled_ = false;
  bool mouseInstalled_ = false;
};

}  // namespace qv
