// The main window's worker slots: the device scan (slot 0) and the synchronised lighting
// (slot 8), and the shutdown that stops them.
#include "app/main_wnd.h"
#include "platform/trace.h"

namespace qv::ui {

bool CMainWnd::StartWorker(int slot, WorkerThread::Body body, const char* name) {
  if (slot < 0 || slot >= kWorkerSlots || shutdownDone_ || shutdownRunning_) return false;
  return workers_[static_cast<size_t>(slot)].Start(std::move(body), name);
}

bool CMainWnd::WorkerRunning(int slot) const {
  return slot >= 0 && slot < kWorkerSlots && workers_[static_cast<size_t>(slot)].Running();
}

void CMainWnd::StartWorkers() {
  StartWorker(
      kScanSlot, [this](const StopEvent& stop) { ScanLoop(stop); }, "qv-scan");
  // Slot 1, the audio-capture watcher, belongs to audio lighting and stays empty until then.
  StartWorker(
      kSyncLightingSlot,
      [this](const StopEvent& stop) {
        RunSyncLighting(stop, syncEngine_, families_, &SteadyMilliseconds);
      },
      "qv-sync");
}

void CMainWnd::ScanLoop(const StopEvent& stop) {
  scanner_->RunLoop(stop, options_.scanTiming);
}

void CMainWnd::Shutdown() {
  if (shutdownDone_ || shutdownRunning_.exchange(true)) return;
  hide();
  for (WorkerThread& worker : workers_) {
    // A worker blocked in Send is released by shutdownRunning_; one that still misses its bound
    // is left running on its own state and joined when the window goes.
    switch (worker.Stop(options_.workerStopBound)) {
      case StopOutcome::kEnded:
        TraceText("所有对象处于激发状态\n");
        break;
      case StopOutcome::kTimedOut:
        TraceText("所有对象处于非激发状态，超时\n");
        break;
      default:
        break;
    }
  }
  // The audio-capture program is told to end by audio lighting, when it runs one.
  shutdownDone_ = true;
  shutdownRunning_ = false;
  Q_EMIT ShutdownFinished();
}

}  // namespace qv::ui
