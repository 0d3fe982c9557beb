// Encoded streams made by the writer, decoded by the rules and by the
// extractor.
#include <gtest/gtest.h>

#include "archive/ArchiveTestSupport.h"
#include "archive/ExtractEntry.h"
#include "writer/StreamEncoder.h"

namespace {

using namespace archive_test;
using qor::EncoderOptions;
using qor::ParseStrategy;

// Every parse of every kind of data decodes, by the rules and on this
// program's decoder, to the data; and every match is one that decodes alike
// on every decoder: it saves bytes, overlaps no more than four-byte copies
// allow, and takes the long form only where the short one cannot reach.
TEST(RoundTrip, EveryKindOfDataWithEveryParse) {
  const std::size_t large = 3 * qor::kFlushThreshold + 12345;
  const struct { const char* what; std::string bytes; } data[] = {
      {"empty", ""}, {"one byte", "x"}, {"random", RandomBytes(5000, 1)}, {"text", TextLike(40000, 2)},
      {"one byte repeated", std::string(5000, 'q')},
      {"runs", std::string(300, 'a') + std::string(300, 'b') + "abababababababababxyxyxyxyxyxyxyxyxyxyxyxy"},
      {"large periodic, matches across every flush", Periodic(large, 4000, 4)},
  };
  const struct { const char* what; EncoderOptions options; } options[] = {
      {"optimal", {}}, {"greedy", {ParseStrategy::Greedy}}, {"lazy", {ParseStrategy::Lazy}},
      {"equal markers", {ParseStrategy::Optimal, qor::MarkerPair{'e', 'e'}}},
      {"frequent markers", {ParseStrategy::Optimal, qor::MarkerPair{' ', 'e'}}},
      {"frequent markers, lazy", {ParseStrategy::Lazy, qor::MarkerPair{'a', ' '}}},
  };
  for (const auto& d : data) {
    for (const auto& o : options) {
      const std::string what = std::string(d.what) + ", " + o.what;
      const std::string stored = ToString(qor::EncodeEntry(
          {reinterpret_cast<const std::uint8_t*>(d.bytes.data()), d.bytes.size()}, o.options));
      std::vector<ReferenceMatch> matches;
      std::optional<std::string> decoded = ReferenceDecode(stored, &matches);
      ASSERT_TRUE(decoded && *decoded == d.bytes) << what;
      for (const ReferenceMatch& t : matches) {
        ASSERT_GE(t.length, 2u) << what << ", after " << t.produced << " bytes: a match that saves nothing";
        ASSERT_TRUE(t.offset >= 4 || t.length <= 3) << what << ", after " << t.produced << " bytes: overlap";
        ASSERT_TRUE(!t.longForm || t.offset > 15) << what << ", after " << t.produced << " bytes: needless long form";
      }
      const auto length = static_cast<std::uint32_t>(d.bytes.size());
      std::optional<std::string> got = Extract(RawArchive({{"e", length, stored}}), 0);
      ASSERT_TRUE(got && *got == d.bytes) << what;
    }
  }
}

}  // namespace
