// A worker thread with one owner, one manual-reset stop event and a bounded stop.
//
// `Start` runs a body on a new thread; the body polls or waits on the stop event and returns
// when it is set. `Stop` sets the event, runs an optional abort step (closing the I/O the body
// blocks on), waits at most the given bound and writes one outcome trace:
//   ended in time            "线程退出：：对象处于激发状态\n"
//   still running at bound   "线程退出：：对象处于非激发状态，超时\n"
//   stopped from its own body "线程退出：：错误\n"
// A thread is never killed. One that misses its bound keeps running on its own state (the body
// and the event are shared with it), and the destructor, or `Join`, waits for it without a
// bound, so nothing it may touch is freed under it. Owners whose body uses the owner itself must
// therefore stop (or join) their workers before their own members go.
//
// Threading: every operation belongs to the owner's thread (one call at a time); the body sees
// only its stop event.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace qv {

// A manual-reset event: once set it stays set until `Reset`.
//
// It also carries a wake-up call: a worker that has nothing to do waits with `WaitForPoke`, and
// whoever changes what the worker has to do calls `Poke`, so the worker needs no polling.
class StopEvent {
 public:
  void Set();
  void Reset();
  bool IsSet() const;
  // Waits up to `timeout` for the event; true when it is set.
  bool WaitFor(std::chrono::milliseconds timeout) const;
  // Ends a pending (or the next) WaitForPoke early. Any thread; const so that a body can hand
  // its own wake-up to whoever feeds it.
  void Poke() const;
  // As WaitFor, but also returns (false) as soon as a poke came since the last return.
  bool WaitForPoke(std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex lock_;
  mutable std::condition_variable changed_;
  bool set_ = false;
  mutable bool poked_ = false;
};

enum class StopOutcome {
  kNotRunning,  // no thread was started, or it had already been stopped and joined
  kEnded,       // the thread ended within the bound and was joined
  kTimedOut,    // still running at the bound; it is joined later (destructor or `Join`)
  kError,       // asked from the worker's own thread: it cannot wait for itself
};

class WorkerThread {
 public:
  using Body = std::function<void(const StopEvent& stop)>;

  WorkerThread() = default;
  // Sets the stop event and waits for the thread, without a bound.
  ~WorkerThread();
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // False when a thread is still running (also one that missed its stop bound) or the thread
  // could not be created. The stop event starts reset. `name` (at most 15 characters are
  // kept) is what tools such as top and the benchmarks show for the thread.
  bool Start(Body body, const char* name = nullptr);
  // See the header comment. `abortIo` runs after the event is set, on the caller's thread.
  StopOutcome Stop(std::chrono::milliseconds bound, const std::function<void()>& abortIo = {});
  // Sets the stop event and waits for the thread without a bound.
  void Join();

  bool Running() const;
  bool StopRequested() const;
  // Pokes the running thread's stop event (see StopEvent::Poke); nothing when none runs. Any
  // thread.
  void Poke();

 private:
  struct Shared {
    StopEvent stop;
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
  };

  // Written by the owner's thread only; Poke may read it from another thread.
  std::shared_ptr<Shared> shared_;
  mutable std::mutex sharedLock_;  // guards the pointer shared_ for Poke
  std::thread thread_;
};

}  // namespace qv
