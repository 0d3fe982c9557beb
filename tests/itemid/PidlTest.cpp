// The item-ID list primitives: measuring, stepping, allocating, copying,
// joining and comparing, and their 16-bit size rules.
#include <gtest/gtest.h>

#include <string>

#include "itemid/ListBytes.h"
#include "itemid/Pidl.h"
#include "platform/win32.h"
#ifndef _WIN32
#include "platform/posix/task_allocator.h"
#endif

namespace {

using namespace qor;
using qor::test::AsList;
using qor::test::BytesOf;
using qor::test::Exact;
using qor::test::Item;
using qor::test::List;

const std::string kA = Item("first");   // 7 bytes
const std::string kB = Item("second");  // 8 bytes
const std::string kC = Item("3");       // 3 bytes

class Pidl : public testing::Test {
 protected:
#ifndef _WIN32
  // Every primitive obtains the task allocator for one call and releases it.
  void SetUp() override { m_references = qor::posix::OutstandingAllocatorReferences(); }
  void TearDown() override { EXPECT_EQ(qor::posix::OutstandingAllocatorReferences(), m_references); }
  long m_references = 0;
#endif
};

// The size leaves out the terminator; the next item is cb bytes on (the
// terminator yields itself); the last item is the one before the terminator.
TEST_F(Pidl, SizesNextAndLastItems) {
  const struct { const char* name; std::string list; WORD size; std::size_t next, last; } rows[] = {
      {"empty", List({}), 0, 0, 0},
      {"one item", List({kA}), 7, 7, 0},
      {"three items", List({kA, kB, kC}), 18, 7, 15},
      {"an item of size 2", List({Item("")}), 2, 2, 0},
  };
  for (const auto& row : rows) {
    std::vector<BYTE> bytes = Exact(row.list);
    EXPECT_EQ(PidlGetSize(AsList(bytes)), row.size) << row.name;
    EXPECT_EQ(reinterpret_cast<const BYTE*>(PidlNext(AsList(bytes))), bytes.data() + row.next) << row.name;
    EXPECT_EQ(reinterpret_cast<const BYTE*>(PidlLast(AsList(bytes))), bytes.data() + row.last) << row.name;
  }
  EXPECT_EQ(PidlGetSize(nullptr), 0);
  EXPECT_EQ(PidlGetItemSize(nullptr), 0);
  EXPECT_EQ(PidlNext(static_cast<LPCITEMIDLIST>(nullptr)), nullptr);
  EXPECT_EQ(PidlLast(static_cast<LPCITEMIDLIST>(nullptr)), nullptr);
}

TEST_F(Pidl, AllocGivesAOneItemListOfThatSize) {
  for (WORD size : {WORD{0}, WORD{1}, WORD{2}, WORD{32}, kMaxPidlAllocSize}) {
    UniquePidl block(PidlAlloc(size));
    ASSERT_NE(block, nullptr) << size;
    auto* bytes = reinterpret_cast<BYTE*>(block.get());
    // A size of 1 has its terminator over the size's own high byte.
    EXPECT_EQ(bytes[0], size & 0xFF) << size;
    EXPECT_EQ(bytes[1], size == 1 ? 0 : size >> 8) << size;
    EXPECT_EQ(bytes[size], 0) << size;
    EXPECT_EQ(bytes[size + 1], 0) << size;
  }
  // size + 2 taken in 16 bits would be 0 or 1: too small for the size field
  // and the terminator.
  EXPECT_EQ(PidlAlloc(0xFFFE), nullptr);
  EXPECT_EQ(PidlAlloc(0xFFFF), nullptr);
}

// Copies and joins are new lists of the same bytes; a null list joins as
// the empty one. Sizes are 16-bit, and lists beyond them are not copied.
TEST_F(Pidl, CopiesAndJoinsAreNewListsOfTheSameBytesWithinSixteenBitSizes) {
  const std::string k32 = Item(std::string(30, 'r'));
  const struct { const char* name; std::string a, first, b, joined; } rows[] = {
      {"an empty list, joined to an item", List({}), List({}), List({kB}), List({kB})},
      {"a 32-byte item, joined to the empty list", List({k32}), List({k32}), List({}), List({k32})},
      {"several items, joined to several", List({kA, kB, kC}), List({kA}), List({kC, kA}), List({kA, kB, kC, kC, kA})},
  };
  for (const auto& row : rows) {
    std::vector<BYTE> a = Exact(row.a), b = Exact(row.b);
    UniquePidl copy(PidlCopy(AsList(a))), first(PidlCopyFirst(AsList(a))), joined(PidlConcat(AsList(a), AsList(b)));
    ASSERT_TRUE(copy && first && joined) << row.name;
    EXPECT_NE(reinterpret_cast<BYTE*>(copy.get()), a.data()) << row.name;
    EXPECT_EQ(BytesOf(copy.get()), row.a) << row.name;
    EXPECT_EQ(BytesOf(first.get()), row.first) << row.name;
    EXPECT_EQ(BytesOf(joined.get()), row.joined) << row.name;
  }
  std::vector<BYTE> a = Exact(List({kA}));
  UniquePidl left(PidlConcat(AsList(a), nullptr)), right(PidlConcat(nullptr, AsList(a)));
  UniquePidl neither(PidlConcat(nullptr, nullptr));
  ASSERT_TRUE(left && right && neither);
  EXPECT_EQ(BytesOf(left.get()), List({kA}));
  EXPECT_EQ(BytesOf(right.get()), List({kA}));
  EXPECT_EQ(BytesOf(neither.get()), List({}));
  EXPECT_EQ(PidlCopy(nullptr), nullptr);
  EXPECT_EQ(PidlCopyFirst(nullptr), nullptr);

  // 80000 bytes of items: measured modulo 65536, which would cut a copy
  // inside an item, so copies and joins refuse it, and comparison does not
  // take it for the 14464-byte list of the same measure.
  std::string big(39998, 'x');
  std::vector<BYTE> tooLong = Exact(List({Item(big), Item(big)}));
  std::vector<BYTE> half = Exact(List({Item(big)}));
  std::vector<BYTE> sameMeasure = Exact(List({Item(std::string(80000 - 65536 - 2, 'x'))}));
  EXPECT_EQ(PidlGetSize(AsList(tooLong)), 80000 - 65536);
  EXPECT_EQ(PidlCopy(AsList(tooLong)), nullptr);
  EXPECT_EQ(PidlConcat(AsList(half), AsList(half)), nullptr);
  EXPECT_FALSE(PidlEqual(AsList(tooLong), AsList(sameMeasure)));
  std::vector<BYTE> largest = Exact(List({Item(std::string(kMaxPidlAllocSize - 2, 'y'))}));
  UniquePidl copy(PidlCopy(AsList(largest)));
  ASSERT_NE(copy, nullptr) << "the largest list that fits is copied";
  EXPECT_EQ(PidlGetSize(copy.get()), kMaxPidlAllocSize);
}

TEST_F(Pidl, EqualityComparesSizesAndBytes) {
  const struct { const char* name; std::string a, b; bool equal; } rows[] = {
      {"two empty lists", List({}), List({}), true},
      {"the same items", List({kA, kB}), List({kA, kB}), true},
      {"different only in the last byte before the terminator", List({kA, Item("xy")}), List({kA, Item("xz")}),
       false},
      {"one list longer", List({kA}), List({kA, kC}), false},
  };
  for (const auto& row : rows) {
    std::vector<BYTE> a = Exact(row.a), b = Exact(row.b);
    EXPECT_EQ(PidlEqual(AsList(a), AsList(b)), row.equal) << row.name;
    EXPECT_EQ(PidlEqual(AsList(b), AsList(a)), row.equal) << row.name << " (swapped)";
  }
  std::vector<BYTE> empty = Exact(List({}));
  EXPECT_TRUE(PidlEqual(nullptr, nullptr));
  EXPECT_TRUE(PidlEqual(nullptr, AsList(empty)));
}

}  // namespace
