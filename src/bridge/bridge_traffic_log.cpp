#include "bridge/bridge_traffic_log.h"

#include <cstdio>

namespace tessera {

TBridgeTrafficLog::TBridgeTrafficLog(const std::string& path) : FFile(OpenNativeFile(path, "ab")) {
  if (!FFile) {
    std::fprintf(stderr, "tessera: cannot open the bridge log %s\n", path.c_str());
    return;
  }
  // Unbuffered, each line goes to the system in one write, whatever its
  // length: appends from several processes stay whole.
  std::setvbuf(FFile.get(), nullptr, _IONBF, 0);
}

void TBridgeTrafficLog::Write(std::string_view prefix, std::string_view text) noexcept {
  if (!FFile)
    return;
  try {
    std::string line;
    line.reserve(prefix.size() + text.size() + 1);
    line.append(prefix);
    for (const char c : text)
      line.push_back(c == '\n' || c == '\r' ? ' ' : c);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), FFile.get());
  } catch (...) {
    // A log that cannot be written must not disturb the bridge.
  }
}

} // namespace tessera
