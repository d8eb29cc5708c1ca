// The synchronised lighting: one effect computed on the host and given to every device object
// whose synchronised-lighting flag is set, so that all attached devices light alike.
//
// `SyncLightingEngine` is the effect arithmetic with time as a parameter: `Tick(nowMs)` advances
// the step counter (one step per 2 ms or more of elapsed time) and, when the speed step of the
// chosen effect is reached, runs one step and returns the packed colour (red, green, blue,
// brightness; red lowest). `RunSyncLighting` is the thread body that drives it and hands the
// colour out with `SetLightColor`.
//
// Threading: `SetParams` may be called from any thread; `Tick` belongs to the lighting thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>

#include "devices/device_families.h"
#include "platform/worker_thread.h"

namespace qv {

enum class SyncEffect : uint8_t {
  kBreathing = 0,
  kSteady = 1,
  kFlashing = 2,
  kCycle = 3,
  kOff = 4
};

struct SyncLightingParams {
  SyncEffect effect = SyncEffect::kSteady;
  uint8_t brightness = 4;  // level 0..4
  uint8_t speed = 2;       // level 0..4
  uint8_t direction = 1;
  bool multiColor = false;
  Rgb color{255, 255, 255};
};

// By speed level 0..4; the same for every effect.
inline constexpr std::array<uint8_t, 5> kSyncSpeedSteps = {28, 23, 18, 13, 7};

class SyncLightingEngine {
 public:
  explicit SyncLightingEngine(uint64_t startMs = 0) : lastTick_(startMs) {}

  void SetParams(const SyncLightingParams& params);
  SyncLightingParams Params() const;

  std::optional<uint32_t> Tick(uint64_t nowMs);

 private:
  uint32_t Step(const SyncLightingParams& p, uint64_t nowMs);

  mutable std::mutex lock_;  // guards params_
  SyncLightingParams params_;
  uint64_t lastTick_;
  unsigned steps_ = 0;
  uint8_t breathPhase_ = 0;
  uint8_t breathIndex_ = 0;
  uint8_t wheelPos_ = 0;
  bool flashOn_ = false;
  uint64_t lastFlash_ = 0;
};

// The body of the synchronised-lighting thread (worker slot 8). `nowMs` reads a millisecond
// tick. While no device takes part the thread sleeps until poked (a flag set on, a device
// attached: see DeviceFamilies::SetOnSyncChange and the main window's arrival handling) or
// `idle` has passed, which only bounds a lost poke.
void RunSyncLighting(const StopEvent& stop, SyncLightingEngine& engine,
                     const DeviceFamilies& families, uint64_t (*nowMs)(),
                     std::chrono::milliseconds idle = std::chrono::seconds(30));

uint64_t SteadyMilliseconds();

}  // namespace qv
