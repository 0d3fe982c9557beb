// The extractor on hand-made streams: every token kind and failure kind at
// its boundaries, the window's flushes and the input block's refills, and
// failures of the files at every call.
#include <gtest/gtest.h>

#include <optional>

#include "archive/ArchiveTestSupport.h"
#include "archive/ExtractEntry.h"

namespace {

using namespace archive_test;
using namespace std::string_literals;
using qor::kFlushThreshold;
using qor::kHistorySize;
using qor::kRefillThreshold;

// The result of extracting the only entry of an archive around stored. A
// failure never leaves more than the catalogue's length written.
std::optional<std::string> ExtractStored(const std::string& stored, std::uint32_t unpackedLength) {
  std::string partial;
  std::optional<std::string> got = Extract(RawArchive({{"e", unpackedLength, stored}}), 0, 0, &partial);
  EXPECT_LE(partial.size(), unpackedLength);
  return got;
}

// Literals that are never 0x41 or 0x42, the markers of the hand-made streams.
std::string Filler(std::size_t length) {
  std::string text(length, '\0');
  for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + (i * 7 + i / 26) % 26);
  return text;
}

const std::string AB = "\x41\x42";

TEST(ExtractEntry, TokensAndStreamFailures) {
  const std::optional<std::string> fails;
  const struct { const char* what; std::string stored; std::uint32_t unpackedLength;
                 std::optional<std::string> expected; } rows[] = {
      {"worked example: offset 33 reaches before the first byte", AB + "\x78\x41\x00\x41\x21\x79\x42\x31\x02"s, 8, fails},
      {"worked example, valid variant", AB + "\x78\x41\x00\x41\x21\x79\x42\x31\x00"s, 8, "\x78\x41\x41\x41\x79\x79\x79\x79"},
      {"no stored byte", "", 0, ""},
      {"one stored byte", "\x41", 0, ""},
      {"markers only", AB, 0, ""},
      {"markers only, one byte claimed", AB, 1, fails},
      {"short marker as the last byte", AB + "x\x41", 1, fails},
      {"long marker as the last byte", AB + "x\x42", 1, fails},
      {"long marker and one byte", AB + "x\x42\x11", 2, fails},
      {"long marker and two bytes", AB + "x\x42\x11"s + '\0', 2, "xx"},
      {"equal markers: no long form", "\x41\x41x\x41\x21y", 4, "xxxy"},
      {"equal markers escaped", "\x41\x41\x41"s + '\0', 1, "A"},
      {"zero-length short match before any byte", AB + "\x41\x05x", 1, "x"},
      {"zero-length long match reaching far", AB + "x\x42\x0F\xFF", 1, "x"},
      {"offset 0, short", AB + "x\x41\x10", 2, fails},
      {"offset 0, long", AB + "x\x42\x10"s + '\0', 2, fails},
      {"offset one beyond the bytes so far", AB + "x\x41\x22", 3, fails},
      {"offset exactly the bytes so far", AB + "xy\x41\x22", 4, "xyxy"},
      {"offset 2, length 5", AB + "xy\x41\x52", 7, "xyxyxyx"},
      {"offset 4095, length 15", AB + Filler(4095) + "\x42\xFF\xFF", 4110, Filler(4095) + Filler(15)},
      {"offset 4095 with 4094 bytes so far", AB + Filler(4094) + "\x42\xFF\xFF", 4109, fails},
      {"one byte short of the claimed length", AB + "xy", 3, fails},
      {"one byte beyond the claimed length", AB + "xy", 1, fails},
      {"more than a window beyond the claimed length", AB + Filler(3 * kFlushThreshold), 10, fails},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ExtractStored(row.stored, row.unpackedLength), row.expected) << row.what;
    std::optional<std::string> oracle = ReferenceDecode(row.stored);
    if (oracle && oracle->size() != row.unpackedLength) oracle.reset();
    EXPECT_EQ(oracle, row.expected) << "oracle: " << row.what;
  }
}

// Tokens no writer would choose, at random: literal runs of up to maxRun
// bytes; short and long matches of any length and offset, overlapping ones
// included, whose second and third bytes are often a marker value; escaped
// markers; zero-length matches. Every match is valid, so the whole stream
// decodes and every token is exercised wherever it falls among the bytes the
// decoder classifies at a time.
std::string TokenSoup(std::size_t tokens, unsigned maxRun, unsigned seed) {
  std::mt19937 random(seed);
  auto pick = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  auto oftenAMarker = [&] { return pick(4) == 0 ? 0x41 + pick(2) : pick(256); };
  std::string stored = AB;
  std::size_t produced = 0;
  for (std::size_t t = 0; t < tokens; ++t) {
    for (unsigned run = pick(maxRun + 1); run > 0; --run, ++produced) stored += static_cast<char>('a' + pick(26));
    const bool isLong = pick(2) != 0;
    if (pick(8) == 0) {  // an escaped marker
      stored += isLong ? "\x42"s : "\x41"s;
      stored += '\0';
      ++produced;
      continue;
    }
    unsigned d, e, length, offset;
    do {
      d = 1 + pick(255);
      if (pick(4) == 0) d = 0x41 + pick(2);
      e = isLong ? oftenAMarker() : 0;
      length = d >> 4;
      offset = (d & 0x0F) | e << 4;
    } while (length != 0 && (offset == 0 || offset > produced));
    stored += isLong ? '\x42' : '\x41';
    stored += static_cast<char>(d);
    if (isLong) stored += static_cast<char>(e);
    produced += length;
  }
  return stored;
}

TEST(ExtractEntry, TokenSoupsOfEveryDensityDecodeAsTheRulesSay) {
  for (unsigned maxRun : {0u, 2u, 8u, 40u, 150u}) {
    std::string stored = TokenSoup(8000, maxRun, maxRun + 1);
    std::optional<std::string> expected = ReferenceDecode(stored);
    ASSERT_TRUE(expected) << "runs up to " << maxRun;
    std::optional<std::string> got = ExtractStored(stored, static_cast<std::uint32_t>(expected->size()));
    ASSERT_TRUE(got) << "runs up to " << maxRun;
    EXPECT_TRUE(*got == *expected) << "runs up to " << maxRun;
  }
}

// The output is written in chunks of the flush threshold, and after the first
// each leaves the history behind: exactly so for literals, overshooting by
// less than a match for matches of 15 bytes from 4095 back, which reach into
// the history from the first byte on.
TEST(ExtractEntry, OutputIsWrittenInWindowSizedChunks) {
  std::string distant = AB + Filler(4095);
  for (int i = 0; i < 30000; ++i) distant += "\x42\xFF\xFF";
  const struct { const char* what; std::string stored; std::uint32_t overshoot; } rows[] = {
      {"literals", AB + Filler(3 * kFlushThreshold), 0},
      {"distant matches", distant, 14},
  };
  for (const auto& row : rows) {
    std::optional<std::string> expected = ReferenceDecode(row.stored);
    ASSERT_TRUE(expected) << row.what;
    auto length = static_cast<std::uint32_t>(expected->size());
    CScriptedFile archive(RawArchive({{"big", length, row.stored}})), output;
    ASSERT_EQ(qor::ExtractEntry(archive, output, 0, 0), static_cast<std::int32_t>(length)) << row.what;
    EXPECT_TRUE(output.Bytes() == *expected) << row.what;
    const std::vector<std::uint32_t>& sizes = output.WriteSizes();
    ASSERT_GE(sizes.size(), 4u) << row.what;
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) {
      const std::uint32_t least = i == 0 ? kFlushThreshold : kFlushThreshold - kHistorySize;
      EXPECT_GE(sizes[i], least) << row.what << ", chunk " << i;
      EXPECT_LE(sizes[i], least + row.overshoot) << row.what << ", chunk " << i;
    }
  }
}

TEST(ExtractEntry, TokensAroundTheRefillPoint) {
  // A long match starting at each block index near the refill threshold, and
  // the entry ending inside, right after, or one byte into that token.
  const std::string token = "\x42\xF0\x06";  // 15 bytes from 96 back
  for (std::uint32_t at = kRefillThreshold - 4; at <= kRefillThreshold + 2; ++at) {
    const std::string head = AB + Filler(at - 2);
    for (const std::string& stored :
         {head + token + Filler(20), head + token, head + token.substr(0, 2), head + "\x41"s + '\0' + Filler(5)}) {
      std::optional<std::string> expected = ReferenceDecode(stored);
      EXPECT_EQ(ExtractStored(stored, expected ? static_cast<std::uint32_t>(expected->size()) : 0), expected)
          << "token at " << at << ", " << stored.size() << " bytes stored";
    }
  }
}

// Every call of every kind on either file fails in its turn, those of the
// catalogue reader included; a failed write leaves a prefix of the entry.
TEST(ExtractEntry, EveryFileFailureGivesMinusOne) {
  // Large enough for three input blocks and several output chunks.
  std::string stored = AB + Filler(5000);
  for (int i = 0; i < 100000; ++i) stored += "\x42\xF3\xF0";
  stored += Filler(200000);
  std::string expected = *ReferenceDecode(stored);
  auto length = static_cast<std::uint32_t>(expected.size());
  const std::string bytes = RawArchive({{"x", 0, ""}, {"big", length, stored}});

  CScriptedFile archive(bytes), output;
  ASSERT_EQ(qor::ExtractEntry(archive, output, 1, 0), static_cast<std::int32_t>(length));
  ASSERT_GE(archive.calls[CScriptedFile::kRead], 7) << "the header, the catalogue and three blocks";
  ASSERT_GE(archive.calls[CScriptedFile::kLength], 2) << "the extractor's and the catalogue reader's";
  ASSERT_GE(output.calls[CScriptedFile::kWrite], 3);
  for (CScriptedFile* side : {&archive, &output}) {
    for (int kind = 0; kind < CScriptedFile::kCallKinds; ++kind) {
      for (int call = 1; call <= side->calls[kind]; ++call) {
        CScriptedFile in(bytes), out;
        (side == &archive ? in : out).failFrom[kind] = call;
        EXPECT_EQ(qor::ExtractEntry(in, out, 1, 0), -1) << (side == &archive ? "archive" : "output") << " call kind "
                                                          << kind << ", call " << call;
        EXPECT_EQ(out.Bytes(), expected.substr(0, out.Bytes().size())) << "a prefix stays";
      }
    }
  }
}

}  // namespace
