#pragma once

#include "platform/webview2/com_ptr.h"
#include "platform/webview2/webview2_interfaces.h"

#include <atomic>

namespace tessera::engine {

using webview2::TComPtr;

// The engine's side of one COM interface: a real reference count (the
// object goes with its last Release) and QueryInterface answering IUnknown
// and the interface itself, as the runtime's objects do.
#pragma GCC diagnostic push
// MinGW's IUnknown has a public non-virtual destructor; objects are only
// ever deleted through TComObject, whose destructor is virtual.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <class I> class TComObject : public I {
public:
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr)
      return E_POINTER;
    if (IsEqualIID(riid, __uuidof(IUnknown)) || IsEqualIID(riid, __uuidof(I))) {
      *object = static_cast<I*>(this);
      this->AddRef();
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

protected:
  TComObject() = default;
  virtual ~TComObject() = default;

private:
  std::atomic<ULONG> FReferences{0};
};
#pragma GCC diagnostic pop

// Makes an engine object and hands out the first reference.
template <class T, class... Args> TComPtr<T> MakeObject(Args&&... args) {
  return TComPtr<T>(new T(std::forward<Args>(args)...));
}

} // namespace tessera::engine
