// How workers and device objects reach the interface: the main window implements this with
// Qt's blocking-queued and queued calls. Messages keep the numbers the main window routes
// (private messages 0x0C00..0x0D04 and the registered ones).
//
// Threading: every operation may be called from any thread. `Send` blocks until the interface
// thread has handled the message (called on the interface thread it runs at once); `Post` and
// `PostTask` return at once.
#pragma once

#include <cstdint>
#include <functional>

namespace qv {

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // The handler's result; 0 when the window is gone.
  virtual intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // False when the window is gone and the message was dropped.
  virtual bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // Runs `task` on the interface thread later (work that touches widgets or interface timers).
  virtual bool PostTask(std::function<void()> task) = 0;
};

}  // namespace qv
