// Translation between absolute item-ID lists and paths, against the desktop
// namespace (the stand-in natively, the real shell under Wine), and the
// reading of offset, narrow and unknown display-name answers (the desktop's
// own are wide strings) through a folder of our own.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "itemid/ListBytes.h"
#include "itemid/Pidl.h"
#include "itemid/ShellPaths.h"
#include "platform/win32.h"
#include "qor/ComPtr.h"
#include "support/TempDirectory.h"

namespace {

using namespace qor;
using qor::ComPtr;
using qor::test::AsList;
using qor::test::Exact;
using qor::test::Item;
using qor::test::List;
using qor::test::TempDirectory;

const std::vector<BYTE> kEmpty = Exact(List({}));

std::string Lower(std::string text) {
  for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  return text;
}

// A list that runs on through a file names nothing: there is no folder to
// bind to.
TEST(ShellPaths, AFilePathBecomesAListAndComesBack) {
  TempDirectory dir;
  // Folders whose names end in a double-byte character with trail byte 0x5C
  // (表, ソ) need a separator of their own before the next name.
  const struct { const char* folder; const char* file; } rows[] = {
      {"sub", "plain.txt"}, {"sub", "\x95\x5C.txt"}, {"\x95\x5C", "f.txt"}, {"a\x83\x5C", "g.txt"}};
  for (const auto& row : rows) {
    dir.MakeDirectory(row.folder);
    std::string name = std::string(row.folder) + "\\" + row.file;
    dir.Write(name, "x");
    std::string path = dir.PathOf(name);
    UniquePidl list = PathToPidl(path.c_str());
    ASSERT_NE(list, nullptr) << path;
    EXPECT_EQ(Lower(PidlToPath(list.get(), SHGDN_FORPARSING)), Lower(path));
    EXPECT_EQ(PidlToPath(list.get(), SHGDN_INFOLDER | SHGDN_FORPARSING), row.file);
    UniquePidl throughFile(PidlConcat(list.get(), PidlLast(list.get())));
    EXPECT_EQ(PidlToPath(throughFile.get(), SHGDN_FORPARSING), "") << path;
  }
  EXPECT_EQ(PathToPidl(nullptr), nullptr);
  EXPECT_EQ(PathToPidl(dir.PathOf("missing.txt").c_str()), nullptr);
}

// For parsing, the empty list is the desktop directory; with other flags it
// is the desktop's own name. The parent folder of a list (bound only inside
// PidlToPath) is checked through the paths of AFilePathBecomesAListAndComesBack.
TEST(ShellPaths, TheEmptyListIsTheDesktop) {
  LPITEMIDLIST location = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &location), S_OK);
  UniquePidl directory(location);
  const std::string desktopName = PidlToPath(directory.get(), SHGDN_FORPARSING);
  ASSERT_GE(desktopName.size(), 8u);
  EXPECT_EQ(Lower(desktopName.substr(desktopName.size() - 8)), "\\desktop") << desktopName;
  EXPECT_EQ(desktopName[1], ':') << desktopName;
  EXPECT_EQ(PidlToPath(AsList(kEmpty), SHGDN_FORPARSING), desktopName);
  EXPECT_EQ(PidlToPath(nullptr, SHGDN_FORPARSING), desktopName);
  ComPtr<IShellFolder> desktop;
  ASSERT_EQ(SHGetDesktopFolder(desktop.Put()), S_OK);
  std::string own = FolderDisplayName(desktop.Get(), AsList(kEmpty), SHGDN_NORMAL);
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(PidlToPath(AsList(kEmpty), SHGDN_NORMAL), own);
}

// A folder whose display names come back in the kind a test chooses, and
// whose sub-folders are itself; it counts binds and references. Its narrow
// text and failures are the same for every item, so only an offset tells
// which item was asked.
class AnsweringFolder final : public IShellFolder {
 public:
  UINT m_kind = STRRET_CSTR;
  UINT m_offset = 0;
  HRESULT m_result = S_OK;
  int m_binds = 0;
  ULONG m_cRef = 1;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    const bool ours = IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder);
    *ppv = ours ? static_cast<IShellFolder*>(this) : nullptr;
    if (!ours) return E_NOINTERFACE;
    AddRef();
    return S_OK;
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
  STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override { return E_NOTIMPL; }
  STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET* pName) override {
    if (FAILED(m_result)) return m_result;
    pName->uType = m_kind;
    if (m_kind == STRRET_OFFSET) {
      pName->uOffset = m_offset;
    } else {
      std::fill(std::begin(pName->cStr), std::end(pName->cStr), 'c');
      pName->cStr[3] = 0;
    }
    return S_OK;
  }
};

TEST(ShellPaths, FolderDisplayNameReadsEveryKindOfAnswerOfTheLastItem) {
  const std::string one = List({Item(std::string("ab\0name\0", 8))}), three = List({Item("a"), Item("b"), Item("c")});
  const struct {
    const char* name;
    std::string list;
    UINT kind, offset;
    HRESULT result;
    std::string expected;
    int binds;  // one for each item before the last
  } rows[] = {
      {"an offset into the item", one, STRRET_OFFSET, 5, S_OK, "name", 0},
      {"an offset at the item's last byte", one, STRRET_OFFSET, 9, S_OK, "", 0},
      {"an offset past the item", one, STRRET_OFFSET, 10, S_OK, "", 0},
      {"narrow text in the answer", one, STRRET_CSTR, 0, S_OK, "ccc", 0},
      {"an unknown kind", one, 7, 0, S_OK, "", 0},
      {"a failed request", one, STRRET_CSTR, 0, E_FAIL, "", 0},
      {"three items", three, STRRET_OFFSET, 2, S_OK, "c", 2},
  };
  for (const auto& row : rows) {
    std::vector<BYTE> list = Exact(row.list);
    AnsweringFolder folder;
    folder.m_kind = row.kind;
    folder.m_offset = row.offset;
    folder.m_result = row.result;
    EXPECT_EQ(FolderDisplayName(&folder, AsList(list), SHGDN_NORMAL), row.expected) << row.name;
    EXPECT_EQ(folder.m_binds, row.binds) << row.name;
    EXPECT_EQ(folder.m_cRef, 1u) << row.name << ": every reference taken is released";
  }
  EXPECT_EQ(FolderDisplayName(nullptr, AsList(Exact(three)), SHGDN_NORMAL), "");
}

}  // namespace
