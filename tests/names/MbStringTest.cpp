// Stepping, ordering and searching over code page 932 byte strings. Every
// string is held in a block of its exact size, so a step over the terminator
// or past a range is an AddressSanitizer report, not a silent pass.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "names/ByteText.h"
#include "names/MbString.h"

namespace {

using names_test::ExactBytes;
using names_test::Show;
using Offsets = std::vector<std::size_t>;
constexpr auto npos = std::string_view::npos;

// The offsets at which characters begin, the end included, walking a range.
Offsets BoundariesOfRange(const std::string& text) {
  ExactBytes bytes(text, false);
  Offsets offsets;
  for (std::size_t i = 0; i < text.size(); i = qor::MbsNextIndex(bytes.View(), i)) offsets.push_back(i);
  offsets.push_back(text.size());
  return offsets;
}

TEST(MbsStepping, StepsOverDoubleByteCharactersAndStopsAtTheEnd) {
  const struct { std::string text; Offsets boundaries; } rows[] = {
      {"", {0}},
      {"a\x95\x5C", {0, 1, 3}},                // trail byte 0x5C
      {"\x81\x81\x81", {0, 2, 3}},             // a trail byte in the lead range, then a lone lead byte
      {"\x82", {0, 1}},                        // a lone lead byte is one character
      {"\xB1\xDE", {0, 1, 2}},                 // half-width katakana are single bytes
      {"\xE0\x40\xFC\xFC\xFD", {0, 2, 4, 5}},  // both ends of the upper lead range; 0xFD is no lead
      {"\x80\xA0\x9F\x40", {0, 1, 2, 4}},      // 0x80 and 0xA0 lie between the lead ranges
  };
  for (const auto& row : rows) {
    ExactBytes bytes(row.text);
    Offsets offsets{0};
    for (const char* p = bytes.c_str(); *p;) {
      p = qor::MbsNextChar(p);
      offsets.push_back(static_cast<std::size_t>(p - bytes.c_str()));
    }
    EXPECT_EQ(offsets, row.boundaries) << Show(row.text);
    EXPECT_EQ(qor::MbsNextChar(bytes.c_str() + row.text.size()), bytes.c_str() + row.text.size())
        << Show(row.text) << ": the terminator is never stepped over";
    EXPECT_EQ(BoundariesOfRange(row.text), row.boundaries) << Show(row.text);
  }
  EXPECT_EQ(qor::MbsNextChar(nullptr), nullptr);
  // Inside a range a zero byte is never a trail byte.
  EXPECT_EQ(BoundariesOfRange(std::string("\x82\0a", 3)), (Offsets{0, 1, 2, 3}));
}

int Sign(int value) { return (value > 0) - (value < 0); }

TEST(MbsCompare, OrdersByCharacterValue) {
  // The signs of MbsCompare(a, b) and MbsICompare(a, b); of (b, a) the opposite.
  const struct { std::string a, b; int exact, folded; } rows[] = {
      {"", "", 0, 0}, {"B", "a", -1, 1}, {"Readme.txt", "README.TXT", 1, 0},
      {"ab", "abc", -1, -1},             // the string that ends first is smaller
      {"_", "A", 1, -1},                 // letters fold to small letters, which sort after '_'
      {"\xB1", "z", 1, 1},               // half-width katakana after ASCII
      {"\xB1", "\x82\xA0", -1, -1},      // 0xB1 before 0x82A0, though byte by byte it would be after
      {"\x95\x5C", "\x95\x5C", 0, 0},
      {"\x95\x5C", "\x95]", -1, -1},     // second halves decide within one lead byte
      {"\x83\x41", "\x83\x61", -1, -1},  // trail bytes that look like letters never fold
      {"\x82\x60", "\x82\x81", -1, -1},  // full-width A and a compare by value
      {"\x82", "\x82\xA0", -1, -1},      // a lone lead byte is the value 0x82 alone
      {"a\x82", "a", 1, 1},
  };
  for (const auto& row : rows) {
    ExactBytes a(row.a), b(row.b);
    EXPECT_EQ(std::tuple(Sign(qor::MbsCompare(a.c_str(), b.c_str())), Sign(qor::MbsCompare(b.c_str(), a.c_str())),
                         Sign(qor::MbsICompare(a.c_str(), b.c_str())), Sign(qor::MbsICompare(b.c_str(), a.c_str()))),
              std::tuple(row.exact, -row.exact, row.folded, -row.folded)) << Show(row.a) << " vs " << Show(row.b);
  }
  // Null compares as the empty string.
  EXPECT_EQ(qor::MbsCompare(nullptr, ""), 0);
  EXPECT_LT(qor::MbsCompare(nullptr, "a"), 0);
  EXPECT_GT(qor::MbsICompare("a", nullptr), 0);
  EXPECT_EQ(qor::MbsICompare(nullptr, nullptr), 0);

  const std::set<std::string, qor::MbsLess> exact{"a", "B", "\x82\xA0", "\xB1", "_", "A"};
  EXPECT_EQ(std::vector<std::string>(exact.begin(), exact.end()),
            (std::vector<std::string>{"A", "B", "_", "a", "\xB1", "\x82\xA0"}));
  const std::set<std::string, qor::MbsILess> folded{"a", "B", "_", "A"};
  EXPECT_EQ(std::vector<std::string>(folded.begin(), folded.end()), (std::vector<std::string>{"_", "a", "B"}))
      << "\"A\" is the same key as \"a\"";
}

constexpr int kSeparator = -1;  // in the c column: search for either separator

TEST(MbsFind, MatchesOnlyWhereACharacterBegins) {
  const struct { std::string text; int c; std::size_t first, last; } rows[] = {
      {"a\\b\\c", '\\', 1, 3},
      {"\x95\x5C", '\\', npos, npos},  // a trail byte never matches
      {"\x95\x5C\\", '\\', 2, 2}, {"\x81\x81\x5C", '\\', 2, 2}, {"\x81\x81\x81\x5C", '\\', npos, npos},
      {"", 'a', npos, npos},
      {"\x82", 0x82, 0, 0},  // a lone lead byte is a character of its own
      {"\x82\x82", 0x82, 0, 0}, {"\x83\x41" "A", 'A', 2, 2},
      {"a/b\\c", kSeparator, 1, 3}, {"a\\b/c", kSeparator, 1, 3}, {"\x95\x5C/", kSeparator, 2, 2},
      {"\x95\x5C", kSeparator, npos, npos}, {"/", kSeparator, 0, 0}, {"\\\x82", kSeparator, 0, 0},
      {"x\x82", kSeparator, npos, npos},
  };
  for (const auto& row : rows) {
    ExactBytes text(row.text), range(row.text, false);
    const auto c = static_cast<unsigned char>(row.c);
    const bool sep = row.c == kSeparator;
    auto offset = [&](const char* found) { return found ? static_cast<std::size_t>(found - text.c_str()) : npos; };
    // First and last, in a terminated string and in a range.
    EXPECT_EQ(std::tuple(offset(sep ? qor::MbsFindSeparator(text.c_str()) : qor::MbsFindChar(text.c_str(), c)),
                         offset(sep ? qor::MbsFindLastSeparator(text.c_str()) : qor::MbsFindLastChar(text.c_str(), c)),
                         sep ? qor::MbsIndexOfSeparator(range.View()) : qor::MbsIndexOfChar(range.View(), c),
                         sep ? qor::MbsLastIndexOfSeparator(range.View()) : qor::MbsLastIndexOfChar(range.View(), c)),
              std::tuple(row.first, row.last, row.first, row.last))
        << Show(row.text) << (sep ? " separator" : " char " + std::to_string(row.c));
  }
}

TEST(MbsFind, ZeroFindsTheTerminatorNullFindsNothingAndSearchesResumeAtABoundary) {
  ExactBytes text("a\x95\x5C");
  EXPECT_EQ(qor::MbsFindChar(text.c_str(), 0), text.c_str() + 3);
  EXPECT_EQ(qor::MbsFindLastChar(text.c_str(), 0), text.c_str() + 3);
  EXPECT_EQ(qor::MbsFindChar(nullptr, 'a'), nullptr);
  EXPECT_EQ(qor::MbsFindLastChar(nullptr, 0), nullptr);
  EXPECT_EQ(qor::MbsFindSeparator(nullptr), nullptr);
  EXPECT_EQ(qor::MbsFindLastSeparator(nullptr), nullptr);

  ExactBytes range("\\\\\x95\x5C\\s", false);
  EXPECT_EQ(qor::MbsIndexOfSeparator(range.View(), 2), 4u);
  EXPECT_EQ(qor::MbsIndexOfSeparator(range.View(), 5), npos);
  EXPECT_EQ(qor::MbsIndexOfSeparator(range.View(), 6), npos) << "from the end";
}

}  // namespace
