// QOR's public interface for host programs: the exported functions, the
// identifiers of the library's classes and interfaces, and its custom
// interfaces, in the slot order of the type library ARFOLDERLib.
//
// Item-ID lists handed out by the library belong to the receiver and are
// freed with the shell task allocator.
#pragma once

#include "platform/win32.h"
#include "qor/guids.h"

namespace qor::detail {

constexpr unsigned HexDigit(char c) {
  return c >= '0' && c <= '9' ? static_cast<unsigned>(c - '0')
         : c >= 'A' && c <= 'F' ? static_cast<unsigned>(c - 'A' + 10)
         : c >= 'a' && c <= 'f' ? static_cast<unsigned>(c - 'a' + 10)
                                : throw "not a hexadecimal digit";
}
constexpr unsigned long long HexValue(const char* s, int digits) {
  unsigned long long value = 0;
  for (int i = 0; i < digits; ++i) value = value * 16 + HexDigit(s[i]);
  return value;
}
// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" as a GUID, at compile time.
constexpr GUID GuidFromString(const char* s) {
  GUID g{};
  g.Data1 = static_cast<decltype(g.Data1)>(HexValue(s, 8));
  g.Data2 = static_cast<WORD>(HexValue(s + 9, 4));
  g.Data3 = static_cast<WORD>(HexValue(s + 14, 4));
  g.Data4[0] = static_cast<BYTE>(HexValue(s + 19, 2));
  g.Data4[1] = static_cast<BYTE>(HexValue(s + 21, 2));
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<BYTE>(HexValue(s + 24 + 2 * i, 2));
  return g;
}

}  // namespace qor::detail

#define QOR_TOKENS_TO_STRING_(tokens) #tokens
#define QOR_TOKENS_TO_STRING(tokens) QOR_TOKENS_TO_STRING_(tokens)
#define QOR_GUID(name) qor::detail::GuidFromString(QOR_TOKENS_TO_STRING(QOR_##name))

inline constexpr GUID LIBID_ARFOLDERLib = QOR_GUID(LIBID_ARFOLDERLib);
inline constexpr CLSID CLSID_zKtrnArchiveFolder = QOR_GUID(CLSID_zKtrnArchiveFolder);
inline constexpr IID IID_IzKtrnArchiveFolder = QOR_GUID(IID_IzKtrnArchiveFolder);
inline constexpr CLSID CLSID_zKtrnArchiveObject = QOR_GUID(CLSID_zKtrnArchiveObject);
inline constexpr IID IID_IzKtrnArchiveObject = QOR_GUID(IID_IzKtrnArchiveObject);
inline constexpr CLSID CLSID_zKtrnArchiveEnumIDList = QOR_GUID(CLSID_zKtrnArchiveEnumIDList);
inline constexpr IID IID_IzKtrnArchiveEnumIDList = QOR_GUID(IID_IzKtrnArchiveEnumIDList);
inline constexpr CLSID CLSID_zKtrnArchiveDataObject = QOR_GUID(CLSID_zKtrnArchiveDataObject);
inline constexpr IID IID_IzKtrnArchiveDataObject = QOR_GUID(IID_IzKtrnArchiveDataObject);
inline constexpr CLSID CLSID_zKtrnArchiveLink = QOR_GUID(CLSID_zKtrnArchiveLink);
inline constexpr IID IID_IzKtrnArchiveLink = QOR_GUID(IID_IzKtrnArchiveLink);

// A folder of an opened archive (the root or any folder inside it).
struct IzKtrnArchiveFolder : IUnknown {
  STDMETHOD(GetLastModifiedTime)(LPCITEMIDLIST pidl, FILETIME* pVal) PURE;
  STDMETHOD(GetFileSize)(LPCITEMIDLIST pidl, ULONG* pVal) PURE;
  STDMETHOD(GetFullQualifiedPIDL)(LPITEMIDLIST* ppidl) PURE;
  // lpszFile is typed as a wide string, but its bytes are read as a narrow
  // path in the system code page.
  STDMETHOD(ExtractFile)(LPCITEMIDLIST pidl, LPWSTR lpszFile) PURE;
};

// One opened archive file.
struct IzKtrnArchiveObject : IUnknown {
  STDMETHOD(BindToArchive)(BSTR archivePath) PURE;
  STDMETHOD(get_archiveRootFolder)(IUnknown** pVal) PURE;
  // lpszPath: a narrow path in the system code page, despite its type.
  STDMETHOD(ExtractFile)(int nIndex, LPWSTR lpszPath) PURE;
};

struct IzKtrnArchiveEnumIDList : IUnknown {};
struct IzKtrnArchiveDataObject : IUnknown {};

// A saved place inside an archive.
struct IzKtrnArchiveLink : IUnknown {
  STDMETHOD(SetIDList)(LPCITEMIDLIST pidl) PURE;
  STDMETHOD(GetIDList)(LPITEMIDLIST* ppidl) PURE;
  STDMETHOD(Resolve)(IUnknown** ppunk, LPITEMIDLIST* ppidl) PURE;
};

// Exported functions. On Windows the Dll* entry points are also declared by
// the SDK with the same signatures.
STDAPI QORCreateObject(LPCSTR archivePath, REFIID riid, void** ppv);
STDAPI QORCreateLinkObject(REFIID riid, void** ppv);
STDAPI DllCanUnloadNow();
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
STDAPI DllRegisterServer();
STDAPI DllUnregisterServer();
