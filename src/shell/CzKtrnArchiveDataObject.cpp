#include "shell/CzKtrnArchiveDataObject.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "archive/MemoryFile.h"
#include "names/MbString.h"
#include "platform/ResultMacros.h"
#include "qor/QORITEMIDLIST.h"
#include "shell/ClipboardFormats.h"
#include "shell/CzKtrnArchiveEnumFormatEtc.h"
#include "shell/CzKtrnArchiveFolder.h"
#include "shell/CzKtrnArchiveObject.h"

namespace qor {
namespace {

static_assert(sizeof(FILEDESCRIPTORA) == 332, "the shell reads descriptors of 332 bytes");
constexpr std::size_t kGroupHeaderSize = offsetof(FILEGROUPDESCRIPTORA, fgd);
static_assert(kGroupHeaderSize == 4);
constexpr DWORD kDescriptorFlags = FD_ATTRIBUTES | FD_WRITESTIME | FD_FILESIZE;
constexpr DWORD kFolderIndex = 0xFFFFFFFFu;
constexpr LONG kWholeObject = -1;

using UniqueGlobal = CGlobalMemoryFile::Block;

const QORITEMIDLIST* Record(LPCITEMIDLIST pidl) noexcept { return reinterpret_cast<const QORITEMIDLIST*>(pidl); }

bool HasContentAspect(const FORMATETC& format) noexcept { return (format.dwAspect & DVASPECT_CONTENT) != 0; }

// A stored name of MAX_PATH bytes or more is cut to the longest run of whole
// characters that leaves room for the terminator: the shell reads no more.
void CopyDescriptorName(const std::string& name, CHAR (&target)[MAX_PATH]) {
  std::size_t length = 0;
  while (length < name.size()) {
    std::size_t next = MbsNextIndex(name, length);
    if (next > MAX_PATH - 1) break;
    length = next;
  }
  std::memcpy(target, name.data(), length);
  target[length] = '\0';
}

void Describe(const QORITEMIDLIST& record, FILEDESCRIPTORA& descriptor) {
  descriptor.dwFlags = kDescriptorFlags;
  descriptor.dwFileAttributes = record.getAttributes();
  descriptor.ftLastWriteTime = record.getLastModifiedTime();
  descriptor.nFileSizeLow = record.getLength();
  CopyDescriptorName(record.getFileName(), descriptor.cFileName);
}

}  // namespace

CzKtrnArchiveDataObject::~CzKtrnArchiveDataObject() = default;

HRESULT CzKtrnArchiveDataObject::Initialize(CzKtrnArchiveFolder* folder, UINT cidl,
                                            PCUITEMID_CHILD_ARRAY apidl) noexcept try {
  m_pFolder.Reset();
  m_pArchive.Reset();
  m_apidl.clear();
  RETURN_HR_IF(E_INVALIDARG, !folder || (cidl != 0 && !apidl));
  std::vector<UniquePidl> copies;
  copies.reserve(cidl);
  for (UINT i = 0; i < cidl; ++i) {
    RETURN_HR_IF_NULL(E_INVALIDARG, apidl[i]);
    copies.emplace_back(PidlCopy(apidl[i]));
    RETURN_IF_NULL_ALLOC(copies.back());
  }
  if (!m_pEnumFormat) {
    m_pEnumFormat = NewComObject<CzKtrnArchiveEnumFormatEtc>();
    RETURN_IF_NULL_ALLOC(m_pEnumFormat);
  }
  const FORMATETC offered[] = {
      {g_cfFileContents, nullptr, DVASPECT_CONTENT, kWholeObject, TYMED_HGLOBAL},
      {g_cfFileGroupDescriptor, nullptr, DVASPECT_CONTENT, kWholeObject, TYMED_HGLOBAL},
  };
  RETURN_IF_FAILED(m_pEnumFormat->SetFormats(static_cast<ULONG>(std::size(offered)), offered));
  m_pFolder = ComPtr<CzKtrnArchiveFolder>(folder);
  m_pArchive = ComPtr<CzKtrnArchiveObject>(folder->IsBound() ? folder->Archive() : nullptr);
  m_apidl = std::move(copies);
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CzKtrnArchiveDataObject::GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) noexcept try {
  RETURN_HR_IF(E_INVALIDARG, !pformatetcIn || !pmedium);
  const FORMATETC& format = *pformatetcIn;
  RETURN_HR_IF(E_NOTIMPL, format.ptd || !HasContentAspect(format));
  if (format.cfFormat == g_cfFileContents) return GetFileContents(format, *pmedium);
  if (format.cfFormat == g_cfFileGroupDescriptor) return GetFileGroupDescriptor(format, *pmedium);
  return E_NOTIMPL;
}
CATCH_RETURN()

// The stored file of the last item of list lindex, decompressed in full into
// a movable global block (its size the file's length rounded up to 4096
// bytes), handed over as that block or as a stream over it. The archive file
// is opened for this request alone.
//
// A medium other than a block or a stream is refused with DV_E_TYMED before
// anything is decompressed. A stored file of length 0 comes as an empty block
// (GlobalSize 0) rather than no block, so a consumer always has a handle to
// free; as a stream it has size 0.
HRESULT CzKtrnArchiveDataObject::GetFileContents(const FORMATETC& format, STGMEDIUM& medium) const {
  const auto item = static_cast<ULONG>(format.lindex);
  RETURN_HR_IF(E_NOTIMPL, item >= ItemCount());
  CzKtrnArchiveObject* archive = m_pArchive.Get();
  RETURN_HR_IF_NULL(E_UNEXPECTED, archive);
  const QORITEMIDLIST* record = Record(PidlLast(m_apidl[item].get()));
  const DWORD index = record->getIndex();
  RETURN_HR_IF(E_NOTIMPL, index == kFolderIndex);
  RETURN_HR_IF(DV_E_TYMED, !(format.tymed & (TYMED_HGLOBAL | TYMED_ISTREAM)));

  CGlobalMemoryFile output(4096);
  switch (archive->ExtractTo(static_cast<int>(index), output)) {
    case CzKtrnArchiveObject::ExtractResult::Done: break;
    case CzKtrnArchiveObject::ExtractResult::ArchiveUnreadable: return E_FAIL;
    case CzKtrnArchiveObject::ExtractResult::OutOfMemory: return E_OUTOFMEMORY;
    case CzKtrnArchiveObject::ExtractResult::EntryFailed: return output.OutOfMemory() ? E_OUTOFMEMORY : E_NOTIMPL;
  }
  UniqueGlobal block = output.Detach();

  if (format.tymed & TYMED_HGLOBAL) {
    if (!block) block.reset(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 0));
    RETURN_IF_NULL_ALLOC(block);
    medium.tymed = TYMED_HGLOBAL;
    medium.hGlobal = block.release();
    medium.pUnkForRelease = nullptr;
    return S_OK;
  }
  ComPtr<IStream> stream;
  RETURN_IF_FAILED(CreateStreamOnHGlobal(block.get(), TRUE, stream.Put()));
  static_cast<void>(block.release());  // the stream frees it now
  ULARGE_INTEGER size{};
  size.QuadPart = record->getLength();
  RETURN_IF_FAILED(stream->SetSize(size));
  medium.tymed = TYMED_ISTREAM;
  medium.pstm = stream.Detach();
  medium.pUnkForRelease = nullptr;
  return S_OK;
}

HRESULT CzKtrnArchiveDataObject::GetFileGroupDescriptor(const FORMATETC& format, STGMEDIUM& medium) const {
  RETURN_HR_IF(E_NOTIMPL, format.lindex != kWholeObject || !(format.tymed & TYMED_HGLOBAL));
  const std::size_t count = m_apidl.size();
  RETURN_HR_IF(E_OUTOFMEMORY, count > (SIZE_MAX - kGroupHeaderSize) / sizeof(FILEDESCRIPTORA));
  UniqueGlobal block(GlobalAlloc(GMEM_DDESHARE | GMEM_ZEROINIT, kGroupHeaderSize + count * sizeof(FILEDESCRIPTORA)));
  RETURN_IF_NULL_ALLOC(block);
  auto* group = static_cast<FILEGROUPDESCRIPTORA*>(GlobalLock(block.get()));
  RETURN_IF_NULL_ALLOC(group);
  group->cItems = static_cast<UINT>(count);
  for (std::size_t i = 0; i < count; ++i) Describe(*Record(m_apidl[i].get()), group->fgd[i]);
  GlobalUnlock(block.get());
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = block.release();
  medium.pUnkForRelease = nullptr;
  return S_OK;
}

STDMETHODIMP CzKtrnArchiveDataObject::QueryGetData(FORMATETC* pformatetc) noexcept {
  RETURN_HR_IF_NULL(E_INVALIDARG, pformatetc);
  const FORMATETC& format = *pformatetc;
  if (format.cfFormat == g_cfFileContents) {
    RETURN_HR_IF(DV_E_LINDEX, static_cast<ULONG>(format.lindex) >= ItemCount());
  } else if (format.cfFormat == g_cfFileGroupDescriptor) {
    RETURN_HR_IF(DV_E_LINDEX, format.lindex != kWholeObject);
  } else {
    return E_NOTIMPL;
  }
  RETURN_HR_IF(DV_E_DVASPECT, !HasContentAspect(format));
  RETURN_HR_IF(DV_E_FORMATETC, format.ptd);
  return S_OK;
}

STDMETHODIMP CzKtrnArchiveDataObject::EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) noexcept {
  RETURN_HR_IF(E_NOTIMPL, dwDirection == DATADIR_SET);
  RETURN_HR_IF_NULL(E_INVALIDARG, ppenumFormatEtc);
  *ppenumFormatEtc = nullptr;
  RETURN_HR_IF_NULL(E_UNEXPECTED, m_pEnumFormat);
  ComPtr<CzKtrnArchiveEnumFormatEtc> formats = NewComObject<CzKtrnArchiveEnumFormatEtc>();
  RETURN_IF_NULL_ALLOC(formats);
  RETURN_IF_FAILED(m_pEnumFormat->CopyTo(*formats.Get()));
  return formats->QueryInterface(IID_IEnumFORMATETC, reinterpret_cast<void**>(ppenumFormatEtc));
}

}  // namespace qor
