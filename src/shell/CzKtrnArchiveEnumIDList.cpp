#include "shell/CzKtrnArchiveEnumIDList.h"

#include "itemid/Pidl.h"
#include "platform/ResultMacros.h"
#include "qor/QORITEMIDLIST.h"
#include "shell/CzKtrnArchiveFolder.h"
#include "shell/CzKtrnArchiveObject.h"

namespace qor {

CzKtrnArchiveEnumIDList::~CzKtrnArchiveEnumIDList() = default;

HRESULT CzKtrnArchiveEnumIDList::Initialize(CzKtrnArchiveFolder* folder, SHCONTF grfFlags) noexcept {
  m_grfFlags = grfFlags;
  m_pFolder = ComPtr<CzKtrnArchiveFolder>(folder);
  m_pArchive = ComPtr<CzKtrnArchiveObject>(folder && folder->IsBound() ? folder->Archive() : nullptr);
  return Reset();
}

const CArchiveNode* CzKtrnArchiveEnumIDList::Node() const noexcept {
  return m_pFolder && m_pFolder->IsBound() ? m_pFolder->Node() : nullptr;
}

// Folders come with SHCONTF_FOLDERS, everything else with SHCONTF_NONFOLDERS;
// nothing in an archive is hidden. An item that is not an archive record
// reads as a folder.
bool CzKtrnArchiveEnumIDList::Admits(const ArchiveEntry& child) const noexcept {
  bool folder = child.record->getAttributes() & FILE_ATTRIBUTE_DIRECTORY;
  return m_grfFlags & (folder ? SHCONTF_FOLDERS : SHCONTF_NONFOLDERS);
}

STDMETHODIMP CzKtrnArchiveEnumIDList::Next(ULONG celt, PITEMID_CHILD* rgelt, ULONG* pceltFetched) noexcept {
  ULONG fetched = 0;
  if (pceltFetched) *pceltFetched = 0;
  const CArchiveNode* node = Node();
  RETURN_HR_IF_NULL(E_UNEXPECTED, node);
  if (celt == 0) return S_OK;
  RETURN_HR_IF_NULL(E_POINTER, rgelt);
  while (fetched < celt) {
    if (m_itCurrent == node->end()) break;
    const ArchiveEntry& child = *m_itCurrent++;
    if (!Admits(child)) continue;
    ITEMIDLIST* copy = PidlCopy(reinterpret_cast<LPCITEMIDLIST>(child.record));
    if (!copy) {
      // The child stays unread, so that a later call can hand it out.
      --m_itCurrent;
      if (pceltFetched) *pceltFetched = fetched;
      return fetched ? S_FALSE : E_OUTOFMEMORY;
    }
    rgelt[fetched++] = copy;
    if (pceltFetched) *pceltFetched = fetched;
  }
  return fetched == celt ? S_OK : S_FALSE;
}

STDMETHODIMP CzKtrnArchiveEnumIDList::Skip(ULONG celt) noexcept {
  const CArchiveNode* node = Node();
  RETURN_HR_IF_NULL(E_UNEXPECTED, node);
  for (ULONG passed = 0; passed < celt && m_itCurrent != node->end();)
    if (Admits(*m_itCurrent++)) ++passed;
  return S_OK;
}

STDMETHODIMP CzKtrnArchiveEnumIDList::Reset() noexcept {
  const CArchiveNode* node = Node();
  RETURN_HR_IF_NULL(E_UNEXPECTED, node);
  m_itCurrent = node->begin();
  return S_OK;
}

}  // namespace qor
