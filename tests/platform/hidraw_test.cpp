// The hidraw handle's I/O over a SOCK_SEQPACKET socket pair standing in for the node (it keeps
// report boundaries as hidraw does), and the backend on this machine (usually without devices).
#include "platform/linux/hidraw_backend.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

long long MsSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// One collection of the keyboard's interface 1, as the parser would describe it.
HidCollectionInfo Collection(std::vector<uint8_t> ids, uint16_t in, uint16_t out) {
  HidCollectionInfo c;
  c.reportIds = std::move(ids);
  c.inputReportLength = in;
  c.outputReportLength = out;
  return c;
}

class HidrawHandleTest : public testing::Test {
 protected:
  void Open(HidCollectionInfo collection, bool usesReportIds) {
    int sv[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv), 0);
    peer_ = sv[1];
    HidInterfaceEntry entry;
    entry.path = "hidraw#vid_320f&pid_5080&mi_01&col03#test";
    handle_ = HidrawHandle::FromFd(sv[0], entry, std::move(collection), usesReportIds);
    ASSERT_NE(handle_, nullptr);
  }
  void TearDown() override {
    if (peer_ >= 0) close(peer_);
  }
  void Send(const Bytes& report) {
    ASSERT_EQ(send(peer_, report.data(), report.size(), 0), static_cast<ssize_t>(report.size()));
  }
  Bytes Receive() {
    Bytes buffer(256);
    ssize_t n = recv(peer_, buffer.data(), buffer.size(), MSG_DONTWAIT);
    buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buffer;
  }
  // Reads into a 64-byte buffer; the bytes moved, or the status when not kOk.
  HidIoStatus Read(Bytes* got, int timeoutMs, size_t room = 64) {
    Bytes buffer(room);
    size_t moved = 99;
    HidIoStatus s = handle_->Read(buffer.data(), buffer.size(), &moved, timeoutMs);
    buffer.resize(moved);
    *got = buffer;
    return s;
  }

  int peer_ = -1;
  std::unique_ptr<HidrawHandle> handle_;
};

TEST_F(HidrawHandleTest, ReadSkipsReportsOfOtherCollections) {
  Open(Collection({3}, 3, 0), true);
  Send({0x04, 0xAA, 0xBB, 0xCC});  // vendor collection
  Send({0x01, 0x00, 0x10});        // keyboard collection
  Send({0x03, 0x01, 0x05});
  Bytes got;
  EXPECT_EQ(Read(&got, 2000), HidIoStatus::kOk);
  EXPECT_EQ(got, (Bytes{0x03, 0x01, 0x05}));
}

TEST_F(HidrawHandleTest, ReadTimesOutWhileOnlyOtherCollectionsReport) {
  Open(Collection({3}, 3, 0), true);
  Send({0x04, 0xAA});
  auto start = Clock::now();
  Bytes got;
  EXPECT_EQ(Read(&got, 200), HidIoStatus::kTimeout);
  long long elapsed = MsSince(start);
  EXPECT_GE(elapsed, 190);
  EXPECT_LT(elapsed, 3000);
  EXPECT_TRUE(got.empty());

  EXPECT_EQ(Read(&got, 0), HidIoStatus::kTimeout);
}

TEST_F(HidrawHandleTest, AbortEndsAnUnlimitedReadAndEveryLaterTransfer) {
  Open(Collection({3}, 3, 0), true);
  HidIoStatus status = HidIoStatus::kOk;
  Clock::time_point returned;
  std::thread reader([&] {
    Bytes got;
    status = Read(&got, -1);
    returned = Clock::now();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  auto aborted = Clock::now();
  handle_->Abort();
  reader.join();
  EXPECT_EQ(status, HidIoStatus::kAborted);
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(returned - aborted).count(), 500);

  Send({0x03, 0x01, 0x05});  // even with a report waiting
  Bytes got;
  EXPECT_EQ(Read(&got, 1000), HidIoStatus::kAborted);
  size_t moved = 99;
  const uint8_t out[] = {0x03, 0x00};
  EXPECT_EQ(handle_->Write(out, sizeof out, &moved, 1000), HidIoStatus::kAborted);
  EXPECT_EQ(moved, 0u);
}

TEST_F(HidrawHandleTest, WriteSendsTheReportWithItsId) {
  Open(Collection({4}, 64, 64), true);
  const uint8_t out[] = {0x04, 0x01, 0x02};
  size_t moved = 0;
  EXPECT_EQ(handle_->Write(out, sizeof out, &moved, 1000), HidIoStatus::kOk);
  EXPECT_EQ(moved, 3u);
  EXPECT_EQ(Receive(), (Bytes{0x04, 0x01, 0x02}));
}

TEST_F(HidrawHandleTest, WithoutReportIdsAZeroByteIsAddedAndRemoved) {
  Open(Collection({}, 3, 3), false);
  Send({0x11, 0x22});
  Bytes got;
  EXPECT_EQ(Read(&got, 1000), HidIoStatus::kOk);
  EXPECT_EQ(got, (Bytes{0x00, 0x11, 0x22}));

  const uint8_t out[] = {0x00, 0x33, 0x44};
  size_t moved = 0;
  EXPECT_EQ(handle_->Write(out, sizeof out, &moved, 1000), HidIoStatus::kOk);
  EXPECT_EQ(moved, 3u);
  EXPECT_EQ(Receive(), (Bytes{0x33, 0x44}));

  // A report id the device does not have is refused, not sent as data.
  const uint8_t bad[] = {0x05, 0x33};
  EXPECT_EQ(handle_->Write(bad, sizeof bad, &moved, 1000), HidIoStatus::kError);
  EXPECT_TRUE(Receive().empty());
}

TEST_F(HidrawHandleTest, ALongerReportIsCutToTheBuffer) {
  Open(Collection({4}, 64, 64), true);
  Send({0x04, 0x01, 0x02, 0x03});
  Bytes got;
  EXPECT_EQ(Read(&got, 1000, 2), HidIoStatus::kOk);
  EXPECT_EQ(got, (Bytes{0x04, 0x01}));
}

TEST_F(HidrawHandleTest, PeerGoneIsAnError) {
  Open(Collection({3}, 3, 0), true);
  close(peer_);
  peer_ = -1;
  auto start = Clock::now();
  Bytes got;
  EXPECT_EQ(Read(&got, 5000), HidIoStatus::kError);
  EXPECT_LT(MsSince(start), 2500);  // not a timeout
  const uint8_t out[] = {0x03, 0x00};
  size_t moved = 99;
  EXPECT_EQ(handle_->Write(out, sizeof out, &moved, 1000), HidIoStatus::kError);  // no SIGPIPE
  EXPECT_EQ(moved, 0u);
}

// ---- Device paths ----

// What the device catalogue does with a path: the hex number after each token, 0 when absent.
uint32_t Token(std::string path, const std::string& token) {
  for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  size_t at = path.find(token);
  return at == std::string::npos ? 0 : std::strtoul(path.c_str() + at + token.size(), nullptr, 16);
}

TEST(HidrawPathTest, TokensAndIdentityRoundTrip) {
  HidInterfaceEntry e;
  e.vendorId = 0x320F;
  e.productId = 0x5080;
  e.interfaceNumber = 1;
  const std::string syspath =
      "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.1/0003:320F:5080.000A";
  const std::string sysname = "0003:320F:5080.000A";
  const std::string longSyspath = "/sys/devices/" + std::string(250, 'x') + "/" + sysname;
  struct Row {
    uint16_t collection;
    std::string syspath;
    std::string identity;
  } rows[] = {
      {4, syspath, syspath},
      {0, syspath, syspath},
      {3, longSyspath, sysname + "@243:7"},
  };
  for (const Row& row : rows) {
    e.collectionNumber = row.collection;
    std::string path = MakeHidrawPath(e, row.syspath, sysname, makedev(243, 7));
    SCOPED_TRACE(path);
    EXPECT_LT(path.size(), kMaxHidPathChars);
    EXPECT_EQ(Token(path, "vid_"), 0x320Fu);
    EXPECT_EQ(Token(path, "pid_"), 0x5080u);
    EXPECT_EQ(Token(path, "&mi_"), 1u);
    EXPECT_EQ(Token(path, "&col"), row.collection);
    std::string identity;
    uint16_t collection = 99;
    ASSERT_TRUE(ParseHidrawPath(path, &identity, &collection));
    EXPECT_EQ(identity, row.identity);
    EXPECT_EQ(collection, row.collection);
  }
}

// ---- The backend on this machine ----

TEST(HidrawBackendTest, EnumeratesWhatIsThere) {
  HidrawBackend backend;
  std::vector<HidInterfaceEntry> entries(1);
  ASSERT_TRUE(backend.Enumerate(&entries));
  for (const HidInterfaceEntry& e : entries) {
    SCOPED_TRACE(e.path);
    EXPECT_LT(e.path.size(), kMaxHidPathChars);
    EXPECT_EQ(Token(e.path, "vid_"), e.vendorId);
    EXPECT_EQ(Token(e.path, "&col"), e.collectionNumber);
    EXPECT_TRUE(backend.IsPresent(e.path));
  }
}

TEST(HidrawBackendTest, MadeUpPathsAreNotPresentAndDoNotOpen) {
  HidrawBackend backend;
  for (const std::string& path : {
           std::string(),
           std::string("garbage"),
           std::string("hidraw#vid_320f&pid_5080&mi_01&col04#"),
           std::string(
               "hidraw#vid_320f&pid_5080&mi_01&col04#/sys/devices/none/0003:320F:5080.FFFF"),
           std::string("hidraw#vid_320f&pid_5080&mi_01&col04#/etc"),
           std::string("hidraw#vid_320f&pid_5080&mi_01&col04#0003:320F:5080.FFFF@243:7"),
           std::string("hidraw#vid_320f&pid_5080&mi_01&col04#0003:320F:5080.FFFF"),
       }) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(backend.IsPresent(path));
    EXPECT_EQ(backend.Open(path, HidOpenFlags{}), nullptr);
  }
  EXPECT_FALSE(SystemHidBackend().IsPresent("hidraw#vid_0c76&pid_1630&mi_03#/sys/nothing"));
}

}  // namespace
}  // namespace qv
