#include "profiles/keyboard_profiledata.h"

#include <algorithm>

#include "profiles/json_access.h"

namespace qv {

namespace {

constexpr const char* kSystemStages = "SystemStages";
constexpr const char* kCustomLightMode = "CustomLightMode";
constexpr const char* kLightColorInfo = "LightColorInfo";
constexpr const char* kGroupIndex = "CustomLightModeGroupIndex";

// A stored value outside [low, high] reads as `outside`, so that a negative number in a file
// does not come back as 65535 and an option number always names one of the options.
uint16_t StageOr(const Json::Value& stages, const char* key, int64_t low, int64_t high,
                 int64_t outside) {
  int64_t v = 0;
  if (!JsonInt64(stages, key, &v)) return 0;
  if (v < low || v > high) v = outside;
  return static_cast<uint16_t>(v);
}

// A switch is on when its stored number is not zero, as the page shows it.
uint16_t SwitchOf(const Json::Value& stages, const char* key) {
  int64_t v = 0;
  return JsonInt64(stages, key, &v) && v != 0 ? 1 : 0;
}

uint16_t RepeatRateOf(const Json::Value& stages) {
  int64_t v = 0;
  if (!JsonInt64(stages, "Repeat", &v)) return 0;
  return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, kKeyboardRepeatRateMax));
}

bool GroupInBounds(int group) {
  return group >= 0 && group < kMaxCustomLightGroups;
}

Json::Value ColorObject(const CustomLightColor& c) {
  Json::Value v(Json::objectValue);
  v["Red"] = c.red;
  v["Green"] = c.green;
  v["Blue"] = c.blue;
  v["Alpha"] = c.alpha;
  return v;
}

}  // namespace

std::array<uint32_t, 3> CKeyboardProfiledata::KeyboardSettings() {
  settings_ = {};
  if (const Json::Value* s = Section(kSystemStages)) {
    const int64_t lastOption = kKeyboardOptionCount - 1;
    settings_[0] = PackHalves(RepeatRateOf(*s), StageOr(*s, "RepeatDelay", 0, lastOption, 0));
    settings_[1] =
        PackHalves(SwitchOf(*s, "Key6Flag"), StageOr(*s, "PollingRate", 0, lastOption, 0));
    settings_[2] = PackHalves(SwitchOf(*s, "WFlag"), SwitchOf(*s, "WinFlag"));
  }
  return settings_;
}

void CKeyboardProfiledata::SetKeyboardSettings(uint32_t a, uint32_t b, uint32_t c) {
  settings_ = {a, b, c};
  Json::Value& s = MutableSection(kSystemStages);
  s["Repeat"] = static_cast<int>(a & 0xFFFF);
  s["RepeatDelay"] = static_cast<int>(a >> 16);
  s["Key6Flag"] = static_cast<int>(b & 0xFFFF);
  s["PollingRate"] = static_cast<int>(b >> 16);
  s["WFlag"] = static_cast<int>(c & 0xFFFF);
  s["WinFlag"] = static_cast<int>(c >> 16);
}

std::vector<CustomLightColor> CKeyboardProfiledata::CustomLightColors(int group, int count) {
  const int n = std::clamp(count, 0, kMaxCustomLightColors);
  customColors_.assign(static_cast<size_t>(n), CustomLightColor{});
  if (!GroupInBounds(group)) return customColors_;

  Json::Value& groups = JsonEnsureArray(MutableSection(kCustomLightMode)[kLightColorInfo]);
  const auto g = static_cast<unsigned>(group);
  const bool groupPresent = g < groups.size() && groups[g].isArray();
  Json::Value& colors = JsonEnsureArray(groups[g]);
  for (int i = 0; i < n; ++i) {
    const auto index = static_cast<unsigned>(i);
    const Json::Value* entry = groupPresent ? JsonElement(colors, index) : nullptr;
    if (entry == nullptr || !entry->isObject()) {
      colors[index] = ColorObject(CustomLightColor{});
      continue;
    }
    CustomLightColor& c = customColors_[index];
    c.red = JsonByteOr0(*entry, "Red");
    c.green = JsonByteOr0(*entry, "Green");
    c.blue = JsonByteOr0(*entry, "Blue");
    c.alpha = JsonByteOr0(*entry, "Alpha");
  }
  return customColors_;
}

bool CKeyboardProfiledata::SetCustomLightColors(int group,
                                                const std::vector<CustomLightColor>& colors) {
  if (!GroupInBounds(group)) return false;
  const size_t n = std::min(colors.size(), static_cast<size_t>(kMaxCustomLightColors));
  customColors_.assign(colors.begin(), colors.begin() + static_cast<std::ptrdiff_t>(n));
  Json::Value& groups = JsonEnsureArray(MutableSection(kCustomLightMode)[kLightColorInfo]);
  Json::Value& target = JsonEnsureArray(groups[static_cast<unsigned>(group)]);
  for (size_t i = 0; i < n; ++i) target[static_cast<unsigned>(i)] = ColorObject(colors[i]);
  return true;
}

int CKeyboardProfiledata::CustomLightGroup() {
  int group = 0;
  if (const Json::Value* s = Section(kCustomLightMode)) JsonInt(*s, kGroupIndex, &group);
  customGroup_ = GroupInBounds(group) ? group : 0;
  return customGroup_;
}

void CKeyboardProfiledata::SetCustomLightGroup(int group) {
  customGroup_ = GroupInBounds(group) ? group : 0;
  MutableSection(kCustomLightMode)[kGroupIndex] = customGroup_;
}

}  // namespace qv
