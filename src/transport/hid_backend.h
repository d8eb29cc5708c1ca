// The hardware boundary: a backend lists HID interfaces and opens them; a handle moves whole
// reports with a time limit and can be aborted from another thread. Two backends implement it:
// Linux hidraw (platform/linux) and the device simulator (sim/).
//
// Device paths carry the tokens "vid_", "pid_", "&mi_" and "&col" (the last only when the
// interface has more than one top-level collection), so the catalogue's path parser works on
// them unchanged, and they identify one attachment of one physical device: after an unplug the
// same path never names another device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transport/report_descriptor.h"

namespace qv {

// One top-level collection of one HID interface.
struct HidInterfaceEntry {
  std::string path;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t version = 0;  // bcdDevice
  uint16_t interfaceNumber = 0;
  uint16_t collectionNumber = 0;  // 1-based when the interface has several collections, else 0
  uint16_t usagePage = 0;
  uint16_t usage = 0;
};

struct HidOpenFlags {
  bool read = true;
  bool write = true;
  bool overlapped = true;  // transfers are always timed here; kept for the callers' parameters
  bool shareReadOnly = false;
};

enum class HidIoStatus { kOk, kTimeout, kAborted, kError };

// An open collection. Read and Write may run at once on two threads; Abort may be called from
// any thread and ends every pending and later transfer with kAborted (the handle is going away).
// Read delivers only reports of this collection: with report ids, the id byte first; without,
// a 0 byte first, so that byte 0 is always the report id as the protocol expects.
class HidHandle {
 public:
  virtual ~HidHandle() = default;
  virtual const HidInterfaceEntry& Entry() const = 0;
  virtual const HidCollectionInfo& Collection() const = 0;
  // timeoutMs < 0 waits without limit. *moved (optional) gets the bytes moved, 0 on failure.
  virtual HidIoStatus Read(uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) = 0;
  virtual HidIoStatus Write(const uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) = 0;
  virtual void Abort() = 0;
};

// Hot-plug notice. While a watch lives, its callback runs whenever an interface may have been
// added or removed: on a thread of the backend's, or on the thread that plugged or pulled a
// simulated device. It must be quick and may come when nothing of ours changed. Destroying the
// watch stops the callbacks and waits for one that is running.
class HidChangeWatch {
 public:
  virtual ~HidChangeWatch() = default;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // Every top-level collection of every present HID interface. False when listing failed.
  virtual bool Enumerate(std::vector<HidInterfaceEntry>* entries) = 0;
  // Null when the path names nothing present or it cannot be opened.
  virtual std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenFlags& flags) = 0;
  // True while the attachment that the path names is still there (a reused node is not).
  virtual bool IsPresent(const std::string& path) = 0;
  // Null when this backend cannot tell when interfaces come and go; the caller then polls.
  virtual std::unique_ptr<HidChangeWatch> WatchChanges(std::function<void()> onChange) {
    (void)onChange;
    return nullptr;
  }
};

// The backend that channels use when none is given: hidraw unless the program or a test set
// another. Set it before any channel is created; the pointer is not owned.
HidBackend& DefaultHidBackend();
void SetDefaultHidBackend(HidBackend* backend);

}  // namespace qv

namespace qv {
// The Linux hidraw backend (platform/linux), one per process.
HidBackend& SystemHidBackend();
}  // namespace qv
