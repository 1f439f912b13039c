#include "platform/fake/fake_event_loop.h"

#include <utility>

namespace tessera {

void FakeEventLoop::Run() {
  FQuit = false;
  while (!FQuit && RunOne()) {
  }
}

void FakeEventLoop::Quit() {
  FQuit = true;
}

void FakeEventLoop::Post(std::function<void()> work) {
  std::lock_guard lock(FLock);
  FQueue.push_back(std::move(work));
}

bool FakeEventLoop::RunOne() {
  std::function<void()> work;
  {
    std::lock_guard lock(FLock);
    if (FQueue.empty())
      return false;
    work = std::move(FQueue.front());
    FQueue.pop_front();
  }
  work();
  return true;
}

void FakeEventLoop::Drain() {
  while (RunOne()) {
  }
}

std::size_t FakeEventLoop::Pending() const {
  std::lock_guard lock(FLock);
  return FQueue.size();
}

} // namespace tessera
