#pragma once

#include "platform/win32/windows_api.h"

namespace tessera::win32 {

// Owns one GDI object (font, brush, pen, region, bitmap) and deletes it.
template <typename T> class TGdiObject {
public:
  TGdiObject() = default;
  explicit TGdiObject(T handle) : FHandle(handle) {}
  ~TGdiObject() { Reset(); }
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  TGdiObject(TGdiObject&& other) noexcept : FHandle(other.Release()) {}
  TGdiObject& operator=(TGdiObject&& other) noexcept {
    if (this != &other) {
      Reset(other.Release());
    }
    return *this;
  }
  T Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }
  // Gives up ownership, for objects the system takes over (a window region).
  T Release() {
    T handle = FHandle;
    FHandle = nullptr;
    return handle;
  }
  void Reset(T handle = nullptr) {
    if (FHandle != nullptr) {
      DeleteObject(FHandle);
    }
    FHandle = handle;
  }

private:
  T FHandle = nullptr;
};

using TFont = TGdiObject<HFONT>;
using TBrush = TGdiObject<HBRUSH>;
using TPen = TGdiObject<HPEN>;
using TRegion = TGdiObject<HRGN>;
using TBitmap = TGdiObject<HBITMAP>;

// Selects an object into a device context for one scope.
class TSelectObject {
public:
  TSelectObject(HDC dc, HGDIOBJ object) : FDc(dc), FOld(SelectObject(dc, object)) {}
  ~TSelectObject() { SelectObject(FDc, FOld); }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

private:
  HDC FDc;
  HGDIOBJ FOld;
};

// A memory device context compatible with `reference`, holding a bitmap of
// the given size selected for its whole life: the off-screen buffer that
// drawing goes to before one copy to the screen.
class TMemoryCanvas {
public:
  TMemoryCanvas(HDC reference, int width, int height)
      : FDc(CreateCompatibleDC(reference)),
        FBitmap(CreateCompatibleBitmap(reference, width, height)),
        FOld(SelectObject(FDc, FBitmap.Get())) {}
  ~TMemoryCanvas() {
    SelectObject(FDc, FOld);
    DeleteDC(FDc);
  }
  TMemoryCanvas(const TMemoryCanvas&) = delete;
  TMemoryCanvas& operator=(const TMemoryCanvas&) = delete;
  HDC Dc() const { return FDc; }

private:
  HDC FDc;
  TBitmap FBitmap;
  HGDIOBJ FOld;
};

} // namespace tessera::win32
