#pragma once

#include "base/stream.h"
#include "platform/api/web_view_platform.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tessera {

// A scripted browser engine for tests. Each creation step succeeds or fails
// with the code the test sets; the environment and controller completions
// wait until the test delivers them (from any thread), unless the
// environment is set to complete at once. Script and capture completions
// wait as well. Every call is logged in order as short text such as
// "add NavigationStarting", "PutBounds 0,0,50,25" or "GetBool ScriptEnabled".
class FakeWebViewPlatform final : public WebViewPlatform {
public:
  // Script, set before the calls they affect.
  bool LoaderLoadable = true;
  HRESULT CreateEnvironmentAnswer = kSOk;
  bool EnvironmentCompletesAtOnce = false;
  HRESULT EnvironmentCompletesWith = kSOk;
  HRESULT CreateControllerAnswer = kSOk;
  HRESULT GetWebViewAnswer = kSOk;
  HRESULT GetSettingsAnswer = kSOk;
  std::uint32_t BrowserProcessId = 4242;
  std::string BrowserVersion = "1.0.0.0";

  // What the web view and controller report.
  std::string Source = "about:blank";
  std::string DocumentTitle;
  bool CanGoBack = false;
  bool CanGoForward = false;
  bool ContainsFullScreenElement = false;
  double ZoomFactor = 1.0;
  // Every setting starts enabled, as in a fresh engine; writes land here.
  std::map<TWebViewSetting, bool> SettingValues = AllSettings(true);
  // Failure codes of single setting reads and writes; absent means S_OK.
  std::map<TWebViewSetting, HRESULT> SettingGetAnswers;
  std::map<TWebViewSetting, HRESULT> SettingPutAnswers;
  // Failure codes of the other web view, controller and DevTools calls, by
  // the method name they are logged under ("GoBack", "GetSource",
  // "CapturePreview", "AddDevToolsHandler", ...); absent means S_OK. A
  // failed ExecuteScript or CapturePreview never completes.
  std::map<std::string, HRESULT> Answers;

  bool LoadLoader(const std::string& loaderPath) override;
  HRESULT CreateEnvironment(TEnvironmentCompleted completed) override;
  HRESULT GetAvailableBrowserVersionString(std::string& version) override;
  void EndBrowserProcess(std::uint32_t processId, unsigned timeoutMs,
                         std::uint32_t exitCode) override;

  // Deliver the pending completion; false when none is pending.
  bool CompleteEnvironment(HRESULT result);
  bool CompleteController(HRESULT result);
  bool EnvironmentPending() const;

  // Deliver the oldest pending script result or capture. A successful
  // capture first writes the start of a picture of the asked format (the PNG
  // or JPEG signature) into the stream from its position, and the stream is
  // let go after the completion has run.
  bool CompleteExecuteScript(HRESULT result, const std::string& json);
  bool CompleteCapturePreview(HRESULT result);
  std::size_t PendingExecuteScripts() const { return FPendingScripts.size(); }
  std::size_t PendingCapturePreviews() const { return FPendingCaptures.size(); }

  // Calls the handler registered now for the event; false when none is.
  bool Raise(TWebViewEvent event, WebViewEventArgs& args);
  bool Raise(TControllerEvent event, WebViewEventArgs& args);
  bool RaiseDevToolsEvent(const std::string& eventName, WebViewEventArgs& args);
  std::size_t RegisteredHandlerCount() const;
  // Handlers under one logged name: "NavigationStarting", "DevTools X".
  std::size_t RegisteredHandlerCount(const std::string& name) const;

  std::vector<std::string> Calls() const;
  void ClearCalls();

  // Used by the fake's objects.
  void Log(std::string call);
  HRESULT Answer(const std::string& method) const;
  TEventToken AddHandler(std::string name, TWebViewEventHandler handler);
  void RemoveHandler(const std::string& name, TEventToken token);
  void SetPendingController(TControllerCompleted completed);
  void HoldExecuteScript(TExecuteScriptCompleted completed);
  void HoldCapturePreview(TWebViewEnumValue format, std::shared_ptr<TStream> stream,
                          TCapturePreviewCompleted completed);

  static std::map<TWebViewSetting, bool> AllSettings(bool value);

private:
  struct TPendingCapture {
    TWebViewEnumValue Format;
    std::shared_ptr<TStream> Stream;
    TCapturePreviewCompleted Completed;
  };

  mutable std::mutex FLock;
  std::vector<std::string> FCalls;
  TEnvironmentCompleted FPendingEnvironment;
  TControllerCompleted FPendingController;
  std::map<TEventToken, std::pair<std::string, TWebViewEventHandler>> FHandlers;
  TEventToken FNextToken = 1;
  // Script and capture completions come on the UI thread only.
  std::deque<TExecuteScriptCompleted> FPendingScripts;
  std::deque<TPendingCapture> FPendingCaptures;
};

const char* EventName(TWebViewEvent event);
const char* EventName(TControllerEvent event);
const char* SettingName(TWebViewSetting setting);

// Argument objects for raising events. Every getter counts one read in
// Reads and answers ReadAnswer, handing out its value only on success;
// whatever a handler writes back is kept for the test to look at.
class FakeArgsReads {
public:
  int Reads = 0;
  HRESULT ReadAnswer = kSOk;

protected:
  template <typename T> HRESULT Give(T& out, const T& value) {
    ++Reads;
    if (Succeeded(ReadAnswer))
      out = value;
    return ReadAnswer;
  }
};

class FakeNavigationStartingArgs final : public NavigationStartingEventArgs, public FakeArgsReads {
public:
  std::string Uri;
  bool IsUserInitiated = false;
  bool IsRedirected = false;
  std::uint64_t NavigationId = 0;
  std::optional<bool> Cancel;

  HRESULT GetUri(std::string& uri) override { return Give(uri, Uri); }
  HRESULT GetIsUserInitiated(bool& value) override { return Give(value, IsUserInitiated); }
  HRESULT GetIsRedirected(bool& value) override { return Give(value, IsRedirected); }
  HRESULT PutCancel(bool cancel) override {
    Cancel = cancel;
    return kSOk;
  }
  HRESULT GetNavigationId(std::uint64_t& id) override { return Give(id, NavigationId); }
};

class FakeNavigationCompletedArgs final : public NavigationCompletedEventArgs,
                                          public FakeArgsReads {
public:
  bool IsSuccess = true;
  TWebViewEnumValue WebErrorStatus = 0;
  std::uint64_t NavigationId = 0;

  HRESULT GetIsSuccess(bool& value) override { return Give(value, IsSuccess); }
  HRESULT GetWebErrorStatus(TWebViewEnumValue& status) override {
    return Give(status, WebErrorStatus);
  }
  HRESULT GetNavigationId(std::uint64_t& id) override { return Give(id, NavigationId); }
};

class FakeSourceChangedArgs final : public SourceChangedEventArgs, public FakeArgsReads {
public:
  bool IsNewDocument = false;
  HRESULT GetIsNewDocument(bool& value) override { return Give(value, IsNewDocument); }
};

class FakeContentLoadingArgs final : public ContentLoadingEventArgs, public FakeArgsReads {
public:
  bool IsErrorPage = false;
  std::uint64_t NavigationId = 0;
  HRESULT GetIsErrorPage(bool& value) override { return Give(value, IsErrorPage); }
  HRESULT GetNavigationId(std::uint64_t& id) override { return Give(id, NavigationId); }
};

class FakeNewWindowRequestedArgs final : public NewWindowRequestedEventArgs, public FakeArgsReads {
public:
  std::string Uri;
  bool IsUserInitiated = true;
  std::optional<bool> Handled;

  HRESULT GetUri(std::string& uri) override { return Give(uri, Uri); }
  HRESULT GetIsUserInitiated(bool& value) override { return Give(value, IsUserInitiated); }
  HRESULT PutHandled(bool handled) override {
    Handled = handled;
    return kSOk;
  }
};

class FakePermissionRequestedArgs final : public PermissionRequestedEventArgs,
                                          public FakeArgsReads {
public:
  std::string Uri;
  TWebViewEnumValue PermissionKind = 0;
  bool IsUserInitiated = false;
  std::optional<TWebViewEnumValue> State;

  HRESULT GetUri(std::string& uri) override { return Give(uri, Uri); }
  HRESULT GetPermissionKind(TWebViewEnumValue& kind) override { return Give(kind, PermissionKind); }
  HRESULT GetIsUserInitiated(bool& value) override { return Give(value, IsUserInitiated); }
  HRESULT PutState(TWebViewEnumValue state) override {
    State = state;
    return kSOk;
  }
};

class FakeProcessFailedArgs final : public ProcessFailedEventArgs, public FakeArgsReads {
public:
  TWebViewEnumValue ProcessFailedKind = 0;
  HRESULT GetProcessFailedKind(TWebViewEnumValue& kind) override {
    return Give(kind, ProcessFailedKind);
  }
};

class FakeScriptDialogOpeningArgs final : public ScriptDialogOpeningEventArgs,
                                          public FakeArgsReads {
public:
  std::string Uri;
  TWebViewEnumValue Kind = 0;
  std::string Message;
  std::string DefaultText;
  std::optional<std::string> ResultText;
  bool Accepted = false;

  HRESULT GetUri(std::string& uri) override { return Give(uri, Uri); }
  HRESULT GetKind(TWebViewEnumValue& kind) override { return Give(kind, Kind); }
  HRESULT GetMessageText(std::string& message) override { return Give(message, Message); }
  HRESULT GetDefaultText(std::string& text) override { return Give(text, DefaultText); }
  HRESULT PutResultText(const std::string& text) override {
    ResultText = text;
    return kSOk;
  }
  HRESULT Accept() override {
    Accepted = true;
    return kSOk;
  }
};

class FakeWebMessageReceivedArgs final : public WebMessageReceivedEventArgs, public FakeArgsReads {
public:
  std::string Source;
  std::string WebMessageAsJson;
  // Absent when the page posted something other than a string.
  std::optional<std::string> WebMessageAsString;

  HRESULT GetSource(std::string& source) override { return Give(source, Source); }
  HRESULT GetWebMessageAsJson(std::string& json) override { return Give(json, WebMessageAsJson); }
  HRESULT TryGetWebMessageAsString(std::string& text) override {
    if (!WebMessageAsString) {
      ++Reads;
      return kEInvalidArg;
    }
    return Give(text, *WebMessageAsString);
  }
};

class FakeWebResourceRequest final : public WebResourceRequest, public FakeArgsReads {
public:
  std::string Uri;
  std::string Method = "GET";
  HRESULT GetUri(std::string& uri) override { return Give(uri, Uri); }
  HRESULT GetMethod(std::string& method) override { return Give(method, Method); }
};

class FakeWebResourceRequestedArgs final : public WebResourceRequestedEventArgs,
                                           public FakeArgsReads {
public:
  std::shared_ptr<FakeWebResourceRequest> Request = std::make_shared<FakeWebResourceRequest>();
  TWebViewEnumValue ResourceContext = kWebResourceContextAll;
  std::shared_ptr<WebResourceResponse> Response;

  HRESULT GetRequest(std::shared_ptr<WebResourceRequest>& request) override {
    std::shared_ptr<WebResourceRequest> mine = Request;
    return Give(request, mine);
  }
  HRESULT GetResourceContext(TWebViewEnumValue& context) override {
    return Give(context, ResourceContext);
  }
  HRESULT PutResponse(std::shared_ptr<WebResourceResponse> response) override {
    Response = std::move(response);
    return kSOk;
  }
};

// What CreateWebResourceResponse was given.
class FakeWebResourceResponse final : public WebResourceResponse {
public:
  std::shared_ptr<TStream> Content;
  int StatusCode = 0;
  std::string ReasonPhrase;
  std::string Headers;
};

class FakeDevToolsProtocolEventReceivedArgs final : public DevToolsProtocolEventReceivedEventArgs,
                                                    public FakeArgsReads {
public:
  std::string ParameterObjectAsJson;
  HRESULT GetParameterObjectAsJson(std::string& json) override {
    return Give(json, ParameterObjectAsJson);
  }
};

class FakeMoveFocusRequestedArgs final : public MoveFocusRequestedEventArgs, public FakeArgsReads {
public:
  explicit FakeMoveFocusRequestedArgs(TMoveFocusReason reason = TMoveFocusReason::Next)
      : Reason(reason) {}
  TMoveFocusReason Reason;
  HRESULT GetReason(TMoveFocusReason& reason) override { return Give(reason, Reason); }
};

class FakeAcceleratorKeyPressedArgs final : public AcceleratorKeyPressedEventArgs,
                                            public FakeArgsReads {
public:
  TKeyEventKind Kind = TKeyEventKind::KeyDown;
  std::uint32_t VirtualKey = 'S';
  std::int32_t KeyEventLParam = 0;
  std::optional<bool> Handled;

  HRESULT GetKeyEventKind(TKeyEventKind& kind) override { return Give(kind, Kind); }
  HRESULT GetVirtualKey(std::uint32_t& key) override { return Give(key, VirtualKey); }
  HRESULT GetKeyEventLParam(std::int32_t& lParam) override { return Give(lParam, KeyEventLParam); }
  HRESULT PutHandled(bool handled) override {
    Handled = handled;
    return kSOk;
  }
};

} // namespace tessera
