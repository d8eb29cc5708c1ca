#include "app/key_assign_flows.h"

#include "devices/keyboard_device.h"
#include "keys/ui/key_set_control.h"
#include "macros/macro_store.h"
#include "ui/control_ops.h"
#include "ui/language.h"
#include "ui/msg_wnd.h"

namespace qv::ui {

KeyAssignFlows::KeyAssignFlows(Host host) : host_(std::move(host)) {}

void KeyAssignFlows::Bind(CKestravaKeyboardDevice& keyboard, CKeySetControlUI& panel) {
  panel.SetDeviceKind(static_cast<int>(keyboard.GetTypeCode()));
  JsonFileStore store;
  MacroStore macros(store);
  macros.SetFolder(keyboard.DataFolder());
  QStringList names;
  if (macros.Load() == MacroResult::kDone) {
    for (const std::string& name : macros.Names()) names << QString::fromStdString(name);
  }
  panel.FillMacroList(names);
  panel.SetPending(false);
}

bool KeyAssignFlows::Target(CKestravaKeyboardDevice** keyboard, CKeySetControlUI** panel) const {
  CKestravaUSBDevice* device = host_.currentDevice ? host_.currentDevice() : nullptr;
  *keyboard = dynamic_cast<CKestravaKeyboardDevice*>(device);
  *panel = *keyboard && host_.panelOf ? host_.panelOf(device) : nullptr;
  return *panel != nullptr;
}

int KeyAssignFlows::Message(const QString& textId) {
  return ShowMessage(host_.owner, QString(), textId, host_.dpi ? host_.dpi() : 96, 1, 0);
}

void KeyAssignFlows::OnPanel(const QString& name, int number) {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CKeySetControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel)) return;
  if (name == QLatin1String("key_")) {
    PickKey(number);
  } else if (name == QLatin1String("keyset_function_combo")) {
    panel->OnCategorySelected();
  } else if (name == QLatin1String("keyset_macro_over_combo")) {
    panel->OnEndModeSelected();
  } else if (name == QLatin1String("key_ComBox_check_")) {
    panel->OnModifierSelected(number);
    Apply();
  } else if (name == QLatin1String("key_butt_keysave")) {
    Apply();
  } else if (name == QLatin1String("key_butt_keydefalut")) {
    Default();
  } else if (name == QLatin1String("key_butt_keycancel")) {
    Cancel();
  } else if (name == QLatin1String("key_butt_prosave")) {
    Download();
  }
}

void KeyAssignFlows::OnApply() {
  Apply();
}

void KeyAssignFlows::PickKey(int key) {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CKeySetControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel)) return;
  keyboard->SelectKey(key);
  panel->SetKey(keyboard->AssignmentOf(key));
}

void KeyAssignFlows::Apply() {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CKeySetControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel) || !panel->HasKey()) return;
  const KeyAssignment record = panel->BuildCode();
  keyboard->StoreAssignment(record.keyIndex, record);
  panel->SetPending(true);
}

void KeyAssignFlows::Default() {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CKeySetControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel) || !panel->HasKey()) return;
  panel->ShowDefault();
  Apply();
  Download();
}

void KeyAssignFlows::Cancel() {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CKeySetControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel)) return;
  panel->ShowCurrent();
  panel->SetPending(false);
}

bool KeyAssignFlows::Download() {
  CKestravaKeyboardDevice* keyboard = nullptr;
  CKeySetControlUI* panel = nullptr;
  if (!Target(&keyboard, &panel)) return false;
  const int macros = keyboard->UploadMacros(keyboard->GetAssignedMacros());
  if (macros == -1) Message(QStringLiteral("message_text_7"));
  if (macros > 0) {
    const QString text = CResourceManager::Text(QStringLiteral("message_text_16"))
                             .replace(QLatin1String("%d"), QString::number(macros));
    ShowMessage(host_.owner, QString(), text, host_.dpi ? host_.dpi() : 96, 0, 0);
    return false;
  }
  // A key map the keyboard did not take is not shown as done: the change stays pending.
  if (keyboard->UploadCurrentKeyAssignments(0) != kResultSuccess) {
    Message(QStringLiteral("keyset_download_failed_text"));
    return false;
  }
  keyboard->SaveProfile();
  keyboard->ShowKeyTexts();
  panel->SetPending(false);
  return true;
}

}  // namespace qv::ui
