#pragma once

#include "image_fixtures.h"
#include "package/calculations.h"
#include "package/exe_utils.h"
#include "package/zip_archive.h"
#include "platform/api/os_services.h"
#include "temp_dir.h"
#include "tools/pack/packager.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tessera::testing {

inline std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// An app to pack in a fresh folder: a clean runtime image, settings and an
// app folder, packed with the system's own services (the packager walks
// the real file system).
class PackFixture : public ::testing::Test {
public:
  PackFixture() {
    WriteBytes(Options.Runtime, MakePe({{0x400, 0x600}}));
    WriteBytes(Dir.File("qel.ini"), Bytes("[App]\nID=demo\nName=Demo\nDirName=web\n"));
    std::filesystem::create_directories(PathFromUtf8(Dir.File("app")));
    WriteBytes(Dir.File("app/index.html"), Bytes("<h1>Hello</h1>"));
  }

  // The packed output's package, open as the runtime opens it.
  struct TOpenedPackage {
    TMemoryStream Package;
    TZipArchive Archive;
  };
  std::unique_ptr<TOpenedPackage> OpenPacked() {
    auto opened = std::make_unique<TOpenedPackage>();
    TExeUtils utils(Os);
    utils.GetZipFromExe(Options.Output, opened->Package);
    opened->Archive.SetPassword(PackagePassword());
    opened->Archive.Open(opened->Package);
    return opened;
  }

  // Every entry of the packed output and its bytes.
  std::map<std::string, std::string> PackedEntries() {
    const auto opened = OpenPacked();
    const TZipArchive& archive = opened->Archive;
    std::map<std::string, std::string> entries;
    for (int i = 0; i < archive.Count(); ++i) {
      const auto bytes = archive.ExtractBytes(i).value_or(std::vector<uint8_t>{});
      entries[archive.Entry(i).Name] = std::string(bytes.begin(), bytes.end());
    }
    return entries;
  }

  // Packs what a test expects to be refused; the packager's message, or ""
  // (a failure) when it packed.
  std::string PackError() {
    try {
      Pack(Options, Os);
    } catch (const EPackError& e) {
      return e.what();
    }
    ADD_FAILURE() << "packed";
    return {};
  }

  TTempDir Dir;
  std::unique_ptr<OsServices> OsOwner = CreateOsServices();
  OsServices& Os = *OsOwner;
  TPackOptions Options{Dir.File("runtime.exe"),
                       Dir.File("app"),
                       Dir.File("qel.ini"),
                       std::nullopt,
                       std::nullopt,
                       std::nullopt,
                       Dir.File("out.exe")};
};

} // namespace tessera::testing
