// Packs what tessera-pack refuses to: any entries, with any password, so
// that tests can make packages the runtime must turn away (settings without
// an ID, a package encrypted for another runtime).
//   test_packer RUNTIME OUTPUT PASSWORD NAME=FILE...
// PASSWORD "-" stands for the runtime's own package password.
#include "base/stream.h"
#include "package/calculations.h"
#include "package/zip_writer.h"

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: test_packer RUNTIME OUTPUT PASSWORD NAME=FILE...\n";
    return 64;
  }
  try {
    const std::string password = argv[3] == std::string("-") ? tessera::PackagePassword() : argv[3];
    std::filesystem::copy_file(argv[1], argv[2], std::filesystem::copy_options::overwrite_existing);
    tessera::TFileStream output(argv[2], tessera::TFileStream::TMode::OpenReadWrite);
    output.SetPosition(output.Size());
    tessera::TZipWriter writer(output, password);
    for (int i = 4; i < argc; ++i) {
      const std::string entry = argv[i];
      const size_t equals = entry.find('=');
      if (equals == std::string::npos) {
        std::cerr << "test_packer: not NAME=FILE: " << entry << "\n";
        return 64;
      }
      tessera::TFileStream source(entry.substr(equals + 1), tessera::TFileStream::TMode::OpenRead);
      writer.AddEntry(entry.substr(0, equals), source);
    }
    writer.Finish();
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "test_packer: " << e.what() << "\n";
    return 1;
  }
}
