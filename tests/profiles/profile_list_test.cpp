// The profile list: loading and mending "ProfileList.ini", the profile operations and their
// names, and that the entries and the list file agree after every operation, failed ones too.
#include "profiles/profile_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace qv {
namespace {

using test::TempFolderTest;

constexpr int kKeyboard = 1;
constexpr int kHeadset = 7;

}  // namespace

void PrintTo(const ProfileEntry& entry, std::ostream* out) {
  *out << "{\"" << entry.name << "\", " << entry.id << "}";
}

namespace {

std::string Id(int n) {
  return FormatTimestampId(2024, 1, 1, 0, 0, 0, n);
}

Json::Value Parse(const std::string& text) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value value;
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, nullptr)) << text;
  return value;
}

class ProfileListTest : public TempFolderTest {
 protected:
  ProfileListTest() : defaultPath_(Root() + "default.Json") {
    WriteText(defaultPath_, R"({"profilename": "factory", "profileUUID": "2000_01_01_00_00_00_000",
      "Device": [{"LightInfo": {"LEDBrightness": 4}, "CustomEQNameInfo": [{"Name": "factory"}],
                  "CustomEQHzValueInfo": [[{"value": 0}]]}]})");
    UseFolder("keyboard");
  }

  // A new, empty data folder and a list for it, not loaded yet.
  void UseFolder(const std::string& name, int kind = kKeyboard) {
    folder_ = Root() + name + "/";
    std::filesystem::create_directories(folder_);
    list_ = std::make_unique<ProfileList>(store_);
    list_->SetDeviceKind(kind);
    list_->SetFolders(folder_, defaultPath_);
  }

  std::string ListPath() const { return folder_ + "ProfileList.ini"; }
  std::string PathOf(const std::string& id) const { return folder_ + id + ".Json"; }
  Json::Value DefaultDevice() const { return store_.ReadJsonFile(defaultPath_)["Device"]; }

  // A profile file whose "Device" tells it apart from the default and from the others.
  void WriteProfileFile(const std::string& id, const std::string& name) const {
    Json::Value profile;
    profile["profilename"] = name;
    profile["profileUUID"] = id;
    profile["Device"][0]["LightInfo"]["LEDBrightness"] = 9;
    profile["Device"][0]["Marker"] = name;
    ASSERT_EQ(store_.WriteJsonFile(PathOf(id), profile), kStoreOk);
  }

  // Profiles `names` with identifiers Id(0), Id(1), ..., loaded with `select` selected.
  void Start(const std::vector<std::string>& names, int select = 0) {
    Json::Value list;
    for (size_t i = 0; i < names.size(); ++i) {
      list["profilelist"][static_cast<int>(i)]["profilename"] = names[i];
      list["profilelist"][static_cast<int>(i)]["profileUUID"] = Id(static_cast<int>(i));
      WriteProfileFile(Id(static_cast<int>(i)), names[i]);
    }
    list["profileselect"] = select;
    ASSERT_EQ(store_.WriteJsonFile(ListPath(), list), kStoreOk);
    ASSERT_EQ(list_->Load(), ProfileResult::kDone);
    ASSERT_EQ(list_->SelectedIndex(), select);
  }

  std::vector<ProfileEntry> FileEntries() const {
    std::vector<ProfileEntry> entries;
    const Json::Value list = store_.ReadJsonFile(ListPath());
    for (const Json::Value& item : list["profilelist"]) {
      entries.push_back({item["profilename"].asString(), item["profileUUID"].asString()});
    }
    return entries;
  }
  int FileSelect() const { return store_.ReadJsonFile(ListPath())["profileselect"].asInt(); }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const ProfileEntry& entry : list_->Entries()) names.push_back(entry.name);
    return names;
  }

  // The entries are those of the list file, and each names its own profile file.
  void ExpectEntriesMatchFiles() const {
    EXPECT_EQ(FileEntries(), list_->Entries());
    for (const ProfileEntry& entry : list_->Entries()) {
      SCOPED_TRACE(entry.name);
      EXPECT_TRUE(IsValidTimestampId(entry.id)) << entry.id;
      const Json::Value profile = store_.ReadJsonFile(PathOf(entry.id));
      EXPECT_EQ(profile["profilename"].asString(), entry.name);
      EXPECT_EQ(profile["profileUUID"].asString(), entry.id);
    }
  }

  // Every file below the scratch folder with its content, temporary files left out.
  std::map<std::string, std::string> AllFiles() const {
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(Root())) {
      const std::string path = item.path().string();
      if (item.is_regular_file() && path.find(".tmp.") == std::string::npos) {
        files[path] = ReadText(path);
      }
    }
    return files;
  }

  JsonFileStore store_;
  std::string defaultPath_;
  std::string folder_;
  std::unique_ptr<ProfileList> list_;
};

// Loading.

TEST_F(ProfileListTest, LoadWithoutUsableListMakesOneProfileFromTheDefault) {
  struct Case {
    const char* name;
    std::optional<std::string> list;  // nothing: no list file
  };
  const Case cases[] = {
      {"none", std::nullopt},
      {"empty", ""},
      {"garbage", "{ \"profilelist\": ["},
      {"no-entries", R"({"profilelist": [], "profileselect": 3})"},
      {"not-an-array", R"({"profilelist": {"profilename": "x"}})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseFolder(c.name);
    if (c.list) WriteText(ListPath(), *c.list);

    ASSERT_EQ(list_->Load(), ProfileResult::kDone);
    ASSERT_EQ(list_->Entries().size(), 1u);
    const ProfileEntry entry = list_->Entries()[0];
    EXPECT_EQ(entry.name, "profile1");
    EXPECT_EQ(list_->SelectedIndex(), 0);
    EXPECT_EQ(list_->CurrentProfileId(), entry.id);

    const Json::Value list = store_.ReadJsonFile(ListPath());
    EXPECT_EQ(list["profileselect"], 0);
    EXPECT_EQ(list["profilelist"][0]["profileislink"], 0);
    EXPECT_EQ(list["profilelist"][0]["profilelinkmame"], "");
    ExpectEntriesMatchFiles();
    EXPECT_EQ(store_.ReadJsonFile(PathOf(entry.id))["Device"], DefaultDevice());
  }
  EXPECT_EQ(ReadText(Root() + "garbage/ProfileList.ini.bak"), "{ \"profilelist\": [")
      << "a damaged list is kept";
}

TEST_F(ProfileListTest, LoadWithoutAUsableDefaultStillMakesANamedProfile) {
  for (const char* text : {"", "[1]", "\"text\""}) {
    SCOPED_TRACE(text);
    UseFolder("default" + std::to_string(std::string(text).size()));
    WriteText(defaultPath_, text);
    ASSERT_EQ(list_->Load(), ProfileResult::kDone);
    ExpectEntriesMatchFiles();
  }
}

TEST_F(ProfileListTest, LoadTakesAWindowsSavedListAsItIsWithoutRewritingIt) {
  WriteProfileFile(Id(0), "work");
  WriteProfileFile(Id(1), "game");
  const std::string text =
      "\xEF\xBB\xBF{\"profilelist\":[{\"profilename\":\"work\",\"profileUUID\":\"" + Id(0) +
      "\"},\r\n{\"profilename\":\"game\",\"profileUUID\":\"" + Id(1) +
      "\"}],\"profileselect\":1}\r\n";
  WriteText(ListPath(), text);
  const auto before = AllFiles();

  ASSERT_EQ(list_->Load(), ProfileResult::kDone);
  EXPECT_EQ(list_->Entries(), (std::vector<ProfileEntry>{{"work", Id(0)}, {"game", Id(1)}}));
  EXPECT_EQ(list_->SelectedIndex(), 1);
  EXPECT_EQ(list_->CurrentProfileId(), Id(1));
  EXPECT_EQ(AllFiles(), before) << "nothing to mend, nothing written";
}

TEST_F(ProfileListTest, LoadGivesUnsafeOrRepeatedIdentifiersFreshFilesInsideTheFolder) {
  WriteText(Root() + "outside.Json", "sentinel");
  WriteProfileFile(Id(1), "good");
  Json::Value list = Parse(R"({"profileselect": 0, "profilelist": [
      {"profilename": "evil", "profileUUID": "../outside"},
      {"profilename": "plain", "profileUUID": "my profile"},
      {"profilename": "good"},
      {"profilename": "twin"},
      {"profilename": "number", "profileUUID": 7},
      {"profileUUID": "2024_01_01_00_00_00_005"}]})");
  list["profilelist"][2]["profileUUID"] = Id(1);
  list["profilelist"][3]["profileUUID"] = Id(1);
  ASSERT_EQ(store_.WriteJsonFile(ListPath(), list), kStoreOk);
  const std::string good = ReadText(PathOf(Id(1)));

  ASSERT_EQ(list_->Load(), ProfileResult::kDone);
  EXPECT_EQ(Names(),
            (std::vector<std::string>{"evil", "plain", "good", "twin", "number", "profile1"}));
  const auto& entries = list_->Entries();
  EXPECT_EQ(entries[2].id, Id(1)) << "a usable identifier is kept";
  EXPECT_EQ(entries[5].id, Id(5));
  for (size_t i : {0u, 1u, 3u, 4u}) {
    SCOPED_TRACE(entries[i].name);
    EXPECT_NE(entries[i].id, Id(1));
    EXPECT_EQ(store_.ReadJsonFile(PathOf(entries[i].id))["Device"], DefaultDevice());
  }
  ExpectEntriesMatchFiles();
  EXPECT_EQ(ReadText(PathOf(Id(1))), good);
  EXPECT_EQ(ReadText(Root() + "outside.Json"), "sentinel");
  for (const auto& [path, content] : AllFiles()) {
    EXPECT_TRUE(path.rfind(folder_, 0) == 0 || path == defaultPath_ ||
                path == Root() + "outside.Json")
        << "written outside the data folder: " << path;
  }
}

TEST_F(ProfileListTest, LoadSelectsTheFirstEntryWhenProfileselectIsUnusable) {
  const std::vector<std::string> selects = {"2", "-1", "\"1\"", "1.5", "null", "[1]"};
  for (size_t i = 0; i < selects.size(); ++i) {
    SCOPED_TRACE(selects[i]);
    UseFolder("select" + std::to_string(i));
    WriteProfileFile(Id(0), "a");
    WriteProfileFile(Id(1), "b");
    WriteText(ListPath(), "{\"profilelist\": [{\"profilename\": \"a\", \"profileUUID\": \"" +
                              Id(0) + "\"}, {\"profilename\": \"b\", \"profileUUID\": \"" + Id(1) +
                              "\"}], \"profileselect\": " + selects[i] + "}");

    ASSERT_EQ(list_->Load(), ProfileResult::kDone);
    EXPECT_EQ(list_->SelectedIndex(), 0);
    EXPECT_EQ(list_->CurrentProfileId(), Id(0));
    EXPECT_EQ(FileSelect(), 0);
    ExpectEntriesMatchFiles();
  }
}

TEST_F(ProfileListTest, LoadReseedsMissingProfileFilesFromTheDefault) {
  Start({"kept", "lost"});
  ASSERT_TRUE(std::filesystem::remove(PathOf(Id(1))));
  const std::string kept = ReadText(PathOf(Id(0)));
  const std::string listText = ReadText(ListPath());

  ASSERT_EQ(list_->Load(), ProfileResult::kDone);
  const Json::Value lost = store_.ReadJsonFile(PathOf(Id(1)));
  EXPECT_EQ(lost["profilename"], "lost");
  EXPECT_EQ(lost["profileUUID"], Id(1));
  EXPECT_EQ(lost["Device"], DefaultDevice());
  EXPECT_EQ(ReadText(PathOf(Id(0))), kept);
  EXPECT_EQ(ReadText(ListPath()), listText) << "the list itself needed no change";
}

TEST_F(ProfileListTest, NothingIsWrittenBeforeLoad) {
  WriteText(ListPath(), "{\"user\": \"list\"}");
  EXPECT_EQ(list_->NewProfile(), ProfileResult::kRefused);
  EXPECT_EQ(list_->ImportProfile(defaultPath_), ProfileResult::kRefused);
  EXPECT_EQ(list_->SelectProfile(0), ProfileResult::kRefused);
  EXPECT_EQ(ReadText(ListPath()), "{\"user\": \"list\"}");
}

// Selecting and counting.

TEST_F(ProfileListTest, SelectProfileStoresTheSelection) {
  Start({"a", "b"});
  ASSERT_EQ(list_->SelectProfile(1), ProfileResult::kDone);
  EXPECT_EQ(list_->SelectedIndex(), 1);
  EXPECT_EQ(list_->CurrentProfileId(), Id(1));
  EXPECT_EQ(FileSelect(), 1);

  for (int index : {2, -1}) {
    EXPECT_EQ(list_->SelectProfile(index), ProfileResult::kRefused) << index;
    EXPECT_EQ(list_->SelectedIndex(), 1);
    EXPECT_EQ(FileSelect(), 1);
  }
}

TEST_F(ProfileListTest, ProfileCountRereadsTheListAndSkipsUnusableIdentifiers) {
  Start({"a", "b"});
  Json::Value list = store_.ReadJsonFile(ListPath());
  list["profilelist"].append(Parse(R"({"profilename": "x", "profileUUID": "../../etc/x"})"));
  list["profilelist"].append(list["profilelist"][0]);
  list["profilelist"][4]["profileUUID"] = Id(9);
  ASSERT_EQ(store_.WriteJsonFile(ListPath(), list), kStoreOk);

  ASSERT_EQ(list_->ProfileCount(), 3);
  EXPECT_EQ(list_->ProfileFilePath(0), folder_ + Id(0) + ".Json");
  EXPECT_EQ(list_->ProfileFilePath(1), folder_ + Id(1) + ".Json");
  EXPECT_EQ(list_->ProfileFilePath(2), folder_ + Id(9) + ".Json");
  EXPECT_EQ(list_->ProfileFilePath(3), "");
  EXPECT_EQ(list_->ProfileFilePath(-1), "");
}

// Adding profiles.

TEST_F(ProfileListTest, NewProfileTakesTheFirstFreeNumberAndIsOnlyRemembered) {
  Start({"profile1", "PROFILE2"});
  ASSERT_EQ(list_->NewProfile(), ProfileResult::kDone);
  EXPECT_EQ(Names(), (std::vector<std::string>{"profile1", "PROFILE2", "profile3"}));
  EXPECT_EQ(FileSelect(), 2) << "the next start opens the new profile";
  EXPECT_EQ(list_->SelectedIndex(), 0) << "the device stays on the shown profile";
  EXPECT_EQ(list_->CurrentProfileId(), Id(0));
  EXPECT_EQ(store_.ReadJsonFile(PathOf(list_->Entries()[2].id))["Device"], DefaultDevice());
  ExpectEntriesMatchFiles();

  UseFolder("gap");
  Start({"Profile3", "profile1"});
  ASSERT_EQ(list_->NewProfile(), ProfileResult::kDone);
  EXPECT_EQ(list_->Entries().back().name, "profile2");
}

TEST_F(ProfileListTest, CopyAddsOneMoreCopyWordPerTakenName) {
  Start({"other", "game"}, 1);
  ASSERT_EQ(list_->CopyProfile(), ProfileResult::kDone);
  ASSERT_EQ(list_->CopyProfile(), ProfileResult::kDone);
  EXPECT_EQ(Names(), (std::vector<std::string>{"other", "game", "game copy", "game copy copy"}));
  EXPECT_EQ(FileSelect(), 1) << "a copy leaves profileselect";
  EXPECT_EQ(list_->SelectedIndex(), 1);
  const Json::Value source = store_.ReadJsonFile(PathOf(Id(1)))["Device"];
  for (size_t i : {2u, 3u}) {
    EXPECT_EQ(store_.ReadJsonFile(PathOf(list_->Entries()[i].id))["Device"], source);
  }
  ExpectEntriesMatchFiles();
}

TEST_F(ProfileListTest, ImportNamesAfterTheFileAndIgnoresItsOwnNameAndId) {
  Start({"work"});
  const std::string path = Root() + "game.json";
  WriteText(path, R"({"profilename": "../../escape", "profileUUID": "../../escape",
                      "Device": [{"Marker": "imported"}]})");
  for (int i = 0; i < 3; ++i) ASSERT_EQ(list_->ImportProfile(path), ProfileResult::kDone);

  EXPECT_EQ(Names(), (std::vector<std::string>{"work", "game", "game(1)", "game(1)(2)"}));
  EXPECT_EQ(FileSelect(), 0);
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(store_.ReadJsonFile(PathOf(list_->Entries()[i].id))["Device"][0]["Marker"],
              "imported");
  }
  ExpectEntriesMatchFiles();
  for (const auto& [file, content] : AllFiles()) {
    EXPECT_EQ(file.find("escape"), std::string::npos) << file;
  }
}

TEST_F(ProfileListTest, ImportRefusesFilesThatAreNotProfiles) {
  Start({"work"});
  const std::string big = Root() + "big.json";
  WriteText(big, "{}");
  std::filesystem::resize_file(big, kMaxJsonFileSize + 1);
  const std::pair<const char*, const char*> cases[] = {
      {"broken.json", "{ \"profilename\": "},
      {"array.json", "[{\"profilename\": \"a\", \"profileUUID\": \"b\"}]"},
      {"no-id.json", "{\"profilename\": \"a\", \"Device\": []}"},
      {"null-name.json", "{\"profilename\": null, \"profileUUID\": \"b\"}"},
      {"no-name.json", "{\"profileUUID\": \"b\"}"},
  };
  for (const auto& [name, text] : cases) WriteText(Root() + name, text);
  const auto before = AllFiles();

  std::vector<std::string> paths = {Root() + "missing.json", big, Root()};
  for (const auto& [name, text] : cases) paths.push_back(Root() + name);
  for (const std::string& path : paths) {
    EXPECT_EQ(list_->ImportProfile(path), ProfileResult::kBadFile) << path;
  }
  EXPECT_EQ(Names(), std::vector<std::string>{"work"});
  EXPECT_EQ(AllFiles(), before);
}

TEST_F(ProfileListTest, NewCopyAndImportStopAtFiftyProfiles) {
  ASSERT_EQ(list_->Load(), ProfileResult::kDone);
  for (int i = 1; i < ProfileList::kMaxProfiles; ++i) {
    ASSERT_EQ(list_->NewProfile(), ProfileResult::kDone) << i;
  }
  const std::string path = Root() + "game.json";
  WriteText(path, R"({"profilename": "game", "profileUUID": "x"})");
  const auto before = AllFiles();

  EXPECT_EQ(list_->NewProfile(), ProfileResult::kRefused);
  EXPECT_EQ(list_->CopyProfile(), ProfileResult::kRefused);
  EXPECT_EQ(list_->ImportProfile(path), ProfileResult::kRefused);
  EXPECT_EQ(list_->Entries().size(), 50u);
  EXPECT_EQ(AllFiles(), before);
  ExpectEntriesMatchFiles();
}

// Changing and removing profiles.

TEST_F(ProfileListTest, RenameRefusesBlankAndTakenNames) {
  Start({"alpha", "beta"});
  const std::string beta = ReadText(PathOf(Id(1)));
  const struct {
    const char* name;
    ProfileResult result;
    const char* after;
  } cases[] = {
      {"", ProfileResult::kNameBlank, "alpha"},
      {"  ", ProfileResult::kNameBlank, "alpha"},
      {"\t\n", ProfileResult::kNameBlank, "alpha"},
      {"BETA", ProfileResult::kNameTaken, "alpha"},
      {"ALPHA", ProfileResult::kDone, "ALPHA"},
      {"gamma delta", ProfileResult::kDone, "gamma delta"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(list_->RenameProfile(c.name), c.result);
    EXPECT_EQ(list_->Entries()[0].name, c.after);
    ExpectEntriesMatchFiles();
  }
  EXPECT_EQ(store_.ReadJsonFile(PathOf(Id(0)))["Device"][0]["Marker"], "alpha")
      << "only the name changes";
  EXPECT_EQ(ReadText(PathOf(Id(1))), beta);
}

TEST_F(ProfileListTest, DeleteRemovesEntryAndFileAndSelectsTheOneBefore) {
  Start({"a", "b", "c", "d"}, 0);
  ASSERT_EQ(list_->DeleteProfile(), ProfileResult::kDone);
  EXPECT_EQ(Names(), (std::vector<std::string>{"b", "c", "d"}));
  EXPECT_FALSE(Exists(PathOf(Id(0))));
  EXPECT_EQ(FileSelect(), 0);
  EXPECT_EQ(list_->SelectedIndex(), 0);
  EXPECT_EQ(list_->CurrentProfileId(), Id(1));

  ASSERT_EQ(list_->SelectProfile(2), ProfileResult::kDone);
  ASSERT_EQ(list_->DeleteProfile(), ProfileResult::kDone);
  EXPECT_EQ(Names(), (std::vector<std::string>{"b", "c"}));
  EXPECT_FALSE(Exists(PathOf(Id(3))));
  EXPECT_EQ(FileSelect(), 1);
  EXPECT_EQ(list_->SelectedIndex(), 1);
  EXPECT_EQ(list_->CurrentProfileId(), Id(2));

  ASSERT_EQ(list_->DeleteProfile(), ProfileResult::kDone);
  EXPECT_EQ(Names(), std::vector<std::string>{"b"});
  ExpectEntriesMatchFiles();
  EXPECT_EQ(list_->DeleteProfile(), ProfileResult::kRefused) << "the last profile stays";
  EXPECT_TRUE(Exists(PathOf(Id(1))));
}

TEST_F(ProfileListTest, ResetRestoresTheDefaultAndAHeadsetKeepsItsEqualiser) {
  const Json::Value names = Parse(R"([{"Name": "mine"}, {"Name": "bass"}])");
  const Json::Value bands = Parse(R"([[{"value": 5}], [{"value": -3}]])");
  for (int kind : {kKeyboard, kHeadset}) {
    SCOPED_TRACE(kind);
    UseFolder("kind" + std::to_string(kind), kind);
    Start({"a", "mine"}, 1);
    Json::Value profile = store_.ReadJsonFile(PathOf(Id(1)));
    profile["Device"][0]["CustomEQNameInfo"] = names;
    profile["Device"][0]["CustomEQHzValueInfo"] = bands;
    ASSERT_EQ(store_.WriteJsonFile(PathOf(Id(1)), profile), kStoreOk);

    ASSERT_EQ(list_->ResetProfile(), ProfileResult::kDone);
    const Json::Value reset = store_.ReadJsonFile(PathOf(Id(1)));
    EXPECT_EQ(reset["profilename"], "mine");
    EXPECT_EQ(reset["profileUUID"], Id(1));
    const Json::Value& device = reset["Device"][0];
    EXPECT_EQ(device["LightInfo"], DefaultDevice()[0]["LightInfo"]);
    EXPECT_FALSE(device.isMember("Marker"));
    const bool kept = kind == kHeadset;
    EXPECT_EQ(device["CustomEQNameInfo"], kept ? names : DefaultDevice()[0]["CustomEQNameInfo"]);
    EXPECT_EQ(device["CustomEQHzValueInfo"],
              kept ? bands : DefaultDevice()[0]["CustomEQHzValueInfo"]);
  }
}

TEST_F(ProfileListTest, ExportWritesTheSelectedProfileStyled) {
  Start({"a", "b"}, 1);
  const std::string out = Root() + "out.json";
  ASSERT_EQ(list_->ExportProfile(out), ProfileResult::kDone);
  const Json::Value profile = store_.ReadJsonFile(PathOf(Id(1)));
  EXPECT_EQ(ReadText(out), JsonFileStore::StyledText(profile));

  EXPECT_EQ(list_->ExportProfile(Root() + "absent/out.json"), ProfileResult::kWriteFailed);
  EXPECT_EQ(list_->ExportProfile(""), ProfileResult::kRefused);
}

// Failed writes: every operation either completes or leaves entries, selection and files as
// they were.

TEST_F(ProfileListTest, FailedWriteChangesNothing) {
  using Op = ProfileResult (*)(ProfileList&, const std::string&);
  const struct {
    const char* name;
    Op op;
    bool writesList;
    bool writesProfile;
  } ops[] = {
      {"new", [](ProfileList& l, const std::string&) { return l.NewProfile(); }, true, true},
      {"copy", [](ProfileList& l, const std::string&) { return l.CopyProfile(); }, true, true},
      {"import", [](ProfileList& l, const std::string& p) { return l.ImportProfile(p); }, true,
       true},
      {"rename", [](ProfileList& l, const std::string&) { return l.RenameProfile("z"); }, true,
       true},
      {"reset", [](ProfileList& l, const std::string&) { return l.ResetProfile(); }, false, true},
      {"select", [](ProfileList& l, const std::string&) { return l.SelectProfile(0); }, true,
       false},
      {"delete", [](ProfileList& l, const std::string&) { return l.DeleteProfile(); }, true, false},
  };
  const std::string import = Root() + "game.json";
  WriteText(import, R"({"profilename": "game", "profileUUID": "x", "Device": []})");

  // Which writes fail: those of the list file, those of profile files, or all.
  for (const std::string failing : {"list", "profile", "all"}) {
    for (const auto& op : ops) {
      SCOPED_TRACE(std::string(op.name) + ", failing " + failing);
      store_.SetBeforeRenameHookForTest(nullptr);
      UseFolder(op.name + ("-" + failing));
      Start({"a", "b"}, 1);
      const std::string listPath = ListPath();
      store_.SetBeforeRenameHookForTest([&](const std::string& temp) {
        const bool isList = temp.rfind(listPath, 0) == 0;
        if (failing == "all" || isList == (failing == "list")) {
          std::filesystem::remove(temp);
          return false;
        }
        return true;
      });
      const std::vector<ProfileEntry> entries = list_->Entries();
      const auto files = AllFiles();

      const bool fails =
          (failing != "profile" && op.writesList) || (failing != "list" && op.writesProfile);
      const ProfileResult result = op.op(*list_, import);
      if (!fails) {
        EXPECT_EQ(result, ProfileResult::kDone);
        continue;
      }
      EXPECT_EQ(result, ProfileResult::kWriteFailed);
      EXPECT_EQ(list_->Entries(), entries);
      EXPECT_EQ(list_->SelectedIndex(), 1);
      EXPECT_EQ(list_->CurrentProfileId(), Id(1));
      EXPECT_EQ(AllFiles(), files);
      ExpectEntriesMatchFiles();
    }
  }
  store_.SetBeforeRenameHookForTest(nullptr);
}

TEST(ProfileListTabs, KindsHideAndShowTheirOperationTabs) {
  using Tabs = std::vector<std::string>;
  const Tabs noPointer = {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"};
  EXPECT_EQ(ProfileList::TabsHiddenFor(1), Tabs{"cursor_Op_tab"});
  EXPECT_EQ(ProfileList::TabsHiddenFor(2), Tabs{});
  EXPECT_EQ(ProfileList::TabsHiddenFor(3), noPointer);
  EXPECT_EQ(ProfileList::TabsHiddenFor(7), noPointer);
  for (int kind : {1, 2, 3}) EXPECT_EQ(ProfileList::TabsShownFor(kind), Tabs{}) << kind;
  EXPECT_EQ(ProfileList::TabsShownFor(7),
            (Tabs{"6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"}));
}

}  // namespace
}  // namespace qv
