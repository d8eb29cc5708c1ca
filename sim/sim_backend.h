// The device simulator's host side: a HID backend whose interfaces belong to simulated devices
// that tests (or the program, when asked to) plug in and pull out at run time.
//
// A `SimDevice` is one physical USB device with its interfaces and their report descriptors.
// Reports the host writes reach `OnOutputReport` on the writing thread, after the device's
// per-report delay (1 ms by default, like a 1000 Hz device); the device answers, and sends
// notifications, with `SendInputReport`, which delivers to every open handle of that interface
// whose collection owns the report id (as Linux delivers every report to every open handle).
//
// Plugging and pulling out a device raises the hot-plug notice (WatchChanges) on the thread that
// did it, after the change, as udev does on hidraw; tests can silence it to play a missed
// notice.
//
// Paths: "sim#vid_320f&pid_5080&mi_01&col04#<attachment>". Each plug gets a new attachment
// number, so a path never names a device plugged in again later.
//
// Threading: every operation may be called from any thread. `OnOutputReport` may run on several
// threads at once (one per writing handle); a device that keeps state locks it itself.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "transport/hid_backend.h"

namespace qv::sim {

struct SimInterface {
  uint16_t number = 0;
  std::vector<uint8_t> descriptor;
};

class SimHandleState;

class SimDevice {
 public:
  SimDevice(uint16_t vendorId, uint16_t productId, uint16_t version,
            std::vector<SimInterface> interfaces);
  virtual ~SimDevice();
  SimDevice(const SimDevice&) = delete;
  SimDevice& operator=(const SimDevice&) = delete;

  uint16_t VendorId() const { return vendorId_; }
  uint16_t ProductId() const { return productId_; }
  uint16_t Version() const { return version_; }
  const std::vector<SimInterface>& Interfaces() const { return interfaces_; }

  // Device to host: the report starts with its report id (0 when the interface numbers none).
  // Returns the number of open handles it reached.
  int SendInputReport(uint16_t interfaceNumber, const uint8_t* report, size_t size);
  int SendInputReport(uint16_t interfaceNumber, const std::vector<uint8_t>& report) {
    return SendInputReport(interfaceNumber, report.data(), report.size());
  }

  void SetReportDelay(std::chrono::microseconds delay);
  std::chrono::microseconds ReportDelay() const;

 protected:
  // Host to device: one written report, report id first. Default: ignored.
  virtual void OnOutputReport(uint16_t interfaceNumber, const uint8_t* report, size_t size);

 private:
  friend class SimBackend;
  friend class SimHandle;
  void Attach(const std::shared_ptr<SimHandleState>& handle);
  void Detach(const SimHandleState* handle);
  void DisconnectAll();

  const uint16_t vendorId_, productId_, version_;
  const std::vector<SimInterface> interfaces_;
  mutable std::mutex lock_;  // guards handles_ and delay_
  std::vector<std::weak_ptr<SimHandleState>> handles_;
  std::chrono::microseconds delay_{1000};
};

class SimBackend : public HidBackend {
 public:
  SimBackend();
  ~SimBackend() override;

  // Attaches the device; returns its attachment number.
  uint32_t Plug(std::shared_ptr<SimDevice> device);
  // Detaches it: its open handles fail from now on. False when it was not plugged.
  bool Unplug(const std::shared_ptr<SimDevice>& device);
  bool IsPlugged(const std::shared_ptr<SimDevice>& device) const;

  bool Enumerate(std::vector<HidInterfaceEntry>* entries) override;
  std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenFlags& flags) override;
  bool IsPresent(const std::string& path) override;
  std::unique_ptr<HidChangeWatch> WatchChanges(std::function<void()> onChange) override;

  // False: plugs and unplugs from now on raise no notice. Default true.
  void SetChangeNotices(bool on);

 private:
  class Watch;
  void NotifyChanged();

  struct Attached {
    uint32_t id;
    std::shared_ptr<SimDevice> device;
  };
  struct Resolved {
    std::shared_ptr<SimDevice> device;
    HidInterfaceEntry entry;
    HidCollectionInfo collection;
  };
  bool Resolve(const std::string& path, Resolved* out) const;
  static void EntriesOf(uint32_t id, const SimDevice& device,
                        std::vector<std::pair<HidInterfaceEntry, HidCollectionInfo>>* out);

  mutable std::mutex lock_;  // guards attached_ and nextId_
  std::vector<Attached> attached_;
  uint32_t nextId_ = 1;

  // Held while callbacks run, so that a watch going away waits for its running callback.
  std::mutex watchLock_;  // guards watches_ and notices_
  std::vector<std::pair<const Watch*, std::function<void()>>> watches_;
  bool notices_ = true;
};

}  // namespace qv::sim
