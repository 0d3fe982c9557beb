#include "shell/CzKtrnArchiveEnumFormatEtc.h"

#include <algorithm>

#include "platform/ResultMacros.h"

namespace qor {

HRESULT CzKtrnArchiveEnumFormatEtc::SetFormats(ULONG count, const FORMATETC* formats) noexcept try {
  RETURN_HR_IF(E_INVALIDARG, count != 0 && !formats);
  std::vector<FORMATETC> copies(formats, formats + count);
  m_formats.swap(copies);
  m_iCurrent = 0;
  return S_OK;
}
CATCH_RETURN()

STDMETHODIMP CzKtrnArchiveEnumFormatEtc::Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) noexcept {
  const ULONG left = static_cast<ULONG>(m_formats.size()) - m_iCurrent;
  const ULONG n = std::min(celt, left);
  RETURN_HR_IF(E_POINTER, n != 0 && !rgelt);
  std::copy_n(m_formats.begin() + m_iCurrent, n, rgelt);
  m_iCurrent += n;
  if (pceltFetched) *pceltFetched = n;
  return n == celt && left != 0 ? S_OK : S_FALSE;
}

STDMETHODIMP CzKtrnArchiveEnumFormatEtc::Skip(ULONG celt) noexcept {
  const auto count = static_cast<ULONG>(m_formats.size());
  if (celt > count - m_iCurrent) {
    m_iCurrent = count;
    return S_FALSE;
  }
  m_iCurrent += celt;
  return S_OK;
}

STDMETHODIMP CzKtrnArchiveEnumFormatEtc::Reset() noexcept {
  m_iCurrent = 0;
  return S_OK;
}

STDMETHODIMP CzKtrnArchiveEnumFormatEtc::Clone(IEnumFORMATETC** ppenum) noexcept {
  if (ppenum) *ppenum = nullptr;
  return E_NOTIMPL;
}

}  // namespace qor
