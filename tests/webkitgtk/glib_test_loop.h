#pragma once

#include "platform/api/event_loop.h"

#include <glib.h>

#include <chrono>
#include <exception>
#include <functional>
#include <iostream>
#include <thread>

namespace tessera::testing {

// A small UI loop on GLib's default main context for these tests: posted
// work becomes an idle source (GLib runs sources of one priority in the
// order they were added), and the test pumps the context itself.
class TGlibTestLoop final : public EventLoop {
public:
  TGlibTestLoop() : FUiThread(std::this_thread::get_id()) {}

  void Run() override {
    FLoop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(FLoop);
    g_main_loop_unref(FLoop);
    FLoop = nullptr;
  }
  void Quit() override {
    if (FLoop != nullptr)
      g_main_loop_quit(FLoop);
  }
  void Post(std::function<void()> work) override {
    g_idle_add_full(G_PRIORITY_DEFAULT, &RunWork, new std::function<void()>(std::move(work)),
                    &DeleteWork);
  }
  void ProcessMessages() override {
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
  }
  bool IsUiThread() const override { return std::this_thread::get_id() == FUiThread; }

  // Pumps the UI loop until `done` answers true or `timeout` passes;
  // answers `done()`. The default is a guard against a hang, not a timing:
  // the engine's processes may start slowly on a busy machine.
  template <typename F>
  bool PumpUntil(F&& done, std::chrono::milliseconds timeout = std::chrono::seconds(90)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    // A ticking source keeps the blocking iteration from sleeping past the
    // deadline when nothing else happens.
    const guint tick = g_timeout_add(5, &KeepTicking, nullptr);
    while (!done() && std::chrono::steady_clock::now() < deadline)
      g_main_context_iteration(nullptr, TRUE);
    g_source_remove(tick);
    return done();
  }

  // Pumps for a while whatever happens.
  void PumpFor(std::chrono::milliseconds duration) {
    PumpUntil([] { return false; }, duration);
  }

private:
  static gboolean KeepTicking(gpointer) { return G_SOURCE_CONTINUE; }
  static gboolean RunWork(gpointer data) {
    try {
      (*static_cast<std::function<void()>*>(data))();
    } catch (const std::exception& e) {
      std::cerr << "posted work: " << e.what() << '\n';
    } catch (...) {
      std::cerr << "posted work: unknown exception\n";
    }
    return G_SOURCE_REMOVE;
  }
  static void DeleteWork(gpointer data) { delete static_cast<std::function<void()>*>(data); }

  std::thread::id FUiThread;
  GMainLoop* FLoop = nullptr;
};

} // namespace tessera::testing
