// A stand-in for the engine's loader library, for the binding's own tests:
// it exports the loader's entry points (CreateCoreWebView2Environment only
// when built with TESSERA_STUB_WITH_CREATE) and records how it was called.
// It makes no environment; the engine's full behaviour is the test engine's.
#include "platform/webview2/co_task_mem_string.h"
#include "platform/webview2/webview2_interfaces.h"

#include <atomic>

namespace {

std::atomic<LONG> gCreateCalls{0};
std::atomic<DWORD> gCreateThread{0};
std::atomic<HRESULT> gImmediateResult{S_OK};
std::atomic<BOOL> gInvokeHandler{TRUE};
std::atomic<HRESULT> gHandlerResult{E_ACCESSDENIED};

} // namespace

extern "C" {

// How the next CreateCoreWebView2Environment calls answer: the immediate
// result, and whether the handler is invoked (with `handlerResult` and no
// environment) before returning.
__declspec(dllexport) void StubConfigure(HRESULT immediateResult, BOOL invokeHandler,
                                         HRESULT handlerResult) {
  gImmediateResult = immediateResult;
  gInvokeHandler = invokeHandler;
  gHandlerResult = handlerResult;
  gCreateCalls = 0;
  gCreateThread = 0;
}

__declspec(dllexport) LONG StubCreateCalls() {
  return gCreateCalls;
}

__declspec(dllexport) DWORD StubCreateThread() {
  return gCreateThread;
}

#ifdef TESSERA_STUB_WITH_CREATE
__declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  ++gCreateCalls;
  gCreateThread = GetCurrentThreadId();
  if (handler == nullptr)
    return E_POINTER;
  if (gInvokeHandler)
    handler->Invoke(gHandlerResult, nullptr);
  return gImmediateResult;
}
#endif

__declspec(dllexport) HRESULT STDAPICALLTYPE
    GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                 LPWSTR* versionInfo) {
  if (versionInfo == nullptr)
    return E_POINTER;
  // Only the installed runtime is ever asked for.
  if (browserExecutableFolder != nullptr)
    return E_INVALIDARG;
  *versionInfo = tessera::webview2::CoTaskMemCopy(L"120.0.1 \u00fc\u4e2d");
  return *versionInfo != nullptr ? S_OK : E_OUTOFMEMORY;
}

} // extern "C"
