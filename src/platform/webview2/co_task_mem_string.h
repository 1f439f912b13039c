#pragma once

#include "platform/win32/windows_api.h"

#include <objbase.h>

#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace tessera::webview2 {

// A UTF-16 string the engine allocated with the COM task allocator; freed
// with CoTaskMemFree when it goes.
class TCoTaskMemString {
public:
  TCoTaskMemString() = default;
  ~TCoTaskMemString() { Reset(); }
  TCoTaskMemString(const TCoTaskMemString&) = delete;
  TCoTaskMemString& operator=(const TCoTaskMemString&) = delete;
  TCoTaskMemString(TCoTaskMemString&& other) noexcept
      : FText(std::exchange(other.FText, nullptr)) {}
  TCoTaskMemString& operator=(TCoTaskMemString&& other) noexcept {
    if (this != &other) {
      Reset();
      FText = std::exchange(other.FText, nullptr);
    }
    return *this;
  }

  // Frees what is held and answers the slot for an out parameter.
  LPWSTR* Receive() noexcept {
    Reset();
    return &FText;
  }
  void Reset() noexcept {
    if (FText != nullptr) {
      CoTaskMemFree(FText);
      FText = nullptr;
    }
  }
  // Gives the string away, e.g. to return it from an out parameter.
  [[nodiscard]] LPWSTR Detach() noexcept { return std::exchange(FText, nullptr); }

  LPCWSTR Get() const noexcept { return FText; }
  explicit operator bool() const noexcept { return FText != nullptr; }
  // The text as UTF-8; empty when nothing is held.
  std::string Utf8() const { return FText != nullptr ? win32::Narrow(FText) : std::string(); }

private:
  LPWSTR FText = nullptr;
};

// A copy of `text` in memory from the COM task allocator, for strings handed
// out through LPWSTR* out parameters; null when out of memory.
inline LPWSTR CoTaskMemCopy(std::wstring_view text) noexcept {
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (copy != nullptr) {
    if (!text.empty())
      std::memcpy(copy, text.data(), text.size() * sizeof(wchar_t));
    copy[text.size()] = L'\0';
  }
  return copy;
}

} // namespace tessera::webview2
