#include "platform/gtk/event_loop_glib.h"

#include "platform/gtk/main_loop_glib.h"

#include <cstdio>
#include <utility>

namespace tessera {

namespace {

void ReportUnhandled(std::exception_ptr error) noexcept {
  try {
    std::rethrow_exception(std::move(error));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessera: posted work failed: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "tessera: posted work failed with an unknown exception\n");
  }
}

} // namespace

GlibEventLoop::GlibEventLoop() : FThreadId(std::this_thread::get_id()) {}

GlibEventLoop::~GlibEventLoop() {
  std::deque<std::function<void()>> dropped;
  {
    std::lock_guard lock(FLock);
    FClosed = true;
    dropped.swap(FQueue);
    // Destruction is on the UI thread, so the source is not running now;
    // removed under the lock, it cannot fire on a dead object later.
    if (FWakeSource != 0) {
      g_source_remove(std::exchange(FWakeSource, 0u));
    }
  }
  // The dropped work is destroyed outside the lock: its captures may post,
  // which is now a no-op rather than a deadlock.
  dropped.clear();
}

void GlibEventLoop::Post(std::function<void()> work) {
  std::lock_guard lock(FLock);
  if (FClosed) {
    return;
  }
  FQueue.push_back(std::move(work));
  if (FWakeSource == 0) {
    // The default priority, as input: animations and redraws, which run at
    // idle priorities, cannot hold posted work back.
    FWakeSource =
        g_idle_add_full(G_PRIORITY_DEFAULT, &GlibEventLoop::RunPostedThunk, this, nullptr);
  }
}

gboolean GlibEventLoop::RunPostedThunk(gpointer self) noexcept {
  static_cast<GlibEventLoop*>(self)->RunPosted();
  return G_SOURCE_REMOVE;
}

void GlibEventLoop::RunPosted() {
  std::size_t count = 0;
  {
    std::lock_guard lock(FLock);
    FWakeSource = 0;
    count = FQueue.size();
  }
  // Only what was queued when the source fired: work that posts more work
  // gets a new source, so input and painting are not starved. One item at
  // a time, so a modal run inside an item keeps the order of the rest.
  for (std::size_t i = 0; i < count; ++i) {
    std::function<void()> work;
    {
      std::lock_guard lock(FLock);
      if (FQueue.empty()) {
        return;
      }
      work = std::move(FQueue.front());
      FQueue.pop_front();
    }
    try {
      work();
    } catch (...) {
      HandleException(std::current_exception());
    }
  }
}

void GlibEventLoop::HandleException(std::exception_ptr error) noexcept {
  if (OnUnhandledException) {
    try {
      OnUnhandledException(error);
      return;
    } catch (...) {
      ReportUnhandled(std::current_exception());
    }
  }
  ReportUnhandled(std::move(error));
}

void GlibEventLoop::Run() {
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  // This run takes the quit; one that ended a modal run inside it ends it
  // too.
  gtk::RunApplicationLoop(loop);
  g_main_loop_unref(loop);
}

void GlibEventLoop::Quit() {
  // Through the UI thread's context, so it works from any thread and ends
  // the UI thread's loop rather than the caller's.
  gtk::PostQuitRequest();
}

void GlibEventLoop::ProcessMessages() {
  // A quit request made meanwhile stays pending for Run.
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

bool GlibEventLoop::IsUiThread() const {
  return std::this_thread::get_id() == FThreadId;
}

} // namespace tessera
