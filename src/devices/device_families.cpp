#include "devices/device_families.h"

namespace qv {

bool FamilyOfType(uint32_t typeCode, DeviceFamily* family) {
  switch (typeCode) {
    case kTypeKeyboard:
    case kTypeKeyboardSecond:
      *family = DeviceFamily::kKeyboard;
      return true;
    case kTypeMouse:
    case kTypeMouseSecond:
      *family = DeviceFamily::kMouse;
      return true;
    case kTypeMousePad:
      *family = DeviceFamily::kMousePad;
      return true;
    case kTypeHeadset:
      *family = DeviceFamily::kHeadset;
      return true;
    default:
      return false;
  }
}

void DeviceFamilies::Append(DeviceFamily family, CKestravaUSBDevice* device) {
  std::lock_guard<std::mutex> hold(lock_);
  lists_[static_cast<size_t>(family)].push_back({device, false});
}

std::vector<CKestravaUSBDevice*> DeviceFamilies::Snapshot(DeviceFamily family) const {
  return InOrder({family});
}

std::vector<CKestravaUSBDevice*> DeviceFamilies::All() const {
  return InOrder({DeviceFamily::kMouse, DeviceFamily::kKeyboard, DeviceFamily::kMousePad,
                  DeviceFamily::kHeadset});
}

std::vector<CKestravaUSBDevice*> DeviceFamilies::InOrder(
    std::initializer_list<DeviceFamily> order) const {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<CKestravaUSBDevice*> out;
  for (DeviceFamily f : order) {
    for (const Entry& e : lists_[static_cast<size_t>(f)]) out.push_back(e.device);
  }
  return out;
}

void DeviceFamilies::Clear() {
  std::lock_guard<std::mutex> hold(lock_);
  for (auto& list : lists_) list.clear();
}

void DeviceFamilies::SetSyncLighting(CKestravaUSBDevice* device, bool on) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (auto& list : lists_) {
      for (Entry& e : list) {
        if (e.device == device) e.sync = on;
      }
    }
  }
  if (on && onChange_) onChange_();
}

bool DeviceFamilies::SyncLighting(const CKestravaUSBDevice* device) const {
  std::lock_guard<std::mutex> hold(lock_);
  for (const auto& list : lists_) {
    for (const Entry& e : list) {
      if (e.device == device) return e.sync;
    }
  }
  return false;
}

}  // namespace qv
