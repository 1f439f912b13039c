#include "reentrancy_guard.h"

#include "engine_session.h"
#include "platform/win32/windows_api.h"

#include <iostream>

namespace tessera::engine {

namespace {

// The innermost handler the engine is running on this thread.
thread_local TReentrancyGuard* tInnermost = nullptr;

} // namespace

struct TReentrancyHook {
  // WH_GETMESSAGE runs for each message GetMessage or PeekMessage takes
  // from the queue; only a removal (PM_REMOVE, as every loop does) counts,
  // so merely looking at the queue is allowed.
  static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && tInnermost != nullptr &&
        !tInnermost->FReported) {
      TReentrancyGuard& guard = *tInnermost;
      guard.FReported = true;
      const auto* message = reinterpret_cast<const MSG*>(lParam);
      guard.FSession.Log("reentrancy " + guard.FEvent + " " +
                         std::to_string(message != nullptr ? message->message : 0));
      std::cerr << "tessera engine: a message loop ran inside the " << guard.FEvent
                << " handler; event handlers must return without showing modal UI or running "
                   "a nested loop\n";
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
};

TReentrancyGuard::TReentrancyGuard(const TEngineSession& session, const std::string& event)
    : FSession(session), FEvent(event), FOuter(tInnermost) {
  // A hook of this thread only, removed with the scope: the library may be
  // unloaded once the handler returns.
  FHook = SetWindowsHookExW(WH_GETMESSAGE, &TReentrancyHook::Proc, nullptr, GetCurrentThreadId());
  tInnermost = this;
}

TReentrancyGuard::~TReentrancyGuard() {
  tInnermost = FOuter;
  if (FHook != nullptr)
    UnhookWindowsHookEx(static_cast<HHOOK>(FHook));
}

} // namespace tessera::engine
