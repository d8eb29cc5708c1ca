// Device blocks (power block, device page with its device object, list entry) and the device
// list operations that discovery and routing use.
#include <QStackedWidget>
#include <QTimer>

#include "app/control_factory.h"
#include "app/control_ops.h"
#include "app/main_wnd.h"
#include "devices/keyboard_device.h"
#include "devices/ui/device_page_widget.h"
#include "platform/trace.h"

namespace qv::ui {
namespace {

constexpr char kPowerLayout[] = "XML\\CustomControlXML\\MpDevicePower.xml";
constexpr char kSelectedProperty[] = "qv_selected";
constexpr int kConnectDelayMs = 500;

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
  if (kindRow < 0 || static_cast<size_t>(kindRow) >= kKindRowCount) return nullptr;
  const DeviceKindInfo& kind = DeviceKinds()[static_cast<size_t>(kindRow)];
  const DeviceLayoutInfo& layout = DeviceLayouts()[static_cast<size_t>(kindRow)];
  QWidget* powerBox = FindControl(QStringLiteral("device_power_switch"));
  QWidget* pageBox = FindControl(QStringLiteral("device_switch"));
  QWidget* listBox = FindControl(QStringLiteral("device_select_layout"));
  if (!powerBox || !pageBox || !listBox) return nullptr;

  auto callback = [this](const QString& name, QWidget* p) { return CreateControl(name, p); };
  auto block = std::make_unique<DeviceBlock>();
  block->primaryRow = primaryRow;
  block->kindRow = kindRow;
  block->power = LoadLayout(QString::fromLatin1(kPowerLayout), powerBox, callback);
  DevicePageWidget* page = DevicePageWidget::Load(QString::fromLatin1(layout.PageLayout), pageBox);
  block->page = page;
  block->entry = LoadLayout(QString::fromLatin1(kind.EntryLayout), listBox, callback);
  if (!block->power || !block->page || !block->entry) {
    Trace("device block of kind %d cannot be built", kindRow);
    delete block->power.data();
    delete block->page.data();
    delete block->entry.data();
    return nullptr;
  }
  AddControl(powerBox, block->power);

  auto device = MakeDeviceObject(kindRow, options_.backend);
  const SupportedInterface& row = scanner_->Table().Row(primaryRow);
  device->SetPageLayout(layout.PageLayout);
  device->SetMainWindow(this);
  device->SetKeyCount(layout.KeyCount);
  device->SetLightCount(layout.LightCount);
  device->SetPowerFlag(layout.PowerFlag);
  device->SetKindName(kind.KindName);
  device->SetInterface(row);
  device->SetDefaultDataIndex(kind.DefaultDataIndex);
  device->SetLightLayerName(layout.LightLayerName);
  page->SetDevice(device.get());
  page->ListenTo(Notifications());
  if (auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(device.get())) {
    KeyboardHooks hooks;
    hooks.scheduleResync = [this, keyboard] {
      QTimer::singleShot(50, this, [this, keyboard] {
        if (!shutdownDone_) keyboard->Resync();
      });
    };
    hooks.keyEvent = [this, keyboard](int key, int state) {
      Q_EMIT DeviceKeyEvent(keyboard, key, state);
    };
    keyboard->SetHooks(std::move(hooks));
  }
  device->BindPage();
  AddControl(pageBox, block->page);

  block->entry->setVisible(false);
  AddControl(listBox, block->entry);
  SetText(qv::ui::FindControl(block->entry, QStringLiteral("device_select_name")),
          QString::fromLatin1(kind.KindName));
  block->device = std::move(device);
  CKestravaUSBDevice* result = block->device.get();
  blocks_.push_back(std::move(block));
  return result;
}

std::vector<CKestravaUSBDevice*> CMainWnd::EntryDevices() const {
  std::vector<CKestravaUSBDevice*> out;
  QWidget* listBox = FindControl(QStringLiteral("device_select_layout"));
  // List order is the container's child order, which is creation order.
  for (const auto& block : blocks_) {
    if (block->entry && block->entry->parentWidget() == listBox) out.push_back(block->device.get());
  }
  return out;
}

bool CMainWnd::IsEntryVisible(const CKestravaUSBDevice* device) const {
  const DeviceBlock* block = BlockOf(device);
  return block && block->entry && !block->entry->isHidden();
}

bool CMainWnd::AnyEntryVisible() const {
  for (const auto& block : blocks_) {
    if (block->entry && !block->entry->isHidden()) return true;
  }
  return false;
}

void CMainWnd::ShowEntry(CKestravaUSBDevice* device, bool select) {
  DeviceBlock* block = BlockOf(device);
  if (!block || !block->entry) return;
  block->entry->setVisible(true);
  if (select) {
    for (const auto& other : blocks_) {
      if (other->entry) other->entry->setProperty(kSelectedProperty, other.get() == block);
      if (QWidget* option = qv::ui::FindControl(other->entry, QStringLiteral("device_select"))) {
        SetSelected(option, other.get() == block);
      }
    }
    QWidget* pageBox = FindControl(QStringLiteral("device_switch"));
    QWidget* powerBox = FindControl(QStringLiteral("device_power_switch"));
    SelectItem(pageBox, IndexIn(pageBox, block->page));
    SelectItem(powerBox, IndexIn(powerBox, block->power));
    SetVisible(powerBox, true);
  }
  UpdateNoDeviceNotice();
}

void CMainWnd::HideEntry(CKestravaUSBDevice* device) {
  DeviceBlock* block = BlockOf(device);
  if (!block || !block->entry) return;
  const bool wasSelected =
      !block->entry->isHidden() && block->entry->property(kSelectedProperty).toBool();
  block->entry->setVisible(false);
  block->entry->setProperty(kSelectedProperty, false);
  if (wasSelected) {
    CloseAuxWindows();
    for (const auto& other : blocks_) {
      if (other.get() != block && other->entry && !other->entry->isHidden()) {
        ShowEntry(other->device.get(), true);
        break;
      }
    }
  }
  if (!AnyEntryVisible()) {
    SelectItem(FindControl(QStringLiteral("device_switch")), 0);
    SelectItem(FindControl(QStringLiteral("device_power_switch")), 0);
  }
  UpdateNoDeviceNotice();
}

void CMainWnd::StartConnectTimer(CKestravaUSBDevice* device) {
  DeviceBlock* block = BlockOf(device);
  if (!block || !block->entry) return;
  QTimer::singleShot(kConnectDelayMs, block->entry, [this, device] {
    if (shutdownDone_) return;
    if (device->Link.Open) device->ReadAll();
  });
}

void CMainWnd::RestartLinkWatch(CKestravaUSBDevice* device, int periodMs) {
  (void)device;
  (void)periodMs;
}

void CMainWnd::SendLinkMessage(int kindRow, int up) {
  Send(UWM_DEVICE_LINK, static_cast<uintptr_t>(kindRow), up);
}

CKestravaUSBDevice* CMainWnd::CurrentDevice() const {
  for (const auto& block : blocks_) {
    if (block->entry && !block->entry->isHidden() &&
        block->entry->property(kSelectedProperty).toBool()) {
      return block->device.get();
    }
  }
  return nullptr;
}

}  // namespace qv::ui
