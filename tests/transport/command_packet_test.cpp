#include "transport/command_packet.h"

#include <gtest/gtest.h>

#include "transport/notification_code.h"

namespace qv {
namespace {

TEST(CommandPacketTest, ChecksumSumsBytesThreeOnwardToSixteenBits) {
  CommandPacket p;
  p[0] = 0x04;
  p[1] = 0x77;  // the checksum bytes themselves are not summed
  p[2] = 0x88;
  for (size_t i = 3; i < kPacketSize; ++i) p[i] = 0xFF;
  // 61 × 255 = 15555 = 0x3CC3
  EXPECT_EQ(PacketChecksum(p.data()), 0x3CC3);
  SealPacket(&p);
  EXPECT_EQ(p[1], 0xC3);
  EXPECT_EQ(p[2], 0x3C);
  EXPECT_TRUE(ChecksumMatches(p));
  p[63] ^= 1;
  EXPECT_FALSE(ChecksumMatches(p));
}

TEST(CommandPacketTest, ShortRequestIsPaddedBeforeTheChecksum) {
  const uint8_t tenBytes[10] = {0x04, 0, 0, 0x05, 0x1A, 0x19, 0x00, 0x00, 0x10, 0x20};
  CommandPacket p = MakeRequest(tenBytes, sizeof tenBytes);
  for (size_t i = 10; i < kPacketSize; ++i) EXPECT_EQ(p[i], 0) << i;
  EXPECT_EQ(p.Checksum(), 0x05 + 0x1A + 0x19 + 0x10 + 0x20);

  const uint8_t begin[4] = {0x04, 0, 0, 0x01};
  EXPECT_EQ(MakeRequest(begin, sizeof begin).Checksum(), 0x0001);

  uint8_t tooLong[80] = {};
  tooLong[3] = 0x02;
  tooLong[70] = 0x99;  // cut off with the rest beyond 64
  EXPECT_EQ(MakeRequest(tooLong, sizeof tooLong).Checksum(), 0x0002);
  // Padding alone leaves the checksum bytes as given.
  EXPECT_EQ(PadRequest(begin, sizeof begin).Checksum(), 0);
}

TEST(CommandPacketTest, BuildRequestPlacesParametersAndData) {
  const uint8_t data[3] = {1, 2, 3};
  CommandPacket p = BuildRequest(kCmdWriteColorBank, 3, 0x0418, data, sizeof data);
  EXPECT_EQ(p.ReportId(), kCommandReport);
  EXPECT_EQ(p.Command(), 0x0B);
  EXPECT_EQ(p.Length(), 3);
  EXPECT_EQ(p[5], 0x18);
  EXPECT_EQ(p[6], 0x04);
  EXPECT_EQ(p.Status(), 0);
  EXPECT_EQ(p[8], 1);
  EXPECT_EQ(p[10], 3);
  EXPECT_EQ(p[11], 0);
  EXPECT_TRUE(ChecksumMatches(p));
}

struct ChunkCase {
  size_t total, chunkSize;
  std::vector<Chunk> expected;
};

class PlanChunksTest : public testing::TestWithParam<ChunkCase> {};

TEST_P(PlanChunksTest, CutsBlocksWithTheRemainderLast) {
  EXPECT_EQ(PlanChunks(GetParam().total, GetParam().chunkSize), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, PlanChunksTest,
    testing::Values(ChunkCase{34, 24, {{0, 24}, {24, 10}}}, ChunkCase{34, 56, {{0, 34}}},
                    ChunkCase{258, 56, {{0, 56}, {56, 56}, {112, 56}, {168, 56}, {224, 34}}},
                    ChunkCase{48, 24, {{0, 24}, {24, 24}}}, ChunkCase{0, 24, {}},
                    ChunkCase{26, 24, {{0, 24}, {24, 2}}}));

TEST(CommandPacketTest, StatusMapsOnlySuccessfulTransactions) {
  struct Case {
    TransactionResult result;
    uint8_t status;
    TransactionResult expected;
  };
  const Case cases[] = {
      {kResultSuccess, 0x00, kResultSuccess},
      {kResultSuccess, 0x01, kResultSuccess},
      {kResultSuccess, 0xFF, kResultStatusFF},
      {kResultSuccess, 0xFE, kResultStatusFE},
      {kResultNoAnswer, 0xFF, kResultNoAnswer},
      {kResultUnreachable, 0xFE, kResultUnreachable},
      {kResultWriteFailed, 0xFF, kResultWriteFailed},
  };
  for (const Case& c : cases) {
    CommandPacket answer;
    answer[7] = c.status;
    EXPECT_EQ(MapStatus(c.result, answer.data()), c.expected)
        << c.result << " status " << int(c.status);
  }
}

TEST(CommandPacketTest, TraceLinesGroupBytesByFour) {
  CommandPacket p;
  for (size_t i = 0; i < kPacketSize; ++i) p[i] = static_cast<uint8_t>(i);
  auto lines = FormatPacketLines(p.data());
  EXPECT_EQ(lines[0],
            "00 01 02 03   04 05 06 07   08 09 0a 0b   0c 0d 0e 0f  10 11 12 13  14 15 16 17  "
            "18 19 1a 1b  1c 1d 1e 1f");
  EXPECT_EQ(lines[1],
            "20 21 22 23   24 25 26 27   28 29 2a 2b   2c 2d 2e 2f  30 31 32 33  34 35 36 37  "
            "38 39 3a 3b  3c 3d 3e 3f");
}

TEST(NotificationCodeTest, DecodesEveryKind) {
  struct Case {
    uint16_t code;
    NotificationKind kind;
    uint8_t key, slot, second;
  };
  const Case cases[] = {
      {0x0401, NotificationKind::kReread, 0, 0, 0},
      {0x0402, NotificationKind::kResetReread, 0, 0, 0},
      {0x0404, NotificationKind::kNoAction, 0, 0, 0},
      {0x0403, NotificationKind::kUnknown, 0, 0, 0},
      {0x0500, NotificationKind::kKeyDown, 0, 0, 0},
      {0x0555, NotificationKind::kKeyDown, 0x55, 0, 0},
      {0x06FF, NotificationKind::kKeyUp, 0xFF, 0, 0},
      {0x1003, NotificationKind::kSlotChanged, 0, 3, 0},
      {0x10F2, NotificationKind::kSlotChanged, 0, 2, 0},  // high nibble ignored
      {0x1152, NotificationKind::kSlotChangedWithValue, 0, 2, 5},
      {0x1200, NotificationKind::kUnknown, 0, 0, 0},
      {0x0000, NotificationKind::kUnknown, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Notification n = DecodeNotification(c.code);
    EXPECT_EQ(n.kind, c.kind) << std::hex << c.code;
    EXPECT_EQ(n.key, c.key) << std::hex << c.code;
    EXPECT_EQ(n.slot, c.slot) << std::hex << c.code;
    EXPECT_EQ(n.second, c.second) << std::hex << c.code;
  }
  EXPECT_EQ(KeyDownCode(7), 0x0507);
  EXPECT_EQ(KeyUpCode(7), 0x0607);
  EXPECT_EQ(SlotChangedCode(3), 0x1003);
  EXPECT_EQ(SlotChangedCode(2, 5), 0x1152);
}

}  // namespace
}  // namespace qv
