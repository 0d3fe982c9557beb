// qor test: a sound archive passes; each damaged entry is one line naming
// it; a damaged or cut archive of any shape ends in status 0 or 1, never in
// a crash.
#include <gtest/gtest.h>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

// A sound archive passes; of a damaged one, the damage that the decoder
// finds and the damage that only the length shows, each entry on its line.
// The decoder's own faults are probed in the archive tests.
TEST(QorTest, PassesASoundArchiveAndNamesEachDamagedEntryOnItsOwnLine) {
  const std::string data = TextBytes(3000), stored = Encode(data);
  const struct { const char* label; std::vector<RawInput> entries; std::vector<std::string> named; } cases[] = {
      {"sound, entries across the 100000-byte blocks",
       {{"a.txt", TextBytes(250000)}, {"b\\noise.bin", NoiseBytes(120000, 3)}, {"b\\empty", ""},
        {"\x95\x5C\\\x83\x5C.txt", "so"}},
       {}},
      {"the stream is cut short", {{"sub\\bad.bin", stored.substr(0, stored.size() - 40), 3000}}, {"sub/bad.bin"}},
      {"two of three", {{"a.bin", stored, 3001}, {"b.txt", "fine"}, {"c\\d.bin", stored, 2999}}, {"a.bin", "c/d.bin"}},
  };
  for (const auto& c : cases) {
    Scratch scratch;
    QorRun run = RunQor({"test", Arg(scratch.Write("damaged.arc", AssembleArchive(c.entries)))});
    EXPECT_EQ(c.named.empty() ? 0 : 1, run.exitCode) << c.label << "\n" << run.Describe();
    std::vector<std::string> named;  // by each line of the form "qor: NAME: why"
    for (const std::string& line : Lines(run.err))
      named.push_back(line.rfind("qor: ", 0) == 0 ? line.substr(5, line.find(": ", 5) - 5) : line);
    EXPECT_EQ(c.named, named) << c.label << "\n" << run.err;
  }
  // -v names each sound file too, in the folders' own order (folders first).
  Scratch scratch;
  QorRun run = RunQor({"test", "-v", Arg(scratch.Write("v.arc", AssembleArchive({{"b.txt", "b"}, {"a\\c.txt", "c"}})))});
  EXPECT_EQ((std::vector<std::string>{"a/c.txt: ok", "b.txt: ok", "2 file(s) tested, 0 damaged"}), Lines(run.out));
}

// An archive cut short after its catalogue, or followed by other data,
// extracts nothing: test, extract, cat and mount say so once, giving both
// lengths, rather than calling every file damaged.
TEST(QorTest, SaysOnceThatAnArchiveIsNotAsLongAsItsCatalogueDescribes) {
  Scratch scratch;
  const std::string whole = AssembleArchive({{"a.txt", TextBytes(500)}, {"b\\c.bin", NoiseBytes(300, 2)}});
  const std::string length = std::to_string(whole.size());
  const struct { const char* label; std::string bytes, says; } cases[] = {
      {"cut short", whole.substr(0, whole.size() - 7),
       "truncated: " + std::to_string(whole.size() - 7) + " bytes of the " + length + " its catalogue describes"},
      {"data appended", whole + "trailer", "7 bytes of other data follow the " + length + " its catalogue describes"},
  };
  for (const auto& c : cases) {
    const std::string archive = Arg(scratch.Write("x.arc", c.bytes)), out = Arg(scratch / "out");
    std::vector<std::vector<std::string>> commands = {
        {"test", archive}, {"extract", "-C", out, archive}, {"cat", archive, "a.txt"}};
#ifdef QOR_HAVE_FUSE
    commands.push_back({"mount", archive, out});
#endif
    for (const auto& command : commands)
      EXPECT_TRUE(FailedSaying(RunQor(command), "x.arc: " + c.says)) << c.label << ", " << command[0];
    EXPECT_FALSE(std::filesystem::exists(scratch / "out")) << c.label << ": nothing extracted";
  }
}

// Every cut of an archive, and a flipped byte in each part of it, is
// reported by status 0 or 1 (ls, test and extract alike), never by a crash.
TEST(QorTest, SurvivesCutAndMutatedArchives) {
  Scratch scratch;
  std::vector<std::uint8_t> built = qor::BuildArchive(std::vector<qor::ArchiveInput>{
      {"a\\one.txt", TextBytes(400), 0}, {"a\\b\\two.bin", NoiseBytes(300, 9), 0}, {"three", "3", 0}});
  const std::string archive(built.begin(), built.end());
  std::vector<std::pair<std::string, std::string>> variants;
  for (size_t length : {size_t{0}, size_t{21}, size_t{22}, size_t{26}, size_t{30}, size_t{45}, archive.size() / 2,
                        archive.size() - 1})
    variants.emplace_back("cut to " + std::to_string(length), archive.substr(0, length));
  for (size_t at : {size_t{22}, size_t{25}, size_t{26}, size_t{27}, size_t{31}, size_t{40}, archive.size() - 100}) {
    std::string flipped = archive;
    flipped[at] = static_cast<char>(flipped[at] ^ 0xA5);
    variants.emplace_back("byte " + std::to_string(at) + " flipped", flipped);
  }
  variants.emplace_back("one byte more", archive + "!");
  for (const auto& [label, bytes] : variants) {
    std::string file = Arg(scratch.Write("variant.arc", bytes));
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"test", file}, {"ls", "-R", file}, {"extract", "--overwrite", "-C", Arg(scratch / "out"), file}}) {
      QorRun run = RunQor(arguments);
      EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << label << ", " << arguments[0] << "\n" << run.Describe();
      if (run.exitCode == 1) {
        EXPECT_EQ(0u, run.err.rfind("qor: ", 0)) << label << ", " << arguments[0] << ": " << run.err;
      }
    }
  }
}

}  // namespace
}  // namespace qor_test
