// zKtrnArchiveFolder: the shell folder of one folder of an opened archive,
// the root or any folder inside it.
//
// It answers from two sources only: the archive's folder tree and the item
// records the tree holds. Every item-ID list it takes and hands out is
// relative to the archive's root and made of archive item records.
//
// A folder is bound once, to its archive object, its path from the archive's
// root and its node of the tree. Sub-folders hold a reference to their
// archive object; the root folder's reference is balanced by the archive
// object, which unbinds the root folder when it is destroyed. A folder whose
// archive is gone counts as unbound and never touches its node again: the
// tree went with the archive. The unbinding is not synchronised with calls
// on other threads: a host that shares an archive between threads holds the
// archive object (or a sub-folder, enumerator or data object) on each thread
// that uses its root folder.
#pragma once

#include <string>

#include "catalog/ArchiveNode.h"
#include "itemid/Pidl.h"
#include "shell/ComObject.h"

namespace qor {

class CzKtrnArchiveObject;

class CzKtrnArchiveFolder final
    : public ComObject<CzKtrnArchiveFolder, IzKtrnArchiveFolder, IShellFolder, IPersistFolder, IShellIcon> {
 public:
  CzKtrnArchiveFolder() noexcept = default;

  // Binds an unbound folder: keeps a counted reference to archive, a copy of
  // pidlFolder (this folder's path from the archive's root) and node. False,
  // changing nothing, when the folder was bound before or the copy fails.
  bool Bind(CzKtrnArchiveObject* archive, LPCITEMIDLIST pidlFolder, const CArchiveNode* node) noexcept;

  // For the archive object's destruction: forgets the archive without
  // releasing it (the root folder's reference was balanced at creation).
  void DetachArchive() noexcept;

  bool IsBound() const noexcept { return m_pArchive && m_pNode; }
  // This folder's node; only while IsBound().
  const CArchiveNode* Node() const noexcept { return m_pArchive ? m_pNode : nullptr; }
  CzKtrnArchiveObject* Archive() const noexcept { return m_pArchive.Get(); }

  // IzKtrnArchiveFolder
  STDMETHODIMP GetLastModifiedTime(LPCITEMIDLIST pidl, FILETIME* pVal) noexcept override;
  STDMETHODIMP GetFileSize(LPCITEMIDLIST pidl, ULONG* pVal) noexcept override;
  STDMETHODIMP GetFullQualifiedPIDL(LPITEMIDLIST* ppidl) noexcept override;
  // Safe to call from several threads at once, as the archive object's.
  STDMETHODIMP ExtractFile(LPCITEMIDLIST pidl, LPWSTR lpszFile) noexcept override;

  // IShellFolder
  STDMETHODIMP ParseDisplayName(HWND hwnd, IBindCtx* pbc, LPWSTR pszDisplayName, ULONG* pchEaten,
                                PIDLIST_RELATIVE* ppidl, ULONG* pdwAttributes) noexcept override;
  STDMETHODIMP EnumObjects(HWND hwnd, SHCONTF grfFlags, IEnumIDList** ppenumIDList) noexcept override;
  STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv) noexcept override;
  STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP CompareIDs(LPARAM lParam, PCUIDLIST_RELATIVE pidl1, PCUIDLIST_RELATIVE pidl2) noexcept override;
  STDMETHODIMP CreateViewObject(HWND, REFIID, void**) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetAttributesOf(UINT cidl, PCUITEMID_CHILD_ARRAY apidl, SFGAOF* rgfInOut) noexcept override;
  STDMETHODIMP GetUIObjectOf(HWND hwndOwner, UINT cidl, PCUITEMID_CHILD_ARRAY apidl, REFIID riid, UINT* rgfReserved,
                             void** ppv) noexcept override;
  STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF uFlags, STRRET* pName) noexcept override;
  STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) noexcept override {
    return E_NOTIMPL;
  }

  // IPersistFolder
  STDMETHODIMP GetClassID(CLSID* pClassID) noexcept override;
  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE) noexcept override { return S_OK; }

  // IShellIcon
  STDMETHODIMP GetIconOf(PCUITEMID_CHILD pidl, UINT flags, int* pIconIndex) noexcept override;

 private:
  ~CzKtrnArchiveFolder() override;

  // The name of a list in parsing form: the archive's path, "/", then the
  // in-archive path of this folder followed by pidl.
  std::string ParsingName(LPCITEMIDLIST pidl) const;

  ComPtr<CzKtrnArchiveObject> m_pArchive;
  UniquePidl m_pidlFolder;
  const CArchiveNode* m_pNode = nullptr;
};

}  // namespace qor
