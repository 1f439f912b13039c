// The sizes of the Windows images we ship (stripped Release builds of this
// build tree), beside the figures from before their size was worked on: the
// runtime travels inside every packaged application, so each byte of it is
// paid once per application. Run under Wine (or Windows) from the bench
// folder of a windows-bench build, where the images lie at ../src.
#include "package/exe_utils.h"
#include "platform/api/os_services.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

struct TImage {
  const char* Name;
  const char* RelativePath; // from the build tree's root
  int64_t Before;           // bytes, before the size work
};

// Before: the runtime as first measured (2,171,392), tessera-pack at the
// commit the work started from (49636f9).
constexpr TImage kImages[] = {
    {"tessera-runtime.exe", "src\\tessera-runtime.exe", 2171392},
    {"tessera-pack.exe", "src\\tools\\pack\\tessera-pack.exe", 1524736},
};

std::string Thousands(int64_t value) {
  const std::string digits = std::to_string(value);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0)
      text.push_back(',');
    text.push_back(digits[i]);
  }
  return text;
}

} // namespace

int main() {
  const std::string self = tessera::CreateOsServices()->GetExecutablePath();
  // <root>\bench\image_sizes_wine.exe
  const std::string bench = self.substr(0, self.find_last_of("\\/"));
  const std::string root = bench.substr(0, bench.find_last_of("\\/") + 1);
  std::printf("%-22s %14s %14s %8s\n", "image (stripped)", "bytes", "before", "change");
  int missing = 0;
  for (const TImage& image : kImages) {
    const int64_t size = tessera::TExeUtils::GetFileSizeByPath(root + image.RelativePath);
    if (size < 0) {
      std::printf("%-22s %14s\n", image.Name, "(not built)");
      ++missing;
      continue;
    }
    const double change =
        100.0 * static_cast<double>(size - image.Before) / static_cast<double>(image.Before);
    std::printf("%-22s %14s %14s %7.1f%%\n", image.Name, Thousands(size).c_str(),
                Thousands(image.Before).c_str(), change);
  }
  return missing == 0 ? 0 : 1;
}
