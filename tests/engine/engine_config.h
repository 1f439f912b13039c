#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace tessera::engine {

// What a test asks of the engine, read from the process environment each
// time an environment is created (and by the version query):
//   TESSERA_ENGINE_LOG     file to append the call log to (absent: no log)
//   TESSERA_ENGINE_SCRIPT  the page script played on each navigation
//   TESSERA_ENGINE_FAIL    failure switches, "name:code[,name:code…]"
//   TESSERA_ENGINE_RUNTIME_MARKER
//                          a file whose existence stands for an installed
//                          browser runtime (absent: always installed)
struct TEngineConfig {
  std::wstring LogPath;
  std::wstring ScriptPath;
  std::wstring RuntimeMarkerPath;
  // Keyed by the method name as the log writes it, after the short names
  // (environment, controller, getwebview, …) have been resolved.
  std::map<std::string, std::int32_t> Failures;
  // Switches that could not be read, reported in the log once it is open.
  std::string FailureErrors;

  static TEngineConfig FromEnvironment();

  std::optional<std::int32_t> FailureFor(const std::string& name) const;
  // False only while a runtime marker is named and no file is there.
  bool RuntimeInstalled() const;
};

// Reads one variable of the process environment; empty when unset.
std::wstring ReadEnvironmentVariable(const wchar_t* name);

// Parses "name:code[,name:code…]"; unreadable entries are described in
// `errors`. Codes are hex with 0x or decimal.
std::map<std::string, std::int32_t> ParseFailureSwitches(const std::string& text,
                                                         std::string& errors);

} // namespace tessera::engine
