// Profile data classes: loading and saving the profile file, the sections of each kind, and
// values from hand-edited or imported files that are out of range or of the wrong type.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "profiles/basic_profiledata.h"
#include "profiles/data_folders.h"
#include "profiles/hs6533_profiledata.h"
#include "profiles/json_file_store.h"
#include "profiles/keyboard_profiledata.h"
#include "profiles/mouse_profiledata.h"
#include "temp_folder.h"

namespace qv {
namespace {

using test::TempFolderTest;

Json::Value Parse(const std::string& text) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value out;
  EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &out, nullptr)) << text;
  return out;
}

class ProfileTest : public TempFolderTest {
 protected:
  ProfileTest() : folder_(DeviceDataFolder("keyboard")) {}

  std::string Path(const char* name) const { return folder_ + name; }
  // A profile file whose device entry is `entry` (JSON text).
  std::string WriteProfile(const char* name, const std::string& entry) {
    const std::string path = Path(name);
    WriteText(path,
              "{\"profilename\":\"mine\",\"profileUUID\":\"2024_01_02_03_04_05_006\","
              "\"Device\":[" +
                  entry + "]}");
    return path;
  }
  std::string WriteDefault(const std::string& entry) {
    const std::string path = Root() + "default.Json";
    WriteText(path,
              "{\"profilename\":\"Default\",\"profileUUID\":\"\",\"Device\":[" + entry + "]}");
    return path;
  }
  // Loads `entry` as the current document of `data`.
  template <class T>
  void Open(T& data, const std::string& entry) {
    const std::string path = WriteProfile("open.Json", entry);
    data.SetProfilePath(path);
    data.LoadDeviceEntry(path);
  }

  std::string folder_;
  JsonFileStore store_;
};

// Loading and saving the file.

TEST_F(ProfileTest, LoadingMissingProfileCreatesItFromDefaultWithoutName) {
  CBasicProfiledata data;
  data.SetDefaultProfilePath(WriteDefault("{\"LightInfo\":{\"Red\":9}}"));
  const std::string path = Path("2024_01_01_00_00_00_000.Json");
  const Json::Value doc = data.LoadDeviceEntry(path);
  EXPECT_EQ(doc["LightInfo"]["Red"].asInt(), 9);
  const Json::Value root = store_.ReadJsonFile(path);
  EXPECT_EQ(root["Device"][0], doc);
  EXPECT_FALSE(root.isMember("profilename"));
  EXPECT_EQ(data.LightInfo().red, 9);
}

TEST_F(ProfileTest, SavingKeepsNameAndIdentifierOfTheFile) {
  CBasicProfiledata data;
  Open(data, "{\"LightInfo\":{\"Red\":1}}");
  data.SetLightInfo(0, 0x7F, 0, 0);  // Red is byte 5: bits 8..15 of the second word
  ASSERT_EQ(data.SaveProfile(), kStoreOk);
  const Json::Value root = store_.ReadJsonFile(data.ProfilePath());
  EXPECT_EQ(root["profilename"].asString(), "mine");
  EXPECT_EQ(root["profileUUID"].asString(), "2024_01_02_03_04_05_006");
  EXPECT_EQ(root["Device"][0]["LightInfo"]["MultiColor"].asInt(), 0x7F);
  EXPECT_EQ(root["Device"][0]["LightInfo"]["Red"].asInt(), 0);
}

TEST_F(ProfileTest, DamagedProfileFilesAreBackedUpAndRebuiltFromDefault) {
  struct Case {
    const char* name;
    const char* content;
  };
  const Case cases[] = {
      {"unparsable", "{\"Device\":[{"},
      {"root is an array", "[1,2]"},
      {"Device is a string", "{\"profilename\":\"x\",\"Device\":\"oops\"}"},
      {"entry is a number", "{\"Device\":[5]}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CKeyboardProfiledata data;
    data.SetDefaultProfilePath(WriteDefault("{\"SystemStages\":{\"Repeat\":12}}"));
    const std::string path = Path("damaged.Json");
    WriteText(path, c.content);
    ASSERT_NO_THROW(data.LoadDeviceEntry(path));
    EXPECT_EQ(data.KeyboardSettings()[0] & 0xFFFF, 12u);
    EXPECT_EQ(ReadText(path + kBackupSuffix), c.content) << "the damaged file is kept";
    EXPECT_EQ(store_.ReadJsonFile(path)["Device"][0]["SystemStages"]["Repeat"].asInt(), 12);
  }
}

TEST_F(ProfileTest, MissingDefaultGivesNullDocumentAndSaveWritesOnlyWhatWasSet) {
  CMouseProfiledata data;
  data.SetDefaultProfilePath(Root() + "no_default.Json");
  const std::string path = Path("new.Json");
  data.SetProfilePath(path);
  EXPECT_TRUE(data.LoadDeviceEntry(path).isNull());
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(data.LightInfo(), LightSettings{});
  EXPECT_TRUE(data.KeyList().empty());
  EXPECT_TRUE(data.DpiStages().empty());
  data.SetMouseSettings(0x00020001, 0, 0x00030000);
  ASSERT_EQ(data.SaveProfile(), kStoreOk);
  const Json::Value entry = store_.ReadJsonFile(path)["Device"][0];
  EXPECT_EQ(entry.getMemberNames(), (std::vector<std::string>{"ReportStages", "SystemStages"}));
  EXPECT_EQ(entry["ReportStages"]["StageActive"].asInt(), 3);
}

TEST_F(ProfileTest, SaveReportsFailure) {
  CBasicProfiledata data;
  data.SetProfilePath(Root() + "no/such/folder/p.Json");
  data.SetLightInfo(LightSettings{});
  EXPECT_LT(data.SaveProfile(), 0);
}

TEST_F(ProfileTest, SecondDocumentIsIndependentOfCurrent) {
  CBasicProfiledata data;
  Open(data, "{\"KeyList\":[{\"Assignment\":1,\"DefaultAssignment\":1}]}");
  const std::string other = WriteProfile("other.Json", "{\"KeyList\":[{\"Assignment\":2}]}");
  data.LoadSecondEntry(other);
  std::vector<KeyAssignment> keys = data.SecondKeyList();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].second, 2);
  keys[0].second = 5;
  data.SetSecondKeyList(keys);
  ASSERT_EQ(data.SaveSecondEntry(other), kStoreOk);
  EXPECT_EQ(store_.ReadJsonFile(other)["Device"][0]["KeyList"][0]["Assignment"].asInt(), 5);
  EXPECT_EQ(data.KeyList()[0].second, 1) << "the current document is untouched";
}

// Sections common to all kinds.

TEST_F(ProfileTest, KeyListStoresCodesAndLeavesDefaultsAlone) {
  CBasicProfiledata data;
  Open(data,
       "{\"KeyList\":[{\"Assignment\":2097193,\"DefaultAssignment\":2097193},"
       "{\"Assignment\":\"x\",\"DefaultAssignment\":-1}, 7]}");
  std::vector<KeyAssignment> keys = data.KeyList();
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].Code(), 0x200029u);
  EXPECT_EQ(keys[0].DefaultCode(), 0x200029u);
  EXPECT_EQ(keys[1].Code(), 0u) << "a string reads as absent";
  EXPECT_EQ(keys[1].DefaultCode(), 0xFFFFFFu) << "24 bits of the number";
  EXPECT_EQ(keys[2].keyIndex, 2);

  keys[0].kind = 0x70;
  keys[0].first = 3;
  keys[0].second = 0;
  data.SetKeyList(keys);
  const Json::Value& list = data.Document()["KeyList"];
  EXPECT_EQ(list[0]["Assignment"].asInt(), 0x70 * 65536 + 3 * 256);
  EXPECT_EQ(list[0]["DefaultAssignment"].asInt(), 0x200029);
  EXPECT_TRUE(list[2].isObject()) << "a damaged element is rebuilt, not a crash";
}

TEST_F(ProfileTest, LightInfoReadsBoundedValuesAndRoundTripsThroughWords) {
  CBasicProfiledata data;
  Open(data,
       "{\"LightInfo\":{\"SelectItem\":260,\"Light\":9,\"Speed\":-1,\"Fx\":1,"
       "\"MultiColor\":5,\"Red\":\"12\",\"Green\":255,\"Blue\":1.5,\"ZZCCLedMode\":2,"
       "\"CustomGroup\":3,\"OldLedmode\":[1]}}");
  const LightSettings s = data.LightInfo();
  EXPECT_EQ(s.selectItem, 4) << "modulo 256";
  EXPECT_EQ(s.light, kMaxLightLevel) << "clamped to the level table";
  EXPECT_EQ(s.speed, kMaxLightLevel) << "-1 is 255, clamped";
  EXPECT_EQ(s.multiColor, 1) << "a flag";
  EXPECT_EQ(s.red, 0);
  EXPECT_EQ(s.green, 255);
  EXPECT_EQ(s.blue, 0);
  EXPECT_EQ(s.zzccLedMode, 2);
  EXPECT_EQ(s.customGroup, 3);
  EXPECT_EQ(s.oldLedMode, 0);

  LightSettings in;
  in.selectItem = 7;
  in.light = 3;
  in.speed = 1;
  in.fx = 1;
  in.multiColor = 1;
  in.red = 10;
  in.green = 20;
  in.blue = 30;
  in.reserved[0] = 99;  // memory only
  in.zzccLedMode = 4;
  in.customGroup = 5;
  in.oldLedMode = 6;
  uint32_t w0, w1, w2;
  uint16_t h;
  in.ToWords(&w0, &w1, &w2, &h);
  EXPECT_EQ(w0, 0x01010307u);
  EXPECT_EQ(h, 0x0605);
  data.SetLightInfo(w0, w1, w2, h);
  ASSERT_EQ(data.SaveProfile(), kStoreOk);
  CBasicProfiledata reread;
  reread.LoadDeviceEntry(data.ProfilePath());
  LightSettings expected = in;
  expected.reserved[0] = 0;
  EXPECT_EQ(reread.LightInfo(), expected);
  EXPECT_EQ(reread.Document()["LightInfo"].size(), 11u);
}

TEST_F(ProfileTest, LightInfoOfWrongTypeGivesFallback) {
  CBasicProfiledata data;
  Open(data, "{\"LightInfo\":\"red\"}");
  EXPECT_EQ(data.LightInfo(), LightSettings{});
}

TEST_F(ProfileTest, AudioLightInfoPacksAndReadsFlags) {
  CBasicProfiledata data;
  Open(data,
       "{\"AudioLightInfo\":{\"AudioMode\":2,\"FgColorB\":257,\"7ColorFlags\":9,"
       "\"ColorTypeFlags\":true}}");
  const AudioLightSettings a = data.AudioLightInfo();
  EXPECT_EQ(a.audioMode, 2);
  EXPECT_EQ(a.fgColorB, 1);
  EXPECT_EQ(a.sevenColorFlags, 1);
  EXPECT_EQ(a.colorTypeFlags, 1u);
  data.SetAudioLightInfo(0x04030201, 0x01070605, 1);
  const AudioLightSettings b = data.AudioLightInfo();
  EXPECT_EQ(b.bkColorB, 4);
  EXPECT_EQ(b.fgColorB, 7);
  EXPECT_EQ(b.sevenColorFlags, 1);
  EXPECT_EQ(b.colorTypeFlags, 1u);
}

TEST_F(ProfileTest, LightListMarksNullElementsAndIsBounded) {
  CBasicProfiledata data;
  std::string list = "[null,{\"LEDREGMode\":2,\"LEDBrightness\":200,\"LEDDirection\":3,\"red\":1}";
  for (size_t i = 0; i < kMaxLightListSize + 10; ++i) list += ",{}";
  Open(data, "{\"LightList\":" + list + "]}");
  const std::vector<LightListEntry> entries = data.LightList();
  ASSERT_EQ(entries.size(), kMaxLightListSize);
  EXPECT_EQ(entries[0], LightListEntry{});
  EXPECT_EQ(entries[1].present, 1);
  EXPECT_EQ(entries[1].mode, 2);
  EXPECT_EQ(entries[1].brightness, kMaxLightLevel);
  EXPECT_EQ(entries[1].direction, 1);
  EXPECT_EQ(entries[1].red, 1);
}

// Keyboard.

TEST_F(ProfileTest, KeyboardSettingsPackSixteenBitHalves) {
  CKeyboardProfiledata data;
  Open(data,
       "{\"SystemStages\":{\"Repeat\":70000,\"RepeatDelay\":2,\"Key6Flag\":1,"
       "\"PollingRate\":3,\"WFlag\":\"1\",\"WinFlag\":1}}");
  const auto words = data.KeyboardSettings();
  EXPECT_EQ(words[0], (2u << 16) | static_cast<uint32_t>(kKeyboardRepeatRateMax));
  EXPECT_EQ(words[1], (3u << 16) | 1u);
  EXPECT_EQ(words[2], 1u << 16);
  data.SetKeyboardSettings(0x00030014, 0x00020001, 0x00010000);
  const Json::Value& s = data.Document()["SystemStages"];
  EXPECT_EQ(s["Repeat"].asInt(), 20);
  EXPECT_EQ(s["RepeatDelay"].asInt(), 3);
  EXPECT_EQ(s["PollingRate"].asInt(), 2);
  EXPECT_EQ(s["WFlag"].asInt(), 0);
  EXPECT_EQ(s["WinFlag"].asInt(), 1);
}

// Values out of their range in a file: a switch or option number reads as 0, the repeat rate
// is clamped to the slider's range, so that nothing goes back to the file or the keyboard as
// 65535.
TEST_F(ProfileTest, KeyboardSettingsOutOfRangeAreBounded) {
  struct Case {
    const char* stages;
    // Repeat, RepeatDelay, Key6Flag, PollingRate, WFlag, WinFlag
    std::array<uint32_t, 6> expected;
  };
  // The six values of the three packed words, low half first.
  const auto halves = [](const std::array<uint32_t, 3>& w) {
    return std::array<uint32_t, 6>{w[0] & 0xFFFF, w[0] >> 16,    w[1] & 0xFFFF,
                                   w[1] >> 16,    w[2] & 0xFFFF, w[2] >> 16};
  };
  const Case cases[] = {
      {"\"Repeat\":-1,\"RepeatDelay\":-1,\"Key6Flag\":-1,\"PollingRate\":-1,\"WFlag\":-1,"
       "\"WinFlag\":-1",
       {0, 0, 1, 0, 1, 1}},  // a switch is on when its number is not zero
      {"\"Repeat\":65535,\"RepeatDelay\":4,\"Key6Flag\":2,\"PollingRate\":7,\"WFlag\":65536,"
       "\"WinFlag\":1",
       {static_cast<uint32_t>(kKeyboardRepeatRateMax), 0, 1, 0, 1, 1}},
      {"\"Repeat\":37,\"RepeatDelay\":3,\"Key6Flag\":1,\"PollingRate\":3,\"WFlag\":1,"
       "\"WinFlag\":0",
       {37, 3, 1, 3, 1, 0}},
  };
  for (const Case& c : cases) {
    CKeyboardProfiledata data;
    Open(data, std::string("{\"SystemStages\":{").append(c.stages).append("}}"));
    const auto w = data.KeyboardSettings();
    EXPECT_EQ(halves(w), c.expected) << c.stages;
    // Stored back as read, the file holds the bounded values.
    data.SetKeyboardSettings(w[0], w[1], w[2]);
    ASSERT_EQ(data.SaveProfile(), kStoreOk);
    CKeyboardProfiledata again;
    again.LoadDeviceEntry(data.ProfilePath());
    EXPECT_EQ(halves(again.KeyboardSettings()), c.expected) << c.stages;
  }
}

TEST_F(ProfileTest, CustomColorsOfMissingGroupAreCreatedAsZeros) {
  CKeyboardProfiledata data;
  Open(data, "{}");
  const std::vector<CustomLightColor> colors = data.CustomLightColors(2, 4);
  EXPECT_EQ(colors, std::vector<CustomLightColor>(4));
  const Json::Value& groups = data.Document()["CustomLightMode"]["LightColorInfo"];
  ASSERT_EQ(groups.size(), 3u);
  ASSERT_EQ(groups[2].size(), 4u);
  EXPECT_EQ(groups[2][3]["Alpha"].asInt(), 0);
  EXPECT_EQ(data.CustomLightGroup(), 0);
}

TEST_F(ProfileTest, CustomColorsReadExistingAndFillGaps) {
  CKeyboardProfiledata data;
  Open(data,
       "{\"CustomLightMode\":{\"CustomLightModeGroupIndex\":1,\"LightColorInfo\":"
       "[[],[{\"Red\":1,\"Green\":2,\"Blue\":3,\"Alpha\":255},\"bad\"]]}}");
  EXPECT_EQ(data.CustomLightGroup(), 1);
  const std::vector<CustomLightColor> colors = data.CustomLightColors(1, 3);
  ASSERT_EQ(colors.size(), 3u);
  EXPECT_EQ(colors[0], (CustomLightColor{1, 2, 3, 255}));
  EXPECT_EQ(colors[1], CustomLightColor{});
  EXPECT_TRUE(data.Document()["CustomLightMode"]["LightColorInfo"][1][2].isObject());

  std::vector<CustomLightColor> set(2, CustomLightColor{9, 8, 7, 6});
  ASSERT_TRUE(data.SetCustomLightColors(1, set));
  EXPECT_EQ(data.CustomLightColors(1, 2), set);
}

TEST_F(ProfileTest, CustomGroupIndexesAreBoundedBeforeCreatingElements) {
  CKeyboardProfiledata data;
  Open(data, "{\"CustomLightMode\":{\"CustomLightModeGroupIndex\":1000000}}");
  EXPECT_EQ(data.CustomLightGroup(), 0);
  EXPECT_EQ(data.CustomLightColors(kMaxCustomLightGroups, 4).size(), 4u);
  EXPECT_EQ(data.CustomLightColors(-1, 100000).size(), size_t(kMaxCustomLightColors));
  EXPECT_FALSE(data.Document()["CustomLightMode"].isMember("LightColorInfo"));
  EXPECT_FALSE(data.SetCustomLightColors(1 << 30, {CustomLightColor{}}));
  data.SetCustomLightGroup(99);
  EXPECT_EQ(data.Document()["CustomLightMode"]["CustomLightModeGroupIndex"].asInt(), 0);
}

// Mouse.

TEST_F(ProfileTest, DpiStagesReplaceLeadingEntriesAndNeverShrink) {
  CMouseProfiledata data;
  std::vector<DpiStage> mine(4);
  for (size_t i = 0; i < mine.size(); ++i) mine[i].dpiX = static_cast<uint16_t>(100 + i);
  Open(data, "{}");
  data.SetDpiStages(mine);
  Open(data,
       "{\"DPIStages\":{\"StageActive\":2,\"StageDPIs\":[{\"StageDPIX\":65537,"
       "\"StageColorR\":-2},{\"StageDPIX\":7}]}}");
  const std::vector<DpiStage> stages = data.DpiStages();
  ASSERT_EQ(stages.size(), 4u);
  EXPECT_EQ(stages[0].dpiX, 1) << "16-bit modulo";
  EXPECT_EQ(stages[0].red, 254);
  EXPECT_EQ(stages[1].dpiX, 7);
  EXPECT_EQ(stages[3].dpiX, 103) << "extra stages kept";
  EXPECT_EQ(data.ActiveDpiStage(), 2);

  Open(data, "{}");
  EXPECT_EQ(data.DpiStages().size(), 4u) << "absent section leaves the list";
  EXPECT_EQ(data.ActiveDpiStage(), 2);
}

TEST_F(ProfileTest, DpiStagesAreBoundedAndWrittenWithAllKeys) {
  CMouseProfiledata data;
  std::string list = "[";
  for (int i = 0; i < 50; ++i) list += std::string(i ? "," : "") + "{\"StageDPIX\":1}";
  Open(data,
       "{\"DPIStages\":{\"StageActive\":77,\"StageDPIs\":" + list + "]},\"ReportStages\":\"x\"}");
  EXPECT_EQ(data.DpiStages().size(), kMaxDpiStages);
  EXPECT_EQ(data.ActiveDpiStage(), 0) << "out of the stage table";
  std::vector<DpiStage> stages(2);
  stages[1] = DpiStage{1, 0, 300, 301, 1, 2, 3};
  data.SetDpiStages(stages);
  const Json::Value& written = data.Document()["DPIStages"]["StageDPIs"];
  EXPECT_EQ(written.size(), 50u) << "elements beyond the list stay";
  EXPECT_EQ(written[1].size(), 7u);
  EXPECT_EQ(written[1]["StageDPIY"].asInt(), 301);
}

TEST_F(ProfileTest, MouseReportStageComesOnlyFromReportStages) {
  CMouseProfiledata data;
  Open(data,
       "{\"SystemStages\":{\"DoubleClickTime\":500,\"MouseSpeed\":10,"
       "\"PointerPrecision\":1,\"ScorllPage\":0,\"WheelScorlllinse\":3}}");
  auto words = data.MouseSettings();
  EXPECT_EQ(words[0], (10u << 16) | 500u);
  EXPECT_EQ(words[1], 1u);
  EXPECT_EQ(words[2], 3u);
  data.SetMouseSettings(words[0], words[1], 3 | (2u << 16));
  EXPECT_EQ(data.MouseSettings()[2], 3u | (2u << 16));
}

TEST_F(ProfileTest, CorrectionsReadTypedFields) {
  CMouseProfiledata data;
  Open(data,
       "{\"CorrectInfo\":[{\"CorrectPixThresh\":5,\"CorrectMinSq\":6,"
       "\"CorrectSelect\":1,\"CorrectName\":\"Fast\"},{\"CorrectName\":12},null]}");
  const std::vector<CorrectionEntry> list = data.Corrections();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], (CorrectionEntry{5, 6, 1, "Fast"}));
  EXPECT_EQ(list[1], CorrectionEntry{});
}

// Headset.

TEST_F(ProfileTest, EqTypeSelectsSlot) {
  CHs6533Profiledata data;
  std::string slots = "[[],[";
  for (int i = 0; i < 10; ++i)
    slots += std::string(i ? "," : "") + "{\"value\":" + std::to_string(i) + "}";
  slots += "],[{\"value\":-4}]]";
  Open(data, "{\"EQHzValueInfo\":" + slots + "}");
  const std::vector<int32_t> slot1 = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(data.EqBands(0), slot1);
  EXPECT_EQ(data.EqBands(20), slot1);
  EXPECT_EQ(data.EqBands(-5), slot1);
  EXPECT_EQ(data.EqBands(2)[0], -4);
  EXPECT_TRUE(data.EqBands(13).empty());
  const Json::Value before = data.Document();
  EXPECT_FALSE(data.SetEqBands(13, slot1));
  EXPECT_EQ(data.Document(), before);
}

TEST_F(ProfileTest, MissingEqSlotIsCreatedAsZeros) {
  CHs6533Profiledata data;
  Open(data, "{}");
  EXPECT_EQ(data.EqBands(12), std::vector<int32_t>(10, 0));
  const Json::Value& table = data.Document()["EQHzValueInfo"];
  ASSERT_EQ(table.size(), 13u);
  EXPECT_EQ(table[12].size(), 10u);
  ASSERT_TRUE(data.SetEqBands(12, {5, 6}));
  EXPECT_EQ(data.EqBands(12)[1], 6);
}

TEST_F(ProfileTest, CustomPresetsAreBounded) {
  CHs6533Profiledata data;
  std::string names = "[";
  for (int i = 0; i < 30; ++i)
    names += std::string(i ? "," : "") + "{\"Name\":\"p" + std::to_string(i) + "\"}";
  Open(data, "{\"CustomEQNameInfo\":" + names + ",{\"Name\":3}]}");
  EXPECT_EQ(data.CustomEqNames().size(), size_t(kMaxCustomEqPresets));
  EXPECT_EQ(data.CustomEqBands(1 << 30), std::vector<int32_t>(10, 0));
  EXPECT_EQ(data.CustomEqBands(-1).size(), 10u);
  EXPECT_FALSE(data.Document().isMember("CustomEQHzValueInfo"));
  EXPECT_FALSE(data.SetCustomEqBands(kMaxCustomEqPresets, std::vector<int32_t>(10, 1)));

  ASSERT_TRUE(data.SetCustomEqBands(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(data.CustomEqBands(1), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  data.SetCustomEqNames({"Rock", "Мой"});
  EXPECT_EQ(data.CustomEqNames(), (std::vector<std::string>{"Rock", "Мой"}));
}

TEST_F(ProfileTest, HeadsetSettingsRoundTripAndRejectWrongTypes) {
  CHs6533Profiledata data;
  Open(data,
       "{\"SystemSetStages\":{\"MagicEnable\":1,\"MagicType\":\"2\",\"EqType\":13,"
       "\"MicInValue\":9999999999}}");
  const std::array<int32_t, 8> got = data.HeadsetSettings();
  EXPECT_EQ(got, (std::array<int32_t, 8>{1, 0, 13, 0, 0, 0, 0, 0}));
  const std::array<int32_t, 8> set = {0, 4, 3, 1, 1, 80, 1, 50};
  data.SetHeadsetSettings(set);
  ASSERT_EQ(data.SaveProfile(), kStoreOk);
  CHs6533Profiledata reread;
  reread.LoadDeviceEntry(data.ProfilePath());
  EXPECT_EQ(reread.HeadsetSettings(), set);
}

// Hostile documents: every reader and writer survives them.

TEST_F(ProfileTest, HostileDocumentsNeverThrow) {
  const char* entries[] = {
      "{\"LightInfo\":[],\"LightList\":{},\"KeyList\":\"k\",\"AudioLightInfo\":1}",
      "{\"SystemStages\":[1],\"CustomLightMode\":{\"LightColorInfo\":{\"a\":1}}}",
      "{\"CustomLightMode\":{\"LightColorInfo\":[1,2,3]}}",
      "{\"DPIStages\":{\"StageDPIs\":{\"a\":1}},\"CorrectInfo\":[1,\"x\",[]]}",
      "{\"EQHzValueInfo\":{\"x\":1},\"CustomEQHzValueInfo\":[\"x\",[1,2]],"
      "\"CustomEQNameInfo\":\"x\",\"SystemSetStages\":[]}",
  };
  for (const char* entry : entries) {
    SCOPED_TRACE(entry);
    CKeyboardProfiledata keyboard;
    CMouseProfiledata mouse;
    CHs6533Profiledata headset;
    Open(keyboard, entry);
    Open(mouse, entry);
    Open(headset, entry);
    EXPECT_NO_THROW({
      keyboard.LightInfo();
      keyboard.AudioLightInfo();
      keyboard.LightList();
      keyboard.SetKeyList(keyboard.KeyList());
      keyboard.SetKeyList(std::vector<KeyAssignment>(3));
      keyboard.KeyboardSettings();
      keyboard.CustomLightColors(1, 5);
      keyboard.SetCustomLightColors(2, {CustomLightColor{}});
      keyboard.CustomLightGroup();
      mouse.DpiStages();
      mouse.SetDpiStages(std::vector<DpiStage>(2));
      mouse.ActiveDpiStage();
      mouse.MouseSettings();
      mouse.Corrections();
      headset.HeadsetSettings();
      headset.EqBands(3);
      headset.SetEqBands(4, std::vector<int32_t>(10, 1));
      headset.CustomEqNames();
      headset.CustomEqBands(1);
      headset.SetCustomEqBands(0, std::vector<int32_t>(10, 1));
      headset.SetCustomEqNames({"a"});
    });
    EXPECT_EQ(keyboard.SaveProfile(), kStoreOk);
  }
}

TEST_F(ProfileTest, ProfileIdentityAcceptsOnlyIssuedIdentifiers) {
  EXPECT_EQ(ProfileUuidOf(Parse("{\"profileUUID\":\"2024_01_02_03_04_05_006\"}")),
            "2024_01_02_03_04_05_006");
  EXPECT_EQ(ProfileUuidOf(Parse("{\"profileUUID\":\"../../../.bashrc\"}")), "");
  EXPECT_EQ(ProfileUuidOf(Parse("{\"profileUUID\":5}")), "");
  EXPECT_EQ(ProfileUuidOf(Parse("[1]")), "");
  EXPECT_EQ(ProfileNameOf(Parse("{\"profilename\":\"Mine\"}")), "Mine");
  EXPECT_EQ(ProfileNameOf(Parse("{\"profilename\":[]}")), "");
}

// The factory default profiles shipped in data/DefaultData load through the classes.

class DefaultProfilesTest : public TempFolderTest {
 protected:
  DefaultProfilesTest() { SetInstallFolder(test::RepoDefaultDataFolder() + ".."); }
  ~DefaultProfilesTest() override { SetInstallFolder(""); }

  // Loads the kind's default as a new profile and checks the sections it must carry.
  template <class T>
  void Load(T& data, const char* kind, std::vector<const char*> sections) {
    data.SetDefaultProfilePath(DefaultProfilePath(kind));
    const std::string path = DeviceDataFolder(kind) + "2024_01_01_00_00_00_000.Json";
    data.SetProfilePath(path);
    const Json::Value doc = data.LoadDeviceEntry(path);
    ASSERT_TRUE(doc.isObject()) << DefaultProfilePath(kind);
    for (const char* section : sections) EXPECT_TRUE(doc.isMember(section)) << kind << section;
    EXPECT_TRUE(Exists(path));
    EXPECT_NE(data.LightInfo(), LightSettings{}) << "not the fallback record";
    EXPECT_TRUE(doc["LightList"].isArray());
  }
};

TEST_F(DefaultProfilesTest, Keyboard) {
  CKeyboardProfiledata data;
  Load(data, "keyboard",
       {"LightInfo", "LightList", "KeyList", "AudioLightInfo", "SystemStages", "CustomLightMode"});
  const std::vector<KeyAssignment> keys = data.KeyList();
  ASSERT_EQ(keys.size(), 170u);
  EXPECT_EQ(keys[0].DefaultCode(), 0x200029u);  // Escape
  EXPECT_EQ(keys[1].DefaultCode(), 0x20003Au);  // F1
  EXPECT_EQ(keys[84].DefaultCode(), 0x200200u);
  EXPECT_EQ(keys[124].DefaultCode(), 0xD0A205u);
  EXPECT_EQ(keys[169].DefaultCode(), 0x200000u);
  for (const KeyAssignment& k : keys) EXPECT_EQ(k.Code(), k.DefaultCode());
  EXPECT_LE(data.KeyboardSettings()[1] >> 16, 3u) << "polling option 0..3";
}

TEST_F(DefaultProfilesTest, Mouse) {
  CMouseProfiledata data;
  Load(data, "mouse",
       {"LightInfo", "LightList", "KeyList", "DPIStages", "SystemStages", "ReportStages",
        "CorrectInfo"});
  EXPECT_EQ(data.KeyList().size(), 11u);
  EXPECT_EQ(data.KeyList()[10].DefaultCode(), 0x147802u);
  EXPECT_EQ(data.DpiStages().size(), kMaxDpiStages);
  EXPECT_LT(data.ActiveDpiStage(), static_cast<int>(kMaxDpiStages));
}

TEST_F(DefaultProfilesTest, MousePad) {
  CBasicProfiledata data;
  Load(data, "MousePad", {"LightInfo", "LightList"});
}

TEST_F(DefaultProfilesTest, Headset) {
  CHs6533Profiledata data;
  Load(data, "HD",
       {"LightInfo", "LightList", "SystemSetStages", "EQHzValueInfo", "CustomEQNameInfo",
        "CustomEQHzValueInfo"});
  EXPECT_EQ(data.EqBands(1), (std::vector<int32_t>{7, 11, 2, -3, -1, 4, 9, 12, 9, 5}));
  EXPECT_EQ(data.EqBands(12), (std::vector<int32_t>{2, 1, -2, -4, -8, 4, 12, 16, 18, 15}));
  EXPECT_EQ(data.HeadsetSettings()[2], 1) << "EqType";
}

}  // namespace
}  // namespace qv
