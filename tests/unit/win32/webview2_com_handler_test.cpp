// The handler objects handed to the browser engine: real COM reference
// counting, QueryInterface for IUnknown and their own interface, and no
// exception escaping Invoke.
#include "platform/webview2/com_handler.h"
#include "platform/webview2/webview2_interfaces.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace tessera::webview2 {
namespace {

using TScriptHandler = ICoreWebView2ExecuteScriptCompletedHandler;

TEST(ComHandler, CountsReferencesAndFreesItsFunctionOnTheLastRelease) {
  auto capture = std::make_shared<int>(0);
  std::weak_ptr<int> alive = capture;
  TComPtr<TScriptHandler> handler =
      MakeHandler<TScriptHandler>([capture](::HRESULT, LPCWSTR) -> ::HRESULT { return S_OK; });
  capture.reset();

  TScriptHandler* raw = handler.Detach();
  EXPECT_EQ(raw->AddRef(), 2u);
  EXPECT_EQ(raw->Release(), 1u);
  EXPECT_FALSE(alive.expired());
  EXPECT_EQ(raw->Release(), 0u);
  EXPECT_TRUE(alive.expired());
}

TEST(ComHandler, AnswersQueryInterfaceForIUnknownAndItsOwnInterfaceOnly) {
  TComPtr<TScriptHandler> handler =
      MakeHandler<TScriptHandler>([](::HRESULT, LPCWSTR) -> ::HRESULT { return S_OK; });

  for (const IID& iid : {__uuidof(IUnknown), __uuidof(TScriptHandler)}) {
    void* object = nullptr;
    ASSERT_EQ(handler->QueryInterface(iid, &object), S_OK);
    EXPECT_EQ(object, static_cast<void*>(handler.Get()));
    // The answer holds its own reference.
    EXPECT_EQ(handler->AddRef(), 3u);
    handler->Release();
    static_cast<IUnknown*>(object)->Release();
  }

  // Another handler's interface (same shape, different IID) is refused.
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(handler->QueryInterface(
                __uuidof(ICoreWebView2CallDevToolsProtocolMethodCompletedHandler), &object),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(handler->QueryInterface(__uuidof(IUnknown), nullptr), E_POINTER);
  EXPECT_EQ(handler->AddRef(), 2u);
  handler->Release();
}

TEST(ComHandler, InvokeForwardsTheArgumentsAndTheAnswer) {
  ::HRESULT seenCode = S_OK;
  std::wstring seenText;
  TComPtr<TScriptHandler> handler =
      MakeHandler<TScriptHandler>([&](::HRESULT code, LPCWSTR text) -> ::HRESULT {
        seenCode = code;
        seenText = text;
        return E_ABORT;
      });
  // Through the interface, as the engine calls it.
  TScriptHandler* engineView = handler.Get();
  EXPECT_EQ(engineView->Invoke(E_ACCESSDENIED, L"{\"a\":1}"), E_ABORT);
  EXPECT_EQ(seenCode, E_ACCESSDENIED);
  EXPECT_EQ(seenText, L"{\"a\":1}");
}

TEST(ComHandler, ExceptionsInInvokeAreReportedAndAnsweredWithSuccess) {
  struct TCase {
    const char* Name;
    std::function<void()> Throw;
    const char* Reported;
  };
  const TCase cases[] = {
      {"standard exception", [] { throw std::runtime_error("page handler broke"); },
       "page handler broke"},
      {"anything else", [] { throw 7; }, "unknown exception"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TComPtr<TScriptHandler> handler =
        MakeHandler<TScriptHandler>([&](::HRESULT, LPCWSTR) -> ::HRESULT {
          c.Throw();
          return E_FAIL;
        });
    testing::internal::CaptureStderr();
    EXPECT_EQ(handler->Invoke(S_OK, L""), S_OK);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find(c.Reported), std::string::npos) << errors;
  }
}

} // namespace
} // namespace tessera::webview2
