#pragma once

#include "platform/api/os_services.h"
#include "platform/win32/kernel_handle.h"

namespace tessera {

class Win32OsServices final : public OsServices {
public:
  std::string GetExecutablePath() override;
  std::vector<std::string> GetCommandLineArguments() override;
  std::string DecodeAnsiText(std::string_view bytes) override;
  TSystemMimeTypes ReadMimeDatabase() override;
  std::string GetUserLanguage() override;
  std::string GetDecimalSeparator() override;
  int CompareTextInUserLocale(std::string_view a, std::string_view b) override;
  char PathDelimiter() const override { return '\\'; }
  std::string GetLocalAppDataDirPath() override;
  // Processes, copies, shortcuts, keys and names (os_services_win32_extras.cpp).
  std::uint32_t ExecAndWait(const std::string& commandLine) override;
  bool ExecCmd(const std::string& commandLine, bool wait) override;
  std::string GetPaintProgramPath() override;
  bool CopyFileTo(const std::string& from, const std::string& to) override;
  bool CopyDirectoryTo(const std::string& from, const std::string& to) override;
  std::string GetLnkFilePath(const std::string& shortcutPath) override;
  bool ExtractFileIcon(const std::string& path, int& width, int& height,
                       std::vector<std::uint8_t>& pixels) override;
  bool PressKey(std::uint16_t virtualKey) override;
  std::string GetComputerNetName() override;
  std::string GetSignedInUserName() override;
  std::string GetProgramFilesDirPath() override;
  std::string GetSystemAppsDirPath() override;
  bool IsPathNameRejected(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool ForceDirectories(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool LoadBytesFromFile(const std::string& path, std::string& bytes) override;
  bool SaveBytesToFile(const std::string& path, std::string_view bytes) override;
  bool DeleteDirectory(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  std::vector<TDirEntry> ListDirectory(const std::string& path) override;
  std::string GetFileIdentity(const std::string& path) override;
  std::string GetTempDirPath() override;
  std::string GetUserDocumentsDirPath() override;
  std::string GetUserDesktopDirPath() override;
  std::string GetUserAppDataDirPath() override;
  std::string GetDosOutput(const std::string& command, const std::string& workingDir,
                           bool showWindow) override;
  bool ShellExplore(const std::string& path) override;
  bool RequestSystemExit(std::uint32_t flags) override;
  std::string LastSystemErrorText() override;
  std::vector<std::string> GetMacAddresses() override;
  std::vector<std::string> GetWindowsCaptions() override;
  void SetEnvironmentValue(const std::string& name, const std::string& value) override;
  void RemoveEnvironmentValue(const std::string& name) override;
  std::optional<std::string> GetEnvironmentValue(const std::string& name) override;
  bool CheckEdgeIsInstalled(const std::string& loaderPath) override;
  bool EngineHasLoaderLibrary() override { return true; }
  bool ShellExec(const std::string& file, const std::string& arguments) override;
  std::uint32_t ShellExecAsAdminAndWait(TNativeWindow owner, const std::string& file,
                                        const std::string& parameters) override;
  bool CreateSingleInstanceMarker(const std::string& name) override;
  std::string ReleaseSingleInstanceMarker() override;
  std::string PublishHandOffToken(const std::string& appID) override;
  bool IsHandOffTokenValid(const std::string& appID, const std::string& proof) override;
  bool RegistryWriteString(const std::string& key, const std::string& name,
                           const std::string& value) override;
  std::optional<std::string> RegistryReadString(const std::string& key,
                                                const std::string& name) override;
  bool RegistryValueExists(const std::string& key, const std::string& name) override;
  bool RegistryDeleteValue(const std::string& key, const std::string& name) override;
  bool RegistryKeyExists(const std::string& key) override;
  bool RegistryDeleteKey(const std::string& key) override;
  void ShowErrorBox(const std::string& text, const std::string& caption) override;
  [[noreturn]] void ExitProcess(int code) override;

private:
  // The mutex of CreateSingleInstanceMarker and its name.
  win32::TKernelHandle FInstanceMarker;
  std::string FInstanceMarkerName;
  // The memory object of PublishHandOffToken, held while the process runs.
  win32::TKernelHandle FHandOffToken;
};

} // namespace tessera
