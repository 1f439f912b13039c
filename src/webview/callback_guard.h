#pragma once

#include <exception>
#include <iostream>

namespace tessera {

// Every call from the platform into the control passes here: nothing the
// control or an application handler throws may unwind into platform code,
// so it is reported on standard error and the platform carries on.
template <typename F> void Guard(const char* where, F&& work) {
  try {
    work();
  } catch (const std::exception& e) {
    std::cerr << "tessera: web view " << where << ": " << e.what() << '\n';
  } catch (...) {
    std::cerr << "tessera: web view " << where << ": unknown exception\n";
  }
}

} // namespace tessera
