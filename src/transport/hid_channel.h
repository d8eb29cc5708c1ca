// One HID interface channel: lists the attached interfaces, opens one by its device path, keeps
// its identity and report layout, and moves whole reports with a time limit.
//
// Threading: one reading thread and one writing thread may use a channel at once, and `Close`
// (or `Open`) may be called from a third while they wait: it aborts the pending transfers, waits
// for them to return, and only then releases the interface, so nothing a reader still uses is
// freed under it. Enumeration and the path list belong to the thread that enumerates.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "transport/hid_backend.h"

namespace qv {

inline constexpr int kInfinite = -1;
// Longest device path a channel takes, terminator excluded.
inline constexpr size_t kMaxPathLength = 259;

struct HidCaps {
  uint16_t UsagePage = 0;
  uint16_t Usage = 0;
  uint16_t InputReportByteLength = 0;
  uint16_t OutputReportByteLength = 0;
  uint16_t FeatureReportByteLength = 0;
  uint16_t NumberInputButtonCaps = 0;
  uint16_t NumberInputValueCaps = 0;
};

class HidChannel {
 public:
  // backend: not owned; null takes DefaultHidBackend() at each use.
  explicit HidChannel(HidBackend* backend = nullptr);
  ~HidChannel();
  HidChannel(const HidChannel&) = delete;
  HidChannel& operator=(const HidChannel&) = delete;

  // Fills the path list with every present interface and resets the cursor.
  bool Enumerate();
  // The entries of the last enumeration, with what the backend knows of each.
  const std::vector<HidInterfaceEntry>& Entries() const { return entries_; }
  std::optional<std::string> NextPath();
  size_t PathCount() const { return entries_.size(); }
  void FreePaths();

  // Stores the parameters and opens the path (closing what was open). False leaves it closed;
  // a path longer than kMaxPathLength is refused.
  bool Open(const std::string& path, bool read, bool write, bool overlapped, bool shareReadOnly);
  // Opens the stored path again with the stored parameters.
  bool Reopen();
  void Close();
  bool IsOpen() const;

  // One report each; true when it was moved. timeoutMs kInfinite waits until a report arrives
  // or the channel is closed.
  bool Read(uint8_t* buffer, size_t size, size_t* moved, int timeoutMs);
  bool Write(const uint8_t* buffer, size_t size, size_t* moved, int timeoutMs);

  // Decodes an input report of this interface; false when closed or the report is not one of
  // this interface's.
  bool ParseInputReport(const uint8_t* report, size_t size, std::vector<HidInputItem>* items) const;

  // Identity and layout of the open interface (zeros when closed).
  std::string Path() const;
  uint16_t VendorId() const;
  uint16_t ProductId() const;
  uint16_t VersionNumber() const;
  HidCaps Caps() const;
  bool ReadPending() const;
  bool WritePending() const;

 private:
  enum class Direction { kRead, kWrite };
  bool Transfer(Direction direction, uint8_t* buffer, size_t size, size_t* moved, int timeoutMs);
  HidBackend& Backend() const;
  // Requires lock_. Aborts pending transfers, waits for them, then releases the handle.
  void CloseLocked(std::unique_lock<std::mutex>& lock);

  HidBackend* backend_;
  std::vector<HidInterfaceEntry> entries_;
  size_t cursor_ = 0;

  mutable std::mutex lock_;  // guards everything below
  std::condition_variable idle_;
  std::shared_ptr<HidHandle> handle_;
  std::string path_;
  HidOpenFlags flags_;
  HidInterfaceEntry entry_;
  HidCollectionInfo collection_;
  HidCaps caps_;
  int readers_ = 0;
  int writers_ = 0;
};

}  // namespace qv
