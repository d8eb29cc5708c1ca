// CMouseProfiledata: the mouse's profile sections on top of CBasicProfiledata: "DPIStages",
// "SystemStages" with "ReportStages" (packed as three words: DoubleClickTime | MouseSpeed,
// PointerPrecision | ScorllPage, WheelScorlllinse | report stage, low half first) and the
// read-only "CorrectInfo".
//
// The stage list holds at most kMaxDpiStages stages and the active stage is 0..kMaxDpiStages-1
// (a value outside reads as 0); at most kMaxCorrections correction entries are read.
// Threading and ownership as the base class.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "profiles/basic_profiledata.h"

namespace qv {

inline constexpr size_t kMaxDpiStages = 5;
inline constexpr size_t kMaxCorrections = 32;

class CMouseProfiledata : public CBasicProfiledata {
 public:
  // Absent "DPIStages": the list and the active stage stay as they were. Present: the stages
  // read replace the first entries of the list; the list grows but never shrinks.
  std::vector<DpiStage> DpiStages();
  // Replaces the list (bounded) and writes stage i to "StageDPIs"[i] with all seven keys;
  // elements beyond the list stay in the document.
  void SetDpiStages(const std::vector<DpiStage>& stages);
  int ActiveDpiStage();
  void SetActiveDpiStage(int stage);

  std::array<uint32_t, 3> MouseSettings();
  void SetMouseSettings(uint32_t a, uint32_t b, uint32_t c);

  std::vector<CorrectionEntry> Corrections();

 private:
  std::vector<DpiStage> stages_;
  int activeStage_ = 0;
  std::array<uint32_t, 3> settings_{};
  std::vector<CorrectionEntry> corrections_;
};

}  // namespace qv
