#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <numeric>
#include <thread>

#include "transport/notification_code.h"
#include "transport/protocol_fixture.h"

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing_support::ProtocolFixture;

constexpr unsigned kKeyMapBytes = sim::kFactoryKeyPositions * 3;  // 258

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 7);
  return v;
}

class CommandProtocolTest : public ProtocolFixture {
 protected:
  CommandLink link_{&backend_};
};

// Chunk lengths and offsets of every request of one command, checked against a plan.
void ExpectChunks(const std::vector<CommandPacket>& requests, uint16_t base,
                  const std::vector<uint8_t>& lengths) {
  ASSERT_EQ(requests.size(), lengths.size());
  uint16_t offset = base;
  for (size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].Length(), lengths[i]) << "chunk " << i;
    EXPECT_EQ(requests[i].Offset(), offset) << "chunk " << i;
    EXPECT_TRUE(ChecksumMatches(requests[i]));
    offset = static_cast<uint16_t>(offset + lengths[i]);
  }
}

TEST_F(CommandProtocolTest, DeviceInfoIsOneChunkOnTheCableAndTwoThroughTheReceiver) {
  const auto expected = firmware_->Tables().deviceInfo;
  struct Case {
    std::shared_ptr<sim::SimKeyboard> port;
    std::vector<uint8_t> lengths;
    const char* golden;  // the last chunk's request
  };
  for (const Case& c : {Case{cable_, {34}, "read_device_info_cable_request"},
                        Case{receiver_, {24, 10}, "read_device_info_receiver_chunk2_request"}}) {
    SCOPED_TRACE(c.golden);
    firmware_->ClearPackets();
    CommandLink link(&backend_);
    Connect(link, c.port);
    std::array<uint8_t, kDeviceInfoSize> info{};
    EXPECT_EQ(link.ReadDeviceInfo(info.data()), kResultSuccess);
    EXPECT_EQ(info, expected);
    EXPECT_EQ(info[5], sim::kFactoryKeyPositions);
    auto requests = Requests(kCmdReadDeviceInfo);
    ExpectChunks(requests, 0, c.lengths);
    EXPECT_EQ(requests.back(), GoldenPacket(c.golden));
  }
}

TEST_F(CommandProtocolTest, RequestsMatchGoldenPacketsAndAreTracedInTwoLines) {
  Connect(link_, cable_);
  EXPECT_EQ(link_.BeginUpdate(), kResultSuccess);
  const uint8_t colours[3] = {0xFF, 0x80, 0x01};
  EXPECT_EQ(link_.WriteColorBank(2, colours, sizeof colours), kResultSuccess);
  uint8_t record[26];
  EXPECT_EQ(link_.ReadSettings(25, record, sizeof record), kResultSuccess);

  auto requests = Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0], GoldenPacket("begin_update_request"));
  EXPECT_EQ(requests[1], GoldenPacket("write_color_bank2_request"));
  EXPECT_EQ(requests[2], GoldenPacket("read_settings_slot1_request"));

  // The first transaction's traces: the request, then the answer, each as two lines.
  auto traces = Traces();
  ASSERT_GE(traces.size(), 6u);
  EXPECT_EQ(traces[0], "命令");
  auto golden = GoldenLines("begin_update_request");
  EXPECT_EQ(traces[1], golden[0]);
  EXPECT_EQ(traces[2], golden[1]);
  EXPECT_EQ(traces[3], "返回");
  auto answers = firmware_->Packets();
  auto answer = FormatPacketLines(answers[1].packet.data());
  EXPECT_EQ(traces[4], answer[0]);
  EXPECT_EQ(traces[5], answer[1]);
}

TEST_F(CommandProtocolTest, CommandsCarryTheirParametersAndChunks) {
  struct Case {
    const char* name;
    bool wireless;
    std::function<TransactionResult(CommandLink&)> run;
    uint8_t command;
    uint16_t base;
    std::vector<uint8_t> lengths;
    TransactionResult result;
  };
  static uint8_t buffer[512];
  static const std::vector<uint8_t> data = Pattern(100, 3);
  const Case cases[] = {
      {"key map",
       false,
       [](CommandLink& l) { return l.ReadKeyMap(buffer); },
       kCmdReadKeyMap,
       0,
       {56, 56, 56, 56, 34},
       kResultSuccess},
      {"led table",
       false,
       [](CommandLink& l) { return l.ReadLedTable(buffer); },
       kCmdReadLedTable,
       0,
       {56, 30},
       kResultSuccess},
      {"led table, receiver",
       true,
       [](CommandLink& l) { return l.ReadLedTable(buffer); },
       kCmdReadLedTable,
       0,
       {24, 24, 24, 14},
       kResultSuccess},
      {"macros, receiver",
       true,
       [](CommandLink& l) { return l.WriteMacros(data.data(), 100); },
       kCmdWriteMacros,
       0,
       {24, 24, 24, 24, 4},
       kResultSuccess},
      {"colour bank 3, receiver",
       true,
       [](CommandLink& l) { return l.ReadColorBank(3, buffer, 48); },
       kCmdReadColorBank,
       0x600,
       {24, 24},
       kResultSuccess},
      {"settings slot 1, receiver",
       true,
       [](CommandLink& l) { return l.WriteSettings(25, data.data(), 26); },
       kCmdWriteSettings,
       25,
       {24, 2},
       kResultSuccess},
      {"power status",
       false,
       [](CommandLink& l) { return l.ReadStatus(0, buffer, 6); },
       kCmdReadStatus,
       0,
       {6},
       kResultSuccess},
      {"host lighting",
       false,
       [](CommandLink& l) { return l.HostLighting(); },
       kCmdHostLighting,
       0,
       {0},
       kResultSuccess},
      // 56 bytes a chunk whatever the mode; the keyboard refuses the mouse's command.
      {"recoil data, receiver",
       true,
       [](CommandLink& l) { return l.WriteRecoilData(data.data(), 100); },
       kCmdWriteRecoilData,
       0,
       {56},
       kResultStatusFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    firmware_->ClearPackets();
    CommandLink link(&backend_);
    Connect(link, c.wireless ? receiver_ : cable_);
    ASSERT_TRUE(link.SetDataSize(kKeyMapBytes));
    EXPECT_EQ(c.run(link), c.result);
    ExpectChunks(Requests(c.command), c.base, c.lengths);
    EXPECT_FALSE(link.Busy);
  }
  auto t = firmware_->Tables();
  EXPECT_TRUE(t.hostLighting);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), t.macros.begin()));
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 26, t.settings.begin() + 25));
}

TEST_F(CommandProtocolTest, KeyMapWrittenThroughTheReceiverIsReadBackOnTheCable) {
  const auto image = Pattern(kKeyMapBytes, 0x40);
  Connect(link_, receiver_);
  ASSERT_TRUE(link_.SetDataSize(kKeyMapBytes));
  EXPECT_EQ(link_.BeginUpdate(), kResultSuccess);
  EXPECT_EQ(link_.WriteKeyMap(0, image.data()), kResultSuccess);
  EXPECT_EQ(link_.EndUpdate(), kResultSuccess);
  EXPECT_EQ(Requests(kCmdWriteKeyMap).size(), 11u);  // 10 × 24 + 18

  // The keyboard leaves its receiver for its cable; its memory goes with it.
  link_.Open = false;
  link_.Receiver.Close();
  backend_.Unplug(receiver_);
  CommandLink cable(&backend_);
  Connect(cable, cable_);
  ASSERT_TRUE(cable.SetDataSize(kKeyMapBytes));
  std::vector<uint8_t> read(kKeyMapBytes);
  EXPECT_EQ(cable.ReadKeyMap(read.data()), kResultSuccess);
  EXPECT_EQ(read, image);
  EXPECT_EQ(firmware_->Tables().updatesEnded, 1);
}

TEST_F(CommandProtocolTest, RejectedThirdChunkEndsTheKeyMapWrite) {
  const auto before = firmware_->Tables().keyMap;
  const auto image = Pattern(kKeyMapBytes, 0x11);
  Connect(link_, cable_);
  ASSERT_TRUE(link_.SetDataSize(kKeyMapBytes));
  firmware_->FailPacket(kCmdWriteKeyMap, 3, kStatusRejected);
  EXPECT_EQ(link_.WriteKeyMap(0, image.data()), kResultStatusFE);
  EXPECT_EQ(Requests(kCmdWriteKeyMap).size(), 3u);
  EXPECT_FALSE(link_.Busy);
  auto after = firmware_->Tables().keyMap;
  EXPECT_TRUE(std::equal(image.begin(), image.begin() + 112, after.begin()));
  EXPECT_TRUE(std::equal(before.begin() + 112, before.end(), after.begin() + 112));
}

TEST_F(CommandProtocolTest, FailuresGiveTheirResultCodes) {
  struct Case {
    const char* name;
    bool wireless;
    std::function<void(CommandLink&)> arrange;
    std::function<TransactionResult(CommandLink&)> run;
    TransactionResult result;
    size_t packets;  // requests that reached the keyboard
  };
  auto begin = [](CommandLink& l) { return l.BeginUpdate(); };
  const Case cases[] = {
      {"link not open", false, [](CommandLink& l) { l.Open = false; }, begin, kResultNoAnswer, 0},
      {"status 0xFF", false,
       [this](CommandLink&) { firmware_->FailPacket(kCmdBeginUpdate, 1, kStatusError); }, begin,
       kResultStatusFF, 1},
      {"bad checksum", false, [](CommandLink&) {},
       [](CommandLink& l) {
         const uint8_t wrong[8] = {kCommandReport, 0x05, 0x00, kCmdBeginUpdate};
         CommandPacket answer;
         return MapStatus(l.Exchange(wrong, sizeof wrong, answer.data(), kPacketSize),
                          answer.data());
       },
       kResultStatusFF, 1},
      {"receiver cannot reach the keyboard", true,
       [this](CommandLink&) { firmware_->SetInReach(false); }, begin, kResultUnreachable, 1},
      {"key map page 1", false, [](CommandLink&) {},
       [](CommandLink& l) {
         static const std::vector<uint8_t> image(kKeyMapBytes);
         return l.WriteKeyMap(1, image.data());
       },
       kResultBadPage, 0},
      {"write fails", false, [this](CommandLink&) { backend_.Unplug(cable_); }, begin,
       kResultWriteFailed, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    firmware_->ClearPackets();
    firmware_->ClearFaults();
    firmware_->SetInReach(true);
    CommandLink link(&backend_);
    Connect(link, c.wireless ? receiver_ : cable_);
    ASSERT_TRUE(link.SetDataSize(kKeyMapBytes));
    c.arrange(link);
    auto start = Clock::now();
    EXPECT_EQ(c.run(link), c.result);
    // The receiver's 0xAA answer ends the transaction without the 5 s second read.
    EXPECT_LT(Clock::now() - start, milliseconds(4000));
    EXPECT_EQ(Requests().size(), c.packets);
    EXPECT_FALSE(link.Busy);
  }
}

TEST_F(CommandProtocolTest, MissingAnswerGivesZeroAfterTwoReads) {
  Connect(link_, cable_);
  firmware_->DropAnswers(-1);
  auto start = Clock::now();
  EXPECT_EQ(link_.BeginUpdate(), kResultNoAnswer);
  auto took = Clock::now() - start;
  EXPECT_GE(took, milliseconds(1900));  // two reads of 1000 ms
  EXPECT_LT(took, milliseconds(6000));
  EXPECT_FALSE(link_.Busy);
}

TEST_F(CommandProtocolTest, EchoOfAnotherCommandIsNotTakenForTheAnswer) {
  Connect(link_, cable_);
  const auto expected = firmware_->Tables().deviceInfo;
  std::array<uint8_t, kDeviceInfoSize> info{};

  // One late answer ahead of ours: the second read finds ours.
  firmware_->StrayAnswers(1, 0x33);
  EXPECT_EQ(link_.ReadDeviceInfo(info.data()), kResultSuccess);
  EXPECT_EQ(info, expected);

  // Two: both reads see another command's answer; nothing is taken from them.
  info.fill(0x5A);
  firmware_->StrayAnswers(2, 0x33);
  EXPECT_EQ(link_.ReadDeviceInfo(info.data()), kResultNoAnswer);
  EXPECT_EQ(info[0], 0x5A);
  // Our answer is now the late one; the next transaction reads past it.
  EXPECT_EQ(link_.BeginUpdate(), kResultSuccess);

  // A device that echoes the wrong id and nothing more.
  firmware_->WrongEcho(1, 0x33);
  EXPECT_EQ(link_.BeginUpdate(), kResultNoAnswer);
  EXPECT_EQ(link_.ReadDeviceInfo(info.data()), kResultSuccess);
  EXPECT_EQ(info, expected);
  EXPECT_FALSE(link_.Busy);
}

TEST_F(CommandProtocolTest, QueryLinkAsksOnlyTheReceiver) {
  Connect(link_, cable_);
  EXPECT_TRUE(link_.QueryLink());
  EXPECT_TRUE(Requests().empty());

  CommandLink wireless(&backend_);
  Connect(wireless, receiver_);
  EXPECT_TRUE(wireless.QueryLink());
  firmware_->SetInReach(false);
  EXPECT_FALSE(wireless.QueryLink());
  EXPECT_EQ(Requests(kCmdQueryLink).size(), 2u);
  wireless.Open = false;
  EXPECT_FALSE(wireless.QueryLink());
}

TEST_F(CommandProtocolTest, ColourFramesGoOutOnTheCableOnly) {
  const auto frame = Pattern(kKeyMapBytes, 0x90);
  Connect(link_, cable_);
  EXPECT_EQ(link_.StreamColors(frame.data(), frame.size()), kResultSuccess);
  ExpectChunks(Requests(kCmdStreamColors), 0, {56, 56, 56, 56, 34});
  auto stored = firmware_->Tables().frame;
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), stored.begin()));
  EXPECT_FALSE(Traced("命令"));  // the short exchange leaves no traces

  firmware_->ClearPackets();
  CommandLink wireless(&backend_);
  Connect(wireless, receiver_);
  EXPECT_EQ(wireless.StreamColors(frame.data(), frame.size()), kResultSuccess);
  EXPECT_TRUE(Requests().empty());
}

TEST_F(CommandProtocolTest, ColourFrameDuringAKeyMapWriteIsDroppedAsSuccess) {
  const auto image = Pattern(kKeyMapBytes, 0x22);
  const auto frame = Pattern(48, 0x01);
  cable_->SetReportDelay(milliseconds(100));  // each chunk of the write takes 100 ms
  Connect(link_, cable_);
  ASSERT_TRUE(link_.SetDataSize(kKeyMapBytes));
  std::thread writer([&] { EXPECT_EQ(link_.WriteKeyMap(0, image.data()), kResultSuccess); });
  while (!link_.Busy) std::this_thread::yield();
  EXPECT_EQ(link_.StreamColors(frame.data(), frame.size()), kResultSuccess);
  writer.join();
  EXPECT_TRUE(Traced("放弃灯光数据"));
  EXPECT_TRUE(Requests(kCmdStreamColors).empty());
  EXPECT_EQ(Requests(kCmdWriteKeyMap).size(), 5u);
}

TEST_F(CommandProtocolTest, EndUpdatePausesFirst) {
  Connect(link_, cable_);
  cable_->SetReportDelay(std::chrono::microseconds(0));
  auto start = Clock::now();
  EXPECT_EQ(link_.EndUpdate(), kResultSuccess);
  EXPECT_GE(Clock::now() - start, milliseconds(10));
}

TEST_F(CommandProtocolTest, NotificationsReachTheHostThroughLinkedPorts) {
  backend_.Plug(cable_);
  backend_.Plug(receiver_);
  HidChannel wired(&backend_), wireless(&backend_);
  ASSERT_TRUE(wired.Open(PathOf(*cable_, 3), true, true, true, false));
  ASSERT_TRUE(wireless.Open(PathOf(*receiver_, 3), true, true, true, false));
  auto next = [](HidChannel& ch) -> int {
    uint8_t report[64];
    size_t moved = 0;
    if (!ch.Read(report, sizeof report, &moved, 200)) return -1;
    std::vector<HidInputItem> items;
    if (!ch.ParseInputReport(report, moved, &items) || items.empty() || items[0].usages.empty()) {
      return -2;
    }
    return items[0].usages[0];
  };

  firmware_->PressKey(5);
  EXPECT_EQ(next(wired), KeyDownCode(5));
  EXPECT_EQ(next(wireless), KeyDownCode(5));

  firmware_->SetInReach(false);
  firmware_->ReleaseKey(5);
  EXPECT_EQ(next(wired), KeyUpCode(5));
  EXPECT_EQ(next(wireless), -1);

  firmware_->SelectSlot(2, 3);
  EXPECT_EQ(firmware_->Tables().settings[0], 2);
  Notification n = DecodeNotification(static_cast<uint16_t>(next(wired)));
  EXPECT_EQ(n.kind, NotificationKind::kSlotChangedWithValue);
  EXPECT_EQ(n.slot, 2);
  EXPECT_EQ(n.second, 3);

  firmware_->RequestReread(true);
  EXPECT_EQ(next(wired), kNotifyResetReread);
}

}  // namespace
}  // namespace qv
