// qor extract: what lands on disk, byte for byte, for the whole archive and
// for chosen places; names that would lead outside the target; existing
// files; entries and places that fail among good ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

using Files = std::map<std::string, std::string>;

// Stored names (CP932) and their files as extracted (UTF-8 paths).
struct Stored {
  std::string name, path, data;
};
const std::vector<Stored> kEntries = {
    {"readme.txt", "readme.txt", TextBytes(303)},
    // Both cross the extractor's 100000-byte blocks.
    {"data\\table.csv", "data/table.csv", TextBytes(320038)},
    {"data\\noise.bin", "data/noise.bin", NoiseBytes(150001, 7)},
    {"data\\empty.dat", "data/empty.dat", ""},
    {"docs\\api\\index.html", "docs/api/index.html", "<html></html>"},
    {"docs\\\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt", "docs/お知らせ.txt", "notice"},
    {"\x95\x5C/\x83\x5C.txt", "表/ソ.txt", "so"},
    // Deeper than MAX_PATH below any target, which Windows' narrow calls cannot reach.
    {std::string(100, 'a') + "\\" + std::string(100, 'b') + "\\" + std::string(60, 'c') + "\\deep.txt",
     std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(60, 'c') + "/deep.txt", "deep"},
};

// The entries' files at the paths given, or all of them.
Files Expected(const std::vector<std::string>& paths = {}) {
  Files files;
  for (const Stored& entry : kEntries)
    if (paths.empty() || std::find(paths.begin(), paths.end(), entry.path) != paths.end())
      files[entry.path] = entry.data;
  return files;
}

// How places are found is shared with ls, and tested there. A place that is
// not in the archive is named, and the other places are still written.
TEST(QorExtract, WritesTheWholeArchiveOrTheChosenPlacesByteForByte) {
  const struct { const char* label; std::vector<std::string> inner, files; const char* says = nullptr; } cases[] = {
      {"the whole archive", {}, {}},
      {"a folder", {"docs"}, {"docs/api/index.html", "docs/お知らせ.txt"}},
      {"a file, a place not in the archive, a folder below a folder", {"readme.txt", "missing", "docs/api"},
       {"readme.txt", "docs/api/index.html"}, "missing"},
  };
  Scratch scratch;
  std::vector<qor::ArchiveInput> inputs;
  for (const Stored& entry : kEntries) inputs.push_back({entry.name, entry.data, 1700000000});
  std::filesystem::path archive = scratch.WriteArchive("sample.arc", inputs);
  int round = 0;
  for (const auto& c : cases) {
    // -C names a folder that does not exist yet, two levels deep.
    std::filesystem::path out = scratch / ("out" + std::to_string(round++) + "/deeper");
    std::vector<std::string> arguments{"extract", "-C", Arg(out), Arg(archive)};
    arguments.insert(arguments.end(), c.inner.begin(), c.inner.end());
    QorRun run = RunQor(arguments);
    EXPECT_TRUE(c.says ? FailedSaying(run, c.says) : testing::AssertionResult(run.exitCode == 0)) << c.label << "\n"
                                                                                                 << run.Describe();
    EXPECT_EQ(Expected(c.files), FilesBelow(out)) << c.label;
  }
  std::filesystem::create_directories(scratch / "here");
  QorRun run = RunQor({"extract", Arg(archive), "readme.txt"}, scratch / "here");
  EXPECT_EQ(0, run.exitCode) << run.Describe();
  EXPECT_EQ(Expected({"readme.txt"}), FilesBelow(scratch / "here")) << "without -C, into the working folder";
}

// A stored name that is empty, ".", "..", carries a root, or on Windows a
// drive or stream is skipped with a message, and so is one that comes out
// as an earlier one's; the other entries are extracted, the status is 1, and
// nothing appears outside the target.
TEST(QorExtract, SkipsNamesThatLeadOutsideTheTargetOrComeOutAlike) {
  const struct { const char* label; std::string name; const char* says = "skipped"; } cases[] = {
      {"parent", "..\\evil.txt"},
      {"parent, / between names", "../evil.txt"},
      {"parent further down", "sub\\..\\..\\evil.txt"},
      {"parent as the file name", "sub\\.."},
      {"current folder", ".\\evil.txt"},
      {"empty name inside", "sub\\\\evil.txt"},
      {"root", "\\evil.txt"},
      {"root, / between names", "/evil.txt"},
      // 0x8790 and 0x81E0 are both U+2252 in code page 932.
      {"the name of the first", "\x87\x90.txt", "another file of the archive has that name"},
#ifdef _WIN32
      {"drive and root", "C:\\evil.txt"},
      {"drive alone", "C:evil.txt"},
      {"alternate stream", "good.txt:evil"},
#endif
  };
  // Extracted in every case; outside Windows a ':' is an ordinary character.
  std::vector<qor::ArchiveInput> kept{{"\x81\xE0.txt", "first", 0}, {"sub\\fine.txt", "fine", 0}};
  Files expected{{"out/target/\xE2\x89\x92.txt", "first"}, {"out/target/sub/fine.txt", "fine"}};
#ifndef _WIN32
  kept.insert(kept.end(), {{"colon:.txt", "c", 0}, {"C:\\d.txt", "d", 0}});
  expected.insert({{"out/target/colon:.txt", "c"}, {"out/target/C:/d.txt", "d"}});
#endif
  for (const auto& c : cases) {
    Scratch scratch;
    std::vector<qor::ArchiveInput> inputs = kept;
    inputs.insert(inputs.begin() + 1, {c.name, "evil", 0});
    std::filesystem::path archive = scratch.WriteArchive("bad.arc", inputs);
    EXPECT_TRUE(FailedSaying(RunQor({"extract", "-C", Arg(scratch / "out/target"), Arg(archive)}), c.says)) << c.label;
    Files files = FilesBelow(scratch.Path());
    files.erase("bad.arc");
    EXPECT_EQ(expected, files) << c.label;
  }
}

// -n keeps what exists without a word (and -v names only what is written);
// naming a place twice, or a folder and a file inside it, extracts each file
// once and is no error; every file gets the catalogue's time. Then existing
// files are kept unless --overwrite, and a folder in the way is never
// replaced: each one kept is a message and makes the status 1.
TEST(QorExtract, KeepsExistingFilesUnlessAskedToOverwriteAndTheCatalogueTimes) {
  Scratch scratch;
  std::filesystem::path archive = scratch.WriteArchive("a.arc", {{"a.txt", "new a", 1000000000},
                                                                 {"b.txt", "new b", 0},
                                                                 {"sub\\c.txt", "new c", -1000},
                                                                 {"sub\\d.txt", "new d", 86400},
                                                                 {"e.txt", "new e", 0}});
  const std::string out = Arg(scratch / "out");
  scratch.Write("out/a.txt", "old a");
  QorRun quiet = RunQor({"extract", "-n", "-v", "-C", out, Arg(archive), "sub", "sub/c.txt", "a.txt", "sub"});
  EXPECT_EQ(0, quiet.exitCode) << quiet.Describe();
  EXPECT_EQ("", quiet.err);
  EXPECT_EQ((std::vector<std::string>{"sub/c.txt", "sub/d.txt"}), Lines(quiet.out)) << "-v names each file written";
  EXPECT_EQ((Files{{"a.txt", "old a"}, {"sub/c.txt", "new c"}, {"sub/d.txt", "new d"}}), FilesBelow(scratch / "out"));
  for (const auto& [name, seconds] : {std::pair<const char*, long long>{"sub/c.txt", -1000}, {"sub/d.txt", 86400}}) {
#ifdef _WIN32
    if (seconds < 0) continue;  // Wine keeps no file time before 1970 on the host's file system
#endif
    auto written = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(scratch / "out" / name));
    EXPECT_EQ(seconds, std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count()) << name;
  }
  EXPECT_EQ(2, RunQor({"extract", "-n", "--overwrite", Arg(archive)}).exitCode);

  scratch.Write("out/sub/c.txt", "old c");
  scratch.Write("out/e.txt/inside.txt", "kept");
  QorRun kept = RunQor({"extract", "-C", out, Arg(archive)});
  EXPECT_EQ(1, kept.exitCode) << kept.Describe();
  EXPECT_EQ(4u, Lines(kept.err).size()) << kept.err;
  for (const char* name : {"a.txt", "sub/c.txt", "sub/d.txt", "e.txt"})
    EXPECT_NE(std::string::npos, kept.err.find(name)) << name;
  EXPECT_EQ((Files{{"a.txt", "old a"}, {"b.txt", "new b"}, {"sub/c.txt", "old c"}, {"sub/d.txt", "new d"},
                   {"e.txt/inside.txt", "kept"}}),
            FilesBelow(scratch / "out"));

  EXPECT_TRUE(FailedSaying(RunQor({"extract", "--overwrite", "-C", out, Arg(archive)}), "e.txt"));
  Files all{{"a.txt", "new a"}, {"b.txt", "new b"}, {"sub/c.txt", "new c"}, {"sub/d.txt", "new d"}};
  all["e.txt/inside.txt"] = "kept";
  EXPECT_EQ(all, FilesBelow(scratch / "out"));
  std::filesystem::remove_all(scratch / "out/e.txt");
  EXPECT_EQ(0, RunQor({"extract", "--overwrite", "-C", out, Arg(archive)}).exitCode);
  all.erase("e.txt/inside.txt");
  all["e.txt"] = "new e";
  EXPECT_EQ(all, FilesBelow(scratch / "out"));
}

#ifndef _WIN32
// A symbolic link below the target folder is never followed: a folder link
// on the way refuses the files below it, a file link at the name is kept
// (or replaced with --overwrite), and what they point at is never written.
TEST(QorExtract, NeverWritesThroughASymbolicLink) {
  Scratch scratch;
  std::filesystem::path archive =
      scratch.WriteArchive("a.arc", {{"docs\\guide.txt", "guide", 0}, {"README.txt", "readme", 0}, {"ok.txt", "ok", 0}});
  scratch.Write("elsewhere/outside.txt", "outside");
  std::filesystem::create_directories(scratch / "out");
  std::filesystem::create_directory_symlink(scratch / "elsewhere", scratch / "out/docs");
  std::filesystem::create_symlink(scratch / "elsewhere/outside.txt", scratch / "out/README.txt");
  for (const char* overwrite : {"--skip-existing", "--overwrite"}) {
    QorRun run = RunQor({"extract", overwrite, "-C", Arg(scratch / "out"), Arg(archive)});
    EXPECT_TRUE(FailedSaying(run, "docs/guide.txt: a symbolic link is in the way")) << overwrite;
    EXPECT_EQ((Files{{"outside.txt", "outside"}}), FilesBelow(scratch / "elsewhere")) << overwrite;
  }
  EXPECT_FALSE(std::filesystem::is_symlink(scratch / "out/README.txt"));
  EXPECT_EQ("readme", ReadFile(scratch / "out/README.txt"));
  EXPECT_EQ("ok", ReadFile(scratch / "out/ok.txt"));
}

// A file the target cannot take says why (not "damaged") and leaves nothing
// behind, not even part of itself; the rest is written.
TEST(QorExtract, SaysWhyAFileCannotBeWrittenAndLeavesNothingOfIt) {
  Scratch scratch;
  const std::filesystem::path small = scratch / "small";
  std::filesystem::create_directories(small);
  if (std::system(("mount -t tmpfs -o size=1m tmpfs '" + small.string() + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "cannot mount a small memory file system here (needs root)";
  struct Unmount {
    std::string point;
    ~Unmount() { std::system(("umount '" + point + "'").c_str()); }
  } unmount{small.string()};
  const std::string longName(300, 'n');
  std::filesystem::path archive = scratch.WriteArchive(
      "a.arc", {{longName, "x", 0}, {"big.bin", NoiseBytes(3 << 20, 4), 0}, {"ok.txt", "ok", 0}});
  QorRun run = RunQor({"extract", "-C", Arg(small), Arg(archive)});
  EXPECT_EQ(1, run.exitCode) << run.Describe();
  EXPECT_EQ((std::vector<std::string>{"qor: big.bin: cannot extract: no space left on the device",
                                      "qor: " + longName + ": cannot extract: the name is too long for the file system"}),
            Lines(run.err));
  EXPECT_EQ((Files{{"ok.txt", "ok"}}), FilesBelow(small));
}
#endif

// extract and test work on several threads; what they write and say, and
// in which order, is the same on one thread as on many, damaged entries
// among good ones included: each one message, and the rest still written.
TEST(QorExtract, OutputDoesNotDependOnTheThreadCount) {
  const std::string good = TextBytes(2000), stored = Encode(good);
  std::vector<RawInput> entries;
  for (int i = 0; i < 60; ++i) {
    std::string name = "f" + std::to_string(i % 4) + "\\e" + std::to_string(i) + ".txt";
    if (i % 13 == 5)
      entries.push_back({name, stored, 2001});  // damaged: claims one byte more
    else
      entries.push_back({name, good.substr(0, static_cast<std::size_t>(100 + i))});
  }
  Scratch scratch;
  const std::filesystem::path archive = scratch.Write("many.arc", AssembleArchive(entries));
  std::vector<QorRun> extracts, tests;
  std::vector<std::map<std::string, std::string>> trees;
  for (const char* jobs : {"1", "2", "5"}) {
    std::filesystem::path out = scratch / (std::string("out") + jobs);
    extracts.push_back(RunQor({"extract", "-j", jobs, "-C", Arg(out), Arg(archive)}));
    trees.push_back(FilesBelow(out));
    tests.push_back(RunQor({"test", "-j", jobs, Arg(archive)}));
  }
  EXPECT_EQ(1, extracts[0].exitCode) << extracts[0].Describe();
  EXPECT_EQ(5u, Lines(extracts[0].err).size()) << extracts[0].err;
  EXPECT_EQ(55u, trees[0].size());
  // Damaged entries are named, and the good ones after them written whole.
  EXPECT_NE(std::string::npos, extracts[0].err.find("qor: f1/e5.txt")) << extracts[0].err;
  EXPECT_EQ(good.substr(0, 159), trees[0]["f3/e59.txt"]);
  EXPECT_EQ(5u, Lines(tests[0].err).size()) << tests[0].err;
  for (std::size_t k = 1; k < extracts.size(); ++k) {
    EXPECT_EQ(extracts[0].Describe(), extracts[k].Describe());  // status and both outputs
    EXPECT_TRUE(trees[k] == trees[0]);
    EXPECT_EQ(tests[0].Describe(), tests[k].Describe());
  }
}

}  // namespace
}  // namespace qor_test
