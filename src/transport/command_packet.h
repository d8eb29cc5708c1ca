// The 64-byte command report that every vendor device exchanges with the host, as pure
// functions over bytes: the packet layout, its checksum, building a request, cutting a data
// block into chunks, mapping the answer's status byte, and the two-line hex form of the traces.
//
// Layout (both directions): 0 report id (0x04), 1-2 checksum little-endian (sum of bytes 3..63,
// 16 bits), 3 command id (the answer echoes it; a receiver answers 0xAA when the device is out of
// reach), 4 chunk length or parameter, 5-6 offset little-endian, 7 status in answers (0xFF and
// 0xFE are errors), 8..63 data.
//
// No I/O and no state: callable from any thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "transport/command_link.h"

namespace qv {

inline constexpr size_t kPacketSize = 64;
inline constexpr size_t kPacketHeaderSize = 8;
inline constexpr size_t kPacketDataSize = kPacketSize - kPacketHeaderSize;  // 56
inline constexpr uint8_t kCommandReport = 0x04;
inline constexpr uint8_t kStatusError = 0xFF;
inline constexpr uint8_t kStatusRejected = 0xFE;
// Command id of a receiver's answer when it cannot reach the device, and of the link query.
inline constexpr uint8_t kUnreachableId = 0xAA;
// Byte 8 of a link query's answer when the device is linked.
inline constexpr uint8_t kLinkedMark = 0xFF;
// Bank stride of the colour banks and the key map pages.
inline constexpr uint16_t kBankStride = 512;

enum CommandId : uint8_t {
  kCmdBeginUpdate = 0x01,
  kCmdEndUpdate = 0x02,
  kCmdReadDeviceInfo = 0x03,
  kCmdReadSettings = 0x05,
  kCmdWriteSettings = 0x06,
  kCmdReadKeyMap = 0x07,
  kCmdWriteKeyMap = 0x09,
  kCmdReadColorBank = 0x0A,
  kCmdWriteColorBank = 0x0B,
  kCmdStreamColors = 0x12,
  kCmdWriteMacros = 0x15,
  kCmdWriteRecoilData = 0x17,
  kCmdReadStatus = 0x1A,
  kCmdReadLedTable = 0x1B,
  kCmdHostLighting = 0x1C,
  kCmdQueryLink = 0xAA,
};

inline constexpr size_t kDeviceInfoSize = 34;

// One report. Accessors read the fields of the layout above.
struct CommandPacket {
  std::array<uint8_t, kPacketSize> bytes{};

  uint8_t* data() { return bytes.data(); }
  const uint8_t* data() const { return bytes.data(); }
  uint8_t& operator[](size_t i) { return bytes[i]; }
  uint8_t operator[](size_t i) const { return bytes[i]; }

  uint8_t ReportId() const { return bytes[0]; }
  uint16_t Checksum() const { return static_cast<uint16_t>(bytes[1] | (bytes[2] << 8)); }
  uint8_t Command() const { return bytes[3]; }
  uint8_t Length() const { return bytes[4]; }
  uint16_t Offset() const { return static_cast<uint16_t>(bytes[5] | (bytes[6] << 8)); }
  uint8_t Status() const { return bytes[7]; }
  const uint8_t* Payload() const { return bytes.data() + kPacketHeaderSize; }
  uint8_t* Payload() { return bytes.data() + kPacketHeaderSize; }

  bool operator==(const CommandPacket&) const = default;
};

// Sum of bytes 3..63 as unsigned bytes, kept to 16 bits.
uint16_t PacketChecksum(const uint8_t* packet);
// Stores the checksum of bytes 3..63 in bytes 1 and 2.
void SealPacket(CommandPacket* packet);
bool ChecksumMatches(const CommandPacket& packet);

// A request of any length as a 64-byte packet: shorter ones padded with zeros, longer ones cut.
// Bytes are copied as they are; the checksum is not touched.
CommandPacket PadRequest(const uint8_t* request, size_t length);
// As PadRequest, then sealed: the checksum covers the padding (which adds nothing).
CommandPacket MakeRequest(const uint8_t* request, size_t length);

// A sealed request: report id 0x04, the command id, bytes 4..6, and up to 56 data bytes.
CommandPacket BuildRequest(uint8_t command, uint8_t param, uint16_t offset,
                           const uint8_t* data = nullptr, size_t size = 0);

// One chunk of a block: `length` bytes from `start` within the block.
struct Chunk {
  size_t start = 0;
  uint8_t length = 0;
  bool operator==(const Chunk&) const = default;
};
// Cuts a block of `total` bytes into chunks of at most `chunkSize` (1..56) bytes; the last one
// carries the remainder. An empty block has no chunks.
std::vector<Chunk> PlanChunks(size_t total, size_t chunkSize);

// The status byte of an answer applied to a transaction's result: 0xFF gives -102 and 0xFE
// gives -103, and only a successful transaction (1) is changed.
TransactionResult MapStatus(TransactionResult result, const uint8_t* answer);

// The packet as two lines of 32 bytes in groups of four ("xx xx xx xx   xx ..."), no newline.
std::array<std::string, 2> FormatPacketLines(const uint8_t* packet);

}  // namespace qv
