#include "platform/api/posted_work_queue.h"

#include <cstdio>
#include <utility>

namespace tessera {

TPostedWorkQueue::TPostedWorkQueue(std::function<bool()> wake,
                                   std::function<void(std::exception_ptr)> onError)
    : FWake(std::move(wake)), FOnError(std::move(onError)) {}

void TPostedWorkQueue::Post(std::function<void()> work) {
  std::lock_guard lock(FLock);
  if (FClosed)
    return;
  FQueue.push_back(std::move(work));
  // Under the lock, so the loop cannot go away in between.
  if (!FWakePending)
    FWakePending = FWake();
}

void TPostedWorkQueue::RunPosted(const std::function<void()>& whileLocked) {
  std::size_t count = 0;
  {
    std::lock_guard lock(FLock);
    if (whileLocked)
      whileLocked();
    FWakePending = false;
    count = FQueue.size();
  }
  for (std::size_t i = 0; i < count; ++i) {
    std::function<void()> work;
    {
      std::lock_guard lock(FLock);
      if (FQueue.empty())
        return;
      work = std::move(FQueue.front());
      FQueue.pop_front();
    }
    try {
      work();
    } catch (...) {
      FOnError(std::current_exception());
    }
  }
}

void TPostedWorkQueue::Close(const std::function<void()>& whileLocked) {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(FLock);
    FClosed = true;
    dropped.swap(FQueue);
    if (whileLocked)
      whileLocked();
  }
  dropped.clear();
}

void TPostedWorkQueue::ReportUnhandled(std::exception_ptr error) noexcept {
  try {
    std::rethrow_exception(std::move(error));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessera: posted work failed: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "tessera: posted work failed with an unknown exception\n");
  }
}

} // namespace tessera
