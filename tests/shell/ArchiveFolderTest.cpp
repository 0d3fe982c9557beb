// The archive folder: the attributes, order, names, sizes and times of its
// items, its enumerator, opening sub-folders, parsing names, its place
// in the desktop's namespace and extraction through it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>

#include "itemid/ShellPaths.h"
#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

// One archive for most of the folder's questions, in a folder named by a
// double-byte character whose second byte is 0x5C (hyo), which stays whole in
// the archive's own path, in the tree, in display names and when binding:
//   hyo\hyo.data.arc
//     A\x               a\b\c   a\b\d.bin   a\f.txt
//     empty             top.txt   hyo\hyo.txt
const std::string kHyo = "\x95\x5C";

class ArchiveFolder : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    m_dir.MakeDirectory(kHyo);
    OpenArchive(kHyo + "\\" + kHyo + ".data.arc", {{"top.txt", "top", 100},
                                {kHyo + "\\" + kHyo + ".txt", "inner", 9},
                                {"a\\b\\c", "ccc", -86400},
                                {"a\\f.txt", "ffff", 0},
                                {"a/b/d.bin", std::string(3000, 'd'), 0x7FFFFFFF},
                                {"A\\x", "x", 5},
                                {"empty", "", -2147483647 - 1}});
    m_folder = Query<IzKtrnArchiveFolder>(m_root.Get(), IID_IzKtrnArchiveFolder);
  }

  UniquePidl Path(const std::vector<const char*>& names) { return PathList(m_root.Get(), names); }

  ComPtr<IzKtrnArchiveFolder> m_folder;
};

// What the records alone decide: attributes lose the folder bits at the
// first file, and only the first names compare, exactly.
TEST_F(ArchiveFolder, AttributesAndOrderOfItems) {
  UniquePidl dirA = Child(m_root.Get(), "a"), dirUpper = Child(m_root.Get(), "A");
  UniquePidl file = Child(m_root.Get(), "top.txt");
  const struct { const char* what; std::vector<LPCITEMIDLIST> items; SFGAOF expected; } rows[] = {
      {"one folder", {dirA.get()}, 0xE4040000},
      {"one file", {file.get()}, 0x44040000},
      {"folder then file", {dirA.get(), file.get()}, 0x44040000},
      {"file then folder", {file.get(), dirUpper.get()}, 0x44040000},
  };
  for (const auto& row : rows) {
    for (SFGAOF incoming : {SFGAOF{0}, SFGAOF{0xFFFFFFFF}}) {
      SFGAOF attributes = incoming;
      std::vector<LPCITEMIDLIST> items = row.items;  // the array is not const on Windows
      EXPECT_EQ(m_root->GetAttributesOf(static_cast<UINT>(items.size()), items.data(), &attributes), S_OK);
      EXPECT_EQ(attributes, row.expected) << row.what << ", coming in as " << incoming;
    }
  }
  LPCITEMIDLIST one[] = {file.get()};
  SFGAOF attributes = 0;
  EXPECT_EQ(m_root->GetAttributesOf(0, one, &attributes), E_INVALIDARG);
  EXPECT_EQ(m_root->GetAttributesOf(1, one, nullptr), E_POINTER);

  const struct { const char* first; const char* second; HRESULT expected; } names[] = {
      {"A", "a", 0x0000FFFF}, {"a", "A", 1}, {"a", "a", 0}, {"ab", "abc", 0x0000FFFF},
      {"\xB1", "\x82\xA0", 0x0000FFFF},  // by character value (lead * 256 + trail), not byte by byte
  };
  for (const auto& row : names) {
    UniquePidl first = MakeRecord(row.first, false), second = MakeRecord(row.second, true);
    EXPECT_EQ(m_root->CompareIDs(0, first.get(), second.get()), row.expected) << row.first << " vs " << row.second;
    EXPECT_EQ(m_root->CompareIDs(0x7F, first.get(), second.get()), row.expected) << row.first << ", column ignored";
  }
  UniquePidl ax = Concat(MakeRecord("a", true).get(), MakeRecord("x", false).get());
  UniquePidl ay = Concat(MakeRecord("a", true).get(), MakeRecord("y", false).get());
  EXPECT_EQ(m_root->CompareIDs(0, ax.get(), ay.get()), 0) << "only first items count";
}

// The block handed out is sized for the name: the long names at the end
// straddle MAX_PATH bytes (in UTF-16) and MAX_PATH characters.
TEST_F(ArchiveFolder, DisplayNamesComeBackWhole) {
  ComPtr<IShellFolder> a = SubFolder(m_root.Get(), "a");
  ComPtr<IShellFolder> ab = SubFolder(a.Get(), "b");
  UniquePidl top = Child(m_root.Get(), "top.txt"), c = Child(ab.Get(), "c");
  UniquePidl hyo = Child(m_root.Get(), kHyo);
  ComPtr<IShellFolder> hyoFolder = Bind(m_root.Get(), hyo.get());
  UniquePidl hyoFile = Child(hyoFolder.Get(), kHyo + ".txt");
  std::string foreign = std::string("\x06\x00xyzw\x00\x00", 8);
  const struct {
    const char* what;
    IShellFolder* folder;
    LPCITEMIDLIST pidl;
    SHGDNF flags;
    std::string expected;
  } rows[] = {
      {"root itself", m_root.Get(), EmptyList(), SHGDN_NORMAL, kHyo + ".data"},
      {"root itself for parsing", m_root.Get(), EmptyList(), SHGDN_FORPARSING, m_path + "/"},
      {"not a record", m_root.Get(), reinterpret_cast<LPCITEMIDLIST>(foreign.data()), SHGDN_NORMAL, kHyo + ".data"},
      {"file", m_root.Get(), top.get(), SHGDN_NORMAL, "top.txt"},
      {"file for parsing", m_root.Get(), top.get(), SHGDN_FORPARSING, m_path + "/top.txt"},
      {"sub-folder itself for parsing", a.Get(), EmptyList(), SHGDN_FORPARSING, m_path + "/a"},
      {"item two levels down", ab.Get(), c.get(), SHGDN_FORPARSING | SHGDN_INFOLDER, m_path + "/a\\b\\c"},
      {"double-byte folder", m_root.Get(), hyo.get(), SHGDN_NORMAL, kHyo},
      {"in a double-byte folder", hyoFolder.Get(), hyoFile.get(), SHGDN_FORPARSING, m_path + "/" + kHyo + "\\" + kHyo + ".txt"},
  };
  for (const auto& row : rows) EXPECT_EQ(DisplayName(row.folder, row.pidl, row.flags), row.expected) << row.what;
  EXPECT_EQ(WideDisplayName(m_root.Get(), EmptyList(), SHGDN_NORMAL), u"\u8868.data");
  EXPECT_EQ(WideDisplayName(hyoFolder.Get(), hyoFile.get(), SHGDN_NORMAL), u"\u8868.txt");
  EXPECT_EQ(m_root->GetDisplayNameOf(top.get(), SHGDN_NORMAL, nullptr), E_INVALIDARG);
  for (std::size_t length : {120u, 130u, 300u}) {
    std::string name = "n" + std::string(length, 'x') + ".txt";
    std::string path = WriteArchive("long.arc", {{"d\\" + name, "x", 0}});
    ComPtr<IzKtrnArchiveObject> archive = Open(path);
    ComPtr<IShellFolder> d = SubFolder(Root(archive.Get()).Get(), "d");
    ASSERT_TRUE(d);
    EXPECT_EQ(DisplayName(d.Get(), Child(d.Get(), name).get(), SHGDN_FORPARSING), path + "/d\\" + name) << length;
    EXPECT_EQ(DisplayName(d.Get(), Child(d.Get(), name).get(), SHGDN_NORMAL), name) << length;
  }
}

// The root's children in exact name order (the folders A, a and hyo among
// the files), filtered by the flags and fetched any number at a time; Skip
// passes over admitted children only, so what follows it is the rest of the
// filtered listing.
TEST_F(ArchiveFolder, EnumeratorOrderFilterAndSkip) {
  const Names all = {"A", "a", "empty", "top.txt", kHyo};
  const struct { SHCONTF flags; Names expected; } rows[] = {
      {kAll, all},
      {SHCONTF_FOLDERS, {"A", "a", kHyo}},
      {SHCONTF_NONFOLDERS, {"empty", "top.txt"}},
      {SHCONTF_INCLUDEHIDDEN, {}},
  };
  for (const auto& row : rows) {
    for (ULONG celt : {1u, 2u, 10u}) {
      EXPECT_EQ(Drain(Enum(m_root.Get(), row.flags).Get(), celt), row.expected)
          << "flags " << row.flags << ", " << celt << " at a time";
    }
    for (ULONG skip : {0u, 1u, 2u, 5u, 0xFFFFFFFFu}) {
      ComPtr<IEnumIDList> enumerator = Enum(m_root.Get(), row.flags);
      EXPECT_EQ(enumerator->Skip(skip), S_OK);
      const auto rest = row.expected.begin() + std::min<std::size_t>(skip, row.expected.size());
      EXPECT_EQ(Drain(enumerator.Get()), Names(rest, row.expected.end())) << "flags " << row.flags << ", skip " << skip;
    }
  }
  // Skip moves on from where Next left off; Reset goes back to the start;
  // Next(0) moves nothing, and the count may be left out. Every call hands
  // out records of its own, exactly one record long, which the caller frees
  // and may scribble over. Clone is left out.
  ComPtr<IEnumIDList> enumerator = Enum(m_root.Get());
  LPITEMIDLIST items[5] = {};
  ULONG fetched = 99;
  EXPECT_EQ(enumerator->Next(0, items, &fetched), S_OK);
  EXPECT_EQ(fetched, 0u);
  ASSERT_EQ(enumerator->Next(1, items, nullptr), S_OK);
  qor::PidlFree(items[0]);
  EXPECT_EQ(enumerator->Skip(1), S_OK);
  EXPECT_EQ(Drain(enumerator.Get(), 2), (Names{"empty", "top.txt", kHyo}));
  EXPECT_EQ(enumerator->Reset(), S_OK);
  ASSERT_EQ(enumerator->Next(5, items, nullptr), S_OK);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(qor::PidlGetSize(items[i]), 29 + all[i].size()) << all[i] << ": one record, no more";
    std::memset(reinterpret_cast<BYTE*>(items[i]) + QORITEMIDLIST::kFixedSize, 'Z', all[i].size());
    qor::PidlFree(items[i]);
  }
  EXPECT_EQ(Children(m_root.Get()), all);
  IEnumIDList* clone = nullptr;
  EXPECT_EQ(enumerator->Clone(&clone), E_NOTIMPL);
  EXPECT_EQ(m_root->EnumObjects(nullptr, kAll, nullptr), E_POINTER);
}

// Binding leaves one folder for the caller or none; however a folder was
// reached, its full list is the archive file's followed by the records down
// to it.
TEST_F(ArchiveFolder, BindingWalksFolderItemsAndEveryFolderKnowsItsFullList) {
  UniquePidl a = Path({"a"}), ab = Path({"a", "b"}), af = Path({"a", "f.txt"});
  UniquePidl throughFile = Concat(af.get(), MakeRecord("x", true).get());
  UniquePidl missing = Concat(a.get(), MakeRecord("missing", true).get());
  UniquePidl missingFirst = Concat(MakeRecord("missing", true).get(), MakeRecord("b", true).get());
  const struct { const char* what; LPCITEMIDLIST pidl; const IID* riid; HRESULT expected; } rows[] = {
      {"folder", a.get(), &IID_IShellFolder, S_OK},
      {"two folders", ab.get(), &IID_IzKtrnArchiveFolder, S_OK},
      {"empty list", EmptyList(), &IID_IShellFolder, E_FAIL},
      {"null list", nullptr, &IID_IShellFolder, E_INVALIDARG},
      {"data object", a.get(), &IID_IDataObject, E_NOINTERFACE},
      {"second item missing", missing.get(), &IID_IShellFolder, E_FAIL},
      {"first item missing", missingFirst.get(), &IID_IShellFolder, E_FAIL},
      {"ends in a file", af.get(), &IID_IShellFolder, E_FAIL},
      {"passes through a file", throughFile.get(), &IID_IShellFolder, E_FAIL},
  };
  const LONG before = Live();
  for (const auto& row : rows) {
    ComPtr<IUnknown> folder;
    HRESULT hr = m_root->BindToObject(row.pidl, nullptr, *row.riid, folder.PutVoid());
    EXPECT_EQ(hr, row.expected) << row.what << " gave " << std::hex << hr;
    EXPECT_EQ(!!folder, row.expected == S_OK) << row.what;
    EXPECT_EQ(Live(), before + (row.expected == S_OK ? 1 : 0)) << row.what << ": one folder for the caller, or none";
  }
  EXPECT_EQ(m_root->BindToObject(a.get(), nullptr, IID_IShellFolder, nullptr), E_POINTER);
  EXPECT_EQ(Live(), before);

  UniquePidl file = qor::PathToPidl(m_path.c_str());
  ASSERT_TRUE(file);
  const struct { const char* what; ComPtr<IShellFolder> folder; LPCITEMIDLIST inside; } lists[] = {
      {"root", m_root, EmptyList()},
      {"a\\b level by level", SubFolder(SubFolder(m_root.Get(), "a").Get(), "b"), ab.get()},
      {"a\\b through two items", Bind(m_root.Get(), ab.get()), ab.get()},
  };
  for (const auto& row : lists) {
    UniquePidl full = FullList(row.folder.Get());
    EXPECT_TRUE(full && qor::PidlEqual(full.get(), Concat(file.get(), row.inside).get())) << row.what;
  }
  EXPECT_EQ(m_folder->GetFullQualifiedPIDL(nullptr), E_POINTER);
}

// The records of a list by name, joined by '|'; "null" for no list.
std::string NamesOf(LPCITEMIDLIST list) {
  if (!list) return "null";
  std::string names;
  for (LPCITEMIDLIST item = list; qor::PidlGetItemSize(item) != 0; item = qor::PidlNext(item))
    names += (names.empty() ? "" : "|") + RecordOf(item)->getFileName();
  return names;
}

// Parsing names of the archive (its path, '/', the path inside) from the
// root and from the sub-folder a, which resolves them and names relative to
// it from itself, not from the root; ParseFindsWhatTheListingFinds checks
// names relative to the root (misses, letter case, files on the way, a
// trailing '\', trail bytes 0x5C).
TEST_F(ArchiveFolder, ParsingNamesResolveLevelByLevelFromTheFolder) {
  ComPtr<IShellFolder> a = SubFolder(m_root.Get(), "a");
  ASSERT_TRUE(a);
  IShellFolder* const root = m_root.Get();
  const struct { IShellFolder* folder; std::string name; HRESULT hr; std::string items; } rows[] = {
      {root, m_path + "/", S_OK, ""},
      {root, OtherDriveCase(m_path) + "/", S_OK, ""},
      {root, m_path + "/a\\f.txt", S_OK, "a|f.txt"},
      {root, m_path + "/a\\nothing", S_FALSE, "a"},  // the items matched so far
      {root, m_path + "/a/f.txt", S_FALSE, "null"},  // a trailing '/' stays part of the name
      {root, m_path + "/..\\a", E_FAIL, "null"},
      {root, m_path + "/..", E_FAIL, "null"},
      {root, m_path + "/..x", S_FALSE, "null"},
      {root, m_dir.PathOf("other.arc") + "/a", E_UNEXPECTED, "null"},
      {a.Get(), "f.txt", S_OK, "f.txt"},  // no '/': relative to the folder
      {a.Get(), m_path + "/", S_OK, ""},
      {a.Get(), m_path + "/f.txt", S_OK, "f.txt"},
      {a.Get(), m_path + "/a\\f.txt", S_FALSE, "null"},  // a holds no a
      {a.Get(), m_path + "/..\\top.txt", E_FAIL, "null"},
  };
  for (const auto& row : rows) {
    UniquePidl parsed;
    EXPECT_EQ(ParseName(row.folder, row.name, parsed), row.hr) << (row.folder == root ? "root: " : "a: ") << row.name;
    EXPECT_EQ(NamesOf(parsed.get()), row.items) << (row.folder == root ? "root: " : "a: ") << row.name;
  }
  // The count eaten and the attributes may be left out (as a link's
  // resolution leaves them); the list may not.
  std::u16string wide = Widen("top.txt");
  EXPECT_EQ(root->ParseDisplayName(nullptr, nullptr, reinterpret_cast<LPWSTR>(wide.data()), nullptr, nullptr, nullptr),
            E_POINTER);
}

// What a host that only lists folders would find for a name relative to a
// folder: in each folder the first item whose in-folder display name is the
// component, then on into the folder it binds to. Components are separated
// by '\' (never a trail byte); a '\' at the end ends the name.
struct Walked {
  HRESULT hr;
  UniquePidl list;
};
Walked WalkListing(IShellFolder* start, const std::string& inner) {
  if (inner.empty()) return {S_OK, UniquePidl(qor::PidlCopy(EmptyList()))};
  std::vector<std::string> components(1);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(inner[i])) && i + 1 < inner.size()) {
      components.back() += inner.substr(i++, 2);
    } else if (inner[i] == '\\') {
      components.emplace_back();
    } else {
      components.back() += inner[i];
    }
  }
  if (components.size() > 1 && components.back().empty()) components.pop_back();
  ComPtr<IShellFolder> folder(start);
  UniquePidl matched;
  for (std::size_t k = 0; k < components.size(); ++k) {
    UniquePidl found;
    ComPtr<IEnumIDList> items = Enum(folder.Get());
    for (LPITEMIDLIST item = nullptr; items->Next(1, &item, nullptr) == S_OK;) {
      UniquePidl held(item);
      if (DisplayName(folder.Get(), item, SHGDN_INFOLDER) == components[k]) {
        found = std::move(held);
        break;
      }
    }
    if (!found) return {S_FALSE, std::move(matched)};
    matched = matched ? Concat(matched.get(), found.get()) : UniquePidl(qor::PidlCopy(found.get()));
    if (k + 1 == components.size()) break;
    ComPtr<IShellFolder> below;
    if (!RecordOf(found.get())->isFolder()) return {E_FAIL, nullptr};
    EXPECT_EQ(folder->BindToObject(found.get(), nullptr, IID_IShellFolder, below.PutVoid()), S_OK);
    folder = std::move(below);
  }
  return {S_OK, std::move(matched)};
}

// The folder finds items by its ordered lookup; what it finds must be what
// the listing gives, also where a name is shown otherwise than stored: an
// empty name (shown as the archive's title, which a stored name may also
// be), bytes that are no character, a character with two byte forms, and
// names whose second byte is 0x5C, among many names sharing prefixes.
TEST_F(ShellTest, ParseFindsWhatTheListingFinds) {
  const std::vector<std::string> odd = {
      "\x95\x5C", "\x95\x5C" "x", "\x83\x5C", "\x94\x5C\x95\x5C",  // trail byte 0x5C
      "\xED\x40", "\xFA\x5C",                                     // one character, two byte forms
      "\x81", "\xFF", "a\x80" "b", "\x85\x40",                    // bytes that are no character
      "t.arc", "T.arc", "",                                       // the title; an empty name
  };
  Inputs inputs;
  for (const std::string& name : odd) {
    inputs.push_back({name + "\\in", "i", 0});
    inputs.push_back({"big\\" + name, "f", 0});
  }
  // A character with two byte forms stored in both: the second is shown as
  // the first, which comes before it.
  inputs.push_back({"later\\\x81\xE0", "s", 0});
  inputs.push_back({"later\\\x87\x90", "a", 0});
  for (int i = 0; i < 300; ++i) {
    std::string name = "n" + std::to_string(i % 7) + std::string(static_cast<std::size_t>(i % 5), 'a') +
                       std::to_string(i);
    inputs.push_back({"big\\" + name, "x", 0});
    if (i % 50 == 0) inputs.push_back({"big\\" + name + "\\deep\\er", "d", 0});
  }
  OpenArchive("t.arc", inputs);
  IShellFolder* const root = m_root.Get();

  std::vector<std::string> queries = {"missing", "big\\missing", "big\\n0\\deep", "big\\n00\\x", "\\in"};
  for (const std::string& name : odd) {
    for (const std::string& q : {name, name + "\\in", name + "\\none", "big\\" + name, "big\\" + name + "\\in"})
      queries.push_back(q);
  }
  for (const qor::ArchiveInput& input : inputs) {
    queries.push_back(input.name);
    queries.push_back(input.name + "x");
    queries.push_back(input.name.substr(0, input.name.size() - 1));
  }
  for (const std::string& query : queries) {
    // The name the folder is given is the narrow form of what was typed.
    std::string typed = Narrow(Widen(query));
    UniquePidl parsed;
    HRESULT hr = ParseName(root, query, parsed);
    Walked walked = WalkListing(root, typed);
    EXPECT_EQ(hr, walked.hr) << typed;
    EXPECT_TRUE((!parsed && !walked.list) ||
                (parsed && walked.list && qor::PidlEqual(parsed.get(), walked.list.get())))
        << typed;
  }
}

// Size and time are asked of the item alone (the folder looks at the first
// item, so the last one is handed over alone); extraction takes the last item
// of a whole list, and a folder names no stored file.
TEST_F(ArchiveFolder, SizeTimeAndContentsOfEachItem) {
  const struct { std::vector<const char*> path; std::optional<std::string> contents; std::int32_t seconds; } rows[] = {
      {{"top.txt"}, "top", 100},
      {{"a", "b", "d.bin"}, std::string(3000, 'd'), 0x7FFFFFFF},
      {{"a", "f.txt"}, "ffff", 0},
      {{"empty"}, "", -2147483647 - 1},
      {{"a", "b"}, std::nullopt, 0},  // a folder: no size, no time, no contents
  };
  ASSERT_EQ(FileTimeOf(0).dwHighDateTime, 0x019DB1DEu);
  ASSERT_EQ(FileTimeOf(0).dwLowDateTime, 0xD53E8000u);
  int n = 0;
  for (const auto& row : rows) {
    UniquePidl list = Path(row.path);
    LPCITEMIDLIST last = qor::PidlLast(list.get());
    std::string what = RecordOf(last)->getFileName();
    const bool file = row.contents.has_value();
    const FILETIME expected = file ? FileTimeOf(row.seconds) : FILETIME{0, 0};
    ULONG size = 12345;
    FILETIME time{1, 1};
    EXPECT_EQ(m_folder->GetFileSize(last, &size), S_OK) << what;
    EXPECT_EQ(size, file ? static_cast<ULONG>(row.contents->size()) : 0xFFFFFFFFu) << what;
    EXPECT_EQ(m_folder->GetLastModifiedTime(last, &time), S_OK) << what;
    EXPECT_EQ(time.dwLowDateTime, expected.dwLowDateTime) << what;
    EXPECT_EQ(time.dwHighDateTime, expected.dwHighDateTime) << what;
    std::string output = kHyo + "\\out" + std::to_string(n++);
    EXPECT_EQ(m_folder->ExtractFile(list.get(), NarrowArgument(m_dir.PathOf(output))), file ? S_OK : E_FAIL) << what;
    ASSERT_EQ(m_dir.Exists(output), file) << what;
    if (file) {
      EXPECT_EQ(m_dir.Read(output), *row.contents) << what;
    }
  }
  UniquePidl top = Child(m_root.Get(), "top.txt");
  EXPECT_EQ(m_folder->GetFileSize(top.get(), nullptr), E_POINTER);
  EXPECT_EQ(m_folder->GetLastModifiedTime(top.get(), nullptr), E_POINTER);
}

}  // namespace
}  // namespace shell_test
