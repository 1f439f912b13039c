#include "platform/gtk/event_loop_glib.h"

#include "platform/gtk/main_loop_glib.h"

#include <cstdio>
#include <utility>

namespace tessera {

GlibEventLoop::GlibEventLoop()
    : FThreadId(std::this_thread::get_id()),
      FPosted(
          [this] {
            // The default priority, as input: animations and redraws, which
            // run at idle priorities, cannot hold posted work back.
            FWakeSource =
                g_idle_add_full(G_PRIORITY_DEFAULT, &GlibEventLoop::RunPostedThunk, this, nullptr);
            return true;
          },
          [this](std::exception_ptr error) { HandleException(std::move(error)); }) {}

GlibEventLoop::~GlibEventLoop() {
  // Destruction is on the UI thread, so the source is not running now;
  // removed under the lock, it cannot fire on a dead object later.
  FPosted.Close([this] {
    if (FWakeSource != 0)
      g_source_remove(std::exchange(FWakeSource, 0u));
  });
}

void GlibEventLoop::Post(std::function<void()> work) {
  FPosted.Post(std::move(work));
}

gboolean GlibEventLoop::RunPostedThunk(gpointer self) noexcept {
  auto* loop = static_cast<GlibEventLoop*>(self);
  loop->FPosted.RunPosted([loop] { loop->FWakeSource = 0; });
  return G_SOURCE_REMOVE;
}

void GlibEventLoop::HandleException(std::exception_ptr error) noexcept {
  if (OnUnhandledException) {
    try {
      OnUnhandledException(error);
      return;
    } catch (...) {
      TPostedWorkQueue::ReportUnhandled(std::current_exception());
    }
  }
  TPostedWorkQueue::ReportUnhandled(std::move(error));
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
