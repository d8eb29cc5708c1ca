// The about window and the settings window's frame.
//
// CAboutWnd (layout "AboutWnd.xml"): the program's version under "software_ver_label", the
// frame buttons; its "closebtn" closes it, while the window manager's close ends the program.
// CSetWnd (layout "setwnd.xml", 630 by 500): the language combo "Language_combox_info" and
// the frame; the update page's controls are present and wait for the update flow.
//
// Both tell their owner through callbacks rather than knowing the main window. Interface
// thread only.
#pragma once

#include <functional>

#include "ui/window_base.h"

namespace qv::ui {

// Frame buttons the windows look for in their layouts.
struct FrameButtons {
  QWidget* close = nullptr;
  QWidget* max = nullptr;
  QWidget* restore = nullptr;
  QWidget* min = nullptr;
  QWidget* menu = nullptr;
  QWidget* later = nullptr;
  void Find(const CWindowBase& window);
  // Minimise, maximise or restore `window` when `sender` is one of those buttons.
  bool ChangeState(QWidget* window, QWidget* sender) const;
};

class CAboutWnd : public CWindowBase {
  Q_OBJECT

 public:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 572;

  // quit: what the window manager's close does (ends the program's loop by default).
  explicit CAboutWnd(QWidget* owner, std::function<void()> quit = {});
  bool CreateAbout();
  // "software_rev_text" in the language, then the version.
  void SetVersionText(const QString& version);
  void OnLanguageChanged();

 protected:
  void InitWindow() override;
  void Notify(const UiNotify& notify) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ShowMaxState();
  FrameButtons frame_;
  std::function<void()> quit_;
  QString version_;
};

class CSetWnd : public CWindowBase {
  Q_OBJECT

 public:
  static constexpr int kWidth = 630;
  static constexpr int kHeight = 500;

  struct Hooks {
    // The user picked the language at this index.
    std::function<void(int index)> languageChosen;
    // The update flow's work; ended before the window closes.
    std::function<void()> endUpdateWork;
  };

  CSetWnd(QWidget* owner, Hooks hooks);
  bool CreateSettings();
  // Fills the language combo, selecting `current` without a notification.
  void SetLanguageIndex(int current);
  int LanguageIndex() const { return language_; }
  // 48..192 as the message box; anything else traces "SET_WND DPI SET ERROR" and takes 96.
  void SetDpiValue(int dpi);
  int DpiValue() const { return dpiValue_; }
  void OnLanguageChanged();

 protected:
  void InitWindow() override;
  void Notify(const UiNotify& notify) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void EndUpdateWork();
  FrameButtons frame_;
  Hooks hooks_;
  int language_ = -1;
  int dpiValue_ = 96;
};

}  // namespace qv::ui
