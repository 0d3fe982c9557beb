// Opening an archive of 1,000,000 entries: building its folder tree from a
// catalogue already in memory, and the whole open as the archive object
// binds (the catalogue read from the file record by record into the tree,
// and where each entry lies kept for extraction).
//
// The stored paths are 1 to 6 components deep under about 4,000 folders,
// with file names of 16 bytes and a few double-byte folder names; each file
// goes to a random folder, in the order the catalogue lists them. Building
// includes sealing the tree (putting every folder's children in order), as
// the bind does. Memory is what the C heap holds for the tree once it is
// built (records, child arrays, folder nodes and the allocator's own
// overhead), per catalogue entry, measured with mallinfo2; the catalogue's
// own arrays are reported apart.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "archive/Catalogue.h"
#include "archive/DiskFile.h"
#include "archive/ExtractEntry.h"
#include "catalog/ArchiveNode.h"
#include "names/MbString.h"
#include "platform/posix/drive_mapping.h"
#include "writer/ArchiveWriter.h"

namespace {

constexpr std::size_t kEntries = 1'000'000;
constexpr std::size_t kFolders = 4'000;
constexpr int kMaxFolderDepth = 5;  // files lie one level deeper

std::size_t HeapInUse() {
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

FILETIME ToFileTime(std::int32_t seconds) {
  std::uint64_t ticks = static_cast<std::uint64_t>(static_cast<std::int64_t>(seconds) + 11644473600) * 10000000u;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

enum Order { kRandomFolders = 0, kDirectoryWalk = 1 };

// The catalogue of the benchmark archive, the same on every run: files in
// random folders in the order they were made, or the same files in the order
// of a writer that walks the directory tree.
const qor::Catalogue& Corpus(int order) {
  static const qor::Catalogue scattered = [] {
    std::mt19937 random(20240601);
    struct Folder {
      std::string path;
      int depth;
    };
    std::vector<Folder> folders{{"", 0}};
    const char* const kanaNames[] = {"\x83\x74\x83\x40\x83\x43\x83\x8B", "\x95\x5C\x8E\xA6", "\x8E\x91\x97\xBF"};
    while (folders.size() < kFolders + 1) {
      const Folder& parent = folders[random() % folders.size()];
      if (parent.depth >= kMaxFolderDepth) continue;
      std::size_t n = folders.size();
      std::string name = n % 97 == 0 ? std::string(kanaNames[n % 3]) + std::to_string(n) : "dir_" + std::to_string(n);
      folders.push_back({parent.path + name + "\\", parent.depth + 1});
    }
    qor::Catalogue entries;
    entries.reserve(kEntries);
    char name[32];
    for (std::size_t i = 0; i < kEntries; ++i) {
      std::snprintf(name, sizeof name, "file_%07zu.dat", i);
      const Folder& folder = folders[random() % folders.size()];
      qor::CatalogueEntry entry;
      entry.name = folder.path + name;
      entry.unpackedLength = static_cast<std::uint32_t>(random() % 100000);
      entry.modificationTime = static_cast<std::int32_t>(1600000000 + random() % 100000000);
      entries.push_back(std::move(entry));
    }
    return entries;
  }();
  static const qor::Catalogue walked = [] {
    // Depth first, each folder's files and sub-folders in name order: paths
    // compared component by component.
    qor::Catalogue entries = scattered;
    auto componentLess = [](const std::string& a, const std::string& b) {
      std::size_t i = 0;
      std::size_t j = 0;
      for (;;) {
        std::size_t endA = std::min(qor::MbsIndexOfSeparator(a, i), a.size());
        std::size_t endB = std::min(qor::MbsIndexOfSeparator(b, j), b.size());
        int difference = qor::MbsCompare(a.substr(i, endA - i).c_str(), b.substr(j, endB - j).c_str());
        if (difference != 0) return difference < 0;
        if (endA == a.size() || endB == b.size()) return endA == a.size() && endB != b.size();
        i = endA + 1;
        j = endB + 1;
      }
    };
    std::sort(entries.begin(), entries.end(),
              [&](const qor::CatalogueEntry& a, const qor::CatalogueEntry& b) { return componentLess(a.name, b.name); });
    return entries;
  }();
  return order == kDirectoryWalk ? walked : scattered;
}

void AddAll(qor::CArchiveNode& root, const qor::Catalogue& catalogue) {
  DWORD index = 0;
  for (const qor::CatalogueEntry& entry : catalogue)
    root.AddPath(entry.name.c_str(), index++, 0x80, entry.unpackedLength, ToFileTime(entry.modificationTime));
  root.Seal();
}

void BM_BuildTree(benchmark::State& state) {
  const qor::Catalogue& catalogue = Corpus(static_cast<int>(state.range(0)));
  std::size_t treeBytes = 0;
  for (auto _ : state) {
    std::size_t before = HeapInUse();
    auto root = std::make_unique<qor::CArchiveNode>();
    AddAll(*root, catalogue);
    benchmark::DoNotOptimize(root.get());
    state.PauseTiming();
    treeBytes = HeapInUse() - before;
    root.reset();
    state.ResumeTiming();
  }
  state.counters["entries"] = static_cast<double>(catalogue.size());
  state.counters["tree_bytes_per_entry"] = static_cast<double>(treeBytes) / static_cast<double>(catalogue.size());
}

// The archive file of the corpus, written once: every entry stored empty,
// since only the catalogue is read when an archive is opened.
const std::string& ArchivePath(int order) {
  static std::string paths[2];
  std::string& path = paths[order];
  if (path.empty()) {
    const qor::Catalogue& catalogue = Corpus(order);
    std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("qor-tree-bench-" + std::to_string(order) + ".arc");
    struct RemoveAtExit {
      std::filesystem::path file;
      ~RemoveAtExit() {
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
      }
    };
    static std::vector<RemoveAtExit> removals;
    removals.push_back({file});
    std::string windowsPath;
    if (!qor::posix::PosixToWindowsPath(file.string(), windowsPath))
      throw std::runtime_error("no Windows path for " + file.string());
    std::vector<qor::EntryHead> heads;
    heads.reserve(catalogue.size());
    for (const qor::CatalogueEntry& entry : catalogue) heads.push_back({entry.name, entry.modificationTime});
    qor::CDiskFile output;
    if (!output.CreateExclusive(windowsPath.c_str())) throw std::runtime_error("cannot create " + windowsPath);
    qor::CArchiveWriter writer(output, qor::ArchiveSignature::Zktern);
    bool ok = writer.Begin(heads);
    for (const qor::CatalogueEntry& entry : catalogue) ok = ok && writer.AddStoredEntry({}, entry.unpackedLength);
    if (!ok || !writer.Finish()) throw std::runtime_error("cannot write " + windowsPath);
    path = windowsPath;
  }
  return path;
}

void BM_ReadCatalogue(benchmark::State& state) {
  const std::string& path = ArchivePath(kRandomFolders);
  for (auto _ : state) {
    BYTE version = 0;
    qor::Catalogue catalogue;
    if (!qor::LoadArchiveCatalogue(path.c_str(), version, catalogue)) {
      state.SkipWithError("the catalogue cannot be read");
      break;
    }
    benchmark::DoNotOptimize(catalogue.data());
    state.PauseTiming();
    catalogue = {};
    state.ResumeTiming();
  }
}

// The whole open as the archive object binds: the catalogue read record by
// record into the tree, and where each entry lies kept for extraction.
void BM_OpenArchive(benchmark::State& state) {
  const std::string& path = ArchivePath(static_cast<int>(state.range(0)));
  std::size_t layoutBytes = 0;
  std::size_t treeBytes = 0;
  std::size_t entries = 0;
  for (auto _ : state) {
    std::size_t before = HeapInUse();
    qor::CDiskFile file;
    BYTE version = 0;
    qor::ArchiveLayout layout;
    auto root = std::make_unique<qor::CArchiveNode>();
    DWORD index = 0;
    if (!file.OpenForReading(path.c_str()) ||
        !qor::ReadArchiveLayout(file, 0, version, layout, [&](const qor::CatalogueRecord& record) {
          root->AddPath(record.name, index++, 0x80, record.unpackedLength, ToFileTime(record.modificationTime));
        })) {
      state.SkipWithError("the catalogue cannot be read");
      break;
    }
    root->Seal();
    benchmark::DoNotOptimize(root.get());
    state.PauseTiming();
    std::size_t all = HeapInUse() - before;
    layoutBytes = layout.entries.capacity() * sizeof(qor::EntryPlace);
    treeBytes = all - layoutBytes;
    entries = layout.entries.size();
    root.reset();
    layout = {};
    state.ResumeTiming();
  }
  if (entries == 0) return;
  state.counters["entries"] = static_cast<double>(entries);
  state.counters["layout_bytes_per_entry"] = static_cast<double>(layoutBytes) / static_cast<double>(entries);
  state.counters["tree_bytes_per_entry"] = static_cast<double>(treeBytes) / static_cast<double>(entries);
}

// Argument: 0 files in random folders, 1 in directory-walk order.
// Other processes share this machine's two cores, so each figure is the
// median of several runs.
void Configure(benchmark::internal::Benchmark* benchmark) {
  benchmark->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(3)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_ReadCatalogue)->Apply(Configure);
BENCHMARK(BM_BuildTree)->Arg(kRandomFolders)->Arg(kDirectoryWalk)->Apply(Configure);
BENCHMARK(BM_OpenArchive)->Arg(kRandomFolders)->Arg(kDirectoryWalk)->Apply(Configure);

}  // namespace

BENCHMARK_MAIN();
