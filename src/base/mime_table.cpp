#include "base/mime_table.h"

#include "base/ascii.h"

namespace tessera {

namespace {

// The extension part of a line: everything before its first "=".
std::string_view LineName(std::string_view line) {
  return line.substr(0, line.find('='));
}

// The ordered line list with "set the line for an extension" in constant
// time: a registry can hold thousands of extension keys, and a linear search
// per key would make the merge quadratic.
class TLineList {
public:
  explicit TLineList(std::span<const std::string_view> initial) {
    FLines.reserve(initial.size());
    for (std::string_view line : initial) {
      Append(std::string(line));
    }
  }

  // Replaces the first line whose name is extension, or appends one. A name
  // that itself holds "=" never equals any line's name (names end before the
  // first "="), so such a setting always appends, as a plain search would.
  void Set(const std::string& extension, const std::string& type) {
    std::string line = extension + "=" + type;
    const auto it = FFirstByName.find(extension);
    if (it != FFirstByName.end()) {
      FLines[it->second] = std::move(line);
    } else {
      Append(std::move(line));
    }
  }

  std::vector<std::string> Take() { return std::move(FLines); }

private:
  void Append(std::string line) {
    // emplace keeps an existing entry: the index always points at the first
    // line of a name.
    FFirstByName.emplace(std::string(LineName(line)), FLines.size());
    FLines.push_back(std::move(line));
  }

  std::vector<std::string> FLines;
  std::unordered_map<std::string, size_t> FFirstByName;
};

} // namespace

std::vector<std::string> TMimeTable::MergeLines(const TSystemMimeTypes& system) {
  TLineList lines(BuiltinLines());
  for (const auto& [key, contentType] : system.ContentTypes) {
    if (key.empty() || key[0] != '.' || contentType.empty()) {
      continue;
    }
    lines.Set(AsciiLowerCase(key), AsciiLowerCase(contentType));
  }
  for (const auto& [typeName, extensionValue] : system.Extensions) {
    std::string extension = AsciiLowerCase(extensionValue);
    // A type key without a name cannot happen in a registry; a line with an
    // empty type would be dropped on load anyway, so it must not replace one.
    if (extension.empty() || typeName.empty()) {
      continue;
    }
    if (extension[0] != '.') {
      extension.insert(extension.begin(), '.');
    }
    lines.Set(extension, AsciiLowerCase(typeName));
  }
  return lines.Take();
}

TMimeTable::TMimeTable(const TSystemMimeTypes& system) {
  Load(MergeLines(system));
}

void TMimeTable::Load(const std::vector<std::string>& lines) {
  FExtensions.reserve(lines.size());
  FTypes.reserve(lines.size());
  FIndex.reserve(lines.size());
  for (const std::string& line : lines) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      continue; // every line is built as "name=type"; kept for safety
    }
    std::string extension = AsciiLowerCase(std::string_view(line).substr(0, equals));
    std::string type = AsciiLowerCase(std::string_view(line).substr(equals + 1));
    if (extension.empty() || type.empty()) {
      continue;
    }
    if (extension[0] != '.') {
      extension.insert(extension.begin(), '.');
    }
    if (!FIndex.emplace(extension, FExtensions.size()).second) {
      continue; // the first line for an extension wins
    }
    FExtensions.push_back(std::move(extension));
    FTypes.push_back(std::move(type));
  }
}

std::string_view TMimeTable::ExtractExtension(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos ||
      fileName.find_first_of("\\:", dot + 1) != std::string_view::npos) {
    return {};
  }
  return fileName.substr(dot);
}

std::string_view TMimeTable::TypeOfExtension(std::string_view extension) const {
  if (extension.empty()) {
    return kDefaultType;
  }
  const auto it = FIndex.find(AsciiLowerCase(extension));
  return it == FIndex.end() ? kDefaultType : std::string_view(FTypes[it->second]);
}

std::string_view TMimeTable::TypeOfFile(std::string_view fileName) const {
  return TypeOfExtension(ExtractExtension(fileName));
}

} // namespace tessera
