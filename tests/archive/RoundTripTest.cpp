// Archives made by the writer, read back by the reader and the extractor;
// and the same archives damaged byte by byte, which must give -1 or exactly
// what the format's rules give, never a crash.
#include <gtest/gtest.h>

#include "archive/ArchiveTestSupport.h"
#include "archive/Catalogue.h"
#include "archive/ExtractEntry.h"
#include "writer/ArchiveWriter.h"
#include "writer/StreamEncoder.h"

namespace {

using namespace archive_test;
using qor::ArchiveInput;
using qor::EncoderOptions;
using qor::ParseStrategy;

std::string Build(const std::vector<ArchiveInput>& inputs, const EncoderOptions& options = {},
                  qor::ArchiveSignature signature = qor::ArchiveSignature::Orblane) {
  return ToString(qor::BuildArchive(inputs, signature, options));
}

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
      {"large text", TextLike(large, 5)},
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

// Names, times and lengths as given, the extremes among them.
TEST(RoundTrip, ManyEntriesInOrder) {
  std::vector<ArchiveInput> inputs = {
      {"\x95\x5C\\\x83\x5C.txt", "hello hello hello", -1}, {"", "", INT32_MIN}, {"b/c", RandomBytes(1000, 1), INT32_MAX}};
  for (int i = 0; i < 150; ++i) {
    std::string data = i % 3 == 0 ? TextLike(static_cast<std::size_t>(i * 37), static_cast<unsigned>(i))
                                  : RandomBytes(static_cast<std::size_t>(i * 11 % 700), static_cast<unsigned>(i));
    inputs.push_back({"dir" + std::to_string(i % 7) + "\\file" + std::to_string(i), data, i * 1000 - 50000});
  }
  std::string archive = Build(inputs, {}, qor::ArchiveSignature::Zktern);
  EXPECT_EQ(archive.substr(0, 22), qor::kZkternSignature);
  CScriptedFile file(archive);
  qor::Catalogue catalogue;
  qor::ArchiveLayout layout;
  BYTE version = 0;
  ASSERT_TRUE(qor::ReadArchiveLayout(file, 0, version, catalogue, layout));
  ASSERT_EQ(catalogue.size(), inputs.size());
  ASSERT_TRUE(layout.lengthMatches);
  // One pair of decoder buffers for every entry, last to first: what an
  // entry leaves in them never shows in the next one.
  qor::CDecoderBuffers buffers;
  for (std::size_t i = inputs.size(); i-- > 0;) {
    EXPECT_EQ(catalogue[i].name, inputs[i].name);
    EXPECT_EQ(catalogue[i].modificationTime, inputs[i].modificationTime);
    EXPECT_EQ(catalogue[i].unpackedLength, inputs[i].data.size());
    CScriptedFile output;
    EXPECT_EQ(qor::ExtractLaidOutEntry(file, layout, static_cast<std::int32_t>(i), output, buffers),
              static_cast<std::int32_t>(inputs[i].data.size()));
    EXPECT_EQ(output.Bytes(), inputs[i].data) << "entry " << i;
  }
}

// Every byte of small archives changed in several ways, every truncation,
// and one byte appended: the reader and the extractor agree with the rules.
TEST(RoundTrip, DamagedArchivesGiveMinusOneOrWhatTheRulesSay) {
  std::vector<std::string> fixtures = {
      Build({{"a.txt", TextLike(120, 1)}, {"b", std::string(40, 'z')}, {"c\\d", RandomBytes(30, 2)}}),
      Build({{"x", TextLike(200, 3)}}, {ParseStrategy::Optimal, qor::MarkerPair{'e', 'e'}}),
      Build({{"", "\x41\x42\x41\x42"}, {"y", TextLike(90, 4)}}, {ParseStrategy::Greedy, qor::MarkerPair{'A', 'B'}}),
  };
  auto check = [](const std::string& bytes, const std::string& what) {
    CScriptedFile file(bytes);
    qor::Catalogue catalogue;
    BYTE version = 0;
    bool read = qor::ReadCatalogue(file, version, catalogue, 0);
    ASSERT_EQ(read, ReferenceCatalogue(bytes).has_value()) << what;
    for (std::int32_t index = 0; index < (read ? static_cast<std::int32_t>(catalogue.size()) : 1) && index < 4;
         ++index) {
      ASSERT_EQ(Extract(bytes, index), ReferenceExtract(bytes, index)) << what << ", index " << index;
    }
  };
  for (std::size_t f = 0; f < fixtures.size(); ++f) {
    const std::string& fixture = fixtures[f];
    const std::string name = "fixture " + std::to_string(f);
    for (std::size_t at = 0; at < fixture.size(); ++at) {
      // Bits flipped, and values that mean something to the format.
      const auto old = static_cast<unsigned char>(fixture[at]);
      for (unsigned value : {old ^ 0x01u, old ^ 0x80u, old ^ 0xFFu, 0x00u, 0x01u, 0x41u, 0x42u}) {
        std::string bytes = fixture;
        bytes[at] = static_cast<char>(value);
        check(bytes, name + " byte " + std::to_string(at) + " = " + std::to_string(value));
      }
      check(fixture.substr(0, at), name + " cut to " + std::to_string(at));
    }
    check(fixture + "!", name + " plus one byte");
  }
}

}  // namespace
