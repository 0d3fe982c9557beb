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

// How places are found is shared with ls, and tested there.
TEST(QorExtract, WritesTheWholeArchiveOrTheChosenPlacesByteForByte) {
  const struct { const char* label; std::vector<std::string> inner, files; } cases[] = {
      {"the whole archive", {}, {}},
      {"one file", {"data/noise.bin"}, {"data/noise.bin"}},
      {"a folder", {"docs"}, {"docs/api/index.html", "docs/お知らせ.txt"}},
      {"a folder below a folder", {"docs/api"}, {"docs/api/index.html"}},
      {"a file and a folder", {"readme.txt", "data"},
       {"readme.txt", "data/table.csv", "data/noise.bin", "data/empty.dat"}},
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
    EXPECT_EQ(0, run.exitCode) << c.label << "\n" << run.Describe();
    EXPECT_EQ(Expected(c.files), FilesBelow(out)) << c.label;
  }
  std::filesystem::create_directories(scratch / "here");
  QorRun run = RunQor({"extract", Arg(archive), "readme.txt"}, scratch / "here");
  EXPECT_EQ(0, run.exitCode) << run.Describe();
  EXPECT_EQ(Expected({"readme.txt"}), FilesBelow(scratch / "here")) << "without -C, into the working folder";
}

// A stored name that is empty, ".", "..", carries a root, or on Windows a
// drive or stream is skipped with a message; the other entries are extracted, the status is 1,
// and nothing appears outside the target.
TEST(QorExtract, SkipsNamesThatLeadOutsideTheTarget) {
  const struct { const char* label; std::string name; } cases[] = {
      {"parent", "..\\evil.txt"},
      {"parent, / between names", "../evil.txt"},
      {"parent further down", "sub\\..\\..\\evil.txt"},
      {"parent as the file name", "sub\\.."},
      {"current folder", ".\\evil.txt"},
      {"empty name inside", "sub\\\\evil.txt"},
      {"root", "\\evil.txt"},
      {"root, / between names", "/evil.txt"},
#ifdef _WIN32
      {"drive and root", "C:\\evil.txt"},
      {"drive alone", "C:evil.txt"},
      {"alternate stream", "good.txt:evil"},
#endif
  };
  for (const auto& c : cases) {
    Scratch scratch;
    std::filesystem::path archive = scratch.WriteArchive(
        "bad.arc", {{"good.txt", "good", 0}, {c.name, "evil", 0}, {"sub\\fine.txt", "fine", 0}});
    QorRun run = RunQor({"extract", "-C", Arg(scratch / "out/target"), Arg(archive)});
    EXPECT_EQ(1, run.exitCode) << c.label << "\n" << run.Describe();
    EXPECT_EQ(1u, CountMessages(run.err)) << c.label << "\n" << run.err;
    EXPECT_NE(std::string::npos, run.err.find("skipped")) << c.label << "\n" << run.err;
    Files files = FilesBelow(scratch.Path());
    files.erase("bad.arc");
    EXPECT_EQ((Files{{"out/target/good.txt", "good"}, {"out/target/sub/fine.txt", "fine"}}), files) << c.label;
  }
}

// Existing files are kept unless --overwrite; a folder in the way is never
// replaced. Each one kept is a message and makes the status 1.
TEST(QorExtract, KeepsExistingFilesUnlessAskedToOverwriteAndNeverReplacesAFolder) {
  Scratch scratch;
  std::filesystem::path archive = scratch.WriteArchive(
      "a.arc", {{"a.txt", "new a", 0}, {"b.txt", "new b", 0}, {"sub\\c.txt", "new c", 0}, {"d.txt", "new d", 0}});
  scratch.Write("out/a.txt", "old a");
  scratch.Write("out/sub/c.txt", "old c");
  scratch.Write("out/d.txt/inside.txt", "kept");
  QorRun kept = RunQor({"extract", "-C", Arg(scratch / "out"), Arg(archive)});
  EXPECT_EQ(1, kept.exitCode) << kept.Describe();
  EXPECT_EQ(3u, CountMessages(kept.err)) << kept.err;
  for (const char* name : {"a.txt", "sub/c.txt", "d.txt"}) EXPECT_NE(std::string::npos, kept.err.find(name)) << name;
  EXPECT_EQ((Files{{"a.txt", "old a"}, {"b.txt", "new b"}, {"sub/c.txt", "old c"}, {"d.txt/inside.txt", "kept"}}),
            FilesBelow(scratch / "out"));

  QorRun replaced = RunQor({"extract", "--overwrite", "-C", Arg(scratch / "out"), Arg(archive)});
  EXPECT_EQ(1, replaced.exitCode) << replaced.Describe();
  EXPECT_EQ(1u, CountMessages(replaced.err)) << replaced.err;
  EXPECT_NE(std::string::npos, replaced.err.find("d.txt")) << replaced.err;
  EXPECT_EQ((Files{{"a.txt", "new a"}, {"b.txt", "new b"}, {"sub/c.txt", "new c"}, {"d.txt/inside.txt", "kept"}}),
            FilesBelow(scratch / "out"));

  std::filesystem::remove_all(scratch / "out/d.txt");
  QorRun clear = RunQor({"extract", "--overwrite", "-C", Arg(scratch / "out"), Arg(archive)});
  EXPECT_EQ(0, clear.exitCode) << clear.Describe();
  EXPECT_EQ((Files{{"a.txt", "new a"}, {"b.txt", "new b"}, {"sub/c.txt", "new c"}, {"d.txt", "new d"}}),
            FilesBelow(scratch / "out"));
}

// -n keeps what exists without a word (and -v names only what is written);
// naming a place twice, or a folder
// and a file inside it, extracts each file once and is no error; every file
// gets the catalogue's time.
TEST(QorExtract, SkipsExistingQuietlyTakesEachFileOnceAndKeepsTheCatalogueTimes) {
  Scratch scratch;
  std::filesystem::path archive = scratch.WriteArchive(
      "a.arc", {{"a.txt", "new a", 1000000000}, {"sub\\c.txt", "new c", -1000}, {"sub\\d.txt", "new d", 86400}});
  scratch.Write("out/a.txt", "old a");
  QorRun run =
      RunQor({"extract", "-n", "-v", "-C", Arg(scratch / "out"), Arg(archive), "sub", "sub/c.txt", "a.txt", "sub"});
  EXPECT_EQ(0, run.exitCode) << run.Describe();
  EXPECT_EQ("", run.err);
  EXPECT_EQ((std::vector<std::string>{"sub/c.txt", "sub/d.txt"}), Lines(run.out)) << "-v names each file written";
  EXPECT_EQ((Files{{"a.txt", "old a"}, {"sub/c.txt", "new c"}, {"sub/d.txt", "new d"}}), FilesBelow(scratch / "out"));
  for (const auto& [name, seconds] : {std::pair<const char*, long long>{"sub/c.txt", -1000}, {"sub/d.txt", 86400}}) {
#ifdef _WIN32
    if (seconds < 0) continue;  // Wine keeps no file time before 1970 on the host's file system
#endif
    auto written = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(scratch / "out" / name));
    EXPECT_EQ(seconds, std::chrono::duration_cast<std::chrono::seconds>(written.time_since_epoch()).count()) << name;
  }
  EXPECT_EQ(2, RunQor({"extract", "-n", "--overwrite", Arg(archive)}).exitCode);
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
    EXPECT_EQ(1, run.exitCode) << run.Describe();
    EXPECT_EQ(1u, CountMessages(run.err)) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("docs/guide.txt: a symbolic link is in the way")) << run.err;
    EXPECT_EQ((Files{{"outside.txt", "outside"}}), FilesBelow(scratch / "elsewhere")) << overwrite;
  }
  EXPECT_FALSE(std::filesystem::is_symlink(scratch / "out/README.txt"));
  EXPECT_EQ("readme", ReadFile(scratch / "out/README.txt"));
  EXPECT_EQ("ok", ReadFile(scratch / "out/ok.txt"));
}
#endif

#ifndef _WIN32
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

// Names as they come out: two stored names that come out as one (0x8790 and
// 0x81E0 are both U+2252 in code page 932), of which the first in the
// folder's order keeps it; outside Windows a ':' is an ordinary character.
TEST(QorExtract, KeepsTheFirstOfTwoNamesThatComeOutAlike) {
  Scratch scratch;
  std::vector<qor::ArchiveInput> inputs{{"\x81\xE0.txt", "first", 0}, {"\x87\x90.txt", "second", 0}};
  Files expected{{"\xE2\x89\x92.txt", "first"}};
#ifndef _WIN32
  inputs.insert(inputs.end(), {{"colon:.txt", "c", 0}, {"C:\\d.txt", "d", 0}});
  expected.insert({{"colon:.txt", "c"}, {"C:/d.txt", "d"}});
#endif
  QorRun run = RunQor({"extract", "-C", Arg(scratch / "out"), Arg(scratch.WriteArchive("twice.arc", inputs))});
  EXPECT_EQ(1, run.exitCode) << run.Describe();
  EXPECT_EQ(1u, CountMessages(run.err)) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("another file of the archive has that name")) << run.err;
  EXPECT_EQ(expected, FilesBelow(scratch / "out"));
}

// One entry that fails to decode, or one place not in the archive: one
// message naming it, status 1, and everything else still written.
TEST(QorExtract, GoesOnAfterAnEntryOrAPlaceThatFails) {
  const std::string good = TextBytes(5000);
  const struct {
    const char* label;
    std::string archive;
    std::vector<std::string> places;
    const char* named;
  } cases[] = {
      {"an entry claiming one byte more than it holds",
       AssembleArchive({{"first.txt", good}, {"broken\\bad.bin", Encode(good), 5001}, {"last.txt", "last"}}),
       {},
       "broken/bad.bin"},
      {"a place not in the archive", AssembleArchive({{"first.txt", good}, {"d\\last.txt", "last"}}),
       {"first.txt", "missing", "d"},
       "missing"},
  };
  for (const auto& c : cases) {
    Scratch scratch;
    std::vector<std::string> arguments{"extract", "-C", Arg(scratch / "out"), Arg(scratch.Write("x.arc", c.archive))};
    arguments.insert(arguments.end(), c.places.begin(), c.places.end());
    QorRun run = RunQor(arguments);
    EXPECT_EQ(1, run.exitCode) << c.label << "\n" << run.Describe();
    EXPECT_EQ(1u, CountMessages(run.err)) << c.label << "\n" << run.err;
    EXPECT_NE(std::string::npos, run.err.find(c.named)) << c.label << "\n" << run.err;
    Files files = FilesBelow(scratch / "out");
    files.erase("broken/bad.bin");  // whatever was written of it
    EXPECT_EQ((Files{{"first.txt", good}, {c.places.empty() ? "last.txt" : "d/last.txt", "last"}}), files) << c.label;
  }
}

// extract and test work on several threads; what they write and say, and
// in which order, is the same on one thread as on many, damaged entries
// among good ones included.
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
  EXPECT_EQ(5u, CountMessages(extracts[0].err)) << extracts[0].err;
  EXPECT_EQ(55u, trees[0].size());
  EXPECT_EQ(5u, CountMessages(tests[0].err)) << tests[0].err;
  for (std::size_t k = 1; k < extracts.size(); ++k) {
    EXPECT_EQ(extracts[k].exitCode, extracts[0].exitCode);
    EXPECT_EQ(extracts[k].err, extracts[0].err);
    EXPECT_TRUE(trees[k] == trees[0]);
    EXPECT_EQ(tests[k].exitCode, tests[0].exitCode);
    EXPECT_EQ(tests[k].out, tests[0].out);
    EXPECT_EQ(tests[k].err, tests[0].err);
  }
}

}  // namespace
}  // namespace qor_test
