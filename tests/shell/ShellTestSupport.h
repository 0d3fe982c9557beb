// Helpers of the shell-layer tests: archives written into a temporary
// directory by the writer, opened through the exported factory as a host
// would, and read back through the folder and enumerator interfaces.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveTestSupport.h"
#include "itemid/Pidl.h"
#include "qor/ComPtr.h"
#include "platform/win32.h"
#include "qor/QORITEMIDLIST.h"
#include "qor/qor.h"
#include "server/ServerModule.h"
#include "support/SystemText.h"
#include "support/TempDirectory.h"
#include "writer/ArchiveWriter.h"
#ifndef _WIN32
#include "platform/posix/global_memory.h"
#include "platform/posix/task_allocator.h"
#endif

namespace shell_test {

using archive_test::LE32;
using qor::ComPtr;
using qor::UniquePidl;
using qor::test::Narrow;
using qor::test::TempDirectory;
using qor::test::Widen;
using Inputs = std::vector<qor::ArchiveInput>;
using Names = std::vector<std::string>;
constexpr SHCONTF kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;

inline LONG Live() { return qor::g_serverModule.LockCount(); }

// The empty list: the folder itself.
inline LPCITEMIDLIST EmptyList() {
  static const BYTE terminator[2] = {0, 0};
  return reinterpret_cast<LPCITEMIDLIST>(terminator);
}

// The archive interfaces type their output paths as wide strings but read
// narrow bytes through them.
inline LPWSTR NarrowArgument(const std::string& path) {
  return reinterpret_cast<LPWSTR>(const_cast<char*>(path.c_str()));
}

// A catalogue time as the FILETIME a file record must carry.
inline FILETIME FileTimeOf(std::int32_t seconds) {
  auto ticks = static_cast<std::uint64_t>((std::int64_t{seconds} + 11644473600) * 10000000);
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The same path with the drive letter in the other case.
inline std::string OtherDriveCase(std::string path) {
  path[0] = static_cast<char>(path[0] ^ 0x20);
  return path;
}

template <typename T>
ComPtr<T> Query(IUnknown* from, REFIID riid) {
  ComPtr<T> result;
  if (from) {
    EXPECT_EQ(from->QueryInterface(riid, result.PutVoid()), S_OK);
  }
  return result;
}

// The object's identity: what it answers for IUnknown.
inline IUnknown* IdentityOf(IUnknown* object) { return Query<IUnknown>(object, IID_IUnknown).Get(); }

inline const QORITEMIDLIST* RecordOf(LPCITEMIDLIST list) { return reinterpret_cast<const QORITEMIDLIST*>(list); }
inline UniquePidl Concat(LPCITEMIDLIST a, LPCITEMIDLIST b) { return UniquePidl(qor::PidlConcat(a, b)); }

// A one-item list holding a record made here, for questions that only look
// at the record itself.
inline UniquePidl MakeRecord(const char* name, bool folder) {
  return UniquePidl(reinterpret_cast<ITEMIDLIST*>(QORITEMIDLIST::create(
      name, folder ? 0xFFFFFFFFu : 0, folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, 0, {})));
}

// A display name asked of a folder, as UTF-16 text. The block must come from
// the task allocator (it is freed there) and hold at least MAX_PATH bytes and
// the whole name.
inline std::u16string WideDisplayName(IShellFolder* folder, LPCITEMIDLIST pidl, SHGDNF flags) {
  STRRET name{};
  HRESULT hr = folder->GetDisplayNameOf(pidl, flags, &name);
  EXPECT_EQ(hr, S_OK);
  if (hr != S_OK) return u"<failed>";
  EXPECT_EQ(name.uType, static_cast<UINT>(STRRET_WSTR));
  std::u16string wide(reinterpret_cast<const char16_t*>(name.pOleStr));
  IMalloc* malloc = nullptr;
  EXPECT_EQ(SHGetMalloc(&malloc), S_OK);
  SIZE_T size = malloc->GetSize(name.pOleStr);
  EXPECT_GE(size, static_cast<SIZE_T>(MAX_PATH));
  EXPECT_GE(size, (wide.size() + 1) * sizeof(WCHAR));
  malloc->Free(name.pOleStr);
  malloc->Release();
  return wide;
}

// The same, in the system code page.
inline std::string DisplayName(IShellFolder* folder, LPCITEMIDLIST pidl, SHGDNF flags) {
  return Narrow(WideDisplayName(folder, pidl, flags));
}

// Every item an enumerator still has, fetched celt at a time; the lists are
// checked to be one-item records and freed.
inline Names Drain(IEnumIDList* enumerator, ULONG celt = 1) {
  Names names;
  std::vector<LPITEMIDLIST> items(celt);
  for (;;) {
    ULONG fetched = 99;
    HRESULT hr = enumerator->Next(celt, items.data(), &fetched);
    EXPECT_TRUE(hr == S_OK || hr == S_FALSE) << std::hex << hr;
    EXPECT_EQ(hr == S_OK, fetched == celt);
    for (ULONG i = 0; i < fetched && i < celt; ++i) {
      EXPECT_TRUE(RecordOf(items[i])->isQORITEMIDLIST());
      EXPECT_EQ(qor::PidlGetItemSize(qor::PidlNext(items[i])), 0) << "one item per list";
      names.push_back(RecordOf(items[i])->getFileName());
      qor::PidlFree(items[i]);
    }
    if (hr != S_OK) return names;
  }
}

inline ComPtr<IEnumIDList> Enum(IShellFolder* folder, SHCONTF flags = kAll) {
  ComPtr<IEnumIDList> enumerator;
  EXPECT_EQ(folder->EnumObjects(nullptr, flags, enumerator.Put()), S_OK);
  return enumerator;
}

inline Names Children(IShellFolder* folder) {
  ComPtr<IEnumIDList> enumerator = Enum(folder);
  return enumerator ? Drain(enumerator.Get()) : Names{};
}

// The record of a folder's child, as the folder's own enumerator hands it out.
inline UniquePidl Child(IShellFolder* folder, std::string_view name) {
  ComPtr<IEnumIDList> enumerator = Enum(folder);
  LPITEMIDLIST item = nullptr;
  while (enumerator && enumerator->Next(1, &item, nullptr) == S_OK) {
    UniquePidl held(item);
    if (RecordOf(item)->getFileName() == name) return held;
  }
  ADD_FAILURE() << "no child " << name;
  return UniquePidl(qor::PidlCopy(EmptyList()));
}

inline ComPtr<IShellFolder> Bind(IShellFolder* folder, LPCITEMIDLIST pidl) {
  ComPtr<IShellFolder> result;
  EXPECT_EQ(folder->BindToObject(pidl, nullptr, IID_IShellFolder, result.PutVoid()), S_OK);
  return result;
}

inline ComPtr<IShellFolder> SubFolder(IShellFolder* folder, std::string_view name) {
  return Bind(folder, Child(folder, name).get());
}

// A list of the records met on the way down from folder through the named
// items, as the folders' own enumerators hand them out.
inline UniquePidl PathList(IShellFolder* folder, const std::vector<const char*>& names) {
  UniquePidl list(qor::PidlCopy(EmptyList()));
  ComPtr<IShellFolder> current(folder);
  for (const char* name : names) {
    UniquePidl item = Child(current.Get(), name);
    list = Concat(list.get(), item.get());
    if (RecordOf(item.get())->isFolder()) current = Bind(current.Get(), item.get());
  }
  return list;
}

// The absolute list of a folder: the archive file's list, then the records
// down to the folder.
inline UniquePidl FullList(IShellFolder* folder) {
  LPITEMIDLIST full = nullptr;
  EXPECT_EQ(Query<IzKtrnArchiveFolder>(folder, IID_IzKtrnArchiveFolder)->GetFullQualifiedPIDL(&full), S_OK);
  return UniquePidl(full);
}

inline const auto kFileContents = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("FileContents"));

// A name typed into a folder (as UTF-16 text) and the list it parses to
// (null when it fails); the count eaten and the attributes are left alone.
inline HRESULT ParseName(IShellFolder* folder, const std::string& name, UniquePidl& list) {
  std::u16string wide = Widen(name);
  LPITEMIDLIST parsed = reinterpret_cast<LPITEMIDLIST>(1);
  ULONG eaten = 77, attributes = 88;
  HRESULT hr = folder->ParseDisplayName(nullptr, nullptr, reinterpret_cast<LPWSTR>(wide.data()), &eaten, &parsed,
                                        &attributes);
  EXPECT_EQ(eaten, 77u);
  EXPECT_EQ(attributes, 88u);
  list.reset(parsed);
  return hr;
}

// The data object a folder hands out for a selection of its items.
inline ComPtr<IDataObject> DataOf(IShellFolder* folder, std::vector<LPCITEMIDLIST> items) {
  ComPtr<IDataObject> data;
  EXPECT_EQ(folder->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()), items.data(), IID_IDataObject, nullptr,
                                  data.PutVoid()),
            S_OK);
  return data;
}

// The bytes of the lindex-th selected file as the data object delivers them:
// a memory block of whole 4096-byte steps, or a stream as long as the file.
inline std::string FileContents(IDataObject* data, LONG lindex, DWORD tymed = TYMED_HGLOBAL, HRESULT expected = S_OK) {
  FORMATETC format{kFileContents, nullptr, DVASPECT_CONTENT, lindex, tymed};
  STGMEDIUM medium{};
  HRESULT hr = data ? data->GetData(&format, &medium) : E_POINTER;
  EXPECT_EQ(hr, expected);
  if (FAILED(hr)) return "<failed>";
  std::string bytes;
  if (medium.tymed == TYMED_HGLOBAL) {
    SIZE_T size = GlobalSize(medium.hGlobal);
    EXPECT_EQ(size % 4096, 0u) << "whole 4096-byte steps";
    auto* block = static_cast<const char*>(GlobalLock(medium.hGlobal));
    if (block) bytes.assign(block, size);
    GlobalUnlock(medium.hGlobal);
  } else {
    EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_ISTREAM));
    STATSTG stat{};
    EXPECT_EQ(medium.pstm->Stat(&stat, STATFLAG_NONAME), S_OK);
    bytes.resize(static_cast<std::size_t>(stat.cbSize.QuadPart));
    ULONG got = 0;
    EXPECT_EQ(medium.pstm->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &got), S_OK);
    EXPECT_EQ(got, bytes.size()) << "the stream starts at its beginning";
  }
  EXPECT_EQ(medium.pUnkForRelease, nullptr);
  ReleaseStgMedium(&medium);
  return bytes;
}

// Each test gets a directory of its own and leaves the task allocator and the
// global memory blocks as it found them (the stand-in counts both).
class ShellTest : public testing::Test {
 protected:
#ifndef _WIN32
  void SetUp() override {
    m_allocatorReferences = qor::posix::OutstandingAllocatorReferences();
    m_globalBlocks = qor::posix::OutstandingGlobalBlocks();
  }
  void TearDown() override {
    EXPECT_EQ(qor::posix::OutstandingAllocatorReferences(), m_allocatorReferences) << "task allocator not released";
    EXPECT_EQ(qor::posix::OutstandingGlobalBlocks(), m_globalBlocks) << "global memory blocks not freed";
  }
  long m_allocatorReferences = 0;
  long m_globalBlocks = 0;
#endif

  // Writes an archive of inputs under name in the test's directory; its path.
  std::string WriteArchive(std::string_view name, const Inputs& inputs,
                           qor::ArchiveSignature signature = qor::ArchiveSignature::Orblane) {
    m_dir.Write(name, archive_test::ToString(qor::BuildArchive(inputs, signature)));
    return m_dir.PathOf(name);
  }

  static HRESULT Open(const std::string& path, ComPtr<IzKtrnArchiveObject>& archive) {
    return QORCreateObject(path.c_str(), IID_IzKtrnArchiveObject, archive.PutVoid());
  }
  static ComPtr<IzKtrnArchiveObject> Open(const std::string& path) {
    ComPtr<IzKtrnArchiveObject> archive;
    EXPECT_EQ(Open(path, archive), S_OK) << path;
    return archive;
  }

  static ComPtr<IShellFolder> Root(IzKtrnArchiveObject* archive) {
    ComPtr<IUnknown> unknown;
    if (archive) {
      EXPECT_EQ(archive->get_archiveRootFolder(unknown.Put()), S_OK);
    }
    return Query<IShellFolder>(unknown.Get(), IID_IShellFolder);
  }

  // Writes an archive, opens it and takes its root folder: the fixture's own
  // archive.
  void OpenArchive(std::string_view name, const Inputs& inputs,
                   qor::ArchiveSignature signature = qor::ArchiveSignature::Orblane) {
    m_path = WriteArchive(name, inputs, signature);
    m_archive = Open(m_path);
    m_root = Root(m_archive.Get());
    ASSERT_TRUE(m_root) << m_path;
  }

  TempDirectory m_dir;
  std::string m_path;
  ComPtr<IzKtrnArchiveObject> m_archive;
  ComPtr<IShellFolder> m_root;
};

}  // namespace shell_test
