// The data object a folder hands out for a selection: the formats it offers,
// the descriptors of the selected items and the contents of stored files,
// decompressed on request, as a memory block or a stream.
#include <gtest/gtest.h>

#include <tuple>

#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

const CLIPFORMAT kFileGroupDescriptor = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("FileGroupDescriptor"));

FORMATETC Format(CLIPFORMAT format, LONG lindex, DWORD tymed = TYMED_HGLOBAL, DWORD aspect = DVASPECT_CONTENT) {
  return {format, nullptr, aspect, lindex, tymed};
}

// Text of 150,000 bytes (more than one output window) and an empty file
// beside a folder:
//   copy.arc:  big.txt  empty  sub\small.bin

class DataObject : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    m_big = archive_test::TextLike(150000, 1);
    OpenArchive("copy.arc", {{"big.txt", m_big, 1000}, {"empty", "", 2000}, {"sub\\small.bin", "\x01\x02\x03", 3000}});
    m_big_item = Child(m_root.Get(), "big.txt");
    m_empty = Child(m_root.Get(), "empty");
    m_sub = Child(m_root.Get(), "sub");
    m_small = Concat(m_sub.get(), Child(SubFolder(m_root.Get(), "sub").Get(), "small.bin").get());
  }

  ComPtr<IDataObject> Select(std::vector<LPCITEMIDLIST> items) { return DataOf(m_root.Get(), std::move(items)); }

  std::string m_big;
  UniquePidl m_big_item, m_empty, m_sub, m_small;
};

// The folder checks a request for a data object before it makes one. One
// selection of a file, an empty file, a folder and a list two items long
// offers the contents, then the group descriptor: a descriptor for each item,
// described by its first item, and the contents of each file decompressed on
// request, as a block of whole 4096-byte steps or a stream as long as the
// file. QueryGetData looks at the index, then the aspect, then the device, but
// not at the medium or whether the item is a file; GetData refuses what it
// cannot deliver and then leaves the medium empty.
TEST_F(DataObject, DescribesEverySelectedItemAndAnswersEachRequest) {
  LPCITEMIDLIST items[] = {m_big_item.get()};
  EXPECT_EQ(m_root->GetUIObjectOf(nullptr, 1, items, IID_IDataObject, nullptr, nullptr), E_POINTER);
  for (const IID* iid : {&IID_IShellFolder, &IID_IUnknown, &IID_IEnumIDList}) {
    void* out = nullptr;
    EXPECT_EQ(m_root->GetUIObjectOf(nullptr, 1, items, *iid, nullptr, &out), E_NOINTERFACE);
  }
  EXPECT_EQ(Live(), 2) << "nothing made";
  ComPtr<IDataObject> data = Select({m_big_item.get(), m_empty.get(), m_sub.get(), m_small.get()});
  ComPtr<IEnumFORMATETC> formats;
  ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, formats.Put()), S_OK);
  FORMATETC got[5] = {};
  ULONG fetched = 99;
  EXPECT_EQ(formats->Next(5, got, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(std::tuple(got[i].cfFormat, got[i].ptd, got[i].dwAspect, got[i].lindex, got[i].tymed),
              std::tuple(i == 0 ? kFileContents : kFileGroupDescriptor, nullptr, DWORD{DVASPECT_CONTENT}, -1,
                         DWORD{TYMED_HGLOBAL}));
  }
  EXPECT_EQ(formats->Reset(), S_OK);
  EXPECT_EQ(formats->Next(0, got, &fetched), S_OK);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(formats->Skip(3), S_FALSE);
  EXPECT_EQ(formats->Next(1, got, nullptr), S_FALSE) << "Skip past the end stops at the end";
  EXPECT_EQ(formats->Reset(), S_OK);
  EXPECT_EQ(formats->Skip(2), S_OK);
  IEnumFORMATETC* clone = reinterpret_cast<IEnumFORMATETC*>(1);
  EXPECT_EQ(formats->Clone(&clone), E_NOTIMPL);
  EXPECT_EQ(clone, nullptr);
  IEnumFORMATETC* none = nullptr;
  EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, &none), E_NOTIMPL);
  EXPECT_EQ(data->EnumFormatEtc(DATADIR_GET, nullptr), E_INVALIDARG);
  FORMATETC format = Format(kFileGroupDescriptor, -1, TYMED_HGLOBAL | TYMED_ISTREAM);
  STGMEDIUM medium{};
  ASSERT_EQ(data->GetData(&format, &medium), S_OK);
  ASSERT_EQ(medium.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
  EXPECT_GE(GlobalSize(medium.hGlobal), 4u + 4 * 332);
  auto* group = static_cast<const FILEGROUPDESCRIPTORA*>(GlobalLock(medium.hGlobal));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->cItems, 4u);
  const struct { const char* name; DWORD attributes, size; std::int32_t seconds; } expected[] = {
      {"big.txt", FILE_ATTRIBUTE_NORMAL, static_cast<DWORD>(m_big.size()), 1000},
      {"empty", FILE_ATTRIBUTE_NORMAL, 0, 2000},
      {"sub", FILE_ATTRIBUTE_DIRECTORY, 0, 0},
      {"sub", FILE_ATTRIBUTE_DIRECTORY, 0, 0},  // a list is described by its first item
  };
  for (UINT i = 0; i < 4; ++i) {
    const FILEDESCRIPTORA& d = group->fgd[i];
    const FILETIME time = expected[i].seconds ? FileTimeOf(expected[i].seconds) : FILETIME{0, 0};
    // Flags, name, attributes, size, write time; no creation or access time.
    EXPECT_EQ(std::tuple(d.dwFlags, std::string(d.cFileName), d.dwFileAttributes, d.nFileSizeLow, d.nFileSizeHigh,
                         d.ftLastWriteTime.dwLowDateTime, d.ftLastWriteTime.dwHighDateTime,
                         d.ftCreationTime.dwLowDateTime | d.ftLastAccessTime.dwLowDateTime),
              std::tuple(0x64u, expected[i].name, expected[i].attributes, expected[i].size, 0u, time.dwLowDateTime,
                         time.dwHighDateTime, 0u))
        << i;
  }
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);

  std::string block = FileContents(data.Get(), 0, TYMED_HGLOBAL);
  EXPECT_GE(block.size(), m_big.size());
  EXPECT_LT(block.size(), m_big.size() + 4096);
  EXPECT_EQ(block.substr(0, m_big.size()), m_big);
  EXPECT_EQ(FileContents(data.Get(), 0, TYMED_HGLOBAL | TYMED_ISTREAM).substr(0, m_big.size()), m_big)
      << "a block when both media are allowed";
  EXPECT_EQ(FileContents(data.Get(), 0, TYMED_ISTREAM), m_big) << "a stream as long as the file";
  EXPECT_EQ(FileContents(data.Get(), 1, TYMED_ISTREAM), "");
  EXPECT_EQ(FileContents(data.Get(), 1, TYMED_HGLOBAL), "");
  EXPECT_EQ(FileContents(data.Get(), 3, TYMED_ISTREAM), "\x01\x02\x03") << "the last item of a longer list";

  DVTARGETDEVICE device{};
  const struct { const char* what; FORMATETC format; HRESULT query, get; } rows[] = {
      {"contents of item 0", Format(kFileContents, 0), S_OK, S_OK},
      {"contents of a folder item", Format(kFileContents, 2), S_OK, E_NOTIMPL},
      {"contents as a file", Format(kFileContents, 0, TYMED_FILE), S_OK, DV_E_TYMED},
      {"contents of -1", Format(kFileContents, -1), DV_E_LINDEX, E_NOTIMPL},
      {"contents past the selection", Format(kFileContents, 4), DV_E_LINDEX, E_NOTIMPL},
      {"contents as an icon", Format(kFileContents, 0, TYMED_HGLOBAL, DVASPECT_ICON), DV_E_DVASPECT, E_NOTIMPL},
      {"contents for a device", {kFileContents, &device, DVASPECT_CONTENT, 0, TYMED_HGLOBAL}, DV_E_FORMATETC,
       E_NOTIMPL},
      {"descriptor", Format(kFileGroupDescriptor, -1), S_OK, S_OK},
      {"descriptor of item 0", Format(kFileGroupDescriptor, 0), DV_E_LINDEX, E_NOTIMPL},
      {"descriptor as a stream", Format(kFileGroupDescriptor, -1, TYMED_ISTREAM), S_OK, E_NOTIMPL},
      {"another format", Format(1 /* CF_TEXT */, -1), E_NOTIMPL, E_NOTIMPL},
  };
  for (const auto& row : rows) {
    FORMATETC asked = row.format;
    EXPECT_EQ(data->QueryGetData(&asked), row.query) << row.what;
    STGMEDIUM answer{};
    EXPECT_EQ(data->GetData(&asked, &answer), row.get) << row.what;
    EXPECT_EQ(answer.tymed == TYMED_NULL, row.get != S_OK) << row.what;
    ReleaseStgMedium(&answer);
  }
  format = Format(kFileContents, 0);
  medium = STGMEDIUM{};
  EXPECT_EQ(data->SetData(&format, &medium, FALSE), E_NOTIMPL);
  EXPECT_EQ(data->GetDataHere(&format, &medium), E_NOTIMPL);
}

// A data object keeps its archive open on its own, whichever folder made it
// (one of the root folder's in every release order in the lifetime tests),
// sees the archive file as it is at every request, and reports a file that
// is damaged or gone.
TEST_F(DataObject, OutlivesASubFolderAndRereadsTheArchive) {
  ComPtr<IShellFolder> sub = SubFolder(m_root.Get(), "sub");
  m_root.Reset();
  UniquePidl small = Child(sub.Get(), "small.bin");
  ComPtr<IDataObject> fromSub = DataOf(sub.Get(), {small.get()});
  sub.Reset();
  m_archive.Reset();
  EXPECT_EQ(FileContents(fromSub.Get(), 0, TYMED_ISTREAM), "\x01\x02\x03");

  std::string archive = m_dir.Read("copy.arc");
  m_dir.Write("copy.arc", archive.substr(0, archive.size() - 1));
  FileContents(fromSub.Get(), 0, TYMED_ISTREAM, E_NOTIMPL);
  m_dir.Remove("copy.arc");
  FileContents(fromSub.Get(), 0, TYMED_ISTREAM, E_FAIL);
}

}  // namespace
}  // namespace shell_test
