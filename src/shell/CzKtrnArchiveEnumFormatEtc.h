// zKtrnArchiveEnumFormatEtc: the IEnumFORMATETC of a data object, a list of
// format records copied by value and a position in it.
#pragma once

#include <vector>

#include "shell/ComObject.h"

namespace qor {

class CzKtrnArchiveEnumFormatEtc final : public ComObject<CzKtrnArchiveEnumFormatEtc, IEnumFORMATETC> {
 public:
  CzKtrnArchiveEnumFormatEtc() noexcept = default;

  // Replaces the list by copies of the count records and starts at the
  // first. E_OUTOFMEMORY leaves the old list as it was.
  HRESULT SetFormats(ULONG count, const FORMATETC* formats) noexcept;
  // Gives other a copy of this list, started at its first record.
  HRESULT CopyTo(CzKtrnArchiveEnumFormatEtc& other) const noexcept {
    return other.SetFormats(static_cast<ULONG>(m_formats.size()), m_formats.data());
  }

  STDMETHODIMP Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) noexcept override;
  STDMETHODIMP Skip(ULONG celt) noexcept override;
  STDMETHODIMP Reset() noexcept override;
  STDMETHODIMP Clone(IEnumFORMATETC** ppenum) noexcept override;

 private:
  ~CzKtrnArchiveEnumFormatEtc() override = default;

  std::vector<FORMATETC> m_formats;
  ULONG m_iCurrent = 0;
};

}  // namespace qor
