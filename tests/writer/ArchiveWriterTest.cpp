// The archive writer: the container it lays out, and its refusals.
#include <gtest/gtest.h>

#include <stdexcept>

#include "archive/ArchiveTestSupport.h"
#include "writer/ArchiveWriter.h"

namespace {

using namespace archive_test;
using namespace std::string_literals;
using qor::ArchiveInput;
using qor::ArchiveSignature;
using qor::EntryHead;

// The small archive byte for byte; stored and encoded entries after a base
// offset as the extractor takes them.
TEST(ArchiveWriter, SmallArchiveByteForByteAndEntriesAfterABaseOffset) {
  const std::vector<ArchiveInput> small = {{"a.txt", "xyz", 0}};
  const qor::EncoderOptions markersAB = {qor::ParseStrategy::Optimal, qor::MarkerPair{0x41, 0x42}};
  EXPECT_EQ(ToString(qor::BuildArchive(small, ArchiveSignature::Orblane, markersAB)), kSmallArchive);
  CScriptedFile file("prefix");
  qor::CArchiveWriter writer(file, ArchiveSignature::Orblane, 6);
  ASSERT_TRUE(writer.Begin(std::vector<EntryHead>{{"raw", 5}, {"enc", 6}}));
  ASSERT_TRUE(writer.AddStoredEntry(Span("\x41\x42xy\x41\x22"), 4));
  ASSERT_TRUE(writer.AddEntry(Span("abc")));
  ASSERT_TRUE(writer.Finish());
  EXPECT_EQ(file.Bytes().substr(0, 6), "prefix");
  EXPECT_EQ(Extract(file.Bytes(), 0, 6), "xyxy");
  EXPECT_EQ(Extract(file.Bytes(), 1, 6), "abc");
}

// Steps out of turn and past the format's limits are refused; every seek
// and every write fails in its turn, and the writer says so.
TEST(ArchiveWriter, RefusesStepsOutOfTurnAndReportsFileFailures) {
  CScriptedFile file;
  qor::CArchiveWriter writer(file, ArchiveSignature::Orblane);
  EXPECT_FALSE(writer.AddEntry(Span("x"))) << "before Begin";
  EXPECT_FALSE(writer.Finish()) << "before Begin";
  EXPECT_FALSE(writer.Begin({})) << "no entry";
  EXPECT_FALSE(writer.Begin(std::vector<EntryHead>{{"a\0b"s}})) << "a zero byte in a name";
  ASSERT_TRUE(writer.Begin(std::vector<EntryHead>{{"a"}, {"b"}}));
  EXPECT_FALSE(writer.Begin(std::vector<EntryHead>{{"c"}})) << "twice";
  ASSERT_TRUE(writer.AddEntry(Span("1")));
  EXPECT_FALSE(writer.Finish()) << "one entry missing";
  ASSERT_TRUE(writer.AddEntry(Span("2")));
  EXPECT_FALSE(writer.AddEntry(Span("3"))) << "one entry too many";
  EXPECT_TRUE(writer.Finish());

  EXPECT_THROW(qor::BuildArchive(std::vector<ArchiveInput>{}), std::invalid_argument);

  const auto write = [](CScriptedFile& target) {
    qor::CArchiveWriter fresh(target, ArchiveSignature::Orblane);
    return fresh.Begin(std::vector<EntryHead>{{"a"}, {"b"}}) && fresh.AddEntry(Span("1")) &&
           fresh.AddEntry(Span("2")) && fresh.Finish();
  };
  CScriptedFile whole;
  ASSERT_TRUE(write(whole));
  ASSERT_EQ(whole.calls[CScriptedFile::kWrite], 5) << "head, catalogue, two entries, catalogue again";
  for (int kind = 0; kind < CScriptedFile::kCallKinds; ++kind) {
    for (int call = 1; call <= whole.calls[kind]; ++call) {
      CScriptedFile failing;
      failing.failFrom[kind] = call;
      EXPECT_FALSE(write(failing)) << "call kind " << kind << ", call " << call;
    }
  }
}

}  // namespace
