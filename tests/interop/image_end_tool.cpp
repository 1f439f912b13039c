// Prints where the executable image in each given file ends, as the runtime
// computes it (-1 for a file that is no PE or ELF image), one "end path"
// line per file. Used to compare with binutils' reading of real images.
#include "package/exe_utils.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
  int rc = 0;
  for (int i = 1; i < argc; ++i) {
    try {
      std::cout << tessera::TExeUtils::GetImageEndByPath(argv[i]) << " " << argv[i] << "\n";
    } catch (const std::exception& e) {
      std::cerr << argv[i] << ": " << e.what() << "\n";
      rc = 1;
    }
  }
  return rc;
}
