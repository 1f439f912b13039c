// Under Wine (or Windows): the package read of a start and of the pages'
// resource requests, as the runtime does them. A file of this program's
// own image followed by the package of bench_package.h is copied into
// memory by TExeUtils::GetZipFromExe, then opened and every entry
// extracted by name. Prints the best of five rounds of each, in MB/s of
// package bytes.
#include "../bench_package.h"
#include "base/stream.h"
#include "package/exe_utils.h"
#include "package/zip_archive.h"
#include "platform/api/os_services.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace tessera;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main() {
  const auto os = CreateOsServices();
  const std::string self = os->GetExecutablePath();
  const std::string path = os->GetTempDirPath() + "tessera-package-read-bench.exe";

  std::vector<std::string> names;
  size_t contentBytes = 0;
  {
    TFileStream file(path, TFileStream::TMode::Create);
    TFileStream image(self, TFileStream::TMode::OpenRead);
    std::vector<uint8_t> bytes(static_cast<size_t>(image.Size()));
    image.Read(bytes.data(), bytes.size());
    file.Write(bytes.data(), bytes.size());
    contentBytes = bench::WritePackage(file, names);
  }

  double bestCopy = 1e9;
  double bestExtract = 1e9;
  int64_t packageBytes = 0;
  for (int round = 0; round < kRounds; ++round) {
    TExeUtils utils(*os);
    TMemoryStream package;
    auto start = Clock::now();
    utils.GetZipFromExe(path, package);
    bestCopy = std::min(bestCopy, Seconds(start));
    packageBytes = package.Size();

    start = Clock::now();
    TZipArchive zip;
    zip.SetPassword(bench::kPassword);
    zip.Open(package);
    size_t extracted = 0;
    for (const std::string& name : names) {
      TMemoryStream target; // as a resource request gets it
      zip.Extract(name, target);
      extracted += static_cast<size_t>(target.Size());
    }
    bestExtract = std::min(bestExtract, Seconds(start));
    if (extracted != contentBytes) {
      std::printf("extracted %zu bytes of %zu\n", extracted, contentBytes);
      return 1;
    }
  }
  os->RemoveFile(path);

  const double megabytes = static_cast<double>(packageBytes) / 1e6;
  std::printf("package: %d entries, %.1f MB\n", bench::kEntryCount, megabytes);
  std::printf("file to memory (GetZipFromExe):     %8.0f MB/s  (%.0f ms)\n", megabytes / bestCopy,
              bestCopy * 1000);
  std::printf("open and extract every entry:       %8.0f MB/s  (%.0f ms)\n",
              megabytes / bestExtract, bestExtract * 1000);
  return 0;
}
