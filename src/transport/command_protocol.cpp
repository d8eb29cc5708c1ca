// The command protocol of `CommandLink`: the transaction, the colour stream's short exchange and
// every command operation. The packet codec is in command_packet.cpp.
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/trace.h"
#include "transport/command_link.h"
#include "transport/command_packet.h"

namespace qv {

namespace {

constexpr int kReadsPerTransaction = 2;
constexpr auto kEndUpdatePause = std::chrono::milliseconds(10);
// Offsets travel in 16 bits; a block that would run past them is refused rather than wrapped.
constexpr uint32_t kOffsetLimit = 0x10000;

void TracePacket(const char* label, const uint8_t* packet) {
  TraceText(label);
  for (const std::string& line : FormatPacketLines(packet)) TraceText(line);
}

}  // namespace

void CommandLink::EnterBusy() {
  std::lock_guard<std::mutex> hold(busyLock_);
  ++running_;
  Busy = true;
}

void CommandLink::LeaveBusy() {
  std::lock_guard<std::mutex> hold(busyLock_);
  if (--running_ == 0) Busy = false;
}

std::mutex* CommandLink::LockFor(Lock lock) {
  switch (lock) {
    case Lock::kCommand:
      return &CommandLock;
    case Lock::kLight:
      return &LightLock;
    case Lock::kNone:
      break;
  }
  return nullptr;
}

TransactionResult CommandLink::Exchange(const uint8_t* request, size_t requestLength,
                                        uint8_t* response, size_t responseLength) {
  EnterBusy();
  struct BusyScope {
    CommandLink* link;
    ~BusyScope() { link->LeaveBusy(); }
  } busy{this};

  if (!Open) return kResultNoAnswer;
  const CommandPacket packet = PadRequest(request, requestLength);
  TracePacket("命令", packet.data());

  const bool wireless = WirelessMode;
  HidChannel& channel = wireless ? Receiver : Wired;
  const int limit = wireless ? ReceiverLimitMs.load() : WiredLimitMs.load();
  CommandPacket answer;
  TransactionResult result = kResultNoAnswer;
  {
    // Held from the write to the last read: answers come back in one queue, so a transaction
    // of another thread (a colour bank command beside a key map write) reading in between
    // would take this one's answer and leave both failed.
    std::lock_guard<std::mutex> hold(TransferLock);
    if (!channel.Write(packet.data(), kPacketSize, nullptr, limit)) {
      Trace("command 0x%02x: write failed", packet.Command());
      return kResultWriteFailed;
    }
    for (int read = 0; read < kReadsPerTransaction; ++read) {
      answer = CommandPacket{};
      if (!channel.Read(answer.data(), kPacketSize, nullptr, limit)) {
        result = kResultNoAnswer;
        continue;
      }
      if (answer.Command() == packet.Command()) {
        result = kResultSuccess;
        break;
      }
      if (wireless && answer.Command() == kUnreachableId) {
        result = kResultUnreachable;
        break;
      }
      // Another command's answer (a late one after an earlier timeout): not ours, and its data
      // must not be taken for ours; the second read looks for the right one.
      result = kResultNoAnswer;
    }
  }
  TracePacket("返回", answer.data());
  if (response) {
    std::fill_n(response, responseLength, 0);
    std::copy_n(answer.data(), std::min(responseLength, kPacketSize), response);
  }
  return result;
}

TransactionResult CommandLink::ExchangeNoWait(const uint8_t* request, size_t requestLength,
                                              uint8_t* response, size_t responseLength) {
  if (!Open) return kResultNoAnswer;
  const CommandPacket packet = PadRequest(request, requestLength);
  const int limit = WiredLimitMs;
  CommandPacket answer;
  bool arrived;
  {
    std::lock_guard<std::mutex> hold(TransferLock);
    if (!Wired.Write(packet.data(), kPacketSize, nullptr, limit)) return kResultWriteFailed;
    arrived = Wired.Read(answer.data(), kPacketSize, nullptr, limit);
  }
  if (response) {
    std::fill_n(response, responseLength, 0);
    std::copy_n(answer.data(), std::min(responseLength, kPacketSize), response);
  }
  return arrived ? kResultSuccess : kResultNoAnswer;
}

TransactionResult CommandLink::Simple(uint8_t command, Lock lock, uint8_t param, uint16_t offset,
                                      uint8_t* answer) {
  const CommandPacket request = BuildRequest(command, param, offset);
  CommandPacket reply;
  std::unique_lock<std::mutex> guard;
  if (std::mutex* m = LockFor(lock)) guard = std::unique_lock<std::mutex>(*m);
  TransactionResult r = Exchange(request.data(), kPacketSize, reply.data(), kPacketSize);
  guard = {};
  r = MapStatus(r, reply.data());
  if (answer) std::copy(reply.bytes.begin(), reply.bytes.end(), answer);
  return r;
}

TransactionResult CommandLink::Chunked(uint8_t command, Lock lock, uint32_t base, uint8_t* in,
                                       const uint8_t* out, size_t total, size_t chunkSize) {
  if (total == 0) return kResultSuccess;
  if ((in == nullptr && out == nullptr) || base + total > kOffsetLimit) {
    Trace("command 0x%02x: block of %zu bytes at %u refused", command, total,
          static_cast<unsigned>(base));
    return kResultNoAnswer;
  }
  const std::vector<Chunk> chunks = PlanChunks(total, chunkSize);
  std::unique_lock<std::mutex> guard;
  if (std::mutex* m = LockFor(lock)) guard = std::unique_lock<std::mutex>(*m);
  for (const Chunk& chunk : chunks) {
    const uint8_t* data = out ? out + chunk.start : nullptr;
    const CommandPacket request =
        BuildRequest(command, chunk.length, static_cast<uint16_t>(base + chunk.start), data,
                     data ? chunk.length : 0);
    CommandPacket reply;
    TransactionResult r =
        MapStatus(Exchange(request.data(), kPacketSize, reply.data(), kPacketSize), reply.data());
    if (r != kResultSuccess) return r;
    if (in) std::copy_n(reply.Payload(), chunk.length, in + chunk.start);
  }
  return kResultSuccess;
}

TransactionResult CommandLink::BeginUpdate() {
  return Simple(kCmdBeginUpdate, Lock::kCommand, 0, 0, nullptr);
}

TransactionResult CommandLink::EndUpdate() {
  // Gives the device time to finish storing what the sequence wrote.
  std::this_thread::sleep_for(kEndUpdatePause);
  return Simple(kCmdEndUpdate, Lock::kCommand, 0, 0, nullptr);
}

TransactionResult CommandLink::ReadDeviceInfo(uint8_t* out, size_t n) {
  return Chunked(kCmdReadDeviceInfo, Lock::kCommand, 0, out, nullptr, n, ChunkSize);
}

TransactionResult CommandLink::ReadSettings(uint16_t base, uint8_t* out, size_t n) {
  return Chunked(kCmdReadSettings, Lock::kCommand, base, out, nullptr, n, ChunkSize);
}

TransactionResult CommandLink::WriteSettings(uint16_t base, const uint8_t* data, size_t n) {
  return Chunked(kCmdWriteSettings, Lock::kCommand, base, nullptr, data, n, ChunkSize);
}

TransactionResult CommandLink::ReadKeyMap(uint8_t* out) {
  return Chunked(kCmdReadKeyMap, Lock::kCommand, 0, out, nullptr, DataSize, ChunkSize);
}

TransactionResult CommandLink::WriteKeyMap(int page, const uint8_t* data) {
  if (page != 0) return kResultBadPage;
  // Byte 5 is the offset's low byte and byte 6 the high byte of page × 512 + offset, which
  // for page 0 is the plain little-endian offset.
  return Chunked(kCmdWriteKeyMap, Lock::kCommand, 0, nullptr, data, DataSize, ChunkSize);
}

TransactionResult CommandLink::ReadColorBank(int bank, uint8_t* out, size_t n) {
  if (bank < 0) return kResultNoAnswer;
  return Chunked(kCmdReadColorBank, Lock::kLight, static_cast<uint32_t>(bank) * kBankStride, out,
                 nullptr, n, ChunkSize);
}

TransactionResult CommandLink::WriteColorBank(int bank, const uint8_t* data, size_t n) {
  if (bank < 0) return kResultNoAnswer;
  return Chunked(kCmdWriteColorBank, Lock::kLight, static_cast<uint32_t>(bank) * kBankStride,
                 nullptr, data, n, ChunkSize);
}

TransactionResult CommandLink::StreamColors(const uint8_t* data, size_t n) {
  // Frames are never sent through the receiver: too slow for a frame every few milliseconds.
  if (WirelessMode) return kResultSuccess;
  if (n > 0 && data == nullptr) return kResultNoAnswer;
  const std::vector<Chunk> chunks = PlanChunks(n, ChunkSize);
  std::lock_guard<std::mutex> hold(LightLock);
  for (const Chunk& chunk : chunks) {
    if (Busy) {
      // A command is running: the next frame will do, queueing behind it would only lag.
      TraceText("放弃灯光数据");
      continue;
    }
    const CommandPacket request =
        BuildRequest(kCmdStreamColors, chunk.length, static_cast<uint16_t>(chunk.start),
                     data + chunk.start, chunk.length);
    CommandPacket reply;
    TransactionResult r = MapStatus(
        ExchangeNoWait(request.data(), kPacketSize, reply.data(), kPacketSize), reply.data());
    if (r != kResultSuccess) return r;
  }
  return kResultSuccess;
}

TransactionResult CommandLink::WriteMacros(const uint8_t* data, size_t n) {
  return Chunked(kCmdWriteMacros, Lock::kCommand, 0, nullptr, data, n, ChunkSize);
}

TransactionResult CommandLink::WriteRecoilData(const uint8_t* data, size_t n) {
  return Chunked(kCmdWriteRecoilData, Lock::kNone, 0, nullptr, data, n, kPacketDataSize);
}

TransactionResult CommandLink::ReadStatus(uint8_t base, uint8_t* out, size_t n) {
  n = std::min(n, kPacketDataSize);
  CommandPacket reply;
  TransactionResult r =
      Simple(kCmdReadStatus, Lock::kCommand, static_cast<uint8_t>(n), base, reply.data());
  if (r == kResultSuccess && out) std::copy_n(reply.Payload(), n, out);
  return r;
}

TransactionResult CommandLink::ReadLedTable(uint8_t* out) {
  return Chunked(kCmdReadLedTable, Lock::kCommand, 0, out, nullptr, DataSize / 3, ChunkSize);
}

TransactionResult CommandLink::HostLighting() {
  return Simple(kCmdHostLighting, Lock::kCommand, 0, 0, nullptr);
}

bool CommandLink::QueryLink() {
  if (!WirelessMode) return true;
  CommandPacket reply;
  TransactionResult r = Simple(kCmdQueryLink, Lock::kCommand, 0, 0, reply.data());
  return r == kResultSuccess && reply.Payload()[0] == kLinkedMark;
}

}  // namespace qv
