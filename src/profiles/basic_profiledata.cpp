#include "profiles/basic_profiledata.h"

#include <algorithm>

#include "profiles/json_access.h"

namespace qv {

namespace {

constexpr const char* kDeviceKey = "Device";

uint8_t Level(const Json::Value& object, const char* key) {
  return std::min(JsonByteOr0(object, key), kMaxLightLevel);
}

uint8_t KeyCodeByte(int64_t code, int shift) {
  return static_cast<uint8_t>((static_cast<uint64_t>(code) >> shift) & 0xFFu);
}

enum class RootState {
  kUsable,      // *root is an object (possibly empty) that may be written back
  kUnreadable,  // the file exists but cannot be read; it must not be replaced
};

// Reads a profile file's root. A file that does not parse, is too large or has the wrong shape
// is kept as a backup and replaced by an empty root, so that the caller's write cannot lose it.
RootState ReadProfileRoot(const JsonFileStore& store, const std::string& path, int index,
                          Json::Value* root) {
  const JsonReadStatus status = store.ReadJsonFile(path, root);
  if (status == JsonReadStatus::kUnreadable) return RootState::kUnreadable;
  bool damaged = status == JsonReadStatus::kUnparsable || status == JsonReadStatus::kTooLarge;
  if (status == JsonReadStatus::kOk) {
    if (!root->isObject()) {
      damaged = true;
    } else if (const Json::Value* device = JsonMember(*root, kDeviceKey)) {
      if (!device->isArray()) {
        damaged = true;
      } else if (const Json::Value* entry = JsonElement(*device, static_cast<unsigned>(index))) {
        damaged = !entry->isObject();
      }
    }
  }
  if (damaged) store.BackUpFile(path);
  if (damaged || !root->isObject()) *root = Json::Value(Json::objectValue);
  return RootState::kUsable;
}

// Element `index` of "Device" when it is an object, else nullptr.
const Json::Value* DeviceEntryOf(const Json::Value& root, int index) {
  const Json::Value* device = JsonMember(root, kDeviceKey);
  if (device == nullptr) return nullptr;
  const Json::Value* entry = JsonElement(*device, static_cast<unsigned>(index));
  return (entry != nullptr && entry->isObject()) ? entry : nullptr;
}

}  // namespace

std::string ProfileNameOf(const Json::Value& root) {
  std::string name;
  JsonString(root, "profilename", &name);
  return name;
}

std::string ProfileUuidOf(const Json::Value& root) {
  std::string id;
  if (!JsonString(root, "profileUUID", &id) || !IsValidTimestampId(id)) return std::string();
  return id;
}

void CBasicProfiledata::SetProfilePath(const std::string& path) {
  if (!path.empty()) profilePath_ = path;
}

void CBasicProfiledata::SetDefaultProfilePath(const std::string& path) {
  if (!path.empty()) defaultProfilePath_ = path;
}

void CBasicProfiledata::SetLightConfigPath(const std::string& path) {
  if (!path.empty()) lightConfigPath_ = path;
}

void CBasicProfiledata::SetDeviceEntryIndex(int index) {
  entryIndex_ = (index >= 0 && index <= kMaxDeviceEntryIndex) ? index : 0;
}

Json::Value CBasicProfiledata::LoadEntry(const std::string& path) {
  Json::Value root;
  const RootState state = ReadProfileRoot(store_, path, entryIndex_, &root);
  if (state == RootState::kUsable) {
    if (const Json::Value* entry = DeviceEntryOf(root, entryIndex_)) return *entry;
  }

  Json::Value document;
  const Json::Value defaults = store_.ReadJsonFile(defaultProfilePath_);
  if (const Json::Value* entry = DeviceEntryOf(defaults, entryIndex_)) document = *entry;
  // Nothing to write without a default; a file that cannot be read is not replaced.
  if (!document.isNull() && state == RootState::kUsable) {
    JsonArrayElement(JsonObjectMember(root, kDeviceKey), static_cast<unsigned>(entryIndex_)) =
        document;
    store_.WriteJsonFile(path, root);
  }
  return document;
}

Json::Value CBasicProfiledata::LoadDeviceEntry(const std::string& path) {
  document_ = LoadEntry(path);
  return document_;
}

Json::Value CBasicProfiledata::LoadSecondEntry(const std::string& path) {
  secondDocument_ = LoadEntry(path);
  return secondDocument_;
}

int CBasicProfiledata::SaveDeviceEntry(const Json::Value& document, const std::string& path) {
  // No profile yet (no list, no selection): nothing may be made in the working folder.
  if (path.empty()) return kStoreOpenFailed;
  Json::Value root;
  if (ReadProfileRoot(store_, path, entryIndex_, &root) != RootState::kUsable) {
    return kStoreOpenFailed;
  }
  JsonArrayElement(JsonObjectMember(root, kDeviceKey), static_cast<unsigned>(entryIndex_)) =
      document;
  return store_.WriteJsonFile(path, root);
}

int CBasicProfiledata::SaveProfile() {
  return SaveDeviceEntry(document_, profilePath_);
}

int CBasicProfiledata::SaveSecondEntry(const std::string& path) {
  return SaveDeviceEntry(secondDocument_, path);
}

int CBasicProfiledata::WriteProfileFile(const Json::Value& document, const std::string& path) {
  if (path.empty()) return kStoreOpenFailed;
  return store_.WriteJsonFile(path, document);
}

const Json::Value* CBasicProfiledata::Section(const char* key) const {
  const Json::Value* section = JsonMember(document_, key);
  return (section != nullptr && section->isObject()) ? section : nullptr;
}

Json::Value& CBasicProfiledata::MutableSection(const char* key) {
  return JsonEnsureObject(JsonObjectMember(document_, key));
}

Json::Value& CBasicProfiledata::MutableDocument() {
  return JsonEnsureObject(document_);
}

LightSettings CBasicProfiledata::LightInfo() {
  const Json::Value* s = Section("LightInfo");
  if (s == nullptr) {
    lightSettings_ = fallbackLightSettings_;
    return lightSettings_;
  }
  LightSettings r;
  r.selectItem = JsonByteOr0(*s, "SelectItem");
  r.light = Level(*s, "Light");
  r.speed = Level(*s, "Speed");
  r.fx = JsonByteOr0(*s, "Fx");
  r.multiColor = JsonFlagOr0(*s, "MultiColor");
  r.red = JsonByteOr0(*s, "Red");
  r.green = JsonByteOr0(*s, "Green");
  r.blue = JsonByteOr0(*s, "Blue");
  r.zzccLedMode = JsonByteOr0(*s, "ZZCCLedMode");
  r.customGroup = JsonByteOr0(*s, "CustomGroup");
  r.oldLedMode = JsonByteOr0(*s, "OldLedmode");
  lightSettings_ = r;
  return r;
}

void CBasicProfiledata::SetLightInfo(uint32_t w0, uint32_t w1, uint32_t w2, uint16_t h) {
  SetLightInfo(LightSettings::FromWords(w0, w1, w2, h));
}

void CBasicProfiledata::SetLightInfo(const LightSettings& s) {
  lightSettings_ = s;
  Json::Value section(Json::objectValue);
  section["SelectItem"] = s.selectItem;
  section["Light"] = s.light;
  section["Speed"] = s.speed;
  section["Fx"] = s.fx;
  section["MultiColor"] = s.multiColor;
  section["Red"] = s.red;
  section["Green"] = s.green;
  section["Blue"] = s.blue;
  section["ZZCCLedMode"] = s.zzccLedMode;
  section["CustomGroup"] = s.customGroup;
  section["OldLedmode"] = s.oldLedMode;
  JsonObjectMember(document_, "LightInfo") = std::move(section);
}

AudioLightSettings CBasicProfiledata::AudioLightInfo() {
  AudioLightSettings r;
  if (const Json::Value* s = Section("AudioLightInfo")) {
    r.audioMode = JsonByteOr0(*s, "AudioMode");
    r.bkColorR = JsonByteOr0(*s, "BkColorR");
    r.bkColorG = JsonByteOr0(*s, "BkColorG");
    r.bkColorB = JsonByteOr0(*s, "BkColorB");
    r.fgColorR = JsonByteOr0(*s, "FgColorR");
    r.fgColorG = JsonByteOr0(*s, "FgColorG");
    r.fgColorB = JsonByteOr0(*s, "FgColorB");
    r.sevenColorFlags = JsonFlagOr0(*s, "7ColorFlags");
    r.colorTypeFlags = JsonFlagOr0(*s, "ColorTypeFlags");
  }
  audioLightSettings_ = r;
  return r;
}

void CBasicProfiledata::SetAudioLightInfo(uint32_t w0, uint32_t w1, uint32_t w2) {
  const AudioLightSettings s = AudioLightSettings::FromWords(w0, w1, w2);
  audioLightSettings_ = s;
  Json::Value section(Json::objectValue);
  section["AudioMode"] = s.audioMode;
  section["BkColorR"] = s.bkColorR;
  section["BkColorG"] = s.bkColorG;
  section["BkColorB"] = s.bkColorB;
  section["FgColorR"] = s.fgColorR;
  section["FgColorG"] = s.fgColorG;
  section["FgColorB"] = s.fgColorB;
  section["7ColorFlags"] = s.sevenColorFlags;
  section["ColorTypeFlags"] = static_cast<uint8_t>(s.colorTypeFlags);
  JsonObjectMember(document_, "AudioLightInfo") = std::move(section);
}

std::vector<LightListEntry> CBasicProfiledata::LightList() {
  lightList_.clear();
  const Json::Value* list = JsonMember(document_, "LightList");
  if (list != nullptr && list->isArray()) {
    const unsigned count = std::min<unsigned>(list->size(), kMaxLightListSize);
    for (unsigned i = 0; i < count; ++i) {
      LightListEntry entry;
      const Json::Value& e = (*list)[i];
      if (e.isObject()) {
        entry.mode = JsonByteOr0(e, "LEDREGMode");
        entry.brightness = Level(e, "LEDBrightness");
        entry.speed = Level(e, "LEDSpeed");
        entry.multiColor = JsonFlagOr0(e, "LEDMultiColor");
        entry.direction = JsonFlagOr0(e, "LEDDirection");
        entry.red = JsonByteOr0(e, "red");
        entry.green = JsonByteOr0(e, "green");
        entry.blue = JsonByteOr0(e, "blue");
        entry.present = 1;
      }
      lightList_.push_back(entry);
    }
  }
  return lightList_;
}

std::vector<KeyAssignment> CBasicProfiledata::ReadKeyList(const Json::Value& document) {
  std::vector<KeyAssignment> result;
  const Json::Value* list = JsonMember(document, "KeyList");
  if (list == nullptr || !list->isArray()) return result;
  const unsigned count = std::min<unsigned>(list->size(), kMaxKeySlots);
  for (unsigned i = 0; i < count; ++i) {
    KeyAssignment a;
    a.keyIndex = static_cast<uint16_t>(i);
    a.defaultKeyIndex = static_cast<uint16_t>(i);
    const Json::Value& e = (*list)[i];
    int64_t code = 0;
    if (JsonInt64(e, "Assignment", &code)) {
      a.kind = KeyCodeByte(code, 16);
      a.first = KeyCodeByte(code, 8);
      a.second = KeyCodeByte(code, 0);
    }
    if (JsonInt64(e, "DefaultAssignment", &code)) {
      a.defaultKind = KeyCodeByte(code, 16);
      a.defaultFirst = KeyCodeByte(code, 8);
      a.defaultSecond = KeyCodeByte(code, 0);
    }
    result.push_back(a);
  }
  return result;
}

void CBasicProfiledata::WriteKeyList(Json::Value& document,
                                     const std::vector<KeyAssignment>& list) {
  Json::Value& keys = JsonEnsureArray(JsonObjectMember(document, "KeyList"));
  const size_t count = std::min(list.size(), kMaxKeySlots);
  for (size_t i = 0; i < count; ++i) {
    Json::Value& entry = JsonEnsureObject(keys[static_cast<unsigned>(i)]);
    entry["Assignment"] = static_cast<int>(list[i].Code());
  }
}

std::vector<KeyAssignment> CBasicProfiledata::KeyList() {
  keyList_ = ReadKeyList(document_);
  return keyList_;
}

void CBasicProfiledata::SetKeyList(const std::vector<KeyAssignment>& list) {
  keyList_.assign(list.begin(), list.begin() + std::min(list.size(), kMaxKeySlots));
  WriteKeyList(document_, keyList_);
}

std::vector<KeyAssignment> CBasicProfiledata::SecondKeyList() {
  secondKeyList_ = ReadKeyList(secondDocument_);
  return secondKeyList_;
}

void CBasicProfiledata::SetSecondKeyList(const std::vector<KeyAssignment>& list) {
  secondKeyList_.assign(list.begin(), list.begin() + std::min(list.size(), kMaxKeySlots));
  WriteKeyList(secondDocument_, secondKeyList_);
}

}  // namespace qv
