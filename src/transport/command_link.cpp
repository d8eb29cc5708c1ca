#include "transport/command_link.h"

namespace qv {

void CommandLink::SetMode(int mode) {
  if (mode == kModeWireless) {
    WirelessMode = true;
    ChunkSize = kWirelessChunkSize;
  } else {
    WirelessMode = false;
    ChunkSize = kWiredChunkSize;
  }
}

bool CommandLink::SetDataSize(unsigned n) {
  if (n > kMaxDataSize) return false;
  DataSize = static_cast<uint16_t>(n);
  return true;
}

}  // namespace qv
