#include "platform/win32/event_loop_win32.h"

#include <cstdio>
#include <stdexcept>
#include <utility>

namespace tessera {
namespace {

constexpr wchar_t kWindowClass[] = L"TesseraEventLoopWindow";
constexpr UINT kRunPostedMessage = WM_APP + 1;
constexpr UINT kQuitMessage = WM_APP + 2;

HINSTANCE ThisModule() {
  // The module holding this code, so the class is ours even inside a DLL.
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

} // namespace

Win32EventLoop::Win32EventLoop()
    : FThreadId(GetCurrentThreadId()),
      FPosted([this] { return PostMessageW(FWindow, kRunPostedMessage, 0, 0) != FALSE; },
              [this](std::exception_ptr error) { HandleException(std::move(error)); }) {
  const HINSTANCE module = ThisModule();
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &Win32EventLoop::WindowProc;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kWindowClass;
  // A second loop (tests make many) finds the class already there.
  if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("Cannot register the event loop's window class");
  FWindow =
      CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this);
  if (FWindow == nullptr)
    throw std::runtime_error("Cannot create the event loop's window");
}

Win32EventLoop::~Win32EventLoop() {
  FPosted.Close();
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
  DestroyWindow(FWindow);
}

LRESULT CALLBACK Win32EventLoop::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* loop = reinterpret_cast<Win32EventLoop*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (loop != nullptr) {
    if (message == kRunPostedMessage) {
      loop->FPosted.RunPosted();
      return 0;
    }
    if (message == kQuitMessage) {
      PostQuitMessage(0);
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Win32EventLoop::Post(std::function<void()> work) {
  FPosted.Post(std::move(work));
}

void Win32EventLoop::HandleException(std::exception_ptr error) noexcept {
  if (OnUnhandledException) {
    try {
      OnUnhandledException(error);
      return;
    } catch (...) {
      TPostedWorkQueue::ReportUnhandled(std::current_exception());
    }
  }
  TPostedWorkQueue::ReportUnhandled(std::move(error));
}

void Win32EventLoop::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32EventLoop::Quit() {
  // Through the window, so it works from any thread and ends the UI
  // thread's loop rather than the caller's.
  PostMessageW(FWindow, kQuitMessage, 0, 0);
}

void Win32EventLoop::ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Not ours to take: leave it for Run.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool Win32EventLoop::IsUiThread() const {
  return GetCurrentThreadId() == FThreadId;
}

} // namespace tessera
