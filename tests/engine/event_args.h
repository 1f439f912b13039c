#pragma once

#include "com_object.h"
#include "platform/webview2/co_task_mem_string.h"

#include <functional>
#include <memory>
#include <string>

namespace tessera::engine {

// Hands a text out through an LPWSTR* out parameter, allocated with the COM
// task allocator as the caller expects.
inline HRESULT OutString(LPWSTR* out, const std::string& utf8) {
  if (out == nullptr)
    return E_POINTER;
  *out = webview2::CoTaskMemCopy(win32::Widen(utf8));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

template <class T> HRESULT OutValue(T* out, T value) {
  if (out == nullptr)
    return E_POINTER;
  *out = value;
  return S_OK;
}

// Lets an event's handlers finish later: the engine goes on with what
// follows the event once every deferral taken has been completed.
class TDeferralGate {
public:
  void Take() { ++FPending; }
  void Complete() {
    if (FPending > 0 && --FPending == 0 && FContinuation)
      std::exchange(FContinuation, nullptr)();
  }
  // Runs `continuation` now, or when the last deferral completes.
  void Finish(std::function<void()> continuation) {
    if (FPending == 0)
      continuation();
    else
      FContinuation = std::move(continuation);
  }

private:
  int FPending = 0;
  std::function<void()> FContinuation;
};

class TDeferral final : public TComObject<ICoreWebView2Deferral> {
public:
  explicit TDeferral(std::shared_ptr<TDeferralGate> gate) : FGate(std::move(gate)) {
    FGate->Take();
  }
  HRESULT STDMETHODCALLTYPE Complete() override {
    if (FCompleted)
      return E_FAIL;
    FCompleted = true;
    FGate->Complete();
    return S_OK;
  }

private:
  std::shared_ptr<TDeferralGate> FGate;
  bool FCompleted = false;
};

inline HRESULT TakeDeferral(const std::shared_ptr<TDeferralGate>& gate,
                            ICoreWebView2Deferral** deferral) {
  if (deferral == nullptr)
    return E_POINTER;
  *deferral = MakeObject<TDeferral>(gate).Detach();
  return S_OK;
}

class TNavigationStartingArgs final : public TComObject<ICoreWebView2NavigationStartingEventArgs> {
public:
  TNavigationStartingArgs(std::string uri, UINT64 id, bool userInitiated)
      : Uri(std::move(uri)), Id(id), UserInitiated(userInitiated) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return OutString(uri, Uri); }
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
    return OutValue<BOOL>(value, UserInitiated);
  }
  HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* value) override {
    return OutValue<BOOL>(value, FALSE);
  }
  HRESULT STDMETHODCALLTYPE get_RequestHeaders(ICoreWebView2HttpRequestHeaders**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* value) override { return OutValue(value, Cancel); }
  HRESULT STDMETHODCALLTYPE put_Cancel(BOOL value) override {
    Cancel = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override { return OutValue(value, Id); }

  std::string Uri;
  UINT64 Id;
  bool UserInitiated;
  BOOL Cancel = FALSE;
};

class TNavigationCompletedArgs final
    : public TComObject<ICoreWebView2NavigationCompletedEventArgs> {
public:
  TNavigationCompletedArgs(bool success, INT32 status, UINT64 id)
      : FSuccess(success), FStatus(status), FId(id) {}
  HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* value) override {
    return OutValue<BOOL>(value, FSuccess);
  }
  HRESULT STDMETHODCALLTYPE get_WebErrorStatus(COREWEBVIEW2_WEB_ERROR_STATUS* value) override {
    return OutValue(value, static_cast<COREWEBVIEW2_WEB_ERROR_STATUS>(FStatus));
  }
  HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override {
    return OutValue(value, FId);
  }

private:
  bool FSuccess;
  INT32 FStatus;
  UINT64 FId;
};

class TSourceChangedArgs final : public TComObject<ICoreWebView2SourceChangedEventArgs> {
public:
  explicit TSourceChangedArgs(bool newDocument) : FNewDocument(newDocument) {}
  HRESULT STDMETHODCALLTYPE get_IsNewDocument(BOOL* value) override {
    return OutValue<BOOL>(value, FNewDocument);
  }

private:
  bool FNewDocument;
};

class TContentLoadingArgs final : public TComObject<ICoreWebView2ContentLoadingEventArgs> {
public:
  TContentLoadingArgs(bool errorPage, UINT64 id) : FErrorPage(errorPage), FId(id) {}
  HRESULT STDMETHODCALLTYPE get_IsErrorPage(BOOL* value) override {
    return OutValue<BOOL>(value, FErrorPage);
  }
  HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override {
    return OutValue(value, FId);
  }

private:
  bool FErrorPage;
  UINT64 FId;
};

class TNewWindowRequestedArgs final : public TComObject<ICoreWebView2NewWindowRequestedEventArgs> {
public:
  explicit TNewWindowRequestedArgs(std::string uri) : Uri(std::move(uri)) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return OutString(uri, Uri); }
  HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** value) override {
    return OutValue<ICoreWebView2*>(value, nullptr);
  }
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override {
    Handled = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Handled(BOOL* value) override { return OutValue(value, Handled); }
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
    return OutValue<BOOL>(value, TRUE);
  }
  HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
    return TakeDeferral(Gate, deferral);
  }
  HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures**) override {
    return E_NOTIMPL;
  }

  std::string Uri;
  BOOL Handled = FALSE;
  std::shared_ptr<TDeferralGate> Gate = std::make_shared<TDeferralGate>();
};

class TPermissionRequestedArgs final
    : public TComObject<ICoreWebView2PermissionRequestedEventArgs> {
public:
  TPermissionRequestedArgs(std::string uri, INT32 kind) : Uri(std::move(uri)), Kind(kind) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return OutString(uri, Uri); }
  HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* value) override {
    return OutValue(value, static_cast<COREWEBVIEW2_PERMISSION_KIND>(Kind));
  }
  HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override {
    return OutValue<BOOL>(value, TRUE);
  }
  HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* value) override {
    return OutValue(value, static_cast<COREWEBVIEW2_PERMISSION_STATE>(State));
  }
  HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE value) override {
    State = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
    return TakeDeferral(Gate, deferral);
  }

  std::string Uri;
  INT32 Kind;
  INT32 State = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
  std::shared_ptr<TDeferralGate> Gate = std::make_shared<TDeferralGate>();
};

class TProcessFailedArgs final : public TComObject<ICoreWebView2ProcessFailedEventArgs> {
public:
  explicit TProcessFailedArgs(INT32 kind) : FKind(kind) {}
  HRESULT STDMETHODCALLTYPE
  get_ProcessFailedKind(COREWEBVIEW2_PROCESS_FAILED_KIND* value) override {
    return OutValue(value, static_cast<COREWEBVIEW2_PROCESS_FAILED_KIND>(FKind));
  }

private:
  INT32 FKind;
};

class TScriptDialogOpeningArgs final
    : public TComObject<ICoreWebView2ScriptDialogOpeningEventArgs> {
public:
  TScriptDialogOpeningArgs(std::string uri, INT32 kind, std::string message)
      : Uri(std::move(uri)), Kind(kind), Message(std::move(message)) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return OutString(uri, Uri); }
  HRESULT STDMETHODCALLTYPE get_Kind(COREWEBVIEW2_SCRIPT_DIALOG_KIND* value) override {
    return OutValue(value, static_cast<COREWEBVIEW2_SCRIPT_DIALOG_KIND>(Kind));
  }
  HRESULT STDMETHODCALLTYPE get_Message(LPWSTR* value) override {
    return OutString(value, Message);
  }
  HRESULT STDMETHODCALLTYPE Accept() override {
    Accepted = true;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_DefaultText(LPWSTR* value) override { return OutString(value, ""); }
  HRESULT STDMETHODCALLTYPE get_ResultText(LPWSTR* value) override {
    return OutString(value, ResultText);
  }
  HRESULT STDMETHODCALLTYPE put_ResultText(LPCWSTR value) override {
    if (value == nullptr)
      return E_POINTER;
    ResultText = win32::Narrow(value);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
    return TakeDeferral(Gate, deferral);
  }

  std::string Uri;
  INT32 Kind;
  std::string Message;
  bool Accepted = false;
  std::string ResultText;
  std::shared_ptr<TDeferralGate> Gate = std::make_shared<TDeferralGate>();
};

class TWebMessageReceivedArgs final : public TComObject<ICoreWebView2WebMessageReceivedEventArgs> {
public:
  // `isString` with the decoded `text` when the page posted a string.
  TWebMessageReceivedArgs(std::string source, std::string json, bool isString, std::string text)
      : FSource(std::move(source)), FJson(std::move(json)), FIsString(isString),
        FText(std::move(text)) {}
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override { return OutString(value, FSource); }
  HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) override {
    return OutString(value, FJson);
  }
  HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override {
    if (value == nullptr)
      return E_POINTER;
    if (!FIsString) {
      *value = nullptr;
      return E_INVALIDARG;
    }
    return OutString(value, FText);
  }

private:
  std::string FSource;
  std::string FJson;
  bool FIsString;
  std::string FText;
};

class TAcceleratorKeyPressedArgs final
    : public TComObject<ICoreWebView2AcceleratorKeyPressedEventArgs> {
public:
  TAcceleratorKeyPressedArgs(INT32 kind, UINT key, INT lParam)
      : FKind(kind), FKey(key), FLParam(lParam) {}
  HRESULT STDMETHODCALLTYPE get_KeyEventKind(COREWEBVIEW2_KEY_EVENT_KIND* value) override {
    return OutValue(value, static_cast<COREWEBVIEW2_KEY_EVENT_KIND>(FKind));
  }
  HRESULT STDMETHODCALLTYPE get_VirtualKey(UINT* value) override { return OutValue(value, FKey); }
  HRESULT STDMETHODCALLTYPE get_KeyEventLParam(INT* value) override {
    return OutValue(value, FLParam);
  }
  HRESULT STDMETHODCALLTYPE
  get_PhysicalKeyStatus(COREWEBVIEW2_PHYSICAL_KEY_STATUS* value) override {
    if (value == nullptr)
      return E_POINTER;
    // The same facts a key message packs into its lParam.
    const auto bits = static_cast<UINT32>(FLParam);
    value->RepeatCount = bits & 0xFFFF;
    value->ScanCode = (bits >> 16) & 0xFF;
    value->IsExtendedKey = (bits >> 24) & 1;
    value->IsMenuKeyDown = (bits >> 29) & 1;
    value->WasKeyDown = (bits >> 30) & 1;
    value->IsKeyReleased = (bits >> 31) & 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Handled(BOOL* value) override { return OutValue(value, Handled); }
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override {
    Handled = value;
    return S_OK;
  }

  BOOL Handled = FALSE;

private:
  INT32 FKind;
  UINT FKey;
  INT FLParam;
};

class TMoveFocusRequestedArgs final : public TComObject<ICoreWebView2MoveFocusRequestedEventArgs> {
public:
  explicit TMoveFocusRequestedArgs(INT32 reason) : FReason(reason) {}
  HRESULT STDMETHODCALLTYPE get_Reason(COREWEBVIEW2_MOVE_FOCUS_REASON* value) override {
    return OutValue(value, static_cast<COREWEBVIEW2_MOVE_FOCUS_REASON>(FReason));
  }
  HRESULT STDMETHODCALLTYPE get_Handled(BOOL* value) override { return OutValue(value, Handled); }
  HRESULT STDMETHODCALLTYPE put_Handled(BOOL value) override {
    Handled = value;
    return S_OK;
  }

  BOOL Handled = FALSE;

private:
  INT32 FReason;
};

class TDevToolsProtocolEventArgs final
    : public TComObject<ICoreWebView2DevToolsProtocolEventReceivedEventArgs> {
public:
  explicit TDevToolsProtocolEventArgs(std::string json) : FJson(std::move(json)) {}
  HRESULT STDMETHODCALLTYPE get_ParameterObjectAsJson(LPWSTR* value) override {
    return OutString(value, FJson);
  }

private:
  std::string FJson;
};

} // namespace tessera::engine
