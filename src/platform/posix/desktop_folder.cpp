// The desktop namespace of the stand-in: folders over Windows-form file paths.
//
// An absolute item-ID list holds one item per path component, the drive
// first ("Z:", "home", "u", "a.arc"). Each item is its 16-bit size followed by
// the component's CP932 bytes and a zero byte. Only what the library calls is
// served: parsing, display names and binding; the rest answers E_NOTIMPL.
#include <cstdlib>
#include <new>
#include <pwd.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/posix/drive_mapping.h"
#include "platform/win32.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveName(const std::string& name) { return name.size() == 2 && name[1] == ':'; }

// Components of a full Windows path, drive first.
std::vector<std::string> PathComponents(const std::string& path) { return qor::posix::SplitComponents(path); }

// A folder whose name ends in a double-byte character with trail byte 0x5C
// (表, ソ) does not end in a separator.
std::string JoinPath(const std::string& prefix, const std::string& name) {
  if (prefix.empty()) return IsDriveName(name) ? name + "\\" : name;
  if (qor::posix::EndsWithSeparator(prefix)) return prefix + name;
  return prefix + "\\" + name;
}

// The component names held by a list, read within each item's own size.
std::vector<std::string> ItemNames(const ITEMIDLIST* pidl) {
  std::vector<std::string> names;
  const BYTE* item = reinterpret_cast<const BYTE*>(pidl);
  while (item) {
    USHORT cb = static_cast<USHORT>(item[0] | (item[1] << 8));
    if (cb < 2) break;
    const char* text = reinterpret_cast<const char*>(item + 2);
    size_t room = cb - 2u;
    names.emplace_back(text, strnlen(text, room));
    item += cb;
  }
  return names;
}

ITEMIDLIST* BuildList(const std::vector<std::string>& names) {
  size_t total = 2;
  for (const std::string& name : names) total += 2 + name.size() + 1;
  IMalloc* malloc = nullptr;
  if (FAILED(SHGetMalloc(&malloc))) return nullptr;
  auto* block = static_cast<BYTE*>(malloc->Alloc(total));
  malloc->Release();
  if (!block) return nullptr;
  BYTE* item = block;
  for (const std::string& name : names) {
    size_t cb = 2 + name.size() + 1;
    item[0] = static_cast<BYTE>(cb & 0xFF);
    item[1] = static_cast<BYTE>(cb >> 8);
    std::memcpy(item + 2, name.c_str(), name.size() + 1);
    item += cb;
  }
  item[0] = item[1] = 0;
  return reinterpret_cast<ITEMIDLIST*>(block);
}

HRESULT WideStrRet(const std::string& text, STRRET* pName) {
  int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (units <= 0) return E_FAIL;
  IMalloc* malloc = nullptr;
  if (FAILED(SHGetMalloc(&malloc))) return E_OUTOFMEMORY;
  auto* wide = static_cast<WCHAR*>(malloc->Alloc(static_cast<SIZE_T>(units) * sizeof(WCHAR)));
  if (wide && MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, units) != units) {
    malloc->Free(wide);  // the conversion ran out of memory: no half-written name
    wide = nullptr;
  }
  malloc->Release();
  if (!wide) return E_OUTOFMEMORY;
  pName->uType = STRRET_WSTR;
  pName->pOleStr = wide;
  return S_OK;
}

std::string DesktopDirectory() {
  const char* home = std::getenv("HOME");
  std::string posixHome = home && *home ? home : "";
  if (posixHome.empty()) {
    if (const passwd* pw = getpwuid(getuid())) posixHome = pw->pw_dir;
  }
  if (posixHome.empty()) posixHome = "/";
  if (posixHome.back() != '/') posixHome += '/';
  std::string windows;
  return qor::posix::PosixToWindowsPath(posixHome + "Desktop", windows) ? windows : "Z:\\Desktop";
}

class FileSystemFolder final : public IShellFolder {
 public:
  explicit FileSystemFolder(std::string path) : m_path(std::move(path)) {}
  virtual ~FileSystemFolder() = default;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder)) {
      *ppv = static_cast<IShellFolder*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG count = --m_cRef;
    if (count == 0) delete this;
    return count;
  }

  STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR pszDisplayName, ULONG* pchEaten, PIDLIST_RELATIVE* ppidl,
                                ULONG* pdwAttributes) override try {
    if (!ppidl) return E_INVALIDARG;
    *ppidl = nullptr;
    if (!pszDisplayName) return E_INVALIDARG;
    std::string name = Narrow(pszDisplayName);
    bool absolute = name.size() >= 2 && (name[1] == ':' || (IsSeparator(name[0]) && IsSeparator(name[1])));
    if (m_path.empty() != absolute || name.empty()) return E_INVALIDARG;
    std::string full;
    DWORD error = ERROR_SUCCESS;
    if (!qor::posix::FullWindowsPath(JoinPath(m_path, name).c_str(), full, error)) return HRESULT_FROM_WIN32(error);
    DWORD attributes = GetFileAttributesA(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return HRESULT_FROM_WIN32(GetLastError());
    std::vector<std::string> all = PathComponents(full);
    size_t skip = PathComponents(m_path).size();
    if (skip > all.size()) return E_INVALIDARG;  // ".." climbed out of this folder
    ITEMIDLIST* list = BuildList({all.begin() + static_cast<long>(skip), all.end()});
    if (!list) return E_OUTOFMEMORY;
    if (pchEaten) *pchEaten = static_cast<ULONG>(std::char_traits<char16_t>::length(pszDisplayName));
    if (pdwAttributes && *pdwAttributes) {
      SFGAOF have = attributes & FILE_ATTRIBUTE_DIRECTORY
                        ? SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_HASSUBFOLDER | SFGAO_FILESYSANCESTOR
                        : SFGAO_FILESYSTEM | SFGAO_STREAM;
      *pdwAttributes &= have;
    }
    *ppidl = list;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }

  STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList** ppenumIDList) override {
    if (ppenumIDList) *ppenumIDList = nullptr;
    return E_NOTIMPL;
  }

  STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE pidl, IBindCtx*, REFIID riid, void** ppv) override try {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualIID(riid, IID_IShellFolder) && !IsEqualIID(riid, IID_IUnknown)) return E_NOINTERFACE;
    std::vector<std::string> names = pidl ? ItemNames(pidl) : std::vector<std::string>{};
    if (names.empty()) return E_INVALIDARG;
    std::string path = m_path;
    for (const std::string& name : names) path = JoinPath(path, name);
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return HRESULT_FROM_WIN32(GetLastError());
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return E_FAIL;
    auto* folder = new (std::nothrow) FileSystemFolder(std::move(path));
    if (!folder) return E_OUTOFMEMORY;
    folder->AddRef();
    HRESULT hr = folder->QueryInterface(riid, ppv);
    folder->Release();
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }

  STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
  STDMETHODIMP CreateViewObject(HWND, REFIID, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override { return E_NOTIMPL; }
  STDMETHODIMP GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID, UINT*, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
  }

  STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD pidl, SHGDNF uFlags, STRRET* pName) override try {
    if (!pName) return E_INVALIDARG;
    std::vector<std::string> names = pidl ? ItemNames(pidl) : std::vector<std::string>{};
    std::string path = m_path;
    for (const std::string& name : names) path = JoinPath(path, name);
    if (path.empty())  // the desktop itself
      return WideStrRet((uFlags & SHGDN_FORPARSING) ? DesktopDirectory() : std::string("Desktop"), pName);
    bool full = (uFlags & SHGDN_FORPARSING) && !(uFlags & SHGDN_INFOLDER);
    if (full) return WideStrRet(path, pName);
    std::vector<std::string> parts = PathComponents(path);
    return WideStrRet(parts.empty() ? path : parts.back(), pName);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }

  STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD* ppidlOut) override try {
    if (ppidlOut) *ppidlOut = nullptr;
    return E_NOTIMPL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }

 private:
  static std::string Narrow(LPCWSTR wide) {
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string text(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), bytes, nullptr, nullptr);
    text.resize(static_cast<size_t>(bytes - 1));
    return text;
  }

  ULONG m_cRef = 0;
  std::string m_path;  // Windows form; empty for the desktop
};

}  // namespace

STDAPI SHGetDesktopFolder(IShellFolder** ppshf) try {
  if (!ppshf) return E_INVALIDARG;
  *ppshf = nullptr;
  auto* desktop = new (std::nothrow) FileSystemFolder(std::string());
  if (!desktop) return E_OUTOFMEMORY;
  desktop->AddRef();
  *ppshf = desktop;
  return S_OK;
} catch (const std::bad_alloc&) {
  return E_OUTOFMEMORY;
}

STDAPI SHGetSpecialFolderLocation(HWND, int csidl, PIDLIST_ABSOLUTE* ppidl) try {
  if (!ppidl) return E_INVALIDARG;
  *ppidl = nullptr;
  std::vector<std::string> names;
  if (csidl == CSIDL_DESKTOPDIRECTORY)
    names = PathComponents(DesktopDirectory());
  else if (csidl != CSIDL_DESKTOP)
    return E_INVALIDARG;
  *ppidl = BuildList(names);
  return *ppidl ? S_OK : E_OUTOFMEMORY;
} catch (const std::bad_alloc&) {
  return E_OUTOFMEMORY;
}
