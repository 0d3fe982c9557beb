// qor's command line as scripts see it: exit status 0, 1 or 2, usage text,
// and "qor: " messages for archives that are missing or broken.
#include <gtest/gtest.h>

#include "QorTestSupport.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qor_test {
namespace {

TEST(QorCommandLine, AnswersUsageErrorsWithStatus2AndHelpWith0) {
  const struct { const char* label; std::vector<std::string> arguments; int status; } cases[] = {
      {"no arguments", {}, 2}, {"--help", {"--help"}, 0}, {"-h", {"-h"}, 0}, {"ls --help", {"ls", "--help"}, 0},
      {"an unknown command", {"frobnicate", "x.arc"}, 2},
      {"an unknown option", {"ls", "--frobnicate", "x.arc"}, 2},
      {"ls without ARCHIVE", {"ls"}, 2},
      {"ls with two places", {"ls", "x.arc", "a", "b"}, 2},
      {"extract without ARCHIVE", {"extract"}, 2},
      {"extract -C without a folder", {"extract", "-C"}, 2},
      {"test without ARCHIVE", {"test"}, 2},
      {"test with two archives", {"test", "x.arc", "y.arc"}, 2},
      {"pack without PATH", {"pack", "x.arc"}, 2},
      {"pack with an unknown signature", {"pack", "--signature", "other", "x.arc", "a.txt"}, 2},
  };
  for (const auto& c : cases) {
    Scratch scratch;
    scratch.Write("a.txt", "a");
    QorRun run = RunQor(c.arguments, scratch.Path());
    EXPECT_EQ(c.status, run.exitCode) << c.label << "\n" << run.Describe();
    // Help goes to standard output; usage after a mistake to standard error.
    EXPECT_NE(std::string::npos, (c.status == 0 ? run.out : run.err).find("Usage:")) << c.label << "\n"
                                                                                     << run.Describe();
    if (c.status == 2 && !c.arguments.empty()) {
      EXPECT_EQ(0u, run.err.rfind("qor: ", 0)) << c.label << ": the mistake is named first\n" << run.err;
    }
    EXPECT_EQ(1u, FilesBelow(scratch.Path()).size()) << c.label << ": nothing is written";
  }
}

// What a user of other tools types: an unknown command is named, --version
// answers, and output that cannot be written is a failure of every command
// that prints (checked as qor ends, and by cat as it copies).
TEST(QorCommandLine, NamesUnknownCommandsAnswersVersionAndFailsWhenOutputIsLost) {
  QorRun unknown = RunQor({"frob", "x.arc"});
  EXPECT_EQ(2, unknown.exitCode) << unknown.Describe();
  EXPECT_EQ("qor: unknown command frob", Lines(unknown.err).front());
  QorRun version = RunQor({"--version"});
  EXPECT_EQ(0, version.exitCode) << version.Describe();
  EXPECT_EQ(0u, version.out.rfind("qor 1.", 0)) << version.out;
#ifndef _WIN32
  Scratch scratch;
  std::string archive = Arg(scratch.WriteArchive("a.arc", {{"a.txt", "a", 0}}));
  std::string link = Arg(scratch / "a.lnk");
  ASSERT_EQ(0, RunQor({"link", "-o", link, archive, "a.txt"}).exitCode);
  std::string qor = (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "qor").string();
  for (std::string command : {"ls -R " + archive, "test " + archive, "resolve " + link, "cat " + archive + " a.txt"}) {
    int status = std::system(("'" + qor + "' " + command + " >/dev/full 2>" + Arg(scratch / "err")).c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << command << ": " << status;
    EXPECT_EQ("qor: cannot write to standard output\n", ReadFile(scratch / "err")) << command;
  }
  // An archive its user may not read says so, not "not an archive".
  if (::getuid() == 0 && std::system("command -v runuser >/dev/null") == 0) {
    const std::filesystem::path open = std::filesystem::temp_directory_path() / ("qor-denied-" + std::to_string(::getpid()));
    std::filesystem::create_directories(open);
    std::filesystem::permissions(open, std::filesystem::perms::all);
    std::filesystem::copy_file(scratch / "a.arc", open / "a.arc");
    std::filesystem::permissions(open / "a.arc", std::filesystem::perms::owner_read);
    int denied = std::system(("runuser -u nobody -- '" + qor + "' ls '" + (open / "a.arc").string() + "' 2>" +
                              (open / "err").string()).c_str());
    EXPECT_TRUE(WIFEXITED(denied) && WEXITSTATUS(denied) == 1) << denied;
    EXPECT_EQ("qor: " + (open / "a.arc").string() + ": cannot read it (Permission denied)\n", ReadFile(open / "err"));
    std::filesystem::remove_all(open);
  }
  // A reader that stops early (head) closes the pipe: status 1, no signal.
  std::vector<qor::ArchiveInput> many;
  for (int i = 0; i < 8000; ++i) many.push_back({"a-rather-long-name-" + std::to_string(i) + ".txt", "", 0});
  std::string big = Arg(scratch.WriteArchive("many.arc", many));
  int piped = std::system(("bash -c \"'" + qor + "' ls " + big + " 2>/dev/null | head -c 1 >/dev/null; exit \\${PIPESTATUS[0]}\"").c_str());
  EXPECT_TRUE(WIFEXITED(piped) && WEXITSTATUS(piped) == 1) << piped;
#endif
}

// Archives that cannot be opened: every command fails with status 1 and one
// message naming the file, and prints or writes nothing else. One case for
// each answer the library gives; the catalogue's own faults are probed in
// the archive tests.
TEST(QorCommandLine, FailsWithStatus1OnMissingAndBrokenArchives) {
  const std::string signature = "Orblane CompressedFile";
  enum { kMissing, kFolder, kFile };
  const struct { const char* label; int kind; std::string bytes; const char* says; } cases[] = {
      {"no such file", kMissing, "", "no such file"},
      {"a folder", kFolder, "", "not an archive"},
      {"another signature", kFile, "Orblane CompressedFilf" + NoiseBytes(100, 2), "not an archive"},
      {"the signature alone", kFile, signature, "catalogue"},
      {"a catalogue of another version", kFile,
       signature + std::string("\x12\0\0\0\x02\x01\0\0\0a\0", 11) + std::string(12, '\0'), "catalogue"},
  };
  for (const auto& c : cases) {
    Scratch scratch;
    if (c.kind == kFolder) std::filesystem::create_directories(scratch / "broken.arc");
    if (c.kind == kFile) scratch.Write("broken.arc", c.bytes);
    std::vector<std::vector<std::string>> commands = {
        {"ls", "broken.arc"}, {"ls", "-R", "--json", "broken.arc"}, {"extract", "-C", "out", "broken.arc"},
        {"test", "broken.arc"}, {"cat", "broken.arc", "x"}};
#ifdef QOR_HAVE_FUSE
    commands.push_back({"mount", "-f", "broken.arc", "out"});
#endif
    for (const std::vector<std::string>& arguments : commands) {
      QorRun run = RunQor(arguments, scratch.Path());
      EXPECT_TRUE(FailedSaying(run, "broken.arc")) << c.label << ", " << arguments.front();
      EXPECT_TRUE(FailedSaying(run, c.says)) << c.label << ", " << arguments.front();
      EXPECT_FALSE(std::filesystem::exists(scratch / "out")) << c.label;
    }
  }
}

// The library takes paths in code page 932; archives and folders whose
// names are outside it work all the same, except as a link's archive, which
// a link file records by name.
TEST(QorCommandLine, WorksWhereNamesAreOutsideCodePage932) {
  Scratch scratch;
  for (const std::string folder : {"café", "한국어"}) {
    scratch.Write(folder + "/src/docs/a.txt", "alpha");
    const std::string archive = Arg(scratch / (folder + "/ü.arc"));
    QorRun packed = RunQor({"pack", "-C", Arg(scratch / (folder + "/src")), archive, "docs"});
    ASSERT_EQ(0, packed.exitCode) << folder << "\n" << packed.Describe();
    EXPECT_EQ(std::vector<std::string>{"a.txt"}, Lines(RunQor({"ls", archive, "docs"}).out)) << folder;
    QorRun extracted = RunQor({"extract", "-C", Arg(scratch / (folder + "/出力/dé")), archive});
    EXPECT_EQ(0, extracted.exitCode) << folder << "\n" << extracted.Describe();
    EXPECT_EQ((std::map<std::string, std::string>{{"docs/a.txt", "alpha"}}),
              FilesBelow(scratch / (folder + "/出力/dé")))
        << folder;
    EXPECT_EQ("alpha", RunQor({"cat", archive, "docs/a.txt"}).out) << folder;
    QorRun linked = RunQor({"link", "-o", Arg(scratch / (folder + "/a.lnk")), archive, "docs"});
    EXPECT_EQ(1, linked.exitCode) << folder;
    EXPECT_NE(std::string::npos, linked.err.find("outside code page 932")) << linked.err;
  }
}

}  // namespace
}  // namespace qor_test
