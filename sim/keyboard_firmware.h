// The simulated keyboard's firmware: its memory blocks (device information, key map, LED table,
// settings area with slots, colour banks, macro memory, power status) and its answers to every
// command of the vendor command collection. One firmware can be reached through several ports at
// once, as a keyboard is through its cable (0x320F:0x5080) and its 2.4 GHz receiver
// (0x320F:0x1000); each port is a `SimKeyboard` that shares it.
//
// For tests it records every packet (requests and answers, with the time and the port) and can
// be told to fail: no answer, a wrong command id echo, stray reports before an answer, an error
// status on the n-th packet of a command id, and the device out of the receiver's reach (the
// receiver then answers with command id 0xAA).
//
// Threading: every operation may be called from any thread. The memory, faults and record are
// guarded by one lock; `HandleRequest` runs under it, so requests are answered one at a time in
// arrival order. Notifications go out under the port lock, never under the memory lock.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "transport/command_packet.h"

namespace qv::sim {

class SimKeyboard;

inline constexpr uint16_t kReceiverProductId = 0x1000;
inline constexpr uint8_t kFactoryKeyPositions = 0x56;
inline constexpr size_t kKeyMapMemory = 512;
inline constexpr size_t kColorBankCount = 8;
inline constexpr size_t kSettingsSlotCount = 4;
inline constexpr size_t kSettingsSlotStride = 25;
inline constexpr size_t kSettingsRecordSize = 26;
inline constexpr size_t kStatusMemory = 56;

enum class SimPath : uint8_t { kCable, kReceiver };
enum class PacketDirection : uint8_t { kRequest, kAnswer };

struct PacketRecord {
  std::chrono::steady_clock::time_point time;
  SimPath path = SimPath::kCable;
  PacketDirection direction = PacketDirection::kRequest;
  CommandPacket packet;
};

// What the colour stream has brought so far. A frame is the run of stream chunks from one at
// offset 0 to the last before the next such chunk; its time runs from the host's write of its
// first chunk to the firmware's last answer. Only frames that a later frame has closed count.
struct StreamStats {
  uint64_t frames = 0;
  uint64_t chunks = 0;
  std::chrono::microseconds busy{0};
};

// The keyboard's memory as the commands see it. Sizes are the firmware's: an access beyond a
// block is answered with status 0xFE.
struct KeyboardTables {
  std::array<uint8_t, kDeviceInfoSize> deviceInfo{};  // byte 5 key positions, 6 macro units
  std::vector<uint8_t> keyMap;      // kKeyMapMemory bytes; position p at 3p (type, value, value)
  std::vector<uint8_t> ledTable;    // one byte per key position: its LED position
  std::vector<uint8_t> settings;    // byte 0 the active slot; slot k's 26 bytes at 25 × k
  std::vector<uint8_t> colorBanks;  // kColorBankCount banks of 512 bytes
  std::vector<uint8_t> macros;      // deviceInfo[6] × 128 bytes
  std::vector<uint8_t> status;      // kStatusMemory bytes; 0..5 the power status
  std::vector<uint8_t> frame;       // the last streamed colour frame (512 bytes)
  bool hostLighting = false;        // set by the host-lighting command
  bool updating = false;            // between begin and end of an update sequence
  int updatesEnded = 0;             // end-of-update commands seen

  uint8_t KeyPositions() const { return deviceInfo[5]; }
  // The device key position whose key map entry is the logical key's factory function.
  std::optional<uint8_t> PositionOfLogicalKey(int logicalKey) const;
  // The 26 bytes of the active slot's record (empty when the slot lies outside the area).
  std::vector<uint8_t> ActiveRecord() const;
  // The macro count of a stored macro image; -1 when the memory holds no image.
  int StoredMacroCount() const;
};

// A 61-key keyboard with `positions` key positions: the keys first, row by row, each with the
// factory function of its logical key, and unused positions zero. Its LEDs form a matrix of 16
// columns per row (LED position = row × 16 + column).
KeyboardTables FactoryKeyboardTables(uint8_t positions = kFactoryKeyPositions);

class KeyboardFirmware {
 public:
  explicit KeyboardFirmware(KeyboardTables tables = FactoryKeyboardTables());
  ~KeyboardFirmware();
  KeyboardFirmware(const KeyboardFirmware&) = delete;
  KeyboardFirmware& operator=(const KeyboardFirmware&) = delete;

  // One request arriving through a port; the reports to send back, in order (none when the
  // request goes unanswered). Requests and answers are recorded. `written`: when the host wrote
  // the report (the port's delay lies between); default now.
  std::vector<CommandPacket> HandleRequest(
      SimPath path, const uint8_t* report, size_t size,
      std::chrono::steady_clock::time_point written = std::chrono::steady_clock::now());

  // The memory: a copy, a replacement, or an edit under the lock.
  KeyboardTables Tables() const;
  void SetTables(KeyboardTables tables);
  template <class F>
  void Edit(F&& edit) {
    std::lock_guard<std::mutex> hold(lock_);
    edit(tables_);
  }

  // Whether the receiver can reach the keyboard.
  void SetInReach(bool inReach) { inReach_ = inReach; }
  bool InReach() const { return inReach_; }

  // Faults. Counts apply to the coming requests; -1 means every one until ClearFaults.
  void DropAnswers(int count);
  void WrongEcho(int count, uint8_t id);
  // Before the next answer, `count` extra reports echoing `id` (late answers of other requests).
  void StrayAnswers(int count, uint8_t id);
  // The nth packet (1-based, counted from now) carrying `command` is answered with `status`
  // and has no effect.
  void FailPacket(uint8_t command, int nth, uint8_t status = kStatusRejected);
  void ClearFaults();

  std::vector<PacketRecord> Packets() const;
  void ClearPackets();
  // Keeps at most about `packets` of the newest records (a program streaming for hours must not
  // grow without end); 0, the default, keeps all.
  void SetRecordLimit(size_t packets);
  StreamStats Stats() const;

  // Device events, sent as notifications through every port that reaches the host.
  void PressKey(uint8_t position);
  void ReleaseKey(uint8_t position);
  // By logical key number; false when the key map holds no such key.
  bool PressLogicalKey(int logicalKey);
  bool ReleaseLogicalKey(int logicalKey);
  void SelectSlot(uint8_t slot);
  void SelectSlot(uint8_t slot, uint8_t second);
  void RequestReread(bool resetProfile);
  void Notify(uint16_t code);

 private:
  friend class SimKeyboard;
  void AddPort(SimKeyboard* port);
  void RemovePort(SimKeyboard* port);

  // Requires lock_. Fills the answer's status and data from the request.
  void Execute(SimPath path, const CommandPacket& request, CommandPacket* answer);
  void RecordLocked(SimPath path, PacketDirection direction, const CommandPacket& packet);

  mutable std::mutex lock_;  // guards everything below except inReach_ and the ports
  KeyboardTables tables_;
  std::vector<PacketRecord> record_;
  size_t recordLimit_ = 0;
  StreamStats stats_;
  std::chrono::steady_clock::time_point frameStart_{};  // of the open frame; 0: none
  std::chrono::steady_clock::time_point frameEnd_{};
  int dropCount_ = 0;
  int wrongEchoCount_ = 0;
  uint8_t wrongEchoId_ = 0;
  int strayCount_ = 0;
  uint8_t strayId_ = 0;
  uint8_t failCommand_ = 0;
  int failCountdown_ = 0;  // 0: disarmed
  uint8_t failStatus_ = kStatusRejected;
  std::atomic<bool> inReach_{true};

  std::mutex portsLock_;  // guards ports_
  std::vector<SimKeyboard*> ports_;
};

}  // namespace qv::sim
