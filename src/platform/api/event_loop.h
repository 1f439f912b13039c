#pragma once

#include <functional>

namespace tessera {

// The user-interface thread's message loop. Work from other threads comes
// back to the UI thread only through Post.
class EventLoop {
public:
  virtual ~EventLoop() = default;

  // Runs until Quit is called.
  virtual void Run() = 0;
  virtual void Quit() = 0;

  // Queues work to run on the UI thread after the caller returns, first in
  // first out. Safe to call from any thread.
  virtual void Post(std::function<void()> work) = 0;

  // Handles whatever is queued now and returns.
  virtual void ProcessMessages() = 0;

  virtual bool IsUiThread() const = 0;
};

} // namespace tessera
