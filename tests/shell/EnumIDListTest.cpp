// The item enumerator: the order and filter of the children it hands out,
// the counts and results of Next and Skip at the boundaries, Reset, and the
// records it hands out as lists of their own.
#include <gtest/gtest.h>

#include <cstring>

#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

class Enumerator : public ShellTest {
 protected:
  // A root with the children b (file), A (folder) and a (file), stored in
  // that order.
  void OpenMixed() { OpenArchive("x.arc", {{"b", "bb", 2}, {"A\\inner", "i", 0}, {"a", "a", 1}}); }

  // One Next(1) call: the name fetched, or "" at the end.
  static std::string NextName(IEnumIDList* enumerator) {
    LPITEMIDLIST item = nullptr;
    ULONG fetched = 99;
    HRESULT hr = enumerator->Next(1, &item, &fetched);
    EXPECT_EQ(fetched, hr == S_OK ? 1u : 0u);
    if (hr != S_OK) return "";
    UniquePidl held(item);
    return RecordOf(item)->getFileName();
  }
};

TEST_F(Enumerator, ExactNameOrderAndTheFlagsFilter) {
  OpenMixed();
  const struct { SHCONTF flags; Names expected; } rows[] = {
      {kAll, {"A", "a", "b"}},
      {kAll | SHCONTF_INCLUDEHIDDEN, {"A", "a", "b"}},
      {SHCONTF_FOLDERS, {"A"}},
      {SHCONTF_NONFOLDERS, {"a", "b"}},
      {SHCONTF_INCLUDEHIDDEN, {}},
      {0, {}},
  };
  for (const auto& row : rows) {
    for (ULONG celt : {1u, 2u, 10u}) {
      ComPtr<IEnumIDList> enumerator = Enum(m_root.Get(), row.flags);
      EXPECT_EQ(Drain(enumerator.Get(), celt), row.expected) << "flags " << row.flags << ", " << celt << " at a time";
    }
  }
}

TEST_F(Enumerator, SkipPassesOverAdmittedChildrenOnlyAndResetStartsAgain) {
  OpenMixed();  // A (folder), a, b
  const struct { SHCONTF flags; ULONG skip; std::string next; /* "" for the end */ } rows[] = {
      {kAll, 0, "A"}, {kAll, 1, "a"}, {kAll, 2, "b"}, {kAll, 3, ""}, {kAll, 5, ""}, {kAll, 0xFFFFFFFF, ""},
      {SHCONTF_NONFOLDERS, 1, "b"},  // the folder A is passed over without counting
      {SHCONTF_FOLDERS, 1, ""},      {0, 1, ""},
  };
  for (const auto& row : rows) {
    ComPtr<IEnumIDList> enumerator = Enum(m_root.Get(), row.flags);
    EXPECT_EQ(enumerator->Skip(row.skip), S_OK) << "flags " << row.flags << ", skip " << row.skip;
    EXPECT_EQ(NextName(enumerator.Get()), row.next) << "flags " << row.flags << ", skip " << row.skip;
  }
  // Skip moves on from where Next left off; Reset goes back to the start.
  // Next(0) moves nothing, and the count may be left out; the counts and
  // results at the end are checked by Drain in every fetch size. Clone is
  // left out.
  ComPtr<IEnumIDList> enumerator = Enum(m_root.Get());
  LPITEMIDLIST items[3] = {};
  ULONG fetched = 99;
  EXPECT_EQ(enumerator->Next(0, items, &fetched), S_OK);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(NextName(enumerator.Get()), "A");
  EXPECT_EQ(enumerator->Skip(1), S_OK);
  EXPECT_EQ(NextName(enumerator.Get()), "b");
  EXPECT_EQ(enumerator->Reset(), S_OK);
  EXPECT_EQ(Drain(enumerator.Get(), 2), (Names{"A", "a", "b"}));
  EXPECT_EQ(enumerator->Reset(), S_OK);
  EXPECT_EQ(NextName(enumerator.Get()), "A");
  EXPECT_EQ(enumerator->Next(3, items, nullptr), S_FALSE);
  EXPECT_EQ(RecordOf(items[0])->getFileName() + RecordOf(items[1])->getFileName(), "ab");
  qor::PidlFree(items[0]);
  qor::PidlFree(items[1]);
  IEnumIDList* clone = nullptr;
  EXPECT_EQ(enumerator->Clone(&clone), E_NOTIMPL);
  EXPECT_EQ(m_root->EnumObjects(nullptr, kAll, nullptr), E_POINTER);
  EXPECT_EQ(Live(), 3);
}

TEST_F(Enumerator, HandsOutCopiesOfTheRecordsThatTheCallerFrees) {
  OpenMixed();
  ComPtr<IEnumIDList> first = Enum(m_root.Get()), second = Enum(m_root.Get());
  LPITEMIDLIST mine[3] = {}, theirs[3] = {};
  ULONG fetched = 0;
  ASSERT_EQ(first->Next(3, mine, &fetched), S_OK);
  ASSERT_EQ(second->Next(3, theirs, &fetched), S_OK);
  // The fields of the records are checked through the folder's own questions.
  const char* const names[] = {"A", "a", "b"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(mine[i], theirs[i]) << "each call hands out its own copy";
    EXPECT_TRUE(qor::PidlEqual(mine[i], theirs[i]));
    EXPECT_EQ(qor::PidlGetSize(mine[i]), 29 + std::strlen(names[i])) << "one record, no more";
    EXPECT_EQ(RecordOf(mine[i])->getFileName(), names[i]);
    // Scribbling over a copy changes nothing the folder holds.
    std::memset(reinterpret_cast<BYTE*>(mine[i]) + QORITEMIDLIST::kFixedSize, 'Z', std::strlen(names[i]));
    qor::PidlFree(mine[i]);
    qor::PidlFree(theirs[i]);
  }
  EXPECT_EQ(Children(m_root.Get()), (Names{"A", "a", "b"}));
}

}  // namespace
}  // namespace shell_test
