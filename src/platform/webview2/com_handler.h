#pragma once

#include "platform/webview2/com_ptr.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <exception>
#include <functional>
#include <new>
#include <utility>

namespace tessera::webview2 {

// Tells the user about an exception that a COM or window callback stopped
// before it could unwind into the engine or the system.
inline void ReportCallbackException(const char* where) noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tessera: %s failed: %s\n", where, e.what());
  } catch (...) {
    std::fprintf(stderr, "tessera: %s failed with an unknown exception\n", where);
  }
}

template <class TInterface, class TInvoke = decltype(&TInterface::Invoke)> class TComHandler;

// A COM object implementing one handler interface (completion or event) of
// the engine: its Invoke forwards the arguments to a function. The engine
// keeps references to the handlers it stores, so the count is real and the
// object frees itself on the last Release. No exception leaves Invoke: it is
// reported on standard error and the engine is answered S_OK.
template <class TInterface, class... TArgs>
class TComHandler<TInterface, ::HRESULT (STDMETHODCALLTYPE TInterface::*)(TArgs...)> final
    : public TInterface {
public:
  using TFunction = std::function<::HRESULT(TArgs...)>;

  // The new handler, with its one reference held by the answer.
  static TComPtr<TInterface> Create(TFunction function) {
    return TComPtr<TInterface>::Attach(new TComHandler(std::move(function)));
  }

  ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr)
      return E_POINTER;
    if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(TInterface))) {
      *object = static_cast<TInterface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --FReferences;
    if (left == 0)
      delete this;
    return left;
  }

  ::HRESULT STDMETHODCALLTYPE Invoke(TArgs... args) override {
    try {
      if (FFunction)
        return FFunction(args...);
    } catch (...) {
      ReportCallbackException("a web view handler");
    }
    return S_OK;
  }

private:
  explicit TComHandler(TFunction function) : FFunction(std::move(function)) {}
  ~TComHandler() = default;

  std::atomic<ULONG> FReferences{1};
  TFunction FFunction;
};

// A handler for interface TInterface calling `function` (any callable
// taking the Invoke arguments and answering an HRESULT).
template <class TInterface, class TCallable> TComPtr<TInterface> MakeHandler(TCallable&& function) {
  return TComHandler<TInterface>::Create(std::forward<TCallable>(function));
}

} // namespace tessera::webview2
