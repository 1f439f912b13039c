#pragma once

#include <deque>
#include <exception>
#include <functional>
#include <mutex>

namespace tessera {

// The queue behind an event loop's Post, the same for every backend: work
// from any thread waits here in order; the loop asks its system for one
// wake-up at a time and, on it, runs what was queued by then. Work that
// posts more work is run on the next wake-up, so input and painting are
// never starved; items run one at a time, so a modal run inside one keeps
// the order of the rest.
class TPostedWorkQueue {
public:
  // `wake` asks the system to call RunPosted on the UI thread soon; it is
  // called with the queue's lock held and answers whether the request was
  // taken. `onError` gets what escapes an item.
  TPostedWorkQueue(std::function<bool()> wake, std::function<void(std::exception_ptr)> onError);
  TPostedWorkQueue(const TPostedWorkQueue&) = delete;
  TPostedWorkQueue& operator=(const TPostedWorkQueue&) = delete;

  // Safe from any thread; does nothing once the queue is closed.
  void Post(std::function<void()> work);

  // On the UI thread, for the wake-up. `whileLocked` runs first under the
  // lock (to forget the wake-up that is being served).
  void RunPosted(const std::function<void()>& whileLocked = {});

  // Drops what is queued and refuses later work. `whileLocked` runs under
  // the lock (to cancel a wake-up in flight). The dropped work is destroyed
  // after the lock is released: its captures may post, which is then a
  // no-op rather than a deadlock.
  void Close(const std::function<void()>& whileLocked = {});

  // Standard error's report of an exception that escaped posted work.
  static void ReportUnhandled(std::exception_ptr error) noexcept;

private:
  std::function<bool()> FWake;
  std::function<void(std::exception_ptr)> FOnError;
  std::mutex FLock;
  std::deque<std::function<void()>> FQueue;
  bool FWakePending = false;
  bool FClosed = false;
};

} // namespace tessera
