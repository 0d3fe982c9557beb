// The folder tree: what a sequence of stored paths makes of it, the records
// of its children, and the splitting of paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "catalog/ArchiveNode.h"
#include "names/MbString.h"
#include "platform/win32.h"

namespace {

using qor::ArchiveEntry;
using qor::CArchiveNode;

constexpr FILETIME kTime{0x89ABCDEF, 0x01234567};

// Printable names: bytes outside ASCII as <XX>.
std::string Printable(const std::string& name) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : name) {
    if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      text += '<';
      text += digits[c >> 4];
      text += digits[c & 15];
      text += '>';
    }
  }
  return text;
}

// The tree in pre-order, children in iteration order: a file as name#index,
// a folder as name{...}.
std::string Dump(const CArchiveNode& node) {
  std::string text;
  for (const ArchiveEntry& entry : node) {
    if (!text.empty()) text += ',';
    text += Printable(entry.Name());
    if (entry.node)
      text += '{' + Dump(*entry.node) + '}';
    else
      text += '#' + std::to_string(entry.record->getIndex());
  }
  return text;
}

TEST(ArchiveNode, PathsBecomeFoldersAndFiles) {
  struct Row {
    const char* name;
    std::vector<const char*> paths;
    std::string tree;
  } rows[] = {
      {"nested folders", {"a\\b.txt", "a\\c\\d.txt"}, "a{b.txt#0,c{d.txt#1}}"},
      {"a duplicate keeps the first", {"x.txt", "x.txt"}, "x.txt#0"},
      {"a file named like a folder is dropped", {"dir\\f", "dir"}, "dir{f#0}"},
      {"a folder named like a file is dropped", {"a", "a\\b"}, "a#0"},
      {"letter case makes two folders", {"A\\f", "a\\g"}, "A{f#0},a{g#1}"},
      {"a leading separator is an empty folder", {"\\f"}, "{f#0}"},
      {"two separators make an empty folder", {"a//b"}, "a{{b#0}}"},
      {"a trailing separator ends the path", {"a/"}, "a#0"},
      {"separators mixed", {"a/b\\c", "a\\b/d"}, "a{b{c#0,d#1}}"},
      {"0x5C as a trail byte is no separator", {"\x95\x5C.txt", "\x95\x5C\\x"}, "<95>\\{x#1},<95>\\.txt#0"},
      {"children in multi-byte order", {"a", "\x82\xA0", "B", "\xB1", "ab", "_"},
       "B#2,_#5,a#0,ab#4,<B1>#3,<82><A0>#1"},
      {"empty and null paths add nothing", {"", nullptr, "f"}, "f#2"},
  };
  for (const Row& row : rows) {
    CArchiveNode root;
    DWORD index = 0;
    for (const char* path : row.paths) root.AddPath(path, index++, 0x80, 10, kTime);
    EXPECT_EQ(Dump(root), row.tree) << row.name;
  }
}

TEST(ArchiveNode, AddPathTellsWhetherThePathIsInTheTree) {
  struct Row {
    const char* path;
    bool result;
  } rows[] = {
      {"", true},          {nullptr, true},      {"f", true},      {"f", true},  // already there
      {"f\\g", false},     {"d\\e", true},       {"d", true},      {"d\\e\\x", false},
      {"d\\new\\x", true},
  };
  CArchiveNode root;
  for (const Row& row : rows)
    EXPECT_EQ(root.AddPath(row.path, 0, 0x80, 0, kTime), row.result) << (row.path ? row.path : "(null)");
}

TEST(ArchiveNode, RecordsCarryTheCatalogueFieldsOrTheFolderDefaults) {
  CArchiveNode root;
  root.AddPath("docs\\readme.txt", 42, 0x12, 1234, kTime);
  const ArchiveEntry* docs = root.FindChild("docs");
  ASSERT_NE(docs, nullptr);
  ASSERT_TRUE(docs->IsFolder());
  const QORITEMIDLIST* folder = docs->record.get();
  EXPECT_TRUE(folder->isQORITEMIDLIST());
  EXPECT_EQ(folder->getFileName(), "docs");
  EXPECT_EQ(folder->getIndex(), 0xFFFFFFFFu);
  EXPECT_EQ(folder->getAttributes(), 0x10u);
  EXPECT_EQ(folder->getLength(), 0u);
  EXPECT_EQ(folder->getLastModifiedTime().dwLowDateTime, 0u);
  EXPECT_EQ(folder->getLastModifiedTime().dwHighDateTime, 0u);
  EXPECT_EQ(folder->getSize(), folder->getSizeOne()) << "a one-item list";

  const ArchiveEntry* readme = docs->node->FindChild("readme.txt");
  ASSERT_NE(readme, nullptr);
  ASSERT_FALSE(readme->IsFolder());
  const QORITEMIDLIST* file = readme->record.get();
  EXPECT_EQ(file->getFileName(), "readme.txt");
  EXPECT_EQ(file->getIndex(), 42u);
  EXPECT_EQ(file->getAttributes(), 0x80u) << "whatever attributes the caller passed";
  EXPECT_EQ(file->getLength(), 1234u);
  EXPECT_EQ(file->getLastModifiedTime().dwLowDateTime, kTime.dwLowDateTime);
  EXPECT_EQ(file->getLastModifiedTime().dwHighDateTime, kTime.dwHighDateTime);
  EXPECT_EQ(file->getSize(), file->getSizeOne());
}

TEST(ArchiveNode, FindChildMatchesTheExactName) {
  CArchiveNode root;
  root.AddPath("Readme", 0, 0x80, 0, kTime);
  root.AddPath("\x95\x5C", 1, 0x80, 0, kTime);
  EXPECT_NE(root.FindChild("Readme"), nullptr);
  EXPECT_EQ(root.FindChild("readme"), nullptr);
  EXPECT_EQ(root.FindChild("Read"), nullptr);
  EXPECT_EQ(root.FindChild("Readme2"), nullptr);
  EXPECT_NE(root.FindChild("\x95\x5C"), nullptr);
  EXPECT_EQ(root.FindChild(""), nullptr);
  EXPECT_EQ(root.FindChild(nullptr), nullptr);
}

TEST(ArchiveNode, ManyChildrenAreOrderedAndTheFirstOfEachNameKept) {
  // Enough names to grow a node's index several times, added in a shuffled
  // order, each twice, in two folders.
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) names.push_back((i % 3 ? "n" : "\x82\xA0") + std::to_string(i * 7919 % 3001));
  std::vector<std::string> order = names;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  CArchiveNode root;
  DWORD index = 0;
  for (int round = 0; round < 2; ++round) {
    for (const std::string& name : order) {
      root.AddPath(name.c_str(), index, 0x80, 0, kTime);
      root.AddPath(("sub/" + name).c_str(), index, 0x80, 0, kTime);
      ++index;
    }
  }
  const ArchiveEntry* sub = root.FindChild("sub");
  ASSERT_NE(sub, nullptr);
  for (const CArchiveNode* node : {static_cast<const CArchiveNode*>(&root), static_cast<const CArchiveNode*>(sub->node.get())}) {
    ASSERT_EQ(node->size(), names.size() + (node == &root ? 1 : 0));
    for (auto it = node->begin(); it + 1 != node->end(); ++it)
      ASSERT_LT(qor::MbsCompare(it->Name(), (it + 1)->Name()), 0) << Printable(it->Name());
  }
  for (std::size_t i = 0; i < order.size(); ++i) {
    const ArchiveEntry* entry = root.FindChild(order[i].c_str());
    ASSERT_NE(entry, nullptr) << order[i];
    EXPECT_EQ(entry->record->getIndex(), i) << order[i] << ": the first entry of the name";
    EXPECT_EQ(sub->node->FindChild(order[i].c_str())->record->getIndex(), i) << order[i];
  }
}

TEST(ArchiveNode, AddingAfterReadingKeepsNamesUniqueAndOrdered) {
  CArchiveNode root;
  root.AddPath("m", 0, 0x80, 0, kTime);
  root.AddPath("d\\x", 1, 0x80, 0, kTime);
  ASSERT_NE(root.FindChild("m"), nullptr);
  ASSERT_EQ(Dump(root), "d{x#1},m#0");
  EXPECT_TRUE(root.AddPath("m", 2, 0x80, 0, kTime));
  EXPECT_TRUE(root.AddPath("a", 3, 0x80, 0, kTime));
  EXPECT_TRUE(root.AddPath("d/y", 4, 0x80, 0, kTime));
  EXPECT_TRUE(root.AddPath("d/x", 5, 0x80, 0, kTime));
  EXPECT_FALSE(root.AddPath("m/z", 6, 0x80, 0, kTime));
  EXPECT_EQ(Dump(root), "a#3,d{x#1,y#4},m#0");
}

TEST(ArchiveNode, NamesTooLongForARecordAreDropped) {
  CArchiveNode root;
  std::string longest(QORITEMIDLIST::kMaxNameLength, 'n');
  std::string tooLong = longest + 'n';
  EXPECT_TRUE(root.AddPath(longest.c_str(), 0, 0x80, 0, kTime));
  EXPECT_FALSE(root.AddPath(tooLong.c_str(), 1, 0x80, 0, kTime));
  EXPECT_FALSE(root.AddPath(("d\\" + tooLong + "\\f").c_str(), 2, 0x80, 0, kTime));
  EXPECT_EQ(root.size(), 2u) << "the long name and folder d";
  ASSERT_NE(root.FindChild("d"), nullptr);
  EXPECT_TRUE(root.FindChild("d")->node->empty());
}

TEST(ArchiveNode, DeepPathsAreBuiltAndDestroyedWithoutRecursion) {
  // Every separator of a stored path is a level of folders; an archive's
  // names are not trusted to be shallow.
  std::string path(200000, '/');
  path += "f";
  auto root = std::make_unique<CArchiveNode>();
  EXPECT_TRUE(root->AddPath(path.c_str(), 9, 0x80, 1, kTime));
  root->Seal();
  const CArchiveNode* node = root.get();
  std::size_t depth = 0;
  while (node->begin()->node) {
    node = node->begin()->node.get();
    ++depth;
  }
  EXPECT_EQ(depth, 200000u);
  EXPECT_EQ(node->begin()->record->getIndex(), 9u);
  root.reset();
}

TEST(ArchiveNode, SplitFirstComponentCutsAtTheFirstSeparator) {
  struct Row {
    const char* path;
    std::string first;
    std::string rest;
  } rows[] = {
      {"a\\b\\c", "a", "b\\c"},
      {"a/b", "a", "b"},
      {"abc", "abc", ""},
      {"\\f", "", "f"},
      {"a/", "a", ""},
      {"//", "", "/"},
      {"\x95\x5C/x", "\x95\x5C", "x"},
      {"", "", ""},
      {nullptr, "", ""},
  };
  for (const Row& row : rows) {
    std::string first = "stale";
    std::string rest = "stale";
    CArchiveNode::SplitFirstComponent(row.path, first, rest);
    EXPECT_EQ(first, row.first) << Printable(row.path ? row.path : "(null)");
    EXPECT_EQ(rest, row.rest) << Printable(row.path ? row.path : "(null)");
  }
}

}  // namespace
