// The files the reader and the extractor work on: disk files through the
// platform's calls, and memory files over a block policy.
#include <gtest/gtest.h>

#include <set>

#include "archive/ArchiveTestSupport.h"
#include "archive/DiskFile.h"
#include "archive/MemoryFile.h"
#include "archive/StagedFile.h"
#include "archive/WriteBehindFile.h"
#include "support/TempDirectory.h"

namespace {

using qor::CDiskFile;

std::string ReadAll(qor::CByteFile& file) {
  std::uint64_t length = 0;
  EXPECT_TRUE(file.GetLength(length));
  std::string bytes(static_cast<std::size_t>(length), '\0');
  std::uint32_t got = 0;
  EXPECT_TRUE(file.Seek(0));
  EXPECT_TRUE(file.Read(bytes.data(), static_cast<std::uint32_t>(length), got));
  bytes.resize(got);
  return bytes;
}

TEST(DiskFile, OpenModesAndReadsPastTheEnd) {
  qor::test::TempDirectory dir;
  dir.Write("old.bin", "old contents");
  CDiskFile file;
  SetLastError(0);
  EXPECT_FALSE(file.OpenForReading(dir.PathOf("missing.bin").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.OpenForReading(nullptr));
  EXPECT_FALSE(file.CreateExclusive(dir.PathOf("nowhere\\new.bin").c_str()));

  ASSERT_TRUE(file.CreateExclusive(dir.PathOf("old.bin").c_str()));
  std::uint64_t length = 1;
  EXPECT_TRUE(file.GetLength(length));
  EXPECT_EQ(length, 0u) << "an existing file is truncated";
  EXPECT_TRUE(file.Write("0123456789", 10));
  EXPECT_EQ(ReadAll(file), "0123456789") << "created files are readable too";
  file.Close();
  EXPECT_EQ(dir.Read("old.bin"), "0123456789");

  ASSERT_TRUE(file.OpenForReading(dir.PathOf("old.bin").c_str()));
  EXPECT_FALSE(file.Write("x", 1)) << "opened read-only";
  char buffer[8] = {};
  std::uint32_t got = 0;
  ASSERT_TRUE(file.Seek(7));
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, got));
  EXPECT_EQ(std::string(buffer, got), "789");
  ASSERT_TRUE(file.Seek(0xFFFFFFFFull)) << "a position whose low half is the failure value";
  ASSERT_TRUE(file.Read(buffer, sizeof buffer, got));
  EXPECT_EQ(got, 0u);
  EXPECT_FALSE(file.Seek(~0ull));
  file.Close();
  EXPECT_FALSE(file.Read(buffer, 1, got));
  EXPECT_FALSE(file.Seek(0));
}

// Blocks that count themselves and their locks, as a movable global block
// would need them to; a reallocated block always moves.
struct CountingPolicy {
  using Handle = std::string*;
  static inline std::set<Handle> blocks;
  static inline int locks = 0;
  static inline bool failNext = false;

  static Handle Allocate(std::size_t size) noexcept {
    if (std::exchange(failNext, false)) return nullptr;
    return *blocks.insert(new std::string(size, '\0')).first;  // NOLINT: owned through blocks
  }
  static Handle Reallocate(Handle block, std::size_t size) noexcept {
    Handle moved = Allocate(size);
    if (!moved) return nullptr;
    const std::size_t kept = std::min(size, block->size());
    moved->replace(0, kept, *block, 0, kept);
    Free(block);
    return moved;
  }
  static void Free(Handle block) noexcept {
    blocks.erase(block);
    delete block;  // NOLINT
  }
  static std::uint8_t* Lock(Handle block) noexcept {
    ++locks;
    return reinterpret_cast<std::uint8_t*>(block->data());
  }
  static void Unlock(Handle) noexcept { --locks; }
};

using CountingFile = qor::CMemoryFile<CountingPolicy>;

// It grows in steps and hands over a block of whole steps; it seeks past its
// end, and keeps its contents when a block cannot be had.
TEST(MemoryFile, GrowsInStepsSeeksPastTheEndAndSurvivesFailedAllocations) {
  const struct { std::uint32_t step; std::vector<std::uint32_t> writes; std::uint32_t detachedSize; } rows[] = {
      {1024, {1}, 1024}, {1024, {1024}, 1024}, {1024, {1025}, 2048}, {4096, {100, 4000}, 8192},
      {4096, {99985, 95890, 95890, 8190}, 299955 + 4096 - 299955 % 4096},
      {1024, {}, 0},
  };
  for (const auto& row : rows) {
    {
      CountingFile file(row.step);
      std::uint32_t total = 0;
      for (std::uint32_t size : row.writes) {
        std::string bytes(size, static_cast<char>('a' + total % 26));
        ASSERT_TRUE(file.Write(bytes.data(), size));
        total += size;
        EXPECT_EQ(file.Capacity() % row.step, 0u) << "step " << row.step;
        EXPECT_GE(file.Capacity(), total);
      }
      EXPECT_EQ(file.Length(), total);
      CountingFile::Block block = file.Detach();
      EXPECT_EQ(file.Length(), 0u);
      if (row.detachedSize == 0) {
        EXPECT_FALSE(block) << "nothing written, no block";
      } else {
        ASSERT_TRUE(block);
        EXPECT_EQ(block.get()->size(), row.detachedSize) << "step " << row.step;
      }
    }
    EXPECT_TRUE(CountingPolicy::blocks.empty()) << "every block freed, step " << row.step;
    EXPECT_EQ(CountingPolicy::locks, 0);
  }

  CountingFile file(16);
  CountingPolicy::failNext = true;
  EXPECT_FALSE(file.Write("abc", 3));
  EXPECT_EQ(file.Length(), 0u);
  ASSERT_TRUE(file.Write("abc", 3));
  ASSERT_TRUE(file.Seek(6));
  ASSERT_TRUE(file.Write("xy", 2));
  EXPECT_EQ(ReadAll(file), std::string("abc\0\0\0xy", 8)) << "the gap is zero-filled";
  ASSERT_TRUE(file.Seek(1));
  ASSERT_TRUE(file.Write("B", 1));
  EXPECT_EQ(ReadAll(file), std::string("aBc\0\0\0xy", 8)) << "overwriting keeps the length";
  CountingPolicy::failNext = true;
  ASSERT_TRUE(file.Seek(8));
  EXPECT_FALSE(file.Write(std::string(16, 'z').data(), 16)) << "the block cannot grow";
  EXPECT_EQ(ReadAll(file), std::string("aBc\0\0\0xy", 8));
  char buffer[4];
  std::uint32_t got = 1;
  ASSERT_TRUE(file.Seek(100));
  EXPECT_TRUE(file.Read(buffer, 4, got));
  EXPECT_EQ(got, 0u);
  EXPECT_FALSE(file.Seek(0x100000000ull));
  EXPECT_EQ(CountingPolicy::locks, 0);
}

// Large outputs are written on a second thread: every byte arrives in
// order, a failing write is reported (at the latest by Finish), and an
// abandoned file stops without waiting for the rest.
TEST(WriteBehindFile, WritesInOrderAndReportsFailures) {
  std::string data(9'000'000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 2654435761u >> 24);
  auto writeAll = [&](qor::CWriteBehindFile& file) {
    for (std::size_t at = 0; at < data.size(); at += 100000)
      if (!file.Write(data.data() + at, static_cast<std::uint32_t>(std::min<std::size_t>(100000, data.size() - at))))
        return false;
    return true;
  };
  for (int failFrom : {0, 3, 43, 46}) {  // never, while direct, while handed to the thread, the last
    archive_test::CScriptedFile target;
    target.failFrom[archive_test::CScriptedFile::kWrite] = failFrom;
    {
      qor::CWriteBehindFile file(target);
      EXPECT_TRUE(file.Seek(0));
      bool written = writeAll(file);
      bool finished = file.Finish();
      EXPECT_EQ(written && finished, failFrom == 0) << failFrom;
      if (failFrom == 3) {
        EXPECT_FALSE(written) << "a direct write fails at once";
      }
    }
    if (failFrom == 0) {
      EXPECT_TRUE(target.Bytes() == data);
    }
  }
  archive_test::CScriptedFile target;
  {
    qor::CWriteBehindFile file(target);
    EXPECT_TRUE(writeAll(file));
  }  // abandoned
  EXPECT_LE(target.Bytes().size(), data.size());
}

// A staged file appears at its target only when committed, replacing a file
// there; abandoned, it leaves nothing behind.
TEST(StagedFile, AppearsOnlyWhenCommitted) {
  qor::test::TempDirectory dir;
  dir.Write("target", "old");
  for (bool commit : {false, true}) {
    {
      qor::CStagedFile file;
      ASSERT_TRUE(file.Create(dir.PathOf("target").c_str()));
      EXPECT_TRUE(file.Write("new", 3));
      EXPECT_EQ(dir.Count(), 2u) << "staged beside the target";
      if (commit) {
        EXPECT_TRUE(file.Commit());
        EXPECT_FALSE(file.Commit()) << "once";
      }
    }
    EXPECT_EQ(dir.Read("target"), commit ? "new" : "old");
    EXPECT_EQ(dir.Count(), 1u) << "nothing left behind, commit " << commit;
  }
}

}  // namespace
