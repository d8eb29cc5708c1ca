// The four family lists of device objects (mice, keyboards, mousepads, headsets) and each
// object's synchronised-lighting flag, shared between the interface thread, which appends
// objects as device blocks are created, and the synchronised-lighting thread, which reads them.
//
// The objects are not owned: the main window owns them and keeps them until shutdown, after the
// lighting thread has stopped. Readers take a snapshot under the lock, so no thread ever walks
// a list while another appends to it.
//
// Threading: every operation may be called from any thread.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <vector>

#include "devices/usb_device.h"

namespace qv {

enum class DeviceFamily { kMouse = 0, kKeyboard = 1, kMousePad = 2, kHeadset = 3 };
inline constexpr size_t kFamilyCount = 4;

// The family of a device type code (1, 9 keyboard; 2, 6 mouse; 3 mousepad; 7 headset); false
// for any other code.
bool FamilyOfType(uint32_t typeCode, DeviceFamily* family);

class DeviceFamilies {
 public:
  void Append(DeviceFamily family, CKestravaUSBDevice* device);
  std::vector<CKestravaUSBDevice*> Snapshot(DeviceFamily family) const;
  // Mice, keyboards, mousepads, headsets.
  std::vector<CKestravaUSBDevice*> All() const;
  // The objects of the given families, in the order given.
  std::vector<CKestravaUSBDevice*> InOrder(std::initializer_list<DeviceFamily> order) const;
  void Clear();

  void SetSyncLighting(CKestravaUSBDevice* device, bool on);
  bool SyncLighting(const CKestravaUSBDevice* device) const;

  // Called (outside the lock) after a flag is set on, so that the lighting thread, which sleeps
  // while no device takes part, can be woken. Set before other threads use the lists.
  void SetOnSyncChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

 private:
  struct Entry {
    CKestravaUSBDevice* device;
    bool sync;
  };
  mutable std::mutex lock_;
  std::array<std::vector<Entry>, kFamilyCount> lists_;
  std::function<void()> onChange_;
};

}  // namespace qv
