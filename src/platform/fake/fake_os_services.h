#pragma once

#include "platform/api/os_services.h"
#include "platform/fake/fake_registry.h"

#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
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

  struct TLaunch {
    std::string File;
    std::string Arguments;
    bool Elevated = false;
  };

  std::string UserLanguage = "en";
  int UserLanguageReads = 0;
  std::string LocalAppDataDirPath = "C:\\Users\\user\\AppData\\Local\\";
  char Delimiter = '\\';
  // An in-memory file system: files with their bytes, and folders.
  std::map<std::string, std::string> Files;
  std::set<std::string> Folders;
  std::map<std::string, std::string> Environment;
  // The engine check's answers, in turn; the last one repeats.
  std::vector<bool> EdgeInstalledAnswers{true};
  std::vector<std::string> EdgeChecks;
  bool ShellExecSucceeds = true;
  std::vector<TLaunch> Launches;
  std::uint32_t ElevatedExitCode = 0;
  // Runs while the elevated program "runs" (a test may install the engine).
  std::function<void()> DuringElevatedRun;
  // Markers held by any process, this one's among them (OwnMarker).
  std::set<std::string> HeldMarkers;
  std::vector<std::string> CreatedMarkers;
  std::string OwnMarker;
  std::vector<std::string> ReleasedMarkers;
  std::vector<std::string> DeletedFolders;
  std::vector<std::string> Events;
  std::string DecimalSeparator = ".";
  // The user's registry; tests plant values of other types through it.
  TFakeRegistry Registry;
  // Paths where SaveBytesToFile fails (a read-only place, say), and folders
  // that ForceDirectories cannot make, nor anything inside them.
  std::set<std::string> UnwritablePaths;
  // Folders whose listing fails, as an unreadable folder does.
  std::set<std::string> UnreadableFolders;
  // Links to folders (path -> the folder it leads to), listed as links, and
  // folders seen at a second place without being links (as a bind mount
  // shows them). Listings and folder tests follow both; files are found
  // under their own paths only.
  std::map<std::string, std::string> FolderLinks;
  std::map<std::string, std::string> BoundFolders;
  // Folders listed so far, in turn, as the system was asked for them.
  std::vector<std::string> ListedFolders;
  std::string TempDirPath = "C:\\Users\\user\\AppData\\Local\\Temp\\";
  std::string UserDocumentsDirPath = "C:\\Users\\user\\Documents\\";
  std::string UserDesktopDirPath = "C:\\Users\\user\\Desktop\\";
  std::string UserAppDataDirPath = "C:\\Users\\user\\AppData\\Roaming\\";

  // Console commands are recorded and answered with DosOutput, never run.
  struct TDosCommand {
    std::string Command;
    std::string WorkingDir;
    bool ShowWindow = false;
  };
  std::vector<TDosCommand> DosCommands;
  std::string DosOutput;
  std::vector<std::string> ExploredPaths;
  bool ShellExploreSucceeds = true;
  // Log-off and power requests are recorded, never carried out.
  std::vector<std::uint32_t> SystemExitRequests;
  bool SystemExitAccepted = true;
  std::string SystemErrorText = "Access is denied";
  std::vector<std::string> MacAddresses;
  std::vector<std::string> WindowCaptions;

  std::string GetUserLanguage() override {
    ++UserLanguageReads;
    return UserLanguage;
  }
  std::string GetDecimalSeparator() override { return DecimalSeparator; }
  // The order of the "C" locale: bytes, ASCII letters lower-cased.
  int CompareTextInUserLocale(std::string_view a, std::string_view b) override;
  char PathDelimiter() const override { return Delimiter; }
  std::string GetLocalAppDataDirPath() override { return LocalAppDataDirPath; }
  bool FileExists(const std::string& path) override { return Files.count(path) != 0; }
  bool ForceDirectories(const std::string& path) override;
  bool RemoveFile(const std::string& path) override { return Files.erase(path) != 0; }
  bool LoadBytesFromFile(const std::string& path, std::string& bytes) override {
    const auto it = Files.find(path);
    if (it == Files.end())
      return false;
    bytes = it->second;
    return true;
  }
  bool SaveBytesToFile(const std::string& path, std::string_view bytes) override {
    if (UnwritablePaths.count(path) != 0)
      return false;
    Files[path] = std::string(bytes);
    return true;
  }
  bool DeleteDirectory(const std::string& path) override;
  // A folder exists when it was created or when a file or folder lies in it.
  bool DirectoryExists(const std::string& path) override;
  bool CreateDir(const std::string& path) override;
  // Folders and files in name order, the order NTFS enumerates them in.
  std::vector<TDirEntry> ListDirectory(const std::string& path) override;
  // The folder a path leads to, links and bound folders followed; empty for
  // anything else.
  std::string GetFileIdentity(const std::string& path) override;
  std::string GetTempDirPath() override { return TempDirPath; }
  std::string GetUserDocumentsDirPath() override { return UserDocumentsDirPath; }
  std::string GetUserDesktopDirPath() override { return UserDesktopDirPath; }
  std::string GetUserAppDataDirPath() override { return UserAppDataDirPath; }
  std::string GetDosOutput(const std::string& command, const std::string& workingDir,
                           bool showWindow) override {
    DosCommands.push_back({command, workingDir, showWindow});
    return DosOutput;
  }
  bool ShellExplore(const std::string& path) override {
    ExploredPaths.push_back(path);
    return ShellExploreSucceeds;
  }
  bool RequestSystemExit(std::uint32_t flags) override {
    SystemExitRequests.push_back(flags);
    return SystemExitAccepted;
  }
  std::string LastSystemErrorText() override { return SystemErrorText; }
  std::vector<std::string> GetMacAddresses() override { return MacAddresses; }
  std::vector<std::string> GetWindowsCaptions() override { return WindowCaptions; }
  void SetEnvironmentValue(const std::string& name, const std::string& value) override {
    Environment[name] = value;
  }
  void RemoveEnvironmentValue(const std::string& name) override { Environment.erase(name); }
  std::optional<std::string> GetEnvironmentValue(const std::string& name) override {
    const auto it = Environment.find(name);
    return it != Environment.end() ? std::optional<std::string>(it->second) : std::nullopt;
  }
  // Proofs of hand-off tokens that running processes published, with the
  // application each is for; this process's own among them.
  std::set<std::pair<std::string, std::string>> HandOffTokens;
  int HandOffTokensPublished = 0;
  std::string PublishHandOffToken(const std::string& appID) override {
    const std::string proof = "4242:token-" + std::to_string(++HandOffTokensPublished);
    HandOffTokens.insert({appID, proof});
    return proof;
  }
  bool IsHandOffTokenValid(const std::string& appID, const std::string& proof) override {
    return HandOffTokens.count({appID, proof}) != 0;
  }
  bool CheckEdgeIsInstalled(const std::string& loaderPath) override;
  bool LoaderLibrary = true;
  bool EngineHasLoaderLibrary() override { return LoaderLibrary; }
  bool ShellExec(const std::string& file, const std::string& arguments) override {
    Launches.push_back({file, arguments, false});
    Events.push_back("ShellExec " + file);
    return ShellExecSucceeds;
  }
  std::uint32_t ShellExecAsAdminAndWait(TNativeWindow owner, const std::string& file,
                                        const std::string& parameters) override;
  bool CreateSingleInstanceMarker(const std::string& name) override {
    CreatedMarkers.push_back(name);
    if (!HeldMarkers.insert(name).second)
      return true;
    OwnMarker = name;
    return false;
  }
  std::string ReleaseSingleInstanceMarker() override {
    HeldMarkers.erase(OwnMarker);
    ReleasedMarkers.push_back(OwnMarker);
    return std::exchange(OwnMarker, std::string());
  }
  bool RegistryWriteString(const std::string& key, const std::string& name,
                           const std::string& value) override {
    return Registry.WriteString(key, name, value);
  }
  std::optional<std::string> RegistryReadString(const std::string& key,
                                                const std::string& name) override {
    return Registry.ReadString(key, name);
  }
  bool RegistryValueExists(const std::string& key, const std::string& name) override {
    return Registry.ValueExists(key, name);
  }
  bool RegistryDeleteValue(const std::string& key, const std::string& name) override {
    return Registry.DeleteValue(key, name);
  }
  bool RegistryKeyExists(const std::string& key) override { return Registry.KeyExists(key); }
  bool RegistryDeleteKey(const std::string& key) override { return Registry.DeleteKey(key); }

  std::string GetExecutablePath() override { return ExecutablePath; }
  std::vector<std::string> GetCommandLineArguments() override { return CommandLine; }
  std::string DecodeAnsiText(std::string_view bytes) override;
  TSystemMimeTypes ReadMimeDatabase() override {
    ++MimeDatabaseReads;
    return MimeDatabase;
  }
  void ShowErrorBox(const std::string& text, const std::string& caption) override {
    MessageBoxes.push_back({text, caption});
    Events.push_back("ShowErrorBox " + text);
  }
  [[noreturn]] void ExitProcess(int code) override { throw TFakeProcessExit(code); }

  // --- Processes, shell copies, shortcuts, keys and names (TSysUtils) ---
  // Each call is recorded in Events ("ExecAndWait <command line>", ...);
  // the answers are these fields.
  std::uint32_t ExecExitCode = 0;
  bool ExecStarts = true;
  std::vector<std::string> ExecCommands;
  std::string PaintProgramPath;
  bool CopySucceeds = true;
  std::vector<std::pair<std::string, std::string>> Copies;
  std::map<std::string, std::string> ShortcutTargets;
  bool PressKeySucceeds = true;
  std::vector<std::uint16_t> PressedKeys;
  std::string ComputerNetName = "DESKTOP-TEST";
  std::string SignedInUserName = "user";
  std::string ProgramFilesDirPath = "C:\\Program Files\\";
  std::string SystemAppsDirPath = "C:\\Windows\\SystemApps\\";
  std::set<std::string> RejectedPathNames;
  std::vector<std::string> PathNameChecks;

  std::uint32_t ExecAndWait(const std::string& commandLine) override {
    ExecCommands.push_back(commandLine);
    Events.push_back("ExecAndWait " + commandLine);
    return ExecStarts ? ExecExitCode : 0;
  }
  bool ExecCmd(const std::string& commandLine, bool wait) override {
    ExecCommands.push_back(commandLine);
    Events.push_back(std::string(wait ? "ExecCmd wait " : "ExecCmd ") + commandLine);
    return ExecStarts;
  }
  std::string GetPaintProgramPath() override { return PaintProgramPath; }
  bool CopyFileTo(const std::string& from, const std::string& to) override {
    Copies.emplace_back(from, to);
    Events.push_back("CopyFileTo " + from + " " + to);
    return CopySucceeds;
  }
  bool CopyDirectoryTo(const std::string& from, const std::string& to) override {
    Copies.emplace_back(from, to);
    Events.push_back("CopyDirectoryTo " + from + " " + to);
    return CopySucceeds;
  }
  bool ExtractFileIcon(const std::string& path, int& width, int& height,
                       std::vector<std::uint8_t>& pixels) override {
    const auto it = FileIcons.find(path);
    if (it == FileIcons.end())
      return false;
    width = height = it->second;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0xFF);
    return true;
  }
  // Files that hold an icon, with its side in pixels (all pixels white).
  std::map<std::string, int> FileIcons;
  std::string GetLnkFilePath(const std::string& shortcutPath) override {
    const auto it = ShortcutTargets.find(shortcutPath);
    return it == ShortcutTargets.end() ? std::string() : it->second;
  }
  bool PressKey(std::uint16_t virtualKey) override {
    PressedKeys.push_back(virtualKey);
    return PressKeySucceeds;
  }
  std::string GetComputerNetName() override { return ComputerNetName; }
  std::string GetSignedInUserName() override { return SignedInUserName; }
  std::string GetProgramFilesDirPath() override { return ProgramFilesDirPath; }
  std::string GetSystemAppsDirPath() override { return SystemAppsDirPath; }
  // The path without trailing delimiters, every link and bound folder on
  // its way replaced by what it leads to.
  std::string ResolveLinks(const std::string& path) const;

  bool IsPathNameRejected(const std::string& path) override {
    PathNameChecks.push_back(path);
    return RejectedPathNames.count(path) != 0;
  }
};

} // namespace tessera
