// Named notifications: every user action on a control of a window reaches the window as one
// UiNotify carrying a type string and the sending control, as the event routing expects.
//
// A NotifyAdapter is a child of its window. Attach() walks a control tree and connects the
// natural Qt signals and events of every named control (names starting with "qt_" are Qt's own
// internals and stay silent):
//   button clicked -> "click"; checkable button toggled -> "selectchanged";
//   combo box index changed -> "itemselect" (wParam new index, lParam previous);
//   list widget: current row -> "itemselect", item clicked -> "itemclick", activated ->
//     "itemactivate", double-clicked -> "dbclick" (wParam row);
//   slider settled (not while dragged, and on release) -> "valuechanged", dragged ->
//     "movevaluechanged" (wParam value); spin box value -> "valuechanged";
//   line edit text -> "textchanged", Return -> "return"; text edits -> "textchanged";
//   focus in/out -> "setfocus"/"killfocus"; mouse enter/leave -> "msenter"/"msleave";
//   double click -> "dbclick"; context menu -> "menu";
//   window first shown -> "windowinit" and root resized -> "windowsize" (sender: the root);
//   SetTimer -> "timer" (wParam: the timer id).
// Custom controls raise the other types ("colorchanged", "checkclick", "click_select_end",
// "click_handdelete", "click_wpremove", "click_wpadd", "click_wpedit", "click_wpselect") with
// SendNotify(). Interface thread only; notifications are delivered synchronously.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <array>

class QWidget;

namespace qv::ui {

struct UiNotify {
  QString type;
  QWidget* sender = nullptr;
  qint64 wParam = 0;
  qint64 lParam = 0;
};

inline constexpr std::array<const char*, 26> kNotifyTypes = {
    "click",
    "selectchanged",
    "itemselect",
    "itemclick",
    "itemactivate",
    "valuechanged",
    "movevaluechanged",
    "textchanged",
    "killfocus",
    "setfocus",
    "windowinit",
    "windowsize",
    "timer",
    "colorchanged",
    "msenter",
    "msleave",
    "dbclick",
    "checkclick",
    "return",
    "menu",
    "click_select_end",
    "click_handdelete",
    "click_wpremove",
    "click_wpadd",
    "click_wpedit",
    "click_wpselect",
};

class NotifyAdapter : public QObject {
  Q_OBJECT

 public:
  // Becomes a child of `window` and watches it for "windowinit".
  explicit NotifyAdapter(QWidget* window);

  // The adapter of the window that holds `control`, or nullptr.
  static NotifyAdapter* For(const QWidget* control);

  // Connects `root` and every control below it (again-safe: a control is connected once).
  void Attach(QWidget* root);
  // The layout's top control: sender of "windowinit" and "windowsize".
  void SetRoot(QWidget* root);
  QWidget* Root() const { return root_; }

  void Send(const QString& type, QWidget* sender, qint64 wParam = 0, qint64 lParam = 0);

 Q_SIGNALS:
  void Notified(const qv::ui::UiNotify& notify);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AttachOne(QWidget* control);

  QWidget* window_;
  QPointer<QWidget> root_;
  bool initSent_ = false;
};

// Raises a notification from `sender` to its window; false when the window has no adapter.
bool SendNotify(QWidget* sender, const QString& type, qint64 wParam = 0, qint64 lParam = 0);

// Repeating timer on a control, delivering "timer" with wParam `id` until killed. Setting an id
// again restarts it with the new period. False for a null control or a period below 1.
bool SetTimer(QWidget* control, int id, int periodMs);
bool KillTimer(QWidget* control, int id);

}  // namespace qv::ui
