// window.qel.files, window.qel.folders and window.qel.base64: files and
// folders on the user's machine, package entries copied out, base64 text
// decoded into files, and the standard folders.
#include "base/ascii.h"
#include "base/exceptions.h"
#include "base/str_utils.h"
#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"
#include "functions/base64_groups.h"
#include "functions/folder_walk.h"
#include "package/app_settings.h"
#include "package/zip_archive.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {

namespace {

constexpr THandlerBinding kBindings[] = {
    {30001, &TBrowserExternalModule::FilesFileExists},
    {30002, &TBrowserExternalModule::FilesDeleteFile},
    {30003, &TBrowserExternalModule::FilesWriteTextFile},
    {30004, &TBrowserExternalModule::FilesExtractFile},
    {40001, &TBrowserExternalModule::FoldersDirExists},
    {40002, &TBrowserExternalModule::FoldersCreateDir},
    {40003, &TBrowserExternalModule::FoldersDeleteDir},
    {40004, &TBrowserExternalModule::FoldersListFiles},
    {40005, &TBrowserExternalModule::FoldersGetTempDir},
    {40006, &TBrowserExternalModule::FoldersGetUserDocumentsDir},
    {40007, &TBrowserExternalModule::FoldersGetUserDesktopDir},
    {40008, &TBrowserExternalModule::FoldersGetAppExecutableDir},
    {40009, &TBrowserExternalModule::FoldersGetAppDataDir},
    {90001, &TBrowserExternalModule::Base64DecodeToFile},
};

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The executable's folder, ending in the path delimiter: the browser
// window's, or worked out from the program file when there is none yet.
std::string AppFolder(OsServices& os, const TBridgeWebView* webView) {
  if (webView != nullptr)
    return webView->AppDirPath();
  const std::string exe = os.GetExecutablePath();
  return exe.substr(0, exe.rfind(os.PathDelimiter()) + 1);
}

// Windows paths are absolute with a drive ("C:...", the second character is
// ":") or a share ("\\server\..."); relative ones are written with "/" by
// pages and get the system's backslashes. Linux paths are absolute from
// "/"; a relative one written for Windows, with "\", gets "/" in its place
// (an absolute path names what it names). Nothing else is normalised: ".."
// and paths leading outside the folder are passed on.
std::string ResolvePath(OsServices& os, const TBridgeWebView* webView, std::string path) {
  if (os.PathDelimiter() == '\\') {
    // The second character, which a first non-ASCII character pushes back.
    size_t second = 1;
    while (second < path.size() && (static_cast<unsigned char>(path[second]) & 0xC0) == 0x80)
      ++second;
    if ((second < path.size() && path[second] == ':') || path.starts_with("\\\\"))
      return path;
    for (char& c : path)
      if (c == '/')
        c = '\\';
  } else if (path.starts_with('/')) {
    return path;
  } else {
    std::replace(path.begin(), path.end(), '\\', '/');
  }
  return AppFolder(os, webView) + path;
}

// The folder part of a path: up to its last separator ("/" is one on
// Windows too), empty when there is none.
std::string FolderPart(OsServices& os, const std::string& path) {
  const size_t cut = path.find_last_of(std::string{os.PathDelimiter(), '/'});
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

void CreateFolderPart(OsServices& os, const std::string& path) {
  // A folder that cannot be created shows as the write's own error.
  const std::string folder = FolderPart(os, path);
  if (!folder.empty())
    os.ForceDirectories(folder);
}

// Writes the whole file or raises EFileError with the system's reason.
void WriteFile(OsServices& os, const std::string& path, std::string_view bytes) {
  if (os.SaveBytesToFile(path, bytes))
    return;
  const std::string reason = os.LastSystemErrorText();
  throw EFileError("Cannot create file \"" + path + "\"." + (reason.empty() ? "" : " " + reason));
}

// The text file writeTextFile writes: the UTF-8 byte order mark, then each
// line of the text ended by CR LF. Lines end at CR, at LF and at CR LF; the
// text ends at its first NUL; a final line break adds no empty line.
std::string TextFileBytes(std::string_view contents) {
  contents = contents.substr(0, contents.find('\0'));
  std::string bytes(kUtf8ByteOrderMark);
  bytes.reserve(bytes.size() + contents.size() + contents.size() / 8);
  size_t start = 0;
  while (start < contents.size()) {
    const size_t end = contents.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      bytes.append(contents.substr(start));
      bytes.append("\r\n");
      break;
    }
    bytes.append(contents.substr(start, end - start));
    bytes.append("\r\n");
    start = end + 1;
    if (contents[end] == '\r' && start < contents.size() && contents[start] == '\n')
      ++start;
  }
  return bytes;
}

// The JSON array of the paths. Windows paths have their backslashes doubled
// and nothing else: their names cannot hold quotes or control characters.
// Linux names can, so each path there is a full JSON string.
std::string PathsToJsonArray(const std::vector<std::string>& paths, char delimiter) {
  std::string json = "[";
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i > 0)
      json += ", ";
    if (delimiter == '\\') {
      json += '"';
      for (const char c : paths[i]) {
        json += c;
        if (c == '\\')
          json += '\\';
      }
      json += '"';
    } else {
      json += TStrUtils::StringToJsonString(paths[i]);
    }
  }
  json += ']';
  return json;
}

} // namespace

const std::span<const THandlerBinding> kFileHandlers = kBindings;

void TBrowserExternalModule::FilesFileExists(const std::string& uuid, const TJsonValue& data) {
  const std::string filePath = GetJsonString(data, "filePath", "");
  if (filePath.empty())
    return PostCallFailure(uuid, "\"Missing filePath\"");
  const bool exists = FOs.FileExists(ResolvePath(FOs, FWebView, filePath));
  PostCallSuccess(uuid, exists ? "true" : "false");
}

void TBrowserExternalModule::FilesDeleteFile(const std::string& uuid, const TJsonValue& data) {
  const std::string filePath = GetJsonString(data, "filePath", "");
  if (filePath.empty())
    return PostCallFailure(uuid, "\"Missing filePath\"");
  const bool deleted = FOs.RemoveFile(ResolvePath(FOs, FWebView, filePath));
  PostCallSuccess(uuid, deleted ? "true" : "false");
}

void TBrowserExternalModule::FilesWriteTextFile(const std::string& uuid, const TJsonValue& data) {
  const std::string filePath = GetJsonString(data, "filePath", "");
  if (filePath.empty())
    return PostCallFailure(uuid, "\"Missing filePath\"");
  const std::string path = ResolvePath(FOs, FWebView, filePath);
  CreateFolderPart(FOs, path);
  try {
    WriteFile(FOs, path, TextFileBytes(GetJsonString(data, "contents", "")));
  } catch (const Exception& error) {
    return PostCallFailure(uuid, TStrUtils::StringToJsonString(error.what()));
  }
  PostCallSuccess(uuid, "true");
}

void TBrowserExternalModule::FilesExtractFile(const std::string& uuid, const TJsonValue& data) {
  if (!RuntimeOnly(BridgeFunction("FilesExtractFile")))
    return;
  const std::string sourceFile = GetJsonString(data, "sourceFile", "");
  if (sourceFile.empty())
    return PostCallFailure(uuid, "\"Missing sourceFile\"");
  const std::string targetFile = GetJsonString(data, "targetFile", "");
  if (targetFile.empty())
    return PostCallFailure(uuid, "\"Missing targetFile\"");

  std::optional<std::vector<uint8_t>> bytes;
  try {
    const std::string dirName =
        FProjectINI != nullptr ? ReadAppSetting(*FProjectINI, kSettingDirName) : std::string();
    // The folder name and the page's path are joined as they are: pages
    // write "/data/a.txt" for the entry "app/data/a.txt".
    const std::string entryName = dirName + sourceFile;
    // The entry is found and decoded before the target is touched, so a
    // name that is not in the package or an entry that cannot be read
    // leaves an existing target as it was.
    if (FExeZip->IndexOf(entryName) < 0)
      return PostCallFailure(uuid, "\"File not found\"");
    bytes = FExeZip->ExtractBytes(entryName);
    if (!bytes) {
      // A damaged entry, or one the package password does not open.
      return PostCallFailure(uuid, TStrUtils::StringToJsonString("Cannot extract \"" + entryName +
                                                                 "\" from the package"));
    }
  } catch (const Exception& error) {
    return PostCallFailure(uuid, TStrUtils::StringToJsonString(error.what()));
  }
  // The target as given: a relative path is relative to the current folder.
  // A target that cannot be written ends the call without a reply, and the
  // error is reported.
  WriteFile(FOs, targetFile,
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
  PostCallSuccess(uuid, "true");
}

void TBrowserExternalModule::FoldersDirExists(const std::string& uuid, const TJsonValue& data) {
  const std::string dirPath = GetJsonString(data, "dirPath", "");
  if (dirPath.empty())
    return PostCallFailure(uuid, "\"Missing dirPath\"");
  const bool exists = FOs.DirectoryExists(ResolvePath(FOs, FWebView, dirPath));
  PostCallSuccess(uuid, exists ? "true" : "false");
}

void TBrowserExternalModule::FoldersCreateDir(const std::string& uuid, const TJsonValue& data) {
  const std::string dirPath = GetJsonString(data, "dirPath", "");
  if (dirPath.empty())
    return PostCallFailure(uuid, "\"Missing dirPath\"");
  const std::string path = ResolvePath(FOs, FWebView, dirPath);
  const bool exists = FOs.DirectoryExists(path) || FOs.CreateDir(path);
  PostCallSuccess(uuid, exists ? "true" : "false");
}

void TBrowserExternalModule::FoldersDeleteDir(const std::string& uuid, const TJsonValue& data) {
  const std::string dirPath = GetJsonString(data, "dirPath", "");
  if (dirPath.empty())
    return PostCallFailure(uuid, "\"Missing dirPath\"");
  const bool deleted = FOs.DeleteDirectory(ResolvePath(FOs, FWebView, dirPath));
  PostCallSuccess(uuid, deleted ? "true" : "false");
}

void TBrowserExternalModule::FoldersListFiles(const std::string& uuid, const TJsonValue& data) {
  const std::string dirPath = GetJsonString(data, "dirPath", "");
  if (dirPath.empty())
    return PostCallFailure(uuid, "\"Missing dirPath\"");
  const std::string mask = GetJsonString(data, "fileMask", "");
  if (mask.empty())
    return PostCallFailure(uuid, "\"Missing fileMask\"");
  const std::string allDirs = GetJsonString(data, "allDirs", "");
  if (allDirs.empty())
    return PostCallFailure(uuid, "\"Missing allDirs\"");

  const std::string path = ResolvePath(FOs, FWebView, dirPath);
  if (!FOs.DirectoryExists(path))
    return PostCallFailure(uuid, "\"The specified folder does not exist.\"");
  const bool recursive = AsciiLowerCase(allDirs) == "true";
  // A folder that exists but cannot be read ends the call without a reply,
  // and the error is reported.
  const std::vector<std::string> paths = ListMatchingFiles(FOs, path, mask, recursive);
  PostCallSuccess(uuid, PathsToJsonArray(paths, FOs.PathDelimiter()));
}

void TBrowserExternalModule::FoldersGetTempDir(const std::string& uuid) {
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(FOs.GetTempDirPath()));
}

void TBrowserExternalModule::FoldersGetUserDocumentsDir(const std::string& uuid) {
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(FOs.GetUserDocumentsDirPath()));
}

void TBrowserExternalModule::FoldersGetUserDesktopDir(const std::string& uuid) {
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(FOs.GetUserDesktopDirPath()));
}

void TBrowserExternalModule::FoldersGetAppExecutableDir(const std::string& uuid) {
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(AppFolder(FOs, FWebView)));
}

void TBrowserExternalModule::FoldersGetAppDataDir(const std::string& uuid) {
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(FOs.GetUserAppDataDirPath()));
}

void TBrowserExternalModule::Base64DecodeToFile(const std::string& uuid, const TJsonValue& data) {
  const std::string filePath = GetJsonString(data, "filePath", "");
  if (filePath.empty())
    return PostCallFailure(uuid, "\"Missing filePath\"");
  const std::string path = ResolvePath(FOs, FWebView, filePath);
  CreateFolderPart(FOs, path);
  try {
    WriteFile(FOs, path, DecodeBase64Groups(GetJsonString(data, "contents", "")));
  } catch (const Exception& error) {
    return PostCallFailure(uuid, TStrUtils::StringToJsonString(error.what()));
  }
  PostCallSuccess(uuid, "true");
}

} // namespace tessera
