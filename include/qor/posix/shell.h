// Desktop-shell types, interfaces and services of the POSIX stand-in.
//
// The namespace here is the file system seen through Windows-form paths: the
// desktop folder parses "Z:\dir\file" into an absolute item-ID list of one
// item per component (the drive first), gives such lists back as parsing
// names and binds to the folders along them. Icon indices come from a fixed
// table so that they are stable and testable.
#pragma once
#pragma GCC system_header

#include "qor/posix/com.h"

#pragma pack(push, 1)
struct SHITEMID {
  USHORT cb;
  BYTE abID[1];
};
struct ITEMIDLIST {
  SHITEMID mkid;
};
#pragma pack(pop)

using LPSHITEMID = SHITEMID*;
using LPCSHITEMID = const SHITEMID*;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;
using PIDLIST_RELATIVE = ITEMIDLIST*;
using PCUIDLIST_RELATIVE = const ITEMIDLIST*;
using PITEMID_CHILD = ITEMIDLIST*;
using PCITEMID_CHILD = const ITEMIDLIST*;
using PCUITEMID_CHILD = const ITEMIDLIST*;
using PCUITEMID_CHILD_ARRAY = const ITEMIDLIST* const*;

struct STRRET {
  UINT uType;
  union {
    LPWSTR pOleStr;
    UINT uOffset;
    char cStr[MAX_PATH];
  };
};
#define STRRET_WSTR 0u
#define STRRET_OFFSET 1u
#define STRRET_CSTR 2u

struct SHFILEINFOA {
  HICON hIcon;
  int iIcon;
  DWORD dwAttributes;
  CHAR szDisplayName[MAX_PATH];
  CHAR szTypeName[80];
};

// The shell's description of a file offered for copying: 332 bytes each,
// after the group's 32-bit count.
struct SIZEL {
  LONG cx;
  LONG cy;
};
struct POINTL {
  LONG x;
  LONG y;
};
struct FILEDESCRIPTORA {
  DWORD dwFlags;
  CLSID clsid;
  SIZEL sizel;
  POINTL pointl;
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  CHAR cFileName[MAX_PATH];
};
struct FILEGROUPDESCRIPTORA {
  UINT cItems;
  FILEDESCRIPTORA fgd[1];
};
#define FD_CLSID 0x00000001u
#define FD_SIZEPOINT 0x00000002u
#define FD_ATTRIBUTES 0x00000004u
#define FD_CREATETIME 0x00000008u
#define FD_ACCESSTIME 0x00000010u
#define FD_WRITESTIME 0x00000020u
#define FD_FILESIZE 0x00000040u

using SHCONTF = DWORD;
using SHGDNF = DWORD;
using SFGAOF = ULONG;

#define SHCONTF_FOLDERS 0x0020u
#define SHCONTF_NONFOLDERS 0x0040u
#define SHCONTF_INCLUDEHIDDEN 0x0080u

#define SHGDN_NORMAL 0x0000u
#define SHGDN_INFOLDER 0x0001u
#define SHGDN_FOREDITING 0x1000u
#define SHGDN_FORADDRESSBAR 0x4000u
#define SHGDN_FORPARSING 0x8000u

#define SFGAO_CANCOPY 0x00000001u
#define SFGAO_READONLY 0x00040000u
#define SFGAO_STREAM 0x00400000u
#define SFGAO_COMPRESSED 0x04000000u
#define SFGAO_FILESYSANCESTOR 0x10000000u
#define SFGAO_FOLDER 0x20000000u
#define SFGAO_FILESYSTEM 0x40000000u
#define SFGAO_HASSUBFOLDER 0x80000000u

#define SHGFI_SMALLICON 0x000000001u
#define SHGFI_OPENICON 0x000000002u
#define SHGFI_USEFILEATTRIBUTES 0x000000010u
#define SHGFI_ICON 0x000000100u
#define SHGFI_SYSICONINDEX 0x000004000u

#define GIL_OPENICON 0x0001u

#define CSIDL_DESKTOP 0x0000
#define CSIDL_DESKTOPDIRECTORY 0x0010

extern "C" const IID IID_IShellFolder;
extern "C" const IID IID_IEnumIDList;
extern "C" const IID IID_IPersistFolder;
extern "C" const IID IID_IShellIcon;

struct IEnumIDList : IUnknown {
  STDMETHOD(Next)(ULONG celt, PITEMID_CHILD* rgelt, ULONG* pceltFetched) PURE;
  STDMETHOD(Skip)(ULONG celt) PURE;
  STDMETHOD(Reset)() PURE;
  STDMETHOD(Clone)(IEnumIDList** ppenum) PURE;
};

struct IShellFolder : IUnknown {
  STDMETHOD(ParseDisplayName)(HWND hwnd, IBindCtx* pbc, LPWSTR pszDisplayName, ULONG* pchEaten,
                              PIDLIST_RELATIVE* ppidl, ULONG* pdwAttributes) PURE;
  STDMETHOD(EnumObjects)(HWND hwnd, SHCONTF grfFlags, IEnumIDList** ppenumIDList) PURE;
  STDMETHOD(BindToObject)(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv) PURE;
  STDMETHOD(BindToStorage)(PCUIDLIST_RELATIVE pidl, IBindCtx* pbc, REFIID riid, void** ppv) PURE;
  STDMETHOD(CompareIDs)(LPARAM lParam, PCUIDLIST_RELATIVE pidl1, PCUIDLIST_RELATIVE pidl2) PURE;
  STDMETHOD(CreateViewObject)(HWND hwndOwner, REFIID riid, void** ppv) PURE;
  STDMETHOD(GetAttributesOf)(UINT cidl, PCUITEMID_CHILD_ARRAY apidl, SFGAOF* rgfInOut) PURE;
  STDMETHOD(GetUIObjectOf)(HWND hwndOwner, UINT cidl, PCUITEMID_CHILD_ARRAY apidl, REFIID riid,
                           UINT* rgfReserved, void** ppv) PURE;
  STDMETHOD(GetDisplayNameOf)(PCUITEMID_CHILD pidl, SHGDNF uFlags, STRRET* pName) PURE;
  STDMETHOD(SetNameOf)(HWND hwnd, PCUITEMID_CHILD pidl, LPCWSTR pszName, SHGDNF uFlags,
                       PITEMID_CHILD* ppidlOut) PURE;
};
using LPSHELLFOLDER = IShellFolder*;

struct IPersistFolder : IPersist {
  STDMETHOD(Initialize)(PCIDLIST_ABSOLUTE pidl) PURE;
};

struct IShellIcon : IUnknown {
  STDMETHOD(GetIconOf)(PCUITEMID_CHILD pidl, UINT flags, int* pIconIndex) PURE;
};

// The task allocator is malloc-based; one allocator object serves the process.
STDAPI SHGetMalloc(IMalloc** ppMalloc);
STDAPI SHGetDesktopFolder(IShellFolder** ppshf);
STDAPI SHGetSpecialFolderLocation(HWND hwnd, int csidl, PIDLIST_ABSOLUTE* ppidl);
extern "C" DWORD_PTR SHGetFileInfoA(LPCSTR pszPath, DWORD dwFileAttributes, SHFILEINFOA* psfi,
                                    UINT cbFileInfo, UINT uFlags);

// The stand-in's fixed icon table (system image-list indices).
namespace qor::posix_icons {
inline constexpr int kGenericFile = 0;
inline constexpr int kText = 1;
inline constexpr int kProgram = 2;
inline constexpr int kFolder = 3;
inline constexpr int kOpenFolder = 4;
inline constexpr int kImage = 5;
inline constexpr int kIconFile = 6;
inline constexpr int kArchive = 7;
}  // namespace qor::posix_icons
