// zKtrnArchiveLink: a saved place inside an archive (a stored file or a
// folder), named by the archive file's path and the path inside it and kept
// as one key of a small profile file:
//   [zKtrnArchiveLink]
//   Path=C:\data\x.arc/docs\a.txt
// A host gives it the shell's absolute list of the place, saves it, and later
// loads it and resolves it to the archive's root folder and the list of the
// place inside. It holds no interface between calls.
#pragma once

#include <string>

#include "shell/ComObject.h"

namespace qor {

class CzKtrnArchiveLink final : public ComObject<CzKtrnArchiveLink, IzKtrnArchiveLink, IPersistFile> {
 public:
  CzKtrnArchiveLink() noexcept = default;

  // The factory behind QORCreateLinkObject: only IzKtrnArchiveLink is handed
  // out by it.
  static HRESULT Create(REFIID riid, void** ppv) noexcept;

  // IzKtrnArchiveLink
  STDMETHODIMP SetIDList(LPCITEMIDLIST pidl) noexcept override;
  STDMETHODIMP GetIDList(LPITEMIDLIST*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Resolve(IUnknown** ppunk, LPITEMIDLIST* ppidl) noexcept override;

  // IPersistFile
  STDMETHODIMP GetClassID(CLSID* pClassID) noexcept override;
  STDMETHODIMP IsDirty() noexcept override { return m_bDirty ? S_OK : S_FALSE; }
  STDMETHODIMP Load(LPCOLESTR pszFileName, DWORD dwMode) noexcept override;
  STDMETHODIMP Save(LPCOLESTR pszFileName, BOOL fRemember) noexcept override;
  STDMETHODIMP SaveCompleted(LPCOLESTR) noexcept override { return S_OK; }
  STDMETHODIMP GetCurFile(LPOLESTR*) noexcept override { return E_NOTIMPL; }

 private:
  ~CzKtrnArchiveLink() override = default;

  std::string m_strLinkFile;  // loaded, or saved with its name remembered
  bool m_bDirty = false;      // changed since it was last saved and remembered
  std::string m_strArchive;   // the archive file's path
  std::string m_strInnerPath; // item names joined by '\', empty for the root
};

}  // namespace qor
