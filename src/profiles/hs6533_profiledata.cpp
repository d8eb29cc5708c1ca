#include "profiles/hs6533_profiledata.h"

#include <algorithm>

#include "profiles/json_access.h"

namespace qv {

namespace {

constexpr const char* kSettingKeys[8] = {"MagicEnable",        "MagicType",      "EqType",
                                         "CustomEqSeletIndex", "MicInSelect",    "MicInValue",
                                         "MicMoniterSelect",   "MicMoniterValue"};
constexpr const char* kEqHz = "EQHzValueInfo";
constexpr const char* kCustomNames = "CustomEQNameInfo";
constexpr const char* kCustomHz = "CustomEQHzValueInfo";

bool PresetInBounds(int preset) {
  return preset >= 0 && preset < kMaxCustomEqPresets;
}

// Reads the ten bands of element `slot` of the array `key`, creating missing bands as 0 when
// the array or the slot is missing.
std::vector<int32_t> ReadBands(Json::Value& document, const char* key, unsigned slot) {
  std::vector<int32_t> bands(kEqBandCount, 0);
  const Json::Value* table = JsonMember(document, key);
  const Json::Value* slotBands =
      (table != nullptr && table->isArray()) ? JsonElement(*table, slot) : nullptr;
  if (slotBands != nullptr && slotBands->isArray()) {
    for (int i = 0; i < kEqBandCount; ++i) {
      if (const Json::Value* band = JsonElement(*slotBands, static_cast<unsigned>(i))) {
        int value = 0;
        if (JsonInt(*band, "value", &value)) bands[static_cast<size_t>(i)] = value;
      }
    }
    return bands;
  }
  Json::Value& target = JsonEnsureArray(JsonArrayElement(JsonObjectMember(document, key), slot));
  for (int i = 0; i < kEqBandCount; ++i) {
    JsonEnsureObject(target[static_cast<unsigned>(i)])["value"] = 0;
  }
  return bands;
}

void WriteBands(Json::Value& document, const char* key, unsigned slot,
                const std::vector<int32_t>& values) {
  Json::Value& target = JsonEnsureArray(JsonArrayElement(JsonObjectMember(document, key), slot));
  const size_t count = std::min(values.size(), static_cast<size_t>(kEqBandCount));
  for (size_t i = 0; i < count; ++i) {
    JsonEnsureObject(target[static_cast<unsigned>(i)])["value"] = values[i];
  }
}

}  // namespace

int EqSlotOfType(int eqType) {
  if (eqType == kCustomEqType) return -1;
  if (eqType >= 1 && eqType <= 12) return eqType;
  return 1;
}

std::array<int32_t, 8> CHs6533Profiledata::HeadsetSettings() {
  settings_ = {};
  if (const Json::Value* s = Section("SystemSetStages")) {
    for (size_t i = 0; i < settings_.size(); ++i) JsonInt(*s, kSettingKeys[i], &settings_[i]);
  }
  return settings_;
}

void CHs6533Profiledata::SetHeadsetSettings(const std::array<int32_t, 8>& values) {
  settings_ = values;
  Json::Value& s = MutableSection("SystemSetStages");
  for (size_t i = 0; i < values.size(); ++i) s[kSettingKeys[i]] = values[i];
}

std::vector<int32_t> CHs6533Profiledata::EqBands(int eqType) {
  const int slot = EqSlotOfType(eqType);
  if (slot < 0) return {};
  return ReadBands(MutableDocument(), kEqHz, static_cast<unsigned>(slot));
}

bool CHs6533Profiledata::SetEqBands(int eqType, const std::vector<int32_t>& values) {
  const int slot = EqSlotOfType(eqType);
  if (slot < 0) return false;
  WriteBands(MutableDocument(), kEqHz, static_cast<unsigned>(slot), values);
  return true;
}

std::vector<std::string> CHs6533Profiledata::CustomEqNames() {
  std::vector<std::string> names;
  const Json::Value* list = JsonMember(Document(), kCustomNames);
  if (list == nullptr || !list->isArray()) return names;
  const unsigned count = std::min<unsigned>(list->size(), kMaxCustomEqPresets);
  for (unsigned i = 0; i < count; ++i) {
    std::string name;
    JsonString((*list)[i], "Name", &name);  // a damaged entry keeps its place with no name
    names.push_back(JsonFileStore::WideFromUtf8(name));
  }
  return names;
}

void CHs6533Profiledata::SetCustomEqNames(const std::vector<std::string>& names) {
  Json::Value list(Json::arrayValue);
  const size_t count = std::min(names.size(), static_cast<size_t>(kMaxCustomEqPresets));
  for (size_t i = 0; i < count; ++i) {
    Json::Value entry(Json::objectValue);
    entry["Name"] = JsonFileStore::Utf8FromWide(names[i]);
    list.append(std::move(entry));
  }
  JsonObjectMember(MutableDocument(), kCustomNames) = std::move(list);
}

std::vector<int32_t> CHs6533Profiledata::CustomEqBands(int preset) {
  if (!PresetInBounds(preset)) return std::vector<int32_t>(kEqBandCount, 0);
  return ReadBands(MutableDocument(), kCustomHz, static_cast<unsigned>(preset));
}

bool CHs6533Profiledata::SetCustomEqBands(int preset, const std::vector<int32_t>& values) {
  if (!PresetInBounds(preset)) return false;
  WriteBands(MutableDocument(), kCustomHz, static_cast<unsigned>(preset), values);
  return true;
}

}  // namespace qv
