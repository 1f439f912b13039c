#include "platform/webkitgtk/package_urls.h"

#include "base/ascii.h"

namespace tessera::webkitgtk {

namespace {

constexpr std::string_view kFilePrefix = "file:///";
constexpr std::string_view kEnginePrefix = "tessera://localhost/";
constexpr std::string_view kEngineRoot = "tessera://localhost";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         AsciiLowerCase(std::string(text.substr(0, prefix.size()))) == prefix;
}

} // namespace

std::string ToEngineUri(std::string_view uri) {
  if (!StartsWithNoCase(uri, kFilePrefix))
    return std::string(uri);
  return std::string(kEnginePrefix) + std::string(uri.substr(kFilePrefix.size()));
}

std::string ToPortableUri(std::string_view uri) {
  if (StartsWithNoCase(uri, kEnginePrefix))
    return std::string(kFilePrefix) + std::string(uri.substr(kEnginePrefix.size()));
  // The bare origin, as in a window's location before any path.
  if (uri.size() == kEngineRoot.size() && StartsWithNoCase(uri, kEngineRoot))
    return std::string(kFilePrefix);
  return std::string(uri);
}

bool MatchesUriPattern(std::string_view pattern, std::string_view uri) {
  // Greedy matching with one remembered star: linear in practice and never
  // recursive, whatever the pattern.
  std::size_t p = 0;
  std::size_t u = 0;
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (u < uri.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = u;
    } else if (p < pattern.size() && pattern[p] == uri[u]) {
      ++p;
      ++u;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      u = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

} // namespace tessera::webkitgtk
