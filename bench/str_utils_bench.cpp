// What GetFileMIMEType costs per served resource with the table kept for the
// process, against building the table on every call (the registry read comes
// on top of that on Windows; see bench/win/mime_lookup_wine.cpp), and what
// StringToJsonString costs on the texts replies carry.
#include "base/mime_table.h"
#include "base/str_utils.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace tessera {
namespace {

// A system database of the size a desktop Windows registry has: several
// hundred extension keys (many of them without a content type) and a few
// hundred MIME type keys.
TSystemMimeTypes TypicalSystemDatabase() {
  TSystemMimeTypes system;
  for (int i = 0; i < 800; ++i) {
    system.ContentTypes.emplace_back(".ext" + std::to_string(i),
                                     i % 3 == 0 ? "" : "application/x-type" + std::to_string(i));
  }
  system.ContentTypes.emplace_back(".png", "image/png");
  system.ContentTypes.emplace_back(".json", "application/json");
  for (int i = 0; i < 300; ++i) {
    system.Extensions.emplace_back("application/x-kind" + std::to_string(i),
                                   i % 2 == 0 ? "" : ".kind" + std::to_string(i));
  }
  return system;
}

const std::vector<std::string> kFileNames = {
    "index.html", "css/site.css", "js/app.min.js",   "img/logo.png",      "fonts/Inter.woff2",
    "data.json",  "README",       "media/intro.MP4", "C:\\App\\page.htm", "archive.tar.gz",
};

void BM_GetFileMIMEType_ProcessTable(benchmark::State& state) {
  TStrUtils::SetMimeDatabaseSource(TypicalSystemDatabase);
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TStrUtils::GetFileMIMEType(kFileNames[i++ % kFileNames.size()]));
  }
  TStrUtils::SetMimeDatabaseSource(nullptr);
}
BENCHMARK(BM_GetFileMIMEType_ProcessTable);

void BM_GetFileMIMEType_TablePerCall(benchmark::State& state) {
  const TSystemMimeTypes system = TypicalSystemDatabase();
  size_t i = 0;
  for (auto _ : state) {
    const TMimeTable table(system);
    benchmark::DoNotOptimize(std::string(table.TypeOfFile(kFileNames[i++ % kFileNames.size()])));
  }
}
BENCHMARK(BM_GetFileMIMEType_TablePerCall);

// Thousands of registry entries must merge in linear time.
void BM_MimeTable_Build(benchmark::State& state) {
  TSystemMimeTypes system;
  for (int64_t i = 0; i < state.range(0); ++i) {
    system.ContentTypes.emplace_back(".x" + std::to_string(i),
                                     "application/x-" + std::to_string(i));
    system.Extensions.emplace_back("type/y" + std::to_string(i), ".x" + std::to_string(i));
  }
  for (auto _ : state) {
    const TMimeTable table(system);
    benchmark::DoNotOptimize(table.Count());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_MimeTable_Build)->RangeMultiplier(4)->Range(256, 16384)->Complexity();

void BM_StringToJsonString(benchmark::State& state, std::string text) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(TStrUtils::StringToJsonString(text));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK_CAPTURE(BM_StringToJsonString, caption_ascii, std::string("My Application 2.1"));
BENCHMARK_CAPTURE(BM_StringToJsonString, caption_accented,
                  std::string("R\xC3\xA9sum\xC3\xA9 \xE2\x80\x93 \xC3\x9C"
                              "bersicht"));
BENCHMARK_CAPTURE(BM_StringToJsonString, windows_path,
                  std::string("C:\\Users\\Alice\\Documents\\Reports\\2024\\summary.pdf"));
BENCHMARK_CAPTURE(BM_StringToJsonString, price_with_euro, std::string("Total: 12,50 \xE2\x82\xAC"));
BENCHMARK_CAPTURE(BM_StringToJsonString, console_output_4k, [] {
  std::string text;
  while (text.size() < 4096) {
    text += "drwxr-xr-x  2 user user 4096 Jan  1 12:00 folder\r\n";
  }
  return text;
}());
BENCHMARK_CAPTURE(BM_StringToJsonString, plain_text_4k, std::string(4096, 'a'));

} // namespace
} // namespace tessera
