#include "shell/CzKtrnArchiveFolder.h"

#include <algorithm>
#include <cstring>

#include "itemid/ShellPaths.h"
#include "names/MbString.h"
#include "names/PathPrimitives.h"
#include "names/WideText.h"
#include "platform/ResultMacros.h"
#include "qor/QORITEMIDLIST.h"
#include "shell/CzKtrnArchiveDataObject.h"
#include "shell/CzKtrnArchiveEnumIDList.h"
#include "shell/CzKtrnArchiveObject.h"
#include "shell/DisplayNameResolution.h"

namespace qor {
namespace {

constexpr SFGAOF kFolderAttributes =
    SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_COMPRESSED | SFGAO_READONLY;
constexpr SFGAOF kFileMask = ~(SFGAO_FOLDER | SFGAO_HASSUBFOLDER);
constexpr std::size_t kMinDisplayNameBytes = MAX_PATH;

const QORITEMIDLIST* Record(LPCITEMIDLIST pidl) noexcept { return reinterpret_cast<const QORITEMIDLIST*>(pidl); }

// The first `bytes` bytes of a list as a list of its own.
UniquePidl PidlCopyPrefix(LPCITEMIDLIST list, WORD bytes) noexcept {
  UniquePidl prefix(PidlAlloc(bytes));
  if (prefix) std::memcpy(prefix.get(), list, bytes);
  return prefix;
}

// A display name for the shell: a block of the task allocator holding the
// name in UTF-16, never smaller than MAX_PATH bytes.
HRESULT WideStrRet(const std::string& name, STRRET* pName) {
  WideString wide = ToWide(name);
  IMalloc* malloc = nullptr;
  if (FAILED(SHGetMalloc(&malloc)) || !malloc) return E_NOTIMPL;
  std::size_t bytes = std::max((wide.size() + 1) * sizeof(WCHAR), kMinDisplayNameBytes);
  auto* block = static_cast<WCHAR*>(malloc->Alloc(bytes));
  malloc->Release();
  RETURN_IF_NULL_ALLOC(block);
  std::copy(wide.begin(), wide.end(), block);
  block[wide.size()] = 0;
  pName->uType = STRRET_WSTR;
  pName->pOleStr = block;
  return S_OK;
}

}  // namespace

CzKtrnArchiveFolder::~CzKtrnArchiveFolder() = default;

bool CzKtrnArchiveFolder::Bind(CzKtrnArchiveObject* archive, LPCITEMIDLIST pidlFolder,
                               const CArchiveNode* node) noexcept {
  if (m_pArchive || m_pNode || !archive || !node) return false;
  UniquePidl copy(PidlCopy(pidlFolder));
  if (!copy) return false;
  m_pArchive = ComPtr<CzKtrnArchiveObject>(archive);
  m_pidlFolder = std::move(copy);
  m_pNode = node;
  return true;
}

void CzKtrnArchiveFolder::DetachArchive() noexcept { static_cast<void>(m_pArchive.Detach()); }

// --- IzKtrnArchiveFolder ----------------------------------------------------
// Each looks at the first item of the list it is given; a null list names
// no item and is refused.

STDMETHODIMP CzKtrnArchiveFolder::GetLastModifiedTime(LPCITEMIDLIST pidl, FILETIME* pVal) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, pVal);
  RETURN_HR_IF_NULL(E_INVALIDARG, pidl);
  *pVal = Record(pidl)->isFolder() ? FILETIME{0, 0} : Record(pidl)->getLastModifiedTime();
  return S_OK;
}

STDMETHODIMP CzKtrnArchiveFolder::GetFileSize(LPCITEMIDLIST pidl, ULONG* pVal) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, pVal);
  RETURN_HR_IF_NULL(E_INVALIDARG, pidl);
  *pVal = Record(pidl)->isFolder() ? 0xFFFFFFFFu : Record(pidl)->getLength();
  return S_OK;
}

STDMETHODIMP CzKtrnArchiveFolder::GetFullQualifiedPIDL(LPITEMIDLIST* ppidl) noexcept try {
  RETURN_HR_IF(E_UNEXPECTED, !IsBound());
  RETURN_HR_IF_NULL(E_POINTER, ppidl);
  UniquePidl archiveFile = PathToPidl(m_pArchive->ArchivePath().c_str());
  RETURN_HR_IF_NULL(E_FAIL, archiveFile);
  LPITEMIDLIST full = PidlConcat(archiveFile.get(), m_pidlFolder.get());
  RETURN_IF_NULL_ALLOC(full);
  *ppidl = full;
  return S_OK;
}
CATCH_RETURN()

// The stored file is the LAST item of the list; a folder's index (0xFFFFFFFF)
// names no stored file, and the archive object refuses it.
STDMETHODIMP CzKtrnArchiveFolder::ExtractFile(LPCITEMIDLIST pidl, LPWSTR lpszFile) noexcept {
  RETURN_HR_IF(E_UNEXPECTED, !IsBound());
  RETURN_HR_IF_NULL(E_INVALIDARG, pidl);
  DWORD index = Record(PidlLast(pidl))->getIndex();
  return m_pArchive->ExtractFile(static_cast<int>(index), lpszFile);
}

// --- IShellFolder -----------------------------------------------------------

// pchEaten and pdwAttributes are left as they are: the name is taken whole,
// and callers that need an item's attributes ask GetAttributesOf. The out
// list is cleared first, so that no failure leaves the caller a stale pointer.
STDMETHODIMP CzKtrnArchiveFolder::ParseDisplayName(HWND, IBindCtx*, LPWSTR pszDisplayName, ULONG*,
                                                   PIDLIST_RELATIVE* ppidl, ULONG*) noexcept try {
  RETURN_HR_IF_NULL(E_POINTER, ppidl);
  *ppidl = nullptr;
  RETURN_HR_IF(E_UNEXPECTED, !IsBound());
  std::string folderPath = PidlGetItemSize(m_pidlFolder.get()) == 0 ? std::string() : Record(m_pidlFolder.get())->getFilePath();
  std::string inner;
  RETURN_IF_FAILED(RelativeInnerPath(ToNarrow(pszDisplayName), m_pArchive->ArchivePath(), folderPath, inner));
  return ResolveInFolder(*m_pNode, SplitPathFileName(m_pArchive->ArchivePath()), inner, ppidl);
}
CATCH_RETURN()

STDMETHODIMP CzKtrnArchiveFolder::EnumObjects(HWND, SHCONTF grfFlags, IEnumIDList** ppenumIDList) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, ppenumIDList);
  *ppenumIDList = nullptr;
  ComPtr<CzKtrnArchiveEnumIDList> enumerator = NewComObject<CzKtrnArchiveEnumIDList>();
  RETURN_IF_NULL_ALLOC(enumerator);
  RETURN_HR_IF(E_UNEXPECTED, FAILED(enumerator->Initialize(this, grfFlags)));
  return enumerator->QueryInterface(IID_IEnumIDList, reinterpret_cast<void**>(ppenumIDList));
}

// Opens the folder a list of one or more folder items leads to, one level at
// a time. Each folder made on the way records its whole path from the
// archive's root; only the last one is handed out.
STDMETHODIMP CzKtrnArchiveFolder::BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx*, REFIID riid, void** ppv) noexcept try {
  RETURN_HR_IF(E_NOINTERFACE, !IsEqualIID(riid, IID_IShellFolder) && !IsEqualIID(riid, IID_IzKtrnArchiveFolder));
  RETURN_HR_IF_NULL(E_INVALIDARG, pidl);
  RETURN_HR_IF(E_UNEXPECTED, !IsBound());
  RETURN_HR_IF_NULL(E_POINTER, ppv);

  const CArchiveNode* node = m_pNode;
  ComPtr<CzKtrnArchiveFolder> folder;
  WORD walked = 0;
  for (LPCITEMIDLIST item = pidl; PidlGetItemSize(item) != 0; item = PidlNext(item)) {
    const ArchiveEntry* child = node->FindChild(Record(item)->getFileName().c_str());
    RETURN_HR_IF(E_FAIL, !child || !child->IsFolder());
    RETURN_HR_IF(E_INVALIDARG, walked + PidlGetItemSize(item) > kMaxPidlAllocSize);
    walked = static_cast<WORD>(walked + PidlGetItemSize(item));
    UniquePidl below = PidlCopyPrefix(pidl, walked);
    RETURN_IF_NULL_ALLOC(below);
    UniquePidl path(PidlConcat(m_pidlFolder.get(), below.get()));
    RETURN_IF_NULL_ALLOC(path);
    folder = NewComObject<CzKtrnArchiveFolder>();
    RETURN_IF_NULL_ALLOC(folder);
    node = child->node.get();
    RETURN_HR_IF(E_OUTOFMEMORY, !folder->Bind(m_pArchive.Get(), path.get(), node));
  }
  RETURN_HR_IF_NULL(E_FAIL, folder);  // an empty list leads nowhere
  return folder->QueryInterface(riid, ppv);
}
CATCH_RETURN()

// Items sort by the exact order of their names (the column is ignored, and
// folders are not put first). The result's code is -1, 0 or 1 in 16 bits.
STDMETHODIMP CzKtrnArchiveFolder::CompareIDs(LPARAM, PCUIDLIST_RELATIVE pidl1, PCUIDLIST_RELATIVE pidl2) noexcept try {
  std::string first = pidl1 ? Record(pidl1)->getFileName() : std::string();
  std::string second = pidl2 ? Record(pidl2)->getFileName() : std::string();
  int order = MbsCompare(first.c_str(), second.c_str());
  SHORT sign = static_cast<SHORT>(order < 0 ? -1 : order > 0 ? 1 : 0);
  return static_cast<HRESULT>(static_cast<USHORT>(sign));
}
CATCH_RETURN()

// Every item is read-only and compressed; folders also have sub-folders. One
// file among the items takes the folder bits away from all of them.
STDMETHODIMP CzKtrnArchiveFolder::GetAttributesOf(UINT cidl, PCUITEMID_CHILD_ARRAY apidl, SFGAOF* rgfInOut) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, rgfInOut);
  RETURN_HR_IF(E_INVALIDARG, cidl == 0 || !apidl);
  SFGAOF attributes = kFolderAttributes;
  for (UINT i = 0; i < cidl; ++i) {
    RETURN_HR_IF_NULL(E_INVALIDARG, apidl[i]);
    if (!(Record(apidl[i])->getAttributes() & FILE_ATTRIBUTE_DIRECTORY)) attributes &= kFileMask;
  }
  *rgfInOut = attributes;
  return S_OK;
}

STDMETHODIMP CzKtrnArchiveFolder::GetUIObjectOf(HWND, UINT cidl, PCUITEMID_CHILD_ARRAY apidl, REFIID riid, UINT*,
                                                void** ppv) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, ppv);
  RETURN_HR_IF(E_NOINTERFACE, !IsEqualIID(riid, IID_IDataObject));
  ComPtr<CzKtrnArchiveDataObject> data = NewComObject<CzKtrnArchiveDataObject>();
  RETURN_IF_NULL_ALLOC(data);
  RETURN_IF_FAILED(data->Initialize(this, cidl, apidl));
  return data->QueryInterface(riid, ppv);
}

std::string CzKtrnArchiveFolder::ParsingName(LPCITEMIDLIST pidl) const {
  std::string name = m_pArchive->ArchivePath();
  if (!name.empty()) name += '/';
  UniquePidl path(PidlConcat(m_pidlFolder.get(), pidl));
  if (!path) throw std::bad_alloc();
  return name + Record(path.get())->getFilePath();
}

// In parsing form the archive's path, "/" and the path inside the archive;
// otherwise the item's own name, or the archive's base name for the folder
// itself.
STDMETHODIMP CzKtrnArchiveFolder::GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF uFlags, STRRET* pName) noexcept try {
  RETURN_HR_IF_NULL(E_INVALIDARG, pName);
  if (uFlags & SHGDN_FORPARSING) {
    RETURN_HR_IF(E_UNEXPECTED, !m_pArchive);
    return WideStrRet(ParsingName(pidl), pName);
  }
  std::string name = pidl ? Record(pidl)->getFileName() : std::string();
  if (name.empty()) {
    RETURN_HR_IF(E_UNEXPECTED, !m_pArchive);
    name = SplitPathFileName(m_pArchive->ArchivePath());
  }
  return WideStrRet(name, pName);
}
CATCH_RETURN()

// --- IPersistFolder ----------------------------------------------------------

STDMETHODIMP CzKtrnArchiveFolder::GetClassID(CLSID* pClassID) noexcept {
  RETURN_HR_IF_NULL(E_INVALIDARG, pClassID);
  *pClassID = CLSID_zKtrnArchiveFolder;
  return S_OK;
}

// --- IShellIcon ---------------------------------------------------------------

// The folder itself shows the archive's folder icon; items get the shell's
// icon for their bare name as a file or a folder.
STDMETHODIMP CzKtrnArchiveFolder::GetIconOf(PCUITEMID_CHILD pidl, UINT flags, int* pIconIndex) noexcept try {
  RETURN_HR_IF_NULL(E_POINTER, pIconIndex);
  if (PidlGetItemSize(pidl) == 0) {
    RETURN_HR_IF(E_UNEXPECTED, !m_pArchive);
    *pIconIndex = m_pArchive->FolderIcon();
    return S_OK;
  }
  const QORITEMIDLIST* record = Record(pidl);
  DWORD attributes = record->isFolder() ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
  UINT query = SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | ((flags & GIL_OPENICON) ? SHGFI_OPENICON : 0);
  SHFILEINFOA info{};
  RETURN_HR_IF(E_FAIL, !SHGetFileInfoA(record->getFileName().c_str(), attributes, &info, sizeof info, query));
  *pIconIndex = info.iIcon;
  return S_OK;
}
CATCH_RETURN()

}  // namespace qor
