// zKtrnArchiveDataObject: the IDataObject an archive folder hands out for a
// selection of its items, so that stored files can be copied or dragged out.
// It offers "FileGroupDescriptor" (name, attributes, size and time of every
// selected item) and "FileContents" (the bytes of one stored file), and
// decompresses a stored file only when a consumer asks for its contents.
//
// It holds the folder and the folder's archive object for its whole life,
// so the archive stays open while a copy or drag is pending, whichever
// folder made it (the root folder alone does not keep its archive alive).
#pragma once

#include <vector>

#include "itemid/Pidl.h"
#include "shell/ComObject.h"
#include "shell/CzKtrnArchiveEnumFormatEtc.h"

namespace qor {

class CzKtrnArchiveFolder;
class CzKtrnArchiveObject;

class CzKtrnArchiveDataObject final
    : public ComObject<CzKtrnArchiveDataObject, IzKtrnArchiveDataObject, IDataObject> {
 public:
  CzKtrnArchiveDataObject() noexcept = default;

  // Drops what it held, then takes a reference to folder and to its archive
  // object and a copy of each of the cidl lists, in order, and makes its
  // list of offered formats.
  HRESULT Initialize(CzKtrnArchiveFolder* folder, UINT cidl, PCUITEMID_CHILD_ARRAY apidl) noexcept;

  STDMETHODIMP GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) noexcept override;
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC* pformatetc) noexcept override;
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) noexcept override;
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP DUnadvise(DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) noexcept override { return E_NOTIMPL; }

 private:
  ~CzKtrnArchiveDataObject() override;

  ULONG ItemCount() const noexcept { return static_cast<ULONG>(m_apidl.size()); }
  HRESULT GetFileContents(const FORMATETC& format, STGMEDIUM& medium) const;
  HRESULT GetFileGroupDescriptor(const FORMATETC& format, STGMEDIUM& medium) const;

  ComPtr<CzKtrnArchiveFolder> m_pFolder;
  ComPtr<CzKtrnArchiveObject> m_pArchive;
  std::vector<UniquePidl> m_apidl;
  ComPtr<CzKtrnArchiveEnumFormatEtc> m_pEnumFormat;
};

}  // namespace qor
