// Several threads on one command link: command sequences, colour bank commands and colour
// frames at once. Also run under ThreadSanitizer (scripts/test.sh, filter "CommandConcurrency").
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "transport/protocol_fixture.h"

namespace qv {
namespace {

using testing_support::ProtocolFixture;

constexpr unsigned kKeyMapBytes = sim::kFactoryKeyPositions * 3;

bool IsCommandLocked(uint8_t command) {
  return command != kCmdStreamColors && command != kCmdReadColorBank &&
         command != kCmdWriteColorBank;
}
bool IsLightLocked(uint8_t command) {
  return command == kCmdReadColorBank || command == kCmdWriteColorBank;
}

// Within the packets of one lock class, the chunks of each command follow each other from
// offset `base` without a packet of another command of that class in between.
void ExpectUnbrokenCommands(const std::vector<CommandPacket>& packets,
                            uint16_t (*baseOf)(const CommandPacket&)) {
  for (size_t i = 0; i < packets.size();) {
    const uint8_t command = packets[i].Command();
    uint16_t expected = baseOf(packets[i]);
    ASSERT_EQ(packets[i].Offset(), expected) << "packet " << i << " starts mid-command";
    size_t j = i;
    while (j < packets.size() && packets[j].Command() == command &&
           packets[j].Offset() == expected && packets[j][8] == packets[i][8]) {
      expected = static_cast<uint16_t>(expected + packets[j].Length());
      ++j;
      // A chunk shorter than the longest ends the command.
      if (packets[j - 1].Length() < packets[i].Length()) break;
    }
    i = j;
  }
}

class CommandConcurrencyTest : public ProtocolFixture {};

TEST_F(CommandConcurrencyTest, ChunksOfACommandNeverInterleaveAndEveryAnswerIsItsOwn) {
  constexpr int kWriters = 3;
  constexpr int kRounds = 4;
  CommandLink link(&backend_);
  Connect(link, cable_);
  cable_->SetReportDelay(std::chrono::microseconds(200));
  ASSERT_TRUE(link.SetDataSize(kKeyMapBytes));

  std::atomic<int> failures{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (int w = 0; w < kWriters; ++w) {
    threads.emplace_back([&, w] {
      // Each writer's image is filled with its own byte so the record shows whose chunk it is.
      const std::vector<uint8_t> image(kKeyMapBytes, static_cast<uint8_t>(0x10 + w));
      std::vector<uint8_t> read(kKeyMapBytes);
      for (int r = 0; r < kRounds; ++r) {
        if (link.BeginUpdate() != kResultSuccess) ++failures;
        if (link.WriteKeyMap(0, image.data()) != kResultSuccess) ++failures;
        if (link.ReadKeyMap(read.data()) != kResultSuccess) ++failures;
        if (link.EndUpdate() != kResultSuccess) ++failures;
      }
    });
  }
  threads.emplace_back([&] {
    const std::vector<uint8_t> bank(48, 0x77);
    std::vector<uint8_t> back(48);
    for (int r = 0; r < kRounds * 2; ++r) {
      if (link.WriteColorBank(r % 4, bank.data(), bank.size()) != kResultSuccess) ++failures;
      if (link.ReadColorBank(r % 4, back.data(), back.size()) != kResultSuccess) ++failures;
    }
  });
  std::thread frames([&] {
    const std::vector<uint8_t> frame(kKeyMapBytes, 0x55);
    while (!stop) {
      if (link.StreamColors(frame.data(), frame.size()) != kResultSuccess) ++failures;
      std::this_thread::yield();
    }
  });
  for (auto& t : threads) t.join();
  stop = true;
  frames.join();

  EXPECT_EQ(failures, 0);
  EXPECT_FALSE(link.Busy);

  // Every request is answered before the next request arrives, by its own answer.
  auto record = firmware_->Packets();
  ASSERT_EQ(record.size() % 2, 0u);
  for (size_t i = 0; i + 1 < record.size(); i += 2) {
    ASSERT_EQ(record[i].direction, sim::PacketDirection::kRequest) << i;
    ASSERT_EQ(record[i + 1].direction, sim::PacketDirection::kAnswer) << i;
    ASSERT_EQ(record[i + 1].packet.Command(), record[i].packet.Command()) << i;
    ASSERT_EQ(record[i + 1].packet.Status(), 0) << i;
  }

  std::vector<CommandPacket> commands, lights;
  for (const auto& r : record) {
    if (r.direction != sim::PacketDirection::kRequest) continue;
    if (IsCommandLocked(r.packet.Command())) commands.push_back(r.packet);
    if (IsLightLocked(r.packet.Command())) lights.push_back(r.packet);
  }
  EXPECT_EQ(commands.size(), size_t{kWriters} * kRounds * (1 + 5 + 5 + 1));
  ExpectUnbrokenCommands(commands, [](const CommandPacket&) -> uint16_t { return 0; });
  ExpectUnbrokenCommands(lights, [](const CommandPacket& p) -> uint16_t {
    return static_cast<uint16_t>(p.Offset() & ~(kBankStride - 1));
  });

  // Key map writes carry one writer's byte from their first chunk to their last.
  std::vector<CommandPacket> writes;
  for (const auto& p : commands) {
    if (p.Command() == kCmdWriteKeyMap) writes.push_back(p);
  }
  ASSERT_EQ(writes.size() % 5, 0u);
  for (size_t i = 0; i < writes.size(); i += 5) {
    for (size_t k = 1; k < 5; ++k) EXPECT_EQ(writes[i + k][8], writes[i][8]) << i;
  }
}

}  // namespace
}  // namespace qv
