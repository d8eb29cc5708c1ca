#include "devices/device_discovery.h"

#include <thread>

#include "devices/keyboard_device.h"
#include "platform/trace.h"

namespace qv::ui {
namespace {

constexpr int kLinkQueries = 26;
constexpr std::chrono::milliseconds kLinkQueryPause{50};
constexpr int kLinkWatchAfterSwitchMs = 2000;

bool SameDevice(const SupportedInterface& a, const SupportedInterface& b) {
  return a.VendorId == b.VendorId && a.ProductId == b.ProductId && a.TypeCode == b.TypeCode;
}

NotifyChannel ChannelOfKind(uint32_t typeCode) {
  return IsReceiverKind(typeCode) ? NotifyChannel::kReceiver : NotifyChannel::kWired;
}

}  // namespace

bool SameIdentity(const SupportedInterface& a, const SupportedInterface& b) {
  return a.VendorId == b.VendorId && a.ProductId == b.ProductId &&
         a.InterfaceNumber == b.InterfaceNumber && a.CollectionNumber == b.CollectionNumber &&
         a.TypeCode == b.TypeCode && a.Role == b.Role && a.UsagePage == b.UsagePage &&
         a.Usage == b.Usage;
}

bool IsCableKind(uint32_t typeCode) {
  return typeCode == kTypeKeyboard || typeCode == kTypeMouse;
}

bool IsReceiverKind(uint32_t typeCode) {
  return typeCode == kTypeKeyboardSecond || typeCode == kTypeMouseSecond;
}

DeviceDiscovery::DeviceDiscovery(DiscoveryHost& host, const RuntimeInterfaceTable& table,
                                 DeviceFamilies& families)
    : host_(host),
      table_(table),
      families_(families),
      sleep_([](std::chrono::milliseconds d) { std::this_thread::sleep_for(d); }) {}

void DeviceDiscovery::PreCreate() {
  for (int kind : {kKindMouse, kKindKeyboard}) {
    const int row = FindInterfaceRowOfKind(kind);
    if (row >= 0) CreateBlock(row);
  }
}

int DeviceDiscovery::PrimaryRowOf(int row) const {
  const SupportedInterface& r = Row(row);
  for (size_t i = 0; i < table_.RowCount(); ++i) {
    const SupportedInterface& c = Row(static_cast<int>(i));
    if (SameDevice(c, r) && c.Role == kRolePrimary) return static_cast<int>(i);
  }
  return -1;
}

int DeviceDiscovery::PartnerOf(int row) const {
  const SupportedInterface& r = Row(row);
  if (!r.HasPair || r.PairIndex >= table_.RowCount()) return -1;
  return r.PairIndex;
}

bool DeviceDiscovery::PartnerAttached(int row) const {
  const int p = PartnerOf(row);
  if (p < 0) return false;
  const SupportedInterface& partner = Row(p);
  return partner.Present && !partner.DevicePath.empty() && partner.PairIndex == row;
}

const SupportedInterface& DeviceDiscovery::DeviceIdentityOf(int row) const {
  const int p = PartnerOf(row);
  if (IsReceiverKind(Row(row).TypeCode) && p >= 0) return Row(p);
  return Row(row);
}

CKestravaUSBDevice* DeviceDiscovery::EntryDevice(const SupportedInterface& identity) const {
  for (CKestravaUSBDevice* d : host_.EntryDevices()) {
    if (d && SameIdentity(d->GetInterface(), identity)) return d;
  }
  return nullptr;
}

CKestravaUSBDevice* DeviceDiscovery::FamilyDevice(const SupportedInterface& identity) const {
  DeviceFamily family;
  if (!FamilyOfType(identity.TypeCode, &family)) return nullptr;
  for (CKestravaUSBDevice* d : families_.Snapshot(family)) {
    if (SameIdentity(d->GetInterface(), identity)) return d;
  }
  return nullptr;
}

int DeviceDiscovery::KindRowOf(const CKestravaUSBDevice& device) const {
  const SupportedInterface& id = device.GetInterface();
  return FindKindRow(id.VendorId, id.ProductId, id.TypeCode, kRolePrimary);
}

void DeviceDiscovery::CreateBlock(int primaryRow) {
  const SupportedInterface& r = Row(primaryRow);
  const int kindRow = FindKindRow(r.VendorId, r.ProductId, r.TypeCode, kRolePrimary);
  if (kindRow < 0) return;
  CKestravaUSBDevice* device = host_.CreateDeviceBlock(primaryRow, kindRow);
  if (!device) return;
  DeviceFamily family;
  if (FamilyOfType(r.TypeCode, &family)) families_.Append(family, device);
}

void DeviceDiscovery::OnArrived(uintptr_t index) {
  if (!InTable(index)) return;
  const int s = static_cast<int>(index);
  const SupportedInterface& row = Row(s);
  const int primary = PrimaryRowOf(s);

  const SupportedInterface* identity = &row;
  if (row.Role != kRolePrimary) {
    if (primary < 0) return;
    identity = &Row(primary);
    const int p = PartnerOf(primary);
    if (IsReceiverKind(Row(primary).TypeCode) && p >= 0) identity = &Row(p);
  } else if (IsReceiverKind(row.TypeCode)) {
    const int p = PartnerOf(s);
    if (p >= 0 && Row(p).PairIndex == s) identity = &Row(p);
  }
  DeviceFamily family;
  if (!FamilyOfType(row.TypeCode, &family)) return;
  if (!EntryDevice(*identity) && primary >= 0) CreateBlock(primary);

  if (row.Role == kRolePrimary) {
    AttachPrimary(s);
  } else {
    AttachSecondary(s);
  }
  host_.BringForward();
}

void DeviceDiscovery::AttachPrimary(int s) {
  const SupportedInterface& row = Row(s);
  const bool dualMode = IsCableKind(row.TypeCode) || IsReceiverKind(row.TypeCode);
  if (dualMode && PartnerAttached(s)) {
    // Already connected through its other half: a cable takes over, a receiver waits.
    if (IsCableKind(row.TypeCode)) SwitchOver(s, PartnerOf(s));
    return;
  }
  const SupportedInterface& identity = dualMode ? DeviceIdentityOf(s) : row;
  CKestravaUSBDevice* device = FamilyDevice(identity);
  if (!device || device->Link.Open) return;

  const bool receiver = IsReceiverKind(row.TypeCode);
  bool opened = false;
  {
    std::lock_guard<std::mutex> hold(device->Link.TransferLock);
    HidChannel& channel = receiver ? device->Link.Receiver : device->Link.Wired;
    opened = channel.Open(row.DevicePath, true, true, true, false);
    if (opened) {
      device->Link.Open = true;
      if (dualMode) device->Link.SetMode(receiver ? kModeWireless : kModeWired);
      device->SetInterface(identity);
      // The switch-over decides its direction by this flag, so it follows the channel in use.
      device->SetWireless(receiver);
    }
  }
  if (opened) OfferSecondaries(s);

  if (!EntryDevice(identity)) return;
  if (!receiver) host_.ShowEntry(device, !host_.AnyEntryVisible());
  host_.StartConnectTimer(device);
}

void DeviceDiscovery::AttachSecondary(int s) {
  const SupportedInterface& row = Row(s);
  DeviceFamily family;
  if (!FamilyOfType(row.TypeCode, &family)) return;
  const int p = PartnerOf(s);
  for (CKestravaUSBDevice* d : families_.Snapshot(family)) {
    const SupportedInterface& id = d->GetInterface();
    const bool match = d->IsWireless() ? (p >= 0 && SameDevice(id, Row(p))) : SameDevice(id, row);
    if (!match) continue;
    const uint32_t kind =
        d->IsWireless() && p >= 0 && !IsReceiverKind(row.TypeCode) ? Row(p).TypeCode : row.TypeCode;
    if (auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(d)) {
      keyboard->OpenNotifyChannel(row.DevicePath, static_cast<DeviceTypeCode>(kind));
    } else {
      OpenNotifyChannel(*d, ChannelOfKind(kind), row.DevicePath);
    }
  }
}

void DeviceDiscovery::OfferSecondaries(int primaryRow) {
  const SupportedInterface& primary = Row(primaryRow);
  for (size_t i = 0; i < table_.RowCount(); ++i) {
    const SupportedInterface& r = Row(static_cast<int>(i));
    if (r.Role == kRolePrimary || !r.Present || !SameDevice(r, primary)) continue;
    AttachSecondary(static_cast<int>(i));
  }
}

void DeviceDiscovery::SwitchOver(int cableRow, int receiverRow) {
  CKestravaUSBDevice* device = EntryDevice(Row(cableRow));
  if (!device) device = EntryDevice(Row(receiverRow));
  if (!device) return;
  const bool wireless = device->IsWireless();
  const std::string target = wireless ? Row(cableRow).DevicePath : Row(receiverRow).DevicePath;
  bool reopened = false;
  {
    std::lock_guard<std::mutex> hold(device->Link.TransferLock);
    device->Link.Open = false;
    HidChannel& channel = wireless ? device->Link.Wired : device->Link.Receiver;
    channel.Close();
    reopened = channel.Open(target, true, true, true, false);
  }
  if (!reopened) return;
  device->Link.Open = true;
  device->SetWireless(!wireless);
  if (device->IsWireless()) {
    device->Link.SetMode(kModeWireless);
    if (device->GetPowerFlag()) {
      for (int i = 1; i <= kLinkQueries; ++i) {
        if (device->Link.QueryLink()) break;
        sleep_(kLinkQueryPause);
        if (i < kLinkQueries) TraceText("获取2.4G模式失败");
      }
      TraceText("获取2");
      device->ReadPowerStatus();
    }
    OfferSecondaries(receiverRow);
    host_.RestartLinkWatch(device, kLinkWatchAfterSwitchMs);
  } else {
    device->Link.SetMode(kModeWired);
    OfferSecondaries(cableRow);
    host_.StartConnectTimer(device);
    host_.SendLinkMessage(KindRowOf(*device), 1);
    if (device->GetPowerFlag()) device->ReadPowerStatus();
  }
}

void DeviceDiscovery::OnRemoved(uintptr_t index) {
  if (!InTable(index)) return;
  const int s = static_cast<int>(index);
  if (Row(s).Role == kRolePrimary) {
    RemovePrimary(s);
  } else {
    RemoveSecondary(s);
  }
}

void DeviceDiscovery::RemovePrimary(int s) {
  const SupportedInterface& row = Row(s);
  DeviceFamily family;
  if (!FamilyOfType(row.TypeCode, &family)) return;
  if (family == DeviceFamily::kKeyboard || family == DeviceFamily::kMouse) {
    TraceText(family == DeviceFamily::kKeyboard ? "键盘设备丢失" : "鼠标设备丢失");
    if (PartnerAttached(s)) {
      if (IsCableKind(row.TypeCode)) SwitchOver(s, PartnerOf(s));
      return;
    }
    CKestravaUSBDevice* device = FamilyDevice(DeviceIdentityOf(s));
    if (!device) return;
    {
      std::lock_guard<std::mutex> hold(device->Link.TransferLock);
      device->Link.Open = false;
      device->Link.Wired.Close();
      device->Link.Receiver.Close();
    }
    host_.HideEntry(device);
    return;
  }
  CKestravaUSBDevice* device = FamilyDevice(row);
  if (!device) return;
  {
    std::lock_guard<std::mutex> hold(device->Link.TransferLock);
    device->Link.Open = false;
    device->Link.Wired.Close();
  }
  host_.HideEntry(device);
}

void DeviceDiscovery::RemoveSecondary(int s) {
  const SupportedInterface& row = Row(s);
  DeviceFamily family;
  if (!FamilyOfType(row.TypeCode, &family)) return;
  const int p = PartnerOf(s);
  // Matched on either half: the device may have moved to its other half since this interface
  // was attached, and its reader must not stay on a channel that is gone.
  for (CKestravaUSBDevice* d : families_.Snapshot(family)) {
    const SupportedInterface& id = d->GetInterface();
    if (SameDevice(id, row) || (p >= 0 && SameDevice(id, Row(p)))) {
      if (auto* keyboard = dynamic_cast<CKestravaKeyboardDevice*>(d)) {
        keyboard->CloseNotifyChannel(row.TypeCode);
      } else {
        CloseNotifyChannel(*d, ChannelOfKind(row.TypeCode));
      }
    }
  }
}

void DeviceDiscovery::OnLinkChanged(uintptr_t entryIndex, intptr_t up) {
  const std::vector<CKestravaUSBDevice*> devices = host_.EntryDevices();
  if (entryIndex >= devices.size() || !devices[entryIndex]) return;
  CKestravaUSBDevice* device = devices[entryIndex];
  if (up == 0) {
    host_.HideEntry(device);
    TraceText("2.4gcesvdfherhue 1");
  } else if (!host_.IsEntryVisible(device)) {
    host_.ShowEntry(device, !host_.AnyEntryVisible());
  }
}

void DeviceDiscovery::OpenNotifyChannel(CKestravaUSBDevice& device, NotifyChannel channel,
                                        const std::string& path) {
  if (device.NotificationThreadRunning(channel)) device.StopNotificationThread(channel);
  const bool receiver = channel == NotifyChannel::kReceiver;
  CommandLink& link = device.NotifyLink;
  bool opened = false;
  {
    std::lock_guard<std::mutex> hold(receiver ? link.ReceiverLock : link.TransferLock);
    HidChannel& ch = receiver ? link.Receiver : link.Wired;
    ch.Close();
    opened = ch.Open(path, true, true, true, false);
    (receiver ? link.WirelessMode : link.Open) = opened;
  }
  if (opened) device.StartNotificationThread(channel);
}

void DeviceDiscovery::CloseNotifyChannel(CKestravaUSBDevice& device, NotifyChannel channel) {
  const bool receiver = channel == NotifyChannel::kReceiver;
  CommandLink& link = device.NotifyLink;
  device.StopNotificationThread(channel);  // closes the channel under its lock
  std::lock_guard<std::mutex> hold(receiver ? link.ReceiverLock : link.TransferLock);
  (receiver ? link.Receiver : link.Wired).Close();
  (receiver ? link.WirelessMode : link.Open) = false;
}

}  // namespace qv::ui
