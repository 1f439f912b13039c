#include "platform/api/registry_key_path.h"

#include "base/ascii.h"

namespace tessera {

namespace {

std::string_view UpToNul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

} // namespace

std::optional<std::string> CanonicalRegistryKey(std::string_view key) {
  key = UpToNul(key);
  if (key.starts_with('\\')) {
    key.remove_prefix(1);
    if (key.starts_with('\\')) {
      return std::nullopt;
    }
  }
  std::string path;
  while (!key.empty()) {
    const size_t end = key.find('\\');
    const std::string_view part = key.substr(0, end);
    if (!part.empty()) {
      if (!path.empty()) {
        path += '\\';
      }
      path += AsciiLowerCase(part);
    }
    key.remove_prefix(end == std::string_view::npos ? key.size() : end + 1);
  }
  return path;
}

std::string CanonicalRegistryValueName(std::string_view name) {
  return AsciiLowerCase(UpToNul(name));
}

std::vector<std::string> RegistryKeyLineage(std::string_view canonicalKey) {
  std::vector<std::string> lineage;
  if (canonicalKey.empty()) {
    return lineage;
  }
  for (size_t end = canonicalKey.find('\\'); end != std::string_view::npos;
       end = canonicalKey.find('\\', end + 1)) {
    lineage.emplace_back(canonicalKey.substr(0, end));
  }
  lineage.emplace_back(canonicalKey);
  return lineage;
}

} // namespace tessera
