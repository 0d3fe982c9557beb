// Writes the seed corpus of the archive fuzz target into a directory:
// archives of many shapes made by the writer, so that the fuzzer starts from
// well-formed catalogues and streams with every token kind.
//
//   make_archive_seeds DIRECTORY
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/ArchiveTestSupport.h"
#include "writer/ArchiveWriter.h"

namespace {

using qor::ArchiveInput;
using qor::EncoderOptions;
using qor::MarkerPair;
using qor::ParseStrategy;

struct Seed {
  const char* name;
  std::vector<ArchiveInput> inputs;
  EncoderOptions options;
  qor::ArchiveSignature signature = qor::ArchiveSignature::Orblane;
};

// A stream whose matches reach 4095 bytes back and decode to more than two
// output windows from a few kilobytes.
std::string FarMatches() {
  std::string stored = "\x41\x42" + archive_test::TextLike(4095, 7);
  for (int i = 0; i < 16000; ++i) stored += "\x42\xFF\xFF";
  return stored;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_archive_seeds DIRECTORY\n");
    return 2;
  }
  std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  using archive_test::Periodic;
  using archive_test::RandomBytes;
  using archive_test::TextLike;
  std::vector<Seed> seeds = {
      {"one-text", {{"a.txt", "xyz"}}, {ParseStrategy::Optimal, MarkerPair{0x41, 0x42}}},
      {"text", {{"doc\\readme.txt", TextLike(3000, 1), 12345}}, {}},
      {"three", {{"a", TextLike(300, 2)}, {"", ""}, {"b\\c", RandomBytes(200, 2), -5}}, {}, qor::ArchiveSignature::Zktern},
      {"equal-markers", {{"e", TextLike(1500, 3)}}, {ParseStrategy::Optimal, MarkerPair{'e', 'e'}}},
      {"escapes", {{"x", TextLike(800, 4)}}, {ParseStrategy::Greedy, MarkerPair{' ', 'e'}}},
      {"runs", {{"r", std::string(2000, 'a') + std::string(500, '\0')}}, {}},
      {"periodic", {{"p", Periodic(6000, 1000, 5)}}, {ParseStrategy::Lazy}},
      {"many", {}, {}},
  };
  for (int i = 0; i < 40; ++i) seeds.back().inputs.push_back({"f" + std::to_string(i), TextLike(static_cast<std::size_t>(i * 5), 6)});

  int written = 0;
  for (const Seed& seed : seeds) {
    std::vector<std::uint8_t> bytes = qor::BuildArchive(seed.inputs, seed.signature, seed.options);
    std::ofstream(dir / seed.name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                           static_cast<std::streamsize>(bytes.size()));
    ++written;
  }
  std::string far = FarMatches();
  std::string decoded = *archive_test::ReferenceDecode(far);
  std::string archive = archive_test::RawArchive({{"far", static_cast<std::uint32_t>(decoded.size()), far}});
  std::ofstream(dir / "far-matches", std::ios::binary).write(archive.data(), static_cast<std::streamsize>(archive.size()));
  ++written;
  std::printf("%d seeds in %s\n", written, dir.string().c_str());
  return 0;
}
