// MacroStore: one device's named macros and every operation on them, the model behind the macro
// panel's name list.
//
// The list file "macro.config" ("zelik_macro.config" for the mousepad and headset) in the
// device's data folder is a JSON document
//   { "MacroInfo": [ { "MacroName": text, "Guid": id }, ... ] }
// whose positions are the macro numbers that key functions store; each macro's events are in the
// file data folder + id + ".mac" (macro_image.h has the event model). Entries() mirrors the name
// list; the list file is written whole from the model on every change, so the two agree after
// every operation, failed ones included: an operation that reports kWriteFailed has left
// Entries(), the selection and the files as they were.
//
// Identifiers become file names, so only the form MakeTimestampId issues is accepted. An entry
// of "macro.config" with another identifier (or one another entry already has) keeps its place
// and name and gets a fresh identifier, so that key bindings to it and to the macros after it
// stay right; its events are gone, since nothing outside the folder may be opened. A blank name
// gets a generated one, entries past the 50th are dropped, and the mended list is written back.
//
// Macro files are user data: every event read is checked (ReadMacroEvents), and an import that
// had to be trimmed is stored trimmed, so the device never sees what the list does not show.
//
// The store is not owned and must outlive the model. Used on the interface thread only; nothing
// here throws.
#pragma once

#include <string>
#include <vector>

#include "macros/macro_image.h"
#include "profiles/json_file_store.h"
#include "profiles/profile_records.h"

namespace qv {

inline constexpr const char* kMacroConfigFileName = "macro.config";
inline constexpr const char* kPadMacroConfigFileName = "zelik_macro.config";
inline constexpr const char* kMacroFileExtension = ".mac";
inline constexpr int kMaxMacros = 50;

// The list file of a device kind (DeviceTypeCode): the mousepad and headset have their own name.
const char* MacroConfigFileName(int deviceKind);

struct MacroEntry {
  std::string name;
  std::string id;

  bool operator==(const MacroEntry&) const = default;
};

enum class MacroResult {
  kDone,
  kRefused,        // no such macro (nothing selected), no folder, list not loaded
  kListFull,       // create, import: kMaxMacros macros already
  kNameTaken,      // rename: another macro has the name, ignoring case
  kNameBlank,      // rename: empty or white space only
  kTooManyEvents,  // save: more than kMaxMacroEvents events; nothing written
  kBadFile,        // import, load, export: missing (import), unreadable, above kMaxJsonFileSize,
                   // not JSON or not a macro document
  kWriteFailed,    // a file could not be written; nothing changed
};

class MacroStore {
 public:
  explicit MacroStore(const JsonFileStore& store);

  // `dataFolder` ends with "/".
  void SetFolder(std::string dataFolder, std::string configFileName = kMacroConfigFileName);
  const std::string& DataFolder() const { return dataFolder_; }

  // Reads the list file; missing or damaged (a damaged one is kept as a backup) is an empty
  // list. Nothing is selected afterwards. kWriteFailed when a mended list could not be written
  // back; the mended list is kept and stored by the next successful write.
  MacroResult Load();

  const std::vector<MacroEntry>& Entries() const { return entries_; }
  // The names alone, in list order: the key panel's macro choices.
  std::vector<std::string> Names() const;
  // -1 when nothing is selected.
  int Selected() const { return selected_; }
  // -1 clears the selection; anything else outside the list is refused.
  MacroResult Select(int index);
  // Data folder + id + ".mac" of macro `index`; empty when there is no such macro.
  std::string EventFilePath(int index) const;

  // Appends "macro_<n>" with the smallest n no macro has (ignoring case) and selects it. No event
  // file is made before the first save.
  MacroResult Create(std::string* name = nullptr);
  // `text` is stored as given (not trimmed). Its own name in another case is accepted.
  MacroResult Rename(int index, const std::string& text);
  // Removes macro `index`: in each profile file of `profilePaths` a key bound to it returns to
  // its default function and keys bound to later macros move down by one ("Device"[0]
  // ."KeyList"); then the list is written and the event file removed (a failed removal is
  // ignored). Row 0 is selected afterwards (-1 when the list became empty). The profiles that
  // changed are listed in `changedProfiles`; the device reloads its current profile when it is
  // one of them, so the caller saves that profile before. A failed write undoes the profile
  // files already rewritten.
  MacroResult Remove(int index, const std::vector<std::string>& profilePaths,
                     std::vector<std::string>* changedProfiles = nullptr);

  // The events of macro `index`. A macro without an event file has none (kDone); a file that is
  // damaged or not a macro document gives none and kBadFile. Trimmed events are reported in
  // `out`.
  MacroResult LoadEvents(int index, MacroEventsRead* out) const;
  // Writes `events` as the event file of macro `index`, with its current name and identifier.
  // More than kMaxMacroEvents: kTooManyEvents and the file stays as it was.
  MacroResult SaveEvents(int index, const std::vector<MacroEvent>& events);

  // Appends the macro file at `path` under its file's base name (made unique by appending "_1",
  // then "_2" to that, and so on) with a new identifier, and selects it. A clean file is copied
  // unchanged; one whose events had to be trimmed is stored as read, trimmed, and `imported`
  // says so. kBadFile when it is not a readable macro document with an "Events" array.
  MacroResult Import(const std::string& path, MacroEventsRead* imported = nullptr);
  // Writes the event file of macro `index` to `path`: unchanged when it reads clean, as read
  // when its events had to be trimmed (`exported` says so), an empty macro when it has no file
  // yet. kBadFile (nothing written) when the file is damaged.
  MacroResult Export(int index, const std::string& path, MacroEventsRead* exported = nullptr);

 private:
  std::string ConfigPath() const;
  std::string EventPath(const std::string& id) const;
  bool Has(int index) const { return index >= 0 && index < static_cast<int>(entries_.size()); }
  std::string NewId() const;
  bool NameTaken(const std::string& name, int except = -1) const;
  std::string NextName() const;
  int WriteConfig(const std::vector<MacroEntry>& entries) const;
  // Writes the list when Load mended it and could not store it; false when that fails again.
  bool StorePendingList();
  // Appends `entry` (its event file already written) and selects it.
  MacroResult Append(const MacroEntry& entry);

  const JsonFileStore& store_;
  std::string dataFolder_;
  std::string configFileName_ = kMacroConfigFileName;
  std::vector<MacroEntry> entries_;
  int selected_ = -1;
  bool loaded_ = false;
  bool listPending_ = false;  // Load mended the list and could not write it
};

// Whether a key of `keys` runs macro `macro` (function kind 0x70 or 0x71, macro number in the
// first parameter).
bool KeysUseMacro(const std::vector<KeyAssignment>& keys, int macro);
// The rebinding of one key when macro `removed` is deleted: bound to it, the key takes its
// default function; bound to a later macro, the number goes down by one. True when it changed.
bool RebindKeyForRemovedMacro(KeyAssignment* key, int removed);

// The macros a key upload needs, read for the device: the events of each macro number in
// `numbers`, in that order, checked as the store reads them. A number the list does not hold
// gives an empty macro, so the others keep their places in the image.
struct MacroUploadSet {
  bool listRead = false;  // the list file was read; without it nothing is uploaded
  std::vector<std::vector<MacroEvent>> macros;
  size_t trimmed = 0;  // events left out of damaged files
};
MacroUploadSet ReadMacrosForUpload(const JsonFileStore& store, const std::string& dataFolder,
                                   const std::vector<int>& numbers,
                                   const std::string& configFileName = kMacroConfigFileName);

}  // namespace qv
