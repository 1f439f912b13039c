#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tessera::testing {

// Points XDG_RUNTIME_DIR (Linux: where lock and token files go) at a folder
// for one test, then back, and makes the folder private as a runtime folder
// is (one that others may enter is not used); does nothing on Windows.
class TScopedRuntimeDir {
public:
  explicit TScopedRuntimeDir(const std::string& folder) {
#ifndef _WIN32
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    FOld = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    chmod(folder.c_str(), 0700);
#else
    (void)folder;
#endif
  }
  ~TScopedRuntimeDir() {
#ifndef _WIN32
    if (FOld)
      setenv("XDG_RUNTIME_DIR", FOld->c_str(), 1);
    else
      unsetenv("XDG_RUNTIME_DIR");
#endif
  }
  TScopedRuntimeDir(const TScopedRuntimeDir&) = delete;
  TScopedRuntimeDir& operator=(const TScopedRuntimeDir&) = delete;

private:
  std::optional<std::string> FOld;
};

} // namespace tessera::testing
