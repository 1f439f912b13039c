#include "platform/api/engine_callback_scope.h"

#include <cstdio>
#include <cstdlib>

namespace tessera {

namespace {

// The innermost engine callback of this thread, or none.
thread_local const char* tInnermost = nullptr;

} // namespace

TEngineCallbackScope::TEngineCallbackScope(const char* where) noexcept : FOuter(tInnermost) {
  tInnermost = where;
}

TEngineCallbackScope::~TEngineCallbackScope() {
  tInnermost = FOuter;
}

void CheckNoEngineCallback([[maybe_unused]] const char* loop) noexcept {
#ifndef NDEBUG
  if (tInnermost == nullptr)
    return;
  std::fprintf(stderr,
               "tessera: %s started inside the web engine's \"%s\" callback; work that shows "
               "modal UI or runs a nested loop must be posted to the event loop\n",
               loop, tInnermost);
  std::fflush(stderr);
  std::abort();
#endif
}

} // namespace tessera
