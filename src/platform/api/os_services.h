#pragma once

#include "base/system_mime_types.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {

// Everything the portable code needs from the operating system. One
// implementation per platform (win32, posix) and an in-memory fake for tests;
// the composition root picks one and hands it down.
class OsServices {
public:
  virtual ~OsServices() = default;

  // Full UTF-8 path of the running executable's file.
  virtual std::string GetExecutablePath() = 0;

  // The process's command-line arguments in UTF-8, the program path first.
  virtual std::vector<std::string> GetCommandLineArguments() = 0;

  // Decodes text that carries no byte order mark in the system's ANSI code
  // page (Windows) or the user's locale encoding (Linux); returns UTF-8.
  virtual std::string DecodeAnsiText(std::string_view bytes) = 0;

  // The system's MIME database: HKEY_CLASSES_ROOT on Windows; nothing on
  // Linux. Read fresh on every call; callers cache.
  virtual TSystemMimeTypes ReadMimeDatabase() = 0;

  // A system message box with the error icon, owned by the active window.
  virtual void ShowErrorBox(const std::string& text, const std::string& caption) = 0;

  // Ends the process with the exit code. Never returns (the fake throws).
  [[noreturn]] virtual void ExitProcess(int code) = 0;
};

// The platform's own services, from the backend chosen at configure time.
std::unique_ptr<OsServices> CreateOsServices();

} // namespace tessera
