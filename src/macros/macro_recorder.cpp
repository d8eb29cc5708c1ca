#include "macros/macro_recorder.h"

#include <cstddef>
#include <utility>

#include "keys/key_code_tables.h"
#include "macros/macro_actions.h"
#include "macros/scan_code_table.h"

namespace qv {

namespace {

// The fixed-delay field as an unsigned decimal number: leading blanks skipped, the digits up to
// the first other character; no digits read as 0. Anything past the delay range reads as one
// value past it, which is enough to clamp and cannot overflow.
uint64_t ParseUnsigned(std::string_view text) {
  constexpr uint64_t kPastRange = uint64_t{kMaxMacroDelay} + 1;
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    if (value > kPastRange) value = kPastRange;
  }
  return value;
}

size_t MemoryOf(RecordKind kind) {
  return static_cast<size_t>(kind);
}

// Rows 0..5 by message; the extra buttons by message and extra-button word.
std::optional<size_t> MouseRowOf(const MouseInput& mouse) {
  const auto& table = MouseActionTable();
  for (size_t row = 0; row < 6; ++row) {
    if (table[row].message == mouse.message) return row;
  }
  if (mouse.message != kMsgExtraDown && mouse.message != kMsgExtraUp) return std::nullopt;
  const size_t up = mouse.message == kMsgExtraUp ? 1 : 0;
  if (mouse.extraButton == kExtraForward) return 6 + up;
  if (mouse.extraButton == kExtraBack) return 8 + up;
  return std::nullopt;
}

}  // namespace

int HookModeOf(RecordKind kind) {
  switch (kind) {
    case RecordKind::kAppend:
      return kHookAppend;
    case RecordKind::kInsertBefore:
      return kHookInsertBefore;
    case RecordKind::kInsertAfter:
      return kHookInsertAfter;
    case RecordKind::kReplace:
      return kHookReplace;
  }
  return kHookAppend;
}

std::optional<RecordKind> RecordKindOfHookMode(int mode) {
  switch (mode) {
    case kHookAppend:
      return RecordKind::kAppend;
    case kHookInsertBefore:
      return RecordKind::kInsertBefore;
    case kHookInsertAfter:
      return RecordKind::kInsertAfter;
    case kHookReplace:
      return RecordKind::kReplace;
    default:
      return std::nullopt;
  }
}

MacroRecorder::MacroRecorder(Clock clock) : clock_(std::move(clock)) {}

std::optional<std::string> MacroRecorder::Start(int timingMode, RecordKind kind,
                                                std::string_view fixedDelayText) {
  timingMode_ = timingMode;
  kind_ = kind;
  lastEvent_ = clock_();
  recording_ = true;
  if (timingMode != kTimingFixed) return std::nullopt;
  const uint64_t typed = ParseUnsigned(fixedDelayText);
  if (typed == fixedDelay_) return std::nullopt;
  fixedDelay_ = ClampFixedDelay(typed);
  return DelayText(fixedDelay_);
}

void MacroRecorder::Stop() {
  recording_ = false;
}

RecordResult MacroRecorder::OnKey(MacroActionList& list, RecordKind kind, const KeyInput& key) {
  if (!recording_) return {};
  KeyMemory& memory = keyMemory_[MemoryOf(kind)];
  const bool remembered =
      memory.set && memory.scanCode == key.scanCode && memory.extended == key.extended;
  if (key.Down()) {
    if (remembered) return {};  // auto-repeat
    memory = {true, key.scanCode, key.extended};
  } else if (remembered) {
    memory = {};
  }

  const std::optional<size_t> row = ScanCodeRowOf(key.scanCode, key.extended);
  if (!row) return {};
  const KeyFunction& function = KeyCodeTable()[*row].function;
  MacroEvent event;
  event.down = key.Down();
  if (function.second != 0) {
    event.type = kMacroKey;
    event.button = function.second;
  } else if (function.first != 0) {
    event.type = kMacroModifier;
    event.button = function.first;
  } else {
    return {};
  }
  return kind == RecordKind::kReplace ? Replace(list, event) : Place(list, kind, event);
}

RecordResult MacroRecorder::OnMouse(MacroActionList& list, RecordKind kind,
                                    const MouseInput& mouse) {
  if (!recording_) return {};
  const std::optional<size_t> row = MouseRowOf(mouse);
  if (!row) return {};
  const std::optional<MacroEvent> event = MouseActionEvent(*row, 0);
  if (!event) return {};

  // A second press of the other extra button before the first one's release is dropped here.
  uint16_t& last = mouseMemory_[MemoryOf(kind)];
  if (mouse.message == last) return {};
  last = mouse.message;

  // The click that ends the recording.
  if ((mouse.message == kMsgLeftDown || mouse.message == kMsgLeftUp) &&
      stopButton_.Contains(mouse.x, mouse.y)) {
    return {};
  }
  return kind == RecordKind::kReplace ? Replace(list, *event) : Place(list, kind, *event);
}

uint16_t MacroRecorder::Gap() {
  if (timingMode_ == kTimingFixed) return fixedDelay_;
  if (timingMode_ != kTimingMeasured) return 0;
  const uint64_t now = clock_();
  const uint64_t gap = now > lastEvent_ ? now - lastEvent_ : 0;
  lastEvent_ = now;
  return gap > kMaxMacroDelay ? kMaxMacroDelay : static_cast<uint16_t>(gap);
}

RecordResult MacroRecorder::Place(MacroActionList& list, RecordKind kind, MacroEvent event) {
  if (list.Full()) {
    list.AppendBare();
    return {true, true};
  }
  const int selected = list.Selected();
  size_t index = list.Size();
  if (kind != RecordKind::kAppend) {
    if (selected < 0) return {};
    index = static_cast<size_t>(selected) + (kind == RecordKind::kInsertAfter ? 1 : 0);
  }

  const uint16_t gap = Gap();
  if (index == 0) {
    event.delay = 0;
  } else {
    event.delay = timingMode_ == kTimingFixed ? fixedDelay_ : 0;
    // Each delay is the wait after its event, so the gap belongs to the row above.
    const MacroActionRow& above = list.Row(index - 1);
    if (above.event) {
      MacroEvent updated = *above.event;
      updated.delay = gap;
      list.Update(index - 1, updated);
    }
  }

  list.Insert(index, {event});
  switch (kind) {
    case RecordKind::kAppend:
      list.Select(static_cast<int>(list.Size() - 1));
      break;
    case RecordKind::kInsertBefore:
      // Further events keep going in front of the row the user picked.
      list.Select(static_cast<int>(index + 1));
      break;
    case RecordKind::kInsertAfter:
    case RecordKind::kReplace:
      list.Select(static_cast<int>(index));
      break;
  }
  return {true, false};
}

RecordResult MacroRecorder::Replace(MacroActionList& list, const MacroEvent& event) {
  if (list.Full()) {
    list.AppendBare();
    return {true, true};
  }
  const int selected = list.Selected();
  if (selected < 0) return {};
  const MacroActionRow& row = list.Row(static_cast<size_t>(selected));
  // A bare row has no direction or delay to keep.
  if (!row.event) return {};
  MacroEvent replaced = *row.event;
  replaced.type = event.type;
  replaced.button = event.button;
  list.Update(static_cast<size_t>(selected), replaced);
  return {true, false};
}

}  // namespace qv
