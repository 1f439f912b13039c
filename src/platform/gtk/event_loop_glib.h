#pragma once

#include "platform/api/event_loop.h"
#include "platform/api/posted_work_queue.h"

#include <glib.h>

#include <exception>
#include <functional>
#include <thread>

namespace tessera {

// The UI thread's loop on GLib's default main context, where GTK's events
// arrive too. Posted work waits in a queue; one idle source at a time wakes
// the UI thread for it, so work keeps its order and also runs inside modal
// runs and ProcessMessages. The thread that constructs the loop is the UI
// thread; construct and destroy it there.
class GlibEventLoop final : public EventLoop {
public:
  GlibEventLoop();
  ~GlibEventLoop() override;
  GlibEventLoop(const GlibEventLoop&) = delete;
  GlibEventLoop& operator=(const GlibEventLoop&) = delete;

  // Runs until Quit, or until the toolkit's main window closes. A nested
  // Run ends on the quit it receives and leaves the outer one running.
  void Run() override;
  void Quit() override;
  void Post(std::function<void()> work) override;
  void ProcessMessages() override;
  bool IsUiThread() const override;

  // Receives an exception that escaped posted work; without one it is
  // reported on standard error. Either way the loop carries on.
  std::function<void(std::exception_ptr)> OnUnhandledException;

private:
  static gboolean RunPostedThunk(gpointer self) noexcept;
  void HandleException(std::exception_ptr error) noexcept;

  const std::thread::id FThreadId;
  // The idle source in flight, or 0 (guarded by the queue's lock); one is
  // enough for any number of items.
  guint FWakeSource = 0;
  TPostedWorkQueue FPosted;
};

} // namespace tessera
