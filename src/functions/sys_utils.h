#pragma once

#include "platform/api/event_loop.h"
#include "platform/api/os_services.h"
#include "platform/api/toolkit.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tessera {

// Operating-system helpers as static functions. Paths are UTF-8. The
// system-dependent part of each lives behind OsServices (or the Toolkit
// where text is measured); what is the same everywhere is written here once.
// Every failure shows only in the result: false, an empty text, 0 or -1.
class TSysUtils {
public:
  TSysUtils() = delete;

  // Starts the command line (a program and its arguments, no shell) and
  // waits for it without limit; its exit code, 0 when it did not start.
  static std::uint32_t ExecAndWait(OsServices& os, const std::string& commandLine);
  // Starts the command line in a process group of its own and, when asked,
  // waits for it. True when it started.
  static bool ExecCmd(OsServices& os, const std::string& commandLine, bool wait);
  // Opens the file (a document, program or URL) the way the desktop does,
  // without arguments. True when the desktop reports success.
  static bool ShellOpen(OsServices& os, const std::string& filePath);
  // Starts the program's own file again, then ends this application through
  // its event loop. When the new start fails, this one keeps running and
  // the answer is false. Where only one instance may run, the new process
  // can still see this one and leave; callers that need certainty check.
  static bool RestartApplication(OsServices& os, EventLoop& loop);
  // Opens the picture in the desktop's painting program; false when the
  // system has none (Linux: none of the common painting programs is
  // installed) or it did not start.
  static bool EditWithMSPaint(OsServices& os, const std::string& filePath);

  // Copies a file without asking, replacing the target; into `to` when it
  // is an existing folder.
  static bool CopyFile(OsServices& os, const std::string& from, const std::string& to);
  // Copies a folder tree without asking: into `to` when it is an existing
  // folder, else as `to`. A copy into the source's own tree is refused.
  static bool CopyDirectory(OsServices& os, const std::string& from, const std::string& to);

  // Appends the full paths of the folder's subfolders (when asked) and then
  // of its files whose names match `mask`, top level only, each group
  // sorted by name. Masks follow the Windows rules on every system: '*'
  // any run of characters, '?' one character, "*.*" every name, letters
  // match without regard to case. A missing folder adds nothing.
  static void GetDirectoryFiles(const std::string& rootFolder, bool includeFolders,
                                std::vector<std::string>& list, const std::string& mask = "*.*");
  // The total size in bytes of the folder's files, with those of every
  // subfolder when asked (linked folders are not followed); 0 when the
  // folder does not exist.
  static std::int64_t GetSizeOfDir(const std::string& folder, bool includeSubfolders);
  // The file's size in bytes; -1 when there is no such file.
  static std::int64_t GetSizeOfFile(const std::string& path);
  // The number of subfolders, top level only; 0 when the folder does not
  // exist.
  static int GetSubdirectoriesCount(const std::string& folder);

  // The absolute path of the folder that holds `path`, with "." and ".."
  // resolved and a trailing delimiter. Relative paths start from the
  // current folder.
  static std::string GetParentDirPath(const std::string& path);
  // `fileName` joined to `baseDir` when it is relative, then "." and ".."
  // resolved (without asking the file system).
  static std::string ExpandFileNameRelBaseDir(const std::string& fileName,
                                              const std::string& baseDir);
  // The target a shortcut names: a shell link's path on Windows; on Linux a
  // symbolic link's target, or a desktop entry's program or URL. Empty when
  // the file is no shortcut.
  static std::string GetLnkFilePath(OsServices& os, const std::string& shortcutPath);
  // Whether the system accepts every component of the path as a name and
  // no existing file stands where the path needs a folder. Components are
  // split at the system's delimiters (and '/').
  static bool IsValidFilePath(OsServices& os, const std::string& fileName);
  // When the file starts with a UTF-8 byte order mark, rewrites it without
  // the mark (through a new file that replaces it, so a failure leaves the
  // original whole). True when a mark was removed.
  static bool RemoveUTFBoomFromFile(const std::string& filePath);
  // Whether both files exist and were last written at the same time.
  static bool FilesHaveSameDateTime(const std::string& fileA, const std::string& fileB);

  // A picture as 32-bit BGRA rows from the top.
  struct TBitmap {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;
  };
  // Draws the file's first icon into the bitmap, which takes the icon's
  // size; false, with the bitmap unchanged, when the file has none (Linux
  // programs carry no icons, so there it is always false).
  static bool ExtractExeIcon(OsServices& os, const std::string& filePath, TBitmap& bitmap);

  // Presses and releases the key (a Windows virtual-key code) as extended
  // keys; false when the system refused or cannot synthesize keys (Linux).
  static bool PressKey(OsServices& os, std::uint16_t virtualKey);
  // The width in pixels of the text drawn on the screen in the font.
  static int TrueFontWidth(Toolkit& widgets, const std::string& fontFamily, int fontHeightPixels,
                           const std::string& text);

  // The computer's network name; empty on failure.
  static std::string GetComputerNetName(OsServices& os);
  // The signed-in user's name; "Unknown" on failure.
  static std::string GetUserFromWindows(OsServices& os);
  // Where applications are installed, with a trailing delimiter (Linux:
  // "/opt/").
  static std::string GetProgramFilesDirPath(OsServices& os);
  // The system's own applications, with a trailing delimiter (Windows: the
  // Windows folder's "SystemApps"; Linux: "/usr/share/applications/").
  static std::string GetSystemAppsDirPath(OsServices& os);

  // The byte count for people: above 1 GiB "1.5 GB", above 1 MiB "MB",
  // above 1 KiB "KB", otherwise "bytes"; at most two decimals, a full stop
  // as the decimal point, trailing zeros dropped ("0 bytes", "1.25 KB").
  static std::string FormatByteSize(std::int64_t bytes);
};

} // namespace tessera
