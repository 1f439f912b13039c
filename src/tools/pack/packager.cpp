#include "tools/pack/packager.h"

#include "base/exceptions.h"
#include "base/stream.h"
#include "base/utf.h"
#include "package/app_icon_entry.h"
#include "package/app_settings.h"
#include "package/calculations.h"
#include "package/exe_resources.h"
#include "package/exe_utils.h"
#include "package/image_end.h"
#include "package/project_ini.h"
#include "package/zip_archive.h"
#include "package/zip_writer.h"
#include "tools/pack/app_icon.h"
#include "tools/pack/output_check.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>

namespace tessera {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kScriptEntry = "qel-webviewjs";
constexpr std::string_view kLoaderEntry = "WebView2LoaderWin64.dll";
constexpr std::string_view kInstallerEntry = "WebView2Installer.exe";
// What a package holds at most: ZIP without its 64-bit extension.
constexpr size_t kMaxEntries = 0xFFFF;

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

std::vector<uint8_t> ReadWholeFile(const std::string& path, const char* what) {
  std::error_code error;
  if (!fs::is_regular_file(PathFromUtf8(path), error)) {
    throw EPackError(std::string(what) + " " + Quoted(path) + " is not a file");
  }
  try {
    TFileStream file(path, TFileStream::TMode::OpenRead);
    std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
    size_t got = 0;
    while (got < bytes.size()) {
      const size_t n = file.Read(bytes.data() + got, bytes.size() - got);
      if (n == 0) {
        throw EFileError("File " + Quoted(path) + " ended early");
      }
      got += n;
    }
    return bytes;
  } catch (const EFileError& e) {
    throw EPackError(e.what());
  }
}

void RequireFile(const std::optional<std::string>& path, const char* what) {
  std::error_code error;
  if (path && !fs::is_regular_file(PathFromUtf8(*path), error)) {
    throw EPackError(std::string(what) + " " + Quoted(*path) + " is not a file");
  }
}

// The settings the packager checks: the three the runtime cannot start
// without, and DirName's shape, since it is the entries' folder.
TProjectINI CheckedSettings(const std::vector<uint8_t>& bytes, const std::string& path,
                            OsServices& os) {
  TProjectINI ini;
  ini.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                    os);
  for (const TStringSetting& setting : {kSettingID, kSettingName, kSettingDirName}) {
    if (ReadAppSetting(ini, setting).empty()) {
      throw EPackError("settings file " + Quoted(path) + " has no " + std::string(setting.Key) +
                       " in section [App]; the runtime needs ID, Name and DirName");
    }
  }
  const std::string dirName = ReadAppSetting(ini, kSettingDirName);
  if (dirName.find('\\') != std::string::npos || dirName.front() == '/' || dirName.back() == '/') {
    throw EPackError("DirName \"" + dirName +
                     "\" must be a relative folder name with \"/\" between folders, "
                     "without a leading or trailing \"/\"");
  }
  return ini;
}

void CheckRuntime(const std::string& path) {
  std::error_code error;
  if (!fs::is_regular_file(PathFromUtf8(path), error)) {
    throw EPackError("runtime " + Quoted(path) + " is not a file");
  }
  const int64_t imageEnd = TExeUtils::GetImageEndByPath(path);
  const int64_t size = TExeUtils::GetFileSizeByPath(path);
  if (imageEnd < 0) {
    throw EPackError("runtime " + Quoted(path) + " is not an executable image (PE or ELF)");
  }
  if (size > imageEnd) {
    throw EPackError("runtime " + Quoted(path) +
                     " already carries data after its image (a package, or symbols of an "
                     "unstripped build): use a clean, stripped runtime");
  }
  if (size < imageEnd) {
    throw EPackError("runtime " + Quoted(path) + " is truncated");
  }
}

// A Linux runtime: an ELF image, by its first bytes (CheckRuntime has read
// its headers already).
bool IsElfImage(const std::string& path) {
  constexpr std::array<char, 4> kElfMagic = {0x7F, 'E', 'L', 'F'};
  std::array<char, 4> magic{};
  std::ifstream file(PathFromUtf8(path), std::ios::binary);
  file.read(magic.data(), magic.size());
  return file.gcount() == 4 && magic == kElfMagic;
}

std::optional<TAppIcon> ReadIcon(const TPackOptions& options) {
  if (!options.Icon) {
    return std::nullopt;
  }
  return ReadAppIcon(*options.Icon, ReadWholeFile(*options.Icon, "icon"));
}

TExeInfo VersionInfo(const TPackOptions& options) {
  TExeInfo info;
  info.ProductName = options.ProductName;
  info.Company = options.Company;
  info.Description = options.Description;
  info.Copyright = options.Copyright;
  if (options.ProductVersion) {
    info.ProductVersion = ParseVersionNumber(*options.ProductVersion);
    if (!info.ProductVersion) {
      throw EPackError("product version \"" + *options.ProductVersion +
                       "\" is not a version: write up to four numbers from 0 to 65535 with "
                       "dots between them, such as 1.2.0.0");
    }
  }
  return info;
}

// What the runtime kind allows: a Linux image has no resources, so its icon
// goes into the package and it carries no version; a Windows image's icon
// resource takes an icon file only.
void CheckResourceOptions(const TPackOptions& options, bool linuxRuntime,
                          const std::optional<TAppIcon>& icon, const TExeInfo& info) {
  if (linuxRuntime && !info.Empty()) {
    throw EPackError("runtime " + Quoted(options.Runtime) +
                     " is a Linux image, which has no version resource: --product-name, "
                     "--product-version, --company, --description and --copyright apply to a "
                     "Windows runtime only");
  }
  if (!linuxRuntime && icon && icon->IsPng) {
    throw EPackError("icon " + Quoted(*options.Icon) + " is a PNG image; runtime " +
                     Quoted(options.Runtime) +
                     " is a Windows image, whose icon must be an icon file (.ico)");
  }
}

// A Windows runtime image with the application's icon and version strings,
// or nothing when none were asked for. Everything is checked here, before a
// single file is written.
std::optional<std::vector<uint8_t>>
RewrittenRuntime(const TPackOptions& options, const std::optional<TAppIcon>& icon, TExeInfo info) {
  if (!icon && info.Empty()) {
    return std::nullopt;
  }
  if (!info.Empty()) {
    info.FileName = PathToUtf8(PathFromUtf8(options.Output).filename());
  }
  const std::vector<uint8_t> image = ReadWholeFile(options.Runtime, "runtime");
  try {
    TResourceList resources = ReadImageResources(image);
    if (icon) {
      ChangeExeIcon(resources, icon->Images);
    }
    if (!info.Empty()) {
      UpdateExeInfo(resources, info);
    }
    return ReplaceImageResources(image, resources);
  } catch (const EResourceError& e) {
    throw EPackError("cannot set the icon or version of runtime " + Quoted(options.Runtime) + ": " +
                     e.what());
  }
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  try {
    TFileStream file(path, TFileStream::TMode::Create);
    file.Write(bytes.data(), bytes.size());
  } catch (const EFileError& e) {
    throw EPackError(e.what());
  }
}

// Files made beside the output while it is built; removed unless kept.
class TScratchFile {
public:
  explicit TScratchFile(std::string path) : FPath(std::move(path)) {}
  ~TScratchFile() {
    std::error_code ignored;
    fs::remove(PathFromUtf8(FPath), ignored);
  }
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;
  const std::string& Path() const { return FPath; }

private:
  std::string FPath;
};

// A name beside the output that no file has yet: a file of the user's that
// happened to have it would otherwise be overwritten, then removed.
std::string ScratchName(const std::string& output, const char* suffix) {
  std::random_device random;
  for (;;) {
    std::string name = output + "." + std::to_string(random() % 1000000) + suffix;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(PathFromUtf8(name), error))) {
      return name;
    }
  }
}

void AddFileEntry(TZipWriter& writer, std::string_view name, const std::string& path) {
  try {
    TFileStream source(path, TFileStream::TMode::OpenRead);
    writer.AddEntry(name, source);
  } catch (const EFileError& e) {
    throw EPackError(e.what());
  }
}

} // namespace

int Pack(const TPackOptions& options, OsServices& os, const TPackProgress& progress,
         const TPackNotice& notice) {
  CheckRuntime(options.Runtime);
  const bool linuxRuntime = IsElfImage(options.Runtime);
  const std::vector<uint8_t> settings = ReadWholeFile(options.Settings, "settings file");
  const TProjectINI ini = CheckedSettings(settings, options.Settings, os);
  RequireFile(options.Script, "script");
  RequireFile(options.Loader, "loader library");
  RequireFile(options.Installer, "installer");
  const std::optional<TAppIcon> icon = ReadIcon(options);
  const TExeInfo info = VersionInfo(options);
  CheckResourceOptions(options, linuxRuntime, icon, info);
  // The package's entries besides the app's files: the settings and the
  // extras given.
  TAppFolderRules rules = options.Rules;
  const size_t others = 1 + (options.Script ? 1 : 0) + (options.Loader ? 1 : 0) +
                        (options.Installer ? 1 : 0) + (linuxRuntime && icon ? 1 : 0);
  rules.MaxFiles = std::min(rules.MaxFiles, kMaxEntries - others);
  const TAppFolder app =
      CollectAppFiles(options.AppDir, ReadAppSetting(ini, kSettingDirName), rules, os, notice);
  CheckOutputPath(options.Output,
                  {{"runtime", options.Runtime},
                   {"settings file", options.Settings},
                   {"script", options.Script},
                   {"loader library", options.Loader},
                   {"installer", options.Installer},
                   {"icon", options.Icon}},
                  app, os);
  const std::vector<TAppFile>& files = app.Files;
  const std::optional<std::vector<uint8_t>> runtime =
      linuxRuntime ? std::nullopt : RewrittenRuntime(options, icon, info);
  const std::optional<std::vector<uint8_t>> packagedIcon =
      linuxRuntime && icon ? std::optional(PackagedIconImage(*icon)) : std::nullopt;

  // What the archive will roughly hold, for the progress display.
  int64_t total = static_cast<int64_t>(settings.size());
  for (const TAppFile& file : files) {
    total += file.Size;
  }
  for (const auto* extra : {&options.Script, &options.Loader, &options.Installer}) {
    if (*extra) {
      total += std::max<int64_t>(0, TExeUtils::GetFileSizeByPath(**extra));
    }
  }

  const TScratchFile zipFile(ScratchName(options.Output, ".zip.part"));
  const TScratchFile exeFile(ScratchName(options.Output, ".part"));
  int entries = 0;
  try {
    TFileStream zip(zipFile.Path(), TFileStream::TMode::Create);
    TZipWriter writer(zip, PackagePassword(), TDosDateTime::FromLocalTime(std::time(nullptr)));
    if (progress) {
      writer.SetOnProgress([&](int64_t written) { progress(written, total); });
    }
    writer.AddEntry(kSettingsEntryName, settings);
    for (const TAppFile& file : files) {
      AddFileEntry(writer, file.EntryName, file.Path);
    }
    const std::pair<const std::optional<std::string>*, std::string_view> extras[] = {
        {&options.Script, kScriptEntry},
        {&options.Loader, kLoaderEntry},
        {&options.Installer, kInstallerEntry}};
    for (const auto& [path, name] : extras) {
      if (*path) {
        AddFileEntry(writer, name, **path);
      }
    }
    if (packagedIcon) {
      writer.AddEntry(kAppIconEntryName, *packagedIcon);
    }
    writer.Finish();
    entries = writer.Count();
  } catch (const EZipError& e) {
    throw EPackError(std::string("cannot write the package: ") + e.what());
  } catch (const EFileError& e) {
    throw EPackError(e.what());
  }

  try {
    if (runtime) {
      WriteWholeFile(exeFile.Path(), *runtime);
    } else {
      std::error_code error;
      fs::copy_file(PathFromUtf8(options.Runtime), PathFromUtf8(exeFile.Path()),
                    fs::copy_options::overwrite_existing, error);
      if (error) {
        throw EPackError("cannot create " + Quoted(exeFile.Path()) + ": " + error.message());
      }
    }
    TExeUtils utils(os);
    utils.AppendZipToExe(zipFile.Path(), exeFile.Path());
  } catch (const EFileError& e) {
    throw EPackError(e.what());
  }

  // Read the result back as the runtime will, before it replaces anything.
  const TPackageListing check = ListPackage(exeFile.Path());
  if (static_cast<int>(check.Entries.size()) != entries ||
      !std::all_of(check.Entries.begin(), check.Entries.end(),
                   [](const TPackedEntry& e) { return e.Readable; })) {
    throw EPackError("the written package does not read back; nothing was written");
  }

  std::error_code error;
  fs::rename(PathFromUtf8(exeFile.Path()), PathFromUtf8(options.Output), error);
  if (error) {
    throw EPackError("cannot write " + Quoted(options.Output) + ": " + error.message());
  }
  if (progress) {
    progress(total, total);
  }
  return entries;
}

TPackageListing ListPackage(const std::string& path) {
  TPackageListing listing{};
  TMemoryStream package;
  try {
    TFileStream file(path, TFileStream::TMode::OpenRead);
    const int64_t size = file.Size();
    const int64_t imageEnd = GetImageEnd(file).value_or(-1);
    if (imageEnd < 0) {
      throw EPackError(Quoted(path) + " is not an executable image (PE or ELF)");
    }
    if (size <= imageEnd) {
      throw EPackError(Quoted(path) + " carries no package");
    }
    listing.ImageSize = imageEnd;
    listing.PackageSize = size - imageEnd;
    std::vector<uint8_t> bytes(static_cast<size_t>(listing.PackageSize));
    file.SetPosition(imageEnd);
    size_t got = 0;
    while (got < bytes.size()) {
      const size_t n = file.Read(bytes.data() + got, bytes.size() - got);
      if (n == 0) {
        throw EPackError(Quoted(path) + " ended while its package was read");
      }
      got += n;
    }
    package = TMemoryStream(std::move(bytes));
  } catch (const EFileError& e) {
    throw EPackError(e.what());
  }

  TZipArchive archive;
  archive.SetPassword(PackagePassword());
  try {
    archive.Open(package);
  } catch (const EZipError& e) {
    throw EPackError("the data after the image of " + Quoted(path) +
                     " is not a readable package: " + e.what());
  }
  for (int i = 0; i < archive.Count(); ++i) {
    const TZipEntry& entry = archive.Entry(i);
    listing.Entries.push_back(
        {entry.Name, entry.UncompressedSize, archive.ExtractBytes(i).has_value()});
  }
  return listing;
}

} // namespace tessera
