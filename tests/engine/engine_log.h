#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessera::engine {

// The record of what the host asked of the engine: one line per call or
// event, UTF-8, appended and flushed line by line so that a test can read the
// file while the host still runs, and several processes can share it.
//
// Field rules, so that shell greps and C++ tests can rely on them:
// - fields are separated by one space;
// - text that may hold spaces (reasons, headers, body previews, titles) is
//   written as a JSON string literal (Quote);
// - a free-text field that ends the line (URIs, JSON, script text) is written
//   as it is, except that CR and LF become the two characters \r and \n
//   (RestOfLine);
// - result codes are 0x followed by eight upper-case hex digits (Hex).
class TEngineLog {
public:
  TEngineLog() = default;
  explicit TEngineLog(std::wstring path) : FPath(std::move(path)) {}

  bool Enabled() const { return !FPath.empty(); }
  void Write(std::string_view line) const;

  static std::string Quote(std::string_view text);
  static std::string RestOfLine(std::string_view text);
  static std::string Hex(std::int32_t code);

private:
  std::wstring FPath;
};

} // namespace tessera::engine
