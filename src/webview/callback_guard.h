#pragma once

#include <cstdio>
#include <exception>

namespace tessera {

// Every call from the platform into the control passes here: nothing the
// control or an application handler throws may unwind into platform code,
// so it is reported on standard error and the platform carries on.
template <typename F> void Guard(const char* where, F&& work) {
  try {
    work();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessera: web view %s: %s\n", where, e.what());
  } catch (...) {
    std::fprintf(stderr, "tessera: web view %s: unknown exception\n", where);
  }
}

} // namespace tessera
