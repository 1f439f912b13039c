#pragma once

#include "platform/api/os_services.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace tessera {

// Thrown by FakeOsServices::ExitProcess so tests can see a process end.
struct TFakeProcessExit : std::runtime_error {
  explicit TFakeProcessExit(int exitCode) : std::runtime_error("process exit"), Code(exitCode) {}
  int Code;
};

// In-memory OS services for unit tests: every answer is a public field the
// test sets, every request is recorded.
class FakeOsServices final : public OsServices {
public:
  struct TMessageBox {
    std::string Text;
    std::string Caption;
  };

  std::string ExecutablePath;
  std::vector<std::string> CommandLine;
  // Decoding table for DecodeAnsiText: byte >= 0x80 maps to this code page
  // (Windows-1252 by default, the common western ANSI page).
  bool AnsiIsLatin1 = false;
  TSystemMimeTypes MimeDatabase;
  int MimeDatabaseReads = 0;
  std::vector<TMessageBox> MessageBoxes;

  std::string GetExecutablePath() override { return ExecutablePath; }
  std::vector<std::string> GetCommandLineArguments() override { return CommandLine; }
  std::string DecodeAnsiText(std::string_view bytes) override;
  TSystemMimeTypes ReadMimeDatabase() override {
    ++MimeDatabaseReads;
    return MimeDatabase;
  }
  void ShowErrorBox(const std::string& text, const std::string& caption) override {
    MessageBoxes.push_back({text, caption});
  }
  [[noreturn]] void ExitProcess(int code) override { throw TFakeProcessExit(code); }
};

} // namespace tessera
