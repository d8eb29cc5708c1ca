#include "platform/registered_messages.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace qv {
namespace {

TEST(RegisteredMessagesTest, EveryNameIsInRangeAndDistinctNamesNeverCollide) {
  std::map<uint32_t, std::string_view> seen;
  for (std::string_view name : kRegisteredMessageNames) {
    const uint32_t id = RegisteredMessageId(name);
    EXPECT_TRUE(IsRegisteredMessage(id)) << name;
    auto [it, inserted] = seen.emplace(id, name);
    if (!inserted) {
      EXPECT_EQ(it->second, name) << "collision with " << it->second;
    }
  }
  // 30 registrations of 29 names: the mouse right-button-down name is registered twice.
  EXPECT_EQ(seen.size(), 29u);
  EXPECT_EQ(UWM_MOUSERBUTTONDOWN_USER_MSG, UWM_MOUSERBUTTONDOWN_USER_MSG2);
}

TEST(RegisteredMessagesTest, EqualNamesGiveEqualIdsIgnoringCase) {
  EXPECT_EQ(RegisteredMessageId("QV5307"), UWM_INSTANCE_MSG);
  EXPECT_EQ(RegisteredMessageId("qv5307"), UWM_INSTANCE_MSG);
  EXPECT_EQ(RegisteredMessageId(std::string("game_start")), UWM_GAME_START_MSG);
  EXPECT_NE(RegisteredMessageId("{4695579F-999A-41d4-9FAF-EFFCE93EBF19}"), UWM_AUDIO_HELPER_MSG);
}

// Other programs compute the same numbers: a change of the function breaks them, so the
// values are pinned.
TEST(RegisteredMessagesTest, IdsAreStableAcrossBuilds) {
  EXPECT_EQ(UWM_INSTANCE_MSG, 0xD3DDu);
  EXPECT_EQ(UWM_APP_STARTED_MSG, 0xD0E2u);
  EXPECT_EQ(WM_HOOK_KEY_SINGLEKEY_MSG, 0xC685u);
}

TEST(RegisteredMessagesTest, NameOfIdRoundTripsForOurNamesOnly) {
  for (std::string_view name : kRegisteredMessageNames) {
    EXPECT_EQ(RegisteredMessageName(RegisteredMessageId(name)), name);
  }
  EXPECT_TRUE(RegisteredMessageName(0x0400).empty());
}

}  // namespace
}  // namespace qv
