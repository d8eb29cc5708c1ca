#include "devices/sync_lighting.h"

#include "platform/trace.h"

namespace qv {

void SyncLightingEngine::SetParams(const SyncLightingParams& params) {
  std::lock_guard<std::mutex> hold(lock_);
  params_ = params;
}

SyncLightingParams SyncLightingEngine::Params() const {
  std::lock_guard<std::mutex> hold(lock_);
  return params_;
}

std::optional<uint32_t> SyncLightingEngine::Tick(uint64_t nowMs) {
  if (nowMs >= lastTick_ + 2) {
    lastTick_ = nowMs;
    ++steps_;
  }
  const SyncLightingParams p = Params();
  const unsigned speed = p.speed < kSyncSpeedSteps.size() ? p.speed : kSyncSpeedSteps.size() - 1;
  if (steps_ < kSyncSpeedSteps[speed]) return std::nullopt;
  if (static_cast<uint8_t>(p.effect) > static_cast<uint8_t>(SyncEffect::kOff)) return std::nullopt;
  steps_ = 0;
  return Step(p, nowMs);
}

uint32_t SyncLightingEngine::Step(const SyncLightingParams& p, uint64_t nowMs) {
  const uint8_t level = BrightnessLevelValue(p.brightness);
  const unsigned speed = p.speed < kSyncSpeedSteps.size() ? p.speed : kSyncSpeedSteps.size() - 1;
  switch (p.effect) {
    case SyncEffect::kBreathing: {
      breathPhase_ = StepPhase(p.direction, kBreathingCurveSize, breathPhase_, 1);
      Rgb color = p.color;
      if (p.multiColor) {
        if (breathPhase_ <= 1) breathIndex_ = StepPhase(1, kWheelSize, breathIndex_, 16);
        color = kColorWheel[breathIndex_];
      }
      const auto b = static_cast<uint8_t>(level * kBreathingCurve[breathPhase_] / 256);
      return PackLightColor(color, b);
    }
    case SyncEffect::kSteady:
      return PackLightColor(p.color, level);
    case SyncEffect::kFlashing: {
      if (nowMs - lastFlash_ >= uint64_t{kSyncSpeedSteps[speed]} * 200) {
        flashOn_ = !flashOn_;
        lastFlash_ = nowMs;
        wheelPos_ = static_cast<uint8_t>(wheelPos_ + 14);
        if (wheelPos_ >= kWheelSize) wheelPos_ = 0;
      }
      if (!flashOn_) return PackLightColor(Rgb{}, 0);
      return PackLightColor(p.multiColor ? kColorWheel[wheelPos_] : p.color, level);
    }
    case SyncEffect::kCycle:
      wheelPos_ = StepPhase(1, kWheelSize, wheelPos_, 1);
      return PackLightColor(kColorWheel[wheelPos_], level);
    case SyncEffect::kOff:
      break;
  }
  return PackLightColor(Rgb{}, 0);
}

uint64_t SteadyMilliseconds() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

void RunSyncLighting(const StopEvent& stop, SyncLightingEngine& engine,
                     const DeviceFamilies& families, uint64_t (*nowMs)(),
                     std::chrono::milliseconds idle) {
  for (;;) {
    // A snapshot: the interface thread may append device objects meanwhile.
    const auto search = families.InOrder({DeviceFamily::kMouse, DeviceFamily::kKeyboard,
                                          DeviceFamily::kMousePad, DeviceFamily::kHeadset});
    bool any = false;
    for (CKestravaUSBDevice* d : search) {
      if (d->Link.Open && families.SyncLighting(d)) {
        any = true;
        break;
      }
    }
    if (!any) {
      // Nothing to light: no wake-ups until something may have changed.
      if (stop.WaitForPoke(idle)) break;
      continue;
    }
    if (const std::optional<uint32_t> color = engine.Tick(nowMs())) {
      const auto targets = families.InOrder({DeviceFamily::kMouse, DeviceFamily::kMousePad,
                                             DeviceFamily::kHeadset, DeviceFamily::kKeyboard});
      for (CKestravaUSBDevice* d : targets) {
        if (!families.SyncLighting(d)) continue;
        const auto count = static_cast<int>(d->GetLightCount());
        for (int i = 0; i < count; ++i) d->SetLightColor(i, *color);
      }
    }
    if (stop.WaitFor(std::chrono::milliseconds(1))) break;
  }
  TraceText("同步灯光线程设定退出");
}

}  // namespace qv
