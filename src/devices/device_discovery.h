// The interface-thread half of device discovery: what happens when the scan thread reports an
// interface that arrived or left, and when a device's wireless link goes down or up. It creates
// a device kind's block the first time the kind is seen, opens and closes the device's
// channels, moves a dual-mode device between its cable and its receiver, and shows or hides
// the device's list entry. The cable/receiver switch-over is drawn in docs/hotplug.md.
//
// The interface pieces (building the block's widgets, the device list, the entry's timers,
// bringing the window forward) belong to the host, normally the main window; this class holds
// the rules only, so that tests can drive it with a host of their own.
//
// The run-time interface table is the scan thread's; it is read here only while a message that
// the scanner sent and waits for is handled, so it does not change underneath.
//
// Threading: interface thread only. Channel changes hold the link's TransferLock (the command
// link) or the notification link's channel lock.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "devices/device_families.h"
#include "devices/usb_device.h"
#include "transport/catalogue.h"

namespace qv::ui {

class DiscoveryHost {
 public:
  virtual ~DiscoveryHost() = default;
  // Builds the block of the primary interface row (power block, page with its configured and
  // initialised device object, list entry, appended hidden); the device object, or null when
  // any piece could not be built. The object is owned by the host.
  virtual CKestravaUSBDevice* CreateDeviceBlock(int primaryRow, int kindRow) = 0;
  // The device objects of the list entries, in list order.
  virtual std::vector<CKestravaUSBDevice*> EntryDevices() const = 0;
  virtual bool IsEntryVisible(const CKestravaUSBDevice* device) const = 0;
  virtual bool AnyEntryVisible() const = 0;
  // Shows the entry; selects it when `select`.
  virtual void ShowEntry(CKestravaUSBDevice* device, bool select) = 0;
  // Hides the entry; another visible entry is selected when it was the selected one.
  virtual void HideEntry(CKestravaUSBDevice* device) = 0;
  virtual void StartConnectTimer(CKestravaUSBDevice* device) = 0;
  virtual void RestartLinkWatch(CKestravaUSBDevice* device, int periodMs) = 0;
  // UWM_DEVICE_LINK to the main window (wParam: the kind row, lParam: 1 up, 0 down).
  virtual void SendLinkMessage(int kindRow, int up) = 0;
  virtual void BringForward() = 0;
};

// The eight values that make a row's or a device object's identity (the path is not compared).
bool SameIdentity(const SupportedInterface& a, const SupportedInterface& b);
bool IsCableKind(uint32_t typeCode);
bool IsReceiverKind(uint32_t typeCode);

class DeviceDiscovery {
 public:
  // table: the scanner's run-time table; families: the family lists (appended here). Not owned.
  DeviceDiscovery(DiscoveryHost& host, const RuntimeInterfaceTable& table,
                  DeviceFamilies& families);

  // The mouse and keyboard blocks, created before any device is attached.
  void PreCreate();

  void OnArrived(uintptr_t row);
  void OnRemoved(uintptr_t row);
  void OnLinkChanged(uintptr_t entryIndex, intptr_t up);

  // The pause between link queries after a switch to the receiver (50 ms; tests shorten it).
  using Sleeper = std::function<void(std::chrono::milliseconds)>;
  void SetSleeper(Sleeper sleeper) { sleep_ = std::move(sleeper); }

 private:
  const SupportedInterface& Row(int index) const { return table_.Row(index); }
  bool InTable(uintptr_t row) const { return row < table_.RowCount(); }
  int PrimaryRowOf(int row) const;
  int PartnerOf(int row) const;
  // The partner is attached and pairs back with `row`.
  bool PartnerAttached(int row) const;
  // The identity a primary row's device object carries.
  const SupportedInterface& DeviceIdentityOf(int row) const;
  CKestravaUSBDevice* EntryDevice(const SupportedInterface& identity) const;
  CKestravaUSBDevice* FamilyDevice(const SupportedInterface& identity) const;
  int KindRowOf(const CKestravaUSBDevice& device) const;

  void CreateBlock(int primaryRow);
  void AttachPrimary(int row);
  void AttachSecondary(int row);
  // Secondary rows of the half that `primaryRow` belongs to, attached now that it is open.
  void OfferSecondaries(int primaryRow);
  void SwitchOver(int cableRow, int receiverRow);
  void RemovePrimary(int row);
  void RemoveSecondary(int row);

  void OpenNotifyChannel(CKestravaUSBDevice& device, NotifyChannel channel,
                         const std::string& path);
  void CloseNotifyChannel(CKestravaUSBDevice& device, NotifyChannel channel);

  DiscoveryHost& host_;
  const RuntimeInterfaceTable& table_;
  DeviceFamilies& families_;
  Sleeper sleep_;
};

}  // namespace qv::ui
