#include "transport/hid_channel.h"

namespace qv {

HidChannel::HidChannel(HidBackend* backend) : backend_(backend) {}

HidChannel::~HidChannel() {
  Close();
}

HidBackend& HidChannel::Backend() const {
  return backend_ ? *backend_ : DefaultHidBackend();
}

bool HidChannel::Enumerate() {
  entries_.clear();
  cursor_ = 0;
  return Backend().Enumerate(&entries_);
}

std::optional<std::string> HidChannel::NextPath() {
  if (cursor_ >= entries_.size()) return std::nullopt;
  return entries_[cursor_++].path;
}

void HidChannel::FreePaths() {
  entries_.clear();
  cursor_ = 0;
}

bool HidChannel::Open(const std::string& path, bool read, bool write, bool overlapped,
                      bool shareReadOnly) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    path_ = path;
    flags_ = HidOpenFlags{read, write, overlapped, shareReadOnly};
  }
  return Reopen();
}

bool HidChannel::Reopen() {
  std::unique_lock<std::mutex> lock(lock_);
  CloseLocked(lock);
  if (path_.empty() || path_.size() > kMaxPathLength) return false;
  std::string path = path_;
  HidOpenFlags flags = flags_;
  lock.unlock();
  // Opening may take a while (a real node); do it without holding the lock.
  std::unique_ptr<HidHandle> opened = Backend().Open(path, flags);
  lock.lock();
  if (!opened) return false;
  if (handle_ || path_ != path) {
    // Another thread opened or closed meanwhile; its call wins.
    return false;
  }
  entry_ = opened->Entry();
  collection_ = opened->Collection();
  caps_ = HidCaps{};
  caps_.UsagePage = entry_.usagePage;
  caps_.Usage = entry_.usage;
  caps_.InputReportByteLength = collection_.inputReportLength;
  caps_.OutputReportByteLength = collection_.outputReportLength;
  caps_.FeatureReportByteLength = collection_.featureReportLength;
  for (const auto& f : collection_.fields) {
    if (f.kind != HidReportKind::kInput || f.IsConstant()) continue;
    if (f.IsButton()) {
      ++caps_.NumberInputButtonCaps;
    } else {
      ++caps_.NumberInputValueCaps;
    }
  }
  handle_ = std::move(opened);
  return true;
}

void HidChannel::Close() {
  std::unique_lock<std::mutex> lock(lock_);
  CloseLocked(lock);
}

void HidChannel::CloseLocked(std::unique_lock<std::mutex>& lock) {
  if (!handle_) return;
  std::shared_ptr<HidHandle> closing = std::move(handle_);
  closing->Abort();
  idle_.wait(lock, [this] { return readers_ == 0 && writers_ == 0; });
  entry_ = HidInterfaceEntry{};
  collection_ = HidCollectionInfo{};
  caps_ = HidCaps{};
  lock.unlock();
  closing.reset();  // the last reference: the interface is released here
  lock.lock();
}

bool HidChannel::IsOpen() const {
  std::lock_guard<std::mutex> hold(lock_);
  return handle_ != nullptr;
}

bool HidChannel::Read(uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) {
  return Transfer(Direction::kRead, buffer, size, moved, timeoutMs);
}

bool HidChannel::Write(const uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) {
  return Transfer(Direction::kWrite, const_cast<uint8_t*>(buffer), size, moved, timeoutMs);
}

bool HidChannel::Transfer(Direction direction, uint8_t* buffer, size_t size, size_t* moved,
                          int timeoutMs) {
  if (moved) *moved = 0;
  std::shared_ptr<HidHandle> handle;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!handle_) return false;
    handle = handle_;
    (direction == Direction::kRead ? readers_ : writers_)++;
  }
  size_t done = 0;
  HidIoStatus status = direction == Direction::kRead
                           ? handle->Read(buffer, size, &done, timeoutMs)
                           : handle->Write(buffer, size, &done, timeoutMs);
  {
    std::lock_guard<std::mutex> hold(lock_);
    (direction == Direction::kRead ? readers_ : writers_)--;
  }
  idle_.notify_all();
  if (status != HidIoStatus::kOk) return false;
  if (moved) *moved = done;
  return true;
}

bool HidChannel::ParseInputReport(const uint8_t* report, size_t size,
                                  std::vector<HidInputItem>* items) const {
  std::lock_guard<std::mutex> hold(lock_);
  if (!handle_) return false;
  // Reads hand out a 0 id byte first when the interface numbers no reports; the decoder takes
  // such reports without it.
  if (collection_.reportIds.empty()) {
    if (size == 0 || report[0] != 0) return false;
    ++report;
    --size;
  }
  return DecodeInputReport(collection_, report, size, items);
}

std::string HidChannel::Path() const {
  std::lock_guard<std::mutex> hold(lock_);
  return path_;
}

uint16_t HidChannel::VendorId() const {
  std::lock_guard<std::mutex> hold(lock_);
  return entry_.vendorId;
}

uint16_t HidChannel::ProductId() const {
  std::lock_guard<std::mutex> hold(lock_);
  return entry_.productId;
}

uint16_t HidChannel::VersionNumber() const {
  std::lock_guard<std::mutex> hold(lock_);
  return entry_.version;
}

HidCaps HidChannel::Caps() const {
  std::lock_guard<std::mutex> hold(lock_);
  return caps_;
}

bool HidChannel::ReadPending() const {
  std::lock_guard<std::mutex> hold(lock_);
  return readers_ > 0;
}

bool HidChannel::WritePending() const {
  std::lock_guard<std::mutex> hold(lock_);
  return writers_ > 0;
}

}  // namespace qv
