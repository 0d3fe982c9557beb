// qor ls: plain, recursive, long and JSON listings of an archive whose
// catalogue order differs from the folders' own order, with CP932 names
// (two of them with 0x5C as a trail byte) and times across the whole range.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <nlohmann/json.hpp>

#include "QorTestSupport.h"

namespace qor_test {
namespace {

// CP932: お知らせ.txt, and the folder 表 holding ソ.txt (both end in 0x5C).
const std::string kNotice = "\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt";
const std::string kTable = "\x95\x5C";
const std::string kSo = "\x83\x5C.txt";

class QorList : public testing::Test {
 protected:
  void SetUp() override {
    m_archive = m_scratch.WriteArchive("list.arc", m_inputs);
  }

  QorRun Ls(std::vector<std::string> options, const std::string& inner = {}) {
    options.insert(options.begin(), "ls");
    options.push_back(Arg(m_archive));
    if (!inner.empty()) options.push_back(inner);
    return RunQor(options);
  }

  // Catalogue order on purpose unlike the folders' order.
  const std::vector<qor::ArchiveInput> m_inputs = {
      {"readme.txt", TextBytes(303), 1700000000},
      {"docs\\guide.txt", TextBytes(382), 0},
      {"Zeta.bin", NoiseBytes(70000, 1), INT32_MAX},
      {"docs\\api\\index.html", "<html></html>", -1},
      {"docs\\" + kNotice, TextBytes(133), INT32_MIN},
      {kTable + "\\" + kSo, "so", 951782400},
      {"a/b/c.txt", "c", 1000000000},
      {"empty.dat", "", 1},
  };
  Scratch m_scratch;
  std::filesystem::path m_archive;
};

// Each folder lists its children in its own order; with -R items are named
// by their path from the root and every folder's tree follows the folder. The
// JSON listing of a place names its items from the root too (their "path").
// A place that is not in the archive is refused, the message naming it.
TEST_F(QorList, ListsOneFolderInItsOwnOrder) {
  enum Form { kPlain, kRecursive, kJson };
  const struct { const char* inner; Form form; std::vector<std::string> expected; } cases[] = {
      {"", kPlain, {"Zeta.bin", "a/", "docs/", "empty.dat", "readme.txt", "表/"}},
      {"docs", kPlain, {"api/", "guide.txt", "お知らせ.txt"}},
      {"docs/", kPlain, {"api/", "guide.txt", "お知らせ.txt"}},
      {"/docs\\api", kPlain, {"index.html"}},
      {"a\\b", kPlain, {"c.txt"}},
      {"表", kPlain, {"ソ.txt"}},
      {"表/ソ.txt", kPlain, {"ソ.txt"}},
      {"", kRecursive, {"Zeta.bin", "a/", "a/b/", "a/b/c.txt", "docs/", "docs/api/", "docs/api/index.html",
                        "docs/guide.txt", "docs/お知らせ.txt", "empty.dat", "readme.txt", "表/", "表/ソ.txt"}},
      {"docs", kRecursive, {"docs/api/", "docs/api/index.html", "docs/guide.txt", "docs/お知らせ.txt"}},
      {"a/b/c.txt", kRecursive, {"a/b/c.txt"}},
      {"docs", kJson, {"docs/api", "docs/guide.txt", "docs/お知らせ.txt"}},
      {"表\\ソ.txt", kJson, {"表/ソ.txt"}},
  };
  const std::vector<std::string> options[] = {{}, {"-R"}, {"--json"}};
  for (const auto& c : cases) {
    std::string label = "ls " + (c.form == kPlain ? "" : options[c.form][0] + " ") + "'" + c.inner + "'";
    QorRun run = Ls(options[c.form], c.inner);
    EXPECT_EQ(0, run.exitCode) << label << "\n" << run.Describe();
    std::vector<std::string> listed = Lines(run.out);
    if (c.form == kJson) {
      nlohmann::json list = nlohmann::json::parse(run.out, nullptr, false);
      ASSERT_TRUE(list.is_array()) << label << "\n" << run.out;
      listed.clear();
      for (const nlohmann::json& item : list) listed.push_back(item.value("path", "?"));
    }
    EXPECT_EQ(c.expected, listed) << label;
    EXPECT_EQ("", run.err) << label;
  }
  for (const char* inner : {"nothing", "docs/nothing", "readme.txt/below", "docs/api/index.html/x", "お知らせ.txt"})
    EXPECT_TRUE(FailedSaying(Ls({"-R"}, inner), inner)) << "the message names the place";
}

// The long (-v: with stored sizes) and the JSON listing of every item, in
// -R order. A stored size is the entry's own, as the writer encoded it.
TEST_F(QorList, LongAndJsonListingsDescribeEveryItem) {
  const struct {
    const char* path;
    bool folder;
    unsigned size;
    std::string mtime;
    unsigned index;  // the entry's position in the catalogue
  } rows[] = {
      {"Zeta.bin", false, 70000, "2038-01-19T03:14:07Z", 2},
      {"a", true},
      {"a/b", true},
      {"a/b/c.txt", false, 1, "2001-09-09T01:46:40Z", 6},
      {"docs", true},
      {"docs/api", true},
      {"docs/api/index.html", false, 13, "1969-12-31T23:59:59Z", 3},
      {"docs/guide.txt", false, 382, "1970-01-01T00:00:00Z", 1},
      {"docs/お知らせ.txt", false, 133, "1901-12-13T20:45:52Z", 4},
      {"empty.dat", false, 0, "1970-01-01T00:00:01Z", 7},
      {"readme.txt", false, 303, "2023-11-14T22:13:20Z", 0},
      {"表", true},
      {"表/ソ.txt", false, 2, "2000-02-29T00:00:00Z", 5},
  };
  auto stored = [this](unsigned index) { return Encode(m_inputs[index].data).size(); };
  QorRun run = Ls({"-R", "-v", "--utc"});
  ASSERT_EQ(0, run.exitCode) << run.Describe();
  std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(std::size(rows) + 1, lines.size()) << run.out;
  size_t storedBytes = 0;
  for (unsigned index = 0; index < m_inputs.size(); ++index) storedBytes += stored(index);
  EXPECT_EQ("8 file(s), 70834 bytes, " + std::to_string(storedBytes) + " stored (" +
                std::to_string(std::lround(100.0 - 100.0 * static_cast<double>(storedBytes) / 70834)) + "% saved)",
            lines.back());
  lines.pop_back();
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto& row = rows[i];
    // The columns however wide: mode, size, stored size, share saved, date
    // and time to the minute, path.
    std::string line = lines[i], when = row.mtime.substr(0, 16);
    line.erase(std::unique(line.begin(), line.end(), [](char a, char b) { return a == ' ' && b == ' '; }), line.end());
    when[10] = ' ';
    if (row.folder) {
      EXPECT_EQ("dr-c - - - - " + std::string(row.path) + "/", line);
      continue;
    }
    const double size = row.size, storedSize = static_cast<double>(stored(row.index));
    const std::string saved = row.size ? std::to_string(std::lround(100 * (size - storedSize) / size)) + "%" : "-";
    EXPECT_EQ("-r-c " + std::to_string(row.size) + " " + std::to_string(stored(row.index)) + " " + saved + " " + when +
                  " " + row.path,
              line);
  }

#ifndef _WIN32
  // Without --utc, the time zone's own: nine hours east, a day later at
  // 2023-11-14 22:13 UTC.
  setenv("TZ", "JST-9", 1);
  QorRun local = Ls({"-l"}, "readme.txt");
  unsetenv("TZ");
  EXPECT_EQ("-r-c          303  2023-11-15 07:13  readme.txt", Lines(local.out).at(0));
#endif

  run = Ls({"-R", "--json"});
  ASSERT_EQ(0, run.exitCode) << run.Describe();
  nlohmann::json list = nlohmann::json::parse(run.out, nullptr, false);
  ASSERT_TRUE(list.is_array()) << run.out;
  ASSERT_EQ(std::size(rows), list.size()) << run.out;
  for (size_t i = 0; i < list.size(); ++i) {
    const auto& row = rows[i];
    const std::string path = row.path;
    // Folders carry no size, mtime or index.
    nlohmann::json expected{{"path", path}, {"name", path.substr(path.rfind('/') + 1)}, {"type", "folder"}};
    if (!row.folder)
      expected.update({{"type", "file"}, {"size", row.size}, {"mtime", row.mtime}, {"index", row.index},
                       {"stored", stored(row.index)}});
    EXPECT_EQ(expected, list[i]);
  }
}

// A name with a line break cannot forge a listing line: plain listings show
// control characters escaped, JSON keeps the name exact. Folders stored with
// an empty name ("\\f", "a\\\\b") show as an empty name between separators,
// so that each path ls -R prints is its own and cat takes it back to that
// file; "a//b" typed where no such folder is means "a/b".
TEST(QorListNames, EscapesControlCharactersPrintsEachPathOnceAndCatTakesItBack) {
  Scratch scratch;
  std::string archive = Arg(scratch.WriteArchive("e.arc", {{"f", "top", 0},
                                                           {"\\f", "under an empty name", 0},
                                                           {"a\\\\b", "a, empty, b", 0},
                                                           {"a\\c", "c", 0},
                                                           {"a\nb\x7F.txt", "x", 0}}));
  EXPECT_EQ((std::vector<std::string>{"/", "/f", "a/", "a//", "a//b", "a/c", "a\\x0Ab\\x7F.txt", "f"}),
            Lines(RunQor({"ls", "-R", archive}).out));
  nlohmann::json list = nlohmann::json::parse(RunQor({"ls", "--json", archive}).out, nullptr, false);
  ASSERT_TRUE(list.is_array() && list.size() == 4) << list.dump();
  EXPECT_EQ("a\nb\x7F.txt", list[2].value("name", "?"));
  const std::pair<const char*, const char*> files[] = {
      {"f", "top"}, {"/f", "under an empty name"}, {"a//b", "a, empty, b"}, {"a/c", "c"}, {"a//c", "c"}};
  for (const auto& [inner, data] : files) EXPECT_EQ(data, RunQor({"cat", archive, inner}).out) << inner;
}

}  // namespace
}  // namespace qor_test
