// The TSysUtils functions that walk and rewrite files through
// std::filesystem and the C++ file streams. They live apart from the rest
// because on Windows those bring the C++ library's locale machinery (some
// 700 KB) into every image that links them, and the runtime calls none.
#include "functions/sys_utils.h"

#include "base/utf.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace tessera {

namespace fs = std::filesystem;

namespace {

char FoldAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Windows wildcard rules: '*' any run, '?' one character, ASCII letters
// without regard to case. '?' takes one byte, so a mask that must take one
// non-ASCII character needs '*' there; masks are written for extensions.
bool MatchesWildcard(std::string_view name, std::string_view mask) {
  size_t n = 0;
  size_t m = 0;
  size_t starMask = std::string_view::npos;
  size_t starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() && (mask[m] == '?' || FoldAscii(mask[m]) == FoldAscii(name[n]))) {
      ++m;
      ++n;
    } else if (starMask != std::string_view::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*')
    ++m;
  return m == mask.size();
}

bool MatchesMask(const std::string& name, const std::string& mask) {
  // "*.*" names every entry on Windows, with or without an extension.
  if (mask.empty() || mask == "*" || mask == "*.*")
    return true;
  return MatchesWildcard(name, mask);
}

// The order folders list in on Windows: by name without regard to case.
bool NameLess(const std::string& a, const std::string& b) {
  const auto folded = [](const std::string& s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), FoldAscii);
    return out;
  };
  const std::string fa = folded(a);
  const std::string fb = folded(b);
  return fa != fb ? fa < fb : a < b;
}

std::string WithTrailingSeparator(std::string path) {
  if (path.empty() || (path.back() != '/' && path.back() != fs::path::preferred_separator))
    path.push_back(static_cast<char>(fs::path::preferred_separator));
  return path;
}

bool IsSeparator(char c) {
  return c == '/' || c == static_cast<char>(fs::path::preferred_separator);
}

// "C:" and the server part of "\\server\share" are no names the system can
// be asked about; a walk stops before them.
bool IsRootPrefix(const std::string& path) {
  const fs::path p = PathFromUtf8(path);
  return p == p.root_path() || p == p.root_name() ||
         path.find_first_not_of("/\\") == std::string::npos;
}

} // namespace

void TSysUtils::GetDirectoryFiles(const std::string& rootFolder, bool includeFolders,
                                  std::vector<std::string>& list, const std::string& mask) {
  std::vector<std::string> folders;
  std::vector<std::string> files;
  std::error_code error;
  fs::directory_iterator it(PathFromUtf8(rootFolder), error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string name = PathToUtf8(it->path().filename());
    std::error_code statusError;
    if (it->is_directory(statusError)) {
      if (includeFolders)
        folders.push_back(name);
    } else if (MatchesMask(name, mask)) {
      files.push_back(name);
    }
  }
  std::sort(folders.begin(), folders.end(), NameLess);
  std::sort(files.begin(), files.end(), NameLess);
  const std::string prefix = WithTrailingSeparator(rootFolder);
  for (const std::string& name : folders)
    list.push_back(prefix + name);
  for (const std::string& name : files)
    list.push_back(prefix + name);
}

std::int64_t TSysUtils::GetSizeOfDir(const std::string& folder, bool includeSubfolders) {
  std::int64_t total = 0;
  std::error_code error;
  fs::directory_iterator it(PathFromUtf8(folder), error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    std::error_code entryError;
    if (it->is_symlink(entryError) && it->is_directory(entryError))
      continue; // a linked folder may lead back up the tree
    if (it->is_directory(entryError)) {
      if (includeSubfolders)
        total += GetSizeOfDir(PathToUtf8(it->path()), true);
    } else {
      const std::int64_t size = GetSizeOfFile(PathToUtf8(it->path()));
      if (size > 0)
        total += size;
    }
  }
  return total;
}

std::int64_t TSysUtils::GetSizeOfFile(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(PathFromUtf8(path), error);
  if (error)
    return -1;
  return static_cast<std::int64_t>(size);
}

int TSysUtils::GetSubdirectoriesCount(const std::string& folder) {
  int count = 0;
  std::error_code error;
  fs::directory_iterator it(PathFromUtf8(folder), error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    std::error_code entryError;
    if (it->is_directory(entryError))
      ++count;
  }
  return count;
}

std::string TSysUtils::GetParentDirPath(const std::string& path) {
  std::error_code error;
  fs::path full = fs::absolute(PathFromUtf8(path) / "..", error);
  if (error)
    full = PathFromUtf8(path) / "..";
  return WithTrailingSeparator(PathToUtf8(full.lexically_normal()));
}

std::string TSysUtils::ExpandFileNameRelBaseDir(const std::string& fileName,
                                                const std::string& baseDir) {
  fs::path name = PathFromUtf8(fileName);
  if (name.is_relative())
    name = PathFromUtf8(baseDir) / name;
  return PathToUtf8(name.lexically_normal());
}

bool TSysUtils::IsValidFilePath(OsServices& os, const std::string& fileName) {
  if (fileName.empty() || fileName.find('\0') != std::string::npos)
    return false;
  // From the whole path to its first component: each shorter prefix must be
  // a name the system accepts, and an existing one must be a folder, since
  // the rest of the path lies inside it.
  std::string path = fileName;
  bool isLast = true;
  for (;;) {
    while (path.size() > 1 && IsSeparator(path.back()))
      path.pop_back();
    if (path.empty() || IsRootPrefix(path))
      break;
    if (!isLast) {
      std::error_code error;
      const fs::file_status status = fs::status(PathFromUtf8(path), error);
      if (fs::exists(status) && !fs::is_directory(status))
        return false;
    }
    if (os.IsPathNameRejected(path))
      return false;
    const auto cut = std::find_if(path.rbegin(), path.rend(), IsSeparator);
    if (cut == path.rend())
      break;
    path.resize(static_cast<size_t>(path.rend() - cut) - 1);
    if (path.empty())
      break;
    isLast = false;
  }
  return true;
}

bool TSysUtils::RemoveUTFBoomFromFile(const std::string& filePath) {
  const fs::path path = PathFromUtf8(filePath);
  std::string content;
  {
    std::ifstream in(path, std::ios::binary);
    char mark[3] = {};
    if (!in.read(mark, 3) || mark[0] != '\xEF' || mark[1] != '\xBB' || mark[2] != '\xBF')
      return false;
    content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad())
      return false;
  }
  // A read-only file stays as it is, though its folder would let a new file
  // take its place.
  if (!std::ofstream(path, std::ios::binary | std::ios::app))
    return false;
  std::error_code error;
  fs::path temporary;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = path;
    temporary += PathFromUtf8(".bom" + std::to_string(attempt) + ".tmp");
    if (!fs::exists(temporary, error))
      break;
    temporary.clear();
  }
  if (temporary.empty())
    return false;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) {
      fs::remove(temporary, error);
      return false;
    }
  }
  const fs::perms permissions = fs::status(path, error).permissions();
  if (!error)
    fs::permissions(temporary, permissions, error);
  fs::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
  }
  return true;
}

bool TSysUtils::FilesHaveSameDateTime(const std::string& fileA, const std::string& fileB) {
  std::error_code errorA;
  std::error_code errorB;
  const auto timeA = fs::last_write_time(PathFromUtf8(fileA), errorA);
  const auto timeB = fs::last_write_time(PathFromUtf8(fileB), errorB);
  return !errorA && !errorB && timeA == timeB;
}

} // namespace tessera
