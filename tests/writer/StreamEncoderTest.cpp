// The encoder: its markers, the tokens it may emit, and how well it parses.
#include <gtest/gtest.h>

#include "archive/ArchiveTestSupport.h"
#include "writer/StreamEncoder.h"

namespace {

using namespace archive_test;
using qor::EncoderOptions;
using qor::MarkerPair;
using qor::ParseStrategy;

std::string Encode(const std::string& data, const EncoderOptions& options = {}) {
  return ToString(qor::EncodeEntry(Span(data), options));
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
  const struct { const char* what; std::string data; std::uint8_t shortMarker, longMarker; } rows[] = {
      {"empty", "", 0x00, 0x01},
      {"the lowest values present", std::string(5, '\0') + "\x01", 0x02, 0x03},
      {"every value present, two rarer", Counted(3, {{0x90, 1}, {0x20, 2}}), 0x90, 0x20},
      {"every value present, a tie", Counted(3, {{0x77, 1}, {0x33, 1}}), 0x33, 0x77},
      {"the rarest is the last value", Counted(2, {{0xFF, 0}, {0x00, 1}}), 0xFF, 0x00},
  };
  for (const auto& row : rows) {
    MarkerPair got = qor::ChooseMarkers(Span(row.data));
    EXPECT_EQ(got.shortMarker, row.shortMarker) << row.what;
    EXPECT_EQ(got.longMarker, row.longMarker) << row.what;
  }
}

// No parse is shorter than the optimal one, and nothing grows by more than
// the escapes of its two rarest byte values, at most 1/128 of it; what
// repeats shrinks.
TEST(EncodeEntry, OptimalParseIsShortestAndCompressesWhatRepeats) {
  const auto escaped = [](std::size_t length) { return 2 + length + length / 128; };
  const struct { const char* what; std::string data; std::size_t atMost; } rows[] = {
      {"text", TextLike(100000, 7), 70000},
      // After the first period, matches of 15 in long tokens: 3 bytes per 15.
      {"periodic", Periodic(100000, 2000, 8), 25000},
      // 4 literals, then matches of 15 from 4 back: 2 bytes per 15.
      {"one byte repeated", std::string(15000, 'z'), 2 + 4 + 2 * 15000 / 15},
      {"random", RandomBytes(10000, 11), escaped(10000)},
  };
  for (const auto& row : rows) {
    std::size_t optimal = Encode(row.data).size();
    EXPECT_LE(optimal, Encode(row.data, {ParseStrategy::Greedy}).size()) << row.what;
    EXPECT_LE(optimal, Encode(row.data, {ParseStrategy::Lazy}).size()) << row.what;
    EXPECT_LE(optimal, row.atMost) << row.what;
  }
}

}  // namespace
