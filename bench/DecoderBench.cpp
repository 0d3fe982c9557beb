// Output throughput of the stored-data decoder, side by side with memcpy,
// zlib inflate and LZ4 decompression on the same two corpora (about 8 MiB of
// text and 8 MiB of executables, gathered from this machine in a fixed
// order), plus a plain byte-at-a-time decoder of our format and ExtractEntry
// from an archive file into a memory file. At the start it prints how well
// each compressor packs the corpora; at the end, the throughput ratios that
// the decoder is held to.
#include <benchmark/benchmark.h>
#include <lz4.h>
#include <lz4hc.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <string_view>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/ArchiveFormat.h"
#include "archive/DiskFile.h"
#include "archive/ExtractEntry.h"
#include "archive/MemoryFile.h"
#include "writer/ArchiveWriter.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kCorpusSize = std::size_t{8} << 20;

// ---- Corpora -------------------------------------------------------------

std::vector<fs::path> SortedFiles(const fs::path& root, bool recursive, bool (*keep)(const fs::path&)) {
  std::vector<fs::path> files;
  std::error_code error;
  auto visit = [&](const fs::directory_entry& entry) {
    std::error_code e;
    if (entry.is_regular_file(e) && !entry.is_symlink(e) && keep(entry.path())) files.push_back(entry.path());
  };
  if (recursive) {
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error))
      visit(*it);
  } else {
    for (fs::directory_iterator it(root, error), end; !error && it != end; it.increment(error)) visit(*it);
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool Append(Bytes& corpus, const fs::path& path) {
  if (corpus.size() >= kCorpusSize) return false;
  Bytes bytes;
  if (path.extension() == ".gz") {
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) return true;
    char buffer[65536];
    int n;
    while ((n = gzread(file, buffer, sizeof buffer)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    gzclose(file);
  } else {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  corpus.insert(corpus.end(), bytes.begin(), bytes.end());
  if (corpus.size() > kCorpusSize) corpus.resize(kCorpusSize);
  return corpus.size() < kCorpusSize;
}

// Licences, package copyright files, then manual pages: English prose and
// markup, as stored files of documentation are.
Bytes TextCorpus() {
  Bytes corpus;
  for (const fs::path& p : SortedFiles("/usr/share/common-licenses", false, [](const fs::path&) { return true; }))
    if (!Append(corpus, p)) return corpus;
  for (const fs::path& p :
       SortedFiles("/usr/share/doc", true, [](const fs::path& f) { return f.filename() == "copyright"; }))
    if (!Append(corpus, p)) return corpus;
  for (const fs::path& p :
       SortedFiles("/usr/share/man", true, [](const fs::path& f) { return f.extension() == ".gz"; }))
    if (!Append(corpus, p)) return corpus;
  return corpus;
}

// Executables from /usr/bin in name order.
Bytes BinaryCorpus() {
  Bytes corpus;
  auto isElf = [](const fs::path& f) {
    char magic[4] = {};
    std::ifstream in(f, std::ios::binary);
    return in.read(magic, 4) && std::memcmp(magic, "\x7F" "ELF", 4) == 0;
  };
  for (const fs::path& p : SortedFiles("/usr/bin", false, isElf))
    if (!Append(corpus, p)) break;
  return corpus;
}

// ---- Files in memory for the decoder ----------------------------------------

// Read-only bytes that the decoder reads as its archive.
class CViewFile final : public qor::CByteFile {
 public:
  explicit CViewFile(const Bytes& bytes) : m_bytes(bytes) {}
  bool Seek(std::uint64_t position) noexcept override {
    m_position = position;
    return true;
  }
  bool GetLength(std::uint64_t& length) noexcept override {
    length = m_bytes.size();
    return true;
  }
  bool Read(void* buffer, std::uint32_t count, std::uint32_t& got) noexcept override {
    got = m_position >= m_bytes.size() ? 0 : static_cast<std::uint32_t>(std::min<std::uint64_t>(count, m_bytes.size() - m_position));
    std::memcpy(buffer, m_bytes.data() + m_position, got);
    m_position += got;
    return true;
  }
  bool Write(const void*, std::uint32_t) noexcept override { return false; }

 private:
  const Bytes& m_bytes;
  std::uint64_t m_position = 0;
};

// The decoder's output: copied into a preallocated buffer, as the other
// decoders write into theirs, or, without a buffer, only counted (the
// decoder's own work without the output file's).
class CBufferFile final : public qor::CByteFile {
 public:
  explicit CBufferFile(Bytes* buffer = nullptr) : m_buffer(buffer) {}
  bool Seek(std::uint64_t position) noexcept override {
    m_position = position;
    return true;
  }
  bool GetLength(std::uint64_t& length) noexcept override {
    length = m_position;
    return true;
  }
  bool Read(void*, std::uint32_t, std::uint32_t& got) noexcept override {
    got = 0;
    return false;
  }
  bool Write(const void* buffer, std::uint32_t count) noexcept override {
    if (m_buffer) {
      if (m_position + count > m_buffer->size()) return false;
      std::memcpy(m_buffer->data() + m_position, buffer, count);
    } else {
      benchmark::DoNotOptimize(buffer);
    }
    m_position += count;
    return true;
  }

 private:
  Bytes* m_buffer;
  std::uint64_t m_position = 0;
};

// ---- The plain decoder, for comparison ---------------------------------------

// Our format decoded the obvious way: one byte at a time, every byte
// bounds-checked, into one flat buffer.
std::int64_t PlainDecode(const std::uint8_t* in, std::size_t size, std::uint8_t* out, std::size_t capacity) {
  if (size < 2) return 0;
  const std::uint8_t a = in[0], m = in[1];
  std::size_t i = 2, o = 0;
  while (i < size) {
    std::uint8_t c = in[i++];
    if (c != a && c != m) {
      if (o >= capacity) return -1;
      out[o++] = c;
      continue;
    }
    if (i >= size) return -1;
    std::uint8_t d = in[i++];
    if (d == 0) {
      if (o >= capacity) return -1;
      out[o++] = c;
      continue;
    }
    std::size_t length = d >> 4, offset = d & 0x0F;
    if (c != a) {
      if (i >= size) return -1;
      offset |= static_cast<std::size_t>(in[i++]) << 4;
    }
    if (length != 0 && (offset == 0 || offset > o)) return -1;
    for (std::size_t k = 0; k < length; ++k) {
      if (o >= capacity) return -1;
      out[o] = out[o - offset];
      ++o;
    }
  }
  return static_cast<std::int64_t>(o);
}

// ---- Fixtures ----------------------------------------------------------------

struct Corpus {
  std::string name;
  Bytes raw;
  Bytes stored;     // our stream, optimal parse
  Bytes zlib6;
  Bytes lz4;
  std::string archivePath;  // a one-entry archive of it, on disk
};

Bytes Zlib(const Bytes& raw, int level) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK)
    throw std::runtime_error("zlib");
  out.resize(size);
  return out;
}

Bytes Lz4(const Bytes& raw, int hcLevel) {
  Bytes out(static_cast<std::size_t>(LZ4_compressBound(static_cast<int>(raw.size()))));
  int n = hcLevel == 0 ? LZ4_compress_default(reinterpret_cast<const char*>(raw.data()),
                                              reinterpret_cast<char*>(out.data()), static_cast<int>(raw.size()),
                                              static_cast<int>(out.size()))
                       : LZ4_compress_HC(reinterpret_cast<const char*>(raw.data()), reinterpret_cast<char*>(out.data()),
                                         static_cast<int>(raw.size()), static_cast<int>(out.size()), hcLevel);
  if (n <= 0) throw std::runtime_error("lz4");
  out.resize(static_cast<std::size_t>(n));
  return out;
}

Bytes Encode(const Bytes& raw, qor::ParseStrategy strategy) {
  qor::EncoderOptions options;
  options.strategy = strategy;
  return qor::EncodeEntry(raw, options);
}

void PrintRatios(const Corpus& c) {
  auto ratio = [&](std::size_t size) { return 100.0 * static_cast<double>(size) / static_cast<double>(c.raw.size()); };
  std::printf("%-6s %9zu bytes | ours: optimal %5.1f%%  lazy %5.1f%%  greedy %5.1f%% | zlib -6 %5.1f%%  -9 %5.1f%% | "
              "lz4 %5.1f%%  lz4hc -9 %5.1f%%  -12 %5.1f%%\n",
              c.name.c_str(), c.raw.size(), ratio(c.stored.size()),
              ratio(Encode(c.raw, qor::ParseStrategy::Lazy).size()),
              ratio(Encode(c.raw, qor::ParseStrategy::Greedy).size()), ratio(c.zlib6.size()),
              ratio(Zlib(c.raw, 9).size()), ratio(c.lz4.size()), ratio(Lz4(c.raw, LZ4HC_CLEVEL_DEFAULT).size()),
              ratio(Lz4(c.raw, LZ4HC_CLEVEL_MAX).size()));
}

Corpus MakeCorpus(const std::string& name, Bytes raw) {
  Corpus c;
  c.name = name;
  c.raw = std::move(raw);
  c.stored = Encode(c.raw, qor::ParseStrategy::Optimal);
  c.zlib6 = Zlib(c.raw, 6);
  c.lz4 = Lz4(c.raw, 0);
  c.archivePath = (fs::temp_directory_path() / ("qor-bench-" + name + ".arc")).string();
  qor::CDiskFile out;
  if (!out.CreateExclusive(("Z:" + c.archivePath).c_str())) throw std::runtime_error("cannot create " + c.archivePath);
  qor::CArchiveWriter writer(out, qor::ArchiveSignature::Orblane);
  std::vector<qor::EntryHead> heads = {{name + ".bin", 0}};
  if (!writer.Begin(heads) || !writer.AddStoredEntry(c.stored, static_cast<std::uint32_t>(c.raw.size())) ||
      !writer.Finish())
    throw std::runtime_error("cannot write " + c.archivePath);
  return c;
}

void Check(bool ok, benchmark::State& state, const char* what) {
  if (!ok) state.SkipWithError(what);
}

void Register(const Corpus& c) {
  const std::int64_t size = static_cast<std::int64_t>(c.raw.size());
  auto finish = [size](benchmark::State& state) { state.SetBytesProcessed(state.iterations() * size); };

  benchmark::RegisterBenchmark(("memcpy/" + c.name).c_str(), [&c, finish](benchmark::State& state) {
    Bytes out(c.raw.size());
    for (auto _ : state) {
      std::memcpy(out.data(), c.raw.data(), c.raw.size());
      benchmark::DoNotOptimize(out.data());
      benchmark::ClobberMemory();
    }
    finish(state);
  });
  benchmark::RegisterBenchmark(("zlib_inflate/" + c.name).c_str(), [&c, finish](benchmark::State& state) {
    Bytes out(c.raw.size());
    for (auto _ : state) {
      uLongf n = static_cast<uLongf>(out.size());
      Check(uncompress(out.data(), &n, c.zlib6.data(), static_cast<uLong>(c.zlib6.size())) == Z_OK &&
                n == c.raw.size(),
            state, "zlib");
      benchmark::DoNotOptimize(out.data());
    }
    finish(state);
  });
  benchmark::RegisterBenchmark(("lz4_decompress/" + c.name).c_str(), [&c, finish](benchmark::State& state) {
    Bytes out(c.raw.size());
    for (auto _ : state) {
      int n = LZ4_decompress_safe(reinterpret_cast<const char*>(c.lz4.data()), reinterpret_cast<char*>(out.data()),
                                  static_cast<int>(c.lz4.size()), static_cast<int>(out.size()));
      Check(n == static_cast<int>(c.raw.size()), state, "lz4");
      benchmark::DoNotOptimize(out.data());
    }
    finish(state);
  });
  benchmark::RegisterBenchmark(("qor_decoder/" + c.name).c_str(), [&c, finish](benchmark::State& state) {
    Bytes out(c.raw.size());
    for (auto _ : state) {
      CViewFile in(c.stored);
      CBufferFile sink(&out);
      std::int64_t n =
          qor::DecodeStoredEntry(in, 0, c.stored.size(), static_cast<std::uint32_t>(c.raw.size()), sink);
      Check(n == static_cast<std::int64_t>(c.raw.size()), state, "qor decoder");
      benchmark::DoNotOptimize(out.data());
    }
    Check(out == c.raw, state, "qor decoder output differs");
    finish(state);
  });
  benchmark::RegisterBenchmark(("qor_decoder_nocopy/" + c.name).c_str(), [&c, finish](benchmark::State& state) {
    for (auto _ : state) {
      CViewFile in(c.stored);
      CBufferFile sink;
      std::int64_t n =
          qor::DecodeStoredEntry(in, 0, c.stored.size(), static_cast<std::uint32_t>(c.raw.size()), sink);
      Check(n == static_cast<std::int64_t>(c.raw.size()), state, "qor decoder");
    }
    finish(state);
  });
  benchmark::RegisterBenchmark(("plain_decoder/" + c.name).c_str(), [&c, finish](benchmark::State& state) {
    Bytes out(c.raw.size());
    for (auto _ : state) {
      std::int64_t n = PlainDecode(c.stored.data(), c.stored.size(), out.data(), out.size());
      Check(n == static_cast<std::int64_t>(c.raw.size()), state, "plain decoder");
      benchmark::DoNotOptimize(out.data());
    }
    Check(out == c.raw, state, "plain decoder output differs");
    finish(state);
  });
  // The output memory file is made once and reused, as the other decoders
  // reuse their output buffer: ExtractEntry rewinds it and writes over it.
  benchmark::RegisterBenchmark(("extract_entry/" + c.name).c_str(), [&c, finish](benchmark::State& state) {
    std::string path = "Z:" + c.archivePath;
    qor::CHeapMemoryFile output(4096);
    for (auto _ : state) {
      qor::CDiskFile archive;
      Check(archive.OpenForReading(path.c_str()) &&
                qor::ExtractEntry(archive, output, 0, 0) == static_cast<std::int32_t>(c.raw.size()),
            state, "ExtractEntry");
    }
    finish(state);
  });
  // A new memory file for every extraction, as the library's callers make:
  // this adds the growth of the block and the first touch of every page.
  benchmark::RegisterBenchmark(("extract_entry_fresh/" + c.name).c_str(), [&c, finish](benchmark::State& state) {
    std::string path = "Z:" + c.archivePath;
    for (auto _ : state) {
      qor::CDiskFile archive;
      qor::CHeapMemoryFile output(4096);
      Check(archive.OpenForReading(path.c_str()) &&
                qor::ExtractEntry(archive, output, 0, 0) == static_cast<std::int32_t>(c.raw.size()),
            state, "ExtractEntry");
      benchmark::DoNotOptimize(output.Detach().get());
    }
    finish(state);
  });
}

// The console report, plus the ratios of the decoder's throughput to the
// others' once every benchmark has run (with --benchmark_repetitions, the
// best repetition of each).
class CRatioReporter final : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end() || run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      // The best of the repetitions: on a shared machine, the one least disturbed.
      double& rate = m_rates[run.run_name.function_name];
      rate = std::max(rate, it->second.value);
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    struct Target {
      const char* what;
      const char* ours;
      const char* theirs;
      double text, binary;
    } targets[] = {
        {"decoder / lz4", "qor_decoder", "lz4_decompress", 0.75, 0.5},
        {"decoder / plain decoder", "qor_decoder", "plain_decoder", 4.0, 4.0},
        {"extract_entry / lz4", "extract_entry", "lz4_decompress", 0.6, 0.4},
        {"decoder / zlib", "qor_decoder", "zlib_inflate", 0, 0},
        {"decoder / memcpy", "qor_decoder", "memcpy", 0, 0},
        {"extract_entry_fresh / lz4", "extract_entry_fresh", "lz4_decompress", 0, 0},
        {"decoder, no copy / lz4", "qor_decoder_nocopy", "lz4_decompress", 0, 0},
        {"decoder, no copy / plain", "qor_decoder_nocopy", "plain_decoder", 0, 0},
    };
    std::printf("\n%-26s %8s %8s   %s\n", "ratio", "text", "binary", "target (text, binary)");
    for (const Target& t : targets) {
      double r[2] = {};
      const char* corpora[2] = {"text", "binary"};
      for (int i = 0; i < 2; ++i) {
        double ours = Rate(std::string(t.ours) + "/" + corpora[i]);
        double theirs = Rate(std::string(t.theirs) + "/" + corpora[i]);
        r[i] = theirs > 0 ? ours / theirs : 0;
      }
      std::printf("%-26s %8.2f %8.2f", t.what, r[0], r[1]);
      if (t.text > 0)
        std::printf("   >= %.2f, >= %.2f  %s", t.text, t.binary, r[0] >= t.text && r[1] >= t.binary ? "met" : "MISSED");
      std::printf("\n");
    }
  }

 private:
  double Rate(const std::string& name) const {
    auto it = m_rates.find(name);
    return it == m_rates.end() ? 0 : it->second;
  }
  std::map<std::string, double> m_rates;
};

}  // namespace

// The in-memory decoding rate of the first entry of an archive file, output
// only counted, best of three: what bench/scale.sh compares extraction with.
int DecodeArchiveEntry(const char* path) {
  std::ifstream file(path, std::ios::binary);
  Bytes archive((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  CViewFile in(archive);
  BYTE version = 0;
  qor::Catalogue catalogue;
  qor::ArchiveLayout layout;
  if (!qor::ReadArchiveLayout(in, 0, version, catalogue, layout) || layout.entries.empty()) {
    std::fprintf(stderr, "decoder_bench: %s is no archive\n", path);
    return 1;
  }
  const qor::EntryPlace& entry = layout.entries[0];
  double best = 0;
  for (int run = 0; run < 3; ++run) {
    CBufferFile sink;
    auto start = std::chrono::steady_clock::now();
    std::int64_t n = qor::DecodeStoredEntry(in, entry.start, entry.storedLength, entry.unpackedLength, sink);
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (n != entry.unpackedLength) {
      std::fprintf(stderr, "decoder_bench: the first entry of %s does not decode\n", path);
      return 1;
    }
    best = std::max(best, static_cast<double>(n) / took.count() / (1u << 30));
  }
  std::printf("%.3f\n", best);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "--archive") return DecodeArchiveEntry(argv[2]);
  benchmark::Initialize(&argc, argv);
  std::vector<Corpus> corpora;
  corpora.push_back(MakeCorpus("text", TextCorpus()));
  corpora.push_back(MakeCorpus("binary", BinaryCorpus()));
  std::printf("stored size as a share of the original (smaller is better):\n");
  for (const Corpus& c : corpora) PrintRatios(c);
  std::printf("\n");
  std::fflush(stdout);
  for (const Corpus& c : corpora) Register(c);
  CRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const Corpus& c : corpora) fs::remove(c.archivePath);
  benchmark::Shutdown();
  return 0;
}
