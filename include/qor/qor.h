/* QOR's public interface for host programs, in C and C++: the exported
 * functions, the identifiers of the library's classes and interfaces, and its
 * custom interfaces in the slot order of the type library ARFOLDERLib. The
 * exported class QORITEMIDLIST, which reads the records inside item-ID lists,
 * is C++ and has a header of its own (qor/QORITEMIDLIST.h).
 *
 * Item-ID lists handed out by the library belong to the receiver and are
 * freed with the shell task allocator.
 *
 * In C the identifiers are declared with DEFINE_GUID: exactly one
 * translation unit of the host includes <initguid.h> before this header, and
 * so defines them. In C++ they are constants of their own. Interfaces are
 * called in C through their vtable, with the usual helper macros
 * (IzKtrnArchiveFolder_ExtractFile(p, ...) and the like). */
#ifndef QOR_QOR_H
#define QOR_QOR_H

#include "qor/winapi.h"
#include "qor/guids.h"

#ifdef __cplusplus
#define QOR_GUID_CXX_(d1, d2, d3, b0, b1, b2, b3, b4, b5, b6, b7) \
  GUID { d1, d2, d3, { b0, b1, b2, b3, b4, b5, b6, b7 } }
#define QOR_GUID_CXX(value) QOR_GUID_CXX_(value)
#define QOR_DECLARE_GUID(type, name) inline constexpr type name = QOR_GUID_CXX(QOR_GUID_VALUE_##name)
#else
#define QOR_DEFINE_GUID_(name, d1, d2, d3, b0, b1, b2, b3, b4, b5, b6, b7) \
  DEFINE_GUID(name, d1, d2, d3, b0, b1, b2, b3, b4, b5, b6, b7)
#define QOR_DEFINE_GUID(name, value) QOR_DEFINE_GUID_(name, value)
#define QOR_DECLARE_GUID(type, name) QOR_DEFINE_GUID(name, QOR_GUID_VALUE_##name)
#endif

QOR_DECLARE_GUID(GUID, LIBID_ARFOLDERLib);
QOR_DECLARE_GUID(CLSID, CLSID_zKtrnArchiveFolder);
QOR_DECLARE_GUID(IID, IID_IzKtrnArchiveFolder);
QOR_DECLARE_GUID(CLSID, CLSID_zKtrnArchiveObject);
QOR_DECLARE_GUID(IID, IID_IzKtrnArchiveObject);
QOR_DECLARE_GUID(CLSID, CLSID_zKtrnArchiveEnumIDList);
QOR_DECLARE_GUID(IID, IID_IzKtrnArchiveEnumIDList);
QOR_DECLARE_GUID(CLSID, CLSID_zKtrnArchiveDataObject);
QOR_DECLARE_GUID(IID, IID_IzKtrnArchiveDataObject);
QOR_DECLARE_GUID(CLSID, CLSID_zKtrnArchiveLink);
QOR_DECLARE_GUID(IID, IID_IzKtrnArchiveLink);

/* In C each interface's vtable lists IUnknown's three methods first; in C++
 * they come from the base class. */
#if defined(__cplusplus) && !defined(CINTERFACE)
#define QOR_IUNKNOWN_METHODS
#else
#define QOR_IUNKNOWN_METHODS                                             \
  STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE; \
  STDMETHOD_(ULONG, AddRef)(THIS) PURE;                                  \
  STDMETHOD_(ULONG, Release)(THIS) PURE;
#endif

/* A folder of an opened archive (the root or any folder inside it). */
#undef INTERFACE
#define INTERFACE IzKtrnArchiveFolder
DECLARE_INTERFACE_(IzKtrnArchiveFolder, IUnknown) {
  QOR_IUNKNOWN_METHODS
  STDMETHOD(GetLastModifiedTime)(THIS_ LPCITEMIDLIST pidl, FILETIME* pVal) PURE;
  STDMETHOD(GetFileSize)(THIS_ LPCITEMIDLIST pidl, ULONG* pVal) PURE;
  STDMETHOD(GetFullQualifiedPIDL)(THIS_ LPITEMIDLIST* ppidl) PURE;
  /* lpszFile is typed as a wide string, but its bytes are read as a narrow
   * path in the system code page. The file appears at that path only when
   * complete. This method, and the archive object's, may be called from
   * several threads at once while the caller holds its references. */
  STDMETHOD(ExtractFile)(THIS_ LPCITEMIDLIST pidl, LPWSTR lpszFile) PURE;
};

/* One opened archive file. */
#undef INTERFACE
#define INTERFACE IzKtrnArchiveObject
DECLARE_INTERFACE_(IzKtrnArchiveObject, IUnknown) {
  QOR_IUNKNOWN_METHODS
  STDMETHOD(BindToArchive)(THIS_ BSTR archivePath) PURE;
  STDMETHOD(get_archiveRootFolder)(THIS_ IUnknown** pVal) PURE;
  /* lpszPath: a narrow path in the system code page, despite its type. Safe
   * to call from several threads at once, as the folder's ExtractFile. */
  STDMETHOD(ExtractFile)(THIS_ int nIndex, LPWSTR lpszPath) PURE;
};

#undef INTERFACE
#define INTERFACE IzKtrnArchiveEnumIDList
DECLARE_INTERFACE_(IzKtrnArchiveEnumIDList, IUnknown) {
  QOR_IUNKNOWN_METHODS
};

#undef INTERFACE
#define INTERFACE IzKtrnArchiveDataObject
DECLARE_INTERFACE_(IzKtrnArchiveDataObject, IUnknown) {
  QOR_IUNKNOWN_METHODS
};

/* A saved place inside an archive. */
#undef INTERFACE
#define INTERFACE IzKtrnArchiveLink
DECLARE_INTERFACE_(IzKtrnArchiveLink, IUnknown) {
  QOR_IUNKNOWN_METHODS
  STDMETHOD(SetIDList)(THIS_ LPCITEMIDLIST pidl) PURE;
  STDMETHOD(GetIDList)(THIS_ LPITEMIDLIST* ppidl) PURE;
  STDMETHOD(Resolve)(THIS_ IUnknown** ppunk, LPITEMIDLIST* ppidl) PURE;
};
#undef INTERFACE

#if !defined(__cplusplus) || defined(CINTERFACE)
#define IzKtrnArchiveFolder_QueryInterface(This, riid, ppv) ((This)->lpVtbl->QueryInterface(This, riid, ppv))
#define IzKtrnArchiveFolder_AddRef(This) ((This)->lpVtbl->AddRef(This))
#define IzKtrnArchiveFolder_Release(This) ((This)->lpVtbl->Release(This))
#define IzKtrnArchiveFolder_GetLastModifiedTime(This, pidl, pVal) ((This)->lpVtbl->GetLastModifiedTime(This, pidl, pVal))
#define IzKtrnArchiveFolder_GetFileSize(This, pidl, pVal) ((This)->lpVtbl->GetFileSize(This, pidl, pVal))
#define IzKtrnArchiveFolder_GetFullQualifiedPIDL(This, ppidl) ((This)->lpVtbl->GetFullQualifiedPIDL(This, ppidl))
#define IzKtrnArchiveFolder_ExtractFile(This, pidl, lpszFile) ((This)->lpVtbl->ExtractFile(This, pidl, lpszFile))

#define IzKtrnArchiveObject_QueryInterface(This, riid, ppv) ((This)->lpVtbl->QueryInterface(This, riid, ppv))
#define IzKtrnArchiveObject_AddRef(This) ((This)->lpVtbl->AddRef(This))
#define IzKtrnArchiveObject_Release(This) ((This)->lpVtbl->Release(This))
#define IzKtrnArchiveObject_BindToArchive(This, archivePath) ((This)->lpVtbl->BindToArchive(This, archivePath))
#define IzKtrnArchiveObject_get_archiveRootFolder(This, pVal) ((This)->lpVtbl->get_archiveRootFolder(This, pVal))
#define IzKtrnArchiveObject_ExtractFile(This, nIndex, lpszPath) ((This)->lpVtbl->ExtractFile(This, nIndex, lpszPath))

#define IzKtrnArchiveEnumIDList_QueryInterface(This, riid, ppv) ((This)->lpVtbl->QueryInterface(This, riid, ppv))
#define IzKtrnArchiveEnumIDList_AddRef(This) ((This)->lpVtbl->AddRef(This))
#define IzKtrnArchiveEnumIDList_Release(This) ((This)->lpVtbl->Release(This))

#define IzKtrnArchiveDataObject_QueryInterface(This, riid, ppv) ((This)->lpVtbl->QueryInterface(This, riid, ppv))
#define IzKtrnArchiveDataObject_AddRef(This) ((This)->lpVtbl->AddRef(This))
#define IzKtrnArchiveDataObject_Release(This) ((This)->lpVtbl->Release(This))

#define IzKtrnArchiveLink_QueryInterface(This, riid, ppv) ((This)->lpVtbl->QueryInterface(This, riid, ppv))
#define IzKtrnArchiveLink_AddRef(This) ((This)->lpVtbl->AddRef(This))
#define IzKtrnArchiveLink_Release(This) ((This)->lpVtbl->Release(This))
#define IzKtrnArchiveLink_SetIDList(This, pidl) ((This)->lpVtbl->SetIDList(This, pidl))
#define IzKtrnArchiveLink_GetIDList(This, ppidl) ((This)->lpVtbl->GetIDList(This, ppidl))
#define IzKtrnArchiveLink_Resolve(This, ppunk, ppidl) ((This)->lpVtbl->Resolve(This, ppunk, ppidl))
#endif

/* Exported functions. On Windows the Dll* entry points are also declared by
 * the SDK with the same signatures. */
STDAPI QORCreateObject(LPCSTR archivePath, REFIID riid, void** ppv);
STDAPI QORCreateLinkObject(REFIID riid, void** ppv);
STDAPI DllCanUnloadNow(void);
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);

/* The exported functions' types, for hosts that load the library at run
 * time and find them by name. */
typedef HRESULT(STDAPICALLTYPE* PFN_QORCreateObject)(LPCSTR archivePath, REFIID riid, void** ppv);
typedef HRESULT(STDAPICALLTYPE* PFN_QORCreateLinkObject)(REFIID riid, void** ppv);
typedef HRESULT(STDAPICALLTYPE* PFN_QORDllEntryPoint)(void);
typedef HRESULT(STDAPICALLTYPE* PFN_QORDllGetClassObject)(REFCLSID rclsid, REFIID riid, void** ppv);

#endif
