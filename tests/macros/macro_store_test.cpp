// The macro store: "macro.config" and the ".mac" files of one data folder, every operation on
// them, hostile files, failed writes, and what a key upload reads.
#include "macros/macro_store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace qv {
namespace {

using test::TempFolderTest;

std::string Id(int n) {
  return FormatTimestampId(2024, 3, 7, 14, 5, 9, n);
}

// "MacroInfo" of macros named after their numbers: "m0", "m1", ...
std::string ConfigText(int count) {
  std::string text = R"({"MacroInfo": [)";
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += ",";
    text += R"({"MacroName": "m)" + std::to_string(i) + R"(", "Guid": ")" + Id(i) + "\"}";
  }
  return text + "]}";
}

// A macro file of key presses of `key`, `count` times.
std::string MacroText(int count, int key = 4, const std::string& extra = "") {
  std::string text =
      R"({"MacroName": "x", "Guid": "y", "Version": 64, )" + extra + R"("Events": [)";
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += ",";
    text += R"({"Type": 10, "Button": )" + std::to_string(key) +
            R"(, "Action": "down", "Delay": ")" + std::to_string(i) + "\"}";
  }
  return text + "]}";
}

class MacroStoreTest : public TempFolderTest {
 protected:
  MacroStoreTest() : folder_(Root() + "keyboard/"), model_(store_) {
    std::filesystem::create_directories(folder_);
    model_.SetFolder(folder_);
  }

  std::string ConfigPath() const { return folder_ + kMacroConfigFileName; }
  std::string MacPath(const std::string& id) const { return folder_ + id + kMacroFileExtension; }

  void Start(const std::string& configText) {
    WriteText(ConfigPath(), configText);
    ASSERT_EQ(model_.Load(), MacroResult::kDone);
  }

  // The list as a fresh model reads it from disk.
  std::vector<MacroEntry> OnDisk() const {
    MacroStore fresh(store_);
    fresh.SetFolder(folder_);
    fresh.Load();
    return fresh.Entries();
  }

  // Every write fails at its rename while `fails` says so; the temporary file is removed as a
  // failed rename would.
  void FailWrites(std::function<bool(const std::string& temp)> fails) {
    store_.SetBeforeRenameHookForTest([fails](const std::string& temp) {
      if (!fails(temp)) return true;
      std::filesystem::remove(temp);
      return false;
    });
  }
  void FailAllWrites() {
    FailWrites([](const std::string&) { return true; });
  }

  std::vector<std::string> Names() const { return model_.Names(); }

  JsonFileStore store_;
  std::string folder_;
  MacroStore model_;
};

TEST_F(MacroStoreTest, CreateTakesTheFirstFreeNameUpToFifty) {
  ASSERT_EQ(model_.Load(), MacroResult::kDone) << "no list file yet";
  std::string name;
  for (int i = 0; i < 3; ++i) ASSERT_EQ(model_.Create(&name), MacroResult::kDone);
  EXPECT_EQ(name, "macro_3");
  EXPECT_EQ(model_.Selected(), 2);
  EXPECT_EQ(Names(), (std::vector<std::string>{"macro_1", "macro_2", "macro_3"}));
  for (const MacroEntry& entry : model_.Entries()) {
    EXPECT_TRUE(IsValidTimestampId(entry.id)) << entry.id;
    EXPECT_FALSE(Exists(MacPath(entry.id))) << "no event file before the first save";
  }
  EXPECT_EQ(OnDisk(), model_.Entries());

  ASSERT_EQ(model_.Remove(0, {}), MacroResult::kDone);
  ASSERT_EQ(model_.Create(&name), MacroResult::kDone);
  EXPECT_EQ(name, "macro_1") << "the freed name is taken again";
  EXPECT_EQ(Names(), (std::vector<std::string>{"macro_2", "macro_3", "macro_1"}));

  // A list holding MACRO_4 in capitals skips macro_4.
  ASSERT_EQ(model_.Rename(0, "MACRO_4"), MacroResult::kDone);
  ASSERT_EQ(model_.Create(&name), MacroResult::kDone);
  EXPECT_EQ(name, "macro_2");
  ASSERT_EQ(model_.Create(&name), MacroResult::kDone);
  EXPECT_EQ(name, "macro_5");

  while (model_.Entries().size() < static_cast<size_t>(kMaxMacros)) {
    ASSERT_EQ(model_.Create(), MacroResult::kDone);
  }
  WriteText(Root() + "combo.mac", MacroText(1));
  const auto before = Snapshot(folder_);
  EXPECT_EQ(model_.Create(&name), MacroResult::kListFull);
  EXPECT_EQ(model_.Import(Root() + "combo.mac"), MacroResult::kListFull);
  EXPECT_EQ(Snapshot(folder_), before);
  EXPECT_EQ(model_.Entries().size(), 50u);
}

TEST_F(MacroStoreTest, NothingIsWrittenBeforeLoad) {
  WriteText(ConfigPath(), ConfigText(2));
  EXPECT_EQ(model_.Create(), MacroResult::kRefused);
  EXPECT_EQ(model_.Import(ConfigPath()), MacroResult::kRefused);
  EXPECT_EQ(ReadText(ConfigPath()), ConfigText(2));
}

struct RenameRow {
  int index;
  const char* text;
  MacroResult result;
};

TEST_F(MacroStoreTest, RenameRules) {
  Start(R"({"MacroInfo": [{"MacroName": "macro_1", "Guid": ")" + Id(1) +
        R"("}, {"MacroName": "macro_2", "Guid": ")" + Id(2) + R"("}]})");
  const RenameRow rows[] = {
      {0, "MACRO_2", MacroResult::kNameTaken}, {0, "", MacroResult::kNameBlank},
      {0, "   ", MacroResult::kNameBlank},     {0, "\t\n", MacroResult::kNameBlank},
      {-1, "free", MacroResult::kRefused},     {2, "free", MacroResult::kRefused},
      {1, "Macro_2", MacroResult::kDone},  // its own name in another case
      {0, " combo ", MacroResult::kDone},  // stored untrimmed
      {1, " COMBO ", MacroResult::kNameTaken},
  };
  for (const RenameRow& row : rows) {
    SCOPED_TRACE(std::to_string(row.index) + " '" + row.text + "'");
    const std::vector<MacroEntry> before = model_.Entries();
    EXPECT_EQ(model_.Rename(row.index, row.text), row.result);
    if (row.result == MacroResult::kDone) {
      EXPECT_EQ(model_.Entries()[static_cast<size_t>(row.index)].name, row.text);
    } else {
      EXPECT_EQ(model_.Entries(), before);
    }
    EXPECT_EQ(OnDisk(), model_.Entries());
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{" combo ", "Macro_2"}));
}

TEST_F(MacroStoreTest, ImportNamesAfterTheFileAndCopiesItUnchanged) {
  ASSERT_EQ(model_.Load(), MacroResult::kDone);
  // Members this program does not know, a byte-order mark and a foreign Guid survive the copy.
  const std::string text = "\xEF\xBB\xBF" + MacroText(3, 4, R"("Colour": "red", )");
  WriteText(Root() + "combo.mac", text);
  for (int i = 0; i < 3; ++i) {
    MacroEventsRead imported;
    ASSERT_EQ(model_.Import(Root() + "combo.mac", &imported), MacroResult::kDone);
    EXPECT_EQ(imported.events.size(), 3u);
    EXPECT_FALSE(imported.Trimmed());
    EXPECT_EQ(model_.Selected(), i);
  }
  EXPECT_EQ(Names(), (std::vector<std::string>{"combo", "combo_1", "combo_1_2"}));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadText(model_.EventFilePath(i)), text);
  EXPECT_EQ(OnDisk(), model_.Entries());

  WriteText(Root() + ".mac", MacroText(1));
  ASSERT_EQ(model_.Import(Root() + ".mac"), MacroResult::kDone);
  EXPECT_EQ(Names().back(), "macro_1") << "a file without a base name gets a generated name";
}

struct HostileFileRow {
  const char* name;
  std::function<void(const std::string& path)> make;
  MacroResult result;
  size_t events;  // kept, when imported
};

TEST_F(MacroStoreTest, HostileImportsAreRefusedOrStoredTrimmed) {
  auto text = [](std::string t) { return [t](const std::string& p) { WriteText(p, t); }; };
  std::string deep(100000, '[');
  deep += std::string(100000, ']');
  std::string mixed = R"({"Events": [{"Type": 10, "Button": 4, "Action": "down", "Delay": "1"},
      {"Type": 77, "Button": 4, "Action": "down"}, {"Type": 1, "Button": 999, "Action": "up"},
      "junk", {"Type": 9, "Button": 2, "Action": "up", "Delay": [1]},
      {"Type": 1, "Button": 2, "Action": "up", "Delay": "70000"}]})";
  const HostileFileRow rows[] = {
      {"missing", [](const std::string&) {}, MacroResult::kBadFile, 0},
      {"empty", text(""), MacroResult::kBadFile, 0},
      {"not JSON", text("{\"Events\": [ {"), MacroResult::kBadFile, 0},
      {"binary", text(std::string("\x01\x02\xFF\xFE", 4)), MacroResult::kBadFile, 0},
      {"array", text("[{\"Type\": 10}]"), MacroResult::kBadFile, 0},
      {"no events", text(R"({"MacroName": "m"})"), MacroResult::kBadFile, 0},
      {"events an object", text(R"({"Events": {"0": {"Type": 10}}})"), MacroResult::kBadFile, 0},
      {"nested too deep", text(deep), MacroResult::kBadFile, 0},
      {"a folder", [](const std::string& p) { std::filesystem::create_directory(p); },
       MacroResult::kBadFile, 0},
      {"too large",
       [](const std::string& p) {
         std::string big = MacroText(1);
         big.insert(big.size() - 1, std::string(kMaxJsonFileSize, ' '));
         WriteText(p, big);
       },
       MacroResult::kBadFile, 0},
      {"300 events", text(MacroText(300)), MacroResult::kDone, 250},
      {"mixed", text(mixed), MacroResult::kDone, 2},
      {"foreign guid", text(R"({"Guid": "../../escape", "Events": []})"), MacroResult::kDone, 0},
  };
  ASSERT_EQ(model_.Load(), MacroResult::kDone);
  for (const HostileFileRow& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = Root() + "in/" + row.name + ".mac";
    std::filesystem::create_directories(Root() + "in");
    row.make(path);
    const std::vector<MacroEntry> before = model_.Entries();
    const auto files = Snapshot(folder_);
    MacroEventsRead imported;
    ASSERT_EQ(model_.Import(path, &imported), row.result);
    if (row.result != MacroResult::kDone) {
      EXPECT_EQ(model_.Entries(), before);
      EXPECT_EQ(Snapshot(folder_), files);
      continue;
    }
    EXPECT_EQ(model_.Entries().size(), before.size() + 1);
    EXPECT_EQ(imported.events.size(), row.events);
    // The stored file is what the list shows, clean, named inside the folder.
    const int last = static_cast<int>(model_.Entries().size()) - 1;
    EXPECT_EQ(model_.EventFilePath(last).rfind(folder_, 0), 0u);
    MacroEventsRead stored;
    ASSERT_EQ(model_.LoadEvents(last, &stored), MacroResult::kDone);
    EXPECT_EQ(stored.events, imported.events);
    EXPECT_FALSE(stored.Trimmed());
  }
  EXPECT_FALSE(Exists(Root() + "escape.mac"));
  EXPECT_EQ(OnDisk(), model_.Entries());
}

TEST_F(MacroStoreTest, ListIdentifiersNeverNameAPathOutsideTheFolder) {
  WriteText(Root() + "outside.mac", MacroText(2));
  WriteText(MacPath(Id(0)), MacroText(1));
  const std::string config = R"({"Other": 1, "MacroInfo": [
      {"MacroName": "good", "Guid": ")" +
                             Id(0) + R"("},
      {"MacroName": "up", "Guid": "../outside"},
      {"MacroName": "absolute", "Guid": ")" +
                             Root() + R"(outside"},
      {"MacroName": "no id"},
      {"MacroName": "twin", "Guid": ")" +
                             Id(0) + R"("},
      {"MacroName": "number id", "Guid": 20240307},
      5,
      {"MacroName": "  ", "Guid": ")" +
                             Id(1) + R"("}]})";
  Start(config);

  const auto& entries = model_.Entries();
  ASSERT_EQ(entries.size(), 8u) << "every entry keeps its place: keys are bound by position";
  EXPECT_EQ(entries[0], (MacroEntry{"good", Id(0)}));
  EXPECT_EQ(entries[6].name, "macro_1");
  EXPECT_EQ(entries[7], (MacroEntry{"macro_2", Id(1)}));
  std::set<std::string> ids;
  for (const MacroEntry& entry : entries) {
    EXPECT_TRUE(IsValidTimestampId(entry.id)) << entry.name;
    EXPECT_TRUE(ids.insert(entry.id).second) << "shared identifier " << entry.id;
  }
  EXPECT_EQ(OnDisk(), entries) << "the mended list is written back";
  EXPECT_EQ(store_.ReadJsonFile(ConfigPath())["Other"], 1);

  MacroEventsRead read;
  for (int i = 1; i < 6; ++i) {
    ASSERT_EQ(model_.LoadEvents(i, &read), MacroResult::kDone);
    EXPECT_TRUE(read.events.empty()) << entries[static_cast<size_t>(i)].name;
  }
  ASSERT_EQ(model_.SaveEvents(1, {{5, 10, true, 4}}), MacroResult::kDone);
  EXPECT_EQ(model_.EventFilePath(1).rfind(folder_, 0), 0u);
  EXPECT_EQ(ReadText(Root() + "outside.mac"), MacroText(2));

  // The upload reads the raw list as the device does: the same identifiers are refused there.
  const std::string raw = R"({"MacroInfo": [{"Guid": "../outside"}, {"Guid": ")" + Id(0) + "\"}]}";
  WriteText(ConfigPath(), raw);
  const MacroUploadSet set = ReadMacrosForUpload(store_, folder_, {0, 1});
  ASSERT_EQ(set.macros.size(), 2u);
  EXPECT_TRUE(set.macros[0].empty());
  EXPECT_EQ(set.macros[1].size(), 1u);
}

TEST_F(MacroStoreTest, DamagedListReadsEmptyAndIsKept) {
  for (const std::string& text : {std::string("{\"MacroInfo\": ["), std::string("[1, 2]"),
                                  std::string(R"({"MacroInfo": {"MacroName": "m"}})")}) {
    SCOPED_TRACE(text);
    std::filesystem::remove(ConfigPath() + kBackupSuffix);
    Start(text);
    EXPECT_TRUE(model_.Entries().empty());
    EXPECT_EQ(ReadText(ConfigPath() + kBackupSuffix), text);
    ASSERT_EQ(model_.Create(), MacroResult::kDone);
    EXPECT_EQ(OnDisk(), model_.Entries());
  }
  Start(ConfigText(kMaxMacros + 10));
  EXPECT_EQ(model_.Entries().size(), 50u);
  EXPECT_EQ(OnDisk().size(), 50u);
}

TEST_F(MacroStoreTest, EventsLoadCheckedAndSaveNormalised) {
  Start(ConfigText(4));
  MacroEventsRead read;
  EXPECT_EQ(model_.LoadEvents(0, &read), MacroResult::kDone) << "never saved";
  EXPECT_TRUE(read.events.empty());
  EXPECT_EQ(model_.LoadEvents(4, &read), MacroResult::kRefused);

  // A recorder's first event with the integer 0, and a delay above the limit.
  WriteText(MacPath(Id(1)), R"({"Events": [
      {"Type": 10, "Button": 4, "Action": "down", "Delay": 0},
      {"Type": 10, "Button": 4, "Action": "up", "Delay": "70000"}]})");
  ASSERT_EQ(model_.LoadEvents(1, &read), MacroResult::kDone);
  EXPECT_EQ(read.events, (std::vector<MacroEvent>{{0, 10, true, 4}, {65535, 10, false, 4}}));
  ASSERT_EQ(model_.SaveEvents(1, read.events), MacroResult::kDone);
  const Json::Value saved = store_.ReadJsonFile(MacPath(Id(1)));
  EXPECT_EQ(saved["Events"][0]["Delay"], "0");
  EXPECT_EQ(saved["Events"][1]["Delay"], "65535");
  EXPECT_EQ(saved["MacroName"], "m1");
  EXPECT_EQ(saved["Guid"], Id(1));
  EXPECT_EQ(saved["Version"], 64);

  WriteText(MacPath(Id(2)), MacroText(260));
  ASSERT_EQ(model_.LoadEvents(2, &read), MacroResult::kDone);
  EXPECT_EQ(read.events.size(), 250u);
  EXPECT_EQ(read.cut, 10u);

  for (const std::string& damaged :
       {std::string("{"), std::string(R"({"Events": 3})"), std::string("")}) {
    WriteText(MacPath(Id(3)), damaged);
    EXPECT_EQ(model_.LoadEvents(3, &read), MacroResult::kBadFile) << damaged;
    EXPECT_TRUE(read.events.empty());
  }
}

TEST_F(MacroStoreTest, SavingMoreThan250EventsLeavesTheFile) {
  Start(ConfigText(1));
  const std::vector<MacroEvent> full(kMaxMacroEvents, MacroEvent{1, 10, true, 4});
  ASSERT_EQ(model_.SaveEvents(0, full), MacroResult::kDone);
  const std::string before = ReadText(MacPath(Id(0)));
  std::vector<MacroEvent> over = full;
  over.push_back({2, 10, false, 4});
  EXPECT_EQ(model_.SaveEvents(0, over), MacroResult::kTooManyEvents);
  EXPECT_EQ(ReadText(MacPath(Id(0))), before);
  EXPECT_EQ(model_.SaveEvents(-1, full), MacroResult::kRefused);
}

TEST_F(MacroStoreTest, ExportCopiesTheStoredFile) {
  Start(ConfigText(4));
  const std::string clean = MacroText(2, 5, R"("Colour": "red", )");
  WriteText(MacPath(Id(0)), clean);
  WriteText(MacPath(Id(2)), MacroText(300));
  WriteText(MacPath(Id(3)), "{ damaged");
  const std::string out = Root() + "out.mac";

  ASSERT_EQ(model_.Export(0, out), MacroResult::kDone);
  EXPECT_EQ(ReadText(out), clean);

  ASSERT_EQ(model_.Export(1, out), MacroResult::kDone) << "never saved: an empty macro";
  EXPECT_EQ(store_.ReadJsonFile(out), MacroFileDocument("m1", Id(1), {}));

  MacroEventsRead exported;
  ASSERT_EQ(model_.Export(2, out, &exported), MacroResult::kDone);
  EXPECT_EQ(exported.cut, 50u);
  EXPECT_EQ(ReadMacroEvents(store_.ReadJsonFile(out)).events.size(), 250u);

  std::filesystem::remove(out);
  EXPECT_EQ(model_.Export(3, out), MacroResult::kBadFile);
  EXPECT_FALSE(Exists(out));
  EXPECT_EQ(model_.Export(4, out), MacroResult::kRefused);
}

// A profile file whose key slots hold these "Assignment" codes; every default is 0x200029.
std::string ProfileText(const std::vector<int>& codes) {
  std::string text = R"({"profilename": "p", "Device": [{"KeyList": [)";
  for (size_t i = 0; i < codes.size(); ++i) {
    if (i > 0) text += ",";
    text += R"({"Assignment": )" + std::to_string(codes[i]) + R"(, "DefaultAssignment": 2097193})";
  }
  return text + "]}]}";
}

std::vector<int> Assignments(const JsonFileStore& store, const std::string& path) {
  std::vector<int> codes;
  const Json::Value root = store.ReadJsonFile(path);
  for (const Json::Value& key : root["Device"][0]["KeyList"]) {
    codes.push_back(key["Assignment"].asInt());
  }
  return codes;
}

int Macro(int kind, int number) {
  return kind << 16 | number << 8;
}

TEST_F(MacroStoreTest, RemoveRebindsTheKeysOfEveryProfile) {
  Start(ConfigText(5));
  for (int i = 0; i < 5; ++i) WriteText(MacPath(Id(i)), MacroText(1));
  const std::string a = folder_ + "a.Json";
  const std::string b = folder_ + "b.Json";
  const std::string plain = folder_ + "plain.Json";
  constexpr int kDefault = 0x200029;
  // A key of another kind whose first value is 2 or 3 is no macro binding.
  WriteText(a, ProfileText({Macro(0x70, 1), Macro(0x70, 2), Macro(0x71, 3), Macro(0x70, 4),
                            0x200300, 0x200200}));
  WriteText(b, ProfileText({Macro(0x71, 2)}));
  WriteText(plain, ProfileText({0x200004, Macro(0x70, 0)}));
  const std::string plainText = ReadText(plain);
  std::vector<std::string> changed;
  ASSERT_EQ(model_.Remove(2, {a, b, plain, a, folder_ + "missing.Json"}, &changed),
            MacroResult::kDone);

  EXPECT_EQ(Assignments(store_, a), (std::vector<int>{Macro(0x70, 1), kDefault, Macro(0x71, 2),
                                                      Macro(0x70, 3), 0x200300, 0x200200}))
      << "moved once although listed twice";
  EXPECT_EQ(Assignments(store_, b), (std::vector<int>{kDefault}));
  EXPECT_EQ(ReadText(plain), plainText);
  EXPECT_EQ(changed, (std::vector<std::string>{a, b}));
  EXPECT_EQ(Names(), (std::vector<std::string>{"m0", "m1", "m3", "m4"}));
  EXPECT_EQ(OnDisk(), model_.Entries());
  EXPECT_FALSE(Exists(MacPath(Id(2))));
  EXPECT_EQ(model_.Selected(), 0);

  for (int i = 0; i < 4; ++i) ASSERT_EQ(model_.Remove(0, {}), MacroResult::kDone);
  EXPECT_EQ(model_.Selected(), -1);
  EXPECT_EQ(model_.Remove(0, {}), MacroResult::kRefused) << "nothing to delete";
}

KeyAssignment Bound(uint8_t kind, uint8_t first, uint8_t second = 0) {
  KeyAssignment key;
  key.kind = kind;
  key.first = first;
  key.second = second;
  key.defaultKind = 0x20;  // Escape
  key.defaultSecond = 0x29;
  return key;
}

TEST(MacroKeyBindings, UseAndRebind) {
  EXPECT_TRUE(KeysUseMacro({Bound(0x20, 2), Bound(0x71, 2)}, 2));
  EXPECT_FALSE(KeysUseMacro({Bound(0x20, 2), Bound(0x70, 3)}, 2));

  struct Row {
    KeyAssignment before;
    bool changed;
    KeyAssignment after;
  };
  const Row rows[] = {
      {Bound(0x70, 2), true, Bound(0x20, 0, 0x29)}, {Bound(0x71, 3), true, Bound(0x71, 2)},
      {Bound(0x70, 255), true, Bound(0x70, 254)},   {Bound(0x70, 1), false, Bound(0x70, 1)},
      {Bound(0x20, 3), false, Bound(0x20, 3)},
  };
  for (const Row& row : rows) {
    KeyAssignment key = row.before;
    EXPECT_EQ(RebindKeyForRemovedMacro(&key, 2), row.changed);
    EXPECT_EQ(key, row.after);
  }
}

TEST_F(MacroStoreTest, FailedWritesChangeNothing) {
  WriteText(Root() + "combo.mac", MacroText(2));
  WriteText(Root() + "long.mac", MacroText(300));
  struct Op {
    const char* name;
    bool writesList;
    std::function<MacroResult(MacroStore&)> run;
  };
  const Op ops[] = {
      {"create", true, [](MacroStore& m) { return m.Create(); }},
      {"rename", true, [](MacroStore& m) { return m.Rename(1, "new"); }},
      {"remove", true, [](MacroStore& m) { return m.Remove(1, {}); }},
      {"import", true, [&](MacroStore& m) { return m.Import(Root() + "combo.mac"); }},
      {"import trimmed", true, [&](MacroStore& m) { return m.Import(Root() + "long.mac"); }},
      {"save", false,
       [](MacroStore& m) {
         return m.SaveEvents(0, {{1, 10, true, 4}});
       }},
      {"export", false, [&](MacroStore& m) { return m.Export(0, Root() + "out.mac"); }},
  };
  // Failing the list alone shows that a file written before it (an import's) is taken back.
  for (const bool listOnly : {false, true}) {
    for (const Op& op : ops) {
      if (listOnly && !op.writesList) continue;
      SCOPED_TRACE(std::string(op.name) + (listOnly ? ", list failing" : ", all failing"));
      store_.SetBeforeRenameHookForTest(nullptr);
      Start(ConfigText(3));
      WriteText(MacPath(Id(0)), MacroText(1));
      WriteText(MacPath(Id(1)), MacroText(2));
      model_.Select(2);
      const std::vector<MacroEntry> entries = model_.Entries();
      const auto files = Snapshot(Root());
      FailWrites(
          [&](const std::string& temp) { return !listOnly || temp.rfind(ConfigPath(), 0) == 0; });
      EXPECT_EQ(op.run(model_), MacroResult::kWriteFailed);
      EXPECT_EQ(model_.Entries(), entries);
      EXPECT_EQ(model_.Selected(), 2);
      EXPECT_EQ(Snapshot(Root()), files);
    }
  }
  store_.SetBeforeRenameHookForTest(nullptr);
}

TEST_F(MacroStoreTest, FailedRemoveRestoresTheProfilesAlreadyRewritten) {
  const std::string a = folder_ + "a.Json";
  const std::string b = folder_ + "b.Json";
  for (const std::string& failing : {std::string("list"), std::string("b.Json")}) {
    SCOPED_TRACE(failing);
    store_.SetBeforeRenameHookForTest(nullptr);
    Start(ConfigText(3));
    WriteText(a, ProfileText({Macro(0x70, 2)}));
    WriteText(b, ProfileText({Macro(0x70, 1)}));
    const auto files = Snapshot(Root());
    const std::string failingPath = failing == "list" ? ConfigPath() : b;
    FailWrites([&](const std::string& temp) { return temp.rfind(failingPath, 0) == 0; });
    std::vector<std::string> changed = {"stale"};
    EXPECT_EQ(model_.Remove(1, {a, b}, &changed), MacroResult::kWriteFailed);
    EXPECT_TRUE(changed.empty());
    EXPECT_EQ(model_.Entries().size(), 3u);
    EXPECT_EQ(Snapshot(Root()), files);
  }
  store_.SetBeforeRenameHookForTest(nullptr);
}

TEST_F(MacroStoreTest, AMendedListThatCouldNotBeWrittenIsStoredBeforeTheFirstSave) {
  WriteText(ConfigPath(), R"({"MacroInfo": [{"MacroName": "bad", "Guid": "../x"}]})");
  FailAllWrites();
  ASSERT_EQ(model_.Load(), MacroResult::kWriteFailed);
  const std::string id = model_.Entries()[0].id;
  EXPECT_TRUE(IsValidTimestampId(id));
  EXPECT_EQ(model_.SaveEvents(0, {{1, 10, true, 4}}), MacroResult::kWriteFailed);
  EXPECT_FALSE(Exists(MacPath(id)));

  store_.SetBeforeRenameHookForTest(nullptr);
  ASSERT_EQ(model_.SaveEvents(0, {{1, 10, true, 4}}), MacroResult::kDone);
  EXPECT_EQ(OnDisk(), (std::vector<MacroEntry>{{"bad", id}}));
  MacroEventsRead read;
  ASSERT_EQ(model_.LoadEvents(0, &read), MacroResult::kDone);
  EXPECT_EQ(read.events.size(), 1u);
}

TEST_F(MacroStoreTest, UploadReadsTheAskedMacrosInOrder) {
  EXPECT_FALSE(ReadMacrosForUpload(store_, folder_, {0}).listRead) << "no list file";
  WriteText(ConfigPath(), ConfigText(3));
  WriteText(MacPath(Id(0)), R"({"Events": [{"Delay": "300", "Type": 10, "Action": "down",
                                            "Button": 4}]})");
  WriteText(MacPath(Id(1)), MacroText(400, 5));
  const MacroUploadSet set = ReadMacrosForUpload(store_, folder_, {1, 0, 2, 7});
  ASSERT_TRUE(set.listRead);
  ASSERT_EQ(set.macros.size(), 4u);
  EXPECT_EQ(set.macros[0].size(), 250u);
  EXPECT_EQ(set.trimmed, 150u);
  EXPECT_EQ(set.macros[1], (std::vector<MacroEvent>{{300, 10, true, 4}}));
  EXPECT_TRUE(set.macros[2].empty()) << "never saved";
  EXPECT_TRUE(set.macros[3].empty()) << "not in the list";

  const std::vector<uint8_t> image = BuildMacroImage({set.macros[1]});
  const std::vector<uint8_t> event(image.end() - 4, image.end());
  EXPECT_EQ(event, (std::vector<uint8_t>{0x2C, 0x01, 0x8A, 0x04}));
}

TEST(MacroConfigFile, NamedByDeviceKind) {
  EXPECT_STREQ(MacroConfigFileName(1), "macro.config");
  EXPECT_STREQ(MacroConfigFileName(2), "macro.config");
  EXPECT_STREQ(MacroConfigFileName(3), "zelik_macro.config");
  EXPECT_STREQ(MacroConfigFileName(7), "zelik_macro.config");
}

}  // namespace
}  // namespace qv
