#pragma once

#include "platform/win32/windows_api.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace tessera::engine {

// The engine's hand-back to the UI thread, as the browser runtime does it:
// a message-only window of the thread that created the environment. Every
// completion and event is queued here and runs later from that thread's
// message loop, first in first out, never inside the host's own call.
class TUiDispatcher {
public:
  // Creates the window on the calling thread, which becomes the UI thread.
  static std::shared_ptr<TUiDispatcher> CreateForThisThread();
  ~TUiDispatcher();
  TUiDispatcher(const TUiDispatcher&) = delete;
  TUiDispatcher& operator=(const TUiDispatcher&) = delete;

  bool OnUiThread() const { return GetCurrentThreadId() == FThread; }
  // Safe from any thread.
  void Post(std::function<void()> work);
  // Runs `work` on the UI thread once `delayMs` have passed.
  void PostDelayed(unsigned delayMs, std::function<void()> work);
  // Takes the window down; queued work is dropped.
  void DestroyWindowNow();

private:
  TUiDispatcher() = default;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void RunOne();
  void RunTimer(UINT_PTR id);

  HWND FWindow = nullptr;
  DWORD FThread = 0;
  std::mutex FLock;
  std::deque<std::function<void()>> FQueue;
  std::map<UINT_PTR, std::function<void()>> FTimers;
  UINT_PTR FNextTimer = 1;
};

// This load of the library, and a window class name unique to it: a class
// left registered by an earlier load cannot stand in the way.
HINSTANCE ThisModule();
std::wstring ClassNameForThisLoad(const wchar_t* base);
// Whether this module has a window class of that name registered.
bool ClassExists(const std::wstring& name);

// Destroys the windows of every dispatcher, as the library is unloaded.
void ShutdownDispatchers();

// Runs one call from the engine into host code. Nothing may unwind out of a
// window procedure, so whatever escapes is reported and dropped.
void RunGuarded(const char* where, const std::function<void()>& work);

} // namespace tessera::engine
