#pragma once

#include <cstdio>
#include <exception>
#include <utility>

namespace tessera::gtk {

// Runs `body` inside a callback GLib or GTK calls (signal handler, idle or
// timeout source): an exception must not unwind through the C frames, so it
// is reported on standard error and `fallback` is returned instead.
template <typename R, typename F>
R GuardCallback(const char* where, R fallback, F&& body) noexcept {
  try {
    return std::forward<F>(body)();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessera: %s: %s\n", where, e.what());
  } catch (...) {
    std::fprintf(stderr, "tessera: %s: unknown exception\n", where);
  }
  return fallback;
}

} // namespace tessera::gtk
