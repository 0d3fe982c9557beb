// qor pack: what goes in comes out again; stored names, times and
// signatures; an existing archive is kept unless --force; inputs that
// cannot be packed leave nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

// The input tree of the packing tests, below scratch/src.
const std::map<std::string, std::string> kSourceTree{
    {"README.txt", TextBytes(303)},
    {"data/empty.dat", ""},
    {"data/table.csv", TextBytes(220000)},
    {"data/deep/er/noise.bin", NoiseBytes(130000, 11)},
    {"docs/guide.txt", TextBytes(382)},
    {"docs/お知らせ.txt", "notice"},
    {"表/ソ.txt", "so"},
};

// The names of half-written archives left in a folder.
std::vector<std::string> Leftovers(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (Arg(entry.path().filename()).find(".partial") != std::string::npos) names.push_back(Arg(entry.path()));
  return names;
}

// Each round also writes the signature chosen, or by default Orblane's.
TEST(QorPack, ExtractingThePackGivesBackTheInput) {
  const struct {
    const char* label;
    std::vector<std::string> paths, options = {};
    std::string signature = "Orblane CompressedFile";
  } cases[] = {
      {"files and folders", {"README.txt", "docs", "data", "表"}},
      {"the whole base folder, --best", {"."}, {"--best"}},
      {"a folder below a folder, zK-TERN's signature", {"data/deep"}, {"--signature", "zktern"},
       "zK-TERN CompressedFile"},
      {"a file below a folder, Orblane's signature", {"docs/お知らせ.txt"}, {"--signature", "orblane"}},
  };
  Scratch scratch;
  for (const auto& [path, data] : kSourceTree) scratch.Write("src/" + path, data);
  int round = 0;
  for (const auto& c : cases) {
    std::string name = "pack" + std::to_string(round++);
    std::vector<std::string> arguments{"pack", "-C", Arg(scratch / "src")};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.push_back(Arg(scratch / (name + ".arc")));
    arguments.insert(arguments.end(), c.paths.begin(), c.paths.end());
    QorRun packed = RunQor(arguments);
    ASSERT_EQ(0, packed.exitCode) << c.label << "\n" << packed.Describe();
    EXPECT_EQ(c.signature, ReadFile(scratch / (name + ".arc")).substr(0, 22)) << c.label;
    QorRun extracted = RunQor({"extract", "-C", Arg(scratch / name), Arg(scratch / (name + ".arc"))});
    ASSERT_EQ(0, extracted.exitCode) << c.label << "\n" << extracted.Describe();
    std::map<std::string, std::string> expected;
    for (const auto& [path, data] : kSourceTree)
      for (const std::string& place : c.paths)
        if (place == "." || path == place || path.rfind(place + "/", 0) == 0) expected[path] = data;
    EXPECT_EQ(expected, FilesBelow(scratch / name)) << c.label;
  }
  EXPECT_LT(std::filesystem::file_size(scratch / "pack1.arc"), std::filesystem::file_size(scratch / "pack0.arc"))
      << "--best stores the same files in fewer bytes";

  // The base given as the working folder: names are stored relative to it,
  // in CP932, with \ between them, each file with its own time.
  const std::map<std::string, long long> seconds{
      {"docs/guide.txt", 1000000000}, {"docs/お知らせ.txt", 1700000000}, {"表/ソ.txt", 951782399}};
  for (const auto& [path, time] : seconds) {
    const auto when = std::chrono::sys_seconds(std::chrono::seconds(time));
    std::filesystem::last_write_time(scratch / ("src/" + path), std::chrono::file_clock::from_sys(when));
  }
  QorRun run = RunQor({"pack", "-v", "new.arc", "docs", "表"}, scratch / "src");
  ASSERT_EQ(0, run.exitCode) << run.Describe();
  EXPECT_EQ((std::vector<std::string>{"docs/guide.txt", "docs/お知らせ.txt", "表/ソ.txt", "3 file(s) packed into " +
                                                                                   Arg(scratch / "src/new.arc")}),
            Lines(run.out))
      << "-v names each file stored";
  std::string archive = ReadFile(scratch / "src/new.arc");
  for (std::string name : {std::string("docs\\guide.txt"), std::string("docs\\\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt"),
                           std::string("\x95\x5C\\\x83\x5C.txt")})
    EXPECT_NE(std::string::npos, archive.find(name + '\0')) << name;
  EXPECT_EQ(std::string::npos, archive.find("docs/")) << "names are stored with \\ between them";
  EXPECT_EQ(std::string::npos, archive.find("src")) << "names are relative to the base folder";
  std::map<std::string, std::string> mtimes;
  QorRun listed = RunQor({"ls", "-R", "--json", Arg(scratch / "src/new.arc")});
  for (const nlohmann::json& item : nlohmann::json::parse(listed.out))
    if (item.contains("mtime")) mtimes[item.value("path", "?")] = item.value("mtime", "?");
  EXPECT_EQ((std::map<std::string, std::string>{{"docs/guide.txt", "2001-09-09T01:46:40Z"},
                                                {"docs/お知らせ.txt", "2023-11-14T22:13:20Z"},
                                                {"表/ソ.txt", "2000-02-28T23:59:59Z"}}),
            mtimes);
}

// --force replaces a file that is no archive, and then an archive; the
// archive lies in the folder packed and is never stored in itself.
TEST(QorPack, WritesOverTheArchiveWhenForced) {
  Scratch scratch;
  scratch.Write("src/a.txt", TextBytes(1000));
  const std::filesystem::path archive = scratch.Write("src/s.arc", "precious");
  for (int round = 0; round < 2; ++round) {
    QorRun packed = RunQor({"pack", "--force", "-C", Arg(scratch / "src"), Arg(archive), "."});
    ASSERT_EQ(0, packed.exitCode) << round << "\n" << packed.Describe();
    EXPECT_EQ(std::vector<std::string>{"a.txt"}, Lines(RunQor({"ls", Arg(archive)}).out)) << round;
    QorRun tested = RunQor({"test", Arg(archive)});
    EXPECT_EQ(0, tested.exitCode) << round << "\n" << tested.Describe();
    EXPECT_EQ(std::vector<std::string>{}, Leftovers(scratch / "src")) << round;
  }
}

#ifndef _WIN32
// Nothing is left out unsaid: links to folders (not followed), dangling
// links and names holding "\\" are named and make the status 1; a name
// with ':' is stored and named, an empty folder named; everything else is
// packed.
TEST(QorPack, NamesWhatItLeavesOutAndWhatWindowsWouldRefuse) {
  Scratch scratch;
  scratch.Write("src/kept.txt", "kept");
  scratch.Write("src/colon:.txt", "colon");
  scratch.Write("src/back\\slash.txt", "slash");
  scratch.Write("elsewhere/far.txt", "far");
  std::filesystem::create_directory_symlink(scratch / "elsewhere", scratch / "src/linked");
  std::filesystem::create_symlink(scratch / "elsewhere/far.txt", scratch / "src/file-link.txt");
  std::filesystem::create_symlink(scratch / "nothing", scratch / "src/dangling");
  std::filesystem::create_symlink("/dev/null", scratch / "src/device-link");
  std::filesystem::create_directories(scratch / "src/empty");
  QorRun run = RunQor({"pack", "-C", Arg(scratch / "src"), Arg(scratch / "p.arc"), "."});
  EXPECT_EQ(1, run.exitCode) << run.Describe();
  std::vector<std::string> messages = Lines(run.err);
  std::sort(messages.begin(), messages.end());
  const std::string src = Arg(scratch / "src") + "/";
  EXPECT_EQ((std::vector<std::string>{
                "qor: " + src + "back\\slash.txt: the name holds a \"\\\", which separates folders inside an archive; not stored",
                "qor: " + src + "colon:.txt: stored, but extraction on Windows refuses a name with ':'",
                "qor: " + src + "dangling: a symbolic link to nothing; not stored",
                "qor: " + src + "device-link: a symbolic link to neither a file nor a folder; not stored",
                "qor: " + src + "empty: an empty folder, which an archive cannot hold",
                "qor: " + src + "linked: a symbolic link to a folder, not followed; not stored"}),
            messages);
  ASSERT_EQ(0, RunQor({"extract", "-C", Arg(scratch / "out"), Arg(scratch / "p.arc")}).exitCode);
  // A file named twice is stored once.
  QorRun twice = RunQor({"pack", "-C", Arg(scratch / "src"), Arg(scratch / "twice.arc"), "kept.txt", "./kept.txt"});
  EXPECT_EQ(0, twice.exitCode) << twice.Describe();
  EXPECT_EQ(0u, twice.out.rfind("1 file(s) packed", 0)) << twice.out;
  EXPECT_EQ((std::map<std::string, std::string>{{"colon:.txt", "colon"}, {"file-link.txt", "far"}, {"kept.txt", "kept"}}),
            FilesBelow(scratch / "out"));
}
#endif

TEST(QorPack, RefusesWhatItCannotPackAndLeavesNothingBehind) {
  const struct {
    const char* label;
    const char* file;  // written below scratch before packing, besides src/a.txt
    const char* path;  // the PATH argument, relative to scratch/src
    const char* names;  // what the message names
  } cases[] = {
      {"an existing archive, without --force", "x.arc", "a.txt", "x.arc"},
      {"a name outside code page 932", "src/한글.txt", "한글.txt", "한글.txt"},
      {"a folder holding a name outside code page 932", "src/d/😀.txt", "d", "😀.txt"},
      {"a path that does not exist", "src/b.txt", "missing.txt", "missing.txt"},
      {"a path outside the base folder", "outside.txt", "../outside.txt", "outside.txt: not inside"},
      {"a folder without files", "src/empty/.keep/", "empty/.keep", "no files to pack"},
  };
  for (const auto& c : cases) {
    Scratch scratch;
    scratch.Write("src/a.txt", "a");
    if (std::string(c.file).back() == '/')
      std::filesystem::create_directories(scratch / c.file);
    else
      scratch.Write(c.file, "x");
    QorRun run = RunQor({"pack", "-C", Arg(scratch / "src"), Arg(scratch / "x.arc"), c.path});
    EXPECT_TRUE(FailedSaying(run, c.names)) << c.label;
    if (std::string(c.file) == "x.arc") {
      EXPECT_EQ("x", ReadFile(scratch / "x.arc")) << c.label;
    } else {
      EXPECT_FALSE(std::filesystem::exists(scratch / "x.arc")) << c.label;
    }
    EXPECT_EQ(std::vector<std::string>{}, Leftovers(scratch.Path())) << c.label;
  }
}

}  // namespace
}  // namespace qor_test
