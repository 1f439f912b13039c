#pragma once

#include "platform/win32/windows_api.h"

#include <objbase.h>

#include <utility>

namespace tessera::win32 {

// Holds one reference on a COM object and releases it when it goes; the
// reference comes from a call's out parameter (Receive).
template <class T> class TComRef {
public:
  TComRef() = default;
  ~TComRef() { Reset(); }
  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;
  TComRef(TComRef&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  TComRef& operator=(TComRef&& other) noexcept {
    if (this != &other) {
      Reset();
      FObject = std::exchange(other.FObject, nullptr);
    }
    return *this;
  }

  T* operator->() const { return FObject; }
  T* Get() const { return FObject; }
  explicit operator bool() const { return FObject != nullptr; }

  void Reset() {
    if (T* object = std::exchange(FObject, nullptr)) {
      object->Release();
    }
  }
  // The slot an out parameter fills; what was held is released first.
  T** Receive() {
    Reset();
    return &FObject;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

private:
  T* FObject = nullptr;
};

// Owns a text the system allocated with CoTaskMemAlloc.
class TCoTaskMemText {
public:
  TCoTaskMemText() = default;
  ~TCoTaskMemText() { CoTaskMemFree(FText); }
  TCoTaskMemText(const TCoTaskMemText&) = delete;
  TCoTaskMemText& operator=(const TCoTaskMemText&) = delete;
  const wchar_t* Get() const { return FText; }
  // The slot an out parameter fills; only called on an empty text.
  PWSTR* Receive() { return &FText; }

private:
  PWSTR FText = nullptr;
};

} // namespace tessera::win32
