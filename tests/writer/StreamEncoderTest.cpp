// The encoder: its markers, the tokens it may emit, and how well it parses.
#include <gtest/gtest.h>

#include "archive/ArchiveTestSupport.h"
#include "writer/StreamEncoder.h"

namespace {

using namespace archive_test;
using namespace std::string_literals;
using qor::EncoderOptions;
using qor::MarkerPair;
using qor::ParseStrategy;

std::span<const std::uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

std::string Encode(const std::string& data, const EncoderOptions& options = {}) {
  return ToString(qor::EncodeEntry(Span(data), options));
}

struct Token {
  bool match;
  bool longForm;
  std::size_t length, offset;
};

// The tokens of a well-formed stream.
std::vector<Token> Tokens(const std::string& stored) {
  std::vector<Token> tokens;
  const char a = stored[0], m = stored[1];
  for (std::size_t i = 2; i < stored.size();) {
    char c = stored[i];
    if ((c != a && c != m) || stored[i + 1] == 0) {
      tokens.push_back({false, false, 1, 0});
      i += c != a && c != m ? 1 : 2;
      continue;
    }
    auto d = static_cast<unsigned char>(stored[i + 1]);
    bool longForm = c != a;
    std::size_t offset = d & 0x0F;
    if (longForm) offset |= static_cast<std::size_t>(static_cast<unsigned char>(stored[i + 2])) << 4;
    tokens.push_back({true, longForm, static_cast<std::size_t>(d >> 4), offset});
    i += longForm ? 3 : 2;
  }
  return tokens;
}

// Every byte value `times` times, except the ones given, which occur as often
// as they say.
std::string Counted(std::size_t times, std::vector<std::pair<unsigned char, std::size_t>> except) {
  std::string data;
  for (int i = 0; i < 256; ++i) {
    std::size_t n = times;
    for (auto [value, count] : except)
      if (value == i) n = count;
    data.append(n, static_cast<char>(i));
  }
  return data;
}

TEST(ChooseMarkers, TheTwoLeastFrequentBytesLowerValueFirst) {
  struct Row {
    const char* what;
    std::string data;
    std::uint8_t shortMarker, longMarker;
  } rows[] = {
      {"empty", "", 0x00, 0x01},
      {"text without control bytes", "hello world", 0x00, 0x01},
      {"the lowest values present", std::string(5, '\0') + "\x01", 0x02, 0x03},
      {"every value present, two rarer", Counted(3, {{0x90, 1}, {0x20, 2}}), 0x90, 0x20},
      {"every value present, a tie", Counted(3, {{0x77, 1}, {0x33, 1}}), 0x33, 0x77},
      {"the rarest is the last value", Counted(2, {{0xFF, 0}, {0x00, 1}}), 0xFF, 0x00},
  };
  for (const Row& row : rows) {
    MarkerPair got = qor::ChooseMarkers(Span(row.data));
    EXPECT_EQ(got.shortMarker, row.shortMarker) << row.what;
    EXPECT_EQ(got.longMarker, row.longMarker) << row.what;
  }
}

TEST(EncodeEntry, TokensDecodeAlikeOnEveryDecoder) {
  struct Row {
    const char* what;
    std::string data;
    EncoderOptions options;
  } rows[] = {
      {"text, optimal", TextLike(30000, 1), {}},
      {"text, greedy", TextLike(30000, 1), {ParseStrategy::Greedy}},
      {"text, lazy", TextLike(30000, 1), {ParseStrategy::Lazy}},
      {"runs", std::string(300, 'a') + std::string(300, 'b') + "ababababababababab", {}},
      {"runs, greedy", std::string(300, 'a') + "xyxyxyxyxyxyxyxyxyxyxyxy", {ParseStrategy::Greedy}},
      {"random", RandomBytes(20000, 2), {}},
      {"periodic", Periodic(50000, 3000, 3), {}},
      {"equal markers", TextLike(5000, 4), {ParseStrategy::Optimal, MarkerPair{'e', 'e'}}},
      {"frequent markers", TextLike(5000, 5), {ParseStrategy::Lazy, MarkerPair{'a', ' '}}},
  };
  for (const Row& row : rows) {
    std::string stored = Encode(row.data, row.options);
    std::optional<std::string> decoded = ReferenceDecode(stored);
    ASSERT_TRUE(decoded) << row.what;
    EXPECT_TRUE(*decoded == row.data) << row.what;
    std::size_t produced = 0;
    for (const Token& t : Tokens(stored)) {
      if (t.match) {
        EXPECT_GE(t.length, 2u) << row.what << ": a match that saves nothing";
        EXPECT_GE(t.offset, 1u) << row.what;
        EXPECT_LE(t.offset, produced) << row.what;
        if (t.offset < 4) {
          EXPECT_LE(t.length, 3u) << row.what << ": overlap that four-byte copies get wrong";
        }
        if (t.longForm) {
          EXPECT_GT(t.offset, 15u) << row.what << ": a long token where a short one fits";
        }
      }
      produced += t.length;
    }
  }
}

TEST(EncodeEntry, MarkersAreEscaped) {
  std::string data = "A\x00" "B" "AB" "\x00\x00"s;
  std::string stored = Encode(data, {ParseStrategy::Optimal, MarkerPair{'A', 'B'}});
  EXPECT_EQ(stored, "AB" "A\x00" "\x00" "B\x00" "A\x00" "B\x00" "\x00\x00"s);
}

TEST(EncodeEntry, OptimalParseIsNeverLongerThanGreedyOrLazy) {
  struct Row {
    const char* what;
    std::string data;
  } rows[] = {
      {"text", TextLike(100000, 7)},
      {"periodic", Periodic(100000, 2000, 8)},
      {"short repeats", TextLike(20000, 9).substr(0, 64) + RandomBytes(64, 9) + TextLike(20000, 9).substr(0, 64)},
      {"binary-like", RandomBytes(4000, 10) + std::string(2000, '\0') + RandomBytes(4000, 10)},
  };
  for (const Row& row : rows) {
    std::size_t optimal = Encode(row.data).size();
    std::size_t greedy = Encode(row.data, {ParseStrategy::Greedy}).size();
    std::size_t lazy = Encode(row.data, {ParseStrategy::Lazy}).size();
    EXPECT_LE(optimal, greedy) << row.what;
    EXPECT_LE(optimal, lazy) << row.what;
  }
}

TEST(EncodeEntry, CompressesWhatRepeats) {
  struct Row {
    const char* what;
    std::string data;
    std::size_t atMost;
  } rows[] = {
      // 4 literals, then matches of 15 from 4 back: 2 bytes per 15.
      {"one byte repeated", std::string(15000, 'z'), 2 + 4 + 2 * 15000 / 15},
      {"random data grows by its escapes only", RandomBytes(10000, 11), 2 + 10000 + 100},
      {"text", TextLike(100000, 12), 70000},
  };
  for (const Row& row : rows) EXPECT_LE(Encode(row.data).size(), row.atMost) << row.what;
}

}  // namespace
