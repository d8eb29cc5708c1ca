#include "macros/macro_action_list.h"

#include <utility>

namespace qv {

void MacroActionList::Load(const std::vector<MacroEvent>& events) {
  rows_.clear();
  rows_.reserve(events.size());
  for (const MacroEvent& event : events) rows_.push_back({event});
  selected_ = -1;
  Log({MacroListChange::Kind::kReset, 0});
}

void MacroActionList::Clear() {
  Load({});
}

void MacroActionList::Select(int index) {
  const int next = index >= 0 && static_cast<size_t>(index) < rows_.size() ? index : -1;
  if (next == selected_) return;
  selected_ = next;
  Log({MacroListChange::Kind::kSelected, next < 0 ? 0 : static_cast<size_t>(next)});
}

void MacroActionList::Insert(size_t index, MacroActionRow row) {
  if (index > rows_.size()) index = rows_.size();
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(index), std::move(row));
  Log({MacroListChange::Kind::kInserted, index});
  // The selection stays on its row, as a list view keeps it.
  if (selected_ >= 0 && static_cast<size_t>(selected_) >= index) Select(selected_ + 1);
}

void MacroActionList::Update(size_t index, const MacroEvent& event) {
  if (index >= rows_.size()) return;
  rows_[index].event = event;
  Log({MacroListChange::Kind::kUpdated, index});
}

void MacroActionList::Remove(size_t index) {
  if (index >= rows_.size()) return;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  Log({MacroListChange::Kind::kRemoved, index});
  if (selected_ < 0) return;
  const size_t selected = static_cast<size_t>(selected_);
  if (selected == index) {
    selected_ = -1;
    Log({MacroListChange::Kind::kSelected, 0});
  } else if (selected > index) {
    Select(selected_ - 1);
  }
}

bool MacroActionList::MoveTo(size_t to) {
  if (selected_ < 0) return false;
  const size_t from = static_cast<size_t>(selected_);
  if (to == from || to >= rows_.size()) return false;
  // Taken out and put back, so that the panel rebuilds the row at its new place.
  MacroActionRow row = std::move(rows_[from]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(from));
  Log({MacroListChange::Kind::kRemoved, from});
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(to), std::move(row));
  Log({MacroListChange::Kind::kInserted, to});
  Select(static_cast<int>(to));
  return true;
}

bool MacroActionList::MoveUp() {
  return selected_ > 0 && MoveTo(static_cast<size_t>(selected_) - 1);
}

bool MacroActionList::MoveDown() {
  return selected_ >= 0 && MoveTo(static_cast<size_t>(selected_) + 1);
}

bool MacroActionList::MoveToTop() {
  return selected_ > 0 && MoveTo(0);
}

bool MacroActionList::MoveToBottom() {
  return !rows_.empty() && MoveTo(rows_.size() - 1);
}

bool MacroActionList::RemoveSelected() {
  if (selected_ < 0) return false;
  const size_t index = static_cast<size_t>(selected_);
  Remove(index);
  if (!rows_.empty()) Select(static_cast<int>(index < rows_.size() ? index : rows_.size() - 1));
  return true;
}

void MacroActionList::InsertAfterSelection(const MacroEvent& event) {
  if (Full()) {
    AppendBare();
    return;
  }
  const size_t s = selected_ < 0 ? 0 : static_cast<size_t>(selected_);
  const size_t index = rows_.empty() ? 0 : s + 1;
  Select(-1);
  Insert(index, {event});
  Select(static_cast<int>(s + 1));
}

std::vector<MacroEvent> MacroActionList::TakeEventsForSave(bool* trimmed) {
  const bool over = rows_.size() > kMaxMacroEvents;
  if (trimmed != nullptr) *trimmed = over;
  // From the end, so that every logged index is the row's index at the time of its removal.
  while (rows_.size() > kMaxMacroEvents) Remove(rows_.size() - 1);
  return Events();
}

std::vector<MacroEvent> MacroActionList::Events() const {
  std::vector<MacroEvent> events;
  events.reserve(rows_.size());
  for (const MacroActionRow& row : rows_) {
    if (row.event) events.push_back(*row.event);
  }
  return events;
}

std::vector<MacroListChange> MacroActionList::TakeChanges() {
  return std::exchange(changes_, {});
}

void MacroActionList::Log(MacroListChange change) {
  if (change.kind == MacroListChange::Kind::kReset) changes_.clear();
  changes_.push_back(change);
}

}  // namespace qv
