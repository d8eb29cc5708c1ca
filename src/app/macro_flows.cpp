#include "app/macro_flows.h"

#include <QCursor>
#include <QMenu>
#include <algorithm>
#include <vector>

#include "devices/keyboard_device.h"
#include "keys/ui/key_set_control.h"
#include "macros/macro_store.h"
#include "macros/ui/macro_control.h"
#include "platform/registered_messages.h"
#include "platform/trace.h"
#include "profiles/profile_list.h"
#include "ui/file_dialogs.h"
#include "ui/msg_wnd.h"
#include "ui/popup_menu.h"

namespace qv::ui {
namespace {

const QString kMacroFilter = QStringLiteral("Macro Files(*.mac)");
const QString kActionMenu = QStringLiteral("XML\\Menus\\macro_action_menu.xml");

// The recording items of the action menu: kind and timing mode (0: the check box decides).
struct RecordItem {
  const char* name;
  RecordKind kind;
  int timingMode;
};
constexpr RecordItem kRecordItems[] = {
    {"redio_previous_record_time", RecordKind::kInsertBefore, 0},
    {"redio_previous_constant_time", RecordKind::kInsertBefore, kTimingFixed},
    {"redio_previous_ignore_time", RecordKind::kInsertBefore, kTimingNone},
    {"redio_later_record_time", RecordKind::kInsertAfter, 0},
    {"redio_later_constant_time", RecordKind::kInsertAfter, kTimingFixed},
    {"redio_later_ignore_time", RecordKind::kInsertAfter, kTimingNone},
    {"macro_action_edit", RecordKind::kReplace, kTimingNone},
};

// The recorder a hook message is for.
struct HookRoute {
  uint32_t message;
  bool mouse;
  RecordKind kind;
};
constexpr HookRoute kHookRoutes[] = {
    {WM_HOOK_KEY_KBMACRO_MSG, false, RecordKind::kAppend},
    {WM_HOOK_KEY_KBMACROPREVIOUS_MSG, false, RecordKind::kInsertBefore},
    {WM_HOOK_KEY_KBMACROLATER_MSG, false, RecordKind::kInsertAfter},
    {WM_HOOK_KEY_KBMACROSINGLE_MSG, false, RecordKind::kReplace},
    {WM_HOOK_KEY_MSMACRO_MSG, true, RecordKind::kAppend},
    {WM_HOOK_KEY_MSMACROPREVIOUS_MSG, true, RecordKind::kInsertBefore},
    {WM_HOOK_KEY_MSMACROLATER_MSG, true, RecordKind::kInsertAfter},
    {WM_HOOK_KEY_MSMACROSINGLE_MSG, true, RecordKind::kReplace},
};

std::vector<KeyAssignment> CurrentKeys(const CKestravaKeyboardDevice& keyboard) {
  std::vector<KeyAssignment> keys;
  for (const auto& [slot, entry] : keyboard.GetKeyAssignments()) {
    keys.push_back(KeyAssignmentOfEntry(entry));
  }
  return keys;
}

}  // namespace

MacroFlows::MacroFlows(Host host) : host_(std::move(host)) {
  if (!host_.openFile) host_.openFile = OpenFileDialog();
  if (!host_.saveFile) host_.saveFile = SaveFileDialog(QStringLiteral(".mac"));
}

MacroFlows::~MacroFlows() {
  hook_.Remove();
}

void MacroFlows::Bind(CKestravaKeyboardDevice& keyboard, CMacroControlUI& panel) {
  panel.SetTeller([this](const QString& textId) {
    ShowMessage(host_.owner, QString(), textId, host_.dpi ? host_.dpi() : 96, 1, 0);
  });
  panel.SetFolder(keyboard.DataFolder(), MacroConfigFileName(keyboard.GetTypeCode()));
  panel.LoadNames();
}

bool MacroFlows::Target(CKestravaKeyboardDevice** keyboard, CMacroControlUI** panel) const {
  CKestravaUSBDevice* device = host_.currentDevice ? host_.currentDevice() : nullptr;
  *keyboard = dynamic_cast<CKestravaKeyboardDevice*>(device);
  *panel = device && host_.panelOf ? host_.panelOf(device) : nullptr;
  return *keyboard && *panel;
}

int MacroFlows::Ask(const char* textId, int buttons) {
  return ShowMessage(host_.owner, QString(), QString::fromLatin1(textId),
                     host_.dpi ? host_.dpi() : 96, 1, buttons);
}

void MacroFlows::SetSources(InputCaptureSource* keySource, InputCaptureSource* mouseSource) {
  hook_.SetSources(keySource, mouseSource);
}

void MacroFlows::FollowNames(CKestravaKeyboardDevice* keyboard, CMacroControlUI* panel) {
  CKeySetControlUI* keys = host_.keyPanelOf ? host_.keyPanelOf(keyboard) : nullptr;
  if (keys) keys->FillMacroList(panel->Names());
}

void MacroFlows::OnRoute(const QString& name, int number) {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CMacroControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel)) return;
  // While recording only the stop button acts; everything else is locked in the panel too.
  if (Recording() && name != QLatin1String("macro_btn_stopredio")) return;
  if (name == QLatin1String("macro_name_list")) {
    panel->SelectMacro();
  } else if (name == QLatin1String("macro_btn_name_add")) {
    if (panel->Create() == MacroResult::kDone) FollowNames(keyboard, panel);
  } else if (name == QLatin1String("macro_btn_name_sub")) {
    Delete();
  } else if (name == QLatin1String("macro_btn_name_edit")) {
    if (panel->Rename() == MacroResult::kDone) FollowNames(keyboard, panel);
  } else if (name == QLatin1String("macro_btn_save")) {
    panel->SaveEvents();
  } else if (name == QLatin1String("macro_btn_cancel")) {
    panel->Reload();
  } else if (name == QLatin1String("macro_btn_import")) {
    Import();
  } else if (name == QLatin1String("macro_btn_export")) {
    Export();
  } else if (name == QLatin1String("macro_btn_starredio")) {
    Start(panel->CheckedTimingMode(), RecordKind::kAppend);
  } else if (name == QLatin1String("macro_btn_stopredio")) {
    Stop();
  } else if (name == QLatin1String("macro_btn_up")) {
    panel->MoveAction(CMacroControlUI::StepMove::kUp);
  } else if (name == QLatin1String("macro_btn_down")) {
    panel->MoveAction(CMacroControlUI::StepMove::kDown);
  } else if (name == QLatin1String("macro_btn_uptop")) {
    panel->MoveAction(CMacroControlUI::StepMove::kToTop);
  } else if (name == QLatin1String("macro_btn_downbottom")) {
    panel->MoveAction(CMacroControlUI::StepMove::kToBottom);
  } else if (name == QLatin1String("macro_btn_delete")) {
    panel->DeleteAction();
  } else if (name == QLatin1String("macro_btn_deleteall")) {
    panel->DeleteAll();
  } else if (name == QLatin1String("macro_inset_moveleftkey_btn")) {
    panel->InsertMove(0);
  } else if (name == QLatin1String("macro_inset_moverightkey_btn")) {
    panel->InsertMove(1);
  } else if (name == QLatin1String("macro_inset_moveupkey_btn")) {
    panel->InsertMove(2);
  } else if (name == QLatin1String("macro_inset_movedownkey_btn")) {
    panel->InsertMove(3);
  } else if (name == QLatin1String("macro_delay")) {
    panel->OnDelayEdited();
  } else if (name == QLatin1String("macro_action")) {
    OpenActionMenu(number);
  }
}

bool MacroFlows::OnMenuItem(const QString& item) {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CMacroControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel) || Recording()) return false;
  for (const RecordItem& record : kRecordItems) {
    if (item != QLatin1String(record.name)) continue;
    Start(record.timingMode ? record.timingMode : panel->CheckedTimingMode(), record.kind);
    return true;
  }
  return panel->InsertMenuAction(item);
}

void MacroFlows::OpenActionMenu(int row) {
  if (menu_) menu_->close();  // one action menu at a time
  menu_ = LoadMenu(kActionMenu, host_.owner);
  if (!menu_) return;
  (void)row;  // the activated row is already the list's current one
  QObject::connect(menu_.get(), &QMenu::triggered, menu_.get(), [this](QAction* action) {
    const QString item = action->objectName();
    // The menu goes first: a recording it starts must not find it open.
    QMetaObject::invokeMethod(
        host_.owner ? static_cast<QObject*>(host_.owner) : menu_.get(),
        [this, item] { OnMenuItem(item); }, Qt::QueuedConnection);
  });
  menu_->popup(QCursor::pos());
}

QMenu* MacroFlows::ActionMenu() const {
  return menu_.get();
}

void MacroFlows::Start(int timingMode, RecordKind kind) {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CMacroControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel) || Recording() || panel->SelectedMacro() < 0) return;
  panel->StartRecording(timingMode, kind);
  recordingPanel_ = panel;
  if (host_.lockForRecording) host_.lockForRecording(true);
  if (host_.beforeInstall) host_.beforeInstall(panel->StopButton());
  // Without a key source the panel still records nothing but shows its state; stop ends it.
  if (!hook_.Install(HookModeOf(kind), this, true, true)) Trace("macro recording: no key input");
  panel->ShowCaptureHint(host_.inputRefused && host_.inputRefused());
}

void MacroFlows::Stop() {
  hook_.Remove();
  if (!recordingPanel_) return;
  CMacroControlUI* panel = recordingPanel_;
  recordingPanel_ = nullptr;
  if (host_.lockForRecording) host_.lockForRecording(false);
  panel->StopRecording();
}

void MacroFlows::OnHookMessage(uint32_t message, uint16_t wParam, const InputEvent& event) {
  (void)wParam;
  if (host_.awake && !host_.awake()) return;
  if (message == WM_HOOK_KEY_MSMACRO_MSG) Trace("WM_HOOK_KEY_MSMACRO");
  CMacroControlUI* panel = recordingPanel_;
  if (!panel) return;
  for (const HookRoute& route : kHookRoutes) {
    if (route.message != message) continue;
    if (route.mouse && event.kind == InputEvent::Kind::kMouse) {
      panel->OnMouse(route.kind, event.mouse);
    } else if (!route.mouse && event.kind == InputEvent::Kind::kKey) {
      panel->OnKey(route.kind, event.key);
    }
    return;
  }
}

void MacroFlows::Delete() {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CMacroControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel)) return;
  // Both questions before anything changes.
  if (Ask("message_text_4", 1) != 1) return;
  const int macro = panel->SelectedMacro();
  if (macro < 0) return;
  if (KeysUseMacro(CurrentKeys(*keyboard), macro) && Ask("message_text_2", 1) != 1) return;

  // The current profile as shown is on disk before its key bindings are rewritten there.
  keyboard->SaveProfile();
  JsonFileStore store;
  ProfileList profiles(store);
  profiles.SetFolders(keyboard->DataFolder(), std::string());
  std::vector<std::string> paths;
  const int count = profiles.ProfileCount();
  for (int i = 0; i < count; ++i) {
    if (std::string path = profiles.ProfileFilePath(i); !path.empty()) paths.push_back(path);
  }
  const std::string current = keyboard->GetProfilePath();
  if (!current.empty() && std::find(paths.begin(), paths.end(), current) == paths.end()) {
    paths.push_back(current);
  }
  std::vector<std::string> changed;
  if (panel->Remove(paths, &changed) != MacroResult::kDone) return;
  FollowNames(keyboard, panel);
  if (std::find(changed.begin(), changed.end(), current) == changed.end()) return;
  keyboard->ReloadProfile();
  keyboard->ShowKeyTexts();
  if (host_.downloadKeys) host_.downloadKeys();
}

void MacroFlows::Import() {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CMacroControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel)) return;
  if (static_cast<int>(panel->Store().Entries().size()) >= kMaxMacros) return;
  const QString path = host_.openFile(host_.owner, kMacroFilter);
  if (path.isEmpty()) return;
  if (panel->Import(path) == MacroResult::kDone) FollowNames(keyboard, panel);
}

void MacroFlows::Export() {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CMacroControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel) || panel->SelectedMacro() < 0) return;
  const QString path = host_.saveFile(host_.owner, kMacroFilter);
  if (path.isEmpty()) return;
  panel->Export(path);
}

}  // namespace qv::ui
