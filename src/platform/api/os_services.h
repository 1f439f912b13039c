#pragma once

#include "base/system_mime_types.h"
#include "platform/api/native_window.h"

#include <cstdint>
#include <memory>
#include <optional>
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

  // The ISO 639 name of the user's language ("en", "es"), as the system
  // reports it; empty when it reports none.
  virtual std::string GetUserLanguage() = 0;
  // The decimal separator of the user's number format ("." or ","), UTF-8.
  virtual std::string GetDecimalSeparator() = 0;
  // Compares two UTF-8 texts as the user's locale orders them, ignoring
  // letter case: below 0 when `a` comes first, 0 when they are equal, above
  // 0 when `b` comes first.
  virtual int CompareTextInUserLocale(std::string_view a, std::string_view b) = 0;

  // The separator of path components: '\\' on Windows, '/' on Linux.
  virtual char PathDelimiter() const = 0;

  // The user's local application data folder, ending in the path delimiter;
  // the delimiter alone when the system cannot name it.
  virtual std::string GetLocalAppDataDirPath() = 0;

  // --- Processes, shell copies, shortcuts, keys and names (TSysUtils) ---
  // Starts the command line (a program and its arguments, quoted as on a
  // command line; no shell) and waits without limit. Returns the exit code
  // (Linux: 128 + the signal for a process a signal ended); 0 when it did
  // not start.
  virtual std::uint32_t ExecAndWait(const std::string& commandLine) = 0;
  // Starts the command line in a process group of its own at normal
  // priority and, when `wait` is set, waits for it. True when it started.
  virtual bool ExecCmd(const std::string& commandLine, bool wait) = 0;
  // The desktop's painting program, ready to open a picture; empty when the
  // system has none.
  virtual std::string GetPaintProgramPath() = 0;
  // Copies a file without asking, replacing the target; into a folder when
  // `to` is an existing folder. True when the whole copy succeeded.
  virtual bool CopyFileTo(const std::string& from, const std::string& to) = 0;
  // Copies a folder tree without asking, creating folders as needed: into
  // `to` when it is an existing folder, else as `to`. True when the whole
  // copy succeeded.
  virtual bool CopyDirectoryTo(const std::string& from, const std::string& to) = 0;
  // The target a shortcut names: a shell link's path (Windows); a symbolic
  // link's target made absolute, or a desktop entry's program or URL (Linux).
  // Empty when the file is no shortcut or cannot be read.
  virtual std::string GetLnkFilePath(const std::string& shortcutPath) = 0;
  // The first icon stored in the file (a program's or a library's
  // resources) at its own size, as 32-bit BGRA rows from the top; false
  // when the file has none.
  virtual bool ExtractFileIcon(const std::string& path, int& width, int& height,
                               std::vector<std::uint8_t>& pixels) = 0;
  // Presses and releases the key (a Windows virtual-key code), both marked
  // as extended keys. False when the system refused the input or cannot
  // synthesize keys (Linux: no input injection in this runtime).
  virtual bool PressKey(std::uint16_t virtualKey) = 0;
  // The computer's network name; empty on failure.
  virtual std::string GetComputerNetName() = 0;
  // The signed-in user's login name; empty on failure.
  virtual std::string GetSignedInUserName() = 0;
  // Where applications are installed (Windows: the program files folder;
  // Linux: "/opt/", the add-on application tree), ending in the path
  // delimiter; the delimiter alone when the system cannot name it.
  virtual std::string GetProgramFilesDirPath() = 0;
  // Where the system's own applications are registered (Windows: the
  // Windows folder's "SystemApps"; Linux: "/usr/share/applications/", the
  // desktop entries of installed applications), ending in the delimiter.
  virtual std::string GetSystemAppsDirPath() = 0;
  // Whether the system refuses `path` as a name (invalid characters, too
  // long, a reserved form); a name that is merely missing is not refused.
  virtual bool IsPathNameRejected(const std::string& path) = 0;

  virtual bool FileExists(const std::string& path) = 0;
  // Creates the folder and every missing parent; true when it exists after.
  virtual bool ForceDirectories(const std::string& path) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Reads a whole file; false when it cannot be read.
  virtual bool LoadBytesFromFile(const std::string& path, std::string& bytes) = 0;
  // Makes the bytes the file's whole content, all or nothing: they go to a
  // new file in the same folder that then takes the file's place in one
  // step, so a failure (a full disk, a quota, a crash) leaves an existing
  // file as it was. A replaced file keeps its permissions (Linux: its mode;
  // Windows: its attributes and security); a link is followed and its
  // target replaced. Where the file cannot be replaced but may be written
  // (its folder admits no new file; Windows: another program holds it open
  // against renaming), it is written in place, as the only way left. A
  // path that names no regular file (a folder, a pipe, a device) is refused
  // at once, never waited on. False on failure, with the reason for
  // LastSystemErrorText.
  virtual bool SaveBytesToFile(const std::string& path, std::string_view bytes) = 0;
  // Deletes the folder and everything in it, or a file; true on success.
  // A link (a symbolic link, a junction) is removed itself, whether the
  // path ends in a separator or not, and a link met inside the folder too:
  // what a link leads to is never entered.
  virtual bool DeleteDirectory(const std::string& path) = 0;
  // True when a folder (not a file) exists at the path, links followed.
  virtual bool DirectoryExists(const std::string& path) = 0;
  // Creates this one folder; its parent must exist. True on success.
  virtual bool CreateDir(const std::string& path) = 0;
  struct TDirEntry {
    std::string Name;
    // What the entry is, a link's target counted: a link to a folder is a
    // folder.
    bool IsDirectory = false;
    // A symbolic link (Windows: a junction or another reparse point that
    // stands for a name elsewhere).
    bool IsLink = false;
  };
  // Entries in the order the file system enumerates them, hidden and system
  // entries included, without "." and "..". Raises EFileError when the
  // folder cannot be read.
  virtual std::vector<TDirEntry> ListDirectory(const std::string& path) = 0;
  // A text that two paths share exactly when they lead to the same file or
  // folder, links followed: device and inode (Linux), volume serial number
  // and file index (Windows). Empty when the path cannot be opened.
  virtual std::string GetFileIdentity(const std::string& path) = 0;
  // Standard folders, each ending in the path delimiter; the delimiter alone
  // when the system cannot name it.
  virtual std::string GetTempDirPath() = 0;          // long-name form on Windows
  virtual std::string GetUserDocumentsDirPath() = 0; // CSIDL 5 / XDG documents
  virtual std::string GetUserDesktopDirPath() = 0;   // CSIDL 0 / XDG desktop
  virtual std::string GetUserAppDataDirPath() = 0;   // CSIDL 26 / XDG_CONFIG_HOME (~/.config)
  // Runs "cmd.exe /C <command>" (Linux: "/bin/sh -c <command>") in
  // workingDir (the current folder when empty) and returns what it wrote to
  // standard output and standard error, captured together through one pipe
  // and read in blocks of 255 bytes; each block counts up to its first NUL
  // byte and is decoded as DecodeAnsiText does. Waits for the command to
  // end. Empty when it could not start. Windows: the console window is
  // hidden unless showWindow.
  virtual std::string GetDosOutput(const std::string& command, const std::string& workingDir,
                                   bool showWindow) = 0;
  // Shows the item selected in a file window: explorer.exe "/select,
  // \"<path>\"" (Linux: the desktop's file manager through the
  // org.freedesktop.FileManager1 ShowItems call, else xdg-open of the
  // folder). True on success.
  virtual bool ShellExplore(const std::string& path) = 0;
  // Asks the system to log off (flags 0), shut down (1) or reboot (2), with
  // 4 added to force other programs closed. Windows: enables
  // SeShutdownPrivilege, then ExitWindowsEx(flags, 0); Linux: the login
  // manager. True when the request was accepted.
  virtual bool RequestSystemExit(std::uint32_t flags) = 0;
  // The system's message for the calling thread's last failure (Windows:
  // GetLastError in the user's language; Linux: the reason the last failing
  // call of these services recorded, else strerror(errno)), with trailing
  // characters <= U+0020 and trailing "." removed.
  virtual std::string LastSystemErrorText() = 0;
  // Lines "E|W|U,XX:XX:XX:XX:XX:XX" (upper-case hex) for the network
  // adapters, all-zero addresses left out. Windows: the adapter records of
  // GetAdaptersInfo in storage order; Linux: every interface of
  // /sys/class/net with a hardware address (W when it has a "wireless" or
  // "phy80211" entry, E for type 1, U otherwise).
  virtual std::vector<std::string> GetMacAddresses() = 0;
  // The untrimmed captions of every top-level window whose caption, trimmed
  // of blanks and control characters, is not empty; hidden windows
  // included, in z-order. Linux: the X11 top-level windows (children of the
  // root window, _NET_WM_NAME or WM_NAME); empty without a display.
  virtual std::vector<std::string> GetWindowsCaptions() = 0;

  // The process environment, inherited by the processes it starts.
  virtual void SetEnvironmentValue(const std::string& name, const std::string& value) = 0;
  virtual void RemoveEnvironmentValue(const std::string& name) = 0;
  // The variable's value; nothing when it is not set.
  virtual std::optional<std::string> GetEnvironmentValue(const std::string& name) = 0;

  // Whether the browser engine the web view needs is installed: the loader
  // library at `loaderPath` exists, loads, and reports a non-empty version
  // of an installed engine. Always true where the engine is linked in.
  virtual bool CheckEdgeIsInstalled(const std::string& loaderPath) = 0;
  // Whether the web view reaches the engine through a loader library of
  // its own, copied from the package into the data folder (Windows); false
  // where the engine is linked in, which needs no such file.
  virtual bool EngineHasLoaderLibrary() = 0;

  // Opens a file, program or URL the way the desktop shell does, with the
  // given argument text; true when the shell reports success.
  virtual bool ShellExec(const std::string& file, const std::string& arguments) = 0;

  // Starts `file` with administrator rights (the system asks the user) and
  // waits for it to end while window messages keep being processed, so
  // windows stay alive. Returns the exit code; 0 when it did not start.
  virtual std::uint32_t ShellExecAsAdminAndWait(TNativeWindow owner, const std::string& file,
                                                const std::string& parameters) = 0;

  // Creates the process-wide single-instance marker named `name`, held until
  // the process ends. True when another process holds one of that name.
  virtual bool CreateSingleInstanceMarker(const std::string& name) = 0;
  // Lets go of the marker this process holds, so that a new start of the
  // program (a restart) is not taken for a second instance. Returns its
  // name, to take it again should that start fail; "" when none is held.
  virtual std::string ReleaseSingleInstanceMarker() = 0;

  // --- Starts handed off to a new process of the same application ---
  // Publishes a new random token of this process for the application where
  // only the user's own processes can read it, for as long as this process
  // runs (Linux: a file of mode 0600 in the user's runtime folder, locked
  // while the process lives; Windows: a named memory object of the user's
  // session). Returns the proof a process this one starts is given to show
  // where it comes from ("<process ID>:<token>"); empty when nothing could
  // be published. A second call replaces the first token.
  virtual std::string PublishHandOffToken(const std::string& appID) = 0;
  // Whether the proof names the token that a running process of this user
  // published for the application. Any other text, however formed, is no
  // proof.
  virtual bool IsHandOffTokenValid(const std::string& appID, const std::string& proof) = 0;

  // --- The current user's registry (Linux: a per-user store) ---
  // Keys are backslash-separated paths below the user's root; a single leading backslash means
  // the same, and "\\" alone is the root itself. A key beginning with a root name
  // (HKEY_LOCAL_MACHINE...) is just a subkey of that name.
  // Opens the key (full access), creating it and missing parents, and stores a REG_SZ value,
  // replacing any value of that name whatever its type. False when the key cannot be opened or
  // created; raises ERegistryError when the opened key refuses the write.
  virtual bool RegistryWriteString(const std::string& key, const std::string& name,
                                   const std::string& value) = 0;
  // Nothing when the key cannot be opened; "" for a missing value; the text up to its first NUL
  // for REG_SZ / REG_EXPAND_SZ (unexpanded). Raises ERegistryError for another type.
  virtual std::optional<std::string> RegistryReadString(const std::string& key,
                                                        const std::string& name) = 0;
  virtual bool RegistryValueExists(const std::string& key, const std::string& name) = 0;
  virtual bool RegistryDeleteValue(const std::string& key, const std::string& name) = 0;
  // Whether the key can be opened for reading.
  virtual bool RegistryKeyExists(const std::string& key) = 0;
  // Deletes the key with its whole subtree (subkeys depth first, last to first); false when it
  // did not exist; otherwise whether the final deletion of the key succeeded.
  virtual bool RegistryDeleteKey(const std::string& key) = 0;

  // A system message box with the error icon, owned by the active window.
  virtual void ShowErrorBox(const std::string& text, const std::string& caption) = 0;

  // Ends the process with the exit code. Never returns (the fake throws).
  [[noreturn]] virtual void ExitProcess(int code) = 0;
};

// The platform's own services, from the backend chosen at configure time.
std::unique_ptr<OsServices> CreateOsServices();

} // namespace tessera
