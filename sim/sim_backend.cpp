#include "sim/sim_backend.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <thread>

#include "transport/catalogue.h"

namespace qv::sim {

namespace {
// Latencies up to this are slept plainly (see SimHandle::Write); longer ones, which tests use
// to play a slow device, wait on the handle so that an abort ends them at once.
constexpr std::chrono::microseconds kPlainSleepLimit{2000};
// Reports kept for a handle that is not read, as the kernel's hidraw buffer keeps them.
constexpr size_t kQueueLimit = 64;
constexpr const char* kPrefix = "sim#";
}  // namespace

class SimHandleState {
 public:
  SimHandleState(uint16_t number, HidCollectionInfo info, bool numbered)
      : interfaceNumber(number), collection(std::move(info)), usesReportIds(numbered) {}

  const uint16_t interfaceNumber;
  const HidCollectionInfo collection;
  const bool usesReportIds;

  std::mutex lock;  // guards the fields below
  std::condition_variable changed;
  std::deque<std::vector<uint8_t>> queue;
  bool aborted = false;
  bool gone = false;

  bool Wants(const uint8_t* report, size_t size) const {
    if (size == 0) return false;
    return usesReportIds ? collection.OwnsReportId(report[0]) : report[0] == 0;
  }
};

class SimHandle : public HidHandle {
 public:
  SimHandle(std::shared_ptr<SimDevice> device, HidInterfaceEntry entry,
            std::shared_ptr<SimHandleState> state)
      : device_(std::move(device)), entry_(std::move(entry)), state_(std::move(state)) {}
  ~SimHandle() override { device_->Detach(state_.get()); }

  const HidInterfaceEntry& Entry() const override { return entry_; }
  const HidCollectionInfo& Collection() const override { return state_->collection; }

  HidIoStatus Read(uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) override {
    if (moved) *moved = 0;
    std::unique_lock<std::mutex> lock(state_->lock);
    auto ready = [this] { return state_->aborted || state_->gone || !state_->queue.empty(); };
    if (timeoutMs < 0) {
      state_->changed.wait(lock, ready);
    } else if (!state_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready)) {
      return HidIoStatus::kTimeout;
    }
    if (state_->aborted) return HidIoStatus::kAborted;
    if (state_->gone) return HidIoStatus::kError;
    std::vector<uint8_t> report = std::move(state_->queue.front());
    state_->queue.pop_front();
    size_t n = std::min(size, report.size());
    std::copy_n(report.begin(), n, buffer);
    if (moved) *moved = n;
    return HidIoStatus::kOk;
  }

  HidIoStatus Write(const uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) override {
    if (moved) *moved = 0;
    const HidCollectionInfo& c = state_->collection;
    // Like the system's HID stack: a whole output report of this collection, or nothing.
    if (size == 0 || c.outputReportLength == 0 || size != c.outputReportLength) {
      return HidIoStatus::kError;
    }
    if (state_->usesReportIds ? !c.OwnsReportId(buffer[0]) : buffer[0] != 0) {
      return HidIoStatus::kError;
    }
    auto delay = device_->ReportDelay();
    if (delay <= kPlainSleepLimit &&
        (timeoutMs < 0 || delay <= std::chrono::milliseconds(timeoutMs))) {
      // A device's usual latency: a plain sleep costs the writer one wake-up and none of a
      // condition variable's own work; an abort or an unplug meanwhile is seen right after.
      HidIoStatus ended;
      if (Ended(&ended)) return ended;
      if (delay.count() > 0) std::this_thread::sleep_for(delay);
      if (Ended(&ended)) return ended;
    } else {
      std::unique_lock<std::mutex> lock(state_->lock);
      auto stop = [this] { return state_->aborted || state_->gone; };
      if (timeoutMs >= 0 && delay > std::chrono::milliseconds(timeoutMs)) {
        state_->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), stop);
        return state_->aborted ? HidIoStatus::kAborted
                               : (state_->gone ? HidIoStatus::kError : HidIoStatus::kTimeout);
      }
      state_->changed.wait_for(lock, delay, stop);
      if (state_->aborted) return HidIoStatus::kAborted;
      if (state_->gone) return HidIoStatus::kError;
    }
    device_->OnOutputReport(state_->interfaceNumber, buffer, size);
    if (moved) *moved = size;
    return HidIoStatus::kOk;
  }

  void Abort() override {
    {
      std::lock_guard<std::mutex> hold(state_->lock);
      state_->aborted = true;
    }
    state_->changed.notify_all();
  }

 private:
  // True, with the status a transfer ends with, once the handle was aborted or unplugged.
  bool Ended(HidIoStatus* status) const {
    std::lock_guard<std::mutex> lock(state_->lock);
    if (!state_->aborted && !state_->gone) return false;
    *status = state_->aborted ? HidIoStatus::kAborted : HidIoStatus::kError;
    return true;
  }

  std::shared_ptr<SimDevice> device_;
  HidInterfaceEntry entry_;
  std::shared_ptr<SimHandleState> state_;
};

SimDevice::SimDevice(uint16_t vendorId, uint16_t productId, uint16_t version,
                     std::vector<SimInterface> interfaces)
    : vendorId_(vendorId),
      productId_(productId),
      version_(version),
      interfaces_(std::move(interfaces)) {}

SimDevice::~SimDevice() = default;

void SimDevice::OnOutputReport(uint16_t, const uint8_t*, size_t) {}

int SimDevice::SendInputReport(uint16_t interfaceNumber, const uint8_t* report, size_t size) {
  std::vector<std::shared_ptr<SimHandleState>> targets;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (const auto& weak : handles_) {
      auto h = weak.lock();
      if (h && h->interfaceNumber == interfaceNumber && h->Wants(report, size))
        targets.push_back(h);
    }
  }
  for (const auto& h : targets) {
    {
      std::lock_guard<std::mutex> hold(h->lock);
      if (h->queue.size() >= kQueueLimit) h->queue.pop_front();
      h->queue.emplace_back(report, report + size);
    }
    h->changed.notify_all();
  }
  return static_cast<int>(targets.size());
}

void SimDevice::SetReportDelay(std::chrono::microseconds delay) {
  std::lock_guard<std::mutex> hold(lock_);
  delay_ = delay;
}

std::chrono::microseconds SimDevice::ReportDelay() const {
  std::lock_guard<std::mutex> hold(lock_);
  return delay_;
}

void SimDevice::Attach(const std::shared_ptr<SimHandleState>& handle) {
  std::lock_guard<std::mutex> hold(lock_);
  handles_.erase(
      std::remove_if(handles_.begin(), handles_.end(), [](const auto& w) { return w.expired(); }),
      handles_.end());
  handles_.push_back(handle);
}

void SimDevice::Detach(const SimHandleState* handle) {
  std::lock_guard<std::mutex> hold(lock_);
  handles_.erase(std::remove_if(handles_.begin(), handles_.end(),
                                [handle](const auto& w) {
                                  auto h = w.lock();
                                  return !h || h.get() == handle;
                                }),
                 handles_.end());
}

void SimDevice::DisconnectAll() {
  std::vector<std::shared_ptr<SimHandleState>> all;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (const auto& weak : handles_) {
      if (auto h = weak.lock()) all.push_back(h);
    }
  }
  for (const auto& h : all) {
    {
      std::lock_guard<std::mutex> hold(h->lock);
      h->gone = true;
    }
    h->changed.notify_all();
  }
}

SimBackend::SimBackend() = default;

SimBackend::~SimBackend() {
  std::lock_guard<std::mutex> hold(lock_);
  for (auto& a : attached_) a.device->DisconnectAll();
}

uint32_t SimBackend::Plug(std::shared_ptr<SimDevice> device) {
  uint32_t id = 0;
  {
    std::lock_guard<std::mutex> hold(lock_);
    id = nextId_++;
    attached_.push_back({id, std::move(device)});
  }
  NotifyChanged();
  return id;
}

bool SimBackend::Unplug(const std::shared_ptr<SimDevice>& device) {
  std::shared_ptr<SimDevice> gone;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = std::find_if(attached_.begin(), attached_.end(),
                           [&](const Attached& a) { return a.device == device; });
    if (it == attached_.end()) return false;
    gone = it->device;
    attached_.erase(it);
  }
  gone->DisconnectAll();
  NotifyChanged();
  return true;
}

class SimBackend::Watch final : public HidChangeWatch {
 public:
  explicit Watch(SimBackend* backend) : backend_(backend) {}
  ~Watch() override {
    std::lock_guard<std::mutex> hold(backend_->watchLock_);
    auto& w = backend_->watches_;
    w.erase(std::remove_if(w.begin(), w.end(), [this](const auto& e) { return e.first == this; }),
            w.end());
  }

 private:
  SimBackend* backend_;
};

std::unique_ptr<HidChangeWatch> SimBackend::WatchChanges(std::function<void()> onChange) {
  auto watch = std::make_unique<Watch>(this);
  std::lock_guard<std::mutex> hold(watchLock_);
  watches_.emplace_back(watch.get(), std::move(onChange));
  return watch;
}

void SimBackend::SetChangeNotices(bool on) {
  std::lock_guard<std::mutex> hold(watchLock_);
  notices_ = on;
}

void SimBackend::NotifyChanged() {
  std::lock_guard<std::mutex> hold(watchLock_);
  if (!notices_) return;
  for (const auto& w : watches_) {
    if (w.second) w.second();
  }
}

bool SimBackend::IsPlugged(const std::shared_ptr<SimDevice>& device) const {
  std::lock_guard<std::mutex> hold(lock_);
  return std::any_of(attached_.begin(), attached_.end(),
                     [&](const Attached& a) { return a.device == device; });
}

void SimBackend::EntriesOf(uint32_t id, const SimDevice& device,
                           std::vector<std::pair<HidInterfaceEntry, HidCollectionInfo>>* out) {
  for (const auto& iface : device.Interfaces()) {
    HidDescriptorInfo info =
        ParseReportDescriptor(iface.descriptor.data(), iface.descriptor.size());
    if (!info.ok) continue;
    const bool several = info.collections.size() > 1;
    for (size_t c = 0; c < info.collections.size(); ++c) {
      const auto& coll = info.collections[c];
      HidInterfaceEntry e;
      e.vendorId = device.VendorId();
      e.productId = device.ProductId();
      e.version = device.Version();
      e.interfaceNumber = iface.number;
      e.collectionNumber = several ? static_cast<uint16_t>(c + 1) : 0;
      e.usagePage = coll.usagePage;
      e.usage = coll.usage;
      char path[96];
      if (e.collectionNumber) {
        std::snprintf(path, sizeof path, "%svid_%04x&pid_%04x&mi_%02x&col%02x#%u", kPrefix,
                      e.vendorId, e.productId, e.interfaceNumber, e.collectionNumber, id);
      } else {
        std::snprintf(path, sizeof path, "%svid_%04x&pid_%04x&mi_%02x#%u", kPrefix, e.vendorId,
                      e.productId, e.interfaceNumber, id);
      }
      e.path = path;
      out->emplace_back(std::move(e), coll);
    }
  }
}

bool SimBackend::Enumerate(std::vector<HidInterfaceEntry>* entries) {
  entries->clear();
  std::vector<Attached> now;
  {
    std::lock_guard<std::mutex> hold(lock_);
    now = attached_;
  }
  for (const auto& a : now) {
    std::vector<std::pair<HidInterfaceEntry, HidCollectionInfo>> found;
    EntriesOf(a.id, *a.device, &found);
    for (auto& f : found) entries->push_back(std::move(f.first));
  }
  return true;
}

bool SimBackend::Resolve(const std::string& path, Resolved* out) const {
  if (path.rfind(kPrefix, 0) != 0) return false;
  size_t hash = path.rfind('#');
  if (hash == std::string::npos || hash + 1 >= path.size()) return false;
  uint32_t id = 0;
  for (size_t i = hash + 1; i < path.size(); ++i) {
    if (path[i] < '0' || path[i] > '9') return false;
    id = id * 10 + static_cast<uint32_t>(path[i] - '0');
  }
  std::shared_ptr<SimDevice> device;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (const auto& a : attached_) {
      if (a.id == id) device = a.device;
    }
  }
  if (!device) return false;
  std::vector<std::pair<HidInterfaceEntry, HidCollectionInfo>> found;
  EntriesOf(id, *device, &found);
  for (auto& f : found) {
    if (f.first.path == path) {
      out->device = device;
      out->entry = std::move(f.first);
      out->collection = std::move(f.second);
      return true;
    }
  }
  return false;
}

std::unique_ptr<HidHandle> SimBackend::Open(const std::string& path, const HidOpenFlags&) {
  Resolved r;
  if (!Resolve(path, &r)) return nullptr;
  bool ids = !r.collection.reportIds.empty();
  auto state = std::make_shared<SimHandleState>(r.entry.interfaceNumber, r.collection, ids);
  r.device->Attach(state);
  auto handle = std::make_unique<SimHandle>(r.device, r.entry, state);
  if (!IsPlugged(r.device)) return nullptr;  // pulled out while we opened it
  return handle;
}

bool SimBackend::IsPresent(const std::string& path) {
  Resolved r;
  return Resolve(path, &r);
}

}  // namespace qv::sim
