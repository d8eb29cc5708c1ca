// The folders that hold every file the program reads or writes. All paths end with "/" so that
// a file name is appended directly.
//
//   InstallFolder      the executable's folder, or <exe dir>/../share/qv5307/ when that exists
//                      (an installed copy: program in bin/, data in share/qv5307/); read-only
//   DefaultDataFolder  InstallFolder + "DefaultData/": factory defaults; read-only
//   UserDataRoot       $XDG_DATA_HOME (or ~/.local/share) + "/QV5307/"; created when missing
//   DeviceDataFolder   UserDataRoot + kind name + "/" ("keyboard", "mouse", "MousePad", "HD");
//                      both levels created when missing
//   UpdateTempFolder   $TMPDIR (or /tmp) + "/UpdateData/"; created when missing
//
// Folders are created lazily each time a path is asked for and never removed. Creation failures
// are not reported here: the later write fails (and says so) and a later read yields a null
// document. Callable from any thread; the install-folder override is guarded by a lock.
#pragma once

#include <json/json.h>

#include <string>
#include <string_view>

namespace qv {

class JsonFileStore;

inline constexpr const char* kProductCode = "QV5307";
inline constexpr const char* kDefaultDataFolderName = "DefaultData";
inline constexpr const char* kUpdateTempFolderName = "UpdateData";
inline constexpr const char* kProfileExtension = ".Json";

std::string InstallFolder();
// Overrides InstallFolder (tests, or the interface layer when it knows better); an empty path
// restores the default. A missing trailing "/" is added.
void SetInstallFolder(const std::string& path);
std::string DefaultDataFolder();
std::string UserDataRoot();
std::string DeviceDataFolder(std::string_view kindName);
// DefaultDataFolder + kind name + ".Json": the kind's factory default profile.
std::string DefaultProfilePath(std::string_view kindName);
std::string UpdateTempFolder();

// The user's copy of `fileName` in UserDataRoot, seeded from the same name in DefaultDataFolder
// when it is missing or damaged (see JsonFileStore::ReadSeededJsonFile). Used for the colour
// palette and "AudioFile.json".
Json::Value ReadSeededUserFile(const JsonFileStore& store, const std::string& fileName);

}  // namespace qv
