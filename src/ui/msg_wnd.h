// CMsgWnd: the modal message box every notice and question goes through, and ShowMessage,
// which builds one, shows it and returns how it was closed: 1 for "confirm_btn", 0 for
// "cancel_btn", "closebtn", Escape or the window manager's close.
//
// Layout "XML_MSG": "MessageTitle", "MessageText", "confirm_btn", "cancel_btn", "closebtn".
// Interface thread only.
#pragma once

#include <QString>
#include <functional>

#include "ui/window_base.h"

namespace qv::ui {

class CMsgWnd : public CWindowBase {
  Q_OBJECT

 public:
  explicit CMsgWnd(QWidget* owner = nullptr);

  // Creates the window from its layout; false when the layout is missing.
  bool CreateBox();
  // Empty keeps the layout's title.
  void SetTitle(const QString& title);
  // Empty keeps the layout's text; with `isTextId` the text is an id shown in the language.
  void SetMsg(const QString& text, bool isTextId);
  // One of 48, 72, 96, 120, 144, 168, 192; anything else traces "MSG_WND DPI SET ERROR" and
  // takes 96.
  void SetDpiValue(int dpi);
  int DpiValue() const { return dpiValue_; }
  // 0: "confirm_btn" only; 1: both.
  void SetButtons(int buttons);

 protected:
  void InitWindow() override;
  void Notify(const UiNotify& notify) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int dpiValue_ = 96;
  QWidget* closeButton_ = nullptr;
};

// What a message box was asked to show (for tests that answer it instead of a user).
struct MessageRequest {
  QWidget* owner = nullptr;
  QString title;
  QString text;
  int dpi = 96;
  bool isTextId = true;
  int buttons = 0;
};

// Shows the box modally; the result as above.
int ShowMessage(QWidget* owner, const QString& title, const QString& text, int dpi, int isTextId,
                int buttons);

// While set, ShowMessage shows nothing and returns what the handler returns (tests).
void SetMessageHandlerForTest(std::function<int(const MessageRequest&)> handler);

// True for the DPI values the windows take.
bool IsKnownDpiValue(int dpi);

}  // namespace qv::ui
