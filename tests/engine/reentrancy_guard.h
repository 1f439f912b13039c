#pragma once

#include <string>

namespace tessera::engine {

class TEngineSession;

// The browser runtime's threading rule, enforced: an event handler must
// return without running a message loop (no modal dialog, no message box,
// no nested loop), or it re-enters the runtime, which still has the event
// on its stack. While a scope lives, a hook sees every message the thread
// takes from its queue; the first one is reported as a line
// "reentrancy <event>" in the log and on standard error, which the tests
// fail on.
class TReentrancyGuard {
public:
  TReentrancyGuard(const TEngineSession& session, const std::string& event);
  ~TReentrancyGuard();
  TReentrancyGuard(const TReentrancyGuard&) = delete;
  TReentrancyGuard& operator=(const TReentrancyGuard&) = delete;

private:
  const TEngineSession& FSession;
  std::string FEvent;
  bool FReported = false;
  TReentrancyGuard* FOuter;
  void* FHook = nullptr;

  friend struct TReentrancyHook;
};

} // namespace tessera::engine
