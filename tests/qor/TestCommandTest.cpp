// qor test: a sound archive passes; each damaged entry is one line naming
// it; a damaged or cut archive of any shape ends in status 0 or 1, never in
// a crash.
#include <gtest/gtest.h>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

std::vector<std::string> Messages(const std::string& err) {
  std::vector<std::string> messages;
  for (const std::string& line : Lines(err))
    if (!line.empty()) messages.push_back(line);
  return messages;
}

TEST(QorTest, PassesASoundArchive) {
  const std::vector<qor::ArchiveInput> inputs{
      {"a.txt", TextBytes(250000), 0},
      {"b\\noise.bin", NoiseBytes(120000, 3), 0},
      {"b\\empty", "", 0},
      {"\x95\x5C\\\x83\x5C.txt", "so", 0},
  };
  for (auto signature : {qor::ArchiveSignature::Orblane, qor::ArchiveSignature::Zktern}) {
    Scratch scratch;
    QorRun run = RunQor({"test", Arg(scratch.WriteArchive("good.arc", inputs, signature))});
    EXPECT_EQ(0, run.exitCode) << "signature " << static_cast<int>(signature) << "\n" << run.Describe();
    EXPECT_EQ("", run.err) << "signature " << static_cast<int>(signature);
  }
}

TEST(QorTest, NamesEachDamagedEntryOnItsOwnLine) {
  std::string data = TextBytes(3000);
  std::string stored = Encode(data);
  struct Case {
    const char* label;
    std::string stored;
    std::uint32_t claimed;
  };
  const Case cases[] = {
      {"claims one byte more than it holds", stored, 3001},
      {"claims one byte less than it holds", stored, 2999},
      {"the stream is cut short", stored.substr(0, stored.size() - 40), 3000},
      {"no stored data at all", "", 3000},
      // Markers 0x01 and 0x02, then a short match 3 bytes long reaching 5
      // bytes back: before anything was written.
      {"a match reaches before the start", std::string("\x01\x02\x01\x35", 4), 3},
      // A long match reaching 4095 bytes back after three literals.
      {"a long match reaches before the start", std::string("\x01\x02xyz\x02\x3F\xFF", 8), 6},
  };
  for (const Case& c : cases) {
    Scratch scratch;
    scratch.Write("damaged.arc", AssembleArchive({
                                     {"ok1.txt", data},
                                     {"sub\\bad.bin", c.stored, true, c.claimed},
                                     {"ok2.txt", "ok"},
                                 }));
    QorRun run = RunQor({"test", Arg(scratch / "damaged.arc")});
    EXPECT_EQ(1, run.exitCode) << c.label << "\n" << run.Describe();
    std::vector<std::string> messages = Messages(run.err);
    ASSERT_EQ(1u, messages.size()) << c.label << "\n" << run.err;
    EXPECT_EQ(0u, messages[0].rfind("qor: sub/bad.bin", 0)) << c.label << ": " << messages[0];
  }
}

TEST(QorTest, CountsEveryDamagedEntry) {
  Scratch scratch;
  std::string stored = Encode("twelve bytes");
  scratch.Write("damaged.arc", AssembleArchive({
                                   {"a.bin", stored, true, 13},
                                   {"b.txt", "fine"},
                                   {"c\\d.bin", stored, true, 11},
                               }));
  QorRun run = RunQor({"test", Arg(scratch / "damaged.arc")});
  EXPECT_EQ(1, run.exitCode) << run.Describe();
  std::vector<std::string> messages = Messages(run.err);
  ASSERT_EQ(2u, messages.size()) << run.err;
  EXPECT_EQ(0u, messages[0].rfind("qor: a.bin", 0)) << messages[0];
  EXPECT_EQ(0u, messages[1].rfind("qor: c/d.bin", 0)) << messages[1];
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
    std::filesystem::path file = scratch.Write("variant.arc", bytes);
    for (const char* command : {"test", "ls", "extract"}) {
      std::vector<std::string> arguments{command};
      if (std::string(command) == "ls") arguments.push_back("-R");
      if (std::string(command) == "extract") arguments.insert(arguments.end(), {"--overwrite", "-C", Arg(scratch / "out")});
      arguments.push_back(Arg(file));
      QorRun run = RunQor(arguments);
      EXPECT_TRUE(run.exitCode == 0 || run.exitCode == 1) << label << ", " << command << "\n" << run.Describe();
      if (run.exitCode == 1) {
        EXPECT_EQ(0u, run.err.rfind("qor: ", 0)) << label << ", " << command << ": " << run.err;
      }
    }
  }
}

}  // namespace
}  // namespace qor_test
