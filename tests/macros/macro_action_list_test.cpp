// The macro panel's working list: moves, inserting mouse actions, and trimming on save.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "macros/macro_action_list.h"

namespace qv {
namespace {

// Events told apart by their button.
MacroEvent Key(uint8_t button) {
  return {50, kMacroKey, true, button};
}

std::vector<MacroEvent> Keys(size_t count) {
  std::vector<MacroEvent> events;
  for (size_t i = 0; i < count; ++i) events.push_back(Key(static_cast<uint8_t>(i + 1)));
  return events;
}

std::vector<int> Buttons(const MacroActionList& list) {
  std::vector<int> buttons;
  for (const MacroActionRow& row : list.Rows())
    buttons.push_back(row.event ? row.event->button : -1);
  return buttons;
}

TEST(MacroActionList, MovesFollowTheSelectionAndStopAtTheEnds) {
  MacroActionList list;
  list.Load(Keys(4));
  list.TakeChanges();

  EXPECT_FALSE(list.MoveUp()) << "nothing selected";
  list.Select(0);
  EXPECT_FALSE(list.MoveUp());
  EXPECT_FALSE(list.MoveToTop());
  list.Select(3);
  EXPECT_FALSE(list.MoveDown());
  EXPECT_FALSE(list.MoveToBottom());
  list.TakeChanges();
  EXPECT_EQ(Buttons(list), (std::vector<int>{1, 2, 3, 4}));

  list.Select(1);
  EXPECT_TRUE(list.MoveDown());
  EXPECT_EQ(Buttons(list), (std::vector<int>{1, 3, 2, 4}));
  EXPECT_EQ(list.Selected(), 2);
  EXPECT_TRUE(list.MoveToTop());
  EXPECT_EQ(Buttons(list), (std::vector<int>{2, 1, 3, 4}));
  EXPECT_EQ(list.Selected(), 0);
  EXPECT_TRUE(list.MoveToBottom());
  EXPECT_EQ(Buttons(list), (std::vector<int>{1, 3, 4, 2}));
  EXPECT_EQ(list.Selected(), 3);
  EXPECT_TRUE(list.MoveUp());
  EXPECT_EQ(Buttons(list), (std::vector<int>{1, 3, 2, 4}));
  EXPECT_EQ(list.Selected(), 2);

  using K = MacroListChange::Kind;
  list.TakeChanges();
  list.MoveUp();
  EXPECT_EQ(list.TakeChanges(),
            (std::vector<MacroListChange>{{K::kRemoved, 2}, {K::kInserted, 1}, {K::kSelected, 1}}));
}

TEST(MacroActionList, RemoveSelectedSelectsTheRowAtItsPlace) {
  MacroActionList list;
  list.Load(Keys(3));
  EXPECT_FALSE(list.RemoveSelected());
  list.Select(1);
  EXPECT_TRUE(list.RemoveSelected());
  EXPECT_EQ(Buttons(list), (std::vector<int>{1, 3}));
  EXPECT_EQ(list.Selected(), 1);
  EXPECT_TRUE(list.RemoveSelected());
  EXPECT_EQ(list.Selected(), 0) << "the new last row";
  EXPECT_TRUE(list.RemoveSelected());
  EXPECT_EQ(list.Selected(), -1);
  EXPECT_EQ(list.Size(), 0u);
}

TEST(MacroActionList, InsertingAMouseActionGoesBelowTheSelection) {
  const MacroEvent press{50, kMacroMouseButton, true, 1};
  const MacroEvent release{50, kMacroMouseButton, false, 1};

  // A click with row 3 of 5 selected: the release follows the newly selected press.
  MacroActionList list;
  list.Load(Keys(5));
  list.Select(3);
  list.InsertAfterSelection(press);
  list.InsertAfterSelection(release);
  ASSERT_EQ(list.Size(), 7u);
  EXPECT_EQ(list.Row(4).event, press);
  EXPECT_EQ(list.Row(5).event, release);
  EXPECT_EQ(list.Selected(), 5);

  // Nothing selected: below row 0.
  list.Select(-1);
  list.InsertAfterSelection(press);
  EXPECT_EQ(list.Row(1).event, press);
  EXPECT_EQ(list.Selected(), 1);

  MacroActionList empty;
  empty.InsertAfterSelection(press);
  ASSERT_EQ(empty.Size(), 1u);
  EXPECT_EQ(empty.Row(0).event, press);
  EXPECT_EQ(empty.Selected(), -1);
}

TEST(MacroActionList, FullListGetsABareRowThatTheSaveTrims) {
  MacroActionList list;
  list.Load(Keys(kMaxMacroEvents));
  list.Select(10);
  list.InsertAfterSelection({50, kMacroMouseButton, true, 1});
  ASSERT_EQ(list.Size(), kMaxMacroEvents + 1);
  EXPECT_FALSE(list.Row(kMaxMacroEvents).event.has_value());
  EXPECT_EQ(list.Selected(), 10);

  list.TakeChanges();
  bool trimmed = false;
  const std::vector<MacroEvent> saved = list.TakeEventsForSave(&trimmed);
  EXPECT_TRUE(trimmed);
  EXPECT_EQ(list.Size(), kMaxMacroEvents);
  EXPECT_EQ(saved, Keys(kMaxMacroEvents));
  EXPECT_EQ(list.TakeChanges(),
            (std::vector<MacroListChange>{{MacroListChange::Kind::kRemoved, kMaxMacroEvents}}));

  // A bare row moved up among the events is never saved, and nothing is trimmed at 250 rows.
  list.Remove(0);
  list.AppendBare();
  list.Select(static_cast<int>(list.Size() - 1));
  list.MoveToTop();
  const std::vector<MacroEvent> again = list.TakeEventsForSave(&trimmed);
  EXPECT_FALSE(trimmed);
  EXPECT_EQ(list.Size(), kMaxMacroEvents);
  EXPECT_EQ(again.size(), kMaxMacroEvents - 1);
}

}  // namespace
}  // namespace qv
