#include "macros/macro_store.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <set>
#include <utility>

#include "keys/key_function.h"
#include "platform/trace.h"
#include "profiles/json_access.h"
#include "profiles/names.h"
#include "transport/catalogue.h"

namespace qv {

namespace {

constexpr const char* kListKey = "MacroInfo";
constexpr const char* kNameKey = "MacroName";
constexpr const char* kIdKey = "Guid";

void RemoveFile(const std::string& path) {
  std::error_code error;
  std::filesystem::remove(path, error);
}

uint8_t CodeByte(int64_t code, int shift) {
  return static_cast<uint8_t>((static_cast<uint64_t>(code) >> shift) & 0xFFu);
}

// Rebinds the key list of a profile file's device entry for the removal of macro `removed`;
// true when a key changed.
bool RebindProfileKeys(Json::Value& root, int removed) {
  const Json::Value* device = JsonMember(root, "Device");
  const Json::Value* entry = device != nullptr ? JsonElement(*device, 0) : nullptr;
  const Json::Value* keys = entry != nullptr ? JsonMember(*entry, "KeyList") : nullptr;
  if (keys == nullptr || !keys->isArray()) return false;
  // The shapes are checked above, so the mutable look-ups below create nothing.
  Json::Value& list = root["Device"][0]["KeyList"];
  bool changed = false;
  for (Json::Value& key : list) {
    int64_t code = 0;
    if (!JsonInt64(key, "Assignment", &code)) continue;
    KeyAssignment a;
    a.kind = CodeByte(code, 16);
    a.first = CodeByte(code, 8);
    a.second = CodeByte(code, 0);
    int64_t fallback = 0;
    JsonInt64(key, "DefaultAssignment", &fallback);
    a.defaultKind = CodeByte(fallback, 16);
    a.defaultFirst = CodeByte(fallback, 8);
    a.defaultSecond = CodeByte(fallback, 0);
    if (RebindKeyForRemovedMacro(&a, removed)) {
      key["Assignment"] = static_cast<int>(a.Code());
      changed = true;
    }
  }
  return changed;
}

// Reads a macro file; kDone with its checked events, or kBadFile. An import needs a file with
// "Events"; a stored macro without a file yet, or without "Events", has no events.
enum class EventFileUse { kStored, kImport };
MacroResult ReadEventFile(const JsonFileStore& store, const std::string& path, EventFileUse use,
                          MacroEventsRead* out) {
  Json::Value document;
  const JsonReadStatus status = store.ReadJsonFile(path, &document);
  if (status == JsonReadStatus::kMissing && use == EventFileUse::kStored) {
    return MacroResult::kDone;
  }
  if (status != JsonReadStatus::kOk || !IsMacroDocument(document) ||
      (use == EventFileUse::kImport && JsonMember(document, "Events") == nullptr)) {
    return MacroResult::kBadFile;
  }
  *out = ReadMacroEvents(document);
  return MacroResult::kDone;
}

}  // namespace

const char* MacroConfigFileName(int deviceKind) {
  return (deviceKind == kTypeMousePad || deviceKind == kTypeHeadset) ? kPadMacroConfigFileName
                                                                     : kMacroConfigFileName;
}

MacroStore::MacroStore(const JsonFileStore& store) : store_(store) {}

void MacroStore::SetFolder(std::string dataFolder, std::string configFileName) {
  dataFolder_ = std::move(dataFolder);
  configFileName_ = std::move(configFileName);
}

std::string MacroStore::ConfigPath() const {
  return dataFolder_ + configFileName_;
}

std::string MacroStore::EventPath(const std::string& id) const {
  return dataFolder_ + id + kMacroFileExtension;
}

std::string MacroStore::EventFilePath(int index) const {
  return Has(index) ? EventPath(entries_[static_cast<size_t>(index)].id) : std::string();
}

std::vector<std::string> MacroStore::Names() const {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const MacroEntry& entry : entries_) names.push_back(entry.name);
  return names;
}

std::string MacroStore::NewId() const {
  // The issuer skips identifiers whose file exists; a macro that was never saved has no file
  // but still owns its identifier.
  for (;;) {
    std::string id = store_.MakeTimestampId(dataFolder_, kMacroFileExtension);
    if (std::none_of(entries_.begin(), entries_.end(),
                     [&](const MacroEntry& entry) { return entry.id == id; })) {
      return id;
    }
  }
}

bool MacroStore::NameTaken(const std::string& name, int except) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (static_cast<int>(i) != except && SameName(entries_[i].name, name)) return true;
  }
  return false;
}

std::string MacroStore::NextName() const {
  for (int n = 1;; ++n) {
    std::string name = "macro_" + std::to_string(n);
    if (!NameTaken(name)) return name;
  }
}

int MacroStore::WriteConfig(const std::vector<MacroEntry>& entries) const {
  // Members this program does not know survive; the entries always come from the model.
  Json::Value config;
  if (store_.ReadJsonFile(ConfigPath(), &config) != JsonReadStatus::kOk || !config.isObject()) {
    config = Json::Value(Json::objectValue);
  }
  Json::Value items(Json::arrayValue);
  for (const MacroEntry& entry : entries) {
    Json::Value item(Json::objectValue);
    item[kNameKey] = entry.name;
    item[kIdKey] = entry.id;
    items.append(std::move(item));
  }
  config[kListKey] = std::move(items);
  return store_.WriteJsonFile(ConfigPath(), config);
}

bool MacroStore::StorePendingList() {
  if (!listPending_) return true;
  if (WriteConfig(entries_) != kStoreOk) return false;
  listPending_ = false;
  return true;
}

MacroResult MacroStore::Load() {
  entries_.clear();
  selected_ = -1;
  loaded_ = false;
  listPending_ = false;
  if (dataFolder_.empty()) return MacroResult::kRefused;
  loaded_ = true;

  Json::Value config;
  const JsonReadStatus status = store_.ReadJsonFile(ConfigPath(), &config);
  const Json::Value* items = JsonMember(config, kListKey);
  const bool damaged = status == JsonReadStatus::kUnparsable ||
                       status == JsonReadStatus::kTooLarge ||
                       status == JsonReadStatus::kUnreadable ||
                       (status == JsonReadStatus::kOk &&
                        (!config.isObject() || (items != nullptr && !items->isArray())));
  if (damaged) {
    // An empty list; the next write would replace the file, so keep what it held.
    if (store_.BackUpFile(ConfigPath())) {
      Trace("macro list %s was damaged; kept as backup\n", ConfigPath().c_str());
    }
    return MacroResult::kDone;
  }
  if (items == nullptr) return MacroResult::kDone;

  bool changed = false;
  std::vector<size_t> unnamed;
  std::set<std::string> ids;
  for (const Json::Value& item : *items) {
    if (entries_.size() == static_cast<size_t>(kMaxMacros)) {
      changed = true;
      break;
    }
    // Every element keeps its place, whatever it holds: positions are the macro numbers keys
    // are bound to.
    MacroEntry entry;
    if (!JsonString(item, kNameKey, &entry.name) || IsBlank(entry.name)) {
      unnamed.push_back(entries_.size());
      changed = true;
    }
    // The identifier names a file: only the issued form, and only once, so that no entry
    // reaches outside the folder or shares another's file.
    if (!JsonString(item, kIdKey, &entry.id) || !IsValidTimestampId(entry.id) ||
        !ids.insert(entry.id).second) {
      entry.id.clear();
      changed = true;
    }
    entries_.push_back(std::move(entry));
  }
  for (size_t i : unnamed) entries_[i].name = NextName();
  for (MacroEntry& entry : entries_) {
    if (entry.id.empty()) entry.id = NewId();
  }
  if (changed && WriteConfig(entries_) != kStoreOk) {
    listPending_ = true;
    return MacroResult::kWriteFailed;
  }
  return MacroResult::kDone;
}

MacroResult MacroStore::Select(int index) {
  if (index != -1 && !Has(index)) return MacroResult::kRefused;
  selected_ = index;
  return MacroResult::kDone;
}

MacroResult MacroStore::Append(const MacroEntry& entry) {
  std::vector<MacroEntry> next = entries_;
  next.push_back(entry);
  if (WriteConfig(next) != kStoreOk) {
    // No list names the file; leaving it would only litter the folder.
    RemoveFile(EventPath(entry.id));
    return MacroResult::kWriteFailed;
  }
  entries_ = std::move(next);
  listPending_ = false;
  selected_ = static_cast<int>(entries_.size()) - 1;
  return MacroResult::kDone;
}

MacroResult MacroStore::Create(std::string* name) {
  // Before Load there is no list to add to; writing one here would replace the user's.
  if (!loaded_) return MacroResult::kRefused;
  if (entries_.size() >= static_cast<size_t>(kMaxMacros)) return MacroResult::kListFull;
  const MacroEntry entry{NextName(), NewId()};
  const MacroResult result = Append(entry);
  if (result == MacroResult::kDone && name != nullptr) *name = entry.name;
  return result;
}

MacroResult MacroStore::Rename(int index, const std::string& text) {
  if (!Has(index)) return MacroResult::kRefused;
  if (IsBlank(text)) return MacroResult::kNameBlank;
  if (NameTaken(text, index)) return MacroResult::kNameTaken;
  std::vector<MacroEntry> next = entries_;
  next[static_cast<size_t>(index)].name = text;
  if (WriteConfig(next) != kStoreOk) return MacroResult::kWriteFailed;
  entries_ = std::move(next);
  listPending_ = false;
  return MacroResult::kDone;
}

MacroResult MacroStore::Remove(int index, const std::vector<std::string>& profilePaths,
                               std::vector<std::string>* changedProfiles) {
  if (changedProfiles != nullptr) changedProfiles->clear();
  if (!Has(index)) return MacroResult::kRefused;

  // Each rewritten profile with its earlier text, so that a failure later on can put every
  // binding back: profiles whose numbers moved while the list still holds the macro would run
  // the wrong macros.
  std::vector<std::pair<std::string, std::string>> rewritten;
  auto undo = [&] {
    for (auto it = rewritten.rbegin(); it != rewritten.rend(); ++it) {
      if (store_.WriteWholeFile(it->first, it->second) != kStoreOk) {
        Trace("macro delete: could not restore %s\n", it->first.c_str());
      }
    }
  };
  std::set<std::string> seen;
  for (const std::string& path : profilePaths) {
    if (!seen.insert(path).second) continue;  // twice would move the numbers twice
    const std::string before = store_.ReadWholeFile(path);
    Json::Value root;
    // A damaged profile binds nothing the device would read; it is left to the profile loader.
    if (store_.ReadJsonFile(path, &root) != JsonReadStatus::kOk) continue;
    if (!RebindProfileKeys(root, index)) continue;
    if (store_.WriteJsonFile(path, root) != kStoreOk) {
      undo();
      return MacroResult::kWriteFailed;
    }
    rewritten.emplace_back(path, before);
  }

  std::vector<MacroEntry> next = entries_;
  const MacroEntry removed = next[static_cast<size_t>(index)];
  next.erase(next.begin() + static_cast<std::ptrdiff_t>(index));
  if (WriteConfig(next) != kStoreOk) {
    undo();
    return MacroResult::kWriteFailed;
  }
  // A file that cannot be removed is no longer named by anything; it does no harm.
  RemoveFile(EventPath(removed.id));
  entries_ = std::move(next);
  listPending_ = false;
  selected_ = entries_.empty() ? -1 : 0;
  if (changedProfiles != nullptr) {
    for (const auto& [path, text] : rewritten) changedProfiles->push_back(path);
  }
  return MacroResult::kDone;
}

MacroResult MacroStore::LoadEvents(int index, MacroEventsRead* out) const {
  *out = MacroEventsRead();
  if (!Has(index)) return MacroResult::kRefused;
  return ReadEventFile(store_, EventPath(entries_[static_cast<size_t>(index)].id),
                       EventFileUse::kStored, out);
}

MacroResult MacroStore::SaveEvents(int index, const std::vector<MacroEvent>& events) {
  if (!Has(index)) return MacroResult::kRefused;
  if (events.size() > kMaxMacroEvents) return MacroResult::kTooManyEvents;
  // A mended identifier must be in the list before its file exists, or the next start would
  // mend it again and lose the file.
  if (!StorePendingList()) return MacroResult::kWriteFailed;
  const MacroEntry& entry = entries_[static_cast<size_t>(index)];
  return store_.WriteJsonFile(EventPath(entry.id),
                              MacroFileDocument(entry.name, entry.id, events)) == kStoreOk
             ? MacroResult::kDone
             : MacroResult::kWriteFailed;
}

MacroResult MacroStore::Import(const std::string& path, MacroEventsRead* imported) {
  if (imported != nullptr) *imported = MacroEventsRead();
  if (!loaded_) return MacroResult::kRefused;
  if (entries_.size() >= static_cast<size_t>(kMaxMacros)) return MacroResult::kListFull;
  MacroEventsRead read;
  if (ReadEventFile(store_, path, EventFileUse::kImport, &read) != MacroResult::kDone) {
    return MacroResult::kBadFile;
  }

  MacroEntry entry{BaseName(path), ""};
  if (IsBlank(entry.name)) entry.name = NextName();
  for (int k = 1; NameTaken(entry.name); ++k) entry.name.append("_").append(std::to_string(k));
  entry.id = NewId();

  const std::string target = EventPath(entry.id);
  int written = kStoreOk;
  if (read.Trimmed()) {
    // What the list shows is what the device gets: the file is stored as read.
    written = store_.WriteJsonFile(target, MacroFileDocument(entry.name, entry.id, read.events));
  } else {
    const std::string text = store_.ReadWholeFile(path);
    if (text.empty()) return MacroResult::kBadFile;  // gone since it was read
    written = store_.WriteWholeFile(target, text);
  }
  if (written != kStoreOk) return MacroResult::kWriteFailed;
  const MacroResult result = Append(entry);
  if (result == MacroResult::kDone && imported != nullptr) *imported = std::move(read);
  return result;
}

MacroResult MacroStore::Export(int index, const std::string& path, MacroEventsRead* exported) {
  if (exported != nullptr) *exported = MacroEventsRead();
  if (!Has(index) || path.empty()) return MacroResult::kRefused;
  const MacroEntry& entry = entries_[static_cast<size_t>(index)];
  const std::string source = EventPath(entry.id);
  MacroEventsRead read;
  const MacroResult loaded = LoadEvents(index, &read);
  if (loaded != MacroResult::kDone) return loaded;

  int written = kStoreOk;
  std::string text;
  if (!read.Trimmed()) text = store_.ReadWholeFile(source);
  if (!text.empty()) {
    written = store_.WriteWholeFile(path, text);
  } else {
    // Never saved, or trimmed: the events as the list shows them.
    written = store_.WriteJsonFile(path, MacroFileDocument(entry.name, entry.id, read.events));
  }
  if (written != kStoreOk) return MacroResult::kWriteFailed;
  if (exported != nullptr) *exported = std::move(read);
  return MacroResult::kDone;
}

bool KeysUseMacro(const std::vector<KeyAssignment>& keys, int macro) {
  return std::any_of(keys.begin(), keys.end(), [&](const KeyAssignment& key) {
    return IsMacroKind(key.kind) && key.first == macro;
  });
}

bool RebindKeyForRemovedMacro(KeyAssignment* key, int removed) {
  if (!IsMacroKind(key->kind) || removed < 0) return false;
  if (key->first == removed) {
    key->kind = key->defaultKind;
    key->first = key->defaultFirst;
    key->second = key->defaultSecond;
    return true;
  }
  if (key->first > removed) {
    --key->first;
    return true;
  }
  return false;
}

MacroUploadSet ReadMacrosForUpload(const JsonFileStore& store, const std::string& dataFolder,
                                   const std::vector<int>& numbers,
                                   const std::string& configFileName) {
  MacroUploadSet set;
  Json::Value config;
  if (store.ReadJsonFile(dataFolder + configFileName, &config) != JsonReadStatus::kOk) return set;
  set.listRead = true;
  const std::vector<std::string> guids = MacroGuids(config);
  for (int number : numbers) {
    MacroEventsRead read;
    // Only identifiers of the issued form are opened; others upload as empty macros.
    if (number >= 0 && static_cast<size_t>(number) < guids.size() &&
        IsValidTimestampId(guids[static_cast<size_t>(number)])) {
      ReadEventFile(store, dataFolder + guids[static_cast<size_t>(number)] + kMacroFileExtension,
                    EventFileUse::kStored, &read);
    }
    set.trimmed += read.dropped + read.cut;
    set.macros.push_back(std::move(read.events));
  }
  return set;
}

}  // namespace qv
