#pragma once

#include "platform/api/event_loop.h"

#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tessera {

// An event loop the test drives: posted work waits until the test drains it.
// The UI thread is the thread that made the loop.
class FakeEventLoop final : public EventLoop {
public:
  void Run() override;
  void Quit() override;
  void Post(std::function<void()> work) override;
  void ProcessMessages() override { Drain(); }
  bool IsUiThread() const override { return std::this_thread::get_id() == FUiThread; }

  // Runs queued work, including work queued meanwhile, until none is left.
  // An exception from the work propagates to the test.
  void Drain();
  std::size_t Pending() const;

private:
  bool RunOne();

  std::thread::id FUiThread = std::this_thread::get_id();
  mutable std::mutex FLock;
  std::deque<std::function<void()>> FQueue;
  bool FQuit = false;
};

} // namespace tessera
