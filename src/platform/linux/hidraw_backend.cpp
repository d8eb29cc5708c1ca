#include "platform/linux/hidraw_backend.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/linux/udev_rules.h"
#include "platform/linux/udev_watch.h"

namespace qv {

namespace {

constexpr char kPathPrefix[] = "hidraw#";
// hidraw never hands out more than this in one read (HID_MAX_BUFFER_SIZE).
constexpr size_t kMaxReportBytes = 16384;

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter>;
using EnumeratePtr = std::unique_ptr<udev_enumerate, UdevDeleter>;
using DevicePtr = std::unique_ptr<udev_device, UdevDeleter>;

// What udev tells about one hidraw node.
struct NodeInfo {
  std::string devnode;
  dev_t devnum = 0;
  std::string hidSyspath;
  std::string hidSysname;
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t version = 0;
  uint16_t interfaceNumber = 0;
};

uint16_t HexAttribute(udev_device* dev, const char* name) {
  const char* text = dev ? udev_device_get_sysattr_value(dev, name) : nullptr;
  return text ? static_cast<uint16_t>(std::strtoul(text, nullptr, 16)) : 0;
}

// HID_ID is "bus:vendor:product" in hexadecimal, e.g. "0003:0000320F:00005080".
bool ParseHidId(const char* text, uint16_t* vendor, uint16_t* product) {
  unsigned bus = 0, v = 0, p = 0;
  if (text == nullptr || std::sscanf(text, "%x:%x:%x", &bus, &v, &p) != 3) return false;
  *vendor = static_cast<uint16_t>(v);
  *product = static_cast<uint16_t>(p);
  return true;
}

bool DescribeNode(udev_device* hidraw, NodeInfo* out) {
  const char* devnode = udev_device_get_devnode(hidraw);
  udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
  if (devnode == nullptr || hid == nullptr) return false;
  out->devnode = devnode;
  out->devnum = udev_device_get_devnum(hidraw);
  out->hidSyspath = udev_device_get_syspath(hid);
  out->hidSysname = udev_device_get_sysname(hid);
  if (!ParseHidId(udev_device_get_property_value(hid, "HID_ID"), &out->vendorId, &out->productId)) {
    return false;
  }
  // Not USB (Bluetooth, I2C): no interface number, no bcdDevice.
  out->interfaceNumber =
      HexAttribute(udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface"),
                   "bInterfaceNumber");
  out->version = HexAttribute(
      udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device"), "bcdDevice");
  return true;
}

std::vector<uint8_t> ReadSysfsDescriptor(const std::string& hidSyspath) {
  std::vector<uint8_t> bytes;
  int fd = ::open((hidSyspath + "/report_descriptor").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  uint8_t chunk[4096];
  for (;;) {
    ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  ::close(fd);
  return bytes;
}

std::vector<uint8_t> ReadNodeDescriptor(int fd) {
  int size = 0;
  if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE) {
    return {};
  }
  auto desc = std::make_unique<hidraw_report_descriptor>();
  desc->size = static_cast<uint32_t>(size);
  if (::ioctl(fd, HIDIOCGRDESC, desc.get()) < 0) return {};
  return std::vector<uint8_t>(desc->value, desc->value + desc->size);
}

// The hidraw node that the identity of a path names, if that attachment is still there.
bool FindNode(udev* u, const std::string& identity, NodeInfo* out) {
  DevicePtr hid;
  bool haveDevnum = false;
  dev_t devnum = 0;
  if (!identity.empty() && identity[0] == '/') {
    hid.reset(udev_device_new_from_syspath(u, identity.c_str()));
  } else {
    size_t at = identity.find('@');
    unsigned major = 0, minor = 0;
    char tail = 0;
    if (at == std::string::npos || at == 0 ||
        std::sscanf(identity.c_str() + at + 1, "%u:%u%c", &major, &minor, &tail) != 2) {
      return false;
    }
    haveDevnum = true;
    devnum = makedev(major, minor);
    hid.reset(udev_device_new_from_subsystem_sysname(u, "hid", identity.substr(0, at).c_str()));
  }
  if (!hid) return false;
  const char* subsystem = udev_device_get_subsystem(hid.get());
  if (subsystem == nullptr || std::strcmp(subsystem, "hid") != 0) return false;

  EnumeratePtr e(udev_enumerate_new(u));
  if (!e || udev_enumerate_add_match_parent(e.get(), hid.get()) < 0 ||
      udev_enumerate_add_match_subsystem(e.get(), "hidraw") < 0 ||
      udev_enumerate_scan_devices(e.get()) < 0) {
    return false;
  }
  udev_list_entry* item = nullptr;
  udev_list_entry_foreach(item, udev_enumerate_get_list_entry(e.get())) {
    DevicePtr node(udev_device_new_from_syspath(u, udev_list_entry_get_name(item)));
    const char* nodeSubsystem = node ? udev_device_get_subsystem(node.get()) : nullptr;
    if (nodeSubsystem == nullptr || std::strcmp(nodeSubsystem, "hidraw") != 0) continue;
    if (!DescribeNode(node.get(), out)) continue;
    if (haveDevnum && out->devnum != devnum) return false;
    return true;
  }
  return false;
}

int OpenMode(const HidOpenFlags& flags) {
  if (flags.read && flags.write) return O_RDWR;
  if (flags.write) return O_WRONLY;
  return O_RDONLY;  // also for neither: only the identity and layout are wanted then
}

}  // namespace

std::string MakeHidrawPath(const HidInterfaceEntry& entry, const std::string& hidSyspath,
                           const std::string& hidSysname, dev_t node) {
  char head[64];
  int n = std::snprintf(head, sizeof head, "%svid_%04x&pid_%04x&mi_%02x", kPathPrefix,
                        entry.vendorId, entry.productId, entry.interfaceNumber);
  if (entry.collectionNumber != 0) {
    std::snprintf(head + n, sizeof head - n, "&col%02x", entry.collectionNumber);
  }
  std::string path = std::string(head) + "#" + hidSyspath;
  if (!hidSyspath.empty() && path.size() < kMaxHidPathChars) return path;
  path = std::string(head) + "#" + hidSysname + "@" + std::to_string(major(node)) + ":" +
         std::to_string(minor(node));
  if (path.size() >= kMaxHidPathChars) path.resize(kMaxHidPathChars - 1);  // cannot happen
  return path;
}

bool ParseHidrawPath(const std::string& path, std::string* identity, uint16_t* collectionNumber) {
  constexpr size_t kPrefixLength = sizeof kPathPrefix - 1;
  if (path.compare(0, kPrefixLength, kPathPrefix) != 0) return false;
  size_t hash = path.find('#', kPrefixLength);
  if (hash == std::string::npos || hash + 1 >= path.size()) return false;
  std::string head = path.substr(kPrefixLength, hash - kPrefixLength);
  for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  *collectionNumber = 0;
  size_t col = head.find("&col");
  if (col != std::string::npos) {
    *collectionNumber = static_cast<uint16_t>(std::strtoul(head.c_str() + col + 4, nullptr, 16));
  }
  *identity = path.substr(hash + 1);
  return true;
}

// ---- HidrawHandle ----

class HidrawHandle::Deadline {
 public:
  explicit Deadline(int timeoutMs)
      : infinite_(timeoutMs < 0),
        end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)) {}
  // For poll(): -1 without limit, else the milliseconds left, rounded up so a wait never ends
  // before its time.
  int RemainingMs() const {
    if (infinite_) return -1;
    auto left = end_ - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return 0;
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
  }

 private:
  bool infinite_;
  std::chrono::steady_clock::time_point end_;
};

std::unique_ptr<HidrawHandle> HidrawHandle::FromFd(int fd, HidInterfaceEntry entry,
                                                   HidCollectionInfo collection,
                                                   bool usesReportIds) {
  if (fd < 0) return nullptr;
  int abortFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (abortFd < 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<HidrawHandle>(
      new HidrawHandle(fd, abortFd, std::move(entry), std::move(collection), usesReportIds));
}

HidrawHandle::HidrawHandle(int fd, int abortFd, HidInterfaceEntry entry,
                           HidCollectionInfo collection, bool usesReportIds)
    : fd_(fd),
      abortFd_(abortFd),
      entry_(std::move(entry)),
      collection_(std::move(collection)),
      usesReportIds_(usesReportIds),
      readBuffer_(kMaxReportBytes + 1) {
  struct stat st {};
  isSocket_ = ::fstat(fd_, &st) == 0 && S_ISSOCK(st.st_mode);
}

HidrawHandle::~HidrawHandle() {
  ::close(fd_);
  ::close(abortFd_);
}

HidIoStatus HidrawHandle::Wait(short events, const Deadline& deadline) {
  for (;;) {
    pollfd fds[2] = {{fd_, events, 0}, {abortFd_, POLLIN, 0}};
    int r = ::poll(fds, 2, deadline.RemainingMs());
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return HidIoStatus::kError;
    // The eventfd is never drained: once signalled it ends every later wait too.
    if (fds[1].revents != 0 || aborted_.load()) return HidIoStatus::kAborted;
    if (r == 0) return HidIoStatus::kTimeout;
    if (fds[0].revents & events) return HidIoStatus::kOk;
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return HidIoStatus::kError;
  }
}

HidIoStatus HidrawHandle::Read(uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) {
  if (moved) *moved = 0;
  if (aborted_.load()) return HidIoStatus::kAborted;
  if (buffer == nullptr || size == 0) return HidIoStatus::kError;
  Deadline deadline(timeoutMs);
  for (;;) {
    HidIoStatus status = Wait(POLLIN, deadline);
    if (status != HidIoStatus::kOk) return status;
    // Room for the 0 byte in front when the device numbers no reports.
    ssize_t n = ::read(fd_, readBuffer_.data() + 1, readBuffer_.size() - 1);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) return HidIoStatus::kError;  // ENODEV after an unplug; 0 when a peer closed
    uint8_t* report = readBuffer_.data() + 1;
    size_t length = static_cast<size_t>(n);
    if (!usesReportIds_) {
      *--report = 0;
      ++length;
    } else if (!collection_.OwnsReportId(report[0])) {
      continue;  // another collection's report on the same node
    }
    size_t copied = length < size ? length : size;
    std::memcpy(buffer, report, copied);
    if (moved) *moved = copied;
    return HidIoStatus::kOk;
  }
}

HidIoStatus HidrawHandle::Write(const uint8_t* buffer, size_t size, size_t* moved, int timeoutMs) {
  if (moved) *moved = 0;
  if (aborted_.load()) return HidIoStatus::kAborted;
  if (buffer == nullptr || size == 0) return HidIoStatus::kError;
  const uint8_t* data = buffer;
  size_t length = size;
  if (!usesReportIds_) {
    if (buffer[0] != 0 || size < 2) return HidIoStatus::kError;
    ++data;
    --length;
  }
  Deadline deadline(timeoutMs);
  for (;;) {
    HidIoStatus status = Wait(POLLOUT, deadline);
    if (status != HidIoStatus::kOk) return status;
    ssize_t n = isSocket_ ? ::send(fd_, data, length, MSG_NOSIGNAL) : ::write(fd_, data, length);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n < 0 || static_cast<size_t>(n) != length) return HidIoStatus::kError;
    if (moved) *moved = size;
    return HidIoStatus::kOk;
  }
}

void HidrawHandle::Abort() {
  aborted_.store(true);
  uint64_t one = 1;
  // Can only fail when the counter is full, and then it is signalled already.
  [[maybe_unused]] ssize_t n = ::write(abortFd_, &one, sizeof one);
}

// ---- HidrawBackend ----

bool HidrawBackend::Enumerate(std::vector<HidInterfaceEntry>* entries) {
  entries->clear();
  UdevPtr u(udev_new());
  if (!u) return false;
  EnumeratePtr e(udev_enumerate_new(u.get()));
  if (!e || udev_enumerate_add_match_subsystem(e.get(), "hidraw") < 0 ||
      udev_enumerate_scan_devices(e.get()) < 0) {
    return false;
  }
  udev_list_entry* item = nullptr;
  udev_list_entry_foreach(item, udev_enumerate_get_list_entry(e.get())) {
    DevicePtr node(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(item)));
    NodeInfo info;
    if (!node || !DescribeNode(node.get(), &info)) continue;  // gone meanwhile, or not HID
    std::vector<uint8_t> bytes = ReadSysfsDescriptor(info.hidSyspath);
    HidDescriptorInfo desc = ParseReportDescriptor(bytes.data(), bytes.size());

    HidInterfaceEntry entry;
    entry.vendorId = info.vendorId;
    entry.productId = info.productId;
    entry.version = info.version;
    entry.interfaceNumber = info.interfaceNumber;
    if (!desc.ok) {
      // Still listed, so that it is seen; no usage will match it.
      entry.path = MakeHidrawPath(entry, info.hidSyspath, info.hidSysname, info.devnum);
      entries->push_back(std::move(entry));
      continue;
    }
    size_t count = desc.collections.size();
    for (size_t i = 0; i < count; ++i) {
      entry.collectionNumber = count > 1 ? static_cast<uint16_t>(i + 1) : 0;
      entry.usagePage = desc.collections[i].usagePage;
      entry.usage = desc.collections[i].usage;
      entry.path = MakeHidrawPath(entry, info.hidSyspath, info.hidSysname, info.devnum);
      entries->push_back(entry);
    }
  }
  return true;
}

std::unique_ptr<HidHandle> HidrawBackend::Open(const std::string& path, const HidOpenFlags& flags) {
  std::string identity;
  uint16_t collectionNumber = 0;
  if (!ParseHidrawPath(path, &identity, &collectionNumber)) return nullptr;
  UdevPtr u(udev_new());
  NodeInfo info;
  if (!u || !FindNode(u.get(), identity, &info)) return nullptr;

  int fd = ::open(info.devnode.c_str(), OpenMode(flags) | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return nullptr;
  // The node may have been given to another device between the look-up and the open: the
  // descriptor must be for this node number, and the attachment must still own that number.
  struct stat st {};
  NodeInfo again;
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || st.st_rdev != info.devnum ||
      !FindNode(u.get(), identity, &again) || again.devnum != info.devnum) {
    ::close(fd);
    return nullptr;
  }

  std::vector<uint8_t> bytes = ReadNodeDescriptor(fd);
  if (bytes.empty()) bytes = ReadSysfsDescriptor(info.hidSyspath);
  HidDescriptorInfo desc = ParseReportDescriptor(bytes.data(), bytes.size());
  size_t count = desc.collections.size();
  bool known = desc.ok && (count > 1 ? collectionNumber >= 1 && collectionNumber <= count
                                     : collectionNumber == 0);
  if (!known) {
    ::close(fd);
    return nullptr;
  }
  const HidCollectionInfo& collection = desc.collections[count > 1 ? collectionNumber - 1 : 0];

  HidInterfaceEntry entry;
  entry.path = path;
  entry.vendorId = info.vendorId;
  entry.productId = info.productId;
  hidraw_devinfo raw{};
  if (::ioctl(fd, HIDIOCGRAWINFO, &raw) == 0) {
    entry.vendorId = static_cast<uint16_t>(raw.vendor);
    entry.productId = static_cast<uint16_t>(raw.product);
  }
  entry.version = info.version;
  entry.interfaceNumber = info.interfaceNumber;
  entry.collectionNumber = collectionNumber;
  entry.usagePage = collection.usagePage;
  entry.usage = collection.usage;
  return HidrawHandle::FromFd(fd, std::move(entry), collection, desc.usesReportIds);
}

bool HidrawBackend::IsPresent(const std::string& path) {
  std::string identity;
  uint16_t collectionNumber = 0;
  if (!ParseHidrawPath(path, &identity, &collectionNumber)) return false;
  UdevPtr u(udev_new());
  NodeInfo info;
  return u && FindNode(u.get(), identity, &info);
}

std::unique_ptr<HidChangeWatch> HidrawBackend::WatchChanges(std::function<void()> onChange) {
  return WatchHidrawChanges(std::move(onChange));
}

NodeAccess CheckNodeAccess(const std::string& devnode) {
  // AT_EACCESS: the effective ids decide, as they do for open().
  if (::faccessat(AT_FDCWD, devnode.c_str(), R_OK | W_OK, AT_EACCESS) == 0) {
    return NodeAccess::kOpenable;
  }
  return (errno == EACCES || errno == EPERM || errno == EROFS) ? NodeAccess::kDenied
                                                               : NodeAccess::kGone;
}

std::vector<DeniedHidNode> FindDeniedSupportedNodes(
    const std::function<NodeAccess(const std::string&)>& check) {
  std::vector<DeniedHidNode> denied;
  UdevPtr u(udev_new());
  if (!u) return denied;
  EnumeratePtr e(udev_enumerate_new(u.get()));
  if (!e || udev_enumerate_add_match_subsystem(e.get(), "hidraw") < 0 ||
      udev_enumerate_scan_devices(e.get()) < 0) {
    return denied;
  }
  udev_list_entry* item = nullptr;
  udev_list_entry_foreach(item, udev_enumerate_get_list_entry(e.get())) {
    DevicePtr node(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(item)));
    NodeInfo info;
    if (!node || !DescribeNode(node.get(), &info)) continue;
    if (!IsSupportedUsbId(info.vendorId, info.productId)) continue;
    if (check(info.devnode) != NodeAccess::kDenied) continue;
    denied.push_back({info.devnode, info.vendorId, info.productId});
  }
  return denied;
}

HidBackend& SystemHidBackend() {
  static HidrawBackend backend;
  return backend;
}

}  // namespace qv
