#include "sim/keyboard_firmware.h"

#include <algorithm>
#include <iterator>

#include "keys/logical_key_table.h"
#include "sim/sim_keyboard.h"
#include "transport/notification_code.h"

namespace qv::sim {

namespace {

// The 61 keys in the order of their device positions, row by row, as logical key numbers: the
// key map holds each one's factory function.
// clang-format off
constexpr uint8_t kFactoryLogicalKeys[] = {
    0,   22,  23,  24,  25,  26,  27,  28,  29,  30,  31,  32,  33,  34,  // Esc, 1..0, -, =, Bksp
    42,  43,  44,  45,  46,  47,  48,  49,  50,  51,  52,  53,  54,  55,  // Tab, Q..P, [, ], \ key
    63,  64,  65,  66,  67,  68,  69,  70,  71,  72,  73,  74,  75,       // Caps, A..L, ;, ', Enter
    84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94,  95,            // Shift, Z..M, , . /, Shift
    105, 106, 107, 108, 109, 110, 111, 112,  // Ctrl, Win, Alt, Space, Alt, Fn, Menu, Ctrl
};
// clang-format on
constexpr size_t kFactoryKeyCount = sizeof kFactoryLogicalKeys;
static_assert(kFactoryKeyCount == 61);
// Keys per row; the LED matrix has 16 columns per row, so LED positions differ from key positions.
constexpr size_t kRowLengths[] = {14, 14, 13, 12, 8};
constexpr size_t kLedColumns = 16;

uint8_t LedOfPosition(size_t position) {
  size_t row = 0;
  while (row + 1 < std::size(kRowLengths) && position >= kRowLengths[row]) {
    position -= kRowLengths[row];
    ++row;
  }
  return static_cast<uint8_t>(row * kLedColumns + position);
}

constexpr uint8_t kMacroUnits = 0x20;  // × 128 bytes
constexpr uint16_t kFirmwareVersion = 0x0105;
constexpr size_t kFrameMemory = 512;

// A block access of a request; false when it runs outside the block.
bool Access(std::vector<uint8_t>& block, const CommandPacket& request, CommandPacket* answer,
            bool write) {
  const size_t length = request.Length();
  const size_t offset = request.Offset();
  if (length > kPacketDataSize || offset + length > block.size()) return false;
  if (write) {
    std::copy_n(request.Payload(), length, block.begin() + static_cast<ptrdiff_t>(offset));
  } else {
    std::copy_n(block.begin() + static_cast<ptrdiff_t>(offset), length, answer->Payload());
  }
  return true;
}

// Counts down a fault; true when it applies to this request.
bool Take(int* count) {
  if (*count == 0) return false;
  if (*count > 0) --*count;
  return true;
}

}  // namespace

KeyboardTables FactoryKeyboardTables(uint8_t positions) {
  KeyboardTables t;
  t.deviceInfo[0] = 0x01;  // device kind: keyboard
  t.deviceInfo[1] = kFirmwareVersion & 0xFF;
  t.deviceInfo[2] = kFirmwareVersion >> 8;
  t.deviceInfo[5] = positions;
  t.deviceInfo[6] = kMacroUnits;

  t.keyMap.assign(kKeyMapMemory, 0);
  t.ledTable.assign(positions, 0xFF);
  for (size_t p = 0; p < positions && p < kFactoryKeyCount && 3 * p + 2 < kKeyMapMemory; ++p) {
    const KeyFunction f = LogicalKeyTable()[kFactoryLogicalKeys[p]];
    t.keyMap[3 * p] = f.kind;
    t.keyMap[3 * p + 1] = f.first;
    t.keyMap[3 * p + 2] = f.second;
    // The LED matrix is wider than the rows; a keyboard with few positions keeps its LEDs
    // inside its frame.
    const uint8_t led = LedOfPosition(p);
    t.ledTable[p] = led < positions ? led : static_cast<uint8_t>(p);
  }

  t.settings.assign(kSettingsSlotStride * (kSettingsSlotCount - 1) + kSettingsRecordSize, 0);
  for (size_t k = 0; k < kSettingsSlotCount; ++k) {
    uint8_t* r = t.settings.data() + kSettingsSlotStride * k;
    r[1] = 0x01;  // light mode code
    r[2] = 4;     // brightness
    r[3] = 2;     // 4 - speed
    r[6] = 0xFF;  // red
    r[22] = 1;    // polling rate
  }
  t.settings[0] = 0;  // active slot

  t.colorBanks.assign(kColorBankCount * kBankStride, 0);
  t.macros.assign(static_cast<size_t>(kMacroUnits) * 128, 0);
  t.status.assign(kStatusMemory, 0);
  t.status[4] = 100;  // battery level
  t.frame.assign(kFrameMemory, 0);
  return t;
}

KeyboardFirmware::KeyboardFirmware(KeyboardTables tables) : tables_(std::move(tables)) {}

KeyboardFirmware::~KeyboardFirmware() = default;

KeyboardTables KeyboardFirmware::Tables() const {
  std::lock_guard<std::mutex> hold(lock_);
  return tables_;
}

void KeyboardFirmware::SetTables(KeyboardTables tables) {
  std::lock_guard<std::mutex> hold(lock_);
  tables_ = std::move(tables);
}

void KeyboardFirmware::DropAnswers(int count) {
  std::lock_guard<std::mutex> hold(lock_);
  dropCount_ = count;
}

void KeyboardFirmware::WrongEcho(int count, uint8_t id) {
  std::lock_guard<std::mutex> hold(lock_);
  wrongEchoCount_ = count;
  wrongEchoId_ = id;
}

void KeyboardFirmware::StrayAnswers(int count, uint8_t id) {
  std::lock_guard<std::mutex> hold(lock_);
  strayCount_ = count;
  strayId_ = id;
}

void KeyboardFirmware::FailPacket(uint8_t command, int nth, uint8_t status) {
  std::lock_guard<std::mutex> hold(lock_);
  failCommand_ = command;
  failCountdown_ = std::max(nth, 0);
  failStatus_ = status;
}

void KeyboardFirmware::ClearFaults() {
  std::lock_guard<std::mutex> hold(lock_);
  dropCount_ = wrongEchoCount_ = strayCount_ = failCountdown_ = 0;
}

std::vector<PacketRecord> KeyboardFirmware::Packets() const {
  std::lock_guard<std::mutex> hold(lock_);
  return record_;
}

void KeyboardFirmware::ClearPackets() {
  std::lock_guard<std::mutex> hold(lock_);
  record_.clear();
}

void KeyboardFirmware::RecordLocked(SimPath path, PacketDirection direction,
                                    const CommandPacket& packet) {
  if (recordLimit_ > 0 && record_.size() >= recordLimit_) {
    // Dropping the older half at once keeps the cost per record constant.
    record_.erase(record_.begin(),
                  record_.begin() + static_cast<std::ptrdiff_t>(record_.size() / 2));
  }
  record_.push_back({std::chrono::steady_clock::now(), path, direction, packet});
}

void KeyboardFirmware::SetRecordLimit(size_t packets) {
  std::lock_guard<std::mutex> hold(lock_);
  recordLimit_ = packets;
}

StreamStats KeyboardFirmware::Stats() const {
  std::lock_guard<std::mutex> hold(lock_);
  return stats_;
}

std::vector<CommandPacket> KeyboardFirmware::HandleRequest(
    SimPath path, const uint8_t* report, size_t size,
    std::chrono::steady_clock::time_point written) {
  const CommandPacket request = PadRequest(report, size);
  std::lock_guard<std::mutex> hold(lock_);
  RecordLocked(path, PacketDirection::kRequest, request);
  if (request.Command() == kCmdStreamColors) {
    if (request.Offset() == 0) {
      if (frameStart_ != std::chrono::steady_clock::time_point{}) {
        ++stats_.frames;
        stats_.busy +=
            std::chrono::duration_cast<std::chrono::microseconds>(frameEnd_ - frameStart_);
      }
      frameStart_ = written;
    }
    ++stats_.chunks;
    frameEnd_ = std::chrono::steady_clock::now();
  }
  if (Take(&dropCount_)) return {};

  CommandPacket answer;
  answer[0] = kCommandReport;
  for (size_t i = 3; i <= 6; ++i) answer[i] = request[i];  // command id, length, offset
  if (!ChecksumMatches(request)) {
    answer[7] = kStatusError;
  } else if (failCountdown_ > 0 && request.Command() == failCommand_ && --failCountdown_ == 0) {
    answer[7] = failStatus_;
  } else if (path == SimPath::kReceiver && request.Command() == kCmdQueryLink) {
    // The receiver answers the link query itself.
    answer.Payload()[0] = inReach_ ? kLinkedMark : 0x00;
  } else if (path == SimPath::kReceiver && !inReach_) {
    answer = CommandPacket{};
    answer[0] = kCommandReport;
    answer[3] = kUnreachableId;
  } else {
    Execute(path, request, &answer);
  }
  if (Take(&wrongEchoCount_)) answer[3] = wrongEchoId_;
  SealPacket(&answer);

  std::vector<CommandPacket> out;
  while (Take(&strayCount_)) {
    CommandPacket stray;
    stray[0] = kCommandReport;
    stray[3] = strayId_;
    SealPacket(&stray);
    out.push_back(stray);
    if (strayCount_ < 0) break;  // "every request" means one stray before each answer
  }
  out.push_back(answer);
  for (const CommandPacket& p : out) RecordLocked(path, PacketDirection::kAnswer, p);
  return out;
}

void KeyboardFirmware::Execute(SimPath, const CommandPacket& request, CommandPacket* answer) {
  KeyboardTables& t = tables_;
  bool ok = true;
  switch (request.Command()) {
    case kCmdBeginUpdate:
      t.updating = true;
      break;
    case kCmdEndUpdate:
      t.updating = false;
      ++t.updatesEnded;
      break;
    case kCmdReadDeviceInfo: {
      std::vector<uint8_t> info(t.deviceInfo.begin(), t.deviceInfo.end());
      ok = Access(info, request, answer, false);
      break;
    }
    case kCmdReadSettings:
      ok = Access(t.settings, request, answer, false);
      break;
    case kCmdWriteSettings:
      ok = Access(t.settings, request, answer, true);
      break;
    case kCmdReadKeyMap:
      ok = Access(t.keyMap, request, answer, false);
      break;
    case kCmdWriteKeyMap:
      ok = Access(t.keyMap, request, answer, true);
      break;
    case kCmdReadColorBank:
      ok = Access(t.colorBanks, request, answer, false);
      break;
    case kCmdWriteColorBank:
      ok = Access(t.colorBanks, request, answer, true);
      break;
    case kCmdStreamColors:
      ok = Access(t.frame, request, answer, true);
      break;
    case kCmdWriteMacros:
      ok = Access(t.macros, request, answer, true);
      break;
    case kCmdReadStatus:
      ok = Access(t.status, request, answer, false);
      break;
    case kCmdReadLedTable:
      ok = Access(t.ledTable, request, answer, false);
      break;
    case kCmdHostLighting:
      t.hostLighting = true;
      break;
    default:
      // Not a keyboard command (the recoil upload, the link query on the cable, ...).
      (*answer)[7] = kStatusError;
      return;
  }
  if (!ok) (*answer)[7] = kStatusRejected;
}

void KeyboardFirmware::AddPort(SimKeyboard* port) {
  std::lock_guard<std::mutex> hold(portsLock_);
  ports_.push_back(port);
}

void KeyboardFirmware::RemovePort(SimKeyboard* port) {
  std::lock_guard<std::mutex> hold(portsLock_);
  ports_.erase(std::remove(ports_.begin(), ports_.end(), port), ports_.end());
}

void KeyboardFirmware::Notify(uint16_t code) {
  std::lock_guard<std::mutex> hold(portsLock_);
  for (SimKeyboard* port : ports_) {
    if (port->Path() == SimPath::kReceiver && !inReach_) continue;
    port->SendNotification(code);
  }
}

void KeyboardFirmware::PressKey(uint8_t position) {
  Notify(KeyDownCode(position));
}

void KeyboardFirmware::ReleaseKey(uint8_t position) {
  Notify(KeyUpCode(position));
}

void KeyboardFirmware::SelectSlot(uint8_t slot) {
  Edit([slot](KeyboardTables& t) { t.settings[0] = slot & 0x0F; });
  Notify(SlotChangedCode(slot));
}

void KeyboardFirmware::SelectSlot(uint8_t slot, uint8_t second) {
  Edit([slot](KeyboardTables& t) { t.settings[0] = slot & 0x0F; });
  Notify(SlotChangedCode(slot, second));
}

void KeyboardFirmware::RequestReread(bool resetProfile) {
  Notify(resetProfile ? kNotifyResetReread : kNotifyReread);
}

}  // namespace qv::sim

namespace qv::sim {

std::optional<uint8_t> KeyboardTables::PositionOfLogicalKey(int logicalKey) const {
  if (logicalKey < 0 || static_cast<size_t>(logicalKey) >= kLogicalKeyTableSize)
    return std::nullopt;
  const KeyFunction f = LogicalKeyTable()[static_cast<size_t>(logicalKey)];
  for (size_t p = 0; p < KeyPositions() && 3 * p + 2 < keyMap.size(); ++p) {
    if (keyMap[3 * p] == f.kind && keyMap[3 * p + 1] == f.first && keyMap[3 * p + 2] == f.second) {
      return static_cast<uint8_t>(p);
    }
  }
  return std::nullopt;
}

std::vector<uint8_t> KeyboardTables::ActiveRecord() const {
  const size_t at = kSettingsSlotStride * (settings.empty() ? 0 : settings[0]);
  if (at + kSettingsRecordSize > settings.size()) return {};
  return {settings.begin() + static_cast<ptrdiff_t>(at),
          settings.begin() + static_cast<ptrdiff_t>(at + kSettingsRecordSize)};
}

int KeyboardTables::StoredMacroCount() const {
  if (macros.size() < 16 || macros[0] != 0xAA || macros[1] != 0x55) return -1;
  return macros[4] | (macros[5] << 8);
}

bool KeyboardFirmware::PressLogicalKey(int logicalKey) {
  const std::optional<uint8_t> p = Tables().PositionOfLogicalKey(logicalKey);
  if (p) PressKey(*p);
  return p.has_value();
}

bool KeyboardFirmware::ReleaseLogicalKey(int logicalKey) {
  const std::optional<uint8_t> p = Tables().PositionOfLogicalKey(logicalKey);
  if (p) ReleaseKey(*p);
  return p.has_value();
}

}  // namespace qv::sim
