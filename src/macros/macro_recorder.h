// MacroRecorder: turns recorded key and mouse events into rows of the working list, in one of
// four kinds (append, insert before the selected row, insert after it, replace its key or
// button) and one of three timing modes (1 the measured gaps, 2 the fixed delay, 3 no gaps).
// Each event's delay is the gap to the event after it, so a new row sets the delay of the row
// above it.
//
// The clock is the program's millisecond tick; tests drive it. The repeat memory of each of the
// four key recorders and the duplicate memory of each of the four mouse recorders last as long
// as the recorder.
//
// Used on the interface thread only; nothing here throws.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "macros/macro_action_list.h"
#include "platform/input_capture.h"

namespace qv {

enum class RecordKind { kAppend = 0, kInsertBefore = 1, kInsertAfter = 2, kReplace = 3 };

// The hook mode of a kind (4, 8, 16, 32) and back.
int HookModeOf(RecordKind kind);
std::optional<RecordKind> RecordKindOfHookMode(int mode);

inline constexpr int kTimingMeasured = 1;
inline constexpr int kTimingFixed = 2;
inline constexpr int kTimingNone = 3;

struct ScreenRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  bool Contains(int32_t px, int32_t py) const {
    return px >= x && py >= y && px < x + width && py < y + height;
  }
};

// What one event did to the list; the panel scrolls to the selected row after a change.
struct RecordResult {
  bool changed = false;  // a row was added, inserted or replaced (a bare row counts)
  bool bare = false;     // the list was full: a bare row was appended
};

class MacroRecorder {
 public:
  using Clock = std::function<uint64_t()>;
  explicit MacroRecorder(Clock clock);

  // Starts recording in `timingMode`. For the fixed mode `fixedDelayText` is the fixed-delay
  // field's text, read as an unsigned decimal number; when that differs from the stored delay it
  // is brought into 10..65535 and stored, and the corrected text is returned for the field.
  std::optional<std::string> Start(int timingMode, RecordKind kind,
                                   std::string_view fixedDelayText = {});
  void Stop();
  bool Recording() const { return recording_; }
  RecordKind Kind() const { return kind_; }
  int TimingMode() const { return timingMode_; }
  uint16_t FixedDelay() const { return fixedDelay_; }

  // The stop button's screen rectangle: clicks inside it are not recorded.
  void SetStopButton(const ScreenRect& rect) { stopButton_ = rect; }

  // One key or mouse event for the recorder of `kind` (the one the hook message names).
  RecordResult OnKey(MacroActionList& list, RecordKind kind, const KeyInput& key);
  RecordResult OnMouse(MacroActionList& list, RecordKind kind, const MouseInput& mouse);

 private:
  struct KeyMemory {
    bool set = false;
    uint8_t scanCode = 0;
    bool extended = false;
  };
  RecordResult Place(MacroActionList& list, RecordKind kind, MacroEvent event);
  RecordResult Replace(MacroActionList& list, const MacroEvent& event);
  uint16_t Gap();

  Clock clock_;
  bool recording_ = false;
  RecordKind kind_ = RecordKind::kAppend;
  int timingMode_ = kTimingMeasured;
  uint16_t fixedDelay_ = 50;
  uint64_t lastEvent_ = 0;
  ScreenRect stopButton_;
  std::array<KeyMemory, 4> keyMemory_{};
  std::array<uint16_t, 4> mouseMemory_{};  // 0: none
};

}  // namespace qv
