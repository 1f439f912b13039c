// A test-only command line around the archive reader and writer, so that a
// script can check them against Info-ZIP's zip and unzip:
//
//   zip_tool write ARCHIVE PASSWORD DIR         package every file under DIR
//   zip_tool extract ARCHIVE PASSWORD NAME OUT  one entry into the file OUT
//   zip_tool extract-all ARCHIVE PASSWORD DIR   every file entry under DIR
//
// Exit code 0 on success, 1 when an entry could not be extracted, 2 on
// errors and bad usage.

#include "base/exceptions.h"
#include "base/stream.h"
#include "base/utf.h"
#include "package/calculations.h"
#include "package/zip_archive.h"
#include "package/zip_writer.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tessera;

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
  TFileStream file(path, TFileStream::TMode::OpenRead);
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
  if (!bytes.empty() && file.Read(bytes.data(), bytes.size()) != bytes.size()) {
    throw EFileError("Cannot read file \"" + path + "\"");
  }
  return bytes;
}

int Write(const std::string& archive, const std::string& password, const std::string& dir) {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(PathFromUtf8(dir))) {
    if (entry.is_regular_file()) {
      const std::u8string name =
          entry.path().lexically_relative(PathFromUtf8(dir)).generic_u8string();
      names.emplace_back(name.begin(), name.end());
    }
  }
  std::sort(names.begin(), names.end());
  TFileStream target(archive, TFileStream::TMode::Create);
  TZipWriter writer(target, password, TDosDateTime::FromLocalTime(std::time(nullptr)));
  for (const std::string& name : names) {
    TFileStream source(PathToUtf8(PathFromUtf8(dir) / PathFromUtf8(name)),
                       TFileStream::TMode::OpenRead);
    writer.AddEntry(name, source);
  }
  writer.Finish();
  return 0;
}

bool ExtractTo(const TZipArchive& zip, const std::string& name, const fs::path& out) {
  const auto bytes = zip.ExtractBytes(name);
  if (!bytes) {
    std::cerr << "zip_tool: cannot extract \"" << name << "\"\n";
    return false;
  }
  fs::create_directories(out.parent_path());
  TFileStream file(PathToUtf8(out), TFileStream::TMode::Create);
  file.Write(bytes->data(), bytes->size());
  return true;
}

int Extract(const std::vector<std::string>& args) {
  const std::vector<uint8_t> bytes = ReadFile(args[1]);
  TZipArchive zip;
  zip.SetPassword(args[2]);
  zip.Open(bytes);
  if (args[0] == "extract") {
    return ExtractTo(zip, args[3], PathFromUtf8(args[4])) ? 0 : 1;
  }
  bool ok = true;
  for (int i = 0; i < zip.Count(); ++i) {
    const std::string& name = zip.Entry(i).Name;
    if (name.empty() || name.back() == '/') {
      continue; // a folder entry
    }
    const fs::path relative = PathFromUtf8(name).lexically_normal();
    if (relative.is_absolute() || relative.has_root_name() || *relative.begin() == "..") {
      std::cerr << "zip_tool: refusing entry name \"" << name << "\"\n";
      ok = false;
      continue;
    }
    ok = ExtractTo(zip, name, PathFromUtf8(args[3]) / relative) && ok;
  }
  return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (args.size() == 4 && args[0] == "write") {
      return Write(args[1], args[2], args[3]);
    }
    if (args.size() == 1 && args[0] == "package-password") {
      std::cout << tessera::PackagePassword() << "\n";
      return 0;
    }
    if ((args.size() == 5 && args[0] == "extract") ||
        (args.size() == 4 && args[0] == "extract-all")) {
      return Extract(args);
    }
  } catch (const std::exception& e) {
    std::cerr << "zip_tool: " << e.what() << "\n";
    return 2;
  }
  std::cerr << "usage: zip_tool write ARCHIVE PASSWORD DIR\n"
               "       zip_tool extract ARCHIVE PASSWORD NAME OUT\n"
               "       zip_tool extract-all ARCHIVE PASSWORD DIR\n"
               "       zip_tool package-password\n";
  return 2;
}
