#pragma once

// Shared pieces of the Win32 toolkit tests: an events recorder, a message
// pump, and work that runs from inside whatever message loop is running.
#include "platform/api/toolkit.h"
#include "platform/win32/windows_api.h"
#include "webview/custom_edge_browser.h"

#include <functional>
#include <map>
#include <vector>

namespace tessera::testing_win32 {

inline HWND Hwnd(const ToolkitWindow& window) {
  return reinterpret_cast<HWND>(window.Handle());
}

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

// Handles everything queued now, as an idle message loop would.
inline void PumpMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

// Runs `work` once, `delayMs` from now, from the message loop that is
// running then (a modal loop, a message box's loop).
inline std::map<UINT_PTR, std::function<void()>>& PendingWork() {
  static std::map<UINT_PTR, std::function<void()>> pending;
  return pending;
}

inline UINT_PTR RunLater(UINT delayMs, std::function<void()> work) {
  const UINT_PTR id = SetTimer(nullptr, 0, delayMs, [](HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    auto found = PendingWork().find(timer);
    if (found != PendingWork().end()) {
      auto job = std::move(found->second);
      PendingWork().erase(found);
      job();
    }
  });
  PendingWork()[id] = std::move(work);
  return id;
}

inline void CancelLater(UINT_PTR id) {
  KillTimer(nullptr, id);
  PendingWork().erase(id);
}

// Runs GetMessage until the quit message; a watchdog ends it with 99 so
// that a missing quit fails the test instead of hanging it.
inline int RunUntilQuit(UINT watchdogMs = 5000) {
  const UINT_PTR watchdog = RunLater(watchdogMs, [] { PostQuitMessage(99); });
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  CancelLater(watchdog);
  return static_cast<int>(message.wParam);
}

} // namespace tessera::testing_win32
