// The loader library's entry points, as the host binds them by name.

#include "engine_objects.h"
#include "event_args.h"

namespace tessera::engine {
namespace {

// The runtime wants a single-threaded apartment on the calling thread and
// answers as it does when the host forgot it.
HRESULT CheckApartment() {
  APTTYPE type = APTTYPE_CURRENT;
  APTTYPEQUALIFIER qualifier = APTTYPEQUALIFIER_NONE;
  const HRESULT code = CoGetApartmentType(&type, &qualifier);
  if (code == CO_E_NOTINITIALIZED)
    return CO_E_NOTINITIALIZED;
  if (SUCCEEDED(code) && type == APTTYPE_MTA)
    return RPC_E_CHANGED_MODE;
  return S_OK;
}

// What the host hands the browser runtime through its own process: the
// command line it was started with and the variables the runtime reads.
void LogProcessContext(const TEngineLog& log) {
  log.Write("command-line " + TEngineLog::RestOfLine(tessera::win32::Narrow(GetCommandLineW())));
  for (const wchar_t* name :
       {L"WEBVIEW2_USER_DATA_FOLDER", L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS",
        L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", L"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"}) {
    const std::string key = tessera::win32::Narrow(name);
    SetLastError(ERROR_SUCCESS);
    if (GetEnvironmentVariableW(name, nullptr, 0) == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
      log.Write("env " + key + " unset");
    else
      log.Write("env " + key + "=" +
                TEngineLog::RestOfLine(tessera::win32::Narrow(ReadEnvironmentVariable(name))));
  }
}

HRESULT CreateEnvironment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
  TEngineConfig config = TEngineConfig::FromEnvironment();
  const TEngineLog log(config.LogPath);
  log.Write("CreateCoreWebView2Environment");
  LogProcessContext(log);
  const auto fail = [&](HRESULT code) {
    log.Write("failed CreateCoreWebView2Environment " + TEngineLog::Hex(code));
    return code;
  };
  if (handler == nullptr)
    return fail(E_POINTER);
  if (const HRESULT code = CheckApartment(); FAILED(code))
    return fail(code);
  if (const auto code = config.FailureFor("CreateCoreWebView2Environment"))
    return fail(*code);
  std::shared_ptr<TUiDispatcher> ui = TUiDispatcher::CreateForThisThread();
  if (!ui)
    return fail(E_FAIL);
  auto session = std::make_shared<TEngineSession>(std::move(config), std::move(ui));
  TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> keep(handler);
  session->Ui().Post([session, keep] {
    const HRESULT code = session->Config().FailureFor("EnvironmentCompleted").value_or(S_OK);
    TComPtr<TEngineEnvironment> environment;
    if (SUCCEEDED(code))
      environment = MakeObject<TEngineEnvironment>(session);
    session->Log("invoke EnvironmentCompleted " + TEngineLog::Hex(code));
    const HRESULT returned = keep->Invoke(code, environment.Get());
    session->Log("returned EnvironmentCompleted " + TEngineLog::Hex(returned));
  });
  return S_OK;
}

} // namespace
} // namespace tessera::engine

using namespace tessera::engine;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Unloaded by FreeLibrary (not at process end): no window may outlive the
  // code of its window procedure.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr)
    ShutdownDispatchers();
  return TRUE;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
  HRESULT code = E_UNEXPECTED;
  RunGuarded("CreateCoreWebView2Environment",
             [&] { code = CreateEnvironment(environmentCreatedHandler); });
  return code;
}

// Options (browser folder, data folder, options object) are not supported:
// the host passes everything through the process environment.
__declspec(dllexport) HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR, PCWSTR, IUnknown*, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*) {
  const TEngineConfig config = TEngineConfig::FromEnvironment();
  const TEngineLog log(config.LogPath);
  log.Write("CreateCoreWebView2EnvironmentWithOptions");
  log.Write("failed CreateCoreWebView2EnvironmentWithOptions " + TEngineLog::Hex(E_NOTIMPL));
  return E_NOTIMPL;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE
    GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                 LPWSTR* versionInfo) {
  const TEngineConfig config = TEngineConfig::FromEnvironment();
  const TEngineLog log(config.LogPath);
  log.Write("GetAvailableCoreWebView2BrowserVersionString " +
            TEngineLog::RestOfLine(browserExecutableFolder != nullptr
                                       ? tessera::win32::Narrow(browserExecutableFolder)
                                       : std::string()));
  if (versionInfo == nullptr)
    return E_POINTER;
  *versionInfo = nullptr;
  // The switch stands for "no runtime installed": 0x80070002 as the real
  // loader answers then.
  if (const auto code = config.FailureFor("GetAvailableCoreWebView2BrowserVersionString")) {
    log.Write("failed GetAvailableCoreWebView2BrowserVersionString " + TEngineLog::Hex(*code));
    return *code;
  }
  if (!config.RuntimeInstalled()) {
    const HRESULT code = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    log.Write("failed GetAvailableCoreWebView2BrowserVersionString " + TEngineLog::Hex(code));
    return code;
  }
  return OutString(versionInfo, kEngineVersion);
}

} // extern "C"
