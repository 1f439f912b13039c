#pragma once

#include "base/native_file.h"

#include <string>
#include <string_view>

namespace tessera {

// A debugging aid: a file that receives the bridge's traffic as it
// happens, one line per message: "<- " and the request text the page
// posted, "-> " and the reply posted back, "js " and a script run in the
// page. Lines are appended and flushed one by one, so the file can be read
// while the application runs and several processes may share it. Line
// breaks inside a text become blanks, which keeps JSON texts valid.
class TBridgeTrafficLog {
public:
  // Opens `path` (UTF-8) for appending; when it cannot be opened, says so on
  // standard error and logs nothing.
  explicit TBridgeTrafficLog(const std::string& path);
  TBridgeTrafficLog(const TBridgeTrafficLog&) = delete;
  TBridgeTrafficLog& operator=(const TBridgeTrafficLog&) = delete;

  bool IsOpen() const { return FFile != nullptr; }

  void Received(std::string_view request) noexcept { Write("<- ", request); }
  void Posted(std::string_view reply) noexcept { Write("-> ", reply); }
  void Script(std::string_view script) noexcept { Write("js ", script); }

private:
  void Write(std::string_view prefix, std::string_view text) noexcept;

  TFilePtr FFile;
};

} // namespace tessera
