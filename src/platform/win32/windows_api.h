#pragma once

// The one gateway to <windows.h>: every Win32 source includes this, so the
// macros that trim the header are set in one place.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace tessera::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Owns a registry key handle.
class TRegKey {
public:
  TRegKey() = default;
  explicit TRegKey(HKEY key) : FKey(key) {}
  ~TRegKey() { Reset(); }
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;
  TRegKey(TRegKey&& other) noexcept : FKey(other.FKey) { other.FKey = nullptr; }
  TRegKey& operator=(TRegKey&& other) noexcept {
    if (this != &other) {
      Reset();
      FKey = other.FKey;
      other.FKey = nullptr;
    }
    return *this;
  }
  HKEY Get() const { return FKey; }
  HKEY* Receive() {
    Reset();
    return &FKey;
  }
  explicit operator bool() const { return FKey != nullptr; }
  void Reset() {
    if (FKey != nullptr) {
      RegCloseKey(FKey);
      FKey = nullptr;
    }
  }

private:
  HKEY FKey = nullptr;
};

} // namespace tessera::win32
