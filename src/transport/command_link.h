// A device's command link: the two channels through which one device can be reached (its cable
// and its 2.4 GHz receiver), the mode that picks one, and the locks and sizes of the command
// protocol.
//
// Locks, where two are held: `CommandLock` or `LightLock` first, `TransferLock` inside.
// `ReceiverLock` is used only by a notification link around opening and closing its receiver.
// Flags are atomic so that any thread may read them; `SetMode` and `SetDataSize` may be called
// from any thread.
//
// Commands (command_protocol.cpp) may be issued from any thread: `CommandLock` keeps the chunks
// of one command together, `LightLock` those of the colour bank commands and the colour stream,
// and `TransferLock` one transaction's write and its reads (so that no other transaction on the
// channel takes its answer). Every command returns a `TransactionResult` (codes
// below); nothing is thrown. Traces: "命令" and "返回" with the packet bytes of each transaction.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "transport/hid_channel.h"

namespace qv {

// The signed result of every device command.
using TransactionResult = int;
inline constexpr TransactionResult kResultSuccess = 1;
inline constexpr TransactionResult kResultNoAnswer = 0;  // link not open, or no answer in time
inline constexpr TransactionResult kResultWriteFailed = -1;
inline constexpr TransactionResult kResultUnreachable = -101;  // receiver answered 0xAA
inline constexpr TransactionResult kResultStatusFF = -102;
inline constexpr TransactionResult kResultStatusFE = -103;
inline constexpr TransactionResult kResultBadPage = -201;

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

  // The transaction: one 64-byte request (shorter ones are padded with zeros, longer ones cut),
  // then up to two reads for the echo of its command id. Status bytes are not mapped here.
  // 1: the answer to this request is in `response`; 0: not open, or no answer echoing the
  // command id arrived; -1: the write failed; -101: the receiver cannot reach the device.
  TransactionResult Exchange(const uint8_t* request, size_t requestLength, uint8_t* response,
                             size_t responseLength);
  // The colour stream's exchange: cable only, one read, no traces, `Busy` untouched.
  TransactionResult ExchangeNoWait(const uint8_t* request, size_t requestLength, uint8_t* response,
                                   size_t responseLength);

  // Commands. Reads copy the response data (bytes 8 onward) into `out`.
  TransactionResult BeginUpdate();
  TransactionResult EndUpdate();  // pauses 10 ms first
  TransactionResult ReadDeviceInfo(uint8_t* out, size_t n = 34);
  TransactionResult ReadSettings(uint16_t base, uint8_t* out, size_t n);
  TransactionResult WriteSettings(uint16_t base, const uint8_t* data, size_t n);
  TransactionResult ReadKeyMap(uint8_t* out);                    // DataSize bytes
  TransactionResult WriteKeyMap(int page, const uint8_t* data);  // DataSize bytes; page 0 only
  TransactionResult ReadColorBank(int bank, uint8_t* out, size_t n);
  TransactionResult WriteColorBank(int bank, const uint8_t* data, size_t n);
  TransactionResult StreamColors(const uint8_t* data, size_t n);
  TransactionResult WriteMacros(const uint8_t* data, size_t n);
  TransactionResult WriteRecoilData(const uint8_t* data, size_t n);
  TransactionResult ReadStatus(uint8_t base, uint8_t* out, size_t n);  // n at most 56
  TransactionResult ReadLedTable(uint8_t* out);                        // DataSize / 3 bytes
  TransactionResult HostLighting();
  // True when the device answers through the receiver; on the cable nothing is sent.
  bool QueryLink();

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
  // Time limit of each write and each read, per channel.
  std::atomic<int> WiredLimitMs{1000};
  std::atomic<int> ReceiverLimitMs{5000};

 private:
  enum class Lock { kNone, kCommand, kLight };
  std::mutex* LockFor(Lock lock);
  // One command of `total` bytes in chunks of `chunkSize`, each at `base` + its offset. Reads
  // copy each answer's data to `in`; writes send from `out`. The first failure ends it.
  TransactionResult Chunked(uint8_t command, Lock lock, uint32_t base, uint8_t* in,
                            const uint8_t* out, size_t total, size_t chunkSize);
  // One request with no data under `lock`, status mapped; `answer` (optional) gets the report.
  TransactionResult Simple(uint8_t command, Lock lock, uint8_t param, uint16_t offset,
                           uint8_t* answer);
  void EnterBusy();
  void LeaveBusy();

  // Transactions may run on several threads at once (command and colour bank commands take
  // different locks); `Busy` stays set until the last of them ends.
  std::mutex busyLock_;
  int running_ = 0;  // guarded by busyLock_
};

}  // namespace qv
