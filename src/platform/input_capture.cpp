#include "platform/input_capture.h"

#include "platform/registered_messages.h"

namespace qv {

bool ScriptedInputSource::Start(InputHandler handler) {
  handler_ = std::move(handler);
  return static_cast<bool>(handler_);
}

void ScriptedInputSource::Stop() {
  handler_ = nullptr;
}

bool ScriptedInputSource::Feed(const InputEvent& event) {
  if (!handler_) return false;
  // A copy: the handler may stop or restart this source while it runs.
  const InputHandler handler = handler_;
  handler(event);
  return true;
}

bool ScriptedInputSource::Key(uint8_t scanCode, bool extended, bool down) {
  InputEvent event;
  event.kind = InputEvent::Kind::kKey;
  event.key.message = down ? kMsgKeyDown : kMsgKeyUp;
  event.key.scanCode = scanCode;
  event.key.extended = extended;
  return Feed(event);
}

bool ScriptedInputSource::Mouse(uint16_t message, int32_t x, int32_t y, uint16_t extraButton) {
  InputEvent event;
  event.kind = InputEvent::Kind::kMouse;
  event.mouse.message = message;
  event.mouse.x = x;
  event.mouse.y = y;
  event.mouse.extraButton = extraButton;
  return Feed(event);
}

uint32_t KeyHookMessage(int mode) {
  switch (mode) {
    case kHookSingleKey:
      return WM_HOOK_KEY_SINGLEKEY_MSG;
    case kHookHitKey:
      return WM_HOOK_KEY_HITKEY_MSG;
    case kHookAppend:
      return WM_HOOK_KEY_KBMACRO_MSG;
    case kHookInsertBefore:
      return WM_HOOK_KEY_KBMACROPREVIOUS_MSG;
    case kHookInsertAfter:
      return WM_HOOK_KEY_KBMACROLATER_MSG;
    case kHookReplace:
      return WM_HOOK_KEY_KBMACROSINGLE_MSG;
    case kHookMouseSingleKey:
      return WM_HOOK_MOU_SINGLEKEY_MSG;
    case kHookMouseHitKey:
      return WM_HOOK_MOU_HITKEY_MSG;
    case kHookMouseMacro:
      return WM_HOOK_MOU_KBMACRO_MSG;
    default:
      return 0;
  }
}

uint32_t MouseHookMessage(int mode) {
  switch (mode) {
    case kHookAppend:
      return WM_HOOK_KEY_MSMACRO_MSG;
    case kHookInsertBefore:
      return WM_HOOK_KEY_MSMACROPREVIOUS_MSG;
    case kHookInsertAfter:
      return WM_HOOK_KEY_MSMACROLATER_MSG;
    case kHookReplace:
      return WM_HOOK_KEY_MSMACROSINGLE_MSG;
    default:
      return 0;
  }
}

CDeviceHook::~CDeviceHook() {
  Remove();
}

void CDeviceHook::SetSources(InputCaptureSource* keySource, InputCaptureSource* mouseSource) {
  // What is installed was started on the old sources; stop it there.
  Remove();
  keySource_ = keySource;
  mouseSource_ = mouseSource;
}

int CDeviceHook::Install(int mode, HookTarget* target, bool keyboardHook, bool mouseHook) {
  Remove();
  const bool shared = keySource_ && keySource_ == mouseSource_;
  if (keyboardHook) {
    // A source that is both passes its mouse events on only when the mouse hook is wanted too;
    // Deliver checks that against the installed flags.
    auto keys = [this, shared](const InputEvent& event) {
      if (event.kind == InputEvent::Kind::kKey || shared) Deliver(event);
    };
    if (!keySource_ || !keySource_->Start(keys)) return 0;
    keyboardInstalled_ = true;
  }
  if (mouseHook && mouseSource_) {
    if (shared && keyboardInstalled_) {
      mouseInstalled_ = true;
    } else {
      // A source of its own (or the shared one without the keyboard hook) gives mouse events
      // only, so that a key source that also sees the mouse does not report a click twice.
      auto mice = [this](const InputEvent& event) {
        if (event.kind == InputEvent::Kind::kMouse) Deliver(event);
      };
      mouseInstalled_ = mouseSource_->Start(mice);
    }
  }
  target_ = target;
  mode_ = mode;
  return 1;
}

void CDeviceHook::Remove() {
  const bool shared = keySource_ && keySource_ == mouseSource_;
  if (keyboardInstalled_ && keySource_) keySource_->Stop();
  if (mouseInstalled_ && mouseSource_ && !(shared && keyboardInstalled_)) mouseSource_->Stop();
  keyboardInstalled_ = false;
  mouseInstalled_ = false;
}

void CDeviceHook::Deliver(const InputEvent& event) {
  if (!target_) return;
  if (event.kind == InputEvent::Kind::kKey) {
    const uint32_t message = KeyHookMessage(mode_);
    if (keyboardInstalled_ && message != 0)
      target_->OnHookMessage(message, event.key.message, event);
  } else {
    const uint32_t message = MouseHookMessage(mode_);
    if (mouseInstalled_ && message != 0) {
      target_->OnHookMessage(message, event.mouse.message, event);
    }
  }
}

}  // namespace qv
