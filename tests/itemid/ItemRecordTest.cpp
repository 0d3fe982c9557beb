// The archive item record: its byte layout, the accessors' defaults for items
// that are not records, and their bounds on items whose sizes lie.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "itemid/ListBytes.h"
#include "itemid/Pidl.h"
#include "platform/win32.h"
#include "qor/QORITEMIDLIST.h"

namespace {

using qor::UniqueRecord;
using qor::test::BytesOf;
using qor::test::Exact;
using qor::test::Item;
using qor::test::List;

std::string Le32(DWORD v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

constexpr FILETIME kTime{0x11223344, 0x55667788};

// The content of a record after its cb: signature, fields, the 16-bit name
// offset, then whatever follows.
std::string RecordContent(const std::string& signature, DWORD index, DWORD attributes, DWORD length,
                          unsigned nameOffset, const std::string& tail) {
  return signature + Le32(index) + Le32(attributes) + Le32(length) + Le32(kTime.dwLowDateTime) +
         Le32(kTime.dwHighDateTime) + Le32(nameOffset).substr(0, 2) + tail;
}

std::string Record(const std::string& name, DWORD index = 7, DWORD attributes = 0x80, DWORD length = 99) {
  return Item(RecordContent("Qidl", index, attributes, length, 0, name + '\0'));
}

const QORITEMIDLIST* AsRecord(const std::vector<BYTE>& bytes) {
  return reinterpret_cast<const QORITEMIDLIST*>(bytes.data());
}

// The longest name makes a record of 0xFFFD bytes, the most a 16-bit size
// takes with the terminator; a longer one makes none.
TEST(ItemRecord, CreateLaysOutTheDocumentedBytes) {
  const std::string empty = List({Item(RecordContent("Qidl", 0xFFFFFFFF, 0x10, 0, 0, std::string(1, '\0')))});
  const std::string longest(QORITEMIDLIST::kMaxNameLength, 'n'), tooLong = longest + 'n';
  ASSERT_EQ(29 + longest.size(), 0xFFFDu);
  const struct { const char* what; const char* name; DWORD index, attributes, length; std::string bytes; } rows[] = {
      {"empty name: size 29", "", 0xFFFFFFFF, 0x10, 0, empty},
      {"null name", nullptr, 0xFFFFFFFF, 0x10, 0, empty},
      {"longest name", longest.c_str(), 0, 0x80, 0, List({Item(RecordContent("Qidl", 0, 0x80, 0, 0, longest + '\0'))})},
      {"name too long", tooLong.c_str(), 0, 0x80, 0, ""},
  };
  for (const auto& row : rows) {
    UniqueRecord record(QORITEMIDLIST::create(row.name, row.index, row.attributes, row.length, kTime));
    if (row.bytes.empty()) {
      EXPECT_EQ(record, nullptr) << row.what;
      continue;
    }
    ASSERT_NE(record, nullptr) << row.what;
    EXPECT_EQ(BytesOf(record.get()), row.bytes) << row.what;
    EXPECT_EQ(record->getSize(), row.bytes.size() - 2) << row.what;
    EXPECT_EQ(record->getSizeOne(), row.bytes.size() - 2) << row.what;
  }
}

// Every row is one item alone in a buffer of exactly its cb bytes, so an
// accessor that reads past the item's size is caught. Items that are no
// records answer index 0xFFFFFFFF (or what cb covers), a folder's attributes,
// length 0, time 0 and the empty name.
TEST(ItemRecord, AccessorsReadWithinTheItemAndAnswerDefaultsForOtherItems) {
  const std::string fixed = RecordContent("Qidl", 4, 0x80, 6, 0, "");
  const FILETIME none{0, 0};
  const struct {
    const char* name;
    std::string item;
    bool isRecord;
    DWORD index, attributes, length;
    FILETIME time;
    std::string fileName;
  } rows[] = {
      {"a stored file", Record("a.txt", 3, 0x80, 500), true, 3, 0x80, 500, kTime, "a.txt"},
      {"cb 28: the fixed part only", Item(fixed), true, 4, 0x80, 6, kTime, ""},
      {"cb 27: one byte short", Item(fixed.substr(0, 25), 27), false, 4, 0x10, 0, none, ""},
      {"a foreign signature", Item(RecordContent("Xidl", 4, 0x80, 6, 0, "abc")), false, 4, 0x10, 0, none, ""},
      {"signature in other case", Item(RecordContent("QIDL", 4, 0x80, 6, 0, "abc")), false, 4, 0x10, 0, none, ""},
      {"cb 10 holds the index only", Item("Qidl" + Le32(12), 10), false, 12, 0x10, 0, none, ""},
      {"cb 9 cannot hold the index", Item(std::string("Qidl\x0C\x00\x00", 7), 9), false, 0xFFFFFFFF, 0x10, 0, none,
       ""},
      {"cb 2: an empty item", Item(""), false, 0xFFFFFFFF, 0x10, 0, none, ""},
      {"name offset 2 reads from offset 30", Item(RecordContent("Qidl", 1, 0x80, 2, 2, std::string("xyname\0", 7))),
       true, 1, 0x80, 2, kTime, "name"},
      {"name offset at the item's end", Item(RecordContent("Qidl", 1, 0x80, 2, 3, "abc")), true, 1, 0x80, 2, kTime,
       ""},
      {"name offset beyond the item", Item(RecordContent("Qidl", 1, 0x80, 2, 0xFFFF, "abc")), true, 1, 0x80, 2,
       kTime, ""},
      {"name without its zero byte ends with the item", Item(RecordContent("Qidl", 1, 0x80, 2, 0, "abc")), true, 1,
       0x80, 2, kTime, "abc"},
      {"name ends at its first zero byte", Item(RecordContent("Qidl", 1, 0x80, 2, 0, std::string("ab\0cd\0", 6))),
       true, 1, 0x80, 2, kTime, "ab"},
  };
  for (const auto& row : rows) {
    std::vector<BYTE> bytes = Exact(row.item);
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(bytes[0] | (bytes[1] << 8))) << row.name;
    const QORITEMIDLIST* item = AsRecord(bytes);
    const FILETIME time = item->getLastModifiedTime();
    EXPECT_EQ(std::tuple(item->isQORITEMIDLIST(), item->getIndex(), item->getAttributes(), item->isFolder(),
                         item->getLength(), time.dwLowDateTime, time.dwHighDateTime, item->getFileName()),
              std::tuple(row.isRecord, row.index, row.attributes, (row.attributes & 0x10) != 0, row.length,
                         row.time.dwLowDateTime, row.time.dwHighDateTime, row.fileName))
        << row.name;
    EXPECT_EQ(item->getSizeOne(), bytes.size()) << row.name;
  }
}

TEST(ItemRecord, FilePathJoinsTheNamesOfTheRestOfTheList) {
  const std::string foreign = Item("foreign item");
  const struct { const char* name; std::string list, path; } rows[] = {
      {"one record", List({Record("a.txt")}), "a.txt"},
      {"a foreign item first", List({foreign, Record("a")}), "\\a"},
      {"a foreign item last", List({Record("a"), foreign}), "a"},
      {"an empty name last", List({Record("a"), Record("")}), "a"},
      {"an empty name between", List({Record("a"), Record(""), Record("b")}), "a\\\\b"},
      {"the empty list", List({}), ""},
  };
  for (const auto& row : rows) EXPECT_EQ(AsRecord(Exact(row.list))->getFilePath(), row.path) << row.name;
}

// The list members (compare, duplicate, concat, next, last, getSize, free)
// hand the list to the item-ID primitives, whose rules the Pidl tests pin;
// the host's record class tests call each of them. Order is by name without
// regard to case. Assignment copies the fixed fields (the index, and that it
// keeps the name and size, the host's record class test checks); from or to
// an item too short for them it copies nothing.
TEST(ItemRecord, OrderIgnoresCaseAndAssignmentCopiesTheFixedFieldsOfWholeRecordsOnly) {
  const struct { std::string a, b; bool less; } rows[] = {
      {"Readme.txt", "README.TXT", false},
      {"_", "a", true},  // 0x5F sorts before a as a, not after A
  };
  for (const auto& row : rows) {
    std::vector<BYTE> a = Exact(List({Record(row.a)})), b = Exact(List({Record(row.b)}));
    EXPECT_EQ(*AsRecord(a) < *AsRecord(b), row.less) << row.a << " < " << row.b;
  }
  std::vector<BYTE> target = Exact(List({Record("target.txt", 1, 0x80, 10)}));
  std::vector<BYTE> source = Exact(List({Record("a-longer-source-name.txt", 2, 0x10, 20)}));
  auto* record = reinterpret_cast<QORITEMIDLIST*>(target.data());
  *record = *AsRecord(source);
  EXPECT_EQ(std::tuple(record->getAttributes(), record->getLength()), std::tuple(DWORD{0x10}, DWORD{20}));
  std::vector<BYTE> shortItem = Exact(Item("Qidl" + Le32(3), 10));
  const std::vector<BYTE> before = target;
  *record = *AsRecord(shortItem);
  EXPECT_EQ(target, before);
  *reinterpret_cast<QORITEMIDLIST*>(shortItem.data()) = *AsRecord(target);
  EXPECT_EQ(Exact(Item("Qidl" + Le32(3), 10)), shortItem);
}

}  // namespace
