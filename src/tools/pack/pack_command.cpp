#include "tools/pack/packager.h"

#include <iomanip>
#include <map>

namespace tessera {

namespace {

constexpr const char* kUsage =
    R"(Usage:
  tessera-pack --runtime FILE --app DIR --settings FILE [--script FILE]
               [--loader FILE] [--installer FILE] [--icon FILE]
               [--skip-unreadable] [--follow-links]
               [--product-name TEXT] [--product-version A.B.C.D]
               [--company TEXT] [--description TEXT] [--copyright TEXT]
               --output FILE
  tessera-pack --list FILE

Packs a web application into one executable: the runtime image followed by
the application's encrypted package.

  --runtime FILE    the runtime image (tessera-runtime or tessera-runtime.exe)
  --app DIR         the application's folder; every file in it is packed under
                    the settings' DirName
  --settings FILE   the settings file, packed as "qel.ini"; its section [App]
                    must set ID, Name and DirName
  --script FILE     a script added to every page, packed as "qel-webviewjs"
  --loader FILE     the WebView2 loader library, packed as
                    "WebView2LoaderWin64.dll" (needed by the Windows runtime)
  --installer FILE  the WebView2 runtime installer, packed as
                    "WebView2Installer.exe"
  --icon FILE       the application's icon: an icon file (.ico) for a Windows
                    runtime; an icon file or a PNG image for a Linux runtime
  --output FILE     the packaged executable to write (replaced if it exists;
                    never one of the inputs, nor inside the app folder)
  --skip-unreadable leave out, and name, each file of the app folder that
                    cannot be read (no permission, a pipe or device, a link
                    that leads nowhere or around in a loop) instead of failing
  --follow-links    pack what links that lead outside the app folder lead to
                    (each is named) instead of failing
  --list FILE       show the entries of a packaged executable
  --help            show this help
  --version         show the version

The version resource of a Windows executable (the runtime's own is kept
otherwise):
  --product-name TEXT      the product name; also the file description
                           unless --description is given
  --product-version A.B.C.D
                           the product and file version (up to four numbers
                           from 0 to 65535)
  --company TEXT           the company name
  --description TEXT       the file description (shown by the task manager)
  --copyright TEXT         the copyright notice
With any of the version options, the original file name becomes the output's.
A signed runtime cannot be changed: sign the packed application instead.
)";

constexpr int64_t kProgressThreshold = 16 * 1024 * 1024;

struct TUsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Options that take a value, written "--name VALUE" or "--name=VALUE".
const std::map<std::string, std::string TPackOptions::*> kRequired = {
    {"--runtime", &TPackOptions::Runtime},
    {"--app", &TPackOptions::AppDir},
    {"--settings", &TPackOptions::Settings},
    {"--output", &TPackOptions::Output}};
const std::map<std::string, std::optional<std::string> TPackOptions::*> kOptional = {
    {"--script", &TPackOptions::Script},
    {"--loader", &TPackOptions::Loader},
    {"--installer", &TPackOptions::Installer},
    {"--icon", &TPackOptions::Icon},
    {"--product-name", &TPackOptions::ProductName},
    {"--product-version", &TPackOptions::ProductVersion},
    {"--company", &TPackOptions::Company},
    {"--description", &TPackOptions::Description},
    {"--copyright", &TPackOptions::Copyright}};
// Options that take no value.
const std::map<std::string, bool TAppFolderRules::*> kFlags = {
    {"--skip-unreadable", &TAppFolderRules::SkipUnreadable},
    {"--follow-links", &TAppFolderRules::FollowLinks}};

int ListCommand(const std::string& path, std::ostream& out) {
  const TPackageListing listing = ListPackage(path);
  out << "runtime image: " << listing.ImageSize << " bytes\n"
      << "package: " << listing.PackageSize << " bytes, " << listing.Entries.size() << " entries\n";
  bool allReadable = true;
  for (const TPackedEntry& entry : listing.Entries) {
    out << std::setw(12) << entry.Size << "  " << entry.Name;
    if (!entry.Readable) {
      out << "  (cannot be decrypted with this runtime's password)";
      allReadable = false;
    }
    out << "\n";
  }
  return allReadable ? 0 : 1;
}

} // namespace

int RunPackTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                OsServices& os) {
  try {
    TPackOptions options;
    std::map<std::string, bool> seen;
    std::optional<std::string> list;
    for (size_t i = 0; i < args.size(); ++i) {
      std::string name = args[i];
      std::optional<std::string> value;
      if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.resize(eq);
      }
      if (name == "--help" || name == "-h") {
        out << kUsage;
        return 0;
      }
      if (name == "--version") {
        out << "tessera-pack 2026.1\n";
        return 0;
      }
      const bool known =
          kRequired.count(name) != 0 || kOptional.count(name) != 0 || name == "--list";
      if (const auto flag = kFlags.find(name); flag != kFlags.end()) {
        if (value) {
          throw TUsageError(name + " takes no value");
        }
        if (seen[name]) {
          throw TUsageError(name + " given twice");
        }
        seen[name] = true;
        options.Rules.*(flag->second) = true;
        continue;
      }
      if (!known) {
        throw TUsageError(name.rfind("-", 0) == 0 ? "unknown option " + name
                                                  : "unexpected argument \"" + name + "\"");
      }
      if (!value) {
        if (i + 1 >= args.size()) {
          throw TUsageError(name + " needs a value");
        }
        value = args[++i];
      }
      if (value->empty()) {
        throw TUsageError(name + " needs a value");
      }
      if (seen[name]) {
        throw TUsageError(name + " given twice");
      }
      seen[name] = true;
      if (name == "--list") {
        list = *value;
      } else if (const auto required = kRequired.find(name); required != kRequired.end()) {
        options.*(required->second) = *value;
      } else {
        options.*(kOptional.at(name)) = *value;
      }
    }

    if (list) {
      if (seen.size() != 1) {
        throw TUsageError("--list takes no other option");
      }
      return ListCommand(*list, out);
    }
    for (const auto& [name, field] : kRequired) {
      if ((options.*field).empty()) {
        throw TUsageError("missing " + name);
      }
    }

    // Progress only where it helps: large apps, one line per tenth.
    int shownTenths = 0;
    const TPackProgress progress = [&](int64_t done, int64_t total) {
      if (total < kProgressThreshold) {
        return;
      }
      const int tenths = static_cast<int>(std::min<int64_t>(10, done * 10 / total));
      if (tenths > shownTenths) {
        shownTenths = tenths;
        err << "tessera-pack: " << tenths * 10 << "%\n" << std::flush;
      }
    };
    const TPackNotice notice = [&](const std::string& line) {
      err << "tessera-pack: " << line << "\n" << std::flush;
    };
    const int entries = Pack(options, os, progress, notice);
    out << "tessera-pack: wrote " << options.Output << " (" << entries << " entries)\n";
    return 0;
  } catch (const TUsageError& e) {
    err << "tessera-pack: " << e.what() << "\nTry 'tessera-pack --help'.\n";
    return 2;
  } catch (const EPackError& e) {
    err << "tessera-pack: " << e.what() << "\n";
    return 1;
  }
}

} // namespace tessera
