// qor's command line as scripts see it: exit status 0, 1 or 2, usage text,
// and "qor: " messages for archives that are missing or broken.
#include <gtest/gtest.h>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

TEST(QorCommandLine, AnswersUsageErrorsWithStatus2AndHelpWith0) {
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    int status;
  };
  const Case cases[] = {
      {"no arguments", {}, 2},
      {"--help", {"--help"}, 0},
      {"-h", {"-h"}, 0},
      {"ls --help", {"ls", "--help"}, 0},
      {"an unknown command", {"frobnicate", "x.arc"}, 2},
      {"an unknown option", {"ls", "--frobnicate", "x.arc"}, 2},
      {"ls without ARCHIVE", {"ls"}, 2},
      {"ls -R -l without ARCHIVE", {"ls", "-R", "-l"}, 2},
      {"ls with two places", {"ls", "x.arc", "a", "b"}, 2},
      {"extract without ARCHIVE", {"extract"}, 2},
      {"extract -C without a folder", {"extract", "-C"}, 2},
      {"test without ARCHIVE", {"test"}, 2},
      {"test with two archives", {"test", "x.arc", "y.arc"}, 2},
      {"pack without PATH", {"pack", "x.arc"}, 2},
      {"pack with an unknown signature", {"pack", "--signature", "other", "x.arc", "a.txt"}, 2},
  };
  for (const Case& c : cases) {
    Scratch scratch;
    scratch.Write("a.txt", "a");
    QorRun run = RunQor(c.arguments, scratch.Path());
    EXPECT_EQ(c.status, run.exitCode) << c.label << "\n" << run.Describe();
    // Help goes to standard output; usage after a mistake to standard error.
    const std::string& usage = c.status == 0 ? run.out : run.err;
    EXPECT_NE(std::string::npos, usage.find("Usage:")) << c.label << "\n" << run.Describe();
    if (c.status == 2 && !c.arguments.empty()) {
      EXPECT_EQ(0u, run.err.rfind("qor: ", 0)) << c.label << ": the mistake is named first\n" << run.err;
    }
    EXPECT_EQ(1u, FilesBelow(scratch.Path()).size()) << c.label << ": nothing is written";
  }
}

// Archives that cannot be opened: every command fails with status 1 and a
// message naming the file, and prints or writes nothing else.
TEST(QorCommandLine, FailsWithStatus1OnMissingAndBrokenArchives) {
  const std::string signature = "Orblane CompressedFile";
  struct Case {
    const char* label;
    bool exists;
    std::string bytes;
    const char* says;      // part of the message
  };
  const Case cases[] = {
      {"no such file", false, "", "no such file"},
      {"an empty file", true, "", "not an archive"},
      {"random bytes", true, NoiseBytes(4096, 5), "not an archive"},
      {"another signature", true, "Orblane CompressedFilf" + NoiseBytes(100, 2), "not an archive"},
      {"the signature alone", true, signature, "catalogue"},
      {"a catalogue larger than the file", true, signature + std::string("\xFF\xFF\x00\x00", 4) + "\x01\x01", "catalogue"},
      {"a catalogue of size 0", true, signature + std::string(4, '\0') + std::string(20, '\x01'), "catalogue"},
      {"a catalogue of another version", true, signature + std::string("\x12\0\0\0\x02\x01\0\0\0a\0", 11) +
                                                 std::string(12, '\0'), "catalogue"},
      {"a catalogue without entries", true, signature + std::string("\x05\0\0\0\x01\0\0\0\0", 9), "catalogue"},
      {"a name running past the catalogue", true, signature + std::string("\x08\0\0\0\x01\x01\0\0\0abc", 12) +
                                                    std::string(40, 'x'), "catalogue"},
  };
  const std::vector<std::vector<std::string>> commands{
      {"ls"}, {"ls", "-R", "--json"}, {"extract", "-C", "out"}, {"test"}};
  for (const Case& c : cases) {
    Scratch scratch;
    if (c.exists) scratch.Write("broken.arc", c.bytes);
    for (std::vector<std::string> arguments : commands) {
      std::string shown = arguments.front();
      arguments.push_back("broken.arc");
      QorRun run = RunQor(arguments, scratch.Path());
      EXPECT_EQ(1, run.exitCode) << c.label << ", " << shown << "\n" << run.Describe();
      EXPECT_EQ("", run.out) << c.label << ", " << shown;
      EXPECT_EQ(1u, Lines(run.err).size()) << c.label << ", " << shown << "\n" << run.err;
      EXPECT_EQ(0u, run.err.rfind("qor: ", 0)) << c.label << ", " << shown << ": " << run.err;
      EXPECT_NE(std::string::npos, run.err.find("broken.arc")) << c.label << ", " << shown << ": " << run.err;
      EXPECT_NE(std::string::npos, run.err.find(c.says)) << c.label << ", " << shown << ": " << run.err;
      EXPECT_FALSE(std::filesystem::exists(scratch / "out")) << c.label << ", " << shown;
    }
  }
}

TEST(QorCommandLine, FailsWithStatus1OnAFolderGivenAsArchive) {
  Scratch scratch;
  std::filesystem::create_directories(scratch / "folder.arc");
  for (const char* command : {"ls", "test", "extract"}) {
    QorRun run = RunQor({command, "folder.arc"}, scratch.Path());
    EXPECT_EQ(1, run.exitCode) << command << "\n" << run.Describe();
    EXPECT_EQ(0u, run.err.rfind("qor: ", 0)) << command << ": " << run.err;
  }
}

}  // namespace
}  // namespace qor_test
