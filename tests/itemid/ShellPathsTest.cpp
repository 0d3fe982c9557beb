// Translation between absolute item-ID lists and paths, against the desktop
// namespace (the stand-in natively, the real shell under Wine), and the
// reading of every kind of display-name answer through a folder of our own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "itemid/ListBytes.h"
#include "itemid/Pidl.h"
#include "itemid/ShellPaths.h"
#include "platform/win32.h"
#include "support/TempDirectory.h"

namespace {

using namespace qor;
using qor::test::AsList;
using qor::test::Exact;
using qor::test::Item;
using qor::test::List;
using qor::test::TempDirectory;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : static_cast<char>(c); });
  return text;
}

std::size_t ItemCount(LPCITEMIDLIST list) {
  std::size_t count = 0;
  for (; PidlGetItemSize(list) != 0; list = PidlNext(list)) ++count;
  return count;
}

struct Desktop {
  Desktop() { EXPECT_EQ(SHGetDesktopFolder(&folder), S_OK); }
  ~Desktop() {
    if (folder) folder->Release();
  }
  IShellFolder* folder = nullptr;
};

TEST(ShellPaths, AFilePathBecomesAListAndComesBack) {
  TempDirectory dir;
  dir.MakeDirectory("sub");
  for (const char* name : {"sub\\plain.txt", "sub\\\x95\x5C.txt"}) {
    dir.Write(name, "x");
    std::string path = dir.PathOf(name);
    UniquePidl list = PathToPidl(path.c_str());
    ASSERT_NE(list, nullptr) << path;
    EXPECT_GE(ItemCount(list.get()), 3u) << path;
    EXPECT_EQ(Lower(PidlToPath(list.get(), SHGDN_FORPARSING)), Lower(path));
    EXPECT_EQ(PidlToPath(list.get(), SHGDN_INFOLDER | SHGDN_FORPARSING), std::string(name).substr(4));
  }
}

TEST(ShellPaths, PathsThatDoNotParseGiveNull) {
  TempDirectory dir;
  EXPECT_EQ(PathToPidl(nullptr), nullptr);
  EXPECT_EQ(PathToPidl(dir.PathOf("missing.txt").c_str()), nullptr);
}

TEST(ShellPaths, TheEmptyListForParsingIsTheDesktopDirectory) {
  Desktop desktop;
  ASSERT_NE(desktop.folder, nullptr);
  LPITEMIDLIST location = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &location), S_OK);
  UniquePidl directory(location);
  std::string expected = PidlToPath(directory.get(), SHGDN_FORPARSING);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Lower(expected.substr(expected.size() - 8)), "\\desktop") << expected;

  std::vector<BYTE> empty = Exact(List({}));
  EXPECT_EQ(PidlToPath(AsList(empty), SHGDN_FORPARSING), expected);
  EXPECT_EQ(PidlToPath(nullptr, SHGDN_FORPARSING), expected);
}

TEST(ShellPaths, TheEmptyListWithOtherFlagsIsTheDesktopsOwnName) {
  Desktop desktop;
  ASSERT_NE(desktop.folder, nullptr);
  std::vector<BYTE> empty = Exact(List({}));
  std::string own = FolderDisplayName(desktop.folder, AsList(empty), SHGDN_NORMAL);
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(PidlToPath(AsList(empty), SHGDN_NORMAL), own);
}

TEST(ShellPaths, BindParentFolderRefusesNullOutPointers) {
  IShellFolder* folder = nullptr;
  LPITEMIDLIST last = nullptr;
  EXPECT_FALSE(BindParentFolder(nullptr, nullptr, &last));
  EXPECT_FALSE(BindParentFolder(nullptr, &folder, nullptr));
  EXPECT_EQ(folder, nullptr);
  EXPECT_EQ(last, nullptr);
}

TEST(ShellPaths, BindParentFolderOfShortListsGivesTheDesktop) {
  TempDirectory dir;
  dir.Write("f.txt", "x");
  UniquePidl full = PathToPidl(dir.PathOf("f.txt").c_str());
  ASSERT_NE(full, nullptr);
  UniquePidl oneItem(PidlCopyFirst(full.get()));
  ASSERT_NE(oneItem, nullptr);
  std::vector<BYTE> empty = Exact(List({}));

  Desktop desktop;
  ASSERT_NE(desktop.folder, nullptr);
  std::string desktopName = FolderDisplayName(desktop.folder, AsList(empty), SHGDN_FORPARSING);
  struct Row {
    const char* name;
    LPCITEMIDLIST list;
  } rows[] = {{"empty", AsList(empty)}, {"null", nullptr}, {"one item", oneItem.get()}};
  for (const Row& row : rows) {
    IShellFolder* folder = nullptr;
    LPITEMIDLIST last = nullptr;
    ASSERT_TRUE(BindParentFolder(row.list, &folder, &last)) << row.name;
    ASSERT_TRUE(folder && last) << row.name;
    EXPECT_TRUE(PidlEqual(last, row.list)) << row.name << ": a copy of the list";
    EXPECT_NE(last, row.list) << row.name;
    EXPECT_EQ(FolderDisplayName(folder, AsList(empty), SHGDN_FORPARSING), desktopName) << row.name;
    folder->Release();
    PidlFree(last);
  }
}

TEST(ShellPaths, BindParentFolderReachesTheFolderHoldingTheLastItem) {
  TempDirectory dir;
  dir.MakeDirectory("a");
  dir.Write("a\\f.bin", "x");
  UniquePidl list = PathToPidl(dir.PathOf("a\\f.bin").c_str());
  ASSERT_NE(list, nullptr);
  IShellFolder* folder = nullptr;
  LPITEMIDLIST lastItem = nullptr;
  ASSERT_TRUE(BindParentFolder(list.get(), &folder, &lastItem));
  UniquePidl last(lastItem);
  EXPECT_EQ(ItemCount(last.get()), 1u);
  EXPECT_TRUE(PidlEqual(last.get(), PidlLast(list.get())));
  std::vector<BYTE> empty = Exact(List({}));
  EXPECT_EQ(Lower(FolderDisplayName(folder, AsList(empty), SHGDN_FORPARSING)), Lower(dir.PathOf("a")));
  EXPECT_EQ(FolderDisplayName(folder, last.get(), SHGDN_INFOLDER | SHGDN_FORPARSING), "f.bin");
  folder->Release();
}

TEST(ShellPaths, ListsThatCannotBeBoundGiveNothing) {
  TempDirectory dir;
  dir.Write("f.txt", "x");
  UniquePidl list = PathToPidl(dir.PathOf("f.txt").c_str());
  ASSERT_NE(list, nullptr);
  // A list that runs through a file: there is no folder to bind to.
  UniquePidl throughFile(PidlConcat(list.get(), PidlLast(list.get())));
  ASSERT_NE(throughFile, nullptr);
  IShellFolder* folder = reinterpret_cast<IShellFolder*>(1);
  LPITEMIDLIST last = reinterpret_cast<LPITEMIDLIST>(1);
  EXPECT_FALSE(BindParentFolder(throughFile.get(), &folder, &last));
  EXPECT_EQ(folder, nullptr);
  EXPECT_EQ(last, nullptr);
  EXPECT_EQ(PidlToPath(throughFile.get(), SHGDN_FORPARSING), "");
}

// A folder whose display names come back in the kind a test chooses, and
// whose sub-folders are itself; it counts binds and references.
class AnsweringFolder final : public IShellFolder {
 public:
  UINT m_kind = STRRET_WSTR;
  UINT m_offset = 0;
  HRESULT m_result = S_OK;
  int m_binds = 0;
  ULONG m_cRef = 1;
  std::vector<std::string> m_asked;  // the first byte after cb of each item asked

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder)) {
      *ppv = static_cast<IShellFolder*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }
  STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx*, REFIID riid, void** ppv) override {
    ++m_binds;
    if (PidlGetItemSize(PidlNext(pidl)) != 0) return E_INVALIDARG;  // binds one item at a time
    return QueryInterface(riid, ppv);
  }
  STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
  STDMETHODIMP CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override { return E_NOTIMPL; }
  STDMETHODIMP GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF, STRRET* pName) override {
    m_asked.push_back(PidlGetItemSize(pidl) > 2 ? std::string(1, reinterpret_cast<const char*>(pidl)[2]) : "");
    if (FAILED(m_result)) return m_result;
    pName->uType = m_kind;
    switch (m_kind) {
      case STRRET_WSTR: {
        static const WCHAR text[] = {0x9AD8, 'x', 0};  // a kanji, then x
        auto* wide = static_cast<WCHAR*>(TaskAlloc(sizeof text));
        if (!wide) return E_OUTOFMEMORY;
        std::copy(std::begin(text), std::end(text), wide);
        pName->pOleStr = wide;
        break;
      }
      case STRRET_OFFSET:
        pName->uOffset = m_offset;
        break;
      default:
        std::fill(std::begin(pName->cStr), std::end(pName->cStr), 'c');
        pName->cStr[3] = 0;
        break;
    }
    return S_OK;
  }
  STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override { return E_NOTIMPL; }
};

TEST(ShellPaths, FolderDisplayNameReadsEveryKindOfAnswer) {
  std::vector<BYTE> item = Exact(List({Item(std::string("ab\0name\0", 8))}));
  struct Row {
    const char* name;
    UINT kind;
    UINT offset;
    HRESULT result;
    std::string expected;
  } rows[] = {
      {"a wide string", STRRET_WSTR, 0, S_OK, "\x8D\x82x"},
      {"an offset into the item", STRRET_OFFSET, 5, S_OK, "name"},
      {"an offset at the item's last byte", STRRET_OFFSET, 9, S_OK, ""},
      {"an offset past the item", STRRET_OFFSET, 10, S_OK, ""},
      {"narrow text in the answer", STRRET_CSTR, 0, S_OK, "ccc"},
      {"an unknown kind", 7, 0, S_OK, ""},
      {"a failed request", STRRET_WSTR, 0, E_FAIL, ""},
  };
  for (const Row& row : rows) {
    AnsweringFolder folder;
    folder.m_kind = row.kind;
    folder.m_offset = row.offset;
    folder.m_result = row.result;
    EXPECT_EQ(FolderDisplayName(&folder, AsList(item), SHGDN_NORMAL), row.expected) << row.name;
    EXPECT_EQ(folder.m_binds, 0) << row.name;
    EXPECT_EQ(folder.m_cRef, 1u) << row.name << ": every reference taken is released";
  }
}

TEST(ShellPaths, FolderDisplayNameBindsThroughEveryItemButTheLast) {
  std::vector<BYTE> list = Exact(List({Item("a"), Item("b"), Item("c")}));
  AnsweringFolder folder;
  folder.m_kind = STRRET_OFFSET;
  folder.m_offset = 2;
  EXPECT_EQ(FolderDisplayName(&folder, AsList(list), SHGDN_NORMAL), "c");
  EXPECT_EQ(folder.m_binds, 2);
  EXPECT_EQ(folder.m_asked, std::vector<std::string>{"c"});
  EXPECT_EQ(folder.m_cRef, 1u);
  EXPECT_EQ(FolderDisplayName(nullptr, AsList(list), SHGDN_NORMAL), "");
}

}  // namespace
