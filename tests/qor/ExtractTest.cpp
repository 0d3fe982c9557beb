// qor extract: what lands on disk, byte for byte, for the whole archive and
// for chosen places; names that would lead outside the target; existing
// files; entries that fail among good ones.
#include <gtest/gtest.h>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

// Stored names (CP932) and their files as extracted (UTF-8 paths).
struct Stored {
  std::string name;
  std::string path;
  std::string data;
};

std::vector<Stored> SampleEntries() {
  return {
      {"readme.txt", "readme.txt", TextBytes(303)},
      // Both cross the extractor's 100000-byte blocks.
      {"data\\table.csv", "data/table.csv", TextBytes(320038)},
      {"data\\noise.bin", "data/noise.bin", NoiseBytes(150001, 7)},
      {"data\\empty.dat", "data/empty.dat", ""},
      {"docs\\api\\index.html", "docs/api/index.html", "<html></html>"},
      {"docs\\\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt", "docs/お知らせ.txt", "notice"},
      {"\x95\x5C/\x83\x5C.txt", "表/ソ.txt", "so"},
  };
}

std::vector<qor::ArchiveInput> Inputs(const std::vector<Stored>& entries) {
  std::vector<qor::ArchiveInput> inputs;
  for (const Stored& entry : entries) inputs.push_back({entry.name, entry.data, 1700000000});
  return inputs;
}

std::map<std::string, std::string> Expected(const std::vector<Stored>& entries,
                                            const std::vector<std::string>& paths) {
  std::map<std::string, std::string> files;
  for (const std::string& path : paths)
    for (const Stored& entry : entries)
      if (entry.path == path) files[path] = entry.data;
  return files;
}

// The number of "qor: " lines, one per failed entry or place.
size_t CountMessages(const std::string& err) {
  size_t count = 0;
  for (const std::string& line : Lines(err)) count += line.rfind("qor: ", 0) == 0;
  return count;
}

TEST(QorExtract, WritesEveryStoredFileByteForByte) {
  Scratch scratch;
  std::vector<Stored> entries = SampleEntries();
  std::filesystem::path archive = scratch.WriteArchive("sample.arc", Inputs(entries));
  QorRun run = RunQor({"extract", "-C", Arg(scratch / "out/deeper"), Arg(archive)});
  ASSERT_EQ(0, run.exitCode) << run.Describe();
  std::map<std::string, std::string> expected;
  for (const Stored& entry : entries) expected[entry.path] = entry.data;
  EXPECT_EQ(expected, FilesBelow(scratch / "out/deeper"));
}

TEST(QorExtract, WritesTheChosenFilesAndFoldersWithEverythingBelow) {
  struct Case {
    const char* label;
    std::vector<std::string> inner;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {"one file", {"data/noise.bin"}, {"data/noise.bin"}},
      {"one file, \\ between names", {"docs\\api\\index.html"}, {"docs/api/index.html"}},
      {"a folder", {"docs"}, {"docs/api/index.html", "docs/お知らせ.txt"}},
      {"a folder below a folder", {"docs/api"}, {"docs/api/index.html"}},
      {"a folder named in CP932", {"表"}, {"表/ソ.txt"}},
      {"a file named in CP932", {"docs/お知らせ.txt"}, {"docs/お知らせ.txt"}},
      {"a file and a folder", {"readme.txt", "data"},
       {"readme.txt", "data/table.csv", "data/noise.bin", "data/empty.dat"}},
  };
  std::vector<Stored> entries = SampleEntries();
  Scratch scratch;
  std::filesystem::path archive = scratch.WriteArchive("sample.arc", Inputs(entries));
  int round = 0;
  for (const Case& c : cases) {
    std::filesystem::path out = scratch / ("out" + std::to_string(round++));
    std::vector<std::string> arguments{"extract", "-C", Arg(out), Arg(archive)};
    arguments.insert(arguments.end(), c.inner.begin(), c.inner.end());
    QorRun run = RunQor(arguments);
    EXPECT_EQ(0, run.exitCode) << c.label << "\n" << run.Describe();
    EXPECT_EQ(Expected(entries, c.files), FilesBelow(out)) << c.label;
  }
}

TEST(QorExtract, WritesIntoTheWorkingFolderWithoutDashC) {
  Scratch scratch;
  std::filesystem::path archive = scratch.WriteArchive("a.arc", {{"x\\y.txt", "why", 0}});
  std::filesystem::create_directories(scratch / "here");
  QorRun run = RunQor({"extract", Arg(archive)}, scratch / "here");
  ASSERT_EQ(0, run.exitCode) << run.Describe();
  EXPECT_EQ((std::map<std::string, std::string>{{"x/y.txt", "why"}}), FilesBelow(scratch / "here"));
}

// A stored name that is empty, ".", "..", or carries a drive or a root is
// skipped with a message; the other entries are extracted, the status is 1,
// and nothing appears outside the target.
TEST(QorExtract, SkipsNamesThatLeadOutsideTheTarget) {
  struct Case {
    const char* label;
    std::string name;  // CP932
  };
  const Case cases[] = {
      {"parent", "..\\evil.txt"},
      {"parent, / between names", "../evil.txt"},
      {"parent further down", "sub\\..\\..\\evil.txt"},
      {"parent as the file name", "sub\\.."},
      {"current folder", ".\\evil.txt"},
      {"empty name inside", "sub\\\\evil.txt"},
      {"root", "\\evil.txt"},
      {"root, / between names", "/evil.txt"},
      {"drive and root", "C:\\evil.txt"},
      {"drive alone", "C:evil.txt"},
  };
  for (const Case& c : cases) {
    Scratch scratch;
    std::filesystem::path archive = scratch.WriteArchive(
        "bad.arc", {{"good.txt", "good", 0}, {c.name, "evil", 0}, {"sub\\fine.txt", "fine", 0}});
    QorRun run = RunQor({"extract", "-C", Arg(scratch / "out/target"), Arg(archive)});
    EXPECT_EQ(1, run.exitCode) << c.label << "\n" << run.Describe();
    EXPECT_EQ(1u, CountMessages(run.err)) << c.label << "\n" << run.err;
    EXPECT_NE(std::string::npos, run.err.find("skipped")) << c.label << "\n" << run.err;
    std::map<std::string, std::string> files = FilesBelow(scratch.Path());
    files.erase("bad.arc");
    EXPECT_EQ((std::map<std::string, std::string>{{"out/target/good.txt", "good"}, {"out/target/sub/fine.txt", "fine"}}),
              files)
        << c.label;
  }
}

TEST(QorExtract, KeepsExistingFilesUnlessAskedToOverwrite) {
  Scratch scratch;
  std::filesystem::path archive =
      scratch.WriteArchive("a.arc", {{"a.txt", "new a", 0}, {"b.txt", "new b", 0}, {"sub\\c.txt", "new c", 0}});
  scratch.Write("out/a.txt", "old a");
  scratch.Write("out/sub/c.txt", "old c");
  QorRun kept = RunQor({"extract", "-C", Arg(scratch / "out"), Arg(archive)});
  EXPECT_EQ(1, kept.exitCode) << kept.Describe();
  EXPECT_EQ(2u, CountMessages(kept.err)) << kept.err;
  EXPECT_NE(std::string::npos, kept.err.find("a.txt")) << kept.err;
  EXPECT_NE(std::string::npos, kept.err.find("sub/c.txt")) << kept.err;
  EXPECT_EQ((std::map<std::string, std::string>{{"a.txt", "old a"}, {"b.txt", "new b"}, {"sub/c.txt", "old c"}}),
            FilesBelow(scratch / "out"));

  QorRun replaced = RunQor({"extract", "--overwrite", "-C", Arg(scratch / "out"), Arg(archive)});
  EXPECT_EQ(0, replaced.exitCode) << replaced.Describe();
  EXPECT_EQ((std::map<std::string, std::string>{{"a.txt", "new a"}, {"b.txt", "new b"}, {"sub/c.txt", "new c"}}),
            FilesBelow(scratch / "out"));
}

TEST(QorExtract, NeverReplacesAFolderWithAFile) {
  Scratch scratch;
  std::filesystem::path archive = scratch.WriteArchive("a.arc", {{"a.txt", "file", 0}, {"b.txt", "b", 0}});
  scratch.Write("out/a.txt/inside.txt", "kept");
  QorRun run = RunQor({"extract", "--overwrite", "-C", Arg(scratch / "out"), Arg(archive)});
  EXPECT_EQ(1, run.exitCode) << run.Describe();
  EXPECT_NE(std::string::npos, run.err.find("a.txt")) << run.err;
  EXPECT_EQ((std::map<std::string, std::string>{{"a.txt/inside.txt", "kept"}, {"b.txt", "b"}}),
            FilesBelow(scratch / "out"));
}

TEST(QorExtract, GoesOnAfterAnEntryThatFails) {
  Scratch scratch;
  std::string good = TextBytes(5000);
  std::string archive = AssembleArchive({
      {"first.txt", good},
      {"broken\\bad.bin", Encode(good), true, 5001},  // claims one byte more than it holds
      {"last.txt", "last"},
  });
  scratch.Write("damaged.arc", archive);
  QorRun run = RunQor({"extract", "-C", Arg(scratch / "out"), Arg(scratch / "damaged.arc")});
  EXPECT_EQ(1, run.exitCode) << run.Describe();
  EXPECT_EQ(1u, CountMessages(run.err)) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("broken/bad.bin")) << run.err;
  std::map<std::string, std::string> files = FilesBelow(scratch / "out");
  files.erase("broken/bad.bin");  // whatever was written of it
  EXPECT_EQ((std::map<std::string, std::string>{{"first.txt", good}, {"last.txt", "last"}}), files);
}

TEST(QorExtract, GoesOnAfterAPlaceThatIsNotInTheArchive) {
  Scratch scratch;
  std::filesystem::path archive = scratch.WriteArchive("a.arc", {{"a.txt", "a", 0}, {"d\\b.txt", "b", 0}});
  QorRun run = RunQor({"extract", "-C", Arg(scratch / "out"), Arg(archive), "a.txt", "missing", "d"});
  EXPECT_EQ(1, run.exitCode) << run.Describe();
  EXPECT_EQ(1u, CountMessages(run.err)) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("missing")) << run.err;
  EXPECT_EQ((std::map<std::string, std::string>{{"a.txt", "a"}, {"d/b.txt", "b"}}), FilesBelow(scratch / "out"));
}

}  // namespace
}  // namespace qor_test
