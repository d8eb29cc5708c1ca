#include "profiles/data_folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "profiles/json_file_store.h"

namespace qv {

namespace {

std::mutex g_installMutex;
std::string g_installOverride;  // guarded by g_installMutex

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates the folder and any missing parent; failures are left for the later file access.
void MakeFolder(const std::string& path) {
  if (IsDirectory(path)) return;
  std::error_code error;
  std::filesystem::create_directories(path, error);
}

std::string ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || exe.empty()) return "./";
  return WithSlash(exe.parent_path().string());
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  struct passwd entry {};
  struct passwd* found = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    return found->pw_dir;
  }
  return "/tmp";
}

}  // namespace

std::string InstallFolder() {
  {
    std::lock_guard<std::mutex> lock(g_installMutex);
    if (!g_installOverride.empty()) return g_installOverride;
  }
  const std::string exeFolder = ExecutableFolder();
  const std::string installed = exeFolder + "../share/qv5307";
  if (IsDirectory(installed)) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(installed, error);
    return WithSlash(error ? installed : canonical.string());
  }
  return exeFolder;
}

void SetInstallFolder(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_installMutex);
  g_installOverride = path.empty() ? std::string() : WithSlash(path);
}

std::string DefaultDataFolder() {
  return InstallFolder() + kDefaultDataFolderName + "/";
}

std::string UserDataRoot() {
  // Relative XDG paths are invalid and ignored, as the base-directory rules require.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const std::string base =
      (xdg != nullptr && xdg[0] == '/') ? std::string(xdg) : HomeFolder() + "/.local/share";
  const std::string root = WithSlash(base) + kProductCode + "/";
  MakeFolder(root);
  return root;
}

std::string DeviceDataFolder(std::string_view kindName) {
  const std::string folder = UserDataRoot() + std::string(kindName) + "/";
  MakeFolder(folder);
  return folder;
}

std::string DefaultProfilePath(std::string_view kindName) {
  return DefaultDataFolder() + std::string(kindName) + kProfileExtension;
}

std::string UpdateTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = (tmp != nullptr && tmp[0] == '/') ? std::string(tmp) : "/tmp";
  const std::string folder = WithSlash(base) + kUpdateTempFolderName + "/";
  MakeFolder(folder);
  return folder;
}

Json::Value ReadSeededUserFile(const JsonFileStore& store, const std::string& fileName) {
  return store.ReadSeededJsonFile(UserDataRoot() + fileName, DefaultDataFolder() + fileName);
}

}  // namespace qv
