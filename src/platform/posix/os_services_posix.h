#pragma once

#include "platform/api/os_services.h"

namespace tessera {

class PosixOsServices final : public OsServices {
public:
  std::string GetExecutablePath() override;
  std::vector<std::string> GetCommandLineArguments() override;
  std::string DecodeAnsiText(std::string_view bytes) override;
  TSystemMimeTypes ReadMimeDatabase() override;
  void ShowErrorBox(const std::string& text, const std::string& caption) override;
  [[noreturn]] void ExitProcess(int code) override;
};

} // namespace tessera
