// JsonFileStore: reads and writes the program's JSON documents (profiles, profile list, macros,
// lighting, palette, update time) and makes the time-stamp identifiers that name profile,
// macro and effect files.
//
// Reading: a missing, empty, oversized (above kMaxJsonFileSize) or unparsable file reads as a
// null document; callers fall back to factory defaults. The status overload tells these apart
// so that a damaged file can be kept as a backup before it is replaced. A UTF-8 byte-order
// mark at the start of a document is skipped.
//
// Writing is atomic: the text goes to a temporary file beside the target, is flushed to disk
// and renamed over the target, so a crash or a full disk never leaves a truncated document.
// WriteJsonFile returns kStoreOk (0) on success and a negative kStore* code on failure; callers
// that do not care may ignore the result as before.
//
// Text: documents are UTF-8 on disk and strings are UTF-8 std::string in memory, so
// Utf8FromWide/WideFromUtf8 are identities kept for the call sites that mark the boundary.
//
// The store holds no state apart from an optional test hook; one instance per owner, used on
// the owner's thread. Nothing here throws.
#pragma once

#include <json/json.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace qv {

inline constexpr size_t kMaxJsonFileSize = 16u * 1024u * 1024u;

// WriteJsonFile / WriteWholeFile results.
inline constexpr int kStoreOk = 0;
inline constexpr int kStoreOpenFailed = -1;    // the temporary file could not be created
inline constexpr int kStoreWriteFailed = -2;   // writing or flushing the text failed
inline constexpr int kStoreRenameFailed = -3;  // the finished file could not replace the target
inline constexpr int kStoreEncodeFailed = -4;  // the document could not be turned into text

enum class JsonReadStatus {
  kOk,          // parsed; *out holds the document
  kMissing,     // no such file
  kEmpty,       // zero length
  kTooLarge,    // above kMaxJsonFileSize; not read
  kUnreadable,  // exists but could not be opened or read
  kUnparsable,  // read but is not JSON
};

// Suffix given to the copy of a damaged file kept before it is replaced.
inline constexpr const char* kBackupSuffix = ".bak";

class JsonFileStore {
 public:
  // Called after the temporary file is written and flushed, before the rename; returning false
  // abandons the write there, as a crash at that moment would (the temporary file stays).
  using BeforeRenameHook = std::function<bool(const std::string& tempPath)>;

  // The whole file, or an empty string when it is missing, unreadable or above the size limit.
  // The result ends at the first zero byte.
  std::string ReadWholeFile(const std::string& path) const;
  // The parsed document, or a null value.
  Json::Value ReadJsonFile(const std::string& path) const;
  JsonReadStatus ReadJsonFile(const std::string& path, Json::Value* out) const;

  int WriteJsonFile(const std::string& path, const Json::Value& value) const;
  int WriteWholeFile(const std::string& path, std::string_view bytes) const;

  // Renames `path` to `path` + kBackupSuffix, replacing an older backup. False when it fails
  // or the file does not exist.
  bool BackUpFile(const std::string& path) const;

  // Reads a user file; when it does not give a document, keeps a damaged one as a backup,
  // copies the factory default at `defaultPath` over it (re-written in the styled form) and
  // returns that. With no default either, a null document is written and returned.
  Json::Value ReadSeededJsonFile(const std::string& userPath, const std::string& defaultPath) const;

  // A new identifier for a file `folder` + id + `extension` that does not exist yet.
  std::string MakeTimestampId(const std::string& folder, const std::string& extension) const;

  static std::string Utf8FromWide(std::string_view text) { return std::string(text); }
  static std::string WideFromUtf8(std::string_view text) { return std::string(text); }

  // The styled text: three-space indentation, one line end after the document.
  static std::string StyledText(const Json::Value& value);

  void SetBeforeRenameHookForTest(BeforeRenameHook hook) { beforeRename_ = std::move(hook); }

 private:
  BeforeRenameHook beforeRename_;
};

// "%d_%02d_%02d_%02d_%02d_%02d_%03d": year, month, day, hour, minute, second, millisecond.
std::string FormatTimestampId(int year, int month, int day, int hour, int minute, int second,
                              int millisecond);
// True only for text of that form (four-digit year), so an identifier read from a file can be
// used as a file name without leaving its folder.
bool IsValidTimestampId(std::string_view id);

// Hands out identifiers from the local time `now`, never the same one twice in its lifetime
// and never one whose file `folder` + id + `extension` exists: a taken millisecond moves the
// identifier on by one millisecond. Thread-safe.
class TimestampIdIssuer {
 public:
  std::string Next(const std::string& folder, const std::string& extension,
                   std::chrono::system_clock::time_point now);

 private:
  std::mutex mutex_;
  int64_t lastMs_ = INT64_MIN;  // guarded by mutex_
};

// The process-wide issuer used by JsonFileStore::MakeTimestampId.
std::string MakeTimestampId(const std::string& folder, const std::string& extension,
                            std::chrono::system_clock::time_point now);

}  // namespace qv
