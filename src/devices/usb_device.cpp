#include "devices/usb_device.h"

#include <algorithm>
#include <cctype>
#include <thread>

#include "platform/trace.h"

namespace qv {

bool ParseIndexedName(std::string_view name, std::string_view prefix, unsigned* index) {
  const size_t cut = name.rfind('_');
  if (cut == std::string_view::npos) return false;
  const std::string_view head = name.substr(0, cut + 1);
  if (head.size() != prefix.size()) return false;
  for (size_t i = 0; i < head.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(head[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i]))) {
      return false;
    }
  }
  // Saturate: a long digit run must not overflow; it only has to compare as too large.
  unsigned value = 0;
  for (char ch : name.substr(cut + 1)) {
    if (ch < '0' || ch > '9') break;
    value = value > 100000000u ? value : value * 10 + static_cast<unsigned>(ch - '0');
  }
  *index = value;
  return true;
}

FunctionPageChoice ChooseFunctionPages(int type, uint32_t typeCode) {
  constexpr int kSame = FunctionPageChoice::kUnchanged;
  switch (type) {
    case 2:
    case 6:
      return {0, 1};
    case 3:
    case 8:
      return {1, kSame};
    case 4:
      if (typeCode == kTypeKeyboard || typeCode == kTypeMouse) return {3, kSame};
      return {0, 2};
    case 7:
      return {0, 2};
    case 5:
      return {2, kSame};
    default:
      return {0, 0};
  }
}

uint16_t NotificationCodeOf(const std::vector<HidInputItem>& items) {
  for (const HidInputItem& item : items) {
    if (!item.isButton) continue;
    return item.usages.empty() ? 0 : item.usages.front();
  }
  return 0;
}

CKestravaUSBDevice::CKestravaUSBDevice(HidBackend* backend)
    : Link(backend),
      NotifyLink(backend),
      Sleep([](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); }) {
  KeyPositionMap.fill(kNoPosition);
  LedMap.fill(kNoPosition);
}

CKestravaUSBDevice::~CKestravaUSBDevice() {
  StopWorkers();
  Link.Wired.Close();
  Link.Receiver.Close();
  NotifyLink.Wired.Close();
  NotifyLink.Receiver.Close();
}

void CKestravaUSBDevice::SetPageLayout(std::string layout) {
  PageLayout = std::move(layout);
}

void CKestravaUSBDevice::SetKeyCount(uint32_t count) {
  KeyCount = count;
  KeyButtons.assign(count, -1);
}

void CKestravaUSBDevice::SetLightCount(uint32_t count) {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  LightCount = count;
  LightControls.assign(count, -1);
  LightColors.assign(count, 0);
}

void CKestravaUSBDevice::SetInterface(const SupportedInterface& row) {
  Interface = row;
  TypeCode = row.TypeCode;
  Role = row.Role;
}

int CKestravaUSBDevice::KeyButton(uint32_t key) const {
  return key < KeyButtons.size() ? KeyButtons[key] : -1;
}

int CKestravaUSBDevice::LightControl(uint32_t light) const {
  return light < LightControls.size() ? LightControls[light] : -1;
}

LightSettingsRecord CKestravaUSBDevice::GetLightSettings() const {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  return LightSettings;
}

void CKestravaUSBDevice::SetLightSettings(const LightSettingsRecord& settings) {
  {
    std::lock_guard<std::recursive_mutex> hold(EffectLock);
    LightSettings = settings;
  }
  // The mode decides whether frames are streamed, and any change may give a still effect
  // other colours.
  EffectDemandChanged();
}

TransactionResult CKestravaUSBDevice::SetHostLightControl(bool flag) {
  HostLightControl = flag;
  if (!flag || TypeCode != kTypeKeyboard) return kResultNoAnswer;
  const TransactionResult result = Link.HostLighting();
  if (result != kResultSuccess) Trace("HostLighting failed: %d\n", result);
  return result;
}

void CKestravaUSBDevice::BindPage() {
  if (PageLayout.empty()) {
    SetKeyCount(0);
    SetLightCount(0);
    return;
  }
  if (!PageView) return;
  const std::vector<PageControl> controls = PageView->KeyButtonControls();
  auto bindLight = [this](std::string_view name, int control) {
    unsigned n = 0;
    if (!ParseIndexedName(name, "light_", &n) || n >= LightControls.size()) return;
    LightControls[n] = control;
    PageView->ShowLight(control, 0xFFFFFF, 255);
  };
  for (size_t i = 0; i < controls.size(); ++i) {
    const int control = static_cast<int>(i);
    unsigned n = 0;
    if (ParseIndexedName(controls[i].name, "key_", &n) && n < KeyButtons.size()) {
      KeyButtons[n] = control;
    }
    bindLight(controls[i].name, control);
    bindLight(controls[i].userData, control);
  }
}

int CKestravaUSBDevice::ApplyLightSettings() {
  return 0;
}

bool CKestravaUSBDevice::ShowLightOnPage(size_t light, uint32_t entry) {
  const int control = LightControl(static_cast<uint32_t>(light));
  if (!PageView || control < 0 || !PageView->IsControlVisible(control)) return false;
  PageView->ShowLight(control, PageColorOf(entry), LightBrightness(entry));
  if (light < ShownColors.size()) ShownColors[light] = entry;
  return true;
}

void CKestravaUSBDevice::SetPreviewShown(bool shown) {
  if (PreviewShown.exchange(shown) == shown) return;
  // A control may have been changed while hidden (BindPage, a new page): show everything anew.
  if (shown) std::fill(ShownColors.begin(), ShownColors.end(), kNotShown);
  EffectDemandChanged();
}

bool CKestravaUSBDevice::RefreshLightPreview(SteadyTime now) {
  if (!PreviewShown || !PageView) return false;
  if (LastPreview != SteadyTime{} && now - LastPreview < kPreviewPeriod) return false;
  LastPreview = now;
  PreviewStaleFlag = false;
  std::vector<uint32_t>& colors = PreviewColors;
  {
    std::lock_guard<std::recursive_mutex> hold(EffectLock);
    colors.assign(LightColors.begin(), LightColors.end());
  }
  if (ShownColors.size() != colors.size()) ShownColors.assign(colors.size(), kNotShown);
  bool changed = false;
  for (size_t i = 0; i < colors.size(); ++i) {
    if (ShownColors[i] == colors[i]) continue;
    if (ShowLightOnPage(i, colors[i])) changed = true;
  }
  return changed;
}

bool CKestravaUSBDevice::IsHostDriven() const {
  return !Wireless;
}

EffectDemand CKestravaUSBDevice::GetEffectDemand() const {
  if (!Link.Open) return EffectDemand::kNone;
  if (IsHostDriven()) return EffectDemand::kStream;
  return PreviewShown ? EffectDemand::kPreview : EffectDemand::kNone;
}

void CKestravaUSBDevice::AdvanceEffects(SteadyTime now) {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  constexpr auto kPass = std::chrono::milliseconds(1);
  if (now < LastEffectPass + kPass) return;
  auto passes = (now - LastEffectPass) / kPass;
  if (LastEffectPass == SteadyTime{} || passes > kMaxEffectCatchUp) {
    // The first pass, or after a pause: no history to catch up.
    LastEffectPass = now - kMaxEffectCatchUp * kPass;
    passes = kMaxEffectCatchUp;
  }
  for (; passes > 0; --passes) {
    LastEffectPass += kPass;
    EffectPass(LastEffectPass);
  }
}

void CKestravaUSBDevice::SetWireless(bool wireless) {
  if (Wireless.exchange(wireless) != wireless) EffectDemandChanged();
}

void CKestravaUSBDevice::EffectDemandChanged() {
  EffectThread.Poke();
  if (DeviceListEntryView* entry = ListEntry) entry->WakePoll();
}

void CKestravaUSBDevice::MarkPreviewStale() {
  // Only the first change after a look wakes the poll: a pass may change every light.
  if (PreviewStaleFlag.exchange(true) || !PreviewShown) return;
  if (DeviceListEntryView* entry = ListEntry) entry->WakePoll();
}

bool CKestravaUSBDevice::EffectIsStill() const {
  const HostEffect e = CurrentEffect;
  return e == HostEffect::kNone || e == HostEffect::kStatic || e == HostEffect::kOff;
}

void CKestravaUSBDevice::SetHostEffect(HostEffect effect) {
  if (CurrentEffect.exchange(effect) != effect) EffectDemandChanged();
}

const std::vector<uint32_t>& CKestravaUSBDevice::TakeFrameColors() {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  if (IsHostDriven()) AdvanceEffects(SteadyClock::now());
  FrameColors.assign(LightColors.begin(), LightColors.end());
  return FrameColors;
}

TransactionResult CKestravaUSBDevice::SendColorFrame() {
  const std::vector<uint32_t>& colors = TakeFrameColors();
  RefreshLightPreview(SteadyClock::now());
  std::array<uint8_t, kColorFrameSize> frame{};
  for (size_t i = 0; i < colors.size(); ++i) {
    const uint32_t entry = colors[i];
    // Light 170 and any beyond it have no room in the 512-byte frame.
    if (i >= static_cast<size_t>(kFrameSkippedLight)) continue;
    const Rgb c = LightRgb(entry);
    const unsigned b = LightBrightness(entry);
    frame[3 * i] = static_cast<uint8_t>((c.red * b) >> 8);
    frame[3 * i + 1] = static_cast<uint8_t>((c.green * b) >> 8);
    frame[3 * i + 2] = static_cast<uint8_t>((c.blue * b) >> 8);
  }
  if (Wireless) return kResultSuccess;
  const size_t n = std::min<size_t>(size_t{LightCount} * 3, frame.size());
  const TransactionResult result = StreamFrame(frame.data(), n);
  if (result != kResultSuccess) Sleep(kFailedFramePause);
  return result;
}

TransactionResult CKestravaUSBDevice::StreamFrame(const uint8_t* data, size_t n) {
  return Link.StreamColors(data, n);
}

void CKestravaUSBDevice::ReadAll() {}
void CKestravaUSBDevice::Resync() {}
void CKestravaUSBDevice::Reserved15() {}
void CKestravaUSBDevice::Reserved16() {}
void CKestravaUSBDevice::ReadPowerStatus() {}
int CKestravaUSBDevice::IsWirelessLinked() {
  return 1;
}
int CKestravaUSBDevice::ReloadProfile() {
  return 0;
}
void CKestravaUSBDevice::Refresh() {}
void CKestravaUSBDevice::ValidateMacroAssignments() {}
void CKestravaUSBDevice::ReloadFromProfile() {}
std::vector<int> CKestravaUSBDevice::GetAssignedMacros() {
  return {};
}

int CKestravaUSBDevice::UploadKeyAssignments(int page, const KeyAssignmentMap& assignments) {
  (void)page;
  (void)assignments;
  return 0;
}

int CKestravaUSBDevice::UploadCurrentKeyAssignments(int page) {
  (void)page;
  return 0;
}

int CKestravaUSBDevice::UploadMacros(const std::vector<int>& macros) {
  (void)macros;
  return 0;
}

int CKestravaUSBDevice::WriteSettings(int slot, uint8_t firstByte) {
  (void)slot;
  (void)firstByte;
  return 0;
}

void CKestravaUSBDevice::LoadProfileData() {}

void CKestravaUSBDevice::SetColumnMap(const ColumnMapTable& map) {
  std::lock_guard<std::recursive_mutex> hold(EffectLock);
  ColumnMap = map;
}

void CKestravaUSBDevice::ShowFunctionPage(int type) {
  FunctionPage = type;
  if (!PageView) return;
  if (FunctionSwitch < 0) FunctionSwitch = PageView->FindControl("device_function_switch");
  if (KeyFunctionSwitch < 0) {
    KeyFunctionSwitch = PageView->FindControl("device_key_function_switch");
  }
  const FunctionPageChoice choice = ChooseFunctionPages(type, TypeCode);
  if (FunctionSwitch >= 0 && choice.devicePage != FunctionPageChoice::kUnchanged) {
    PageView->SelectPage(FunctionSwitch, choice.devicePage);
  }
  if (KeyFunctionSwitch >= 0 && choice.keyPage != FunctionPageChoice::kUnchanged) {
    PageView->SelectPage(KeyFunctionSwitch, choice.keyPage);
  }
}

int CKestravaUSBDevice::GetFunctionPage() const {
  return FunctionPage;
}
void CKestravaUSBDevice::LoadProfileFile() {}
std::string CKestravaUSBDevice::GetProfilePath() const {
  return {};
}
void CKestravaUSBDevice::SaveProfile() {}
void CKestravaUSBDevice::SetDefaultDataIndex(uint32_t index) {
  DefaultDataIndex = index;
}
uint32_t CKestravaUSBDevice::GetDefaultDataIndex() const {
  return DefaultDataIndex;
}

void CKestravaUSBDevice::SetLightPanelValues(int a, int b, int c, int d) {
  LightPanelValues = {a, b, c, d};
}

void CKestravaUSBDevice::SetLightPanelColor(int x, int y, uint32_t value) {
  LightPanelColor = value;
  if (PageView) PageView->ShowLightPanelColor(x, y, value);
}

uint32_t CKestravaUSBDevice::GetLightPanelColor() const {
  return LightPanelColor;
}
void CKestravaUSBDevice::SelectKey(int logicalKey) {
  SelectedKey = logicalKey;
}
void CKestravaUSBDevice::Reserved45() {}
void CKestravaUSBDevice::Reserved46() {}

intptr_t CKestravaUSBDevice::SendToMainWindow(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  MessageSink* sink = MainWindow;
  return sink ? sink->Send(message, wParam, lParam) : 0;
}

bool CKestravaUSBDevice::PostToInterface(std::function<void()> task) {
  MessageSink* sink = MainWindow;
  if (!sink) return false;
  std::weak_ptr<int> alive = alive_;
  return sink->PostTask([alive, task = std::move(task)] {
    if (alive.lock()) task();
  });
}

}  // namespace qv
