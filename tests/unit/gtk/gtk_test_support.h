#pragma once

// Shared pieces of the GTK toolkit tests: an events recorder, main-loop
// pumping with a deadline (GTK applies sizes and states after a round trip
// to the X server), work that runs from inside whatever loop runs then, and
// key events made as GDK makes them.
#include "platform/api/toolkit.h"

#include <gtk/gtk.h>
#include <sys/wait.h>

#include <array>
#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessera::testing_gtk {

// The forward-declared command enum's values, as the web view control
// defines them.
inline constexpr auto kMinimize = static_cast<TSysCommand>(0);
inline constexpr auto kRestore = static_cast<TSysCommand>(1);

struct TRecordingEvents : ToolkitWindowEvents {
  bool AllowClose = true;
  int CloseQueries = 0;
  int ClosedCount = 0;
  int Resizes = 0;
  std::vector<TNativeWindow> Created;
  std::vector<TSysCommand> SysCommands;
  std::function<void()> OnClosed;

  bool CloseQuery() override {
    ++CloseQueries;
    return AllowClose;
  }
  void Closed() override {
    ++ClosedCount;
    if (OnClosed) {
      OnClosed();
    }
  }
  void Resized() override { ++Resizes; }
  void HandleCreated(TNativeWindow handle) override { Created.push_back(handle); }
  void SysCommand(TSysCommand command) override { SysCommands.push_back(command); }
};

inline GtkWidget* Area(const ToolkitWindow& window) {
  return reinterpret_cast<GtkWidget*>(window.Handle());
}

inline GtkWindow* TopLevelOf(const ToolkitWindow& window) {
  return GTK_WINDOW(gtk_widget_get_toplevel(Area(window)));
}

// How long a test waits for what it expects (a size the X server applied, a
// dialog, a click) before it fails. A guard against a hang, not a timing:
// the machine may be busy, and every wait ends as soon as the thing happens.
inline constexpr int kWaitMs = 90000;

// Handles the main context's events until `done` holds or the time is up;
// returns whether it holds.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    if (!g_main_context_iteration(nullptr, FALSE)) {
      g_usleep(2000);
    }
  }
  return true;
}

// Handles events for a while: for things that must not happen.
inline void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

// Runs `work` once, `delayMs` from now, from the loop that runs then;
// answers the source's id.
inline guint RunLater(guint delayMs, std::function<void()> work) {
  auto* job = new std::function<void()>(std::move(work));
  return g_timeout_add_full(
      G_PRIORITY_DEFAULT, delayMs,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      job, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

// A RunLater that is called off when the scope ends: a watchdog of one test
// must never fire inside a later one, with references to what is gone.
class TScopedRunLater {
public:
  TScopedRunLater(guint delayMs, std::function<void()> work)
      : FSource(RunLater(delayMs, [this, work = std::move(work)] {
          FSource = 0;
          work();
        })) {}
  ~TScopedRunLater() {
    if (FSource != 0)
      g_source_remove(FSource);
  }
  TScopedRunLater(const TScopedRunLater&) = delete;
  TScopedRunLater& operator=(const TScopedRunLater&) = delete;

private:
  guint FSource;
};

// A PNG of the given size in one colour, as gdk-pixbuf writes it; empty if
// it could not.
inline std::string PngBytes(int width, int height) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
  gdk_pixbuf_fill(pixbuf, 0x3366CCFFu);
  gchar* buffer = nullptr;
  gsize size = 0;
  std::string bytes;
  if (gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, nullptr)) {
    bytes.assign(buffer, size);
  }
  g_free(buffer);
  g_object_unref(pixbuf);
  return bytes;
}

// Whether a window manager runs that keeps windows above others (the suite
// starts openbox when it is installed). Defined apart: the X headers' macros
// (None, Bool) clash with the test framework's and our names.
bool HaveWindowManager();

// Whether the window manager lists `state` (an atom name such as
// "_NET_WM_STATE_ABOVE") on the window; GDK's own state keeps some flags
// after the window manager dropped them.
bool HasNetWmState(GtkWidget* toplevel, const char* state);

// The smallest size the window asks the window manager for (the
// WM_NORMAL_HINTS minimum; a window that is not resizable asks for its size
// as the smallest and the largest), or 0 x 0 without one.
std::pair<int, int> MinimumSizeHint(GtkWidget* toplevel);

// The frame the window manager announced around the toplevel
// (_NET_FRAME_EXTENTS: left, right, top, bottom), read from the X server
// here rather than through the code under test; nullopt without one.
std::optional<std::array<long, 4>> NetFrameExtents(GtkWidget* toplevel);

// Whether the X server shows the widget's window: mapped, and so are the
// windows that hold it (for a tray icon, the tray's). An X request, so it
// sees what the server shows, not what GTK has merely asked for; a click
// on it reaches us only from then on.
bool Viewable(GtkWidget* widget);

// The window an XEmbed tray holds for a tray icon of ours (its plug), or
// null.
GtkWidget* TrayPlug();

// Delivers a key press or release to `toplevel` as GDK would deliver it from
// the X server, whatever window the server gives the focus.
inline void SendKey(GtkWidget* toplevel, guint keyval, bool press) {
  GdkWindow* window = gtk_widget_get_window(toplevel);
  GdkEvent* event = gdk_event_new(press ? GDK_KEY_PRESS : GDK_KEY_RELEASE);
  event->key.window = GDK_WINDOW(g_object_ref(window));
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  event->key.keyval = keyval;
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  GdkDisplay* display = gdk_window_get_display(window);
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys,
                                        &count) &&
      count > 0) {
    event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
    event->key.group = static_cast<guint8>(keys[0].group);
    // The shifted half of the key gives capitals.
    if (keys[0].level == 1) {
      event->key.state = GDK_SHIFT_MASK;
    }
  }
  g_free(keys);
  gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

inline void TypeKey(GtkWidget* toplevel, guint keyval) {
  SendKey(toplevel, keyval, true);
  SendKey(toplevel, keyval, false);
}

// A helper program (a tray, a notification daemon) started on the test's
// display for the life of the object, then ended. Not running when the
// program is not installed or does not start.
class TScopedProgram {
public:
  TScopedProgram(const char* program, std::vector<std::string> arguments) {
    gchar* path = g_find_program_in_path(program);
    if (path == nullptr) {
      return;
    }
    std::vector<gchar*> argv{path};
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    if (!g_spawn_async(nullptr, argv.data(), nullptr,
                       static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD |
                                                G_SPAWN_STDOUT_TO_DEV_NULL |
                                                G_SPAWN_STDERR_TO_DEV_NULL),
                       nullptr, nullptr, &FPid, nullptr)) {
      FPid = 0;
    }
    g_free(path);
  }
  ~TScopedProgram() {
    if (FPid != 0) {
      kill(FPid, SIGTERM);
      waitpid(FPid, nullptr, 0);
    }
  }
  TScopedProgram(const TScopedProgram&) = delete;
  TScopedProgram& operator=(const TScopedProgram&) = delete;

  bool Running() const { return FPid != 0; }

private:
  GPid FPid = 0;
};

} // namespace tessera::testing_gtk
