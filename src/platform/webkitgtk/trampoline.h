#pragma once

#include "platform/api/engine_callback_scope.h"

#include <exception>
#include <iostream>

namespace tessera::webkitgtk {

// Every call from the engine into our code passes here: nothing may unwind
// into the engine's C frames, so an exception is reported on standard error
// and the engine gets `fallback`.
template <typename R, typename F> R Trampoline(const char* where, R fallback, F&& work) {
  const TEngineCallbackScope scope(where);
  try {
    return work();
  } catch (const std::exception& e) {
    std::cerr << "tessera: web view " << where << ": " << e.what() << '\n';
  } catch (...) {
    std::cerr << "tessera: web view " << where << ": unknown exception\n";
  }
  return fallback;
}

} // namespace tessera::webkitgtk
