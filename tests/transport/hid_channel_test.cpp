#include "transport/hid_channel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sim/sim_keyboard.h"
#include "transport/catalogue.h"
#include "transport/command_link.h"

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class ChannelTest : public testing::Test {
 protected:
  void SetUp() override { keyboard_ = std::make_shared<sim::SimKeyboard>(); }

  std::string PathOf(uint16_t interfaceNumber, uint16_t collection) {
    HidChannel lister(&backend_);
    EXPECT_TRUE(lister.Enumerate());
    for (const auto& e : lister.Entries()) {
      if (e.interfaceNumber == interfaceNumber && e.collectionNumber == collection) return e.path;
    }
    return {};
  }

  sim::SimBackend backend_;
  std::shared_ptr<sim::SimKeyboard> keyboard_;
};

TEST_F(ChannelTest, SimulatedKeyboardIsEnumeratedAndMatchedToRowsZeroAndOne) {
  backend_.Plug(keyboard_);
  HidChannel lister(&backend_);
  ASSERT_TRUE(lister.Enumerate());
  // Interface 0 has one collection (number 0); interface 1 has four (numbers 1..4).
  ASSERT_EQ(lister.PathCount(), 5u);

  RuntimeInterfaceTable table;
  std::vector<int> rows;
  while (auto path = lister.NextPath()) {
    InterfaceCandidate c;
    c.path = *path;
    c.ids = ParseDevicePath(c.path);
    if (!table.PassesPreFilter(c.ids)) continue;
    HidChannel probe(&backend_);
    ASSERT_TRUE(probe.Open(c.path, true, false, true, false));
    c.ids.vendorId = probe.VendorId();
    c.ids.productId = probe.ProductId();
    c.usagePage = probe.Caps().UsagePage;
    c.usage = probe.Caps().Usage;
    if (auto row = table.FindInterfaceRow(c)) rows.push_back(*row);
  }
  EXPECT_FALSE(lister.NextPath().has_value());
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<int>{0, 1}));
}

TEST_F(ChannelTest, OpenReportsIdentityAndLayout) {
  backend_.Plug(keyboard_);
  HidChannel ch(&backend_);
  ASSERT_TRUE(ch.Open(PathOf(1, 4), true, true, true, false));
  EXPECT_EQ(ch.VendorId(), 0x320F);
  EXPECT_EQ(ch.ProductId(), 0x5080);
  EXPECT_EQ(ch.VersionNumber(), sim::kKeyboardVersion);
  HidCaps caps = ch.Caps();
  EXPECT_EQ(caps.UsagePage, 0xFF1C);
  EXPECT_EQ(caps.Usage, 0x92);
  EXPECT_EQ(caps.InputReportByteLength, 64);
  EXPECT_EQ(caps.OutputReportByteLength, 64);
  ch.Close();
  EXPECT_FALSE(ch.IsOpen());
  EXPECT_EQ(ch.VendorId(), 0);
  EXPECT_TRUE(ch.Reopen());
  EXPECT_EQ(ch.VendorId(), 0x320F);
}

TEST_F(ChannelTest, OpenRefusesUnknownAndOverlongPaths) {
  backend_.Plug(keyboard_);
  HidChannel ch(&backend_);
  EXPECT_FALSE(ch.Open("sim#vid_320f&pid_5080&mi_01&col09#1", true, true, true, false));
  std::string longPath = PathOf(1, 4) + std::string(300, '0');
  EXPECT_FALSE(ch.Open(longPath, true, true, true, false));
  EXPECT_FALSE(ch.IsOpen());
  size_t moved = 7;
  uint8_t buf[64] = {};
  EXPECT_FALSE(ch.Read(buf, sizeof buf, &moved, 10));
  EXPECT_EQ(moved, 0u);
}

TEST_F(ChannelTest, ReadTimesOutOnTime) {
  backend_.Plug(keyboard_);
  HidChannel ch(&backend_);
  ASSERT_TRUE(ch.Open(PathOf(1, 4), true, true, true, false));
  uint8_t buf[64];
  auto start = Clock::now();
  EXPECT_FALSE(ch.Read(buf, sizeof buf, nullptr, 100));
  auto took = Clock::now() - start;
  EXPECT_GE(took, milliseconds(95));
  EXPECT_LT(took, milliseconds(2000));
  EXPECT_FALSE(ch.ReadPending());
}

TEST_F(ChannelTest, InfiniteReadEndsAtOnceWhenClosedFromAnotherThread) {
  backend_.Plug(keyboard_);
  HidChannel ch(&backend_);
  ASSERT_TRUE(ch.Open(PathOf(1, 3), true, true, true, false));
  std::atomic<bool> returned{false};
  std::atomic<bool> result{true};
  Clock::time_point endedAt;
  std::thread reader([&] {
    uint8_t buf[64];
    result = ch.Read(buf, sizeof buf, nullptr, kInfinite);
    endedAt = Clock::now();
    returned = true;
  });
  while (!ch.ReadPending()) std::this_thread::sleep_for(milliseconds(1));
  std::this_thread::sleep_for(milliseconds(20));
  EXPECT_FALSE(returned);
  auto closeAt = Clock::now();
  ch.Close();  // returns only after the reader has left the interface
  EXPECT_FALSE(ch.ReadPending());
  reader.join();
  EXPECT_TRUE(returned);
  EXPECT_FALSE(result);
  EXPECT_LT(endedAt - closeAt, milliseconds(200));
  EXPECT_FALSE(ch.IsOpen());
}

TEST_F(ChannelTest, ReportsReachOnlyTheCollectionThatOwnsTheirId) {
  backend_.Plug(keyboard_);
  HidChannel commands(&backend_), notices(&backend_);
  ASSERT_TRUE(commands.Open(PathOf(1, 4), true, true, true, false));
  ASSERT_TRUE(notices.Open(PathOf(1, 3), true, true, true, false));
  EXPECT_EQ(keyboard_->SendNotification(0x0507), 1);

  uint8_t buf[64] = {};
  size_t moved = 0;
  EXPECT_FALSE(commands.Read(buf, sizeof buf, &moved, 30));
  ASSERT_TRUE(notices.Read(buf, sizeof buf, &moved, 1000));
  EXPECT_EQ(moved, 3u);
  EXPECT_EQ(buf[0], sim::kConsumerReportId);

  std::vector<HidInputItem> items;
  ASSERT_TRUE(notices.ParseInputReport(buf, moved, &items));
  ASSERT_FALSE(items.empty());
  ASSERT_TRUE(items[0].isButton);
  ASSERT_FALSE(items[0].usages.empty());
  EXPECT_EQ(items[0].usages[0], 0x0507);
  // A report of another collection is not this interface's to decode.
  const uint8_t command[3] = {sim::kCommandReportId, 1, 2};
  EXPECT_FALSE(notices.ParseInputReport(command, sizeof command, &items));
}

TEST_F(ChannelTest, WriteTakesWholeOutputReportsOnly) {
  backend_.Plug(keyboard_);
  keyboard_->SetReportDelay(std::chrono::microseconds(0));
  HidChannel ch(&backend_);
  ASSERT_TRUE(ch.Open(PathOf(1, 4), true, true, true, false));
  uint8_t report[64] = {sim::kCommandReportId};
  size_t moved = 0;
  EXPECT_TRUE(ch.Write(report, sizeof report, &moved, 1000));
  EXPECT_EQ(moved, 64u);
  EXPECT_FALSE(ch.Write(report, 10, &moved, 1000));
  EXPECT_EQ(moved, 0u);
  report[0] = sim::kConsumerReportId;  // not an output report of this collection
  EXPECT_FALSE(ch.Write(report, sizeof report, &moved, 1000));
}

TEST_F(ChannelTest, UnplugFailsTransfersAndReplugGivesANewPath) {
  backend_.Plug(keyboard_);
  std::string before = PathOf(1, 4);
  HidChannel ch(&backend_);
  ASSERT_TRUE(ch.Open(before, true, true, true, false));
  EXPECT_TRUE(backend_.IsPresent(before));

  std::thread puller([&] {
    std::this_thread::sleep_for(milliseconds(20));
    backend_.Unplug(keyboard_);
  });
  uint8_t buf[64];
  EXPECT_FALSE(ch.Read(buf, sizeof buf, nullptr, 5000));
  puller.join();
  EXPECT_FALSE(backend_.IsPresent(before));
  EXPECT_FALSE(ch.Reopen());

  backend_.Plug(keyboard_);
  std::string after = PathOf(1, 4);
  EXPECT_NE(after, before);
  EXPECT_FALSE(backend_.IsPresent(before));
  EXPECT_TRUE(backend_.IsPresent(after));
}

TEST(CommandLinkTest, DataSizeAboveTheLimitIsRefused) {
  CommandLink link;
  EXPECT_EQ(link.DataSize, 512);
  EXPECT_TRUE(link.SetDataSize(0x56 * 3));
  EXPECT_FALSE(link.SetDataSize(513));
  EXPECT_EQ(link.DataSize, 0x56 * 3);
  EXPECT_TRUE(link.SetDataSize(512));
  EXPECT_EQ(link.DataSize, 512);
}

TEST(CommandLinkTest, ModeTwoThenOneReturnsToTheCable) {
  CommandLink link;
  EXPECT_EQ(link.ChunkSize, 24);
  EXPECT_FALSE(link.WirelessMode);
  link.SetMode(kModeWireless);
  EXPECT_TRUE(link.WirelessMode);
  EXPECT_EQ(link.ChunkSize, 24);
  EXPECT_EQ(&link.Active(), &link.Receiver);
  link.SetMode(kModeWired);
  EXPECT_FALSE(link.WirelessMode);
  EXPECT_EQ(link.ChunkSize, 56);
  EXPECT_EQ(&link.Active(), &link.Wired);
  link.SetMode(0);  // anything but 2 is the cable
  EXPECT_FALSE(link.WirelessMode);
}

}  // namespace
}  // namespace qv
