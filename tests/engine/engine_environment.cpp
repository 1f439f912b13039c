#include "engine_objects.h"
#include "event_args.h"
#include "web_resource.h"

#include <cstdio>

namespace tessera::engine {

namespace {

std::string WindowText(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
  return text;
}

} // namespace

HRESULT TEngineEnvironment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
  if (const HRESULT code =
          FSession->EnterAndLog("CreateCoreWebView2Controller",
                                "CreateCoreWebView2Controller " + WindowText(parentWindow));
      FAILED(code))
    return code;
  if (handler == nullptr)
    return FSession->Fail("CreateCoreWebView2Controller", E_POINTER);
  // The answer comes later from the UI thread's loop, never inside this call.
  TComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> keep(handler);
  TSessionPtr session = FSession;
  FSession->Ui().Post([session, keep, parentWindow] {
    HRESULT code = session->Config().FailureFor("ControllerCompleted").value_or(S_OK);
    // The runtime gives up when the parent window went away meanwhile.
    if (SUCCEEDED(code) && !IsWindow(parentWindow))
      code = E_ABORT;
    TComPtr<TEngineController> controller;
    if (SUCCEEDED(code))
      controller = MakeObject<TEngineController>(session, parentWindow);
    session->Log("invoke ControllerCompleted " + TEngineLog::Hex(code));
    const HRESULT returned = keep->Invoke(code, controller.Get());
    session->Log("returned ControllerCompleted " + TEngineLog::Hex(returned));
  });
  return S_OK;
}

HRESULT TEngineEnvironment::CreateWebResourceResponse(IStream* content, int statusCode,
                                                      LPCWSTR reasonPhrase, LPCWSTR headers,
                                                      ICoreWebView2WebResourceResponse** response) {
  const std::string reason = reasonPhrase != nullptr ? win32::Narrow(reasonPhrase) : "";
  const std::string headerText = headers != nullptr ? win32::Narrow(headers) : "";
  if (const HRESULT code = FSession->EnterAndLog(
          "CreateWebResourceResponse", "CreateWebResourceResponse " + std::to_string(statusCode) +
                                           " " + TEngineLog::Quote(reason) + " " +
                                           TEngineLog::Quote(headerText));
      FAILED(code))
    return code;
  if (response == nullptr)
    return FSession->Fail("CreateWebResourceResponse", E_POINTER);
  *response = MakeObject<TWebResourceResponse>(content, statusCode, reason, headerText).Detach();
  return S_OK;
}

HRESULT TEngineEnvironment::get_BrowserVersionString(LPWSTR* versionInfo) {
  if (const HRESULT code = FSession->Enter("get_BrowserVersionString"); FAILED(code))
    return code;
  return OutString(versionInfo, kEngineVersion);
}

HRESULT TEngineSettings::Get(TIndex index, BOOL* value) {
  static const char* const kNames[] = {
      "get_IsScriptEnabled",       "get_IsWebMessageEnabled",  "get_AreDefaultScriptDialogsEnabled",
      "get_IsStatusBarEnabled",    "get_AreDevToolsEnabled",   "get_AreDefaultContextMenusEnabled",
      "get_AreHostObjectsAllowed", "get_IsZoomControlEnabled", "get_IsBuiltInErrorPageEnabled"};
  if (const HRESULT code = FSession->Enter(kNames[index]); FAILED(code))
    return code;
  return OutValue(value, FValues[index]);
}

HRESULT TEngineSettings::Put(TIndex index, BOOL value) {
  static const char* const kNames[] = {
      "IsScriptEnabled",       "IsWebMessageEnabled",  "AreDefaultScriptDialogsEnabled",
      "IsStatusBarEnabled",    "AreDevToolsEnabled",   "AreDefaultContextMenusEnabled",
      "AreHostObjectsAllowed", "IsZoomControlEnabled", "IsBuiltInErrorPageEnabled"};
  const std::string name = kNames[index];
  if (const HRESULT code =
          FSession->EnterAndLog("put_" + name, "setting " + name + (value ? " 1" : " 0"));
      FAILED(code))
    return code;
  FValues[index] = value ? TRUE : FALSE;
  return S_OK;
}

} // namespace tessera::engine
