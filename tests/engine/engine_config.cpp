#include "engine_config.h"

#include "platform/win32/windows_api.h"

#include <cerrno>
#include <cstdlib>

namespace tessera::engine {

std::wstring ReadEnvironmentVariable(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0)
    return {};
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < size ? length : 0);
  return value;
}

namespace {

// Short names for the switches tests use most; any other name is taken as
// the method name itself (put_Bounds, Navigate, …).
std::string ResolveSwitchName(const std::string& name) {
  static const std::map<std::string, std::string> kAliases = {
      {"environment", "CreateCoreWebView2Environment"},
      {"environment-completed", "EnvironmentCompleted"},
      {"controller-call", "CreateCoreWebView2Controller"},
      {"controller", "ControllerCompleted"},
      {"getwebview", "get_CoreWebView2"},
      {"settings", "get_Settings"},
      {"version", "GetAvailableCoreWebView2BrowserVersionString"},
  };
  const auto it = kAliases.find(name);
  return it == kAliases.end() ? name : it->second;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos)
    return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

} // namespace

std::map<std::string, std::int32_t> ParseFailureSwitches(const std::string& text,
                                                         std::string& errors) {
  std::map<std::string, std::int32_t> failures;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos)
      end = text.size();
    const std::string entry = Trim(text.substr(start, end - start));
    start = end + 1;
    if (entry.empty())
      continue;
    const auto colon = entry.find(':');
    const std::string name = colon == std::string::npos ? "" : Trim(entry.substr(0, colon));
    const std::string code = colon == std::string::npos ? "" : Trim(entry.substr(colon + 1));
    char* stop = nullptr;
    errno = 0;
    const unsigned long long value = code.empty() ? 0 : std::strtoull(code.c_str(), &stop, 0);
    if (name.empty() || code.empty() || *stop != '\0' || errno != 0 || value > 0xFFFFFFFFull) {
      errors += (errors.empty() ? "" : ", ") + entry;
      continue;
    }
    failures[ResolveSwitchName(name)] =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  return failures;
}

TEngineConfig TEngineConfig::FromEnvironment() {
  TEngineConfig config;
  config.LogPath = ReadEnvironmentVariable(L"TESSERA_ENGINE_LOG");
  config.ScriptPath = ReadEnvironmentVariable(L"TESSERA_ENGINE_SCRIPT");
  config.RuntimeMarkerPath = ReadEnvironmentVariable(L"TESSERA_ENGINE_RUNTIME_MARKER");
  const std::wstring failures = ReadEnvironmentVariable(L"TESSERA_ENGINE_FAIL");
  config.Failures = ParseFailureSwitches(win32::Narrow(failures), config.FailureErrors);
  return config;
}

std::optional<std::int32_t> TEngineConfig::FailureFor(const std::string& name) const {
  const auto it = Failures.find(name);
  if (it == Failures.end())
    return std::nullopt;
  return it->second;
}

bool TEngineConfig::RuntimeInstalled() const {
  return RuntimeMarkerPath.empty() ||
         GetFileAttributesW(RuntimeMarkerPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace tessera::engine
