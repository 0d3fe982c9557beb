// The folder tree: what a sequence of stored paths makes of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "catalog/ArchiveNode.h"
#include "names/ByteText.h"
#include "names/MbString.h"
#include "platform/win32.h"

namespace {

using names_test::Show;
using qor::ArchiveEntry;
using qor::CArchiveNode;

constexpr FILETIME kTime{0x89ABCDEF, 0x01234567};

// The tree in pre-order, children in iteration order: a file as name#index,
// a folder as name{...}.
std::string Dump(const CArchiveNode& node) {
  std::string text;
  for (const ArchiveEntry& entry : node) {
    text += (text.empty() ? "" : ",") + std::string(entry.Name());
    text += entry.node ? '{' + Dump(*entry.node) + '}' : '#' + std::to_string(entry.record->getIndex());
  }
  return text;
}

// Paths become folders and files. AddPath tells whether the path is in the
// tree, also once the node has been read: what is added after a lookup keeps
// the names unique and ordered. A name too long for a record is dropped, and
// the folders before it are kept. FindChild matches whole names exactly.
TEST(ArchiveNode, PathsBecomeFoldersAndFilesAndAddPathTellsWhetherThePathIsInTheTree) {
  const struct { const char* name; std::vector<const char*> paths; std::string tree; } rows[] = {
      {"a leading separator is an empty folder", {"\\f"}, "{f#0}"},
      {"two separators make an empty folder", {"a//b"}, "a{{b#0}}"},
      {"a trailing separator ends the path", {"a/"}, "a#0"},
      {"0x5C as a trail byte is no separator", {"\x95\x5C.txt", "\x95\x5C\\x"}, "\x95\x5C{x#1},\x95\x5C.txt#0"},
      {"children in multi-byte order", {"a", "\x82\xA0", "B", "\xB1", "ab", "_"}, "B#2,_#5,a#0,ab#4,\xB1#3,\x82\xA0#1"},
  };
  for (const auto& row : rows) {
    CArchiveNode root;
    DWORD index = 0;
    for (const char* path : row.paths) root.AddPath(path, index++, 0x80, 10, kTime);
    EXPECT_EQ(Show(Dump(root)), Show(row.tree)) << row.name;
  }

  const std::string longest(QORITEMIDLIST::kMaxNameLength, 'n'), tooLong = longest + 'n';
  const std::string below = "e\\" + tooLong + "\\f";
  const struct { const char* path; bool result; } before[] = {
      {"", true},  {nullptr, true}, {"m", true}, {"m", true} /* already there */, {"m\\g", false},
      {"d\\x", true}, {"d", true},  {"d\\x\\z", false}, {"d\\new\\z", true},
  }, after[] = {{"m", true}, {"a", true}, {"d/y", true}, {"d/x", true}, {"m/z", false},
                {"\x95\x5C", true}, {longest.c_str(), true}, {tooLong.c_str(), false}, {below.c_str(), false}};
  CArchiveNode root;
  DWORD index = 0;
  for (const auto& row : before)
    EXPECT_EQ(root.AddPath(row.path, index++, 0x80, 0, kTime), row.result) << (row.path ? row.path : "(null)");
  ASSERT_NE(root.FindChild("m"), nullptr);
  ASSERT_EQ(Dump(root), "d{new{z#8},x#5},m#2");
  for (const auto& row : after)
    EXPECT_EQ(root.AddPath(row.path, index++, 0x80, 0, kTime), row.result) << Show(row.path).substr(0, 20);
  std::string tree = Dump(root);  // the longest name shortened, for readable failures
  for (std::size_t at; (at = tree.find(longest)) != std::string::npos;) tree.replace(at, longest.size(), "<longest>");
  EXPECT_EQ(Show(tree), Show("a#10,d{new{z#8},x#5,y#11},e{},m#2,<longest>#15,\x95\x5C#14"));
  ASSERT_NE(root.FindChild("\x95\x5C"), nullptr);
  for (const char* missing : {"M", "mm", "\x95", "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(root.FindChild(missing), nullptr) << (missing ? Show(missing) : "(null)");
}

TEST(ArchiveNode, ManyChildrenAreOrderedAndTheFirstOfEachNameKept) {
  // Enough names to grow a node's index several times, added in a shuffled
  // order, each twice, in two folders.
  std::vector<std::string> order;
  for (int i = 0; i < 3000; ++i) order.push_back((i % 3 ? "n" : "\x82\xA0") + std::to_string(i * 7919 % 3001));
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  CArchiveNode root;
  DWORD index = 0;
  for (int round = 0; round < 2; ++round) {
    for (const std::string& name : order) {
      root.AddPath(name.c_str(), index, 0x80, 0, kTime);
      root.AddPath(("sub/" + name).c_str(), index++, 0x80, 0, kTime);
    }
  }
  const ArchiveEntry* sub = root.FindChild("sub");
  ASSERT_NE(sub, nullptr);
  for (const CArchiveNode* node : std::initializer_list<const CArchiveNode*>{&root, sub->node.get()}) {
    ASSERT_EQ(node->size(), order.size() + (node == &root ? 1 : 0));
    for (auto it = node->begin(); it + 1 != node->end(); ++it)
      ASSERT_LT(qor::MbsCompare(it->Name(), (it + 1)->Name()), 0) << Show(it->Name());
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    const ArchiveEntry* entry = root.FindChild(order[i].c_str());
    ASSERT_NE(entry, nullptr) << Show(order[i]);
    EXPECT_EQ(entry->record->getIndex(), i) << Show(order[i]) << ": the first entry of the name";
    EXPECT_EQ(sub->node->FindChild(order[i].c_str())->record->getIndex(), i) << Show(order[i]);
  }
}

TEST(ArchiveNode, DeepPathsAreBuiltAndDestroyedWithoutRecursion) {
  // Every separator of a stored path is a level of folders; an archive's
  // names are not trusted to be shallow.
  auto root = std::make_unique<CArchiveNode>();
  EXPECT_TRUE(root->AddPath((std::string(200000, '/') + "f").c_str(), 9, 0x80, 1, kTime));
  root->Seal();
  const CArchiveNode* node = root.get();
  std::size_t depth = 0;
  for (; node->begin()->node; ++depth) node = node->begin()->node.get();
  EXPECT_EQ(depth, 200000u);
  EXPECT_EQ(node->begin()->record->getIndex(), 9u);
}

}  // namespace
