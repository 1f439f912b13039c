#include "ui_dispatcher.h"

#include <exception>
#include <iostream>
#include <set>
#include <string>

namespace tessera::engine {

namespace {

constexpr UINT kRunMessage = WM_APP + 1;

// Every dispatcher alive, so that unloading the library can take their
// windows down before the window procedure's code goes.
std::mutex gDispatchersLock;
std::set<TUiDispatcher*> gDispatchers;

} // namespace

HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                         GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ThisModule), &module);
  return module;
}

std::wstring ClassNameForThisLoad(const wchar_t* base) {
  wchar_t suffix[32];
  swprintf(suffix, 32, L".%llX",
           static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(ThisModule())));
  return base + std::wstring(suffix);
}

const std::wstring& DispatcherClassName() {
  static const std::wstring name = ClassNameForThisLoad(L"TesseraEngineDispatcher");
  return name;
}

bool ClassExists(const std::wstring& name) {
  // Named after the library's load address, so a class of that name left by
  // an earlier load at the same address has the same window procedure.
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  return GetClassInfoExW(ThisModule(), name.c_str(), &info) != FALSE;
}

void ShutdownDispatchers() {
  {
    std::lock_guard lock(gDispatchersLock);
    for (TUiDispatcher* dispatcher : gDispatchers)
      dispatcher->DestroyWindowNow();
    gDispatchers.clear();
  }
  UnregisterClassW(DispatcherClassName().c_str(), ThisModule());
}

void RunGuarded(const char* where, const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& e) {
    std::cerr << "tessera engine: " << where << ": " << e.what() << '\n';
  } catch (...) {
    std::cerr << "tessera engine: " << where << ": unknown exception\n";
  }
}

std::shared_ptr<TUiDispatcher> TUiDispatcher::CreateForThisThread() {
  static const ATOM windowClass = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TUiDispatcher::WindowProc;
    wc.hInstance = ThisModule();
    wc.lpszClassName = DispatcherClassName().c_str();
    return RegisterClassExW(&wc);
  }();
  if (windowClass == 0 && !ClassExists(DispatcherClassName()))
    return nullptr;
  std::shared_ptr<TUiDispatcher> dispatcher(new TUiDispatcher());
  dispatcher->FThread = GetCurrentThreadId();
  dispatcher->FWindow = CreateWindowExW(0, DispatcherClassName().c_str(), L"", 0, 0, 0, 0, 0,
                                        HWND_MESSAGE, nullptr, ThisModule(), nullptr);
  if (dispatcher->FWindow == nullptr)
    return nullptr;
  SetWindowLongPtrW(dispatcher->FWindow, GWLP_USERDATA,
                    reinterpret_cast<LONG_PTR>(dispatcher.get()));
  std::lock_guard lock(gDispatchersLock);
  gDispatchers.insert(dispatcher.get());
  return dispatcher;
}

TUiDispatcher::~TUiDispatcher() {
  {
    std::lock_guard lock(gDispatchersLock);
    gDispatchers.erase(this);
  }
  DestroyWindowNow();
}

void TUiDispatcher::DestroyWindowNow() {
  if (FWindow == nullptr)
    return;
  SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
  // Only the owning thread may destroy the window; elsewhere the thread's
  // end takes it down.
  if (OnUiThread())
    DestroyWindow(FWindow);
  FWindow = nullptr;
}

void TUiDispatcher::Post(std::function<void()> work) {
  {
    std::lock_guard lock(FLock);
    FQueue.push_back(std::move(work));
  }
  if (FWindow != nullptr)
    PostMessageW(FWindow, kRunMessage, 0, 0);
}

void TUiDispatcher::PostDelayed(unsigned delayMs, std::function<void()> work) {
  // Timers belong to the window's thread; set them from there.
  Post([this, delayMs, work = std::move(work)]() mutable {
    const UINT_PTR id = FNextTimer++;
    FTimers[id] = std::move(work);
    SetTimer(FWindow, id, delayMs, nullptr);
  });
}

void TUiDispatcher::RunOne() {
  std::function<void()> work;
  {
    std::lock_guard lock(FLock);
    if (FQueue.empty())
      return;
    work = std::move(FQueue.front());
    FQueue.pop_front();
  }
  RunGuarded("queued work", work);
}

void TUiDispatcher::RunTimer(UINT_PTR id) {
  KillTimer(FWindow, id);
  const auto it = FTimers.find(id);
  if (it == FTimers.end())
    return;
  std::function<void()> work = std::move(it->second);
  FTimers.erase(it);
  RunGuarded("timer", work);
}

LRESULT CALLBACK TUiDispatcher::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto* self = reinterpret_cast<TUiDispatcher*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self != nullptr && message == kRunMessage) {
    self->RunOne();
    return 0;
  }
  if (self != nullptr && message == WM_TIMER) {
    self->RunTimer(wParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace tessera::engine
