#include "profiles/profile_list.h"

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <set>
#include <utility>

#include "platform/trace.h"
#include "profiles/data_folders.h"
#include "profiles/json_access.h"
#include "profiles/names.h"
#include "transport/catalogue.h"

namespace qv {

namespace {

constexpr const char* kListKey = "profilelist";
constexpr const char* kSelectKey = "profileselect";
constexpr const char* kNameKey = "profilename";
constexpr const char* kIdKey = "profileUUID";
constexpr const char* kDeviceKey = "Device";

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

ProfileList::ProfileList(const JsonFileStore& store) : store_(store) {}

void ProfileList::SetFolders(std::string dataFolder, std::string defaultProfilePath) {
  dataFolder_ = std::move(dataFolder);
  defaultProfilePath_ = std::move(defaultProfilePath);
}

std::string ProfileList::ListPath() const {
  return dataFolder_ + kProfileListFileName;
}

std::string ProfileList::ProfilePath(const std::string& id) const {
  return dataFolder_ + id + kProfileExtension;
}

std::string ProfileList::NewId(const std::vector<ProfileEntry>& taken) const {
  // The issuer skips names whose file exists; an entry whose file is missing still owns its
  // identifier, so those are skipped here.
  for (;;) {
    std::string id = store_.MakeTimestampId(dataFolder_, kProfileExtension);
    if (std::none_of(taken.begin(), taken.end(),
                     [&](const ProfileEntry& entry) { return entry.id == id; })) {
      return id;
    }
  }
}

bool ProfileList::NameTaken(const std::vector<ProfileEntry>& entries, const std::string& name,
                            int except) {
  for (size_t i = 0; i < entries.size(); ++i) {
    if (static_cast<int>(i) != except && SameName(entries[i].name, name)) return true;
  }
  return false;
}

std::string ProfileList::NextProfileName(const std::vector<ProfileEntry>& entries) {
  for (int n = 1;; ++n) {
    std::string name = "profile" + std::to_string(n);
    if (!NameTaken(entries, name)) return name;
  }
}

Json::Value ProfileList::DefaultProfile(const ProfileEntry& entry) const {
  Json::Value document = store_.ReadJsonFile(defaultProfilePath_);
  JsonEnsureObject(document);
  document[kNameKey] = entry.name;
  document[kIdKey] = entry.id;
  return document;
}

Json::Value ProfileList::ProfileDocument(const ProfileEntry& entry) const {
  Json::Value document;
  if (store_.ReadJsonFile(ProfilePath(entry.id), &document) == JsonReadStatus::kOk &&
      document.isObject()) {
    return document;
  }
  // What the device works with for a missing or damaged file: its profile loader falls back
  // to the default too.
  return DefaultProfile(entry);
}

int ProfileList::WriteProfile(const ProfileEntry& entry, Json::Value document) const {
  JsonEnsureObject(document);
  document[kNameKey] = entry.name;
  document[kIdKey] = entry.id;
  return store_.WriteJsonFile(ProfilePath(entry.id), document);
}

int ProfileList::WriteList(const std::vector<ProfileEntry>& entries, int select) const {
  // Members this program does not know survive; the entries always come from the model, so the
  // file cannot drift from what the drop-down list shows.
  Json::Value list;
  if (store_.ReadJsonFile(ListPath(), &list) != JsonReadStatus::kOk || !list.isObject()) {
    list = Json::Value(Json::objectValue);
  }
  Json::Value items(Json::arrayValue);
  for (const ProfileEntry& entry : entries) {
    Json::Value item(Json::objectValue);
    item[kNameKey] = entry.name;
    item[kIdKey] = entry.id;
    item["profileislink"] = 0;
    item["profilelinkmame"] = "";
    items.append(std::move(item));
  }
  list[kListKey] = std::move(items);
  list[kSelectKey] = select;
  return store_.WriteJsonFile(ListPath(), list);
}

ProfileResult ProfileList::Load() {
  if (dataFolder_.empty()) return ProfileResult::kRefused;

  Json::Value list;
  const JsonReadStatus status = store_.ReadJsonFile(ListPath(), &list);
  const Json::Value* items = JsonMember(list, kListKey);
  const bool damaged = status == JsonReadStatus::kUnparsable ||
                       status == JsonReadStatus::kTooLarge ||
                       status == JsonReadStatus::kUnreadable ||
                       (status == JsonReadStatus::kOk &&
                        (!list.isObject() || (items != nullptr && !items->isArray())));

  std::vector<ProfileEntry> entries;
  std::vector<bool> seed;  // per entry: its profile file is made from the default
  bool changed = false;
  std::vector<size_t> unnamed;
  std::set<std::string> ids;
  if (items != nullptr && items->isArray()) {
    for (const Json::Value& item : *items) {
      // A hand-edited list: entries past the limit or of no shape are dropped.
      if (entries.size() == static_cast<size_t>(kMaxProfiles)) {
        changed = true;
        break;
      }
      if (!item.isObject()) {
        changed = true;
        continue;
      }
      ProfileEntry entry;
      if (!JsonString(item, kNameKey, &entry.name) || IsBlank(entry.name)) {
        unnamed.push_back(entries.size());
      }
      bool fresh = false;
      // The identifier becomes a file name: only the issued form, and only once, so that no
      // entry names a path outside the folder or shares another's file.
      if (!JsonString(item, kIdKey, &entry.id) || !IsValidTimestampId(entry.id) ||
          !ids.insert(entry.id).second) {
        entry.id.clear();
        fresh = true;
        changed = true;
      }
      seed.push_back(fresh || !FileExists(ProfilePath(entry.id)));
      entries.push_back(std::move(entry));
    }
  }
  if (entries.empty()) {
    if (damaged && store_.BackUpFile(ListPath())) {
      Trace("profile list %s was damaged; kept as backup\n", ListPath().c_str());
    }
    entries.push_back({"profile1", ""});
    seed.assign(1, true);
    unnamed.clear();
    changed = true;
  }
  for (size_t i : unnamed) {
    entries[i].name = NextProfileName(entries);
    changed = true;
  }
  for (ProfileEntry& entry : entries) {
    if (entry.id.empty()) entry.id = NewId(entries);
  }

  int select = 0;
  if (!JsonInt(list, kSelectKey, &select) || select < 0 ||
      select >= static_cast<int>(entries.size())) {
    select = 0;
    changed = true;
  }

  ProfileResult result = ProfileResult::kDone;
  // The profile files first, so that the list never names a file that was not made.
  for (size_t i = 0; i < entries.size(); ++i) {
    if (seed[i] && WriteProfile(entries[i], DefaultProfile(entries[i])) != kStoreOk) {
      result = ProfileResult::kWriteFailed;
    }
  }
  if (changed && WriteList(entries, select) != kStoreOk) result = ProfileResult::kWriteFailed;

  // Kept even when a write failed: the list read was unusable as it stands, and the next
  // successful write stores this one.
  entries_ = std::move(entries);
  fileSelect_ = select;
  selected_ = select;
  currentId_ = entries_[static_cast<size_t>(select)].id;
  return result;
}

ProfileResult ProfileList::SelectProfile(int index) {
  if (index < 0 || index >= static_cast<int>(entries_.size())) return ProfileResult::kRefused;
  if (WriteList(entries_, index) != kStoreOk) return ProfileResult::kWriteFailed;
  fileSelect_ = index;
  selected_ = index;
  currentId_ = entries_[static_cast<size_t>(index)].id;
  return ProfileResult::kDone;
}

int ProfileList::ProfileCount() {
  countedIds_.clear();
  if (dataFolder_.empty()) return 0;
  const Json::Value list = store_.ReadJsonFile(ListPath());
  const Json::Value* items = JsonMember(list, kListKey);
  if (items == nullptr || !items->isArray()) return 0;
  for (const Json::Value& item : *items) {
    std::string id;
    // Callers rewrite every file named here; a hand-edited entry must not lead them outside.
    if (JsonString(item, kIdKey, &id) && IsValidTimestampId(id) &&
        std::find(countedIds_.begin(), countedIds_.end(), id) == countedIds_.end()) {
      countedIds_.push_back(std::move(id));
    }
  }
  return static_cast<int>(countedIds_.size());
}

std::string ProfileList::ProfileFilePath(int i) const {
  if (i < 0 || i >= static_cast<int>(countedIds_.size())) return std::string();
  return ProfilePath(countedIds_[static_cast<size_t>(i)]);
}

ProfileResult ProfileList::Append(const ProfileEntry& entry, const Json::Value& document,
                                  bool selectIt) {
  if (WriteProfile(entry, document) != kStoreOk) return ProfileResult::kWriteFailed;
  std::vector<ProfileEntry> next = entries_;
  next.push_back(entry);
  const int select = selectIt ? static_cast<int>(next.size()) - 1 : fileSelect_;
  if (WriteList(next, select) != kStoreOk) {
    // No list names the file; leaving it would only litter the folder.
    ::unlink(ProfilePath(entry.id).c_str());
    return ProfileResult::kWriteFailed;
  }
  entries_ = std::move(next);
  fileSelect_ = select;
  return ProfileResult::kDone;
}

ProfileResult ProfileList::NewProfile() {
  // Before Load there is no list to add to; writing one here would replace the user's.
  if (entries_.empty() || entries_.size() >= static_cast<size_t>(kMaxProfiles)) {
    return ProfileResult::kRefused;
  }
  ProfileEntry entry{NextProfileName(entries_), NewId(entries_)};
  return Append(entry, DefaultProfile(entry), /*selectIt=*/true);
}

ProfileResult ProfileList::CopyProfile() {
  if (selected_ < 0 || entries_.size() >= static_cast<size_t>(kMaxProfiles)) {
    return ProfileResult::kRefused;
  }
  const ProfileEntry& source = entries_[static_cast<size_t>(selected_)];
  ProfileEntry entry{source.name + " copy", ""};
  while (NameTaken(entries_, entry.name)) entry.name += " copy";
  entry.id = NewId(entries_);
  return Append(entry, ProfileDocument(source), /*selectIt=*/false);
}

ProfileResult ProfileList::DeleteProfile() {
  if (selected_ < 0 || entries_.size() < 2) return ProfileResult::kRefused;
  const size_t s = static_cast<size_t>(selected_);
  std::vector<ProfileEntry> next = entries_;
  const ProfileEntry removed = next[s];
  next.erase(next.begin() + static_cast<std::ptrdiff_t>(s));
  const int select = s > 0 ? static_cast<int>(s) - 1 : 0;
  // The list first: if it cannot be written the profile is still listed and its file stays.
  if (WriteList(next, select) != kStoreOk) return ProfileResult::kWriteFailed;
  // A file that cannot be removed is no longer named by anything; it does no harm.
  ::unlink(ProfilePath(removed.id).c_str());
  entries_ = std::move(next);
  fileSelect_ = select;
  // The drop-down list must show a profile that exists; the widget loads this one.
  selected_ = select;
  currentId_ = entries_[static_cast<size_t>(select)].id;
  return ProfileResult::kDone;
}

ProfileResult ProfileList::ImportProfile(const std::string& path) {
  Json::Value document;
  if (store_.ReadJsonFile(path, &document) != JsonReadStatus::kOk || !document.isObject() ||
      JsonMember(document, kNameKey) == nullptr || JsonMember(document, kIdKey) == nullptr) {
    return ProfileResult::kBadFile;
  }
  if (entries_.empty() || entries_.size() >= static_cast<size_t>(kMaxProfiles)) {
    return ProfileResult::kRefused;
  }
  // The file's own name and identifier are someone else's: the name comes from the chosen
  // file, the identifier is new.
  ProfileEntry entry{BaseName(path), ""};
  if (IsBlank(entry.name)) entry.name = NextProfileName(entries_);
  for (int k = 1; NameTaken(entries_, entry.name); ++k) {
    entry.name.append("(").append(std::to_string(k)).append(")");
  }
  entry.id = NewId(entries_);
  return Append(entry, document, /*selectIt=*/false);
}

ProfileResult ProfileList::ExportProfile(const std::string& path) {
  if (selected_ < 0 || path.empty()) return ProfileResult::kRefused;
  const Json::Value document = ProfileDocument(entries_[static_cast<size_t>(selected_)]);
  return store_.WriteJsonFile(path, document) == kStoreOk ? ProfileResult::kDone
                                                          : ProfileResult::kWriteFailed;
}

ProfileResult ProfileList::RenameProfile(const std::string& name) {
  if (IsBlank(name)) return ProfileResult::kNameBlank;
  if (selected_ < 0) return ProfileResult::kRefused;
  if (NameTaken(entries_, name, selected_)) return ProfileResult::kNameTaken;

  const size_t s = static_cast<size_t>(selected_);
  const std::string path = ProfilePath(entries_[s].id);
  // The profile file first and the list last, so that a failure at any step leaves the list,
  // and with it the drop-down list, on the old name. A file that holds no profile is left for
  // the profile loader, which keeps a damaged one as a backup before rebuilding it.
  Json::Value old;
  const bool hasProfile = store_.ReadJsonFile(path, &old) == JsonReadStatus::kOk && old.isObject();
  if (hasProfile) {
    Json::Value renamed = old;
    renamed[kNameKey] = name;
    if (store_.WriteJsonFile(path, renamed) != kStoreOk) return ProfileResult::kWriteFailed;
  }
  std::vector<ProfileEntry> next = entries_;
  next[s].name = name;
  if (WriteList(next, fileSelect_) != kStoreOk) {
    if (hasProfile) store_.WriteJsonFile(path, old);
    return ProfileResult::kWriteFailed;
  }
  entries_ = std::move(next);
  return ProfileResult::kDone;
}

ProfileResult ProfileList::ResetProfile() {
  if (selected_ < 0) return ProfileResult::kRefused;
  const ProfileEntry& entry = entries_[static_cast<size_t>(selected_)];
  Json::Value document = DefaultProfile(entry);
  if (kind_ == kTypeHeadset) {
    // The user's own equaliser presets are not part of what a reset takes back.
    const Json::Value existing = store_.ReadJsonFile(ProfilePath(entry.id));
    const Json::Value* device = JsonMember(existing, kDeviceKey);
    const Json::Value* old = device != nullptr ? JsonElement(*device, 0) : nullptr;
    if (old != nullptr && old->isObject()) {
      Json::Value& target =
          JsonEnsureObject(JsonArrayElement(JsonObjectMember(document, kDeviceKey), 0));
      for (const char* key : {"CustomEQNameInfo", "CustomEQHzValueInfo"}) {
        if (const Json::Value* value = JsonMember(*old, key)) target[key] = *value;
      }
    }
  }
  return WriteProfile(entry, std::move(document)) == kStoreOk ? ProfileResult::kDone
                                                              : ProfileResult::kWriteFailed;
}

std::vector<std::string> ProfileList::TabsHiddenFor(int kind) {
  switch (kind) {
    case kTypeKeyboard:
      return {"cursor_Op_tab"};
    case kTypeMousePad:
    case kTypeHeadset:
      return {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"};
    default:
      return {};
  }
}

std::vector<std::string> ProfileList::TabsShownFor(int kind) {
  if (kind == kTypeHeadset) return {"6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"};
  return {};
}

}  // namespace qv
