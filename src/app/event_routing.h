// Notification routing of the main window: which owner receives a notification of the main
// layout, by its type and its sender's name. Pure tables and look-ups; the main window turns a
// route into a call of the owner's entry point.
//
// The name split: a control name is split at its last "_" into a prefix that keeps the "_" and
// a number, the decimal value of the rest (0 when the rest is not a number). A name without "_"
// has no prefix. Exact names compare ignoring case unless a row says otherwise.
//
// A name that no table knows gives no route and is ignored. Pure functions; any thread.
#pragma once

#include <QString>
#include <vector>

namespace qv::ui {

struct NameSplit {
  bool hasPrefix = false;
  QString prefix;  // with its trailing "_"
  int number = 0;
};
NameSplit SplitControlName(const QString& name);

// Who receives a routed notification. kMainWindow rows are handled by the window itself; the
// others are entry points of the panels and device parts that own the controls.
enum class RouteOwner {
  kMainWindow,
  kKeyPanel,          // key selection and assignment
  kLightingPanel,     // lighting effect, colours and per-key selection
  kAudioLighting,     // audio-reactive lighting
  kDpiPanel,          // mouse DPI, polling and pointer settings
  kRecoilEditor,      // mouse recoil patterns
  kProfilePanel,      // profile list operations
  kKeyboardSettings,  // repeat, polling rate and key switches of the keyboard
  kMacroEditor,
  kHeadsetPanel,
  kDeviceList,
  kPageTab,         // the current device shows a page tab; number: the tab
  kInputSettings,   // the system's input-device settings; number: which page
  kPollingRate,     // polling rate of the current device (keyboard or mouse)
  kKeyAssignApply,  // apply the edited key assignment to the current device
  kNothing,         // known name that is deliberately left alone
};

struct Route {
  RouteOwner owner = RouteOwner::kNothing;
  QString key;            // the table's name or prefix
  int number = 0;         // the split number for prefixes, the row's argument for exact names
  bool skipBase = false;  // the base notification handling is skipped
};

// Every route of one notification, in the order they run (most give one, none when unknown).
std::vector<Route> FindRoutes(const QString& type, const QString& senderName);

const char* RouteOwnerName(RouteOwner owner);

}  // namespace qv::ui
