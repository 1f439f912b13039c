// Under Wine (or Windows): what one GetFileMIMEType costs when every call
// reads both registry passes and builds the table, against the table kept
// for the process. Prints ns per call for each.
#include "base/mime_table.h"
#include "base/str_utils.h"
#include "platform/api/os_services.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using tessera::TMimeTable;
using tessera::TStrUtils;
using Clock = std::chrono::steady_clock;

const std::vector<std::string> kFileNames = {
    "index.html", "css/site.css", "js/app.min.js",   "img/logo.png",      "fonts/Inter.woff2",
    "data.json",  "README",       "media/intro.MP4", "C:\\App\\page.htm", "archive.tar.gz",
};

template <typename TCall> double NanosecondsPerCall(int calls, TCall call) {
  size_t sink = 0;
  const auto start = Clock::now();
  for (int i = 0; i < calls; ++i) {
    sink += call(kFileNames[static_cast<size_t>(i) % kFileNames.size()]);
  }
  const auto elapsed = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
  if (sink == 0) {
    std::puts("(no result)");
  }
  return elapsed / calls;
}

} // namespace

int main() {
  const auto os = tessera::CreateOsServices();
  const tessera::TSystemMimeTypes sample = os->ReadMimeDatabase();
  std::printf("registry: %zu extension keys, %zu MIME type keys; table of %zu extensions\n",
              sample.ContentTypes.size(), sample.Extensions.size(), TMimeTable(sample).Count());

  const double readAndBuild = NanosecondsPerCall(200, [&os](const std::string& name) {
    const TMimeTable table(os->ReadMimeDatabase());
    return table.TypeOfFile(name).size();
  });
  const double readOnly = NanosecondsPerCall(
      200, [&os](const std::string&) { return os->ReadMimeDatabase().ContentTypes.size(); });
  const double buildOnly = NanosecondsPerCall(2000, [&sample](const std::string& name) {
    const TMimeTable table(sample);
    return table.TypeOfFile(name).size();
  });

  TStrUtils::SetMimeDatabaseSource([&os] { return os->ReadMimeDatabase(); });
  TStrUtils::GetFileMIMEType("warm-up.html");
  const double cached = NanosecondsPerCall(
      2000000, [](const std::string& name) { return TStrUtils::GetFileMIMEType(name).size(); });

  std::printf("per-call rebuild (registry read + table): %12.0f ns/call\n", readAndBuild);
  std::printf("  of which registry read:                 %12.0f ns/call\n", readOnly);
  std::printf("  of which table build:                   %12.0f ns/call\n", buildOnly);
  std::printf("process table lookup (GetFileMIMEType):   %12.1f ns/call\n", cached);
  std::printf("ratio rebuild / cached:                   %12.0fx\n", readAndBuild / cached);
  return 0;
}
