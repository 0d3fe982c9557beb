// CzKtrnArchiveObject: one opened archive file. It owns the archive's folder
// tree and its root folder, and extracts stored files.
//
// Made only through CreateShared (the factory behind QORCreateObject), which
// shares one object per archive path through the registry of open archives.
// The root folder's reference to the object is balanced at creation, so the
// object lives exactly as long as references from outside and from
// sub-folders, enumerators and data objects exist. When it is destroyed it
// first unbinds and releases its root folder, then leaves the registry.
//
// Extraction keeps what the bind read: where each entry's stored data lies,
// and the stamp of the archive file it was read from. Each extraction opens
// the file for its own duration only (a user may replace or delete an
// archive that a window shows), compares its stamp, and reads the catalogue
// again only when the file changed; so one entry costs its own bytes, and
// the result is what a fresh reading of the file would give. A file changed
// in place to the same length and last-write time, on the same file, is not
// told apart: the system gives nothing finer to compare.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "archive/ByteFile.h"
#include "archive/DiskFile.h"
#include "archive/ExtractEntry.h"
#include "catalog/ArchiveNode.h"
#include "shell/ComObject.h"

namespace qor {

class CzKtrnArchiveFolder;

class CzKtrnArchiveObject final : public ComObject<CzKtrnArchiveObject, IzKtrnArchiveObject> {
 public:
  CzKtrnArchiveObject() noexcept = default;

  // The archive object of archivePath asked for riid: a live one registered
  // under the path (compared without regard to case) or a new one bound to it.
  static HRESULT CreateShared(LPCSTR archivePath, REFIID riid, void** ppv) noexcept;

  // IzKtrnArchiveObject
  STDMETHODIMP BindToArchive(BSTR archivePath) noexcept override;
  STDMETHODIMP get_archiveRootFolder(IUnknown** pVal) noexcept override;
  // lpszPath holds a narrow path in the system code page, despite its type.
  // The one method that may be called from several threads at once (while
  // the caller holds its references): extracting many files uses every
  // processor.
  STDMETHODIMP ExtractFile(int nIndex, LPWSTR lpszPath) noexcept override;

  // What the folders take from their archive.
  const std::string& ArchivePath() const noexcept { return m_strArchivePath; }
  int FolderIcon() const noexcept { return m_iIcon; }

  enum class ExtractResult {
    Done,
    ArchiveUnreadable,  // the archive file cannot be opened or examined
    EntryFailed,        // the entry does not decode, or its catalogue is refused
    OutOfMemory,        // the decoder's buffers or a fresh reading could not be had
  };
  // Decodes the stored file at catalogue index `index` into output from
  // position 0 on. Safe to call from several threads at once.
  ExtractResult ExtractTo(int index, CByteFile& output) noexcept;

 private:
  // What one reading of the archive file gave for extraction.
  struct Snapshot {
    FileStamp stamp;
    ArchiveLayout layout;
  };

  ~CzKtrnArchiveObject() override;

  void FindFolderIcon(const std::string& path) noexcept;
  HRESULT LoadTree(const std::string& path);
  HRESULT CreateRootFolder() noexcept;
  // The snapshot that matches the open archive file: the kept one, or a
  // fresh reading when the file changed; null when the file cannot be read
  // as an archive. Throws std::bad_alloc.
  std::shared_ptr<const Snapshot> SnapshotOf(CDiskFile& file);

  CArchiveNode m_rootNode;
  std::string m_strArchivePath;
  ComPtr<CzKtrnArchiveFolder> m_pRootFolder;
  int m_iIcon = -1;
  bool m_registered = false;  // entered into the registry of open archives
  std::mutex m_snapshotLock;
  std::shared_ptr<const Snapshot> m_pSnapshot;  // guarded by m_snapshotLock
  CDecoderBufferPool m_decoderBuffers;
};

}  // namespace qor
