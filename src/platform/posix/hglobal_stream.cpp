// A stream over a global memory block, and the release of a storage medium.
#include "platform/win32.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

class HGlobalStream final : public IStream {
 public:
  HGlobalStream(HGLOBAL block, bool deleteOnRelease)
      : m_block(block), m_deleteOnRelease(deleteOnRelease), m_size(GlobalSize(block)) {}

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISequentialStream) || IsEqualIID(riid, IID_IStream)) {
      *ppv = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_references; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG count = --m_references;
    if (count == 0) {
      if (m_deleteOnRelease) GlobalFree(m_block);
      delete this;
    }
    return count;
  }

  STDMETHODIMP Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    ULONG n = m_position >= m_size ? 0 : static_cast<ULONG>(std::min<ULONGLONG>(cb, m_size - m_position));
    if (n != 0) {
      auto* bytes = static_cast<const unsigned char*>(GlobalLock(m_block));
      if (!bytes) return E_FAIL;
      std::memcpy(pv, bytes + m_position, n);
      GlobalUnlock(m_block);
    }
    m_position += n;
    if (pcbRead) *pcbRead = n;
    return S_OK;
  }
  STDMETHODIMP Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    ULONGLONG end = m_position + cb;
    if (end > m_size && FAILED(Resize(end))) return STG_E_MEDIUMFULL;
    if (cb != 0) {
      auto* bytes = static_cast<unsigned char*>(GlobalLock(m_block));
      if (!bytes) return E_FAIL;
      std::memcpy(bytes + m_position, pv, cb);
      GlobalUnlock(m_block);
    }
    m_position = end;
    if (pcbWritten) *pcbWritten = cb;
    return S_OK;
  }
  STDMETHODIMP Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override {
    LONGLONG from = dwOrigin == STREAM_SEEK_SET   ? 0
                    : dwOrigin == STREAM_SEEK_CUR ? static_cast<LONGLONG>(m_position)
                    : dwOrigin == STREAM_SEEK_END ? static_cast<LONGLONG>(m_size)
                                                  : -1;
    if (from < 0) return STG_E_INVALIDFUNCTION;
    LONGLONG to = from + dlibMove.QuadPart;
    if (to < 0) return STG_E_INVALIDFUNCTION;
    m_position = static_cast<ULONGLONG>(to);
    if (plibNewPosition) plibNewPosition->QuadPart = m_position;
    return S_OK;
  }
  STDMETHODIMP SetSize(ULARGE_INTEGER libNewSize) override { return Resize(libNewSize.QuadPart); }
  STDMETHODIMP CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP Commit(DWORD) override { return S_OK; }
  STDMETHODIMP Revert() override { return S_OK; }
  STDMETHODIMP LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  STDMETHODIMP UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
  STDMETHODIMP Stat(STATSTG* pstatstg, DWORD) override {
    if (!pstatstg) return STG_E_INVALIDPOINTER;
    *pstatstg = STATSTG{};
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart = m_size;
    return S_OK;
  }
  STDMETHODIMP Clone(IStream** ppstm) override {
    if (ppstm) *ppstm = nullptr;
    return E_NOTIMPL;
  }

 private:
  HRESULT Resize(ULONGLONG size) {
    if (size > 0xFFFFFFFFu) return STG_E_MEDIUMFULL;
    if (!GlobalReAlloc(m_block, static_cast<SIZE_T>(size), GMEM_MOVEABLE)) return E_OUTOFMEMORY;
    m_size = size;
    return S_OK;
  }

  ULONG m_references = 1;
  HGLOBAL m_block;
  bool m_deleteOnRelease;
  ULONGLONG m_size;
  ULONGLONG m_position = 0;
};

}  // namespace

STDAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm) {
  if (!ppstm) return E_INVALIDARG;
  *ppstm = nullptr;
  HGLOBAL block = hGlobal ? hGlobal : GlobalAlloc(GMEM_MOVEABLE, 0);
  if (!block) return E_OUTOFMEMORY;
  auto* stream = new (std::nothrow) HGlobalStream(block, fDeleteOnRelease != FALSE);
  if (!stream) {
    if (!hGlobal) GlobalFree(block);
    return E_OUTOFMEMORY;
  }
  *ppstm = stream;
  return S_OK;
}

STDAPI_(void) ReleaseStgMedium(LPSTGMEDIUM pmedium) {
  if (!pmedium) return;
  if (pmedium->tymed == TYMED_HGLOBAL && !pmedium->pUnkForRelease && pmedium->hGlobal) GlobalFree(pmedium->hGlobal);
  if (pmedium->tymed == TYMED_ISTREAM && pmedium->pstm) pmedium->pstm->Release();
  if (pmedium->pUnkForRelease) pmedium->pUnkForRelease->Release();
  pmedium->tymed = TYMED_NULL;
  pmedium->hGlobal = nullptr;
  pmedium->pUnkForRelease = nullptr;
}
