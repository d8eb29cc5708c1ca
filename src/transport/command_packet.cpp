#include "transport/command_packet.h"

#include <algorithm>
#include <cstdio>

namespace qv {

uint16_t PacketChecksum(const uint8_t* packet) {
  uint32_t sum = 0;
  for (size_t i = 3; i < kPacketSize; ++i) sum += packet[i];
  return static_cast<uint16_t>(sum & 0xFFFF);
}

void SealPacket(CommandPacket* packet) {
  uint16_t sum = PacketChecksum(packet->data());
  packet->bytes[1] = static_cast<uint8_t>(sum & 0xFF);
  packet->bytes[2] = static_cast<uint8_t>(sum >> 8);
}

bool ChecksumMatches(const CommandPacket& packet) {
  return packet.Checksum() == PacketChecksum(packet.data());
}

CommandPacket PadRequest(const uint8_t* request, size_t length) {
  CommandPacket packet;
  if (request) std::copy_n(request, std::min(length, kPacketSize), packet.bytes.begin());
  return packet;
}

CommandPacket MakeRequest(const uint8_t* request, size_t length) {
  CommandPacket packet = PadRequest(request, length);
  SealPacket(&packet);
  return packet;
}

CommandPacket BuildRequest(uint8_t command, uint8_t param, uint16_t offset, const uint8_t* data,
                           size_t size) {
  CommandPacket packet;
  packet[0] = kCommandReport;
  packet[3] = command;
  packet[4] = param;
  packet[5] = static_cast<uint8_t>(offset & 0xFF);
  packet[6] = static_cast<uint8_t>(offset >> 8);
  if (data) std::copy_n(data, std::min(size, kPacketDataSize), packet.Payload());
  SealPacket(&packet);
  return packet;
}

std::vector<Chunk> PlanChunks(size_t total, size_t chunkSize) {
  chunkSize = std::clamp<size_t>(chunkSize, 1, kPacketDataSize);
  std::vector<Chunk> chunks;
  chunks.reserve((total + chunkSize - 1) / chunkSize);
  for (size_t start = 0; start < total; start += chunkSize) {
    chunks.push_back({start, static_cast<uint8_t>(std::min(chunkSize, total - start))});
  }
  return chunks;
}

TransactionResult MapStatus(TransactionResult result, const uint8_t* answer) {
  if (result != kResultSuccess) return result;
  if (answer[7] == kStatusError) return kResultStatusFF;
  if (answer[7] == kStatusRejected) return kResultStatusFE;
  return result;
}

std::array<std::string, 2> FormatPacketLines(const uint8_t* packet) {
  std::array<std::string, 2> lines;
  for (size_t line = 0; line < 2; ++line) {
    std::string& out = lines[line];
    out.reserve(32 * 3 + 12);
    for (size_t i = 0; i < 32; ++i) {
      if (i > 0) {
        // Groups of four: three spaces between the first four groups, two after that.
        out += (i % 4 != 0) ? " " : (i <= 12 ? "   " : "  ");
      }
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", packet[line * 32 + i]);
      out += hex;
    }
  }
  return lines;
}

}  // namespace qv
