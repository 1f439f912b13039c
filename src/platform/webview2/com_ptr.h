#pragma once

#include "platform/win32/windows_api.h"

#include <objbase.h>

#include <cstddef>
#include <utility>

namespace tessera::webview2 {

// Holds one reference on a COM object and releases it when it goes.
// Constructing from a raw pointer takes a new reference (the caller keeps
// its own); Attach adopts a reference the caller already owns, and Receive
// hands out the slot an engine call fills with an AddRef'd out pointer.
template <class T> class TComPtr {
public:
  TComPtr() noexcept = default;
  TComPtr(std::nullptr_t) noexcept {}
  explicit TComPtr(T* object) noexcept : FObject(object) {
    if (FObject != nullptr)
      FObject->AddRef();
  }
  TComPtr(const TComPtr& other) noexcept : TComPtr(other.FObject) {}
  TComPtr(TComPtr&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  ~TComPtr() { Reset(); }

  TComPtr& operator=(const TComPtr& other) noexcept {
    TComPtr(other).Swap(*this);
    return *this;
  }
  TComPtr& operator=(TComPtr&& other) noexcept {
    TComPtr(std::move(other)).Swap(*this);
    return *this;
  }
  TComPtr& operator=(std::nullptr_t) noexcept {
    Reset();
    return *this;
  }

  static TComPtr Attach(T* owned) noexcept {
    TComPtr result;
    result.FObject = owned;
    return result;
  }
  // Gives up the reference without releasing it.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(FObject, nullptr); }

  void Reset() noexcept {
    if (T* object = std::exchange(FObject, nullptr))
      object->Release();
  }
  // Releases what is held and answers the slot for an out parameter.
  T** Receive() noexcept {
    Reset();
    return &FObject;
  }

  T* Get() const noexcept { return FObject; }
  T* operator->() const noexcept { return FObject; }
  T& operator*() const noexcept { return *FObject; }
  explicit operator bool() const noexcept { return FObject != nullptr; }

  void Swap(TComPtr& other) noexcept { std::swap(FObject, other.FObject); }

  // Asks the object for another of its interfaces.
  template <class U> HRESULT QueryInterface(TComPtr<U>& target) const noexcept {
    if (FObject == nullptr) {
      target.Reset();
      return E_POINTER;
    }
    return FObject->QueryInterface(__uuidof(U), reinterpret_cast<void**>(target.Receive()));
  }
  template <class U> TComPtr<U> As() const noexcept {
    TComPtr<U> target;
    QueryInterface(target);
    return target;
  }

  friend bool operator==(const TComPtr& a, const TComPtr& b) noexcept {
    return a.FObject == b.FObject;
  }
  friend bool operator==(const TComPtr& a, std::nullptr_t) noexcept { return !a; }

private:
  T* FObject = nullptr;
};

} // namespace tessera::webview2
