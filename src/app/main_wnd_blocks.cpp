// Device blocks (power block, device page with its device object, list entry) and the device
// list operations that discovery and routing use.
#include <QStackedWidget>
#include <QTimer>

#include "app/device_list.h"
#include "app/device_option.h"
#include "app/device_power.h"
#include "app/main_wnd.h"
#include "devices/keyboard_device.h"
#include "devices/ui/device_page_widget.h"
#include "keys/ui/key_set_control.h"
#include "macros/ui/macro_control.h"
#include "platform/trace.h"
#include "ui/control_factory.h"
#include "ui/control_ops.h"

namespace qv::ui {
namespace {

constexpr char kPowerLayout[] = "XML\\CustomControlXML\\MpDevicePower.xml";

// The mouse, mousepad and headset objects come with their own device classes; until then their
// pages are driven by the base.
std::unique_ptr<CKestravaUSBDevice> MakeDeviceObject(int kindRow, HidBackend* backend) {
  if (kindRow == kKindKeyboard) return std::make_unique<CKestravaKeyboardDevice>(backend);
  return std::make_unique<CKestravaUSBDevice>(backend);
}

int IndexIn(QWidget* container, QWidget* child) {
  if (auto* stack = qobject_cast<QStackedWidget*>(container)) return stack->indexOf(child);
  return -1;
}

}  // namespace

DeviceBlock* CMainWnd::BlockOf(const CKestravaUSBDevice* device) const {
  for (const auto& block : blocks_) {
    if (block->device.get() == device) return block.get();
  }
  return nullptr;
}

CKestravaUSBDevice* CMainWnd::CreateDeviceBlock(int primaryRow, int kindRow) {
  if (kindRow < 0 || static_cast<size_t>(kindRow) >= kKindRowCount || !deviceList_) return nullptr;
  const DeviceKindInfo& kind = DeviceKinds()[static_cast<size_t>(kindRow)];
  const DeviceLayoutInfo& layout = DeviceLayouts()[static_cast<size_t>(kindRow)];
  QWidget* powerBox = FindControl(QStringLiteral("device_power_switch"));
  QWidget* pageBox = FindControl(QStringLiteral("device_switch"));
  QWidget* listBox = deviceList_->Container();
  if (!powerBox || !pageBox || !listBox) return nullptr;

  auto callback = [this](const QString& name, QWidget* p) { return CreateControl(name, p); };
  auto block = std::make_unique<DeviceBlock>();
  block->primaryRow = primaryRow;
  block->kindRow = kindRow;
  QWidget* powerRoot = LoadLayout(QString::fromLatin1(kPowerLayout), powerBox, callback);
  DevicePageWidget* page = DevicePageWidget::Load(QString::fromLatin1(layout.PageLayout), pageBox);
  QWidget* entryRoot = LoadLayout(QString::fromLatin1(kind.EntryLayout), listBox, callback);
  auto* power = qobject_cast<CMpDevicePowerUI*>(powerRoot);
  auto* entry = qobject_cast<CDeviceOptionUI*>(entryRoot);
  if (!power || !page || !entry) {
    Trace("device block of kind %d cannot be built", kindRow);
    delete powerRoot;
    delete page;
    delete entryRoot;
    return nullptr;
  }
  block->power = power;
  block->page = page;
  block->entry = entry;

  AddControl(powerBox, power);
  power->SetTypeCode(kind.TypeCode, kind.Role);
  power->ShowPowerLayout(layout.PowerFlag);

  auto device = MakeDeviceObject(kindRow, options_.backend);
  const SupportedInterface& row = scanner_->Table().Row(primaryRow);
  device->SetPageLayout(layout.PageLayout);
  device->SetMainWindow(this);
  device->SetKeyCount(layout.KeyCount);
  device->SetLightCount(layout.LightCount);
  device->SetListEntry(entry);
  device->SetPowerFlag(layout.PowerFlag);
  // No profile is current yet: the page's profile panel names it while the page is bound.
  device->SetProfileName(std::string());
  device->SetKindName(kind.KindName);
  device->SetPowerControl(power);
  device->SetInterface(row);
  device->SetDefaultDataIndex(kind.DefaultDataIndex);
  device->SetLightLayerName(layout.LightLayerName);
  page->SetDevice(device.get());
  page->ListenTo(Notifications());
  if (auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(device.get())) {
    KeyboardHooks hooks;
    hooks.scheduleResync = [entry] { entry->StartDeviceTimer(kEntryTimerResync, 50); };
    hooks.powerReport = [power](const std::array<uint8_t, kPowerStatusSize>& status) {
      power->ShowPowerReport(status.data(), status.size());
    };
    hooks.keyEvent = [this, keyboard](int key, int state) {
      Q_EMIT DeviceKeyEvent(keyboard, key, state);
    };
    hooks.saveFailed = [this](const std::string& path, int code) {
      TellSaveFailed(QString::fromStdString(path), code);
    };
    keyboard->SetHooks(std::move(hooks));
  }
  device->BindPage();
  if (auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(device.get())) {
    if (auto* keys = FindControlAs<CKeySetControlUI>(page, QStringLiteral("KeySetControlItem"))) {
      KeyAssignFlows::Bind(*keyboard, *keys);
      connect(keys, &CKeySetControlUI::Captured, this, [this] {
        if (keyFlows_) keyFlows_->Apply();
      });
    }
    if (auto* macros = FindControlAs<CMacroControlUI>(page, QStringLiteral("MacroControlItem"))) {
      if (macroFlows_) macroFlows_->Bind(*keyboard, *macros);
    }
  }
  AddControl(pageBox, page);

  AddControl(listBox, entry);
  entry->Select(false);
  entry->SetGroup(QString::fromLatin1(kind.TabHeaderName));
  entry->SetPageBinding(QStringLiteral("device_switch"), IndexIn(pageBox, page));
  entry->SetPowerContainer(QString::fromLatin1(kind.PowerSwitchName), IndexIn(powerBox, power));
  entry->SetTypeCode(kind.TypeCode, kind.Role);
  entry->setVisible(false);
  entry->SetShownName(QString::fromLatin1(
      kindRow >= 0 && static_cast<size_t>(kindRow) < Models().size() - 1 ? Models()[kindRow].Model
                                                                         : kind.KindName));
  entry->SetKindIndex(kindRow);
  entry->SetDevice(device.get());

  if (dpiValue_ != 96) {
    for (QWidget* piece : {static_cast<QWidget*>(power), static_cast<QWidget*>(page),
                           static_cast<QWidget*>(entry)}) {
      ScaleFonts(piece);
      ScaleGeometry(piece);
    }
  }
  block->device = std::move(device);
  CKestravaUSBDevice* result = block->device.get();
  blocks_.push_back(std::move(block));
  return result;
}

std::vector<CKestravaUSBDevice*> CMainWnd::EntryDevices() const {
  std::vector<CKestravaUSBDevice*> out;
  if (!deviceList_) return out;
  for (int i = 0; i < deviceList_->Count(); ++i) {
    CDeviceOptionUI* entry = deviceList_->Entry(i);
    out.push_back(entry ? entry->Device() : nullptr);
  }
  return out;
}

bool CMainWnd::IsEntryVisible(const CKestravaUSBDevice* device) const {
  if (!deviceList_) return false;
  CDeviceOptionUI* entry = deviceList_->Entry(deviceList_->IndexOfDevice(device));
  return entry && entry->IsEntryVisible();
}

bool CMainWnd::AnyEntryVisible() const {
  return deviceList_ && deviceList_->FirstVisible().second > 0;
}

void CMainWnd::ShowEntry(CKestravaUSBDevice* device, bool select) {
  if (!deviceList_) return;
  const int index = deviceList_->IndexOfDevice(device);
  if (index >= 0) deviceList_->ShowEntry(index, true, select);
}

void CMainWnd::HideEntry(CKestravaUSBDevice* device) {
  if (!deviceList_) return;
  deviceList_->HideEntry(deviceList_->IndexOfDevice(device));
}

void CMainWnd::StartConnectTimer(CKestravaUSBDevice* device) {
  if (!deviceList_) return;
  if (CDeviceOptionUI* entry = deviceList_->Entry(deviceList_->IndexOfDevice(device))) {
    entry->StartConnectTimer();
  }
}

void CMainWnd::RestartLinkWatch(CKestravaUSBDevice* device, int periodMs) {
  if (!deviceList_) return;
  if (CDeviceOptionUI* entry = deviceList_->Entry(deviceList_->IndexOfDevice(device))) {
    entry->RestartLinkWatch(periodMs);
  }
}

void CMainWnd::SendLinkMessage(int kindRow, int up) {
  Send(UWM_DEVICE_LINK, static_cast<uintptr_t>(kindRow), up);
}

CKestravaUSBDevice* CMainWnd::CurrentDevice() const {
  return deviceList_ ? deviceList_->SelectedDevice() : nullptr;
}

}  // namespace qv::ui
