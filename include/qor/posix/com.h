// Component-model interfaces of the POSIX stand-in, in the Windows method
// order. Only the methods' order and signatures matter: a vtable built here
// has the same slots as the one the SDK declares.
#pragma once
#pragma GCC system_header

#include "qor/posix/base_types.h"

#define interface struct
#define PURE = 0
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define DECLARE_INTERFACE_(iface, baseiface) struct iface : public baseiface
#define THIS_
#define THIS void

extern "C" const IID IID_IUnknown;
extern "C" const IID IID_IMalloc;
extern "C" const IID IID_ISequentialStream;
extern "C" const IID IID_IStream;
extern "C" const IID IID_IPersist;
extern "C" const IID IID_IPersistFile;
extern "C" const IID IID_IDataObject;
extern "C" const IID IID_IEnumFORMATETC;
extern "C" const GUID GUID_NULL;

struct IBindCtx;
struct IAdviseSink;
struct IEnumSTATDATA;
struct IStorage;

struct IUnknown {
  STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) PURE;
  STDMETHOD_(ULONG, AddRef)() PURE;
  STDMETHOD_(ULONG, Release)() PURE;
};
using LPUNKNOWN = IUnknown*;

struct IMalloc : IUnknown {
  STDMETHOD_(void*, Alloc)(SIZE_T cb) PURE;
  STDMETHOD_(void*, Realloc)(void* pv, SIZE_T cb) PURE;
  STDMETHOD_(void, Free)(void* pv) PURE;
  STDMETHOD_(SIZE_T, GetSize)(void* pv) PURE;
  STDMETHOD_(int, DidAlloc)(void* pv) PURE;
  STDMETHOD_(void, HeapMinimize)() PURE;
};
using LPMALLOC = IMalloc*;

struct STATSTG {
  LPOLESTR pwcsName;
  DWORD type;
  ULARGE_INTEGER cbSize;
  FILETIME mtime;
  FILETIME ctime;
  FILETIME atime;
  DWORD grfMode;
  DWORD grfLocksSupported;
  CLSID clsid;
  DWORD grfStateBits;
  DWORD reserved;
};

#define STREAM_SEEK_SET 0u
#define STREAM_SEEK_CUR 1u
#define STREAM_SEEK_END 2u
#define STATFLAG_DEFAULT 0u
#define STATFLAG_NONAME 1u
#define STGTY_STREAM 2u

struct ISequentialStream : IUnknown {
  STDMETHOD(Read)(void* pv, ULONG cb, ULONG* pcbRead) PURE;
  STDMETHOD(Write)(const void* pv, ULONG cb, ULONG* pcbWritten) PURE;
};

struct IStream : ISequentialStream {
  STDMETHOD(Seek)(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) PURE;
  STDMETHOD(SetSize)(ULARGE_INTEGER libNewSize) PURE;
  STDMETHOD(CopyTo)(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten) PURE;
  STDMETHOD(Commit)(DWORD grfCommitFlags) PURE;
  STDMETHOD(Revert)() PURE;
  STDMETHOD(LockRegion)(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) PURE;
  STDMETHOD(UnlockRegion)(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) PURE;
  STDMETHOD(Stat)(STATSTG* pstatstg, DWORD grfStatFlag) PURE;
  STDMETHOD(Clone)(IStream** ppstm) PURE;
};
using LPSTREAM = IStream*;

struct DVTARGETDEVICE {
  DWORD tdSize;
  WORD tdDriverNameOffset;
  WORD tdDeviceNameOffset;
  WORD tdPortNameOffset;
  WORD tdExtDevmodeOffset;
  BYTE tdData[1];
};

struct FORMATETC {
  CLIPFORMAT cfFormat;
  DVTARGETDEVICE* ptd;
  DWORD dwAspect;
  LONG lindex;
  DWORD tymed;
};
using LPFORMATETC = FORMATETC*;

struct STGMEDIUM {
  DWORD tymed;
  union {
    void* hBitmap;
    void* hMetaFilePict;
    void* hEnhMetaFile;
    HGLOBAL hGlobal;
    LPOLESTR lpszFileName;
    IStream* pstm;
    IStorage* pstg;
  };
  IUnknown* pUnkForRelease;
};
using LPSTGMEDIUM = STGMEDIUM*;

#define DVASPECT_CONTENT 1u
#define DVASPECT_THUMBNAIL 2u
#define DVASPECT_ICON 4u
#define DVASPECT_DOCPRINT 8u
#define TYMED_HGLOBAL 1u
#define TYMED_FILE 2u
#define TYMED_ISTREAM 4u
#define TYMED_ISTORAGE 8u
#define TYMED_NULL 0u
#define DATADIR_GET 1u
#define DATADIR_SET 2u

struct IEnumFORMATETC : IUnknown {
  STDMETHOD(Next)(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) PURE;
  STDMETHOD(Skip)(ULONG celt) PURE;
  STDMETHOD(Reset)() PURE;
  STDMETHOD(Clone)(IEnumFORMATETC** ppenum) PURE;
};

struct IDataObject : IUnknown {
  STDMETHOD(GetData)(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) PURE;
  STDMETHOD(GetDataHere)(FORMATETC* pformatetc, STGMEDIUM* pmedium) PURE;
  STDMETHOD(QueryGetData)(FORMATETC* pformatetc) PURE;
  STDMETHOD(GetCanonicalFormatEtc)(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) PURE;
  STDMETHOD(SetData)(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) PURE;
  STDMETHOD(EnumFormatEtc)(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) PURE;
  STDMETHOD(DAdvise)(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink, DWORD* pdwConnection) PURE;
  STDMETHOD(DUnadvise)(DWORD dwConnection) PURE;
  STDMETHOD(EnumDAdvise)(IEnumSTATDATA** ppenumAdvise) PURE;
};

// A stream over a global memory block: its size starts as the block's, it
// grows the block as it is written, and with fDeleteOnRelease it frees the
// block when the last reference goes. A null hGlobal gets a new empty block.
STDAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm);
// Frees what a medium holds: a global block (unless pUnkForRelease owns it)
// or a stream reference.
STDAPI_(void) ReleaseStgMedium(LPSTGMEDIUM pmedium);

struct IPersist : IUnknown {
  STDMETHOD(GetClassID)(CLSID* pClassID) PURE;
};

struct IPersistFile : IPersist {
  STDMETHOD(IsDirty)() PURE;
  STDMETHOD(Load)(LPCOLESTR pszFileName, DWORD dwMode) PURE;
  STDMETHOD(Save)(LPCOLESTR pszFileName, BOOL fRemember) PURE;
  STDMETHOD(SaveCompleted)(LPCOLESTR pszFileName) PURE;
  STDMETHOD(GetCurFile)(LPOLESTR* ppszFileName) PURE;
};
