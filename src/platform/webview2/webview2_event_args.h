#pragma once

#include "platform/api/web_view_platform.h"
#include "platform/webview2/com_handler.h"
#include "platform/webview2/com_ptr.h"
#include "platform/webview2/webview2_interfaces.h"

#include <memory>
#include <utility>

namespace tessera::webview2 {

// Keeps the loader library loaded while an object it made is still held:
// with an engine that lives in the loader library itself, releasing a COM
// pointer after the library is gone would jump into unmapped code.
using TKeepAlive = std::shared_ptr<const void>;

// The seam's typed arguments over the engine's argument objects. Each wraps
// a pointer borrowed for the duration of one Invoke, so they live on that
// call's stack and nowhere else.

// Notifications that carry no data (the handler reads the new state from
// the web view or controller).
class TNoEventArgs final : public WebViewEventArgs {
public:
  explicit TNoEventArgs(IUnknown*) {}
};

class TNavigationStartingArgs final : public NavigationStartingEventArgs {
public:
  explicit TNavigationStartingArgs(ICoreWebView2NavigationStartingEventArgs* args) : FArgs(args) {}
  HRESULT GetUri(std::string& uri) override;
  HRESULT GetIsUserInitiated(bool& userInitiated) override;
  HRESULT GetIsRedirected(bool& redirected) override;
  HRESULT PutCancel(bool cancel) override;
  HRESULT GetNavigationId(std::uint64_t& id) override;

private:
  ICoreWebView2NavigationStartingEventArgs* FArgs;
};

class TNavigationCompletedArgs final : public NavigationCompletedEventArgs {
public:
  explicit TNavigationCompletedArgs(ICoreWebView2NavigationCompletedEventArgs* args)
      : FArgs(args) {}
  HRESULT GetIsSuccess(bool& success) override;
  HRESULT GetWebErrorStatus(TWebViewEnumValue& status) override;
  HRESULT GetNavigationId(std::uint64_t& id) override;

private:
  ICoreWebView2NavigationCompletedEventArgs* FArgs;
};

class TSourceChangedArgs final : public SourceChangedEventArgs {
public:
  explicit TSourceChangedArgs(ICoreWebView2SourceChangedEventArgs* args) : FArgs(args) {}
  HRESULT GetIsNewDocument(bool& newDocument) override;

private:
  ICoreWebView2SourceChangedEventArgs* FArgs;
};

class TContentLoadingArgs final : public ContentLoadingEventArgs {
public:
  explicit TContentLoadingArgs(ICoreWebView2ContentLoadingEventArgs* args) : FArgs(args) {}
  HRESULT GetIsErrorPage(bool& errorPage) override;
  HRESULT GetNavigationId(std::uint64_t& id) override;

private:
  ICoreWebView2ContentLoadingEventArgs* FArgs;
};

class TNewWindowRequestedArgs final : public NewWindowRequestedEventArgs {
public:
  explicit TNewWindowRequestedArgs(ICoreWebView2NewWindowRequestedEventArgs* args) : FArgs(args) {}
  HRESULT GetUri(std::string& uri) override;
  HRESULT GetIsUserInitiated(bool& userInitiated) override;
  HRESULT PutHandled(bool handled) override;

private:
  ICoreWebView2NewWindowRequestedEventArgs* FArgs;
};

class TPermissionRequestedArgs final : public PermissionRequestedEventArgs {
public:
  explicit TPermissionRequestedArgs(ICoreWebView2PermissionRequestedEventArgs* args)
      : FArgs(args) {}
  HRESULT GetUri(std::string& uri) override;
  HRESULT GetPermissionKind(TWebViewEnumValue& kind) override;
  HRESULT GetIsUserInitiated(bool& userInitiated) override;
  HRESULT PutState(TWebViewEnumValue state) override;

private:
  ICoreWebView2PermissionRequestedEventArgs* FArgs;
};

class TProcessFailedArgs final : public ProcessFailedEventArgs {
public:
  explicit TProcessFailedArgs(ICoreWebView2ProcessFailedEventArgs* args) : FArgs(args) {}
  HRESULT GetProcessFailedKind(TWebViewEnumValue& kind) override;

private:
  ICoreWebView2ProcessFailedEventArgs* FArgs;
};

class TScriptDialogOpeningArgs final : public ScriptDialogOpeningEventArgs {
public:
  explicit TScriptDialogOpeningArgs(ICoreWebView2ScriptDialogOpeningEventArgs* args)
      : FArgs(args) {}
  HRESULT GetUri(std::string& uri) override;
  HRESULT GetKind(TWebViewEnumValue& kind) override;
  HRESULT GetMessageText(std::string& message) override;
  HRESULT GetDefaultText(std::string& text) override;
  HRESULT PutResultText(const std::string& text) override;
  HRESULT Accept() override;

private:
  ICoreWebView2ScriptDialogOpeningEventArgs* FArgs;
};

class TWebMessageReceivedArgs final : public WebMessageReceivedEventArgs {
public:
  explicit TWebMessageReceivedArgs(ICoreWebView2WebMessageReceivedEventArgs* args) : FArgs(args) {}
  HRESULT GetSource(std::string& source) override;
  HRESULT GetWebMessageAsJson(std::string& json) override;
  HRESULT TryGetWebMessageAsString(std::string& text) override;

private:
  ICoreWebView2WebMessageReceivedEventArgs* FArgs;
};

class TWebResourceRequestedArgs final : public WebResourceRequestedEventArgs {
public:
  TWebResourceRequestedArgs(ICoreWebView2WebResourceRequestedEventArgs* args, TKeepAlive library)
      : FArgs(args), FLibrary(std::move(library)) {}
  HRESULT GetRequest(std::shared_ptr<WebResourceRequest>& request) override;
  HRESULT GetResourceContext(TWebViewEnumValue& context) override;
  // Takes only responses made by this binding's environment.
  HRESULT PutResponse(std::shared_ptr<WebResourceResponse> response) override;

private:
  ICoreWebView2WebResourceRequestedEventArgs* FArgs;
  TKeepAlive FLibrary;
};

class TMoveFocusRequestedArgs final : public MoveFocusRequestedEventArgs {
public:
  explicit TMoveFocusRequestedArgs(ICoreWebView2MoveFocusRequestedEventArgs* args) : FArgs(args) {}
  HRESULT GetReason(TMoveFocusReason& reason) override;

private:
  ICoreWebView2MoveFocusRequestedEventArgs* FArgs;
};

class TAcceleratorKeyPressedArgs final : public AcceleratorKeyPressedEventArgs {
public:
  explicit TAcceleratorKeyPressedArgs(ICoreWebView2AcceleratorKeyPressedEventArgs* args)
      : FArgs(args) {}
  HRESULT GetKeyEventKind(TKeyEventKind& kind) override;
  HRESULT GetVirtualKey(std::uint32_t& key) override;
  HRESULT GetKeyEventLParam(std::int32_t& lParam) override;
  HRESULT PutHandled(bool handled) override;

private:
  ICoreWebView2AcceleratorKeyPressedEventArgs* FArgs;
};

class TDevToolsProtocolEventReceivedArgs final : public DevToolsProtocolEventReceivedEventArgs {
public:
  explicit TDevToolsProtocolEventReceivedArgs(
      ICoreWebView2DevToolsProtocolEventReceivedEventArgs* args)
      : FArgs(args) {}
  HRESULT GetParameterObjectAsJson(std::string& json) override;

private:
  ICoreWebView2DevToolsProtocolEventReceivedEventArgs* FArgs;
};

// The typed wrapper for each argument interface the engine passes.
inline TNoEventArgs WrapArgs(IUnknown* args, const TKeepAlive&) {
  return TNoEventArgs(args);
}
#define TESSERA_WRAP_ARGS(Interface, Wrapper)                                                      \
  inline Wrapper WrapArgs(Interface* args, const TKeepAlive&) {                                    \
    return Wrapper(args);                                                                          \
  }
TESSERA_WRAP_ARGS(ICoreWebView2NavigationStartingEventArgs, TNavigationStartingArgs)
TESSERA_WRAP_ARGS(ICoreWebView2NavigationCompletedEventArgs, TNavigationCompletedArgs)
TESSERA_WRAP_ARGS(ICoreWebView2SourceChangedEventArgs, TSourceChangedArgs)
TESSERA_WRAP_ARGS(ICoreWebView2ContentLoadingEventArgs, TContentLoadingArgs)
TESSERA_WRAP_ARGS(ICoreWebView2NewWindowRequestedEventArgs, TNewWindowRequestedArgs)
TESSERA_WRAP_ARGS(ICoreWebView2PermissionRequestedEventArgs, TPermissionRequestedArgs)
TESSERA_WRAP_ARGS(ICoreWebView2ProcessFailedEventArgs, TProcessFailedArgs)
TESSERA_WRAP_ARGS(ICoreWebView2ScriptDialogOpeningEventArgs, TScriptDialogOpeningArgs)
TESSERA_WRAP_ARGS(ICoreWebView2WebMessageReceivedEventArgs, TWebMessageReceivedArgs)
TESSERA_WRAP_ARGS(ICoreWebView2MoveFocusRequestedEventArgs, TMoveFocusRequestedArgs)
TESSERA_WRAP_ARGS(ICoreWebView2AcceleratorKeyPressedEventArgs, TAcceleratorKeyPressedArgs)
TESSERA_WRAP_ARGS(ICoreWebView2DevToolsProtocolEventReceivedEventArgs,
                  TDevToolsProtocolEventReceivedArgs)
#undef TESSERA_WRAP_ARGS
inline TWebResourceRequestedArgs WrapArgs(ICoreWebView2WebResourceRequestedEventArgs* args,
                                          const TKeepAlive& library) {
  return TWebResourceRequestedArgs(args, library);
}

// Registers `handler` through an add_ method of `source` (the web view, the
// controller or a DevTools receiver): the engine's handler object wraps its
// arguments in the seam's type and answers what the handler answers.
template <class TSource, class THandler>
::HRESULT
AddEventHandler(TSource* source,
                ::HRESULT (STDMETHODCALLTYPE TSource::*add)(THandler*, EventRegistrationToken*),
                TWebViewEventHandler handler, const TKeepAlive& library, TEventToken& token) {
  auto comHandler = MakeHandler<THandler>(
      [handler = std::move(handler), library](auto*, auto* args) -> ::HRESULT {
        if (!handler)
          return S_OK;
        auto wrapped = WrapArgs(args, library);
        return handler(wrapped);
      });
  EventRegistrationToken registration{};
  const ::HRESULT result = (source->*add)(comHandler.Get(), &registration);
  if (SUCCEEDED(result))
    token = registration.value;
  return result;
}

template <class TSource>
::HRESULT RemoveEventHandler(TSource* source,
                             ::HRESULT (STDMETHODCALLTYPE TSource::*remove)(EventRegistrationToken),
                             TEventToken token) {
  EventRegistrationToken registration{};
  registration.value = token;
  return (source->*remove)(registration);
}

} // namespace tessera::webview2
