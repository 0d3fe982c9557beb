#include "platform/win32.h"

#include "itemid/ShellPaths.h"

#include "names/WideText.h"

#include <cstring>
#include <memory>
#include <vector>

namespace qor {

namespace {

struct ReleaseInterface {
  void operator()(IUnknown* object) const noexcept { object->Release(); }
};
using FolderRef = std::unique_ptr<IShellFolder, ReleaseInterface>;

constexpr BYTE kEmptyListBytes[2] = {0, 0};
LPCITEMIDLIST EmptyList() { return reinterpret_cast<LPCITEMIDLIST>(kEmptyListBytes); }

// Binds from start through every item of list before its last one and gives
// the folder reached and a copy of the list from its last item on.
bool BindThrough(IShellFolder* start, LPCITEMIDLIST list, IShellFolder** ppFolder, LPITEMIDLIST* ppLast) noexcept {
  if (!list) list = EmptyList();
  start->AddRef();
  FolderRef current(start);
  LPCITEMIDLIST last = PidlLast(list);
  for (LPCITEMIDLIST item = list; item != last; item = PidlNext(item)) {
    UniquePidl single(PidlCopyFirst(item));
    if (!single) return false;
    IShellFolder* next = nullptr;
    HRESULT hr = current->BindToObject(single.get(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&next));
    if (FAILED(hr) || !next) return false;
    current.reset(next);
  }
  UniquePidl lastCopy(PidlCopy(last));
  if (!lastCopy) return false;
  *ppFolder = current.release();
  *ppLast = lastCopy.release();
  return true;
}

// The narrow text at offset inside item, within the item's own size.
std::string TextInsideItem(LPCITEMIDLIST item, UINT offset) {
  std::size_t size = PidlGetItemSize(item);
  if (offset >= size) return {};
  const char* text = reinterpret_cast<const char*>(item) + offset;
  const void* zero = std::memchr(text, 0, size - offset);
  return std::string(text, zero ? static_cast<const char*>(zero) - text : static_cast<std::ptrdiff_t>(size - offset));
}

// Takes over the answer's wide string, if any, so that it is freed on every
// path, the throwing one included.
struct StrRetText {
  explicit StrRetText(STRRET& name) : m_name(name) {}
  ~StrRetText() {
    if (m_name.uType == STRRET_WSTR) TaskFree(m_name.pOleStr);
  }
  StrRetText(const StrRetText&) = delete;
  StrRetText& operator=(const StrRetText&) = delete;

  std::string Text(LPCITEMIDLIST item) const {
    switch (m_name.uType) {
      case STRRET_WSTR:
        return m_name.pOleStr ? ToNarrow(m_name.pOleStr) : std::string();
      case STRRET_OFFSET:
        return TextInsideItem(item, m_name.uOffset);
      case STRRET_CSTR:
        return std::string(m_name.cStr, strnlen(m_name.cStr, sizeof m_name.cStr));
      default:
        return {};
    }
  }

 private:
  STRRET& m_name;
};

}  // namespace

bool BindParentFolder(LPCITEMIDLIST list, IShellFolder** ppFolder, LPITEMIDLIST* ppLast) noexcept {
  if (!ppFolder || !ppLast) return false;
  *ppFolder = nullptr;
  *ppLast = nullptr;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return false;
  FolderRef owner(desktop);
  return BindThrough(desktop, list, ppFolder, ppLast);
}

std::string FolderDisplayName(IShellFolder* folder, LPCITEMIDLIST list, SHGDNF flags) {
  if (!folder) return {};
  IShellFolder* parentFolder = nullptr;
  LPITEMIDLIST lastItem = nullptr;
  if (!BindThrough(folder, list, &parentFolder, &lastItem)) return {};
  FolderRef parent(parentFolder);
  UniquePidl last(lastItem);
  std::string name;
  static_cast<void>(ChildDisplayName(parent.get(), last.get(), flags, name));
  return name;
}

HRESULT ChildDisplayName(IShellFolder* folder, LPCITEMIDLIST item, SHGDNF flags, std::string& name) {
  name.clear();
  STRRET answer{};
  HRESULT hr = folder->GetDisplayNameOf(item, flags, &answer);
  if (FAILED(hr)) return hr;
  StrRetText text(answer);
  name = text.Text(item);
  return hr;
}

std::string PidlToPath(LPCITEMIDLIST list, SHGDNF flags) {
  UniquePidl desktopDirectory;
  if (PidlGetItemSize(list) == 0 && flags == SHGDN_FORPARSING) {
    LPITEMIDLIST location = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &location)) || !location) return {};
    desktopDirectory.reset(location);
    list = location;
  }
  IShellFolder* parentFolder = nullptr;
  LPITEMIDLIST lastItem = nullptr;
  if (!BindParentFolder(list, &parentFolder, &lastItem)) return {};
  FolderRef parent(parentFolder);
  UniquePidl last(lastItem);
  return FolderDisplayName(parent.get(), last.get(), flags);
}

UniquePidl PathToPidl(const char* path) {
  if (!path) return nullptr;
  WideString wide = ToWide(path);
  IShellFolder* desktopFolder = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktopFolder)) || !desktopFolder) return nullptr;
  FolderRef desktop(desktopFolder);
  // No owner window: the library has no user interface of its own and cannot
  // know which window of its host is the main one, and a file-system path
  // parses without asking the user anything.
  ULONG eaten = 0;
  ULONG attributes = 0;
  LPITEMIDLIST list = nullptr;
  HRESULT hr = desktop->ParseDisplayName(nullptr, nullptr, wide.data(), &eaten, &list, &attributes);
  UniquePidl result(list);
  if (FAILED(hr)) return nullptr;
  return result;
}

}  // namespace qor
