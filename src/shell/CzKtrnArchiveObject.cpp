#include "shell/CzKtrnArchiveObject.h"

#include "archive/Catalogue.h"
#include "archive/StagedFile.h"
#include "archive/WriteBehindFile.h"
#include "catalog/OpenArchives.h"
#include "names/MbString.h"
#include "names/WideText.h"
#include "platform/ResultMacros.h"
#include "shell/CzKtrnArchiveFolder.h"

namespace qor {
namespace {

// Catalogue times are signed seconds since 1970-01-01 UTC.
FILETIME FileTimeFromUnixSeconds(std::int32_t seconds) noexcept {
  constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
  auto ticks = static_cast<std::uint64_t>((seconds + kSecondsFrom1601To1970) * 10000000);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The path with the extension of its file name replaced by ".ico": an icon
// file beside the archive with the archive's base name.
std::string IconPathBeside(const std::string& path) {
  std::size_t nameStart = MbsLastIndexOfSeparator(path);
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  std::size_t dot = MbsLastIndexOfChar(std::string_view(path).substr(nameStart), '.');
  return path.substr(0, dot == std::string::npos ? path.size() : nameStart + dot) + ".ico";
}

}  // namespace

HRESULT CzKtrnArchiveObject::CreateShared(LPCSTR archivePath, REFIID riid, void** ppv) noexcept try {
  RETURN_HR_IF_NULL(E_INVALIDARG, ppv);
  // A refusal leaves the caller's pointer null, as QueryInterface does.
  *ppv = nullptr;
  RETURN_HR_IF(E_NOINTERFACE, !IsEqualIID(riid, IID_IzKtrnArchiveObject));
  SetLastError(ERROR_SUCCESS);
  if (!IsArchiveFile(archivePath)) return GetLastError() == ERROR_NOT_ENOUGH_MEMORY ? E_OUTOFMEMORY : E_UNEXPECTED;
  // The object knows its path as it came back from the wide string it was
  // bound with, and leaves the registry under that spelling; it is entered
  // under the same one. (Some characters have two byte forms in code page
  // 932 and come back from UTF-16 in the other one.)
  WideString widePath = ToWide(archivePath);
  std::string key = ToNarrow(widePath.c_str());
  std::unique_lock<std::recursive_mutex> registry = LockOpenArchives();
  if (CzKtrnArchiveObject* live = FindArchive(key.c_str())) {
    // A live object is shared; one whose last reference is gone is being
    // destroyed and waits for the lock to leave: its entry goes now, and a
    // new object takes the path.
    if (live->TryAddRef()) {
      ComPtr<CzKtrnArchiveObject> held;
      held.Attach(live);
      return held->QueryInterface(riid, ppv);
    }
    UnregisterArchive(key.c_str(), live);
  }

  ComPtr<CzKtrnArchiveObject> archive = NewComObject<CzKtrnArchiveObject>();
  RETURN_IF_NULL_ALLOC(archive);
  RETURN_IF_FAILED(archive->BindToArchive(widePath.data()));
  // The root folder's reference to the archive does not keep it alive. It is
  // balanced at once, so that from here on the holder above is the only
  // reference and any failure (registering may run out of memory) destroys
  // the object with its root folder and tree.
  archive->Release();
  RETURN_HR_IF(E_UNEXPECTED, !RegisterArchive(key.c_str(), archive.Get()));
  archive->m_registered = true;
  return archive->QueryInterface(riid, ppv);
}
CATCH_RETURN()

CzKtrnArchiveObject::~CzKtrnArchiveObject() {
  if (m_pRootFolder) {
    m_pRootFolder->DetachArchive();
    m_pRootFolder.Reset();
  }
  // Only the entry that holds this object: a bound object that never entered
  // the registry must not remove another's entry.
  if (m_registered) UnregisterArchive(m_strArchivePath.c_str(), this);
}

STDMETHODIMP CzKtrnArchiveObject::BindToArchive(BSTR archivePath) noexcept try {
  // Bound once: the registry entry, the folders and the tree all stand for the first path.
  RETURN_HR_IF(E_UNEXPECTED, m_pRootFolder);
  std::string path = ToNarrow(archivePath);
  SetLastError(ERROR_SUCCESS);
  if (!IsArchiveFile(path.c_str())) return GetLastError() == ERROR_NOT_ENOUGH_MEMORY ? E_OUTOFMEMORY : E_UNEXPECTED;
  FindFolderIcon(path);
  RETURN_IF_FAILED(LoadTree(path));
  m_strArchivePath = path;
  return CreateRootFolder();
}
CATCH_RETURN()

void CzKtrnArchiveObject::FindFolderIcon(const std::string& path) noexcept try {
  SHFILEINFOA info{};
  if (SHGetFileInfoA(IconPathBeside(path).c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX)) {
    m_iIcon = info.iIcon;
    return;
  }
  info = SHFILEINFOA{};
  if (SHGetFileInfoA("", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES))
    m_iIcon = info.iIcon;
} catch (const std::bad_alloc&) {
  // Without an icon of its own the archive keeps the one it has.
}

// Reads the catalogue, keeps where each entry lies, and adds every entry to
// the tree in catalogue order. An unreadable catalogue is E_FAIL, or
// E_ACCESSDENIED when the file could not be opened for that reason; running
// out of memory throws, and the entries added before stay in the tree, which
// goes with the object.
HRESULT CzKtrnArchiveObject::LoadTree(const std::string& path) {
  CDiskFile file;
  SetLastError(ERROR_SUCCESS);
  if (!file.OpenForReading(path.c_str())) {
    DWORD error = GetLastError();
    return error == ERROR_ACCESS_DENIED ? E_ACCESSDENIED : error == ERROR_NOT_ENOUGH_MEMORY ? E_OUTOFMEMORY : E_FAIL;
  }
  auto snapshot = std::make_shared<Snapshot>();
  BYTE version = 0;
  DWORD index = 0;
  // Each record goes into the tree as it is read: the names are never kept
  // apart from the tree.
  auto addToTree = [this, &index](const CatalogueRecord& record) {
    m_rootNode.AddPath(record.name, index++, FILE_ATTRIBUTE_NORMAL, record.unpackedLength,
                       FileTimeFromUnixSeconds(record.modificationTime));
  };
  RETURN_HR_IF(E_FAIL, !file.GetStamp(snapshot->stamp) ||
                           !ReadArchiveLayout(file, 0, version, snapshot->layout, addToTree));
  m_pSnapshot = std::move(snapshot);
  // The tree is complete: every folder is put in name order once, now.
  m_rootNode.Seal();
  return S_OK;
}

HRESULT CzKtrnArchiveObject::CreateRootFolder() noexcept {
  ComPtr<CzKtrnArchiveFolder> root = NewComObject<CzKtrnArchiveFolder>();
  RETURN_IF_NULL_ALLOC(root);
  const BYTE emptyList[2] = {0, 0};
  RETURN_HR_IF(E_OUTOFMEMORY, !root->Bind(this, reinterpret_cast<LPCITEMIDLIST>(emptyList), &m_rootNode));
  m_pRootFolder = std::move(root);
  return S_OK;
}

STDMETHODIMP CzKtrnArchiveObject::get_archiveRootFolder(IUnknown** pVal) noexcept {
  RETURN_HR_IF_NULL(E_POINTER, pVal);
  *pVal = nullptr;
  // Only an object whose bind failed has no root folder, and the factory
  // never hands such an object out.
  RETURN_HR_IF_NULL(E_UNEXPECTED, m_pRootFolder);
  return m_pRootFolder->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(pVal));
}

std::shared_ptr<const CzKtrnArchiveObject::Snapshot> CzKtrnArchiveObject::SnapshotOf(CDiskFile& file) {
  FileStamp stamp;
  if (!file.GetStamp(stamp)) return nullptr;
  {
    std::lock_guard<std::mutex> hold(m_snapshotLock);
    if (m_pSnapshot && m_pSnapshot->stamp == stamp) return m_pSnapshot;
  }
  // The file changed since it was read: read it again, as it is now.
  auto fresh = std::make_shared<Snapshot>();
  fresh->stamp = stamp;
  BYTE version = 0;
  Catalogue catalogue;
  if (!ReadArchiveLayout(file, 0, version, catalogue, fresh->layout)) return nullptr;
  std::lock_guard<std::mutex> hold(m_snapshotLock);
  m_pSnapshot = fresh;
  return fresh;
}

CzKtrnArchiveObject::ExtractResult CzKtrnArchiveObject::ExtractTo(int index, CByteFile& output) noexcept {
  CDiskFile file;
  if (!file.OpenForReading(m_strArchivePath.c_str()))
    return GetLastError() == ERROR_NOT_ENOUGH_MEMORY ? ExtractResult::OutOfMemory : ExtractResult::ArchiveUnreadable;
  std::shared_ptr<const Snapshot> snapshot;
  try {
    snapshot = SnapshotOf(file);
  } catch (const std::bad_alloc&) {
    return ExtractResult::OutOfMemory;
  }
  if (!snapshot) return ExtractResult::EntryFailed;
  std::unique_ptr<CDecoderBuffers> buffers = m_decoderBuffers.Take();
  if (!buffers) return ExtractResult::OutOfMemory;
  std::int32_t decoded = ExtractLaidOutEntry(file, snapshot->layout, index, output, *buffers);
  m_decoderBuffers.Give(std::move(buffers));
  return decoded < 0 ? ExtractResult::EntryFailed : ExtractResult::Done;
}

// The entry is decoded straight into a file beside the target, in the
// decoder's buffers whatever its size (a large one written on a second
// thread while the rest decodes), and takes the target's place only
// when it decoded to its catalogue length: a failure leaves nothing at the
// target (or the file that was there) and no file beside it.
STDMETHODIMP CzKtrnArchiveObject::ExtractFile(int nIndex, LPWSTR lpszPath) noexcept {
  RETURN_HR_IF_NULL(E_FAIL, lpszPath);
  CStagedFile output;
  RETURN_HR_IF(E_FAIL, !output.Create(reinterpret_cast<const char*>(lpszPath)));
  CWriteBehindFile writes(output);
  RETURN_HR_IF(E_FAIL, ExtractTo(nIndex, writes) != ExtractResult::Done || !writes.Finish());
  RETURN_HR_IF(E_FAIL, !output.Commit());
  return S_OK;
}

}  // namespace qor
