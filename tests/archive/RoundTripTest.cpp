// Archives made by the writer, read back by the reader and the extractor;
// and the same archives damaged byte by byte, which must give -1 or exactly
// what the format's rules give, never a crash.
#include <gtest/gtest.h>

#include "archive/ArchiveTestSupport.h"
#include "archive/Catalogue.h"
#include "archive/DiskFile.h"
#include "archive/ExtractEntry.h"
#include "archive/MemoryFile.h"
#include "support/TempDirectory.h"
#include "writer/ArchiveWriter.h"

namespace {

using namespace archive_test;
using qor::ArchiveInput;
using qor::EncoderOptions;
using qor::ParseStrategy;

std::string Build(const std::vector<ArchiveInput>& inputs, const EncoderOptions& options = {},
                  qor::ArchiveSignature signature = qor::ArchiveSignature::Orblane) {
  return ToString(qor::BuildArchive(inputs, signature, options));
}

std::optional<std::string> Extract(const std::string& archive, std::int32_t index) {
  CScriptedFile file(archive), output;
  std::int32_t result = qor::ExtractEntry(file, output, index, 0);
  if (result < 0) return std::nullopt;
  EXPECT_EQ(static_cast<std::size_t>(result), output.Bytes().size());
  return output.Bytes();
}

TEST(RoundTrip, EveryKindOfDataWithEveryParse) {
  const std::size_t large = 3 * qor::kFlushThreshold + 12345;
  struct Data {
    const char* what;
    std::string bytes;
  } data[] = {
      {"empty", ""},
      {"one byte", "x"},
      {"random", RandomBytes(5000, 1)},
      {"text", TextLike(40000, 2)},
      {"one byte repeated", std::string(5000, 'q')},
      {"every byte value", RandomBytes(256 * 40, 3)},
      {"large periodic, matches across every flush", Periodic(large, 4000, 4)},
      {"large text", TextLike(large, 5)},
  };
  struct Options {
    const char* what;
    EncoderOptions options;
  } options[] = {
      {"optimal", {}},
      {"greedy", {ParseStrategy::Greedy}},
      {"lazy", {ParseStrategy::Lazy}},
      {"equal markers", {ParseStrategy::Optimal, qor::MarkerPair{'e', 'e'}}},
      {"frequent markers", {ParseStrategy::Optimal, qor::MarkerPair{' ', 'e'}}},
  };
  for (const Data& d : data) {
    for (const Options& o : options) {
      std::string archive = Build({{"entry", d.bytes}}, o.options);
      std::optional<std::string> got = Extract(archive, 0);
      ASSERT_TRUE(got) << d.what << ", " << o.what;
      EXPECT_TRUE(*got == d.bytes) << d.what << ", " << o.what;
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

TEST(RoundTrip, ThroughTheFileSystem) {
  qor::test::TempDirectory dir;
  std::vector<ArchiveInput> inputs = {{"readme.txt", TextLike(3000, 9)}, {"empty", ""}, {"bin\\a.bin", RandomBytes(300000, 9)}};
  {
    qor::CDiskFile out;
    ASSERT_TRUE(out.CreateExclusive(dir.PathOf("t.arc").c_str()));
    qor::CArchiveWriter writer(out, qor::ArchiveSignature::Orblane);
    ASSERT_TRUE(writer.Begin(std::vector<qor::EntryHead>{{"readme.txt"}, {"empty"}, {"bin\\a.bin"}}));
    for (const ArchiveInput& input : inputs)
      ASSERT_TRUE(writer.AddEntry(std::span(reinterpret_cast<const std::uint8_t*>(input.data.data()), input.data.size())));
    ASSERT_TRUE(writer.Finish());
  }
  std::string path = dir.PathOf("t.arc");
  ASSERT_TRUE(qor::IsArchiveFile(path.c_str()));
  qor::Catalogue catalogue;
  BYTE version = 0;
  ASSERT_TRUE(qor::LoadArchiveCatalogue(path.c_str(), version, catalogue));
  ASSERT_EQ(catalogue.size(), 3u);
  for (std::int32_t i = 0; i < 3; ++i) {
    qor::CDiskFile archive;
    ASSERT_TRUE(archive.OpenForReading(path.c_str()));
    qor::CHeapMemoryFile output(4096);
    const std::string& expected = inputs[static_cast<std::size_t>(i)].data;
    ASSERT_EQ(qor::ExtractEntry(archive, output, i, 0), static_cast<std::int32_t>(expected.size()));
    std::uint32_t length = output.Length();
    auto block = output.Detach();
    EXPECT_EQ(block ? std::string(static_cast<const char*>(block.get()), length) : std::string(), expected) << i;
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
      std::optional<std::string> expected = ReferenceExtract(bytes, index);
      std::optional<std::string> got = Extract(bytes, index);
      ASSERT_EQ(got.has_value(), expected.has_value()) << what << ", index " << index;
      if (got) {
        ASSERT_TRUE(*got == *expected) << what << ", index " << index;
      }
    }
  };
  const unsigned char changes[] = {0x01, 0x80, 0xFF};
  for (std::size_t f = 0; f < fixtures.size(); ++f) {
    const std::string& fixture = fixtures[f];
    for (std::size_t at = 0; at < fixture.size(); ++at) {
      for (unsigned char change : changes) {
        std::string bytes = fixture;
        bytes[at] = static_cast<char>(static_cast<unsigned char>(bytes[at]) ^ change);
        check(bytes, "fixture " + std::to_string(f) + " byte " + std::to_string(at) + " ^ " + std::to_string(change));
      }
      for (char value : {'\0', '\x01', '\x41', '\x42'}) {
        std::string bytes = fixture;
        bytes[at] = value;
        check(bytes, "fixture " + std::to_string(f) + " byte " + std::to_string(at) + " = " + std::to_string(value));
      }
      check(fixture.substr(0, at), "fixture " + std::to_string(f) + " cut to " + std::to_string(at));
    }
    check(fixture + "!", "fixture " + std::to_string(f) + " plus one byte");
  }
}

}  // namespace
