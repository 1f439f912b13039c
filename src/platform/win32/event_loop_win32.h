#pragma once

#include "platform/api/event_loop.h"
#include "platform/api/posted_work_queue.h"
#include "platform/win32/windows_api.h"

#include <exception>
#include <functional>

namespace tessera {

// The UI thread's message loop. Posted work travels as one private message
// to a message-only window, so it also runs inside modal loops (dialogs,
// menus) and inside ProcessMessages. The thread that constructs the loop is
// the UI thread; construct and destroy it there.
class Win32EventLoop final : public EventLoop {
public:
  Win32EventLoop();
  ~Win32EventLoop() override;
  Win32EventLoop(const Win32EventLoop&) = delete;
  Win32EventLoop& operator=(const Win32EventLoop&) = delete;

  void Run() override;
  void Quit() override;
  void Post(std::function<void()> work) override;
  void ProcessMessages() override;
  bool IsUiThread() const override;

  // Receives an exception that escaped posted work; without one it is
  // reported on standard error. Either way the loop carries on.
  std::function<void(std::exception_ptr)> OnUnhandledException;

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void HandleException(std::exception_ptr error) noexcept;

  DWORD FThreadId = 0;
  HWND FWindow = nullptr;
  // One wake-up message in flight is enough for any number of items.
  TPostedWorkQueue FPosted;
};

} // namespace tessera
