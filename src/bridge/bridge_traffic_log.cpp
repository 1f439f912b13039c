#include "bridge/bridge_traffic_log.h"

#include "base/utf.h"

#include <iostream>

namespace tessera {

TBridgeTrafficLog::TBridgeTrafficLog(const std::string& path) {
  FFile.open(PathFromUtf8(path), std::ios::out | std::ios::app | std::ios::binary);
  if (!FFile.is_open())
    std::cerr << "tessera: cannot open the bridge log " << path << '\n';
}

void TBridgeTrafficLog::Write(std::string_view prefix, std::string_view text) noexcept {
  if (!FFile.is_open())
    return;
  try {
    std::string line;
    line.reserve(prefix.size() + text.size() + 1);
    line.append(prefix);
    for (const char c : text)
      line.push_back(c == '\n' || c == '\r' ? ' ' : c);
    line.push_back('\n');
    // One write per line: appends from several processes stay whole.
    FFile.write(line.data(), static_cast<std::streamsize>(line.size()));
    FFile.flush();
  } catch (...) {
    // A log that cannot be written must not disturb the bridge.
  }
}

} // namespace tessera
