// Folder roots: where they are, that they end with "/", and which ones are created.
#include "profiles/data_folders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "profiles/json_file_store.h"
#include "temp_folder.h"

namespace qv {
namespace {

using test::ScopedEnv;
using test::TempFolderTest;

class DataFoldersTest : public TempFolderTest {
 protected:
  ~DataFoldersTest() override { SetInstallFolder(""); }
};

TEST_F(DataFoldersTest, FirstStartCreatesRootThenKindFolder) {
  const std::string root = Root() + "xdg/QV5307/";
  ASSERT_FALSE(Exists(Root() + "xdg"));
  EXPECT_EQ(DeviceDataFolder("keyboard"), root + "keyboard/");
  EXPECT_TRUE(std::filesystem::is_directory(root + "keyboard"));
  EXPECT_EQ(UserDataRoot(), root);
  for (const char* kind : {"mouse", "MousePad", "HD"}) {
    EXPECT_EQ(DeviceDataFolder(kind), root + kind + "/");
    EXPECT_TRUE(std::filesystem::is_directory(root + kind)) << kind;
  }
}

TEST_F(DataFoldersTest, WithoutXdgDataHomeTheRootIsUnderHome) {
  ScopedEnv home("HOME", Root() + "home");
  ::unsetenv("XDG_DATA_HOME");  // restored by the fixture
  EXPECT_EQ(UserDataRoot(), Root() + "home/.local/share/QV5307/");
  EXPECT_TRUE(std::filesystem::is_directory(Root() + "home/.local/share/QV5307"));
  // A relative XDG_DATA_HOME is not a valid base and is ignored.
  ScopedEnv relative("XDG_DATA_HOME", "relative/dir");
  EXPECT_EQ(UserDataRoot(), Root() + "home/.local/share/QV5307/");
}

TEST_F(DataFoldersTest, UpdateTempFolderIsCreatedOnceAndStable) {
  const std::string first = UpdateTempFolder();
  EXPECT_EQ(first, Root() + "tmp/UpdateData/");
  EXPECT_TRUE(std::filesystem::is_directory(first));
  WriteText(first + "pkg.exe", "x");
  EXPECT_EQ(UpdateTempFolder(), first);
  EXPECT_TRUE(Exists(first + "pkg.exe")) << "asking again does not clear the folder";
}

TEST_F(DataFoldersTest, InstallFolderDefaultsToExecutableFolderAndCanBeOverridden) {
  char exe[4096] = {};
  ASSERT_GT(::readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  const std::string exeFolder = std::filesystem::path(exe).parent_path().string() + "/";
  if (!std::filesystem::is_directory(exeFolder + "../share/qv5307")) {
    EXPECT_EQ(InstallFolder(), exeFolder);
  }
  SetInstallFolder(Root() + "install");
  EXPECT_EQ(InstallFolder(), Root() + "install/");
  EXPECT_EQ(DefaultDataFolder(), Root() + "install/DefaultData/");
  EXPECT_EQ(DefaultProfilePath("keyboard"), Root() + "install/DefaultData/keyboard.Json");
  EXPECT_EQ(DefaultProfilePath("HD"), Root() + "install/DefaultData/HD.Json");
  EXPECT_FALSE(Exists(Root() + "install")) << "read-only folders are never created";
  SetInstallFolder("");
  EXPECT_NE(InstallFolder(), Root() + "install/");
}

TEST_F(DataFoldersTest, UserFileIsSeededFromSameNameInDefaultData) {
  SetInstallFolder(Root() + "install");
  std::filesystem::create_directories(Root() + "install/DefaultData");
  WriteText(Root() + "install/DefaultData/AudioFile.json", "{\"x\":3}");
  JsonFileStore store;
  EXPECT_EQ(ReadSeededUserFile(store, "AudioFile.json")["x"].asInt(), 3);
  EXPECT_EQ(store.ReadJsonFile(UserDataRoot() + "AudioFile.json")["x"].asInt(), 3);
}

}  // namespace
}  // namespace qv
