// zKtrnArchiveEnumIDList: the IEnumIDList of an archive folder. It walks the
// children of the folder's node in the tree's own order (exact order of
// names, folders and files mixed) and hands out, for each child the SHCONTF
// flags admit, a copy of its record as a one-item list that the caller frees.
//
// The enumerator holds its folder and the folder's archive object, so the
// archive stays open while the enumerator lives, whichever folder made it
// (the root folder alone does not keep its archive alive). Its position is
// an iterator of the node's children: the tree never changes while the
// archive is open.
#pragma once

#include "catalog/ArchiveNode.h"
#include "shell/ComObject.h"

namespace qor {

class CzKtrnArchiveFolder;
class CzKtrnArchiveObject;

class CzKtrnArchiveEnumIDList final : public ComObject<CzKtrnArchiveEnumIDList, IEnumIDList> {
 public:
  CzKtrnArchiveEnumIDList() noexcept = default;

  // Takes a reference to folder and to its archive object, keeps the flags
  // and starts at the first child; fails (E_UNEXPECTED) for an unbound
  // folder.
  HRESULT Initialize(CzKtrnArchiveFolder* folder, SHCONTF grfFlags) noexcept;

  STDMETHODIMP Next(ULONG celt, PITEMID_CHILD* rgelt, ULONG* pceltFetched) noexcept override;
  STDMETHODIMP Skip(ULONG celt) noexcept override;
  STDMETHODIMP Reset() noexcept override;
  STDMETHODIMP Clone(IEnumIDList**) noexcept override { return E_NOTIMPL; }

 private:
  ~CzKtrnArchiveEnumIDList() override;

  // The folder's node while the folder is bound; null otherwise.
  const CArchiveNode* Node() const noexcept;
  bool Admits(const ArchiveEntry& child) const noexcept;

  ComPtr<CzKtrnArchiveFolder> m_pFolder;
  ComPtr<CzKtrnArchiveObject> m_pArchive;
  SHCONTF m_grfFlags = 0;
  CArchiveNode::const_iterator m_itCurrent{};
};

}  // namespace qor
