// CKeySetControlUI ("KeySetControlItem" on a device page): edits the function of the selected
// key. It shows a key's current or default function in the controls of its category and builds
// a new code from them; the device object stores the code and sends it (the flows are the main
// window's). Layout "XML\CustomControlXML\KeySetControl.xml"; the control names are fixed.
//
// In the global namespace: the meta-object class name is what layouts and look-ups compare.
// Interface thread only.
#pragma once

#include <QFrame>
#include <QStringList>

#include "keys/key_function.h"
#include "profiles/profile_records.h"

class QComboBox;

class CKeySetControlUI : public QFrame {
  Q_OBJECT

 public:
  explicit CKeySetControlUI(QWidget* parent = nullptr);

  // 1 keyboard (no DPI and gun key categories), 2 mouse.
  void SetDeviceKind(int kind);
  int DeviceKind() const { return kind_; }
  void FillMacroList(const QStringList& names);
  void AddMacroItem(const QString& name);
  void RemoveMacroItem(int index);
  void RenameMacroItem(int index, const QString& name);

  // The selected key's record; shows its current code.
  void SetKey(const qv::KeyAssignment& assignment);
  void ShowCurrent();
  void ShowDefault();
  // The code of the selected category from the controls, kept as the current code.
  qv::KeyAssignment BuildCode();
  const qv::KeyAssignment& Key() const { return key_; }
  bool HasKey() const { return hasKey_; }
  // The category list's item of `category`; -1 when it has none (or it is hidden).
  int CategoryItem(int category) const;

  // The category list's pick: its page; the keyboard key category starts empty.
  void OnCategorySelected();
  // The end-mode pick: the repeat field shows for the repeat item only.
  void OnEndModeSelected();
  // A modifier option picked: only that one stays selected.
  void OnModifierSelected(int option);
  // A key pressed while the key name field has the focus: a modifier picks its option, any
  // other key becomes the code's key (with the picked modifier). False for a key the code
  // tables do not know.
  bool CaptureKey(int qtKey, bool keypad);
  // The same for a key press as the input sources report it (set 1 scan code and extended
  // flag), found through the scan-code table: a modifier picks its option (both Ctrl keys the
  // Ctrl option, and so on), any other key of the table becomes the code's key.
  bool CaptureScan(uint8_t scanCode, bool extended);
  // The pending state of the three action buttons.
  void SetPending(bool pending);
  bool Pending() const { return pending_; }

 Q_SIGNALS:
  // A key was captured into the current code; the owner applies it.
  void Captured();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Show(const qv::KeyFunction& code);
  void FillTables();
  qv::KeyFunction Current() const;
  qv::KeyFunction Default() const;
  QComboBox* Combo(const char* name) const;
  int SelectedModifier() const;
  void SelectModifier(int option);

  qv::KeyAssignment key_;
  bool hasKey_ = false;
  int kind_ = 1;
  bool pending_ = false;
};
