// Stepping, ordering and searching over code page 932 byte strings. Every
// string is held in a block of its exact size, so a step over the terminator
// or past a range is an AddressSanitizer report, not a silent pass.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "names/ByteText.h"
#include "names/MbString.h"

namespace {

using names_test::ExactBytes;
using names_test::Show;
constexpr auto npos = std::string_view::npos;

// The byte offsets at which characters begin, the end included.
std::vector<std::size_t> BoundariesOfTerminated(const std::string& text) {
  ExactBytes bytes = ExactBytes::Terminated(text);
  std::vector<std::size_t> offsets;
  const char* p = bytes.c_str();
  for (;;) {
    offsets.push_back(static_cast<std::size_t>(p - bytes.c_str()));
    if (*p == 0) break;
    p = qor::MbsNextChar(p);
  }
  EXPECT_EQ(qor::MbsNextChar(p), p) << Show(text) << ": the terminator is never stepped over";
  return offsets;
}

std::vector<std::size_t> BoundariesOfRange(const std::string& text) {
  ExactBytes bytes = ExactBytes::Range(text);
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < text.size(); i = qor::MbsNextIndex(bytes.View(), i)) offsets.push_back(i);
  offsets.push_back(text.size());
  return offsets;
}

TEST(MbsStepping, StepsOverDoubleByteCharactersAndStopsAtTheEnd) {
  struct Row {
    std::string text;
    std::vector<std::size_t> boundaries;
  } rows[] = {
      {"", {0}},
      {"abc", {0, 1, 2, 3}},
      {"a\x95\x5C", {0, 1, 3}},                 // trail byte 0x5C
      {"\x81\x81\x81", {0, 2, 3}},              // a trail byte in the lead range, then a lone lead byte
      {"\x82", {0, 1}},                         // a lone lead byte is one character
      {"\xB1\xDE", {0, 1, 2}},                  // half-width katakana are single bytes
      {"\xE0\x40\xFC\xFC\xFD", {0, 2, 4, 5}},   // both ends of the upper lead range; 0xFD is no lead
      {"\x80\xA0\x9F\x40", {0, 1, 2, 4}},       // 0x80 and 0xA0 lie between the lead ranges
  };
  for (const Row& row : rows) {
    EXPECT_EQ(BoundariesOfTerminated(row.text), row.boundaries) << Show(row.text);
    EXPECT_EQ(BoundariesOfRange(row.text), row.boundaries) << Show(row.text);
  }
  EXPECT_EQ(qor::MbsNextChar(nullptr), nullptr);
}

TEST(MbsStepping, ZeroByteInsideARangeIsNeverATrailByte) {
  // A terminated string would end at the zero; a range steps it on its own,
  // as the terminated walk would have stopped there.
  EXPECT_EQ(BoundariesOfRange(std::string("\x82\0a", 3)), (std::vector<std::size_t>{0, 1, 2, 3}));
}

struct OrderRow {
  std::string a;
  std::string b;
  int caseSensitive;    // sign of MbsCompare(a, b)
  int caseInsensitive;  // sign of MbsICompare(a, b)
};

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(MbsCompare, OrdersByCharacterValue) {
  const OrderRow rows[] = {
      {"abc", "abc", 0, 0},
      {"", "", 0, 0},
      {"B", "a", -1, 1},
      {"Readme.txt", "README.TXT", 1, 0},
      {"ab", "abc", -1, -1},  // the string that ends first is smaller
      {"", "a", -1, -1},
      {"_", "a", -1, -1},
      {"_", "A", 1, -1},                 // letters fold to small letters, which sort after '_'
      {"\xB1", "z", 1, 1},               // half-width katakana after ASCII
      {"\xB1", "\x82\xA0", -1, -1},      // 0xB1 before 0x82A0, though byte by byte it would be after
      {"z", "\x82\xA0", -1, -1},
      {"\x95\x5C", "\x95\x5C", 0, 0},
      {"\x95\x5C", "\x95]", -1, -1},     // second halves decide within one lead byte
      {"\x83\x41", "\x83\x61", -1, -1},  // trail bytes that look like letters never fold
      {"\x82\x60", "\x82\x81", -1, -1},  // full-width A and a compare by value
      {"\x82", "\x82\xA0", -1, -1},      // a lone lead byte is the value 0x82 alone
      {"a\x82", "a", 1, 1},
      {"\x88\x9F\x88\x9F", "\x88\x9F\x88\xA0", -1, -1},
  };
  for (const OrderRow& row : rows) {
    ExactBytes a = ExactBytes::Terminated(row.a);
    ExactBytes b = ExactBytes::Terminated(row.b);
    std::string name = Show(row.a) + " vs " + Show(row.b);
    EXPECT_EQ(Sign(qor::MbsCompare(a.c_str(), b.c_str())), row.caseSensitive) << name;
    EXPECT_EQ(Sign(qor::MbsCompare(b.c_str(), a.c_str())), -row.caseSensitive) << name << ", reversed";
    EXPECT_EQ(Sign(qor::MbsICompare(a.c_str(), b.c_str())), row.caseInsensitive) << name;
    EXPECT_EQ(Sign(qor::MbsICompare(b.c_str(), a.c_str())), -row.caseInsensitive) << name << ", reversed";
  }
}

TEST(MbsCompare, NullComparesAsEmpty) {
  EXPECT_EQ(qor::MbsCompare(nullptr, ""), 0);
  EXPECT_LT(qor::MbsCompare(nullptr, "a"), 0);
  EXPECT_GT(qor::MbsICompare("a", nullptr), 0);
  EXPECT_EQ(qor::MbsICompare(nullptr, nullptr), 0);
}

TEST(MbsCompare, ComparatorsOrderMapKeys) {
  const std::vector<std::string> names = {"a", "B", "\x82\xA0", "\xB1", "_", "A"};
  std::set<std::string, qor::MbsLess> exact(names.begin(), names.end());
  EXPECT_EQ(std::vector<std::string>(exact.begin(), exact.end()),
            (std::vector<std::string>{"A", "B", "_", "a", "\xB1", "\x82\xA0"}));

  std::set<std::string, qor::MbsILess> folded(names.begin(), names.end());
  EXPECT_EQ(std::vector<std::string>(folded.begin(), folded.end()),
            (std::vector<std::string>{"_", "a", "B", "\xB1", "\x82\xA0"}))
      << "\"A\" is the same key as \"a\"";

  std::map<std::string, int, qor::MbsILess> archives;
  archives["C:\\Data\\Readme.txt"] = 1;
  EXPECT_EQ(archives.count("c:\\DATA\\README.TXT"), 1u);
}

struct FindRow {
  std::string text;
  unsigned char c;
  std::size_t first;
  std::size_t last;
};

std::size_t OffsetOf(const char* found, const ExactBytes& bytes) {
  return found ? static_cast<std::size_t>(found - bytes.c_str()) : npos;
}

TEST(MbsFind, MatchesOnlyWhereACharacterBegins) {
  const FindRow rows[] = {
      {"a\\b\\c", '\\', 1, 3},
      {"\x95\x5C", '\\', npos, npos},  // a trail byte never matches
      {"\x95\x5C\\", '\\', 2, 2},
      {"\x81\x81\x5C", '\\', 2, 2},
      {"\x81\x81\x81\x5C", '\\', npos, npos},
      {"a.b.c", '.', 1, 3},
      {"abc", 'x', npos, npos},
      {"", 'a', npos, npos},
      {"\x82", 0x82, 0, 0},  // a lone lead byte is a character of its own
      {"\x82\x82", 0x82, 0, 0},
      {"\x83\x41" "A", 'A', 2, 2},
  };
  for (const FindRow& row : rows) {
    ExactBytes terminated = ExactBytes::Terminated(row.text);
    EXPECT_EQ(OffsetOf(qor::MbsFindChar(terminated.c_str(), row.c), terminated), row.first) << Show(row.text);
    EXPECT_EQ(OffsetOf(qor::MbsFindLastChar(terminated.c_str(), row.c), terminated), row.last) << Show(row.text);
    ExactBytes range = ExactBytes::Range(row.text);
    EXPECT_EQ(qor::MbsIndexOfChar(range.View(), row.c), row.first) << Show(row.text);
    EXPECT_EQ(qor::MbsLastIndexOfChar(range.View(), row.c), row.last) << Show(row.text);
  }
}

TEST(MbsFind, ZeroFindsTheTerminatorAndNullFindsNothing) {
  ExactBytes text = ExactBytes::Terminated("a\x95\x5C");
  EXPECT_EQ(qor::MbsFindChar(text.c_str(), 0), text.c_str() + 3);
  EXPECT_EQ(qor::MbsFindLastChar(text.c_str(), 0), text.c_str() + 3);
  EXPECT_EQ(qor::MbsFindChar(nullptr, 'a'), nullptr);
  EXPECT_EQ(qor::MbsFindLastChar(nullptr, 0), nullptr);
  EXPECT_EQ(qor::MbsFindSeparator(nullptr), nullptr);
  EXPECT_EQ(qor::MbsFindLastSeparator(nullptr), nullptr);
}

TEST(MbsFind, SeparatorsAreSlashAndBackslashOutsideDoubleByteCharacters) {
  const FindRow rows[] = {
      {"a/b\\c", 0, 1, 3},
      {"a\\b/c", 0, 1, 3},
      {"\x95\x5C/", 0, 2, 2},
      {"\x95\x5C", 0, npos, npos},
      {"\x83\x5C\x83\x5C", 0, npos, npos},
      {"/", 0, 0, 0},
      {"abc", 0, npos, npos},
      {"\\\x82", 0, 0, 0},
      {"x\x82", 0, npos, npos},
  };
  for (const FindRow& row : rows) {
    ExactBytes terminated = ExactBytes::Terminated(row.text);
    EXPECT_EQ(OffsetOf(qor::MbsFindSeparator(terminated.c_str()), terminated), row.first) << Show(row.text);
    EXPECT_EQ(OffsetOf(qor::MbsFindLastSeparator(terminated.c_str()), terminated), row.last) << Show(row.text);
    ExactBytes range = ExactBytes::Range(row.text);
    EXPECT_EQ(qor::MbsIndexOfSeparator(range.View()), row.first) << Show(row.text);
    EXPECT_EQ(qor::MbsLastIndexOfSeparator(range.View()), row.last) << Show(row.text);
  }
}

TEST(MbsFind, SeparatorSearchResumesFromACharacterBoundary) {
  ExactBytes range = ExactBytes::Range("\\\\\x95\x5C\\s");
  EXPECT_EQ(qor::MbsIndexOfSeparator(range.View(), 2), 4u);
  EXPECT_EQ(qor::MbsIndexOfSeparator(range.View(), 5), npos);
  EXPECT_EQ(qor::MbsIndexOfSeparator(range.View(), 6), npos) << "from the end";
}

}  // namespace
