// Display names resolved by the archive folder: parsing names of the archive
// (its path, '/', the path inside), names relative to the folder, and the
// names that resolve to nothing or are refused.
#include <gtest/gtest.h>

#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

// notes.arc
//   a\b\c   a\f.txt   top.txt   \x95\x5C\in.txt (a kanji whose second byte is 0x5C)
class ParseDisplayName : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    OpenArchive("notes.arc",
                {{"a\\b\\c", "c", 0}, {"a\\f.txt", "f", 0}, {"top.txt", "t", 0}, {"\x95\x5C\\in.txt", "k", 0}});
  }

  struct Parsed {
    HRESULT hr;
    UniquePidl list;
  };
  static Parsed Parse(IShellFolder* folder, const std::string& name) {
    std::u16string wide = Widen(name);
    LPITEMIDLIST list = reinterpret_cast<LPITEMIDLIST>(1);
    ULONG eaten = 77, attributes = 88;
    HRESULT hr =
        folder->ParseDisplayName(nullptr, nullptr, reinterpret_cast<LPWSTR>(wide.data()), &eaten, &list, &attributes);
    EXPECT_EQ(eaten, 77u) << "left as it was";
    EXPECT_EQ(attributes, 88u) << "left as it was";
    return {hr, UniquePidl(list)};
  }

  // The names of the records of a list, joined by '|'; "null" for no list.
  static std::string Names(LPCITEMIDLIST list) {
    if (!list) return "null";
    std::string names;
    for (LPCITEMIDLIST item = list; qor::PidlGetItemSize(item) != 0; item = qor::PidlNext(item))
      names += (names.empty() ? "" : "|") + RecordOf(item)->getFileName();
    return names;
  }
};

// From the root, and from the sub-folder a (which resolves archive paths from
// itself, not from the root).
TEST_F(ParseDisplayName, ResolvesLevelByLevelFromTheFolder) {
  ComPtr<IShellFolder> a = SubFolder(m_root.Get(), "a");
  ASSERT_TRUE(a);
  IShellFolder* const root = m_root.Get();
  const struct { IShellFolder* folder; std::string name; HRESULT hr; std::string items; } rows[] = {
      {root, m_path + "/", S_OK, ""},
      {root, OtherDriveCase(m_path) + "/", S_OK, ""},
      {root, m_path + "/a\\f.txt", S_OK, "a|f.txt"},
      {root, m_path + "/a\\b\\c", S_OK, "a|b|c"},
      {root, m_path + "/a\\b\\", S_OK, "a|b"},
      {root, m_path + "/\x95\x5C\\in.txt", S_OK, "\x95\x5C|in.txt"},
      {root, "a\\f.txt", S_OK, "a|f.txt"},  // no '/': relative to the folder
      {root, "top.txt", S_OK, "top.txt"},
      {root, m_path + "/nothing", S_FALSE, "null"},
      {root, m_path + "/a\\nothing", S_FALSE, "a"},  // the items matched so far
      {root, m_path + "/a\\b\\c\\deeper", E_FAIL, "null"},  // c is no folder to bind
      {root, m_path + "/A\\f.txt", S_FALSE, "null"},  // names match exactly
      {root, m_path + "/a/f.txt", S_FALSE, "null"},   // a trailing '/' stays part of the name
      {root, m_path + "/..\\a", E_FAIL, "null"},
      {root, m_path + "/..", E_FAIL, "null"},
      {root, m_path + "/..x", S_FALSE, "null"},
      {root, m_dir.PathOf("other.arc") + "/a", E_UNEXPECTED, "null"},
      {root, "", S_OK, ""},
      {a.Get(), "f.txt", S_OK, "f.txt"},
      {a.Get(), "b\\c", S_OK, "b|c"},
      {a.Get(), m_path + "/", S_OK, ""},
      {a.Get(), m_path + "/f.txt", S_OK, "f.txt"},
      {a.Get(), m_path + "/a\\f.txt", S_FALSE, "null"},  // a holds no a
      {a.Get(), m_path + "/..\\top.txt", E_FAIL, "null"},
  };
  for (const auto& row : rows) {
    const char* from = row.folder == root ? "from the root: " : "from a: ";
    Parsed parsed = Parse(row.folder, row.name);
    EXPECT_EQ(parsed.hr, row.hr) << from << row.name;
    EXPECT_EQ(Names(parsed.list.get()), row.items) << from << row.name;
  }
  std::u16string wide = Widen("top.txt");
  EXPECT_EQ(root->ParseDisplayName(nullptr, nullptr, reinterpret_cast<LPWSTR>(wide.data()), nullptr, nullptr, nullptr),
            E_POINTER);
}

// What the folder writes as an item's parsing name resolves to that item.
TEST_F(ParseDisplayName, ParsingNamesRoundTrip) {
  for (const std::vector<const char*>& path : std::vector<std::vector<const char*>>{
           {"a"}, {"a", "b"}, {"a", "b", "c"}, {"a", "f.txt"}, {"top.txt"}, {"\x95\x5C", "in.txt"}}) {
    UniquePidl list = PathList(m_root.Get(), path);
    std::string parsingName = DisplayName(m_root.Get(), list.get(), SHGDN_FORPARSING);
    Parsed parsed = Parse(m_root.Get(), parsingName);
    EXPECT_EQ(parsed.hr, S_OK) << parsingName;
    EXPECT_TRUE(parsed.list && qor::PidlEqual(parsed.list.get(), list.get())) << parsingName;
  }
}

}  // namespace
}  // namespace shell_test
