// CMacroControlUI ("MacroControlItem" on a device page): the device's macros, the steps of the
// selected one as action rows, and the operations on both. Every edit of the steps is saved to
// the macro's file at once; the rows mirror the working list (MacroActionList), and recording
// goes through the panel's recorder. Layout "XML\CustomControlXML\MacroControl.xml"; the control
// names are fixed.
//
// The panel shows no message box itself: what the user must be told goes to the teller the
// owner sets (a text id), so that the main window's message box and its DPI serve every panel.
//
// In the global namespace: the meta-object class name is what layouts and look-ups compare.
// Interface thread only.
#pragma once

#include <QFrame>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "macros/macro_action_list.h"
#include "macros/macro_recorder.h"
#include "macros/macro_store.h"
#include "profiles/json_file_store.h"

class QListWidget;
class QListWidgetItem;
class QTimer;

class CMacroControlUI : public QFrame {
  Q_OBJECT

 public:
  explicit CMacroControlUI(QWidget* parent = nullptr);
  ~CMacroControlUI() override;

  // The page builder's two calls: the device's data folder (ending with "/") and list file,
  // then the names, which it hands to the key panel.
  void SetFolder(const std::string& dataFolder,
                 const std::string& configFileName = qv::kMacroConfigFileName);
  QStringList LoadNames();
  QStringList Names() const;

  using Teller = std::function<void(const QString& textId)>;
  void SetTeller(Teller teller) { tell_ = std::move(teller); }
  // The recorder's clock (milliseconds); the monotonic clock unless a test drives it.
  void SetClock(qv::MacroRecorder::Clock clock);

  const qv::MacroStore& Store() const { return macros_; }
  const qv::MacroActionList& Actions() const { return list_; }
  const qv::MacroRecorder& Recorder() const { return recorder_; }
  int SelectedMacro() const { return macros_.Selected(); }

  // The macro list's current row: its steps, or none.
  void SelectMacro();
  qv::MacroResult Create();
  // To the name box's text. A taken name is told ("message_text_5"), a blank one refused quietly.
  qv::MacroResult Rename();
  // The selected macro, after the owner asked its questions; see MacroStore::Remove.
  qv::MacroResult Remove(const std::vector<std::string>& profilePaths,
                         std::vector<std::string>* changedProfiles);
  // The steps to the selected macro's file; false when nothing was written (no macro, more
  // than 250 steps: trimmed and told, a write that failed: told).
  bool SaveEvents();
  // The selected macro again from its file (unsaved delay edits are dropped).
  void Reload();
  qv::MacroResult Import(const QString& path);
  qv::MacroResult Export(const QString& path);
  // The path of the last import, for the next file dialog.
  QString LastImportPath() const { return lastImport_; }

  // Recording: 2 when "macro_check_time" is checked, else 1 (the record button's mode).
  int CheckedTimingMode() const;
  void StartRecording(int timingMode, qv::RecordKind kind);
  // Leaves the recording state and saves.
  void StopRecording();
  bool Recording() const { return recorder_.Recording(); }
  // The stop button's rectangle on the screen (clicks on it are not recorded).
  qv::ScreenRect StopButtonRect() const;
  QWidget* StopButton() const;
  // The hint under the record button: how to let recording see the whole desktop when the
  // input devices may not be read, the usual hint otherwise.
  void ShowCaptureHint(bool devicesRefused);
  void OnKey(qv::RecordKind kind, const qv::KeyInput& key);
  void OnMouse(qv::RecordKind kind, const qv::MouseInput& mouse);

  // Step editing; each saves afterwards.
  enum class StepMove { kUp, kDown, kToTop, kToBottom };
  void MoveAction(StepMove move);
  void DeleteAction();
  void DeleteAll();
  // 0 left, 1 right, 2 up, 3 down, by the distance in its field.
  void InsertMove(int direction);
  // An item of the action menu that inserts ("left_down", "right_click", ...); false for others.
  bool InsertMenuAction(const QString& item);
  // A step's delay field lost the focus.
  void OnDelayEdited();

  // The row widget of step `index` (named "macro_action"); nullptr outside the list.
  QWidget* RowWidget(int index) const;

 Q_SIGNALS:
  // Create, rename, delete and import changed the names (the key panel follows them).
  void NamesChanged();

 private:
  QWidget* Control(const char* name) const;
  void Tell(const char* textId);
  void TellResult(qv::MacroResult result);
  // After an operation that changes the list: told when it failed, shown when it did not.
  qv::MacroResult ListChanged(qv::MacroResult result);
  void FillNames(int select);
  void ShowEditing(bool enabled);
  void LoadSteps();
  void SyncRows();
  QWidget* BuildRow(const qv::MacroActionRow& row);
  void FillRow(QWidget* rowWidget, const qv::MacroEvent& event);
  void SelectRowInView();
  void ReadDelayFields();
  void SetRecordingState(bool recording);
  void Edited();
  void Recorded(const qv::RecordResult& result);
  uint16_t MoveDistance(const char* editName) const;

  qv::JsonFileStore store_;
  qv::MacroStore macros_{store_};
  qv::MacroActionList list_;
  qv::MacroRecorder recorder_;
  QListWidget* names_ = nullptr;
  QListWidget* steps_ = nullptr;
  QTimer* scrollTimer_ = nullptr;  // timer 4101: the selected step into view after a recording
  Teller tell_;
  QString lastImport_;
  bool syncing_ = false;
};
