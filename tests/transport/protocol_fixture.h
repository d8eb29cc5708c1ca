// Shared set-up of the command protocol tests: one simulated keyboard firmware reachable through
// a cable port and a receiver port, a command link opened on either, the packet record, the
// traces, and the golden packet files under tests/data/packets/.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "platform/trace.h"
#include "sim/sim_keyboard.h"
#include "transport/command_link.h"
#include "transport/command_packet.h"

namespace qv::testing_support {

class ProtocolFixture : public testing::Test {
 protected:
  void SetUp() override {
    firmware_ = std::make_shared<sim::KeyboardFirmware>();
    cable_ = std::make_shared<sim::SimKeyboard>(firmware_, sim::kKeyboardProductId);
    receiver_ = std::make_shared<sim::SimKeyboard>(firmware_, sim::kReceiverProductId);
    SetTraceSink([this](std::string_view line) {
      std::lock_guard<std::mutex> hold(traceLock_);
      traces_.emplace_back(line);
    });
  }

  void TearDown() override { SetTraceSink(nullptr); }

  // The path of a plugged port's collection (interface 1).
  std::string PathOf(const sim::SimKeyboard& port, uint16_t collection) {
    HidChannel lister(&backend_);
    EXPECT_TRUE(lister.Enumerate());
    for (const auto& e : lister.Entries()) {
      if (e.productId == port.ProductId() && e.interfaceNumber == 1 &&
          e.collectionNumber == collection) {
        return e.path;
      }
    }
    return {};
  }

  // Plugs the port (unless it is) and opens the link on it as discovery does.
  void Connect(CommandLink& link, const std::shared_ptr<sim::SimKeyboard>& port) {
    if (!backend_.IsPlugged(port)) backend_.Plug(port);
    const bool wireless = port->Path() == sim::SimPath::kReceiver;
    HidChannel& channel = wireless ? link.Receiver : link.Wired;
    ASSERT_TRUE(channel.Open(PathOf(*port, 4), true, true, true, false));
    link.SetMode(wireless ? kModeWireless : kModeWired);
    link.Open = true;
  }

  std::vector<CommandPacket> Requests(uint8_t command = 0) const {
    std::vector<CommandPacket> out;
    for (const auto& r : firmware_->Packets()) {
      if (r.direction != sim::PacketDirection::kRequest) continue;
      if (command == 0 || r.packet.Command() == command) out.push_back(r.packet);
    }
    return out;
  }

  std::vector<std::string> Traces() {
    std::lock_guard<std::mutex> hold(traceLock_);
    return traces_;
  }
  bool Traced(const std::string& text) {
    for (const auto& t : Traces()) {
      if (t == text) return true;
    }
    return false;
  }

  // A golden packet file: '#' comment lines, then the packet as its two trace lines.
  static std::vector<std::string> GoldenLines(const std::string& name) {
    const char* root = std::getenv("QV_TEST_DATA");
    std::ifstream in(std::string(root ? root : "tests/data") + "/packets/" + name + ".txt");
    EXPECT_TRUE(in.good()) << name;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line[0] != '#') lines.push_back(line);
    }
    return lines;
  }
  static CommandPacket GoldenPacket(const std::string& name) {
    CommandPacket p;
    size_t i = 0;
    for (const auto& line : GoldenLines(name)) {
      std::istringstream words(line);
      for (std::string w; words >> w && i < kPacketSize;) {
        p[i++] = static_cast<uint8_t>(std::stoul(w, nullptr, 16));
      }
    }
    EXPECT_EQ(i, kPacketSize) << name;
    return p;
  }

  sim::SimBackend backend_;
  std::shared_ptr<sim::KeyboardFirmware> firmware_;
  std::shared_ptr<sim::SimKeyboard> cable_;
  std::shared_ptr<sim::SimKeyboard> receiver_;
  std::mutex traceLock_;
  std::vector<std::string> traces_;
};

}  // namespace qv::testing_support
