// The archive reader on a package of the size a large application has:
// about 100 MB in 5,000 entries, written by TZipWriter as the packager does.
// Extraction is set beside a plain copy of the same bytes, and lookups by
// name are counted, since every resource request of a page makes one.

#include "base/stream.h"
#include "bench_package.h"
#include "package/pkware_crypto.h"
#include "package/zip_archive.h"
#include "package/zip_writer.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace tessera;

const std::string& Password = bench::kPassword;
constexpr int EntryCount = bench::kEntryCount;

struct TPackage {
  TMemoryStream Stream;
  std::vector<std::string> Names;
  size_t ContentBytes = 0;
};

const TPackage& Package() {
  static const TPackage package = [] {
    TPackage p;
    p.ContentBytes = bench::WritePackage(p.Stream, p.Names);
    return p;
  }();
  return package;
}

void BM_OpenAndExtractAll(benchmark::State& state) {
  const TPackage& package = Package();
  for (auto _ : state) {
    TZipArchive zip;
    zip.SetPassword(Password);
    zip.Open(package.Stream);
    for (const std::string& name : package.Names) {
      TMemoryStream target; // as a resource request gets it
      zip.Extract(name, target);
      benchmark::DoNotOptimize(target.Bytes().data());
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * package.ContentBytes));
}
BENCHMARK(BM_OpenAndExtractAll)->Unit(benchmark::kMillisecond);

// The floor: copying the same number of bytes once.
void BM_MemcpySameBytes(benchmark::State& state) {
  const TPackage& package = Package();
  std::vector<uint8_t> copy(package.ContentBytes);
  for (auto _ : state) {
    std::memcpy(copy.data(), package.Stream.Bytes().data(), copy.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * package.ContentBytes));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond);

// The cipher alone, which bounds extraction of stored entries.
void BM_DecryptSameBytes(benchmark::State& state) {
  const TPackage& package = Package();
  std::vector<uint8_t> plain(package.ContentBytes);
  for (auto _ : state) {
    TPkwareKeys keys(Password);
    keys.Decrypt(package.Stream.Bytes().data(), plain.data(), plain.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * package.ContentBytes));
}
BENCHMARK(BM_DecryptSameBytes)->Unit(benchmark::kMillisecond);

void BM_Open(benchmark::State& state) {
  const TPackage& package = Package();
  for (auto _ : state) {
    TZipArchive zip;
    zip.Open(package.Stream);
    benchmark::DoNotOptimize(zip.Count());
  }
  state.SetItemsProcessed(state.iterations() * EntryCount);
}
BENCHMARK(BM_Open)->Unit(benchmark::kMicrosecond);

void BM_IndexOf(benchmark::State& state) {
  const TPackage& package = Package();
  TZipArchive zip;
  zip.Open(package.Stream);
  // Names as a page asks for them: some in other letter case, some missing.
  std::vector<std::string> queries;
  for (size_t i = 0; i < package.Names.size(); ++i) {
    std::string q = package.Names[i];
    if (i % 3 == 1) {
      q[0] = 'A';
    } else if (i % 3 == 2) {
      q += ".missing";
    }
    queries.push_back(std::move(q));
  }
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(zip.IndexOf(queries[i]));
    i = i + 1 == queries.size() ? 0 : i + 1;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IndexOf);

void BM_WritePackage(benchmark::State& state) {
  const TPackage& package = Package();
  std::vector<std::vector<uint8_t>> contents;
  for (int i = 0; i < EntryCount; ++i) {
    contents.push_back(bench::EntryData(i));
  }
  for (auto _ : state) {
    TMemoryStream stream;
    TZipWriter writer(stream, Password);
    for (int i = 0; i < EntryCount; ++i) {
      writer.AddEntry(package.Names[static_cast<size_t>(i)], contents[static_cast<size_t>(i)]);
    }
    writer.Finish();
    benchmark::DoNotOptimize(stream.Bytes().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * package.ContentBytes));
}
BENCHMARK(BM_WritePackage)->Unit(benchmark::kMillisecond);

} // namespace
