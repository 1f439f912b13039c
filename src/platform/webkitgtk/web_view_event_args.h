#pragma once

#include "platform/api/web_view_platform.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tessera::webkitgtk {

// Argument objects of the notifications. Each is filled from the engine's
// signal before the handlers run and read back after they return; only the
// values the engine offers are real (see the notes at each class).

class TNavigationStartingArgs final : public NavigationStartingEventArgs {
public:
  std::string Uri;
  bool UserInitiated = false;
  bool Redirected = false;
  std::uint64_t NavigationId = 0;
  bool Cancel = false;

  HRESULT GetUri(std::string& uri) override { return Give(uri, Uri); }
  HRESULT GetIsUserInitiated(bool& value) override { return Give(value, UserInitiated); }
  HRESULT GetIsRedirected(bool& value) override { return Give(value, Redirected); }
  HRESULT PutCancel(bool cancel) override {
    Cancel = cancel;
    return kSOk;
  }
  HRESULT GetNavigationId(std::uint64_t& id) override { return Give(id, NavigationId); }

private:
  template <typename T> static HRESULT Give(T& out, const T& value) {
    out = value;
    return kSOk;
  }
};

class TNavigationCompletedArgs final : public NavigationCompletedEventArgs {
public:
  bool IsSuccess = true;
  TWebViewEnumValue WebErrorStatus = 0;
  std::uint64_t NavigationId = 0;

  HRESULT GetIsSuccess(bool& value) override {
    value = IsSuccess;
    return kSOk;
  }
  HRESULT GetWebErrorStatus(TWebViewEnumValue& status) override {
    status = WebErrorStatus;
    return kSOk;
  }
  HRESULT GetNavigationId(std::uint64_t& id) override {
    id = NavigationId;
    return kSOk;
  }
};

class TSourceChangedArgs final : public SourceChangedEventArgs {
public:
  bool IsNewDocument = false;
  HRESULT GetIsNewDocument(bool& value) override {
    value = IsNewDocument;
    return kSOk;
  }
};

class TContentLoadingArgs final : public ContentLoadingEventArgs {
public:
  bool IsErrorPage = false;
  std::uint64_t NavigationId = 0;
  HRESULT GetIsErrorPage(bool& value) override {
    value = IsErrorPage;
    return kSOk;
  }
  HRESULT GetNavigationId(std::uint64_t& id) override {
    id = NavigationId;
    return kSOk;
  }
};

// For the notifications that carry nothing (title, history, close, full
// screen, focus, zoom).
class TEmptyArgs final : public WebViewEventArgs {};

class TNewWindowRequestedArgs final : public NewWindowRequestedEventArgs {
public:
  std::string Uri;
  bool UserInitiated = false;
  bool Handled = false;

  HRESULT GetUri(std::string& uri) override {
    uri = Uri;
    return kSOk;
  }
  HRESULT GetIsUserInitiated(bool& value) override {
    value = UserInitiated;
    return kSOk;
  }
  HRESULT PutHandled(bool handled) override {
    Handled = handled;
    return kSOk;
  }
};

class TPermissionRequestedArgs final : public PermissionRequestedEventArgs {
public:
  std::string Uri;
  TWebViewEnumValue Kind = 0;
  // WebKitGTK does not tell; a page can ask only from its own script.
  bool UserInitiated = false;
  TWebViewEnumValue State = 0;

  HRESULT GetUri(std::string& uri) override {
    uri = Uri;
    return kSOk;
  }
  HRESULT GetPermissionKind(TWebViewEnumValue& kind) override {
    kind = Kind;
    return kSOk;
  }
  HRESULT GetIsUserInitiated(bool& value) override {
    value = UserInitiated;
    return kSOk;
  }
  HRESULT PutState(TWebViewEnumValue state) override {
    State = state;
    return kSOk;
  }
};

class TProcessFailedArgs final : public ProcessFailedEventArgs {
public:
  TWebViewEnumValue Kind = 0;
  HRESULT GetProcessFailedKind(TWebViewEnumValue& kind) override {
    kind = Kind;
    return kSOk;
  }
};

class TScriptDialogOpeningArgs final : public ScriptDialogOpeningEventArgs {
public:
  std::string Uri;
  TWebViewEnumValue Kind = 0;
  std::string Message;
  std::string DefaultText;
  std::optional<std::string> ResultText;
  bool Accepted = false;

  HRESULT GetUri(std::string& uri) override {
    uri = Uri;
    return kSOk;
  }
  HRESULT GetKind(TWebViewEnumValue& kind) override {
    kind = Kind;
    return kSOk;
  }
  HRESULT GetMessageText(std::string& message) override {
    message = Message;
    return kSOk;
  }
  HRESULT GetDefaultText(std::string& text) override {
    text = DefaultText;
    return kSOk;
  }
  HRESULT PutResultText(const std::string& text) override {
    ResultText = text;
    return kSOk;
  }
  HRESULT Accept() override {
    Accepted = true;
    return kSOk;
  }
};

class TWebMessageReceivedArgs final : public WebMessageReceivedEventArgs {
public:
  std::string Source;
  std::string Json;
  // Absent when the page posted something other than a string.
  std::optional<std::string> Text;

  HRESULT GetSource(std::string& source) override {
    source = Source;
    return kSOk;
  }
  HRESULT GetWebMessageAsJson(std::string& json) override {
    json = Json;
    return kSOk;
  }
  HRESULT TryGetWebMessageAsString(std::string& text) override {
    if (!Text)
      return kEInvalidArg;
    text = *Text;
    return kSOk;
  }
};

class TResourceRequest final : public WebResourceRequest {
public:
  TResourceRequest(std::string uri, std::string method)
      : FUri(std::move(uri)), FMethod(std::move(method)) {}
  HRESULT GetUri(std::string& uri) override {
    uri = FUri;
    return kSOk;
  }
  HRESULT GetMethod(std::string& method) override {
    method = FMethod;
    return kSOk;
  }

private:
  std::string FUri;
  std::string FMethod;
};

// The engine does not say what kind of resource a request of our scheme is
// for, so every request reports "other" (16).
inline constexpr TWebViewEnumValue kResourceContextOther = 16;

class TResourceRequestedArgs final : public WebResourceRequestedEventArgs {
public:
  explicit TResourceRequestedArgs(std::shared_ptr<WebResourceRequest> request)
      : Request(std::move(request)) {}
  std::shared_ptr<WebResourceRequest> Request;
  std::shared_ptr<WebResourceResponse> Response;

  HRESULT GetRequest(std::shared_ptr<WebResourceRequest>& request) override {
    request = Request;
    return kSOk;
  }
  HRESULT GetResourceContext(TWebViewEnumValue& context) override {
    context = kResourceContextOther;
    return kSOk;
  }
  HRESULT PutResponse(std::shared_ptr<WebResourceResponse> response) override {
    Response = std::move(response);
    return kSOk;
  }
};

} // namespace tessera::webkitgtk
