// Separators, components, roots and kinds of location over code page 932
// paths. In the rows a backslash is one byte 0x5C, and "\x95\x5C" is a kanji
// whose second byte is 0x5C: it must never be taken for a separator.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "names/ByteText.h"
#include "names/PathPrimitives.h"
#include "platform/win32.h"

namespace {

using names_test::ExactBytes;
using names_test::Show;

// The backwards count must agree with a forward walk from the start, for
// every string of up to five bytes over an alphabet of plain bytes, both lead
// ranges and their ends, lead values that double as trail bytes, and the
// separators, which are '/' and '\\' alone.
TEST(TrailByte, AgreesWithAForwardWalk) {
  const char alphabet[] = {'a', '\\', '/', '\x81', '\x9F', '\xE0', '\xFC', '\xFD', '\xA0', '\x40'};
  std::vector<std::string> texts = {""};
  for (std::size_t begin = 0, length = 0; length < 5; ++length) {
    std::size_t end = texts.size();
    for (std::size_t k = begin; k < end; ++k)
      for (char c : alphabet) texts.push_back(texts[k] + c);
    begin = end;
  }
  for (const std::string& text : texts) {
    std::vector<int> trail(text.size(), 0);
    for (std::size_t i = 0; i < text.size(); ++i)
      if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) trail[++i] = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto at = static_cast<std::ptrdiff_t>(i);
      ASSERT_EQ(qor::IsTrailByteAt(text, at), trail[i]) << Show(text) << " at " << i;
      ASSERT_EQ(qor::IsSeparatorAt(text, at), !trail[i] && qor::IsPathSeparator(text[i])) << Show(text) << " at " << i;
    }
  }
  for (int c = 0; c < 256; ++c)
    EXPECT_EQ(qor::IsPathSeparator(static_cast<unsigned char>(c)), c == '/' || c == '\\' ? 1 : 0) << c;
  // Outside the string neither is true.
  for (std::ptrdiff_t at : {-1, 2}) {
    EXPECT_EQ(qor::IsTrailByteAt("\x95\x5C", at), 0) << at;
    EXPECT_EQ(qor::IsSeparatorAt("a\\", at), 0) << at;
  }
  EXPECT_EQ(qor::IsSeparatorAt("", 0), 0);
}

// The first component runs to the first separator and takes it along; taking
// the next component appends it and moves past it, so walking a path takes
// each of these in turn.
TEST(Components, FirstComponentEndsAfterTheFirstSeparator) {
  const struct { std::string text, first; } rows[] = {
      {"a/b\\c", "a/"},      {"a\\b/c", "a\\"},         {"\\x", "\\"},
      {"abc", "abc"},        {"", ""},                  {"\x95\x5C/", "\x95\x5C/"},
      {"\x95\x5C" "x", "\x95\x5C" "x"},                 {"\x82", "\x82"},
  };
  for (const auto& row : rows) {
    ExactBytes text(row.text);
    std::string out = "stale", acc = "x:";
    qor::GetFirstComponent(text.c_str(), out);
    EXPECT_EQ(out, row.first) << Show(row.text);
    const char* p = text.c_str();
    qor::TakeNextComponent(acc, p);
    EXPECT_EQ(std::tuple(acc, p), std::tuple("x:" + row.first, text.c_str() + row.first.size())) << Show(row.text);
  }
  std::string out = "stale";
  qor::GetFirstComponent(nullptr, out);
  EXPECT_EQ(out, "");
  const char* none = nullptr;
  qor::TakeNextComponent(out, none);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(out, "");
}

TEST(Components, RemoveLastComponentClimbsOneLevel) {
  const struct { std::string text; int result; std::string after; } rows[] = {
      {"\\a\\b\\", 1, "\\a\\"}, {"\\a\\b", 1, "\\"}, {"\\", 0, ""}, {"x", 0, "x"},
      {"a\\", 0, "a"},  // the second pass fails and the first pass stays
      {"", 0, ""}, {"C:\\a\\b.txt", 1, "C:\\"}, {"a/b\\c", 1, "a/"},
      {"a\\\x95\x5C\\b", 1, "a\\"},  // the trail byte 0x5C is passed over
      {"\\\x95\x5C", 0, ""},
  };
  for (const auto& row : rows) {
    std::string text = row.text;
    EXPECT_EQ(qor::RemoveLastComponent(text), row.result) << Show(row.text);
    EXPECT_EQ(text, row.after) << Show(row.text);
  }
}

TEST(Separators, ConvertLeavesTrailBytesAlone) {
  const struct { std::string text; int toSlash; std::string converted; } rows[] = {
      {"a\\b/c", 1, "a/b/c"}, {"a\\b/c", 0, "a\\b\\c"},
      {"\x95\x5C\\", 7, "\x95\x5C/"},  // any non-zero value means toward the slash
      {"\x81\x81\x5C", 1, "\x81\x81/"}, {"\x81\x81\x81\x5C", 1, "\x81\x81\x81\x5C"}, {"", 1, ""},
  };
  for (const auto& row : rows) {
    std::string text = row.text;
    qor::ConvertSeparators(text, row.toSlash);
    EXPECT_EQ(text, row.converted) << Show(row.text) << " toSlash " << row.toSlash;
  }
}

TEST(Roots, SplitDriveTakesTwoBytesBeforeAColon) {
  const std::string longRest = "\\" + std::string(300, 'a') + "\\" + std::string(300, 'b') + ".txt";
  const struct { std::string path, drive, rest; } rows[] = {
      {"C:\\a\\b.txt", "C:", "\\a\\b.txt"},
      {"\\a", "", "\\a"}, {"C:", "C:", ""},
      {"1:x", "1:", "x"},  // any first byte
      {":x", "", ":x"}, {"C", "", "C"}, {"", "", ""}, {"\\:x", "", "\\:x"},
      {"C:" + longRest, "C:", longRest},  // no part is cut to a buffer size
  };
  for (const auto& row : rows) {
    std::string drive = "stale", rest = "stale";
    qor::SplitDrive(row.path, drive, rest);
    EXPECT_EQ(std::tie(drive, rest), std::tie(row.drive, row.rest)) << Show(row.path);
  }
}

TEST(Roots, UncRootIsServerAndShare) {
  const struct { std::string path, root, rest; } rows[] = {
      {"\\\\srv\\share\\dir\\f", "\\\\srv\\share", "\\dir\\f"},
      {"/\\srv/share\\x", "/\\srv/share", "\\x"},
      {"\\\\srv", "\\\\srv", ""}, {"\\\\srv\\", "\\\\srv\\", ""}, {"\\/", "\\/", ""},
      {"\\\\\\x", "\\\\\\x", ""},  // an empty server name
      {"\\\\\x95\x5C\\s\\x", "\\\\\x95\x5C\\s", "\\x"},
      {"\\\\srv\\\x95\x5C\\x", "\\\\srv\\\x95\x5C", "\\x"},
      {"\\\\\x82", "\\\\\x82", ""},
      {"\\a", "", "\\a"}, {"\\", "", "\\"}, {"", "", ""}, {"\x95\x5C\\x", "", "\x95\x5C\\x"},
  };
  for (const auto& row : rows) {
    std::string root = "stale", rest = "stale";
    qor::GetUncRoot(row.path, root);
    EXPECT_EQ(root, row.root) << Show(row.path);
    EXPECT_EQ(qor::IsUncPath(row.path), row.root.empty() ? 0 : 1) << Show(row.path);
    root = "stale";
    qor::SplitUncPath(row.path, root, rest);
    EXPECT_EQ(std::tie(root, rest), std::tie(row.root, row.rest)) << Show(row.path);
  }
}

TEST(LocationKinds, UrlsAndAbsolutePaths) {
  const struct { std::string text; int url, absolute; } rows[] = {
      {"http://h", 1, 1}, {"x-y.z+w:q", 1, 1},
      {"ab:", 1, 1},  // two letters are a scheme, not a drive
      {"1:x", 1, 1},
      {":x", 1, 1},  // an empty scheme counts
      {"C:\\x", 0, 1}, {"c:", 0, 1}, {"a b:c", 0, 0}, {"_x:y", 0, 0}, {"\x95\x5C:x", 0, 0},
      {"\xB1:x", 0, 1},  // not a scheme, but a drive
      {"\\:x", 0, 0},  // a colon after a leading separator names no drive
      {"//srv", 0, 1}, {"\\\\", 0, 1}, {"\\x", 0, 0}, {"x\\y", 0, 0}, {"\x95\x5C\\x", 0, 0}, {"", 0, 0},
  };
  for (const auto& row : rows) {
    ExactBytes text(row.text);
    EXPECT_EQ(qor::IsUrl(text.c_str()), row.url) << Show(row.text);
    EXPECT_EQ(qor::IsAbsolutePath(text.c_str()), row.absolute) << Show(row.text);
  }
  EXPECT_EQ(qor::IsUrl(nullptr), 0);
  EXPECT_EQ(qor::IsAbsolutePath(nullptr), 0);
}

TEST(FileName, NameWithoutDirectoryAndExtension) {
  const struct { std::string path, name; } rows[] = {
      {"C:\\data\\x.arc", "x"}, {"C:x.arc", "x"},  {"a.b.c", "a.b"}, {"dir.d\\name", "name"}, {".cfg", ""},
      {"dir\\", ""},            {"/a/b", "b"},     {"C:\\\x95\x5C.arc", "\x95\x5C"},  {"C:", ""}, {"", ""},
      {"d\\\x82", "\x82"},
  };
  for (const auto& row : rows) EXPECT_EQ(qor::SplitPathFileName(row.path), row.name) << Show(row.path);
}

}  // namespace
