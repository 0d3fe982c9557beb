// Arbitrary bytes as an archive file, copied out as a shell copy would:
// every item of the root in one data object, its "FileGroupDescriptor", and
// "FileContents" of each item as a memory block and as a stream. Besides
// memory errors, it checks what must hold for every archive:
//  - the descriptor names as many items as were selected;
//  - a folder has no contents; a stored file's contents, when they come,
//    are as long as its record says, and the same in both media;
//  - nothing is left alive once everything is released.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "FuzzCheck.h"
#include "platform/win32.h"

#include "itemid/Pidl.h"
#include "names/WideText.h"
#include "qor/ComPtr.h"
#include "qor/QORITEMIDLIST.h"
#include "qor/qor.h"

namespace {

constexpr ULONG kMaxItems = 16;

// The bytes of one "FileContents" request, or the status that refused it.
struct Contents {
  HRESULT hr;
  std::string bytes;
};

Contents GetContents(IDataObject* data, CLIPFORMAT format, LONG item, DWORD medium, ULONG length) {
  FORMATETC request{format, nullptr, DVASPECT_CONTENT, item, medium};
  STGMEDIUM got{};
  Contents contents{data->GetData(&request, &got), {}};
  if (contents.hr != S_OK) return contents;
  FUZZ_CHECK(got.tymed == medium);
  if (medium == TYMED_HGLOBAL) {
    FUZZ_CHECK(GlobalSize(got.hGlobal) >= length);
    if (length != 0) {
      contents.bytes.assign(static_cast<const char*>(GlobalLock(got.hGlobal)), length);
      GlobalUnlock(got.hGlobal);
    }
  } else {
    STATSTG stat{};
    FUZZ_CHECK(got.pstm->Stat(&stat, STATFLAG_NONAME) == S_OK && stat.cbSize.QuadPart == length);
    contents.bytes.resize(length);
    ULONG read = 0;
    FUZZ_CHECK(length == 0 || (got.pstm->Read(contents.bytes.data(), length, &read) == S_OK && read == length));
  }
  ReleaseStgMedium(&got);
  return contents;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string native = "/tmp/qor-data-fuzz-" + std::to_string(::getpid()) + ".arc";
  static const std::string library = [] {
    std::string path = "Z:" + native;
    for (char& c : path)
      if (c == '/') c = '\\';
    return path;
  }();
  {
    std::ofstream out(native, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  static const auto fileContents = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("FileContents"));
  static const auto descriptor = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("FileGroupDescriptor"));
  {
    qor::ComPtr<IzKtrnArchiveObject> archive;
    HRESULT opened = QORCreateObject(library.c_str(), IID_IzKtrnArchiveObject, archive.PutVoid());
    FUZZ_CHECK(opened == S_OK || opened == E_UNEXPECTED || opened == E_FAIL);
    if (opened != S_OK) return 0;
    qor::ComPtr<IUnknown> unknown;
    FUZZ_CHECK(archive->get_archiveRootFolder(unknown.Put()) == S_OK);
    qor::ComPtr<IShellFolder> root;
    FUZZ_CHECK(unknown.QueryInterface(IID_IShellFolder, root.PutVoid()) == S_OK);
    qor::ComPtr<IEnumIDList> items;
    FUZZ_CHECK(root->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()) == S_OK);
    std::vector<qor::UniquePidl> selected;
    for (LPITEMIDLIST item = nullptr; selected.size() < kMaxItems && items->Next(1, &item, nullptr) == S_OK;)
      selected.emplace_back(item);
    std::vector<LPCITEMIDLIST> lists;
    for (const qor::UniquePidl& item : selected) lists.push_back(item.get());
    qor::ComPtr<IDataObject> copy;
    FUZZ_CHECK(root->GetUIObjectOf(nullptr, static_cast<UINT>(lists.size()), lists.data(), IID_IDataObject, nullptr,
                                   copy.PutVoid()) == S_OK);

    FORMATETC group{descriptor, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM got{};
    FUZZ_CHECK(copy->GetData(&group, &got) == S_OK);
    FUZZ_CHECK(static_cast<const FILEGROUPDESCRIPTORA*>(GlobalLock(got.hGlobal))->cItems == lists.size());
    GlobalUnlock(got.hGlobal);
    ReleaseStgMedium(&got);

    for (std::size_t i = 0; i < lists.size(); ++i) {
      const auto* record = reinterpret_cast<const QORITEMIDLIST*>(lists[i]);
      const ULONG length = record->getLength();
      const auto item = static_cast<LONG>(i);
      Contents block = GetContents(copy.Get(), fileContents, item, TYMED_HGLOBAL, length);
      Contents stream = GetContents(copy.Get(), fileContents, item, TYMED_ISTREAM, length);
      if (record->isFolder()) {
        FUZZ_CHECK(block.hr == E_NOTIMPL && stream.hr == E_NOTIMPL);
        continue;
      }
      FUZZ_CHECK(block.hr == S_OK || block.hr == E_NOTIMPL);
      FUZZ_CHECK(stream.hr == block.hr);
      FUZZ_CHECK(stream.bytes == block.bytes);
    }
  }
  FUZZ_CHECK(DllCanUnloadNow() == S_OK);
  return 0;
}
