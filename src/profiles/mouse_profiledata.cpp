#include "profiles/mouse_profiledata.h"

#include <algorithm>

#include "profiles/json_access.h"

namespace qv {

namespace {

constexpr const char* kDpiStages = "DPIStages";
constexpr const char* kStageDpis = "StageDPIs";
constexpr const char* kStageActive = "StageActive";

bool StageInBounds(int stage) {
  return stage >= 0 && static_cast<size_t>(stage) < kMaxDpiStages;
}

}  // namespace

std::vector<DpiStage> CMouseProfiledata::DpiStages() {
  const Json::Value* section = Section(kDpiStages);
  if (section == nullptr) return stages_;
  int active = 0;
  JsonInt(*section, kStageActive, &active);
  activeStage_ = StageInBounds(active) ? active : 0;

  const Json::Value* list = JsonMember(*section, kStageDpis);
  if (list != nullptr && list->isArray()) {
    const size_t count = std::min<size_t>(list->size(), kMaxDpiStages);
    for (size_t i = 0; i < count; ++i) {
      const Json::Value& e = (*list)[static_cast<unsigned>(i)];
      DpiStage stage;
      stage.active = JsonByteOr0(e, "StageActive");
      stage.xy = JsonByteOr0(e, "StageXY");
      stage.dpiX = JsonU16Or0(e, "StageDPIX");
      stage.dpiY = JsonU16Or0(e, "StageDPIY");
      stage.red = JsonByteOr0(e, "StageColorR");
      stage.green = JsonByteOr0(e, "StageColorG");
      stage.blue = JsonByteOr0(e, "StageColorB");
      if (i < stages_.size()) {
        stages_[i] = stage;
      } else {
        stages_.push_back(stage);
      }
    }
  }
  return stages_;
}

void CMouseProfiledata::SetDpiStages(const std::vector<DpiStage>& stages) {
  const size_t count = std::min(stages.size(), kMaxDpiStages);
  stages_.assign(stages.begin(), stages.begin() + static_cast<std::ptrdiff_t>(count));
  Json::Value& list = JsonEnsureArray(MutableSection(kDpiStages)[kStageDpis]);
  for (size_t i = 0; i < count; ++i) {
    const DpiStage& s = stages_[i];
    Json::Value& e = JsonEnsureObject(list[static_cast<unsigned>(i)]);
    e["StageActive"] = s.active;
    e["StageXY"] = s.xy;
    e["StageDPIX"] = s.dpiX;
    e["StageDPIY"] = s.dpiY;
    e["StageColorR"] = s.red;
    e["StageColorG"] = s.green;
    e["StageColorB"] = s.blue;
  }
}

int CMouseProfiledata::ActiveDpiStage() {
  if (const Json::Value* section = Section(kDpiStages)) {
    int active = 0;
    if (JsonInt(*section, kStageActive, &active)) activeStage_ = StageInBounds(active) ? active : 0;
  }
  return activeStage_;
}

void CMouseProfiledata::SetActiveDpiStage(int stage) {
  activeStage_ = StageInBounds(stage) ? stage : 0;
  MutableSection(kDpiStages)[kStageActive] = activeStage_;
}

std::array<uint32_t, 3> CMouseProfiledata::MouseSettings() {
  settings_ = {};
  if (const Json::Value* s = Section("SystemStages")) {
    settings_[0] = PackHalves(JsonU16Or0(*s, "DoubleClickTime"), JsonU16Or0(*s, "MouseSpeed"));
    settings_[1] = PackHalves(JsonU16Or0(*s, "PointerPrecision"), JsonU16Or0(*s, "ScorllPage"));
    settings_[2] = JsonU16Or0(*s, "WheelScorlllinse");
  }
  // The report stage comes only from "ReportStages", present or not.
  uint16_t report = 0;
  if (const Json::Value* r = Section("ReportStages")) report = JsonU16Or0(*r, kStageActive);
  settings_[2] = PackHalves(static_cast<uint16_t>(settings_[2]), report);
  return settings_;
}

void CMouseProfiledata::SetMouseSettings(uint32_t a, uint32_t b, uint32_t c) {
  settings_ = {a, b, c};
  Json::Value& s = MutableSection("SystemStages");
  s["DoubleClickTime"] = static_cast<int>(a & 0xFFFF);
  s["MouseSpeed"] = static_cast<int>(a >> 16);
  s["PointerPrecision"] = static_cast<int>(b & 0xFFFF);
  s["ScorllPage"] = static_cast<int>(b >> 16);
  s["WheelScorlllinse"] = static_cast<int>(c & 0xFFFF);
  MutableSection("ReportStages")[kStageActive] = static_cast<int>(c >> 16);
}

std::vector<CorrectionEntry> CMouseProfiledata::Corrections() {
  corrections_.clear();
  const Json::Value* list = JsonMember(Document(), "CorrectInfo");
  if (list == nullptr || !list->isArray()) return corrections_;
  const size_t count = std::min<size_t>(list->size(), kMaxCorrections);
  for (size_t i = 0; i < count; ++i) {
    const Json::Value& e = (*list)[static_cast<unsigned>(i)];
    CorrectionEntry entry;
    entry.pixThresh = JsonByteOr0(e, "CorrectPixThresh");
    entry.minSq = JsonByteOr0(e, "CorrectMinSq");
    entry.select = JsonByteOr0(e, "CorrectSelect");
    std::string name;
    if (JsonString(e, "CorrectName", &name)) entry.name = JsonFileStore::WideFromUtf8(name);
    corrections_.push_back(std::move(entry));
  }
  return corrections_;
}

}  // namespace qv
