#include "platform/gtk/idle_call.h"

#include "platform/gtk/callback_guard.h"

#include <glib.h>

#include <utility>

namespace tessera::gtk {

void RunFromLoop(std::function<void()> work) {
  auto* job = new std::function<void()>(std::move(work));
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        GuardCallback<int>("posted call", 0, [data] {
          (*static_cast<std::function<void()>*>(data))();
          return 0;
        });
        return G_SOURCE_REMOVE;
      },
      job, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

} // namespace tessera::gtk
