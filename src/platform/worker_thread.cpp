#include "platform/worker_thread.h"

#include <pthread.h>

#include <string>
#include <system_error>

#include "platform/trace.h"

namespace qv {

void StopEvent::Set() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    set_ = true;
  }
  changed_.notify_all();
}

void StopEvent::Reset() {
  std::lock_guard<std::mutex> hold(lock_);
  set_ = false;
}

bool StopEvent::IsSet() const {
  std::lock_guard<std::mutex> hold(lock_);
  return set_;
}

bool StopEvent::WaitFor(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(lock_);
  return changed_.wait_for(lock, timeout, [this] { return set_; });
}

void StopEvent::Poke() const {
  {
    std::lock_guard<std::mutex> hold(lock_);
    poked_ = true;
  }
  changed_.notify_all();
}

bool StopEvent::WaitForPoke(std::chrono::milliseconds timeout) const {
  std::unique_lock<std::mutex> lock(lock_);
  changed_.wait_for(lock, timeout, [this] { return set_ || poked_; });
  poked_ = false;
  return set_;
}

WorkerThread::~WorkerThread() {
  Join();
}

bool WorkerThread::Start(Body body, const char* name) {
  if (thread_.joinable()) {
    if (Running()) return false;
    thread_.join();  // a thread that missed its bound and has ended since
  }
  auto shared = std::make_shared<Shared>();
  try {
    // The thread holds its own reference: the event and the flag outlive any owner's wait.
    thread_ = std::thread([shared, body = std::move(body), name = std::string(name ? name : "")] {
      // Linux keeps 15 characters of a thread's name.
      if (!name.empty()) pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
      body(shared->stop);
      {
        std::lock_guard<std::mutex> hold(shared->lock);
        shared->done = true;
      }
      shared->finished.notify_all();
    });
  } catch (const std::system_error&) {
    return false;
  }
  std::lock_guard<std::mutex> hold(sharedLock_);
  shared_ = std::move(shared);
  return true;
}

void WorkerThread::Poke() {
  std::shared_ptr<Shared> shared;
  {
    std::lock_guard<std::mutex> hold(sharedLock_);
    shared = shared_;
  }
  if (shared && !shared->stop.IsSet()) shared->stop.Poke();
}

StopOutcome WorkerThread::Stop(std::chrono::milliseconds bound,
                               const std::function<void()>& abortIo) {
  if (!thread_.joinable()) return StopOutcome::kNotRunning;
  if (thread_.get_id() == std::this_thread::get_id()) {
    shared_->stop.Set();
    TraceText("线程退出：：错误\n");
    return StopOutcome::kError;
  }
  shared_->stop.Set();
  if (abortIo) abortIo();
  bool ended;
  {
    std::unique_lock<std::mutex> lock(shared_->lock);
    ended = shared_->finished.wait_for(lock, bound, [this] { return shared_->done; });
  }
  if (!ended) {
    TraceText("线程退出：：对象处于非激发状态，超时\n");
    return StopOutcome::kTimedOut;
  }
  thread_.join();
  TraceText("线程退出：：对象处于激发状态\n");
  return StopOutcome::kEnded;
}

void WorkerThread::Join() {
  if (!thread_.joinable()) return;
  shared_->stop.Set();
  if (thread_.get_id() == std::this_thread::get_id()) {
    // Destroyed from its own body: let it finish on its own.
    thread_.detach();
    return;
  }
  thread_.join();
}

bool WorkerThread::Running() const {
  if (!shared_ || !thread_.joinable()) return false;
  std::lock_guard<std::mutex> hold(shared_->lock);
  return !shared_->done;
}

bool WorkerThread::StopRequested() const {
  return shared_ && shared_->stop.IsSet();
}

}  // namespace qv
