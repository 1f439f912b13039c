#include "platform/webview2/webview2_platform.h"

#include "platform/webview2/com_handler.h"
#include "platform/webview2/com_values.h"
#include "platform/webview2/webview2_interfaces.h"
#include "platform/webview2/webview2_objects.h"
#include "platform/win32/kernel_handle.h"
#include "platform/win32/windows_api.h"

#include <atomic>
#include <utility>

namespace tessera::webview2 {

using win32::TKernelHandle;

// The loaded loader library and its two entry points. Shared by every object
// the engine hands out, so the library stays mapped while any is held.
struct TLoaderLibrary {
  TLoaderLibrary(HMODULE module, TCreateCoreWebView2Environment create,
                 TGetAvailableCoreWebView2BrowserVersionString getVersion)
      : Module(module), CreateEnvironment(create), GetVersion(getVersion) {}
  ~TLoaderLibrary() { FreeLibrary(Module); }
  TLoaderLibrary(const TLoaderLibrary&) = delete;
  TLoaderLibrary& operator=(const TLoaderLibrary&) = delete;

  HMODULE Module;
  TCreateCoreWebView2Environment CreateEnvironment;
  TGetAvailableCoreWebView2BrowserVersionString GetVersion;
};

namespace {

// A completion that must reach the control once, whether the loader answers
// through its handler, by refusing at once, or (misbehaving) both.
class TEnvironmentCompletion {
public:
  explicit TEnvironmentCompletion(TEnvironmentCompleted completed)
      : FCompleted(std::move(completed)) {}

  // False when the completion was already delivered or claimed.
  bool Claim() { return !FDone.exchange(true); }
  void Deliver(HRESULT result, std::shared_ptr<WebViewEnvironment> environment) {
    if (!Claim())
      return;
    TEnvironmentCompleted completed = std::move(FCompleted);
    if (completed)
      completed(result, std::move(environment));
  }

private:
  std::atomic<bool> FDone{false};
  TEnvironmentCompleted FCompleted;
};

// Calls the loader on the UI thread and answers its immediate result.
::HRESULT CallCreateEnvironment(const std::shared_ptr<const TLoaderLibrary>& library,
                                const std::shared_ptr<TEnvironmentCompletion>& completion) {
  auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
      [library, completion](::HRESULT result, ICoreWebView2Environment* environment) -> ::HRESULT {
        std::shared_ptr<WebViewEnvironment> wrapped;
        if (environment != nullptr)
          wrapped = std::make_shared<TWin32Environment>(library, TComPtr(environment));
        completion->Deliver(result, std::move(wrapped));
        return S_OK;
      });
  return library->CreateEnvironment(handler.Get());
}

} // namespace

Win32WebViewPlatform::Win32WebViewPlatform(EventLoop& loop) : FLoop(loop) {}

Win32WebViewPlatform::~Win32WebViewPlatform() = default;

std::shared_ptr<const TLoaderLibrary> Win32WebViewPlatform::Library() const {
  std::lock_guard lock(FLock);
  return FLibrary;
}

bool Win32WebViewPlatform::LoadLoader(const std::string& loaderPath) {
  std::lock_guard lock(FLock);
  if (FLibrary)
    return true;
  if (loaderPath.empty())
    return false;
  // No "cannot load" message box for a damaged or foreign file: the caller
  // reports the failure its own way.
  DWORD previousMode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  const HMODULE module = LoadLibraryW(win32::Widen(loaderPath).c_str());
  SetThreadErrorMode(previousMode, nullptr);
  if (module == nullptr)
    return false;
    // GetProcAddress answers a generic FARPROC; the export's real signature
    // is the one declared.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wcast-function-type"
  const auto create = reinterpret_cast<TCreateCoreWebView2Environment>(
      GetProcAddress(module, "CreateCoreWebView2Environment"));
  const auto getVersion = reinterpret_cast<TGetAvailableCoreWebView2BrowserVersionString>(
      GetProcAddress(module, "GetAvailableCoreWebView2BrowserVersionString"));
#pragma GCC diagnostic pop
  if (create == nullptr || getVersion == nullptr) {
    FreeLibrary(module);
    return false;
  }
  FLibrary = std::make_shared<const TLoaderLibrary>(module, create, getVersion);
  return true;
}

HRESULT Win32WebViewPlatform::CreateEnvironment(TEnvironmentCompleted completed) {
  std::shared_ptr<const TLoaderLibrary> library = Library();
  if (!library)
    return E_FAIL;
  auto completion = std::make_shared<TEnvironmentCompletion>(std::move(completed));
  if (FLoop.IsUiThread()) {
    const ::HRESULT started = CallCreateEnvironment(library, completion);
    // A refusal goes back to the caller; a handler the loader might still
    // call must not report a second outcome. If the handler has already
    // reported, that report stands.
    if (FAILED(started) && !completion->Claim())
      return S_OK;
    return started;
  }
  FLoop.Post([library = std::move(library), completion = std::move(completion)] {
    const ::HRESULT started = CallCreateEnvironment(library, completion);
    if (FAILED(started))
      completion->Deliver(started, nullptr);
  });
  return S_OK;
}

HRESULT Win32WebViewPlatform::GetAvailableBrowserVersionString(std::string& version) {
  std::shared_ptr<const TLoaderLibrary> library = Library();
  if (!library)
    return E_FAIL;
  return ReadString([&library](LPWSTR* p) { return library->GetVersion(nullptr, p); }, version);
}

void Win32WebViewPlatform::EndBrowserProcess(std::uint32_t processId, unsigned timeoutMs,
                                             std::uint32_t exitCode) {
  if (processId == 0)
    return;
  const TKernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
  if (!process)
    return;
  if (WaitForSingleObject(process.Get(), timeoutMs) == WAIT_TIMEOUT)
    TerminateProcess(process.Get(), exitCode);
}

} // namespace tessera::webview2
