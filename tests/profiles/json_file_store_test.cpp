// The JSON file store: reading, atomic writing, seeding from defaults, time-stamp identifiers,
// and the type-checked accessors every reader uses.
#include "profiles/json_file_store.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "profiles/json_access.h"
#include "temp_folder.h"

namespace qv {
namespace {

using test::TempFolderTest;

class JsonFileStoreTest : public TempFolderTest {
 protected:
  JsonFileStore store_;
};

Json::Value Sample() {
  Json::Value v;
  v["name"] = "Ünïcode 名前";
  v["list"].append(1);
  v["list"].append(2);
  v["nested"]["flag"] = true;
  return v;
}

TEST_F(JsonFileStoreTest, WriteThenReadRoundTripsInStyledForm) {
  const std::string path = Root() + "doc.json";
  ASSERT_EQ(store_.WriteJsonFile(path, Sample()), kStoreOk);
  EXPECT_EQ(store_.ReadJsonFile(path), Sample());

  const std::string text = ReadText(path);
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_NE(text[text.size() - 2], '\n') << "exactly one line end after the document";
  EXPECT_EQ(text.substr(text.size() - 2), "}\n");
  EXPECT_NE(text.find("\n   \"list\""), std::string::npos) << "three-space indentation:\n" << text;
  EXPECT_NE(text.find("\n      \"flag\""), std::string::npos) << text;
}

TEST_F(JsonFileStoreTest, UnreadableInputsReadAsNullWithTheirStatus) {
  struct Case {
    const char* name;
    std::string content;
    JsonReadStatus status;
  };
  const std::vector<Case> cases = {
      {"empty.json", "", JsonReadStatus::kEmpty},
      {"garbage.json", "{ \"a\": ", JsonReadStatus::kUnparsable},
      {"deep.json", std::string(100000, '['), JsonReadStatus::kUnparsable},
      {"zero.json", std::string("\0{}", 3), JsonReadStatus::kEmpty},
      {"bom-only.json", "\xEF\xBB\xBF", JsonReadStatus::kEmpty},
      {"bom-garbage.json", "\xEF\xBB\xBF{ \"a\": ", JsonReadStatus::kUnparsable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Root() + c.name;
    WriteText(path, c.content);
    Json::Value out(42);
    EXPECT_EQ(store_.ReadJsonFile(path, &out), c.status);
    EXPECT_TRUE(out.isNull());
    EXPECT_TRUE(store_.ReadJsonFile(path).isNull());
  }
  Json::Value out;
  EXPECT_EQ(store_.ReadJsonFile(Root() + "missing.json", &out), JsonReadStatus::kMissing);
  EXPECT_EQ(store_.ReadJsonFile(Root(), &out), JsonReadStatus::kUnreadable) << "a folder";
}

TEST_F(JsonFileStoreTest, DocumentWithUtf8ByteOrderMarkIsRead) {
  // As a Windows editor saves it: mark, then the document, with CR LF line ends.
  const std::string path = Root() + "ProfileList.ini";
  WriteText(path,
            "\xEF\xBB\xBF{\r\n   \"profileselect\" : 1,\r\n   \"name\" : \"caf\xC3\xA9\"\r\n}\r\n");
  Json::Value out;
  ASSERT_EQ(store_.ReadJsonFile(path, &out), JsonReadStatus::kOk);
  EXPECT_EQ(out["profileselect"].asInt(), 1);
  EXPECT_EQ(out["name"].asString(), "caf\xC3\xA9");
  EXPECT_EQ(store_.ReadJsonFile(path), out);
}

TEST_F(JsonFileStoreTest, FileAboveSizeLimitIsRefusedUnread) {
  const std::string path = Root() + "huge.json";
  {
    // A valid document just over the limit: a long string value.
    std::string text = "{\"a\":\"";
    text.append(kMaxJsonFileSize, 'x');
    text += "\"}";
    WriteText(path, text);
  }
  Json::Value out;
  EXPECT_EQ(store_.ReadJsonFile(path, &out), JsonReadStatus::kTooLarge);
  EXPECT_TRUE(out.isNull());
  EXPECT_TRUE(store_.ReadWholeFile(path).empty());
}

TEST_F(JsonFileStoreTest, CrashBeforeRenameLeavesOldFileIntactAndLaterWritesWork) {
  const std::string path = Root() + "profile.Json";
  Json::Value before;
  before["v"] = 1;
  ASSERT_EQ(store_.WriteJsonFile(path, before), kStoreOk);

  std::string leftover;
  JsonFileStore crashing;
  crashing.SetBeforeRenameHookForTest([&](const std::string& temp) {
    leftover = temp;
    return false;  // the process "dies" here
  });
  Json::Value after;
  after["v"] = 2;
  EXPECT_LT(crashing.WriteJsonFile(path, after), 0);

  ASSERT_FALSE(leftover.empty());
  EXPECT_TRUE(Exists(leftover)) << "the finished temporary file stays, as after a crash";
  EXPECT_EQ(leftover.rfind(path, 0), 0u) << "written beside the target";
  EXPECT_EQ(store_.ReadJsonFile(path), before);

  EXPECT_EQ(store_.WriteJsonFile(path, after), kStoreOk) << "a stale temporary file is no obstacle";
  EXPECT_EQ(store_.ReadJsonFile(path), after);
}

TEST_F(JsonFileStoreTest, FailedWriteIsReportedAndCreatesNothing) {
  const std::string noFolder = Root() + "absent/doc.json";
  EXPECT_EQ(store_.WriteJsonFile(noFolder, Sample()), kStoreOpenFailed);
  EXPECT_FALSE(Exists(noFolder));

  // The target is a folder: the finished text cannot replace it.
  const std::string folder = Root() + "adir";
  std::filesystem::create_directories(folder + "/inside");
  EXPECT_EQ(store_.WriteJsonFile(folder, Sample()), kStoreRenameFailed);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(Root())) {
    names.push_back(entry.path().filename().string());
  }
  for (const std::string& name : names) {
    EXPECT_EQ(name.find(".tmp."), std::string::npos) << "temporary file left: " << name;
  }
}

TEST_F(JsonFileStoreTest, WriteKeepsPermissionsOfReplacedFile) {
  const std::string path = Root() + "perm.json";
  WriteText(path, "{}");
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ASSERT_EQ(store_.WriteJsonFile(path, Sample()), kStoreOk);
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST_F(JsonFileStoreTest, SeedingCopiesDefaultWhenUserFileIsMissing) {
  const std::string user = Root() + "AudioFile.json";
  const std::string def = Root() + "default.json";
  WriteText(def, "{\"a\":1} // comment kept by the reader\n");
  const Json::Value seeded = store_.ReadSeededJsonFile(user, def);
  EXPECT_EQ(seeded["a"].asInt(), 1);
  EXPECT_EQ(store_.ReadJsonFile(user), seeded);
  EXPECT_FALSE(Exists(user + kBackupSuffix));

  // A usable user file is left as it is.
  WriteText(user, "{\"a\":2}");
  EXPECT_EQ(store_.ReadSeededJsonFile(user, def)["a"].asInt(), 2);
}

TEST_F(JsonFileStoreTest, SeedingKeepsUnparsableUserFileAsBackup) {
  const std::string user = Root() + "color_option_info.config";
  const std::string def = Root() + "default.config";
  WriteText(def, "{\"a\":1}");
  WriteText(user, "{ broken");
  const Json::Value seeded = store_.ReadSeededJsonFile(user, def);
  EXPECT_EQ(seeded["a"].asInt(), 1);
  EXPECT_EQ(ReadText(user + kBackupSuffix), "{ broken");
  EXPECT_EQ(store_.ReadJsonFile(user)["a"].asInt(), 1);
}

TEST_F(JsonFileStoreTest, SeedingWithoutDefaultGivesNull) {
  const std::string user = Root() + "AudioFile.json";
  EXPECT_TRUE(store_.ReadSeededJsonFile(user, Root() + "nodefault.json").isNull());
  EXPECT_TRUE(store_.ReadJsonFile(user).isNull());
}

// Time-stamp identifiers.

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour, int minute,
                                                int second, int ms) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&t)) + std::chrono::milliseconds(ms);
}

TEST_F(JsonFileStoreTest, TimestampIdHasTheFixedFormAndSkipsTakenNames) {
  TimestampIdIssuer issuer;
  const auto now = LocalTime(2024, 3, 7, 14, 5, 9, 42);
  const std::string first = issuer.Next(Root(), ".Json", now);
  EXPECT_EQ(first, "2024_03_07_14_05_09_042");
  EXPECT_TRUE(IsValidTimestampId(first));

  // Same millisecond again: never the same identifier twice.
  const std::string second = issuer.Next(Root(), ".Json", now);
  EXPECT_EQ(second, "2024_03_07_14_05_09_043");

  // A file already holding the next names (made by another process, or restored): skipped.
  TimestampIdIssuer fresh;
  WriteText(Root() + "2024_03_07_14_05_09_042.Json", "{}");
  WriteText(Root() + "2024_03_07_14_05_09_043.Json", "{}");
  EXPECT_EQ(fresh.Next(Root(), ".Json", now), "2024_03_07_14_05_09_044");
  // Another extension in the same folder does not collide.
  TimestampIdIssuer other;
  EXPECT_EQ(other.Next(Root(), ".mac", now), "2024_03_07_14_05_09_042");
}

TEST_F(JsonFileStoreTest, TimestampIdCarriesAcrossSecondBoundary) {
  TimestampIdIssuer issuer;
  const auto now = LocalTime(2024, 12, 31, 23, 59, 59, 999);
  EXPECT_EQ(issuer.Next("", ".Json", now), "2024_12_31_23_59_59_999");
  EXPECT_EQ(issuer.Next("", ".Json", now), "2025_01_01_00_00_00_000");
}

TEST(TimestampIdValidation, AcceptsOnlyTheIssuedForm) {
  struct Case {
    const char* id;
    bool valid;
  };
  const Case cases[] = {
      {"2024_03_07_14_05_09_042", true},
      {"0000_00_00_00_00_00_000", true},
      {"", false},
      {"../../etc/passwd", false},
      {"2024_03_07_14_05_09_04", false},
      {"2024_03_07_14_05_09_0421", false},
      {"2024-03-07_14_05_09_042", false},
      {"2024_03_07_14_05_09_04/", false},
      {"/tmp/03_07_14_05_09_042", false},
      {"2024_03_07_14_05_09_042.Json", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsValidTimestampId(c.id), c.valid) << c.id;
}

// Type-checked accessors: wrong types read as absent, nothing throws.

struct AccessorCase {
  const char* json;  // the value of member "k"
  bool hasInt;
  int intValue;
  bool hasByte;
  uint8_t byteValue;
  bool hasFlag;
  bool flagValue;
  bool hasString;
};

bool Parse(const std::string& text, Json::Value* out) {
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  return reader->parse(text.data(), text.data() + text.size(), out, nullptr);
}

class JsonAccessorTest : public ::testing::TestWithParam<AccessorCase> {};

TEST_P(JsonAccessorTest, ReadsOnlyMatchingTypes) {
  const AccessorCase& c = GetParam();
  Json::Value object;
  ASSERT_TRUE(Parse(std::string("{\"k\":") + c.json + "}", &object)) << c.json;
  int i = -7;
  uint8_t b = 7;
  bool f = false;
  std::string s = "unchanged";
  EXPECT_EQ(JsonInt(object, "k", &i), c.hasInt);
  EXPECT_EQ(i, c.hasInt ? c.intValue : -7) << "output untouched when absent";
  EXPECT_EQ(JsonByte(object, "k", &b), c.hasByte);
  EXPECT_EQ(b, c.hasByte ? c.byteValue : 7);
  EXPECT_EQ(JsonFlag(object, "k", &f), c.hasFlag);
  EXPECT_EQ(f, c.hasFlag && c.flagValue);
  EXPECT_EQ(JsonString(object, "k", &s), c.hasString);
}

INSTANTIATE_TEST_SUITE_P(
    Types, JsonAccessorTest,
    ::testing::Values(AccessorCase{"5", true, 5, true, 5, true, true, false},
                      AccessorCase{"300", true, 300, true, 44, true, true, false},
                      AccessorCase{"-1", true, -1, true, 255, true, true, false},
                      AccessorCase{"0", true, 0, true, 0, true, false, false},
                      AccessorCase{"3.0", true, 3, true, 3, true, true, false},
                      AccessorCase{"3.5", false, 0, false, 0, false, false, false},
                      AccessorCase{"1e300", false, 0, false, 0, false, false, false},
                      AccessorCase{"4294967296", false, 0, true, 0, true, true, false},
                      AccessorCase{"18446744073709551615", false, 0, true, 255, true, true, false},
                      AccessorCase{"\"12\"", false, 0, false, 0, false, false, true},
                      AccessorCase{"true", false, 0, false, 0, true, true, false},
                      AccessorCase{"null", false, 0, false, 0, false, false, false},
                      AccessorCase{"[1]", false, 0, false, 0, false, false, false},
                      AccessorCase{"{\"k\":1}", false, 0, false, 0, false, false, false}));

TEST(JsonAccessors, ShapeHelpersReplaceWrongTypesInsteadOfThrowing) {
  Json::Value doc = "a string";
  EXPECT_NO_THROW(JsonObjectMember(doc, "x") = 1);
  EXPECT_TRUE(doc.isObject());
  doc["arr"] = 5;
  EXPECT_NO_THROW(JsonArrayElement(doc["arr"], 2) = 1);
  EXPECT_EQ(doc["arr"].size(), 3u);
  EXPECT_EQ(JsonMember(Json::Value(7), "x"), nullptr);
  EXPECT_EQ(JsonElement(Json::Value("s"), 0), nullptr);
  EXPECT_EQ(JsonElement(doc["arr"], 0), nullptr) << "null elements read as absent";
  EXPECT_NE(JsonElement(doc["arr"], 2), nullptr);
}

}  // namespace
}  // namespace qv
