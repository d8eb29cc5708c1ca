#include "lighting/palette_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "macros/temp_folder.h"

namespace qv {
namespace {

constexpr uint32_t kRed = 0xFFFF0000u;

class PaletteStoreTest : public test::TempFolderTest {
 protected:
  PaletteStoreTest() : user_(Root() + "user/"), defaults_(Root() + "DefaultData/"), model_(store_) {
    std::filesystem::create_directories(user_);
    std::filesystem::create_directories(defaults_);
  }

  std::string UserFile() const { return user_ + kPaletteFileName; }
  std::string DefaultFile() const { return defaults_ + kPaletteFileName; }

  // A default that is easy to tell from a blank state: preset 2 and slot 0 filled with red.
  static PaletteState DefaultState() {
    PaletteState state;
    for (size_t i = 0; i < state.presets.size(); ++i) state.presets[i] = 0xFF000000u + i;
    state.presetIndex = 2;
    state.favourites[0] = {kRed, true};
    return state;
  }
  void WriteDefault() const {
    WriteText(DefaultFile(), JsonFileStore::StyledText(PaletteJson(DefaultState())));
  }

  // The state as a fresh model reads it from disk, without a default to fall back on.
  PaletteState OnDisk() const {
    PaletteStore fresh(store_);
    fresh.Load(user_, Root() + "none/");
    return fresh.State();
  }

  void FailAllWrites() {
    store_.SetBeforeRenameHookForTest([](const std::string& temp) {
      std::filesystem::remove(temp);
      return false;
    });
  }

  JsonFileStore store_;
  std::string user_;
  std::string defaults_;
  PaletteStore model_;
};

TEST(PaletteColourText, IsEightUppercaseDigitsAlphaFirst) {
  EXPECT_EQ(ColourText(kRed), "FFFF0000");
  EXPECT_EQ(ColourText(0xFF102030u), "FF102030");
  EXPECT_EQ(ColourText(0x0000000Au), "0000000A");

  uint32_t colour = 0;
  EXPECT_TRUE(ParseColourText("FF102030", &colour));
  EXPECT_EQ(colour, 0xFF102030u);
  EXPECT_TRUE(ParseColourText("ffabcdef", &colour));
  EXPECT_EQ(colour, 0xFFABCDEFu);
  for (const char* bad :
       {"", "zz", "FF10203", "FF1020300", "+F102030", " FF10203", "0xFF1020", "FF10203G"}) {
    colour = 7;
    EXPECT_FALSE(ParseColourText(bad, &colour)) << bad;
    EXPECT_EQ(colour, 7u) << bad;
  }
}

TEST_F(PaletteStoreTest, SavedDocumentHasTheFileLayoutAndReadsBack) {
  ASSERT_EQ(model_.Load(user_, defaults_), PaletteResult::kDone);
  PresetColours presets{};
  for (size_t i = 0; i < presets.size(); ++i) presets[i] = 0xFF000000u + 0x100u * (i + 1);
  ASSERT_EQ(model_.SavePresets(presets, 7), PaletteResult::kDone);
  FavouriteSlots slots;
  slots[5] = {kRed, true};
  slots[6] = {0xFF00FF00u, false};  // an unfilled slot's colour is not kept
  ASSERT_EQ(model_.SaveFavourites(slots, 5), PaletteResult::kDone);

  const Json::Value doc = store_.ReadJsonFile(UserFile());
  ASSERT_TRUE(doc.isObject());
  EXPECT_EQ(doc.getMemberNames(), std::vector<std::string>{"coloroptioninfo"});
  const Json::Value& info = doc["coloroptioninfo"];
  EXPECT_EQ(info.getMemberNames(),
            (std::vector<std::string>{
                "palletDialogcollectcoloroption", "palletDialogcollectcoloroption_selectitem",
                "palletDialogcoloroption", "palletDialogcoloroption_selectitem"}));
  ASSERT_EQ(info["palletDialogcoloroption"].size(), 20u);
  ASSERT_EQ(info["palletDialogcollectcoloroption"].size(), 20u);
  EXPECT_EQ(info["palletDialogcoloroption"][1]["color"], "FF000200");
  EXPECT_EQ(info["palletDialogcoloroption"][1].getMemberNames(), std::vector<std::string>{"color"});
  EXPECT_EQ(info["palletDialogcoloroption_selectitem"], 7);
  EXPECT_EQ(info["palletDialogcollectcoloroption"][5]["color"], "FFFF0000");
  EXPECT_EQ(info["palletDialogcollectcoloroption"][5]["UserData"], "1");
  EXPECT_EQ(info["palletDialogcollectcoloroption"][6]["color"], "FFFFFFFF");
  EXPECT_EQ(info["palletDialogcollectcoloroption"][6]["UserData"], "");
  EXPECT_EQ(info["palletDialogcollectcoloroption_selectitem"], 5);

  const PaletteState read = OnDisk();
  EXPECT_EQ(read, model_.State());
  EXPECT_EQ(read.presets, presets);
  EXPECT_EQ(read.presetIndex, 7);
  EXPECT_EQ(read.favourites[5], (FavouriteSlot{kRed, true}));
  EXPECT_EQ(read.favourites[6], FavouriteSlot{});
  EXPECT_EQ(read.favouriteIndex, 5);

  EXPECT_EQ(model_.SavePresets(presets, 20), PaletteResult::kRefused);
  EXPECT_EQ(model_.SaveFavourites(slots, -2), PaletteResult::kRefused);
  EXPECT_EQ(OnDisk(), read);
}

TEST_F(PaletteStoreTest, MissingOrDamagedUserFileIsSeededFromTheDefault) {
  WriteDefault();
  ASSERT_EQ(model_.Load(user_, defaults_), PaletteResult::kDone);
  EXPECT_EQ(model_.State(), DefaultState());
  EXPECT_EQ(OnDisk(), DefaultState()) << "the default is copied to the user folder";

  WriteText(UserFile(), "{ not json");
  PaletteStore again(store_);
  ASSERT_EQ(again.Load(user_, defaults_), PaletteResult::kDone);
  EXPECT_EQ(again.State(), DefaultState());
  EXPECT_EQ(ReadText(UserFile() + kBackupSuffix), "{ not json") << "the damaged file is kept";
  EXPECT_EQ(OnDisk(), DefaultState());
}

TEST_F(PaletteStoreTest, WithoutAnyFileSlotsAreEmptyAndNothingIsWrittenUntilASave) {
  ASSERT_EQ(model_.Load(user_, defaults_), PaletteResult::kDone);
  EXPECT_EQ(model_.State(), PaletteState());
  EXPECT_EQ(model_.State().presetIndex, 4);
  EXPECT_EQ(model_.State().favouriteIndex, -1);
  for (const FavouriteSlot& slot : model_.State().favourites) {
    EXPECT_EQ(slot, (FavouriteSlot{0xFFFFFFFFu, false}));
  }
  EXPECT_TRUE(Snapshot(Root()).empty());

  FavouriteSlots slots;
  slots[0] = {kRed, true};
  ASSERT_EQ(model_.SaveFavourites(slots, 0), PaletteResult::kDone);
  EXPECT_EQ(OnDisk().favourites[0], (FavouriteSlot{kRed, true}));
}

// Every hostile file loads without a crash; `check` states what the model reads from it.
TEST_F(PaletteStoreTest, HostileFilesReadAsTheirMendedForm) {
  const auto entries = [](int count, const std::string& entry) {
    std::string text = "[";
    for (int i = 0; i < count; ++i) text.append(i ? "," : "").append(entry);
    return text.append("]");
  };
  const auto info = [](const std::string& members) {
    std::string text = R"({"coloroptioninfo":{)";
    return text.append(members).append("}}");
  };
  const std::string red = R"({"color":"FFFF0000","UserData":"1"})";
  const PaletteState blank;

  struct Case {
    const char* name;
    std::string text;
    std::function<void(const PaletteState&)> check;
  };
  const auto isDefault = [](const PaletteState& s) { EXPECT_EQ(s, DefaultState()); };
  const auto isBlank = [&](const PaletteState& s) { EXPECT_EQ(s, blank); };
  std::string huge = info(R"("palletDialogcoloroption_selectitem":1)");
  huge.append(kMaxJsonFileSize, ' ');

  const std::vector<Case> cases = {
      {"root is an array", "[1,2]", isDefault},
      {"info is a number", R"({"coloroptioninfo":5})", isDefault},
      {"huge file", huge, isDefault},
      {"lists of the wrong type",
       info(R"("palletDialogcoloroption":"x","palletDialogcollectcoloroption":{"0":1})"), isBlank},
      {"indexes of the wrong type",
       info(R"("palletDialogcoloroption_selectitem":"3",)"
            R"("palletDialogcollectcoloroption_selectitem":2.5)"),
       isBlank},
      {"indexes out of range",
       info(R"("palletDialogcoloroption_selectitem":99,)"
            R"("palletDialogcollectcoloroption_selectitem":-5)"),
       isBlank},
      {"thirty entries",
       info(R"("palletDialogcollectcoloroption":)" + entries(30, red) +
            R"(,"palletDialogcollectcoloroption_selectitem":19)"),
       [](const PaletteState& s) {
         for (const FavouriteSlot& slot : s.favourites)
           EXPECT_EQ(slot, (FavouriteSlot{kRed, true}));
         EXPECT_EQ(s.favouriteIndex, 19);
       }},
      {"three entries",
       info(R"("palletDialogcoloroption":)" + entries(3, red) +
            R"(,"palletDialogcollectcoloroption":)" + entries(3, red)),
       [](const PaletteState& s) {
         for (size_t i = 0; i < 20; ++i) {
           EXPECT_EQ(s.presets[i], i < 3 ? kRed : 0xFFFFFFFFu) << i;
           EXPECT_EQ(s.favourites[i], (FavouriteSlot{i < 3 ? kRed : 0xFFFFFFFFu, i < 3})) << i;
         }
       }},
      {"bad entries",
       info(R"("palletDialogcoloroption":[{"color":12},{"color":"zz"},null,7,{}],)"
            R"("palletDialogcollectcoloroption":[{"color":12,"UserData":"1"},)"
            R"({"color":"zz","UserData":"1"},{"color":"FFFF0000","UserData":1},)"
            R"({"color":"FFFF0000","UserData":"0"},{"UserData":"1"},"FFFF0000",)"
            R"({"color":"ffff0000","UserData":"1"}])"),
       [](const PaletteState& s) {
         for (uint32_t colour : s.presets) EXPECT_EQ(colour, 0xFFFFFFFFu);
         for (size_t i = 0; i < 6; ++i) EXPECT_EQ(s.favourites[i], FavouriteSlot{}) << i;
         EXPECT_EQ(s.favourites[6], (FavouriteSlot{kRed, true}));
       }},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(user_);
    std::filesystem::create_directories(user_);
    WriteDefault();
    WriteText(UserFile(), c.text);
    PaletteStore model(store_);
    EXPECT_EQ(model.Load(user_, defaults_), PaletteResult::kDone);
    c.check(model.State());
    EXPECT_EQ(OnDisk(), model.State()) << "what is on disk reads the same";
  }
}

TEST_F(PaletteStoreTest, FailedWritesAreReportedAndChangeNothing) {
  WriteDefault();
  FailAllWrites();
  EXPECT_EQ(model_.Load(user_, defaults_), PaletteResult::kWriteFailed);
  EXPECT_EQ(model_.State(), DefaultState()) << "the default is still used";
  EXPECT_FALSE(Exists(UserFile()));

  FavouriteSlots slots;
  slots[1] = {kRed, true};
  EXPECT_EQ(model_.SaveFavourites(slots, 1), PaletteResult::kWriteFailed);
  EXPECT_EQ(model_.SavePresets(PresetColours{}, 0), PaletteResult::kWriteFailed);
  EXPECT_EQ(model_.State(), DefaultState());

  store_.SetBeforeRenameHookForTest(nullptr);
  ASSERT_EQ(model_.SaveFavourites(slots, 1), PaletteResult::kDone);
  PaletteState expected = DefaultState();
  expected.favourites = slots;
  expected.favouriteIndex = 1;
  EXPECT_EQ(OnDisk(), expected) << "the default's presets are stored by the next save";

  PaletteStore unloaded(store_);
  EXPECT_EQ(unloaded.SaveFavourites(slots, 1), PaletteResult::kRefused);
}

TEST_F(PaletteStoreTest, ChoosingAColourFillsTheSelectedCurrentSlot) {
  ASSERT_EQ(model_.Load(user_, defaults_), PaletteResult::kDone);
  FavouriteSlots slots = model_.State().favourites;
  EXPECT_FALSE(FillCurrentFavourite(slots, 3, /*currentSelected=*/false, kRed));
  EXPECT_FALSE(FillCurrentFavourite(slots, kNoFavouriteSlot, true, kRed));
  EXPECT_FALSE(FillCurrentFavourite(slots, 20, true, kRed));
  EXPECT_EQ(slots, FavouriteSlots{});
  EXPECT_FALSE(FavouriteSlotColour(slots, 3).has_value()) << "an empty slot gives no colour";

  ASSERT_TRUE(FillCurrentFavourite(slots, 3, true, kRed));
  ASSERT_EQ(model_.SaveFavourites(slots, 3), PaletteResult::kDone);
  EXPECT_NE(ReadText(UserFile()).find("\"FFFF0000\""), std::string::npos);

  // Reopened: the slot is filled, and a click on it gives its colour.
  const PaletteState read = OnDisk();
  EXPECT_EQ(read.favourites[3], (FavouriteSlot{kRed, true}));
  EXPECT_EQ(FavouriteSlotColour(read.favourites, 3), kRed);
  EXPECT_FALSE(FavouriteSlotColour(read.favourites, -1).has_value());
  EXPECT_FALSE(FavouriteSlotColour(read.favourites, 20).has_value());

  // Another colour while it stays current and selected replaces it.
  ASSERT_TRUE(FillCurrentFavourite(slots, 3, true, 0xFF00FF00u));
  EXPECT_EQ(FavouriteSlotColour(slots, 3), 0xFF00FF00u);
}

TEST_F(PaletteStoreTest, ShippedDefaultIsAFullPaletteWithEmptyFavourites) {
  const std::filesystem::path shipped =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "data" /
      "DefaultData" / kPaletteFileName;
  if (!Exists(shipped.string())) GTEST_SKIP() << "source tree not found";
  const Json::Value doc = store_.ReadJsonFile(shipped.string());
  const PaletteState state = PaletteStateFromJson(doc);
  EXPECT_EQ(PaletteJson(state), doc) << "every entry is present and well-formed";
  EXPECT_EQ(state.presetIndex, 4);
  EXPECT_EQ(state.favouriteIndex, -1);
  EXPECT_EQ(state.favourites, FavouriteSlots{});
}

}  // namespace
}  // namespace qv
