// Relative references between paths, UNC paths and URLs. In the rows a
// backslash is one byte 0x5C, and "\x95\x5C" is a kanji whose second byte is
// 0x5C: it must never be taken for a separator.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "names/ByteText.h"
#include "names/RelativeReference.h"

namespace {

using names_test::ExactBytes;
using names_test::Show;

TEST(RelativeReference, WalksFromTheBaseToTheTarget) {
  const struct { std::string base, target; int result; std::string out; } rows[] = {
      // Relative targets and targets rooted with one separator.
      {"dir\\sub", "x/y", 1, "x/y"},
      {"dir\\sub", "/x\\y", 0, "/x/y"},
      {"", "", 1, ""},
      // Paths with a drive.
      {"C:\\a\\b.htm", "C:\\a\\c\\d.htm", 1, "c\\d.htm"},
      {"C:\\a\\b\\c.htm", "c:\\A\\d\\e.htm", 1, "..\\d\\e.htm"},
      {"C:\\a\\b\\c\\d.htm", "C:\\a\\x.htm", 1, "..\\..\\x.htm"},
      {"C:\\a\\b.htm", "D:\\a\\b.htm", 1, "D:\\a\\b.htm"},
      {"C:\\a\\b.htm", "C:\\A\\B.HTM", 1, "B.HTM"},
      {"C:\\a\\b.htm", "C:\\a\\b.htm#top", 1, "#top"},
      {"C:\\\x95\x5C\\b.htm", "C:\\\x95\x5C\\c.htm", 1, "c.htm"},
      {"C:\\\x95\x5C" "a\\b.htm", "C:\\\x95\x5C" "b\\c.htm", 1, "..\\\x95\x5C" "b\\c.htm"},
      // URLs: components compare byte for byte, up steps keep their backslash.
      {"http://h/a/b.htm", "http://h/a/c.htm#x", 1, "c.htm#x"},
      {"http://h/a/b.htm", "http://h/A/c.htm", 1, "..\\A/c.htm"},
      {"http://h/a/b.htm", "http://H/a/b.htm", 1, "b.htm"},
      {"http://h/a/", "http://h/a/", 1, ""},
      {"https://h/a/b.htm", "https://g/c.htm", 1, "https://g/c.htm"},
      // UNC paths, and roots of another kind.
      {"\\\\srv\\share\\a\\b.htm", "\\\\SRV\\share\\a\\c.htm", 1, "c.htm"},
      {"\\\\srv\\share\\a\\b.htm", "\\\\srv\\other\\a\\c.htm", 1, "\\\\srv\\other\\a\\c.htm"},
      {"C:\\a\\b.htm", "\\\\srv\\share\\x", 1, "\\\\srv\\share\\x"},
      {"C:\\a\\b.htm", "http://h/x", 1, "http://h/x"},
      {"dir\\sub", "C:\\x", 1, "C:\\x"},  // a base without a root
  };
  for (const auto& row : rows) {
    std::string out = "stale";
    const int result = qor::MakeRelativeReference(row.base, row.target, out);
    EXPECT_EQ(std::tie(result, out), std::tie(row.result, row.out)) << Show(row.base) << " -> " << Show(row.target);
  }
}

TEST(RelativeReference, RelativePathClimbsOnlyOutOfDirectories) {
  const struct { std::string base, target; int caseSensitive; std::string out; } rows[] = {
      {"\\b\\c.htm", "\\x", 0, "..\\x"},
      {"\\b\\", "\\x", 0, "..\\x"},
      {"\\a\\b", "\\A\\c", 0, "c"},
      {"\\a\\b", "\\A\\c", 1, "..\\A\\c"},
      {"", "\\x\\y", 0, "x\\y"},
      {"\\a", "", 0, ""},
  };
  for (const auto& row : rows) {
    std::string out = "stale";
    EXPECT_EQ(qor::MakeRelativePath(row.base, row.target, out, row.caseSensitive), 1);
    EXPECT_EQ(out, row.out) << Show(row.base) << " -> " << Show(row.target) << " case " << row.caseSensitive;
  }
}

TEST(RelativeReference, FragmentsSplitAtTheFirstHash) {
  const struct { std::string text, main, fragment; } rows[] = {
      {"a#b#c", "a", "b#c"}, {"a", "a", ""}, {"#", "", ""}, {"\x81#x#y", "\x81#x", "y"},
  };
  for (const auto& row : rows) {
    std::string main = "stale", fragment = "stale";
    qor::SplitFragment(row.text, main, fragment);
    EXPECT_EQ(std::tie(main, fragment), std::tie(row.main, row.fragment)) << Show(row.text);
  }
  std::string out = "page";
  qor::AppendFragment(out, out, "top");
  EXPECT_EQ(out, "page#top");
  qor::AppendFragment(out, "other", "");
  EXPECT_EQ(out, "other");
}

TEST(RelativeReference, LeafNames) {
  const struct { const char* path; std::string leaf; } rows[] = {
      {nullptr, ""},          {"", ""},
      {"http://h/a/b.htm", "b.htm"}, {"http://h/a/", ""}, {"news:comp.x", ""}, {"http://h/a\\b", "a\\b"},
      {"C:\\a\\b.htm", "b.htm"}, {"C:\\a\\.\\b\\..\\c.htm", "c.htm"}, {"C:\\a\\", ""},
      {"C:\\a\\\x95\x5C", "\x95\x5C"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(qor::GetLeafName(row.path), row.leaf) << (row.path ? Show(row.path) : "null");
  std::string tooLong = "C:\\" + std::string(300, 'a');
  EXPECT_EQ(qor::GetLeafName(tooLong.c_str()), "") << "a path that does not resolve within MAX_PATH has no leaf";
}

TEST(RelativeReference, ParentPrefix) {
  const struct { std::string text; int result; std::size_t skipped; } rows[] = {
      {"..", 1, 2}, {"..\\x", 1, 3}, {"../x", 1, 3}, {"..x", 0, 0}, {"...", 0, 0},
      {".", 0, 0},  {"", 0, 0},      {"x..", 0, 0},  {"..\x95\x5C", 0, 0},
  };
  for (const auto& row : rows) {
    ExactBytes text(row.text);
    const char* p = text.c_str();
    EXPECT_EQ(qor::SkipParentPrefix(p), row.result) << Show(row.text);
    EXPECT_EQ(p, text.c_str() + row.skipped) << Show(row.text);
  }
}

}  // namespace
