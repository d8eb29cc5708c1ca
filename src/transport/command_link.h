// A device's command link: the two channels through which one device can be reached (its cable
// and its 2.4 GHz receiver), the mode that picks one, and the locks and sizes of the command
// protocol.
//
// Locks, where two are held: `CommandLock` or `LightLock` first, `TransferLock` inside.
// `ReceiverLock` is used only by a notification link around opening and closing its receiver.
// Flags are atomic so that any thread may read them; `SetMode` and `SetDataSize` may be called
// from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "transport/hid_channel.h"

namespace qv {

inline constexpr uint16_t kMaxDataSize = 512;
inline constexpr int kModeWired = 1;
inline constexpr int kModeWireless = 2;
inline constexpr uint8_t kWiredChunkSize = 56;
inline constexpr uint8_t kWirelessChunkSize = 24;

class CommandLink {
 public:
  // backend: not owned; null uses the default backend.
  explicit CommandLink(HidBackend* backend = nullptr) : Wired(backend), Receiver(backend) {}
  CommandLink(const CommandLink&) = delete;
  CommandLink& operator=(const CommandLink&) = delete;

  // Mode 2 uses the receiver with chunks of 24 bytes; any other mode the cable with 56.
  void SetMode(int mode);
  // Refuses (false, size unchanged) a size above 512.
  bool SetDataSize(unsigned n);

  // The channel that transactions use in the current mode.
  HidChannel& Active() { return WirelessMode ? Receiver : Wired; }

  std::atomic<uint16_t> DataSize{kMaxDataSize};
  std::atomic<bool> Busy{false};
  std::atomic<bool> Open{false};
  HidChannel Wired;
  HidChannel Receiver;
  std::mutex TransferLock;
  std::mutex CommandLock;
  std::mutex LightLock;
  std::mutex ReceiverLock;
  std::atomic<bool> WirelessMode{false};
  std::atomic<uint8_t> ChunkSize{kWirelessChunkSize};
};

}  // namespace qv
