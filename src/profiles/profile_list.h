// ProfileList: one device kind's named profiles and every operation on them, the model behind
// the profile panel's drop-down list.
//
// The list file "ProfileList.ini" in the kind's data folder is a JSON document:
//   { "profilelist": [ { "profilename": text, "profileUUID": id, "profileislink": 0,
//                        "profilelinkmame": "" }, ... ],
//     "profileselect": index }
// and each entry's profile is the file data folder + id + ".Json". Entries() mirrors the
// drop-down items; the model writes the whole list from Entries() on every change, so the two
// agree after every operation, failed ones included: an operation that reports kWriteFailed
// has left Entries(), the selection and the files as they were before it.
//
// "profileselect" in the file and SelectedIndex() are two things: the file remembers the
// profile to open at the next start (a new profile is remembered at once), SelectedIndex() is
// the profile shown and loaded on the device, which changes only through Load, SelectProfile
// and DeleteProfile.
//
// Identifiers read from any file become file names, so only the form MakeTimestampId issues
// is accepted; nothing read from a list or an imported file can name a path outside the data
// folder.
//
// The store is not owned and must outlive the list. Used on the interface thread only; nothing
// here throws.
#pragma once

#include <string>
#include <vector>

#include "profiles/json_file_store.h"

namespace qv {

inline constexpr const char* kProfileListFileName = "ProfileList.ini";

struct ProfileEntry {
  std::string name;
  std::string id;

  bool operator==(const ProfileEntry&) const = default;
};

enum class ProfileResult {
  kDone,
  kRefused,      // limit reached, nothing selected, last profile, bad index, not loaded yet
  kNameTaken,    // rename: another profile has the name (case-insensitive)
  kNameBlank,    // rename: empty or white space only
  kWriteFailed,  // a file could not be written; nothing changed
  kBadFile,      // import: not a profile file
};

class ProfileList {
 public:
  static constexpr int kMaxProfiles = 50;

  explicit ProfileList(const JsonFileStore& store);

  // DeviceTypeCode: 1 keyboard, 2 mouse, 3 mousepad, 7 headset.
  void SetDeviceKind(int kind) { kind_ = kind; }
  int DeviceKind() const { return kind_; }
  // `dataFolder` ends with "/".
  void SetFolders(std::string dataFolder, std::string defaultProfilePath);
  const std::string& DataFolder() const { return dataFolder_; }

  // Reads the list file and selects its "profileselect" entry. A missing, empty or damaged list
  // (a damaged one is kept as a backup) becomes a fresh list of one profile "profile1" made
  // from the default profile. Unusable identifiers, a "profileselect" outside the list and
  // missing profile files are mended; the list is written back only when something changed.
  // kWriteFailed leaves the mended list in memory; the next successful write stores it.
  ProfileResult Load();

  const std::vector<ProfileEntry>& Entries() const { return entries_; }
  int SelectedIndex() const { return selected_; }
  const std::string& CurrentProfileId() const { return currentId_; }

  // Selects entry `index` and stores it as "profileselect".
  ProfileResult SelectProfile(int index);

  // Re-reads the list file; the number of its entries with a usable identifier.
  int ProfileCount();
  // Data folder + identifier + ".Json" of entry `i` of the list last read by ProfileCount, or
  // an empty string when there is no such entry.
  std::string ProfileFilePath(int i) const;

  // Appends "profile<n>" made from the default profile and stores it as "profileselect"; the
  // selection stays where it is.
  ProfileResult NewProfile();
  // Appends "<name> copy" of the selected profile.
  ProfileResult CopyProfile();
  // Removes the selected profile and its file, then selects the entry before it (the first
  // when it was the first). Refused when fewer than two profiles exist.
  ProfileResult DeleteProfile();
  // Appends the profile file at `path` under its file's base name; kBadFile when it is
  // missing, too large, not an object or without "profilename" and "profileUUID".
  ProfileResult ImportProfile(const std::string& path);
  // Writes the selected profile to `path`.
  ProfileResult ExportProfile(const std::string& path);
  // Renames the selected profile.
  ProfileResult RenameProfile(const std::string& name);
  // Replaces the selected profile file by the default profile under the same name and
  // identifier; a headset keeps its custom equaliser presets.
  ProfileResult ResetProfile();

  // The operation tabs ("deng_Op_tab", "key_Op_tab", "macro_Op_tab", "system_Op_tab",
  // "cursor_Op_tab", "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab") that a kind
  // hides, and those it shows; the others keep their layout state.
  static std::vector<std::string> TabsHiddenFor(int kind);
  static std::vector<std::string> TabsShownFor(int kind);

 private:
  std::string ListPath() const;
  std::string ProfilePath(const std::string& id) const;
  // A fresh identifier, also unlike those in `taken`.
  std::string NewId(const std::vector<ProfileEntry>& taken) const;
  static bool NameTaken(const std::vector<ProfileEntry>& entries, const std::string& name,
                        int except = -1);
  // "profile<n>" with the smallest n not taken.
  static std::string NextProfileName(const std::vector<ProfileEntry>& entries);
  // The default profile renamed to `name` / `id`; an object even without a default.
  Json::Value DefaultProfile(const ProfileEntry& entry) const;
  // The profile file of `entry`, or the default profile when the file holds no profile.
  Json::Value ProfileDocument(const ProfileEntry& entry) const;
  int WriteProfile(const ProfileEntry& entry, Json::Value document) const;
  int WriteList(const std::vector<ProfileEntry>& entries, int select) const;
  // Writes the new profile file, then the list with it appended; undoes the file when the list
  // cannot be written.
  ProfileResult Append(const ProfileEntry& entry, const Json::Value& document, bool selectIt);

  const JsonFileStore& store_;
  int kind_ = 0;
  std::string dataFolder_;
  std::string defaultProfilePath_;
  std::vector<ProfileEntry> entries_;
  int fileSelect_ = 0;  // "profileselect" as last written
  int selected_ = -1;
  std::string currentId_;
  std::vector<std::string> countedIds_;  // the list last read by ProfileCount
};

}  // namespace qv
