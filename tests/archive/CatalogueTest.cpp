// The signature test and the catalogue reader: the container's header rules
// at their boundaries, on files in memory and on disk.
#include <gtest/gtest.h>

#include <tuple>

#include "archive/ArchiveTestSupport.h"
#include "archive/Catalogue.h"
#include "support/TempDirectory.h"

namespace {

using namespace archive_test;
using namespace std::string_literals;
using qor::Catalogue;
using qor::kOrblaneSignature;
using qor::kZkternSignature;

bool Read(const std::string& bytes, Catalogue& catalogue, BYTE& version, std::uint32_t base = 0) {
  CScriptedFile file(bytes);
  return qor::ReadCatalogue(file, version, catalogue, base);
}

// Times are signed; the catalogue is emptied first.
TEST(ReadCatalogue, RecordsInOrderAsStored) {
  Catalogue catalogue = {{"stale", 1, 1, 1}};
  BYTE version = 0;
  ASSERT_TRUE(Read(RawArchive({{"", 0, "", 7}, {"dir\\\x95\x5C.txt", 5, "abc", -1}, {"z", 0xFFFFFFFF, "", INT32_MIN}}),
                   catalogue, version));
  EXPECT_EQ(version, 1);
  std::vector<std::tuple<std::string, std::uint32_t, std::int32_t, std::uint32_t>> got;
  for (const qor::CatalogueEntry& e : catalogue)
    got.emplace_back(e.name, e.unpackedLength, e.modificationTime, e.storedLength);
  EXPECT_EQ(got, (decltype(got){{"", 0, 7, 0}, {"dir\\\x95\x5C.txt", 5, -1, 3}, {"z", 0xFFFFFFFF, INT32_MIN, 0}}));
}

// Every row is also extracted at every index in range and just outside it:
// the extractor gives the row's entries, also from an archive that begins at
// a base offset, and refuses a bad index or an archive that is longer or
// shorter than its catalogue says before it writes anything.
TEST(ReadCatalogue, HeaderAndRecordBoundaries) {
  const std::string entry = RawRecord({"f", 1, "AB"});  // 14 bytes
  const std::string head = "\x01" + LE32(1);
  const std::string prefixed = "0123456" + kSmallArchive;
  const std::string three = RawArchive({{"a", 2, "\x41\x42" "ab"}, {"", 0, ""}, {"c", 3, "\x00\x01xyz"s}});
  // entries: what extraction gives at each index, and at no other.
  const struct { const char* what; std::string bytes; bool expected; std::uint32_t base = 0;
                 std::vector<std::string> entries = {}; } rows[] = {
      {"30 bytes, one short of a catalogue head", RawContainer(std::string("\x01\x00\x00\x00", 4), ""), false},
      {"31 bytes, count 0", RawContainer(std::string("\x01\x00\x00\x00\x00", 5), ""), false},
      {"31 bytes, count 1, the name beyond the catalogue", RawContainer(head, ""), false},
      {"catalogue size 0", std::string(kOrblaneSignature) + LE32(0) + head + entry, false},
      {"catalogue size one beyond the file", std::string(kOrblaneSignature) + LE32(5 + 14 + 1) + head + entry, false},
      {"catalogue size exactly to the end", std::string(kOrblaneSignature) + LE32(5 + 14) + head + entry, true},
      {"catalogue of 4 bytes", RawContainer(std::string("\x01\x01\x00\x00", 4), std::string(5, 'x')), false},
      {"version 0", RawContainer("\x00" + LE32(1) + entry, ""), false},
      {"name runs to the end", RawContainer(head + "abc", ""), false},
      {"stored length cut by one byte", RawContainer(head + entry.substr(0, 13), ""), false},
      {"record exactly fills the catalogue", RawContainer(head + entry, "AB"), true},
      {"extra bytes after the last record", RawContainer(head + entry + "junk", ""), true},
      {"count one more than the records", RawContainer("\x01" + LE32(2) + entry, ""), false},
      {"signature cut by a zero byte", std::string("Orblane\0CompressedFile", 22) + LE32(19) + head + entry, false},
      {"zK-TERN signature", RawContainer(head + entry, "", kZkternSignature), true},
      {"archive at its base", prefixed, true, 7, {"xyz"}},
      {"archive read from before its base", prefixed, false, 0},
      {"base past the end", prefixed, false, static_cast<std::uint32_t>(prefixed.size() + 1)},
      {"three entries, one empty", three, true, 0, {"ab", "", "xyz"}},
      {"one byte more than the catalogue says", three + "!", true},
      {"one byte less than the catalogue says", three.substr(0, three.size() - 1), true},
  };
  for (const auto& row : rows) {
    Catalogue catalogue;
    BYTE version = 0;
    EXPECT_EQ(Read(row.bytes, catalogue, version, row.base), row.expected) << row.what;
    for (std::int32_t index : {INT32_MIN, -1, 0, 1, 2, 3, INT32_MAX}) {
      std::string partial;
      std::optional<std::string> expected;
      if (index >= 0 && static_cast<std::size_t>(index) < row.entries.size()) expected = row.entries[index];
      EXPECT_EQ(Extract(row.bytes, index, row.base, &partial), expected) << row.what << ", index " << index;
      EXPECT_EQ(partial, expected.value_or("")) << row.what << ", index " << index;
    }
  }
  Catalogue catalogue;
  BYTE version = 0;
  EXPECT_FALSE(Read(RawContainer("\x02" + LE32(1) + entry, ""), catalogue, version));
  EXPECT_EQ(version, 2) << "the version is reported even when refused";
}

TEST(ArchiveFiles, SignatureTestAndLoader) {
  qor::test::TempDirectory dir;
  dir.Write("a.arc", kSmallArchive);
  dir.Write("z.arc", RawArchive({{"a", 0, ""}}, kZkternSignature));
  dir.Write("broken.arc", std::string(kOrblaneSignature) + LE32(100));
  dir.Write("diff.arc", "Orblane DifferentialDataFile" + kSmallArchive.substr(22));
  dir.Write("short.arc", std::string(kOrblaneSignature).substr(0, 21));
  dir.MakeDirectory("folder.arc");
  const struct { const char* what; std::string path; bool isArchive, loads; } rows[] = {
      {"archive", dir.PathOf("a.arc"), true, true},
      {"zK-TERN archive", dir.PathOf("z.arc"), true, true},
      {"valid signature, broken catalogue", dir.PathOf("broken.arc"), true, false},
      {"differential data file", dir.PathOf("diff.arc"), false, false},
      {"shorter than a signature", dir.PathOf("short.arc"), false, false},
      {"directory", dir.PathOf("folder.arc"), false, false},
      {"missing", dir.PathOf("none.arc"), false, false},
      {"empty path", "", false, false},
      {"relative path", "a.arc", false, false},
      {"path from the root of the current drive", dir.PathOf("a.arc").substr(2), false, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(qor::IsArchiveFile(row.path.c_str()), row.isArchive) << row.what;
    Catalogue catalogue;
    BYTE version = 0;
    EXPECT_EQ(qor::LoadArchiveCatalogue(row.path.c_str(), version, catalogue), row.loads) << row.what;
  }
  EXPECT_FALSE(qor::IsArchiveFile(nullptr));
  EXPECT_TRUE(qor::IsExistingFile(dir.PathOf("short.arc").c_str()));
  EXPECT_FALSE(qor::IsExistingFile(dir.PathOf("folder.arc").c_str())) << "a directory is no file";
  EXPECT_FALSE(qor::IsExistingFile(dir.PathOf("none").c_str()));
}

}  // namespace
