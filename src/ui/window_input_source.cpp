#include "ui/window_input_source.h"

#include <linux/input-event-codes.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <array>
#include <utility>

#include "platform/set1_keys.h"

namespace qv::ui {
namespace {

// For key events that carry no scan code (synthetic ones, the offscreen platform): the evdev
// code of the key on a US layout.
struct QtKeyCode {
  int key;
  uint16_t evdev;
};

constexpr std::array kQtKeys = {
    QtKeyCode{Qt::Key_A, KEY_A},
    QtKeyCode{Qt::Key_B, KEY_B},
    QtKeyCode{Qt::Key_C, KEY_C},
    QtKeyCode{Qt::Key_D, KEY_D},
    QtKeyCode{Qt::Key_E, KEY_E},
    QtKeyCode{Qt::Key_F, KEY_F},
    QtKeyCode{Qt::Key_G, KEY_G},
    QtKeyCode{Qt::Key_H, KEY_H},
    QtKeyCode{Qt::Key_I, KEY_I},
    QtKeyCode{Qt::Key_J, KEY_J},
    QtKeyCode{Qt::Key_K, KEY_K},
    QtKeyCode{Qt::Key_L, KEY_L},
    QtKeyCode{Qt::Key_M, KEY_M},
    QtKeyCode{Qt::Key_N, KEY_N},
    QtKeyCode{Qt::Key_O, KEY_O},
    QtKeyCode{Qt::Key_P, KEY_P},
    QtKeyCode{Qt::Key_Q, KEY_Q},
    QtKeyCode{Qt::Key_R, KEY_R},
    QtKeyCode{Qt::Key_S, KEY_S},
    QtKeyCode{Qt::Key_T, KEY_T},
    QtKeyCode{Qt::Key_U, KEY_U},
    QtKeyCode{Qt::Key_V, KEY_V},
    QtKeyCode{Qt::Key_W, KEY_W},
    QtKeyCode{Qt::Key_X, KEY_X},
    QtKeyCode{Qt::Key_Y, KEY_Y},
    QtKeyCode{Qt::Key_Z, KEY_Z},
    QtKeyCode{Qt::Key_Minus, KEY_MINUS},
    QtKeyCode{Qt::Key_Equal, KEY_EQUAL},
    QtKeyCode{Qt::Key_BracketLeft, KEY_LEFTBRACE},
    QtKeyCode{Qt::Key_BracketRight, KEY_RIGHTBRACE},
    QtKeyCode{Qt::Key_Semicolon, KEY_SEMICOLON},
    QtKeyCode{Qt::Key_Apostrophe, KEY_APOSTROPHE},
    QtKeyCode{Qt::Key_QuoteLeft, KEY_GRAVE},
    QtKeyCode{Qt::Key_Backslash, KEY_BACKSLASH},
    QtKeyCode{Qt::Key_Comma, KEY_COMMA},
    QtKeyCode{Qt::Key_Period, KEY_DOT},
    QtKeyCode{Qt::Key_Slash, KEY_SLASH},
    QtKeyCode{Qt::Key_Escape, KEY_ESC},
    QtKeyCode{Qt::Key_Tab, KEY_TAB},
    QtKeyCode{Qt::Key_Backtab, KEY_TAB},
    QtKeyCode{Qt::Key_Backspace, KEY_BACKSPACE},
    QtKeyCode{Qt::Key_Return, KEY_ENTER},
    QtKeyCode{Qt::Key_Enter, KEY_KPENTER},
    QtKeyCode{Qt::Key_Space, KEY_SPACE},
    QtKeyCode{Qt::Key_Shift, KEY_LEFTSHIFT},
    QtKeyCode{Qt::Key_Control, KEY_LEFTCTRL},
    QtKeyCode{Qt::Key_Alt, KEY_LEFTALT},
    QtKeyCode{Qt::Key_AltGr, KEY_RIGHTALT},
    QtKeyCode{Qt::Key_Meta, KEY_LEFTMETA},
    QtKeyCode{Qt::Key_Super_L, KEY_LEFTMETA},
    QtKeyCode{Qt::Key_Super_R, KEY_RIGHTMETA},
    QtKeyCode{Qt::Key_Menu, KEY_COMPOSE},
    QtKeyCode{Qt::Key_CapsLock, KEY_CAPSLOCK},
    QtKeyCode{Qt::Key_NumLock, KEY_NUMLOCK},
    QtKeyCode{Qt::Key_ScrollLock, KEY_SCROLLLOCK},
    QtKeyCode{Qt::Key_Print, KEY_SYSRQ},
    QtKeyCode{Qt::Key_Pause, KEY_PAUSE},
    QtKeyCode{Qt::Key_Insert, KEY_INSERT},
    QtKeyCode{Qt::Key_Delete, KEY_DELETE},
    QtKeyCode{Qt::Key_Home, KEY_HOME},
    QtKeyCode{Qt::Key_End, KEY_END},
    QtKeyCode{Qt::Key_PageUp, KEY_PAGEUP},
    QtKeyCode{Qt::Key_PageDown, KEY_PAGEDOWN},
    QtKeyCode{Qt::Key_Left, KEY_LEFT},
    QtKeyCode{Qt::Key_Right, KEY_RIGHT},
    QtKeyCode{Qt::Key_Up, KEY_UP},
    QtKeyCode{Qt::Key_Down, KEY_DOWN},
};

constexpr std::array<uint16_t, 10> kDigits = {KEY_0, KEY_1, KEY_2, KEY_3, KEY_4,
                                              KEY_5, KEY_6, KEY_7, KEY_8, KEY_9};
constexpr std::array<uint16_t, 10> kKeypadDigits = {KEY_KP0, KEY_KP1, KEY_KP2, KEY_KP3, KEY_KP4,
                                                    KEY_KP5, KEY_KP6, KEY_KP7, KEY_KP8, KEY_KP9};

std::optional<uint16_t> EvdevOfQtKey(int key, Qt::KeyboardModifiers modifiers) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    const auto digit = static_cast<size_t>(key - Qt::Key_0);
    return (modifiers & Qt::KeypadModifier) ? kKeypadDigits[digit] : kDigits[digit];
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F10) return KEY_F1 + (key - Qt::Key_F1);
  if (key == Qt::Key_F11) return KEY_F11;
  if (key == Qt::Key_F12) return KEY_F12;
  for (const QtKeyCode& k : kQtKeys) {
    if (k.key == key) return k.evdev;
  }
  return std::nullopt;
}

// xcb and Wayland report the X keycode, which is the evdev code plus 8.
constexpr quint32 kXKeycodeOffset = 8;

struct QtButton {
  Qt::MouseButton button;
  uint16_t down;
  uint16_t up;
  uint16_t extra;
};

constexpr std::array kQtButtons = {
    QtButton{Qt::LeftButton, qv::kMsgLeftDown, qv::kMsgLeftUp, 0},
    QtButton{Qt::RightButton, qv::kMsgRightDown, qv::kMsgRightUp, 0},
    QtButton{Qt::MiddleButton, qv::kMsgMiddleDown, qv::kMsgMiddleUp, 0},
    QtButton{Qt::BackButton, qv::kMsgExtraDown, qv::kMsgExtraUp, qv::kExtraBack},
    QtButton{Qt::ForwardButton, qv::kMsgExtraDown, qv::kMsgExtraUp, qv::kExtraForward},
};

}  // namespace

WindowInputSource::WindowInputSource(QWidget* grabWidget, QObject* parent)
    : QObject(parent), grabWidget_(grabWidget) {}

WindowInputSource::~WindowInputSource() {
  Stop();
}

bool WindowInputSource::Start(qv::InputHandler handler) {
  if (!handler || !qApp) return false;
  handler_ = std::move(handler);
  if (started_) return true;
  qApp->installEventFilter(this);
  if (grabWidget_) {
    grabWidget_->grabKeyboard();
    grabWidget_->grabMouse();
    grabbedWidget_ = grabWidget_;
  }
  passing_ = {};
  lastPassed_.reset();
  started_ = true;
  return true;
}

void WindowInputSource::Stop() {
  if (!started_) return;
  started_ = false;
  handler_ = nullptr;
  if (qApp) qApp->removeEventFilter(this);
  if (grabbedWidget_) {
    grabbedWidget_->releaseKeyboard();
    grabbedWidget_->releaseMouse();
  }
  grabbedWidget_ = nullptr;
}

std::optional<qv::InputEvent> WindowInputSource::Translate(const QKeyEvent& event) {
  const bool down = event.type() == QEvent::KeyPress;
  if (!down && event.type() != QEvent::KeyRelease) return std::nullopt;
  // A held key repeats as presses only, as the desktop's keyboard hook reports it.
  if (!down && event.isAutoRepeat()) return std::nullopt;
  std::optional<Set1Key> key;
  if (event.nativeScanCode() > kXKeycodeOffset) {
    key = Set1FromEvdev(static_cast<uint16_t>(event.nativeScanCode() - kXKeycodeOffset));
  }
  if (!key) {
    if (const auto evdev = EvdevOfQtKey(event.key(), event.modifiers())) {
      key = Set1FromEvdev(*evdev);
    }
  }
  if (!key) return std::nullopt;
  // With Alt held (or Alt itself) the keys are system keys.
  const bool system = (event.modifiers() & Qt::AltModifier) || event.key() == Qt::Key_Alt;
  qv::InputEvent result;
  result.kind = qv::InputEvent::Kind::kKey;
  if (system) {
    result.key.message = down ? qv::kMsgSysKeyDown : qv::kMsgSysKeyUp;
  } else {
    result.key.message = down ? qv::kMsgKeyDown : qv::kMsgKeyUp;
  }
  result.key.scanCode = key->scanCode;
  result.key.extended = key->extended;
  return result;
}

std::optional<qv::InputEvent> WindowInputSource::Translate(const QMouseEvent& event) {
  // A double click is the second press of two, as the desktop reports it.
  const bool down =
      event.type() == QEvent::MouseButtonPress || event.type() == QEvent::MouseButtonDblClick;
  if (!down && event.type() != QEvent::MouseButtonRelease) return std::nullopt;
  for (const QtButton& b : kQtButtons) {
    if (b.button != event.button()) continue;
    const QPoint global = event.globalPosition().toPoint();
    qv::InputEvent result;
    result.kind = qv::InputEvent::Kind::kMouse;
    result.mouse.message = down ? b.down : b.up;
    result.mouse.x = global.x();
    result.mouse.y = global.y();
    result.mouse.extraButton = b.extra;
    return result;
  }
  return std::nullopt;
}

void WindowInputSource::Report(const qv::InputEvent& event) {
  if (!deliver_ || !handler_) return;
  const qv::InputHandler handler = handler_;  // it may stop this source
  handler(event);
}

bool WindowInputSource::OverPassThrough(const QPoint& global) const {
  return passThrough_ && passThrough_->isVisible() &&
         passThrough_->rect().contains(passThrough_->mapFromGlobal(global));
}

// An event of the platform reaches the application filter first with its window as the
// receiver; swallowed there, no widget sees it, so each is reported once.
bool WindowInputSource::eventFilter(QObject* watched, QEvent* event) {
  if (!started_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Accepted, the key is not taken for a shortcut; it then arrives as a press, below.
      event->accept();
      return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      if (const auto key = Translate(static_cast<const QKeyEvent&>(*event))) Report(*key);
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease: {
      const auto& mouse = static_cast<const QMouseEvent&>(*event);
      const Passed seen{mouse.type(), mouse.button(), mouse.timestamp()};
      if (lastPassed_ == seen) return false;
      const bool release = mouse.type() == QEvent::MouseButtonRelease;
      const bool over = OverPassThrough(mouse.globalPosition().toPoint());
      if (over || (release && (passing_ & mouse.button()))) {
        passing_.setFlag(mouse.button(), !release);
        lastPassed_ = seen;
        return false;
      }
      lastPassed_.reset();
      if (const auto button = Translate(mouse)) Report(*button);
      return true;
    }
    case QEvent::Wheel:
    case QEvent::ContextMenu:
      return true;
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace qv::ui
