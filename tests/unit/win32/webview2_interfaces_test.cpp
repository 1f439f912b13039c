// Our COM declarations against the engine's vtable layout: a method declared
// out of place still compiles and links, then calls the wrong slot. Each
// case calls one declared method on an object whose vtable answers every
// call with the slot number it landed in.
#include "platform/webview2/webview2_interfaces.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <functional>
#include <utility>

namespace {

using TSlotFunction = ::HRESULT(STDMETHODCALLTYPE*)(void*);

// Ignores its arguments: under the x64 calling convention the caller
// cleans up, so a call with more arguments is harmless.
template <std::size_t N>::HRESULT STDMETHODCALLTYPE Slot(void*) {
  return static_cast<::HRESULT>(N);
}

template <std::size_t... N>
constexpr std::array<TSlotFunction, sizeof...(N)> MakeSlots(std::index_sequence<N...>) {
  return {&Slot<N>...};
}

constexpr auto kSlots = MakeSlots(std::make_index_sequence<64>());

// Laid out as a COM object: a pointer to its vtable first.
struct TSlotObject {
  const TSlotFunction* Vtable = kSlots.data();
};

struct TSlotCase {
  const char* Method;
  ::HRESULT Slot;
  std::function<::HRESULT(void*)> Call;
};

#define SLOT(Interface, Number, Call)                                                              \
  TSlotCase {                                                                                      \
#Interface "::" #Call, Number,                                                                 \
        [](void* object) { return static_cast<Interface*>(object)->Call; }                         \
  }

EventRegistrationToken gToken{};
RECT gRect{};

TEST(WebView2Declarations, EveryMethodWeCallSitsInItsSlot) {
  const TSlotCase cases[] = {
      SLOT(ICoreWebView2Environment, 3, CreateCoreWebView2Controller(nullptr, nullptr)),
      SLOT(ICoreWebView2Environment, 4,
           CreateWebResourceResponse(nullptr, 200, L"OK", L"", nullptr)),
      SLOT(ICoreWebView2Environment, 5, get_BrowserVersionString(nullptr)),
      SLOT(ICoreWebView2Environment, 7, remove_NewBrowserVersionAvailable(gToken)),

      SLOT(ICoreWebView2Controller, 4, put_IsVisible(TRUE)),
      SLOT(ICoreWebView2Controller, 6, put_Bounds(gRect)),
      SLOT(ICoreWebView2Controller, 7, get_ZoomFactor(nullptr)),
      SLOT(ICoreWebView2Controller, 8, put_ZoomFactor(1.5)),
      SLOT(ICoreWebView2Controller, 9, add_ZoomFactorChanged(nullptr, nullptr)),
      SLOT(ICoreWebView2Controller, 10, remove_ZoomFactorChanged(gToken)),
      SLOT(ICoreWebView2Controller, 11, SetBoundsAndZoomFactor(gRect, 1.0)),
      SLOT(ICoreWebView2Controller, 12, MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT)),
      SLOT(ICoreWebView2Controller, 13, add_MoveFocusRequested(nullptr, nullptr)),
      SLOT(ICoreWebView2Controller, 14, remove_MoveFocusRequested(gToken)),
      SLOT(ICoreWebView2Controller, 15, add_GotFocus(nullptr, nullptr)),
      SLOT(ICoreWebView2Controller, 16, remove_GotFocus(gToken)),
      SLOT(ICoreWebView2Controller, 17, add_LostFocus(nullptr, nullptr)),
      SLOT(ICoreWebView2Controller, 18, remove_LostFocus(gToken)),
      SLOT(ICoreWebView2Controller, 19, add_AcceleratorKeyPressed(nullptr, nullptr)),
      SLOT(ICoreWebView2Controller, 20, remove_AcceleratorKeyPressed(gToken)),
      SLOT(ICoreWebView2Controller, 24, Close()),
      SLOT(ICoreWebView2Controller, 25, get_CoreWebView2(nullptr)),

      SLOT(ICoreWebView2, 3, get_Settings(nullptr)),
      SLOT(ICoreWebView2, 4, get_Source(nullptr)),
      SLOT(ICoreWebView2, 5, Navigate(L"")),
      SLOT(ICoreWebView2, 6, NavigateToString(L"")),
      SLOT(ICoreWebView2, 7, add_NavigationStarting(nullptr, nullptr)),
      SLOT(ICoreWebView2, 8, remove_NavigationStarting(gToken)),
      SLOT(ICoreWebView2, 9, add_ContentLoading(nullptr, nullptr)),
      SLOT(ICoreWebView2, 10, remove_ContentLoading(gToken)),
      SLOT(ICoreWebView2, 11, add_SourceChanged(nullptr, nullptr)),
      SLOT(ICoreWebView2, 12, remove_SourceChanged(gToken)),
      SLOT(ICoreWebView2, 13, add_HistoryChanged(nullptr, nullptr)),
      SLOT(ICoreWebView2, 14, remove_HistoryChanged(gToken)),
      SLOT(ICoreWebView2, 15, add_NavigationCompleted(nullptr, nullptr)),
      SLOT(ICoreWebView2, 16, remove_NavigationCompleted(gToken)),
      SLOT(ICoreWebView2, 17, add_FrameNavigationStarting(nullptr, nullptr)),
      SLOT(ICoreWebView2, 18, remove_FrameNavigationStarting(gToken)),
      SLOT(ICoreWebView2, 19, add_FrameNavigationCompleted(nullptr, nullptr)),
      SLOT(ICoreWebView2, 20, remove_FrameNavigationCompleted(gToken)),
      SLOT(ICoreWebView2, 21, add_ScriptDialogOpening(nullptr, nullptr)),
      SLOT(ICoreWebView2, 22, remove_ScriptDialogOpening(gToken)),
      SLOT(ICoreWebView2, 23, add_PermissionRequested(nullptr, nullptr)),
      SLOT(ICoreWebView2, 24, remove_PermissionRequested(gToken)),
      SLOT(ICoreWebView2, 25, add_ProcessFailed(nullptr, nullptr)),
      SLOT(ICoreWebView2, 26, remove_ProcessFailed(gToken)),
      SLOT(ICoreWebView2, 27, AddScriptToExecuteOnDocumentCreated(L"", nullptr)),
      SLOT(ICoreWebView2, 29, ExecuteScript(L"", nullptr)),
      SLOT(ICoreWebView2, 30,
           CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_PNG, nullptr, nullptr)),
      SLOT(ICoreWebView2, 31, Reload()),
      SLOT(ICoreWebView2, 32, PostWebMessageAsJson(L"{}")),
      SLOT(ICoreWebView2, 34, add_WebMessageReceived(nullptr, nullptr)),
      SLOT(ICoreWebView2, 35, remove_WebMessageReceived(gToken)),
      SLOT(ICoreWebView2, 37, get_BrowserProcessId(nullptr)),
      SLOT(ICoreWebView2, 38, get_CanGoBack(nullptr)),
      SLOT(ICoreWebView2, 39, get_CanGoForward(nullptr)),
      SLOT(ICoreWebView2, 40, GoBack()),
      SLOT(ICoreWebView2, 41, GoForward()),
      SLOT(ICoreWebView2, 42, GetDevToolsProtocolEventReceiver(L"", nullptr)),
      SLOT(ICoreWebView2, 43, Stop()),
      SLOT(ICoreWebView2, 44, add_NewWindowRequested(nullptr, nullptr)),
      SLOT(ICoreWebView2, 45, remove_NewWindowRequested(gToken)),
      SLOT(ICoreWebView2, 46, add_DocumentTitleChanged(nullptr, nullptr)),
      SLOT(ICoreWebView2, 47, remove_DocumentTitleChanged(gToken)),
      SLOT(ICoreWebView2, 48, get_DocumentTitle(nullptr)),
      SLOT(ICoreWebView2, 52, add_ContainsFullScreenElementChanged(nullptr, nullptr)),
      SLOT(ICoreWebView2, 53, remove_ContainsFullScreenElementChanged(gToken)),
      SLOT(ICoreWebView2, 54, get_ContainsFullScreenElement(nullptr)),
      SLOT(ICoreWebView2, 55, add_WebResourceRequested(nullptr, nullptr)),
      SLOT(ICoreWebView2, 56, remove_WebResourceRequested(gToken)),
      SLOT(ICoreWebView2, 57,
           AddWebResourceRequestedFilter(L"*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL)),
      SLOT(ICoreWebView2, 58,
           RemoveWebResourceRequestedFilter(L"*", COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL)),
      SLOT(ICoreWebView2, 59, add_WindowCloseRequested(nullptr, nullptr)),
      SLOT(ICoreWebView2, 60, remove_WindowCloseRequested(gToken)),

      SLOT(ICoreWebView2Settings, 3, get_IsScriptEnabled(nullptr)),
      SLOT(ICoreWebView2Settings, 4, put_IsScriptEnabled(TRUE)),
      SLOT(ICoreWebView2Settings, 6, put_IsWebMessageEnabled(TRUE)),
      SLOT(ICoreWebView2Settings, 8, put_AreDefaultScriptDialogsEnabled(TRUE)),
      SLOT(ICoreWebView2Settings, 10, put_IsStatusBarEnabled(TRUE)),
      SLOT(ICoreWebView2Settings, 12, put_AreDevToolsEnabled(TRUE)),
      SLOT(ICoreWebView2Settings, 14, put_AreDefaultContextMenusEnabled(TRUE)),
      SLOT(ICoreWebView2Settings, 16, put_AreHostObjectsAllowed(TRUE)),
      SLOT(ICoreWebView2Settings, 18, put_IsZoomControlEnabled(TRUE)),
      SLOT(ICoreWebView2Settings, 19, get_IsBuiltInErrorPageEnabled(nullptr)),
      SLOT(ICoreWebView2Settings, 20, put_IsBuiltInErrorPageEnabled(TRUE)),

      SLOT(ICoreWebView2WebResourceRequest, 3, get_Uri(nullptr)),
      SLOT(ICoreWebView2WebResourceRequest, 5, get_Method(nullptr)),
      SLOT(ICoreWebView2WebResourceRequest, 9, get_Headers(nullptr)),
      SLOT(ICoreWebView2WebResourceResponse, 9, put_ReasonPhrase(L"")),
      SLOT(ICoreWebView2HttpResponseHeaders, 3, AppendHeader(L"", L"")),
      SLOT(ICoreWebView2HttpResponseHeaders, 7, GetIterator(nullptr)),
      SLOT(ICoreWebView2HttpRequestHeaders, 8, GetIterator(nullptr)),
      SLOT(ICoreWebView2Deferral, 3, Complete()),

      SLOT(ICoreWebView2NavigationStartingEventArgs, 3, get_Uri(nullptr)),
      SLOT(ICoreWebView2NavigationStartingEventArgs, 4, get_IsUserInitiated(nullptr)),
      SLOT(ICoreWebView2NavigationStartingEventArgs, 5, get_IsRedirected(nullptr)),
      SLOT(ICoreWebView2NavigationStartingEventArgs, 8, put_Cancel(TRUE)),
      SLOT(ICoreWebView2NavigationStartingEventArgs, 9, get_NavigationId(nullptr)),
      SLOT(ICoreWebView2NavigationCompletedEventArgs, 3, get_IsSuccess(nullptr)),
      SLOT(ICoreWebView2NavigationCompletedEventArgs, 4, get_WebErrorStatus(nullptr)),
      SLOT(ICoreWebView2NavigationCompletedEventArgs, 5, get_NavigationId(nullptr)),
      SLOT(ICoreWebView2SourceChangedEventArgs, 3, get_IsNewDocument(nullptr)),
      SLOT(ICoreWebView2ContentLoadingEventArgs, 3, get_IsErrorPage(nullptr)),
      SLOT(ICoreWebView2ContentLoadingEventArgs, 4, get_NavigationId(nullptr)),
      SLOT(ICoreWebView2NewWindowRequestedEventArgs, 3, get_Uri(nullptr)),
      SLOT(ICoreWebView2NewWindowRequestedEventArgs, 4, put_NewWindow(nullptr)),
      SLOT(ICoreWebView2NewWindowRequestedEventArgs, 6, put_Handled(TRUE)),
      SLOT(ICoreWebView2NewWindowRequestedEventArgs, 7, get_Handled(nullptr)),
      SLOT(ICoreWebView2NewWindowRequestedEventArgs, 8, get_IsUserInitiated(nullptr)),
      SLOT(ICoreWebView2NewWindowRequestedEventArgs, 10, get_WindowFeatures(nullptr)),
      SLOT(ICoreWebView2PermissionRequestedEventArgs, 3, get_Uri(nullptr)),
      SLOT(ICoreWebView2PermissionRequestedEventArgs, 4, get_PermissionKind(nullptr)),
      SLOT(ICoreWebView2PermissionRequestedEventArgs, 5, get_IsUserInitiated(nullptr)),
      SLOT(ICoreWebView2PermissionRequestedEventArgs, 7,
           put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW)),
      SLOT(ICoreWebView2ProcessFailedEventArgs, 3, get_ProcessFailedKind(nullptr)),
      SLOT(ICoreWebView2ScriptDialogOpeningEventArgs, 3, get_Uri(nullptr)),
      SLOT(ICoreWebView2ScriptDialogOpeningEventArgs, 4, get_Kind(nullptr)),
      SLOT(ICoreWebView2ScriptDialogOpeningEventArgs, 5, get_Message(nullptr)),
      SLOT(ICoreWebView2ScriptDialogOpeningEventArgs, 6, Accept()),
      SLOT(ICoreWebView2ScriptDialogOpeningEventArgs, 7, get_DefaultText(nullptr)),
      SLOT(ICoreWebView2ScriptDialogOpeningEventArgs, 9, put_ResultText(L"")),
      SLOT(ICoreWebView2WebMessageReceivedEventArgs, 3, get_Source(nullptr)),
      SLOT(ICoreWebView2WebMessageReceivedEventArgs, 4, get_WebMessageAsJson(nullptr)),
      SLOT(ICoreWebView2WebMessageReceivedEventArgs, 5, TryGetWebMessageAsString(nullptr)),
      SLOT(ICoreWebView2WebResourceRequestedEventArgs, 3, get_Request(nullptr)),
      SLOT(ICoreWebView2WebResourceRequestedEventArgs, 5, put_Response(nullptr)),
      SLOT(ICoreWebView2WebResourceRequestedEventArgs, 7, get_ResourceContext(nullptr)),
      SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, 3, get_KeyEventKind(nullptr)),
      SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, 4, get_VirtualKey(nullptr)),
      SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, 5, get_KeyEventLParam(nullptr)),
      SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, 6, get_PhysicalKeyStatus(nullptr)),
      SLOT(ICoreWebView2AcceleratorKeyPressedEventArgs, 8, put_Handled(TRUE)),
      SLOT(ICoreWebView2MoveFocusRequestedEventArgs, 3, get_Reason(nullptr)),
      SLOT(ICoreWebView2MoveFocusRequestedEventArgs, 5, put_Handled(TRUE)),
      SLOT(ICoreWebView2DevToolsProtocolEventReceivedEventArgs, 3,
           get_ParameterObjectAsJson(nullptr)),
      SLOT(ICoreWebView2WindowFeatures, 12, get_ShouldDisplayScrollBars(nullptr)),
      SLOT(ICoreWebView2DevToolsProtocolEventReceiver, 3,
           add_DevToolsProtocolEventReceived(nullptr, nullptr)),
      SLOT(ICoreWebView2DevToolsProtocolEventReceiver, 4,
           remove_DevToolsProtocolEventReceived(gToken)),

      SLOT(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, 3, Invoke(S_OK, nullptr)),
      SLOT(ICoreWebView2WebMessageReceivedEventHandler, 3, Invoke(nullptr, nullptr)),
  };
  for (const TSlotCase& c : cases) {
    TSlotObject object;
    EXPECT_EQ(c.Call(&object), c.Slot) << c.Method;
  }
}

#undef SLOT

} // namespace
