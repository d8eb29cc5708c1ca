// The scan half of device discovery: lists the HID interfaces while a catalogue row is free,
// claims rows for the supported ones, notices when a claimed interface is gone, and tells the
// main window, waiting for each arrival and removal to be handled before it goes on.
//
// `RunPass` is one pass of the scan loop (enumerate-and-claim when a row is free, then presence
// checks). `RunLoop` runs passes on the scan thread: where the backend announces interfaces
// coming and going (udev on hidraw, the simulator), a pass runs as soon as one does, plus a slow
// safety pass in case a notice was missed; elsewhere it polls every 100 ms. The scanner owns
// the run-time interface table and is its only writer; the interface thread reads rows only
// while it handles a message that the scanner sent, since the scanner waits for that handling.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/message_sink.h"
#include "transport/catalogue.h"
#include "transport/hid_channel.h"

namespace qv {

class StopEvent;

inline constexpr uint32_t UWM_DEVICE_ARRIVED = 0x0C12;
inline constexpr uint32_t UWM_DEVICE_REMOVED = 0x0C13;
inline constexpr uint32_t UWM_DEVICE_LINK = 0x0D03;

struct ScanTiming {
  // Between passes when the backend cannot announce changes.
  std::chrono::milliseconds pollPeriod{100};
  // Between passes when nothing was announced.
  std::chrono::milliseconds safetyPeriod{5000};
};

class DeviceScanner {
 public:
  enum class PassResult { kDone, kEnumerationFailed };

  // sink: the main window (not owned). instanceMessage: the identifier of the "QV5307"
  // registered message, posted (wParam 0, lParam 0) after the first pass.
  DeviceScanner(HidBackend* backend, MessageSink* sink, uint32_t instanceMessage);

  PassResult RunPass();
  // Runs passes until `stop` is set (true) or an enumeration fails (false): no further hot-plug
  // is seen in this run then.
  bool RunLoop(const StopEvent& stop, const ScanTiming& timing = {});
  const RuntimeInterfaceTable& Table() const { return table_; }
  bool FirstPassDone() const { return firstPassDone_; }

 private:
  bool AnyRowFree() const;
  // Claims a row for the interface at `path` when it is one of ours; -1 otherwise.
  int Probe(const std::string& path);

  HidBackend* backend_;
  MessageSink* sink_;
  uint32_t instanceMessage_;
  HidChannel probe_;
  RuntimeInterfaceTable table_;
  bool firstPassDone_ = false;
};

}  // namespace qv
