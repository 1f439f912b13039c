#include "platform/gtk/main_loop_glib.h"

#include "platform/api/engine_callback_scope.h"

#include <vector>

namespace tessera::gtk {

namespace {

struct TLoopStack {
  std::vector<GMainLoop*> Running;
  bool QuitPending = false;
};

TLoopStack& Loops() {
  static TLoopStack loops;
  return loops;
}

// Runs `loop` as the innermost; true when a quit request is pending after.
bool RunLoop(GMainLoop* loop) {
  TLoopStack& loops = Loops();
  if (loops.QuitPending) {
    return true;
  }
  loops.Running.push_back(loop);
  g_main_loop_run(loop);
  loops.Running.pop_back();
  return loops.QuitPending;
}

} // namespace

bool RunModalLoop(GMainLoop* loop) {
  CheckNoEngineCallback("a modal loop");
  TLoopStack& loops = Loops();
  if (!RunLoop(loop)) {
    return false;
  }
  if (!loops.Running.empty()) {
    // Still inside the loop outside this one: it ends as soon as the
    // callback that started this run returns.
    g_main_loop_quit(loops.Running.back());
  }
  return true;
}

void RunApplicationLoop(GMainLoop* loop) {
  RunLoop(loop);
  Loops().QuitPending = false;
}

void RequestQuit() {
  TLoopStack& loops = Loops();
  loops.QuitPending = true;
  if (!loops.Running.empty()) {
    g_main_loop_quit(loops.Running.back());
  }
}

void PostQuitRequest() {
  // An idle source at the priority of posted work, added to the default
  // context, which wakes up if it sleeps in another thread's poll.
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer) -> gboolean {
        RequestQuit();
        return G_SOURCE_REMOVE;
      },
      nullptr, nullptr);
}

} // namespace tessera::gtk
