#include "engine_log.h"

#include "platform/win32/windows_api.h"

#include <cstdio>
#include <iostream>

namespace tessera::engine {

void TEngineLog::Write(std::string_view line) const {
  if (FPath.empty())
    return;
  std::string text(line);
  text += '\n';
  // Opened for each line: appends from several processes land whole, and a
  // test may delete or truncate the file between two runs of the host.
  HANDLE file = CreateFileW(FPath.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::cerr << "tessera engine: cannot open the log file\n";
    return;
  }
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

std::string TEngineLog::Quote(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
    case '"':
      out += "\\\"";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\t':
      out += "\\t";
      break;
    default:
      if (static_cast<unsigned char>(c) < 0x20) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
        out += escaped;
      } else {
        out += c;
      }
    }
  }
  out += '"';
  return out;
}

std::string TEngineLog::RestOfLine(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string TEngineLog::Hex(std::int32_t code) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(code));
  return text;
}

} // namespace tessera::engine
