#pragma once

#include "platform/api/os_services.h"
#include "tools/pack/app_files.h"
#include "tools/pack/pack_error.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tessera {

// What tessera-pack is asked to do.
struct TPackOptions {
  std::string Runtime;                  // the runtime image the package is appended to
  std::string AppDir;                   // the web application's folder
  std::string Settings;                 // stored as "qel.ini"
  std::optional<std::string> Script;    // stored as "qel-webviewjs"
  std::optional<std::string> Loader;    // stored as "WebView2LoaderWin64.dll"
  std::optional<std::string> Installer; // stored as "WebView2Installer.exe"
  std::string Output;
  // The application's icon: for a Windows runtime an icon file (.ico) in
  // place of the runtime's icon resource; for a Linux runtime an icon file
  // or a PNG image, stored in the package for the windows to show.
  std::optional<std::string> Icon{};
  // Version strings of a Windows executable's version resource.
  std::optional<std::string> ProductName{};
  std::optional<std::string> ProductVersion{}; // up to four numbers: 1.2.0.0
  std::optional<std::string> Company{};
  std::optional<std::string> Description{};
  std::optional<std::string> Copyright{};
  // What the app folder's walk may skip or follow instead of failing.
  TAppFolderRules Rules{};
};

// Progress of a long pack: bytes done of bytes in all.
using TPackProgress = std::function<void(int64_t done, int64_t total)>;

// Writes the application's package (every entry stored, encrypted with the
// package password, with a data descriptor; "qel.ini" first, then the app's
// files under the settings' DirName, then the optional extras) and appends it
// to a copy of the runtime at Output, whose icon and version resources are
// rewritten first when asked to. Every input is checked, and an Output that
// is one of them or lies in the app folder refused, before anything is
// written. Output appears whole or not at all: the work is done in files
// beside it that are renamed or removed at the end. Returns the number of
// entries. Raises EPackError with a message for the user; what the walk
// skipped or followed goes to `notice`.
int Pack(const TPackOptions& options, OsServices& os, const TPackProgress& progress = {},
         const TPackNotice& notice = {});

// One entry of a packaged executable, for --list.
struct TPackedEntry {
  std::string Name;
  uint32_t Size;
  bool Readable; // decrypts with the package password
};

struct TPackageListing {
  int64_t ImageSize;
  int64_t PackageSize;
  std::vector<TPackedEntry> Entries;
};

// Reads the package appended to the executable at path. Raises EPackError.
TPackageListing ListPackage(const std::string& path);

// The command line of tessera-pack (arguments after the program name);
// returns the process exit code: 0 done, 1 failed, 2 bad usage.
int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                OsServices& os);

} // namespace tessera
