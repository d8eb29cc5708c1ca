#include "devices/keyboard_device.h"

#include <algorithm>
#include <string>

#include "keys/key_code_tables.h"
#include "keys/key_function.h"
#include "platform/trace.h"
#include "profiles/data_folders.h"
#include "profiles/json_access.h"
#include "profiles/json_file_store.h"
#include "transport/notification_code.h"

namespace qv {

namespace {

constexpr const char* kDefaultKindName = "keyboard";
constexpr const char* kProfileListName = "ProfileList.ini";
constexpr const char* kLightListName = "default_light.json";
constexpr const char* kLightConfigExtension = ".config";

// A profile identifier names a file in the data folder: only the time-stamp form the store
// issues is taken, so nothing read from a file can leave the folder.
bool IsProfileId(const std::string& name) {
  return IsValidTimestampId(name);
}

// The light layer's name is the product's own ("kb_light"...); anything that could leave the
// folder is refused.
bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name.front() != '.' && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos && name.find('\0') == std::string::npos;
}

// The selected entry's identifier in the profile list; empty when there is none.
std::string SelectedProfileId(const std::string& folder) {
  JsonFileStore store;
  const Json::Value list = store.ReadJsonFile(folder + kProfileListName);
  const Json::Value* entries = JsonMember(list, "profilelist");
  if (entries == nullptr || !entries->isArray()) return {};
  int select = JsonIntOr0(list, "profileselect");
  if (select < 0) select = 0;
  const Json::Value* entry = JsonElement(*entries, static_cast<Json::ArrayIndex>(select));
  std::string id;
  if (entry == nullptr || !JsonString(*entry, "profileUUID", &id) || !IsProfileId(id)) {
    return {};
  }
  return id;
}

}  // namespace

CKestravaKeyboardDevice::CKestravaKeyboardDevice(HidBackend* backend)
    : CKestravaUSBDevice(backend) {
  TypeCode = kTypeKeyboard;
}

CKestravaKeyboardDevice::~CKestravaKeyboardDevice() {
  // Workers call into this class; none may outlive it.
  StopWorkers();
}

std::string CKestravaKeyboardDevice::DataFolder() const {
  return DeviceDataFolder(KindName.empty() ? kDefaultKindName : KindName);
}

void CKestravaKeyboardDevice::SetKeyAssignments(const KeyAssignmentMap& assignments) {
  KeyAssignments = assignments;
  std::vector<KeyAssignment> list;
  for (const auto& [key, entry] : assignments) {
    if (key < 0 || static_cast<size_t>(key) >= kMaxKeySlots) continue;
    if (list.size() <= static_cast<size_t>(key)) list.resize(static_cast<size_t>(key) + 1);
    list[static_cast<size_t>(key)] = KeyAssignmentOfEntry(entry);
  }
  // Slots without an entry keep their stored assignment.
  std::vector<KeyAssignment> stored = Profile.KeyList();
  for (size_t i = 0; i < list.size(); ++i) {
    if (assignments.count(static_cast<int>(i)) == 0 && i < stored.size()) list[i] = stored[i];
  }
  Profile.SetKeyList(list);
}

KeyAssignment CKestravaKeyboardDevice::AssignmentOf(int key) const {
  const auto it = KeyAssignments.find(key);
  if (it != KeyAssignments.end()) return KeyAssignmentOfEntry(it->second);
  KeyAssignment a;
  a.keyIndex = static_cast<uint16_t>(key);
  a.defaultKeyIndex = a.keyIndex;
  if (key >= 0 && static_cast<size_t>(key) < LogicalKeyTable().size()) {
    const KeyFunction f = LogicalKeyTable()[static_cast<size_t>(key)];
    a.kind = a.defaultKind = f.kind;
    a.first = a.defaultFirst = f.first;
    a.second = a.defaultSecond = f.second;
  }
  return a;
}

void CKestravaKeyboardDevice::StoreAssignment(int key, const KeyAssignment& assignment) {
  if (key < 0 || static_cast<size_t>(key) >= kMaxKeySlots) return;
  KeyAssignment a = assignment;
  a.keyIndex = static_cast<uint16_t>(key);
  KeyAssignments[key] = AssignmentEntryOf(a);
  SetKeyAssignments(KeyAssignments);
  ShowKeyTexts();
}

// ---- reading everything -------------------------------------------------------------------

void CKestravaKeyboardDevice::BindPage() {
  CKestravaUSBDevice::BindPage();
  SystemControls.clear();  // a new page has its own controls
  if (!PageView) return;
  // The profile panel: the kind, its folders and its list; its current profile becomes ours.
  if (ProfilePanelView* panel = PageView->ProfilePanel()) {
    const std::string kind = KindName.empty() ? kDefaultKindName : KindName;
    panel->SetDeviceKind(static_cast<int>(TypeCode));
    panel->SetFolders(DataFolder(), DefaultProfilePath(kind));
    panel->Load();
    ProfileName = panel->CurrentProfileId();
    panel->SelectOperationTab(1);
  }
}

void CKestravaKeyboardDevice::ReadAll() {
  ConnectionRead();
  ReloadProfile();
  ReadSettingsArea();
  Refresh();
  StartEffectThread();
}

void CKestravaKeyboardDevice::Resync() {
  if (DeviceResetPending.exchange(false)) ReloadProfile();
  ReadSettingsArea();
  Refresh();
}

void CKestravaKeyboardDevice::RequestResync() {
  if (Hooks.scheduleResync) {
    Hooks.scheduleResync();
  } else {
    Resync();
  }
}

// A function's name for the page: its text ids joined by "+" (the page shows each id's text),
// and a macro or gun key by its number.
std::string KeyFunctionPageName(const KeyFunction& function) {
  const KeyFunctionName name = NameOfKeyFunction(function);
  std::string text;
  const auto add = [&text](std::string_view part) {
    if (!text.empty()) text.push_back('+');
    text.append(part);
  };
  for (std::string_view id : name.textIds) add(id);
  if (name.macroIndex) {
    add("key_macro_text ");
    text.append(std::to_string(*name.macroIndex + 1));
  }
  if (name.gunKey) {
    add("key_gun_text ");
    text.append(std::to_string(*name.gunKey + 1));
  }
  return text;
}

void CKestravaKeyboardDevice::ShowKeyTexts() {
  if (!PageView) return;
  const auto& factory = LogicalKeyTable();
  for (size_t i = 0; i < kLogicalKeyCount && i < factory.size(); ++i) {
    const int control = KeyButton(static_cast<uint32_t>(i));
    if (control < 0) continue;
    KeyFunction assigned = factory[i];
    const auto it = KeyAssignments.find(static_cast<int>(i));
    if (it != KeyAssignments.end()) {
      const KeyAssignment a = KeyAssignmentOfEntry(it->second);
      assigned = KeyFunction{a.kind, a.first, a.second};
    }
    PageView->ShowKeyTexts(control, KeyFunctionPageName(factory[i]), KeyFunctionPageName(assigned));
  }
}

void CKestravaKeyboardDevice::Refresh() {
  const LightSettingsRecord s = GetLightSettings();
  SetLightPanelValues(s[kLightMode], s[kLightBrightness], s[kLightSpeed], s[kLightDirection]);
  SetLightPanelColor(0, 0, PageColorOf(PackLightColor(SettingsColor(), 255)));
  ShowKeyTexts();
  ShowSystemStages();
  if (Hooks.refresh) Hooks.refresh();
}

// ---- System page ----------------------------------------------------------------------------

namespace {

constexpr const char* kPollingPrefix = "polling_rate_option_";
constexpr const char* kRepeatDelayPrefix = "repeat_delay_check_";
constexpr int kRepeatDelayStepMs = 250;

bool IsOptionNumber(int n) {
  return n >= 0 && n < kKeyboardOptionCount;
}

// An option number as shown: a number that names no option shows the first.
int ShownOption(uint16_t n) {
  return IsOptionNumber(n) ? n : 0;
}

}  // namespace

int CKestravaKeyboardDevice::SystemControl(const std::string& name) {
  if (!PageView) return -1;
  const auto it = SystemControls.find(name);
  if (it != SystemControls.end()) return it->second;
  const int control = PageView->FindControl(name);
  if (control >= 0) SystemControls.emplace(name, control);
  return control;
}

void CKestravaKeyboardDevice::ShowOptionGroup(const char* prefix, int selected) {
  // The chosen one first: clearing the selected member of an exclusive group first would not
  // take.
  std::string name = prefix;
  name.append(std::to_string(selected));
  PageView->ShowSelected(SystemControl(name), true);
  for (int i = 0; i < kKeyboardOptionCount; ++i) {
    if (i == selected) continue;
    name = prefix;
    name.append(std::to_string(i));
    PageView->ShowSelected(SystemControl(name), false);
  }
}

void CKestravaKeyboardDevice::ShowSystemStages() {
  if (!PageView) return;
  const KeyboardStages& s = SystemStages;
  PageView->ShowSelected(SystemControl("winlockflag_option"), s.winFlag != 0);
  PageView->ShowSelected(SystemControl("wflag_option"), s.wFlag != 0);
  PageView->ShowSelected(SystemControl("6flag_option"), s.key6Flag != 0);
  PageView->ShowValue(SystemControl("repeat_rate_slider"), s.repeat);
  const int delay = ShownOption(s.repeatDelay);
  ShowOptionGroup(kRepeatDelayPrefix, delay);
  std::string label = PageView->TranslatedText("Repeat_Delay_Time");
  label.append(std::to_string((delay + 1) * kRepeatDelayStepMs));
  label.append("ms");
  PageView->ShowText(SystemControl("repeat_delay_time_label1"), label);
  PageView->ClearTextField(SystemControl("repeat_input_richedit"),
                           PageView->TranslatedText("Repeat_input_text"));
  ShowOptionGroup(kPollingPrefix, ShownOption(s.pollingRate));
}

void CKestravaKeyboardDevice::StoreSystemStages(bool send) {
  const auto words = SystemStages.ToWords();
  Profile.SetKeyboardSettings(words[0], words[1], words[2]);
  SaveProfile();
  // A failed write leaves the profile changed; the next write carries the values again.
  if (send) WriteSettings(0, 0);
}

bool CKestravaKeyboardDevice::ChangeSystemSwitch(std::string_view option, bool selected) {
  const uint16_t value = selected ? 1 : 0;
  if (option == "winlockflag_option") {
    SystemStages.winFlag = value;
  } else if (option == "wflag_option") {
    SystemStages.wFlag = value;
  } else if (option == "6flag_option") {
    SystemStages.key6Flag = value;
  } else {
    return false;
  }
  StoreSystemStages(true);
  return true;
}

void CKestravaKeyboardDevice::SelectPollingRate(int n) {
  if (!IsOptionNumber(n)) return;
  SystemStages.pollingRate = static_cast<uint16_t>(n);
  if (PageView) ShowOptionGroup(kPollingPrefix, n);
  StoreSystemStages(true);
}

void CKestravaKeyboardDevice::SelectRepeatDelay(int n) {
  if (!IsOptionNumber(n)) return;
  SystemStages.repeatDelay = static_cast<uint16_t>(n);
  ShowSystemStages();
  StoreSystemStages(false);
}

void CKestravaKeyboardDevice::SetRepeatRate(int value) {
  SystemStages.repeat = static_cast<uint16_t>(std::clamp(value, 0, kKeyboardRepeatRateMax));
  StoreSystemStages(false);
}

void CKestravaKeyboardDevice::ReadPowerStatus() {
  if (!Link.Open || !Link.QueryLink()) return;
  std::array<uint8_t, kPowerStatusSize> status{};
  const TransactionResult result = Link.ReadStatus(0, status.data(), status.size());
  if (result != kResultSuccess) {
    Trace("keyboard: power status read failed: %d\n", result);
    return;
  }
  status[3] = Wireless ? 1 : 0;
  PowerStatus = status;
  if (Hooks.powerReport) Hooks.powerReport(status);
  SendToMainWindow(kMsgPowerStatus, status[4], 0);
}

int CKestravaKeyboardDevice::IsWirelessLinked() {
  return (Link.Open && Wireless && Link.QueryLink()) ? 1 : 0;
}

// ---- profile --------------------------------------------------------------------------------

void CKestravaKeyboardDevice::LoadProfileFile() {
  const std::string folder = DataFolder();
  const std::string kind = KindName.empty() ? kDefaultKindName : KindName;
  Profile.SetDefaultProfilePath(DefaultProfilePath(kind));
  if (!LightLayerName.empty() && IsPlainFileName(LightLayerName)) {
    Profile.SetLightConfigPath(folder + LightLayerName + kLightConfigExtension);
  }
  std::string id = IsProfileId(ProfileName) ? ProfileName : std::string();
  if (id.empty()) id = SelectedProfileId(folder);
  if (id.empty()) return;
  Profile.SetProfilePath(folder + id + kProfileExtension);
}

std::string CKestravaKeyboardDevice::GetProfilePath() const {
  return Profile.ProfilePath();
}

void CKestravaKeyboardDevice::SaveProfile() {
  const int result = Profile.SaveProfile();
  if (result == kStoreOk) return;
  Trace("keyboard: profile not saved: %d\n", result);
  if (Hooks.saveFailed) Hooks.saveFailed(Profile.ProfilePath(), result);
}

int CKestravaKeyboardDevice::ReloadProfile() {
  LoadProfileFile();
  if (Profile.ProfilePath().empty()) {
    Trace("keyboard: no current profile to load\n");
    return 0;
  }
  Profile.SetDeviceEntryIndex(0);
  if (Profile.LoadDeviceEntry(Profile.ProfilePath()).isNull()) return 0;
  TakeProfileDocument();
  return 1;
}

int CKestravaKeyboardDevice::LoadFactoryProfile() {
  LoadProfileFile();
  const std::string defaultPath = Profile.DefaultProfilePath();
  if (Profile.ProfilePath().empty() || defaultPath.empty()) return 0;
  Profile.SetDeviceEntryIndex(0);
  // Read as a second document so that nothing is written back to the default's folder.
  const Json::Value factory = Profile.LoadSecondEntry(defaultPath);
  if (factory.isNull()) return 0;
  Profile.SetDocument(factory);
  TakeProfileDocument();
  SaveProfile();
  return 1;
}

void CKestravaKeyboardDevice::TakeProfileDocument() {
  KeyAssignments.clear();
  const std::vector<KeyAssignment> keys = Profile.KeyList();
  for (size_t i = 0; i < keys.size() && i < kLogicalKeyCount; ++i) {
    KeyAssignments[static_cast<int>(i)] = AssignmentEntryOf(keys[i]);
  }
  LightSettingsRecord record = GetLightSettings();
  const auto bytes = Profile.LightInfo().Bytes();
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i < 8 || i > 10) record[i] = bytes[i];  // 8..10 live in memory only
  }
  SetLightSettings(record);
  SystemStages = KeyboardStages::FromWords(Profile.KeyboardSettings());
}

void CKestravaKeyboardDevice::ReloadFromProfile() {
  ReloadProfile();
  SaveProfile();
  Refresh();
}

void CKestravaKeyboardDevice::LoadProfileData() {
  JsonFileStore store;
  const Json::Value lights = store.ReadJsonFile(DefaultDataFolder() + kLightListName);
  const Json::Value* sets = JsonMember(lights, "DefaultLightName");
  const Json::Value* set =
      sets ? JsonElement(*sets, static_cast<Json::ArrayIndex>(DefaultDataIndex)) : nullptr;
  if (set == nullptr || !set->isArray()) return;
  std::vector<int> list;
  for (Json::ArrayIndex i = 0; i < set->size(); ++i) list.push_back(JsonIntOr0((*set)[i], "value"));
  LightModeList = std::move(list);
}

// ---- key events and notifications -----------------------------------------------------------

void CKestravaKeyboardDevice::KeyEvent(unsigned position, int state) {
  // 255 is "no position" in the map; it must not match the unmapped keys.
  if (position >= kNoPosition || position >= ConnectedPositions) return;
  const auto it = std::find(KeyPositionMap.begin(), KeyPositionMap.end(), position);
  if (it == KeyPositionMap.end()) return;
  const int key = static_cast<int>(it - KeyPositionMap.begin());
  ReactToKey(key, state);
  if (Hooks.keyEvent) Hooks.keyEvent(key, state);
}

void CKestravaKeyboardDevice::ReactToKey(int logicalKey, int state) {
  if (state != kKeyEventDown) return;
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  KeyIntensity[static_cast<size_t>(logicalKey)] = 255;
}

void CKestravaKeyboardDevice::PrepareModeEffect(uint8_t mode) {
  if (mode == kCustomColorMode) ReadCustomColors();
}

void CKestravaKeyboardDevice::HandleNotification(NotifyChannel channel, uint16_t code) {
  // This runs on a reader thread: everything it causes happens on the interface thread.
  const Notification n = DecodeNotification(code);
  switch (n.kind) {
    case NotificationKind::kReread:
      PostToInterface([this] { RequestResync(); });
      break;
    case NotificationKind::kResetReread:
      DeviceResetPending = true;
      PostToInterface([this] { RequestResync(); });
      break;
    case NotificationKind::kKeyDown:
    case NotificationKind::kKeyUp: {
      if (channel == NotifyChannel::kReceiver) break;
      const int state = n.kind == NotificationKind::kKeyDown ? kKeyEventDown : kKeyEventUp;
      PostToInterface([this, key = n.key, state] { KeyEvent(key, state); });
      break;
    }
    case NotificationKind::kSlotChanged:
    case NotificationKind::kSlotChangedWithValue: {
      const bool withValue = n.kind == NotificationKind::kSlotChangedWithValue;
      PostToInterface([this, slot = n.slot, second = n.second, withValue] {
        if (!Link.Open) return;
        ActiveSlot = slot;
        if (withValue) SecondSlotValue = second;
        Refresh();
      });
      break;
    }
    default:
      break;
  }
}

bool CKestravaKeyboardDevice::OpenNotifyChannel(const std::string& path,
                                                DeviceTypeCode connectionKind) {
  NotifyChannel channel;
  if (connectionKind == kTypeKeyboard) {
    channel = NotifyChannel::kWired;
  } else if (connectionKind == kTypeKeyboardSecond) {
    channel = NotifyChannel::kReceiver;
  } else {
    return false;
  }
  // Stopping the reader also closes the channel it waits on.
  StopNotificationThread(channel);
  HidChannel& target = channel == NotifyChannel::kWired ? NotifyLink.Wired : NotifyLink.Receiver;
  std::mutex& lock =
      channel == NotifyChannel::kWired ? NotifyLink.TransferLock : NotifyLink.ReceiverLock;
  bool opened = false;
  {
    std::lock_guard<std::mutex> hold(lock);
    target.Close();
    opened = target.Open(path, true, true, true, false);
  }
  if (!opened) {
    Trace("keyboard: notification channel did not open\n");
    return false;
  }
  // The notification link keeps its channels' open flags in its own two flags.
  if (channel == NotifyChannel::kWired) {
    NotifyLink.Open = true;
  } else {
    NotifyLink.WirelessMode = true;
  }
  return StartNotificationThread(channel);
}

void CKestravaKeyboardDevice::CloseNotifyChannel(DeviceTypeCode connectionKind) {
  if (connectionKind == kTypeKeyboard) StopNotificationThread(NotifyChannel::kWired);
  if (connectionKind == kTypeKeyboardSecond) StopNotificationThread(NotifyChannel::kReceiver);
}

}  // namespace qv
