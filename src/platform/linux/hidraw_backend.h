// The Linux HID backend: hidraw nodes listed through udev, one entry per top-level collection of
// each node's report descriptor, opened as HidrawHandle.
//
// Device paths look like "hidraw#vid_320f&pid_5080&mi_01&col04#<identity>" ("&colNN" only when
// the descriptor has several top-level collections). The identity is the sysfs path of the HID
// device, whose ".000A"-style instance suffix is new on every attachment, so a path never names
// the next device that gets the same /dev/hidrawN. When that would make the path 260 characters
// or longer, the identity is "<hid sysname>@<major>:<minor>" of the node instead.
//
// Threading: the backend keeps no state (each call makes its own udev context), so any thread
// may call it. A handle follows HidHandle's rules: one reader and one writer at a time, Abort
// from anywhere.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transport/hid_backend.h"

namespace qv {

// Longest device path, terminator included, that callers can store.
inline constexpr size_t kMaxHidPathChars = 260;

// Builds the device path of one collection (see above); the result is always shorter than
// kMaxHidPathChars.
std::string MakeHidrawPath(const HidInterfaceEntry& entry, const std::string& hidSyspath,
                           const std::string& hidSysname, dev_t node);

// Splits a path made by MakeHidrawPath. False when it is not one.
bool ParseHidrawPath(const std::string& path, std::string* identity, uint16_t* collectionNumber);

// An open hidraw node (or anything that keeps report boundaries the same way, such as one end of
// a SOCK_SEQPACKET socket pair in tests) seen through one of its collections.
//
// Read waits with poll() on the node and on an eventfd that Abort signals. hidraw hands every
// input report of the node to every open descriptor, so Read drops reports whose id belongs to
// another collection and keeps waiting for the rest of the time limit. Without report ids a 0
// byte is put in front of each report and taken off each written one, so that byte 0 is always
// the report id. A report larger than the caller's buffer is cut to the buffer's size.
//
// Returns: kOk, kTimeout, kAborted (once Abort was called: for ever after), kError (the device
// went away, the peer closed, a write without report ids whose byte 0 is not 0, a short write).
// Write's time limit covers waiting for the node to accept the report; the hidraw driver itself
// sends it synchronously.
class HidrawHandle final : public HidHandle {
 public:
  // Takes ownership of fd (closed with the handle, also on failure). Null when the abort event
  // cannot be made.
  static std::unique_ptr<HidrawHandle> FromFd(int fd, HidInterfaceEntry entry,
                                              HidCollectionInfo collection, bool usesReportIds);
  ~HidrawHandle() override;
  HidrawHandle(const HidrawHandle&) = delete;
  HidrawHandle& operator=(const HidrawHandle&) = delete;

  const HidInterfaceEntry& Entry() const override { return entry_; }
  const HidCollectionInfo& Collection() const override { return collection_; }
  HidIoStatus Read(uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) override;
  HidIoStatus Write(const uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) override;
  void Abort() override;

 private:
  HidrawHandle(int fd, int abortFd, HidInterfaceEntry entry, HidCollectionInfo collection,
               bool usesReportIds);
  class Deadline;
  HidIoStatus Wait(short events, const Deadline& deadline);

  const int fd_;
  const int abortFd_;
  const HidInterfaceEntry entry_;
  const HidCollectionInfo collection_;
  const bool usesReportIds_;
  bool isSocket_ = false;  // writes use send(MSG_NOSIGNAL): a closed peer must not raise SIGPIPE
  std::atomic<bool> aborted_{false};
  std::vector<uint8_t> readBuffer_;  // used by the reading thread only
};

// Whether this process may open a node for reading and writing, asked without opening it (ACLs,
// such as the ones the "uaccess" tag gives, count).
enum class NodeAccess { kOpenable, kDenied, kGone };
NodeAccess CheckNodeAccess(const std::string& devnode);

// A present hidraw node of a supported device that this user may not open: the scan skips such
// a node silently, so the interface asks for these to tell the user what to do.
struct DeniedHidNode {
  std::string devnode;  // "/dev/hidraw3"
  uint16_t vendorId = 0;
  uint16_t productId = 0;
};
// Every hidraw node whose USB ids the catalogue supports and that `check` reports kDenied, in
// udev's order. Empty when there is none or listing fails. Any thread.
std::vector<DeniedHidNode> FindDeniedSupportedNodes(
    const std::function<NodeAccess(const std::string&)>& check = CheckNodeAccess);

class HidrawBackend final : public HidBackend {
 public:
  bool Enumerate(std::vector<HidInterfaceEntry>* entries) override;
  std::unique_ptr<HidHandle> Open(const std::string& path, const HidOpenFlags& flags) override;
  bool IsPresent(const std::string& path) override;
  // udev's hidraw add and remove events.
  std::unique_ptr<HidChangeWatch> WatchChanges(std::function<void()> onChange) override;
};

}  // namespace qv
