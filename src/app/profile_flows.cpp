#include "app/profile_flows.h"

#include "devices/keyboard_device.h"
#include "profiles/ui/device_profile.h"
#include "transport/catalogue.h"
#include "ui/control_ops.h"
#include "ui/file_dialogs.h"
#include "ui/language.h"
#include "ui/msg_wnd.h"

namespace qv::ui {

namespace {

const QString kProfileFilter = QStringLiteral("Profile Files (*.json)");

// The key-assignment buttons that mean "a change is pending".
constexpr const char* kKeySaveButtons[] = {"key_butt_keysave", "key_butt_keycancel",
                                           "key_butt_prosave"};

}  // namespace

ProfileFlows::ProfileFlows(Host host) : host_(std::move(host)) {
  selectTimer_.setSingleShot(true);
  selectTimer_.setInterval(kSelectDelayMs);
  QObject::connect(&selectTimer_, &QTimer::timeout, [this] { SelectFlow(); });
  if (!host_.openFile) host_.openFile = OpenFileDialog();
  if (!host_.saveFile) host_.saveFile = SaveFileDialog(QStringLiteral(".json"));
}

bool ProfileFlows::Target(CKestravaUSBDevice** device, CDeviceProfileUI** panel) const {
  *device = host_.currentDevice ? host_.currentDevice() : nullptr;
  *panel = *device && host_.panelOf ? host_.panelOf(*device) : nullptr;
  return *panel != nullptr;
}

int ProfileFlows::Message(const QString& textId, int buttons) {
  return ShowMessage(host_.owner, QString(), textId, host_.dpi ? host_.dpi() : 96, 1, buttons);
}

void ProfileFlows::OnComboSelect() {
  selectTimer_.start();
}

void ProfileFlows::OnClick(const QString& name) {
  CKestravaUSBDevice* device = nullptr;
  CDeviceProfileUI* panel = nullptr;
  if (!Target(&device, &panel)) return;
  panel->SetDpiValue(host_.dpi ? host_.dpi() : 96);
  if (name == QLatin1String("device_add_btn")) {
    panel->NewProfile();
  } else if (name == QLatin1String("device_sub_btn")) {
    DeleteFlow();
  } else if (name == QLatin1String("device_copy_btn")) {
    panel->CopyProfile();
  } else if (name == QLatin1String("device_import_btn")) {
    ImportFlow();
  } else if (name == QLatin1String("device_export_btn")) {
    ExportFlow();
  } else if (name == QLatin1String("device_reset_btn")) {
    ResetFlow();
  } else if (name == QLatin1String("default_btn")) {
    FactoryDefaultFlow();
  } else if (name == QLatin1String("device_profile_edit_save_btn")) {
    RenameFlow();
  } else if (name == QLatin1String("profile_fun_spread_btn")) {
    panel->ShowMenu(!panel->IsMenuShown());
  }
}

bool ProfileFlows::TellMacroResult(int result) {
  if (result == 0) return true;
  if (result == -1) {
    Message(QStringLiteral("message_text_7"), 0);
    return true;
  }
  if (result > 0) {
    // A text with a value: formatted from the language's text and shown as it is.
    const QString text = CResourceManager::Text(QStringLiteral("message_text_16"))
                             .replace(QLatin1String("%d"), QString::number(result));
    ShowMessage(host_.owner, QString(), text, host_.dpi ? host_.dpi() : 96, 0, 0);
    return false;
  }
  return true;  // a failed command: the device's trace tells it
}

void ProfileFlows::LoadSelected(CKestravaUSBDevice* device, CDeviceProfileUI* panel) {
  device->SetProfileName(panel->CurrentProfileId());
  device->ReloadProfile();
  device->ValidateMacroAssignments();
  device->Refresh();
  device->WriteSettings(0, 0);
  TellMacroResult(device->UploadMacros(device->GetAssignedMacros()));
  if (auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(device)) {
    keyboard->UploadCustomGroup();
  }
  device->UploadCurrentKeyAssignments(0);
}

void ProfileFlows::SelectFlow() {
  CKestravaUSBDevice* device = nullptr;
  CDeviceProfileUI* panel = nullptr;
  if (!Target(&device, &panel)) return;
  const int index = panel->SelectedIndex();
  if (index < 0) return;
  panel->SelectProfile(index, false);
  LoadSelected(device, panel);
}

void ProfileFlows::DeleteFlow() {
  CKestravaUSBDevice* device = nullptr;
  CDeviceProfileUI* panel = nullptr;
  if (!Target(&device, &panel)) return;
  if (panel->DeleteProfile() != ProfileResult::kDone) return;
  // The profile now selected is the one the device works with from here on.
  LoadSelected(device, panel);
}

void ProfileFlows::ImportFlow() {
  CKestravaUSBDevice* device = nullptr;
  CDeviceProfileUI* panel = nullptr;
  if (!Target(&device, &panel)) return;
  const QString path = host_.openFile(host_.owner, kProfileFilter);
  if (path.isEmpty()) return;
  // A file that is not a profile is refused without a message.
  panel->ImportProfile(path);
}

void ProfileFlows::ExportFlow() {
  CKestravaUSBDevice* device = nullptr;
  CDeviceProfileUI* panel = nullptr;
  if (!Target(&device, &panel)) return;
  const QString path = host_.saveFile(host_.owner, kProfileFilter);
  if (path.isEmpty()) return;
  panel->ExportProfile(path);
}

void ProfileFlows::RenameFlow() {
  CKestravaUSBDevice* device = nullptr;
  CDeviceProfileUI* panel = nullptr;
  if (!Target(&device, &panel)) return;
  const QString name = panel->NameEditText();
  if (name.isEmpty()) return;
  const ProfileResult result = panel->RenameProfile(name);
  if (result == ProfileResult::kNameTaken) Message(QStringLiteral("message_text_5"), 0);
  if (result == ProfileResult::kNameBlank) Message(QStringLiteral("message_text_25"), 0);
}

void ProfileFlows::ResetFlow() {
  CKestravaUSBDevice* device = nullptr;
  CDeviceProfileUI* panel = nullptr;
  if (!Target(&device, &panel)) return;
  if (Message(QStringLiteral("message_text_22"), 1) != 1) return;
  if (panel->ResetProfile() != ProfileResult::kDone) return;
  device->SetProfileName(panel->CurrentProfileId());
  device->ReloadProfile();
  device->Refresh();
  device->WriteSettings(0, 0);
  const int macros = device->UploadMacros(device->GetAssignedMacros());
  bool finished = true;
  if (device->GetTypeCode() == kTypeKeyboard) {
    if (!TellMacroResult(macros)) {
      finished = false;
    } else {
      device->UploadCurrentKeyAssignments(0);
      if (auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(device)) {
        keyboard->UploadCustomGroup();
      }
    }
  } else {
    TellMacroResult(macros);
    device->UploadCurrentKeyAssignments(0);
  }
  if (!finished) return;
  QWidget* window = host_.owner;
  for (const char* button : kKeySaveButtons) {
    SetEnabled(FindControl(window, QString::fromLatin1(button)), false);
  }
}

void ProfileFlows::FactoryDefaultFlow() {
  CKestravaUSBDevice* device = nullptr;
  CDeviceProfileUI* panel = nullptr;
  if (!Target(&device, &panel)) return;
  if (Message(QStringLiteral("message_text_22"), 1) != 1) return;
  auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(device);
  if (!keyboard) return;  // the other kinds' pages come with their own issues
  device->SetProfileName(panel->CurrentProfileId());
  if (!keyboard->LoadFactoryProfile()) return;
  device->Refresh();
  device->UploadCurrentKeyAssignments(0);
  device->WriteSettings(0, 0);
}

}  // namespace qv::ui
