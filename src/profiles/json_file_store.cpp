#include "profiles/json_file_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/trace.h"

namespace qv {

namespace {

JsonReadStatus ReadFileText(const std::string& path, std::string* text) {
  text->clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  const int openError = fd < 0 ? errno : 0;
  Trace("readjsonFile 错误吗：：%d\n", openError);
  if (fd < 0) return openError == ENOENT ? JsonReadStatus::kMissing : JsonReadStatus::kUnreadable;

  struct stat info {};
  JsonReadStatus status = JsonReadStatus::kOk;
  // Only regular files: a FIFO or device node named like a data file must not block or stream.
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    status = JsonReadStatus::kUnreadable;
  } else if (info.st_size == 0) {
    status = JsonReadStatus::kEmpty;
  } else if (static_cast<uint64_t>(info.st_size) > kMaxJsonFileSize) {
    status = JsonReadStatus::kTooLarge;
  } else {
    const size_t size = static_cast<size_t>(info.st_size);
    std::string buffer(size, '\0');
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::read(fd, buffer.data() + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (done != size) {
      status = JsonReadStatus::kUnreadable;
    } else {
      const size_t zero = buffer.find('\0');
      if (zero != std::string::npos) buffer.resize(zero);
      *text = std::move(buffer);
      if (text->empty()) status = JsonReadStatus::kEmpty;
    }
  }
  ::close(fd);
  return status;
}

bool ParseJson(const std::string& text, Json::Value* out) {
  try {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Json::Reader reader;
#pragma GCC diagnostic pop
    Json::Value root;
    if (!reader.parse(text, root, true)) return false;
    *out = std::move(root);
    return true;
  } catch (...) {
    // The reader throws on nesting deeper than its stack limit.
    return false;
  }
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

void SyncDirectory(const std::string& directory) {
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // best effort: the rename is already visible
  ::close(fd);
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

std::string JsonFileStore::ReadWholeFile(const std::string& path) const {
  std::string text;
  ReadFileText(path, &text);
  return text;
}

JsonReadStatus JsonFileStore::ReadJsonFile(const std::string& path, Json::Value* out) const {
  *out = Json::Value();
  std::string text;
  const JsonReadStatus status = ReadFileText(path, &text);
  if (status != JsonReadStatus::kOk) {
    Trace("%s\n", path.c_str());
    return status;
  }
  // Windows editors save UTF-8 with a byte-order mark, which the reader takes for garbage.
  static constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  if (std::string_view(text).starts_with(kUtf8Bom)) {
    text.erase(0, kUtf8Bom.size());
    if (text.empty()) return JsonReadStatus::kEmpty;
  }
  Json::Value root;
  if (!ParseJson(text, &root)) return JsonReadStatus::kUnparsable;
  *out = std::move(root);
  return JsonReadStatus::kOk;
}

Json::Value JsonFileStore::ReadJsonFile(const std::string& path) const {
  Json::Value root;
  ReadJsonFile(path, &root);
  return root;
}

std::string JsonFileStore::StyledText(const Json::Value& value) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  Json::StyledWriter writer;
#pragma GCC diagnostic pop
  std::string text = writer.write(value);
  while (!text.empty() && text.back() == '\n') text.pop_back();
  text += '\n';
  return text;
}

int JsonFileStore::WriteJsonFile(const std::string& path, const Json::Value& value) const {
  std::string text;
  try {
    text = StyledText(value);
  } catch (...) {
    return kStoreEncodeFailed;
  }
  return WriteWholeFile(path, text);
}

int JsonFileStore::WriteWholeFile(const std::string& path, std::string_view bytes) const {
  std::string tempPath = path + ".tmp.XXXXXX";
  const int fd = ::mkostemp(tempPath.data(), O_CLOEXEC);
  if (fd < 0) {
    Trace("write %s: cannot create temporary file (%d)\n", path.c_str(), errno);
    return kStoreOpenFailed;
  }
  // Keep the permissions of the file being replaced; a new file gets the usual 0644.
  struct stat old {};
  ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);

  size_t done = 0;
  bool ok = true;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    Trace("write %s failed (%d)\n", path.c_str(), errno);
    ::unlink(tempPath.c_str());
    return kStoreWriteFailed;
  }
  if (beforeRename_ && !beforeRename_(tempPath)) return kStoreRenameFailed;
  if (::rename(tempPath.c_str(), path.c_str()) != 0) {
    Trace("write %s: rename failed (%d)\n", path.c_str(), errno);
    ::unlink(tempPath.c_str());
    return kStoreRenameFailed;
  }
  SyncDirectory(DirectoryOf(path));
  return kStoreOk;
}

bool JsonFileStore::BackUpFile(const std::string& path) const {
  const std::string backup = path + kBackupSuffix;
  if (::rename(path.c_str(), backup.c_str()) != 0) return false;
  Trace("kept damaged %s as %s\n", path.c_str(), backup.c_str());
  return true;
}

Json::Value JsonFileStore::ReadSeededJsonFile(const std::string& userPath,
                                              const std::string& defaultPath) const {
  Json::Value user;
  const JsonReadStatus status = ReadJsonFile(userPath, &user);
  if (status == JsonReadStatus::kOk && !user.isNull()) return user;
  if (status == JsonReadStatus::kUnparsable || status == JsonReadStatus::kTooLarge ||
      status == JsonReadStatus::kUnreadable) {
    BackUpFile(userPath);
  }
  Json::Value seeded = ReadJsonFile(defaultPath);
  WriteJsonFile(userPath, seeded);
  return seeded;
}

std::string JsonFileStore::MakeTimestampId(const std::string& folder,
                                           const std::string& extension) const {
  return qv::MakeTimestampId(folder, extension, std::chrono::system_clock::now());
}

std::string FormatTimestampId(int year, int month, int day, int hour, int minute, int second,
                              int millisecond) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, "%d_%02d_%02d_%02d_%02d_%02d_%03d", year, month, day, hour,
                minute, second, millisecond);
  return buffer;
}

bool IsValidTimestampId(std::string_view id) {
  // YYYY_MM_DD_hh_mm_ss_mmm
  static constexpr std::string_view kShape = "dddd_dd_dd_dd_dd_dd_ddd";
  if (id.size() != kShape.size()) return false;
  for (size_t i = 0; i < id.size(); ++i) {
    const char c = id[i];
    if (kShape[i] == 'd' ? (c < '0' || c > '9') : c != '_') return false;
  }
  return true;
}

std::string TimestampIdIssuer::Next(const std::string& folder, const std::string& extension,
                                    std::chrono::system_clock::time_point now) {
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  std::lock_guard<std::mutex> lock(mutex_);
  int64_t ms = duration_cast<milliseconds>(now.time_since_epoch()).count();
  if (ms <= lastMs_) ms = lastMs_ + 1;
  std::string id;
  // A folder cannot hold enough files to exhaust this; the bound only guards the loop.
  for (int attempt = 0; attempt < 100000; ++attempt, ++ms) {
    const int64_t seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    const time_t t = static_cast<time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    id = FormatTimestampId(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec, static_cast<int>(ms - seconds * 1000));
    if (folder.empty() || !PathExists(folder + id + extension)) break;
  }
  lastMs_ = ms;
  return id;
}

std::string MakeTimestampId(const std::string& folder, const std::string& extension,
                            std::chrono::system_clock::time_point now) {
  static TimestampIdIssuer issuer;
  return issuer.Next(folder, extension, now);
}

}  // namespace qv
