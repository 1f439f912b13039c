#include "platform/posix/mime_types_file.h"

#include <string>

namespace tessera {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

TSystemMimeTypes ParseMimeTypesFile(std::string_view text) {
  TSystemMimeTypes result;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = line.substr(0, line.find('#'));

    std::string type;
    size_t pos = 0;
    while (pos < line.size()) {
      while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
      const size_t start = pos;
      while (pos < line.size() && !IsBlank(line[pos]))
        ++pos;
      if (pos == start)
        break;
      const std::string_view word = line.substr(start, pos - start);
      if (type.empty())
        type = word;
      else
        result.ContentTypes.emplace_back(std::string(1, '.').append(word), type);
    }
  }
  return result;
}

} // namespace tessera
