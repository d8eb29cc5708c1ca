// MacroActionList: the working copy of the selected macro's events, one row per action row of
// the macro panel's action list, with the list's selection. A bare row (no event) is what a
// recording or an insert adds past kMaxMacroEvents rows; the next save trims it away.
//
// Every change is logged (TakeChanges), so that the panel updates only the rows that changed.
// Used on the interface thread only; nothing here throws.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "macros/macro_image.h"

namespace qv {

struct MacroActionRow {
  std::optional<MacroEvent> event;  // none: a bare row
  bool operator==(const MacroActionRow&) const = default;
};

struct MacroListChange {
  enum class Kind { kReset, kInserted, kRemoved, kUpdated, kSelected } kind = Kind::kReset;
  size_t index = 0;  // the row (kInserted, kRemoved, kUpdated)
  bool operator==(const MacroListChange&) const = default;
};

class MacroActionList {
 public:
  // Replaces every row; nothing selected.
  void Load(const std::vector<MacroEvent>& events);
  void Clear();

  size_t Size() const { return rows_.size(); }
  const std::vector<MacroActionRow>& Rows() const { return rows_; }
  const MacroActionRow& Row(size_t index) const { return rows_[index]; }
  bool Full() const { return rows_.size() >= kMaxMacroEvents; }

  // -1: nothing selected.
  int Selected() const { return selected_; }
  // Anything outside the list clears the selection.
  void Select(int index);

  // `index` is clamped to Size().
  void Insert(size_t index, MacroActionRow row);
  void AppendBare() { Insert(rows_.size(), {}); }
  void Update(size_t index, const MacroEvent& event);
  void Remove(size_t index);

  // The selected row up, down, to the top, to the bottom; the selection follows it. False
  // (nothing changed) without a selection or at the list's end.
  bool MoveUp();
  bool MoveDown();
  bool MoveToTop();
  bool MoveToBottom();
  // Removes the selected row; the row now at its place (or the new last row) is selected.
  bool RemoveSelected();

  // Inserting a mouse action or pointer move from the panel: a bare row when the list is full;
  // otherwise at s + 1, s being the selected row or 0 when nothing is selected (row 0 of an
  // empty list), after which row s + 1 is selected when there is one (so nothing after the
  // first insert into an empty list).
  void InsertAfterSelection(const MacroEvent& event);

  // The events to save: at most kMaxMacroEvents rows, bare rows left out. `trimmed` is set when
  // the list held more rows; the rows past the limit are then removed from the list.
  std::vector<MacroEvent> TakeEventsForSave(bool* trimmed);
  std::vector<MacroEvent> Events() const;

  // The changes since the last call, oldest first; a kReset makes the ones before it moot.
  std::vector<MacroListChange> TakeChanges();

 private:
  void Log(MacroListChange change);
  bool MoveTo(size_t to);

  std::vector<MacroActionRow> rows_;
  int selected_ = -1;
  std::vector<MacroListChange> changes_;
};

}  // namespace qv
