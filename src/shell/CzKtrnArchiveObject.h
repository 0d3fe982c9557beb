// CzKtrnArchiveObject: one opened archive file. It owns the archive's folder
// tree and its root folder, and extracts stored files.
//
// Made only through CreateShared (the factory behind QORCreateObject), which
// shares one object per archive path through the registry of open archives.
// The root folder's reference to the object is balanced at creation, so the
// object lives exactly as long as references from outside and from
// sub-folders, enumerators and data objects exist. When it is destroyed it
// first unbinds and releases its root folder, then leaves the registry.
#pragma once

#include <string>

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
  STDMETHODIMP ExtractFile(int nIndex, LPWSTR lpszPath) noexcept override;

  // What the folders take from their archive.
  const std::string& ArchivePath() const noexcept { return m_strArchivePath; }
  int FolderIcon() const noexcept { return m_iIcon; }

 private:
  ~CzKtrnArchiveObject() override;

  void FindFolderIcon(const std::string& path) noexcept;
  HRESULT LoadTree(const std::string& path);
  HRESULT CreateRootFolder() noexcept;

  CArchiveNode m_rootNode;
  std::string m_strArchivePath;
  ComPtr<CzKtrnArchiveFolder> m_pRootFolder;
  int m_iIcon = -1;
};

}  // namespace qor
