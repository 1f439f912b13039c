#include "platform/webview2/webview2_event_args.h"

#include "platform/webview2/com_values.h"
#include "platform/webview2/webview2_objects.h"

namespace tessera::webview2 {

// NavigationStarting
HRESULT TNavigationStartingArgs::GetUri(std::string& uri) {
  return ReadString([this](LPWSTR* p) { return FArgs->get_Uri(p); }, uri);
}
HRESULT TNavigationStartingArgs::GetIsUserInitiated(bool& userInitiated) {
  return ReadBool([this](BOOL* p) { return FArgs->get_IsUserInitiated(p); }, userInitiated);
}
HRESULT TNavigationStartingArgs::GetIsRedirected(bool& redirected) {
  return ReadBool([this](BOOL* p) { return FArgs->get_IsRedirected(p); }, redirected);
}
HRESULT TNavigationStartingArgs::PutCancel(bool cancel) {
  return FArgs->put_Cancel(ToBool(cancel));
}
HRESULT TNavigationStartingArgs::GetNavigationId(std::uint64_t& id) {
  UINT64 value = 0;
  const ::HRESULT result = FArgs->get_NavigationId(&value);
  if (SUCCEEDED(result))
    id = value;
  return result;
}

// NavigationCompleted
HRESULT TNavigationCompletedArgs::GetIsSuccess(bool& success) {
  return ReadBool([this](BOOL* p) { return FArgs->get_IsSuccess(p); }, success);
}
HRESULT TNavigationCompletedArgs::GetWebErrorStatus(TWebViewEnumValue& status) {
  return ReadEnum<COREWEBVIEW2_WEB_ERROR_STATUS>(
      [this](COREWEBVIEW2_WEB_ERROR_STATUS* p) { return FArgs->get_WebErrorStatus(p); }, status);
}
HRESULT TNavigationCompletedArgs::GetNavigationId(std::uint64_t& id) {
  UINT64 value = 0;
  const ::HRESULT result = FArgs->get_NavigationId(&value);
  if (SUCCEEDED(result))
    id = value;
  return result;
}

// SourceChanged
HRESULT TSourceChangedArgs::GetIsNewDocument(bool& newDocument) {
  return ReadBool([this](BOOL* p) { return FArgs->get_IsNewDocument(p); }, newDocument);
}

// ContentLoading
HRESULT TContentLoadingArgs::GetIsErrorPage(bool& errorPage) {
  return ReadBool([this](BOOL* p) { return FArgs->get_IsErrorPage(p); }, errorPage);
}
HRESULT TContentLoadingArgs::GetNavigationId(std::uint64_t& id) {
  UINT64 value = 0;
  const ::HRESULT result = FArgs->get_NavigationId(&value);
  if (SUCCEEDED(result))
    id = value;
  return result;
}

// NewWindowRequested
HRESULT TNewWindowRequestedArgs::GetUri(std::string& uri) {
  return ReadString([this](LPWSTR* p) { return FArgs->get_Uri(p); }, uri);
}
HRESULT TNewWindowRequestedArgs::GetIsUserInitiated(bool& userInitiated) {
  return ReadBool([this](BOOL* p) { return FArgs->get_IsUserInitiated(p); }, userInitiated);
}
HRESULT TNewWindowRequestedArgs::PutHandled(bool handled) {
  return FArgs->put_Handled(ToBool(handled));
}

// PermissionRequested
HRESULT TPermissionRequestedArgs::GetUri(std::string& uri) {
  return ReadString([this](LPWSTR* p) { return FArgs->get_Uri(p); }, uri);
}
HRESULT TPermissionRequestedArgs::GetPermissionKind(TWebViewEnumValue& kind) {
  return ReadEnum<COREWEBVIEW2_PERMISSION_KIND>(
      [this](COREWEBVIEW2_PERMISSION_KIND* p) { return FArgs->get_PermissionKind(p); }, kind);
}
HRESULT TPermissionRequestedArgs::GetIsUserInitiated(bool& userInitiated) {
  return ReadBool([this](BOOL* p) { return FArgs->get_IsUserInitiated(p); }, userInitiated);
}
HRESULT TPermissionRequestedArgs::PutState(TWebViewEnumValue state) {
  return FArgs->put_State(static_cast<COREWEBVIEW2_PERMISSION_STATE>(state));
}

// ProcessFailed
HRESULT TProcessFailedArgs::GetProcessFailedKind(TWebViewEnumValue& kind) {
  return ReadEnum<COREWEBVIEW2_PROCESS_FAILED_KIND>(
      [this](COREWEBVIEW2_PROCESS_FAILED_KIND* p) { return FArgs->get_ProcessFailedKind(p); },
      kind);
}

// ScriptDialogOpening
HRESULT TScriptDialogOpeningArgs::GetUri(std::string& uri) {
  return ReadString([this](LPWSTR* p) { return FArgs->get_Uri(p); }, uri);
}
HRESULT TScriptDialogOpeningArgs::GetKind(TWebViewEnumValue& kind) {
  return ReadEnum<COREWEBVIEW2_SCRIPT_DIALOG_KIND>(
      [this](COREWEBVIEW2_SCRIPT_DIALOG_KIND* p) { return FArgs->get_Kind(p); }, kind);
}
HRESULT TScriptDialogOpeningArgs::GetMessageText(std::string& message) {
  return ReadString([this](LPWSTR* p) { return FArgs->get_Message(p); }, message);
}
HRESULT TScriptDialogOpeningArgs::GetDefaultText(std::string& text) {
  return ReadString([this](LPWSTR* p) { return FArgs->get_DefaultText(p); }, text);
}
HRESULT TScriptDialogOpeningArgs::PutResultText(const std::string& text) {
  return FArgs->put_ResultText(win32::Widen(text).c_str());
}
HRESULT TScriptDialogOpeningArgs::Accept() {
  return FArgs->Accept();
}

// WebMessageReceived
HRESULT TWebMessageReceivedArgs::GetSource(std::string& source) {
  return ReadString([this](LPWSTR* p) { return FArgs->get_Source(p); }, source);
}
HRESULT TWebMessageReceivedArgs::GetWebMessageAsJson(std::string& json) {
  return ReadString([this](LPWSTR* p) { return FArgs->get_WebMessageAsJson(p); }, json);
}
HRESULT TWebMessageReceivedArgs::TryGetWebMessageAsString(std::string& text) {
  return ReadString([this](LPWSTR* p) { return FArgs->TryGetWebMessageAsString(p); }, text);
}

// WebResourceRequested
HRESULT TWebResourceRequestedArgs::GetRequest(std::shared_ptr<WebResourceRequest>& request) {
  TComPtr<ICoreWebView2WebResourceRequest> comRequest;
  const ::HRESULT result = FArgs->get_Request(comRequest.Receive());
  if (FAILED(result))
    return result;
  if (!comRequest)
    return E_POINTER;
  request = std::make_shared<TWin32WebResourceRequest>(FLibrary, std::move(comRequest));
  return result;
}
HRESULT TWebResourceRequestedArgs::GetResourceContext(TWebViewEnumValue& context) {
  return ReadEnum<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(
      [this](COREWEBVIEW2_WEB_RESOURCE_CONTEXT* p) { return FArgs->get_ResourceContext(p); },
      context);
}
HRESULT TWebResourceRequestedArgs::PutResponse(std::shared_ptr<WebResourceResponse> response) {
  if (!response)
    return FArgs->put_Response(nullptr);
  const auto* ours = dynamic_cast<const TWin32WebResourceResponse*>(response.get());
  if (ours == nullptr)
    return E_INVALIDARG;
  return FArgs->put_Response(ours->Get());
}

// MoveFocusRequested
HRESULT TMoveFocusRequestedArgs::GetReason(TMoveFocusReason& reason) {
  COREWEBVIEW2_MOVE_FOCUS_REASON raw{};
  const ::HRESULT result = FArgs->get_Reason(&raw);
  if (FAILED(result))
    return result;
  switch (raw) {
  case COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT:
    reason = TMoveFocusReason::Next;
    break;
  case COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS:
    reason = TMoveFocusReason::Previous;
    break;
  default:
    // Programmatic, and anything newer than we know, moves nothing.
    reason = TMoveFocusReason::Programmatic;
    break;
  }
  return result;
}

// AcceleratorKeyPressed
HRESULT TAcceleratorKeyPressedArgs::GetKeyEventKind(TKeyEventKind& kind) {
  COREWEBVIEW2_KEY_EVENT_KIND raw{};
  const ::HRESULT result = FArgs->get_KeyEventKind(&raw);
  if (FAILED(result))
    return result;
  switch (raw) {
  case COREWEBVIEW2_KEY_EVENT_KIND_KEY_DOWN:
    kind = TKeyEventKind::KeyDown;
    return result;
  case COREWEBVIEW2_KEY_EVENT_KIND_KEY_UP:
    kind = TKeyEventKind::KeyUp;
    return result;
  case COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_DOWN:
    kind = TKeyEventKind::SystemKeyDown;
    return result;
  case COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP:
    kind = TKeyEventKind::SystemKeyUp;
    return result;
  }
  // A kind we cannot map to a key message: no shortcut can match it.
  return E_INVALIDARG;
}
HRESULT TAcceleratorKeyPressedArgs::GetVirtualKey(std::uint32_t& key) {
  UINT value = 0;
  const ::HRESULT result = FArgs->get_VirtualKey(&value);
  if (SUCCEEDED(result))
    key = value;
  return result;
}
HRESULT TAcceleratorKeyPressedArgs::GetKeyEventLParam(std::int32_t& lParam) {
  INT value = 0;
  const ::HRESULT result = FArgs->get_KeyEventLParam(&value);
  if (SUCCEEDED(result))
    lParam = value;
  return result;
}
HRESULT TAcceleratorKeyPressedArgs::PutHandled(bool handled) {
  return FArgs->put_Handled(ToBool(handled));
}

// DevToolsProtocolEventReceived
HRESULT TDevToolsProtocolEventReceivedArgs::GetParameterObjectAsJson(std::string& json) {
  return ReadString([this](LPWSTR* p) { return FArgs->get_ParameterObjectAsJson(p); }, json);
}

} // namespace tessera::webview2
