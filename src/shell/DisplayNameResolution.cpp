#include "shell/DisplayNameResolution.h"

#include "itemid/Pidl.h"
#include "itemid/ShellPaths.h"
#include "names/MbString.h"
#include "names/PathPrimitives.h"
#include "names/RelativeReference.h"
#include "qor/ComPtr.h"
#include "platform/ResultMacros.h"

namespace qor {
namespace {

constexpr SHCONTF kEveryItem = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

// The next component of the text at rest, which moves past it. A trailing
// backslash is not part of the name; a trailing slash is, so such a component
// names no item.
std::string TakeComponent(const char*& rest) {
  std::string component;
  TakeNextComponent(component, rest);
  std::ptrdiff_t last = static_cast<std::ptrdiff_t>(component.size()) - 1;
  if (IsSeparatorAt(component, last) && component.back() == '\\') component.pop_back();
  return component;
}

// The first item of folder whose in-folder name is component, compared
// exactly. S_OK with the item; otherwise the enumerator's last status
// (S_FALSE when the items ran out) and no item.
HRESULT FindItem(IShellFolder* folder, const std::string& component, UniquePidl& found) {
  ComPtr<IEnumIDList> items;
  RETURN_IF_FAILED(folder->EnumObjects(nullptr, kEveryItem, items.Put()));
  RETURN_HR_IF_NULL(E_FAIL, items);
  for (;;) {
    LPITEMIDLIST next = nullptr;
    ULONG fetched = 0;
    HRESULT hr = items->Next(1, &next, &fetched);
    UniquePidl item(next);
    if (hr != S_OK) return hr;
    RETURN_HR_IF_NULL(E_FAIL, item);
    std::string name;
    if (SUCCEEDED(ChildDisplayName(folder, item.get(), SHGDN_INFOLDER, name)) &&
        MbsCompare(name.c_str(), component.c_str()) == 0) {
      found = std::move(item);
      return S_OK;
    }
  }
}

}  // namespace

HRESULT RelativeInnerPath(const std::string& name, const std::string& archivePath, const std::string& folderPath,
                          std::string& inner) {
  std::size_t slash = MbsIndexOfChar(name, '/');
  if (slash == std::string::npos) {
    inner = name;
    return S_OK;
  }
  std::string prefix = name.substr(0, slash);
  RETURN_HR_IF(E_UNEXPECTED, MbsICompare(prefix.c_str(), archivePath.c_str()) != 0);
  std::string target = name.substr(slash + 1), relative;
  inner = target;
  if (MakeRelativeReference(folderPath, target, relative) == 1) {
    const char* start = relative.c_str();
    RETURN_HR_IF(E_FAIL, SkipParentPrefix(start) == 1);
    inner = std::move(relative);
  }
  return S_OK;
}

// Level by level rather than by recursion: an archive may nest folders as
// deep as its names allow, and a typed name as long as it likes.
HRESULT ResolveInFolder(IShellFolder* folder, const std::string& path, LPITEMIDLIST* ppidl) noexcept try {
  *ppidl = nullptr;
  if (path.empty()) {
    UniquePidl empty(PidlAlloc(0));
    RETURN_IF_NULL_ALLOC(empty);
    *ppidl = empty.release();
    return S_OK;
  }
  ComPtr<IShellFolder> current(folder);
  UniquePidl matched;
  const char* rest = path.c_str();
  for (;;) {
    UniquePidl item;
    HRESULT hr = FindItem(current.Get(), TakeComponent(rest), item);
    RETURN_IF_FAILED(hr);
    if (!item) {
      *ppidl = matched.release();
      return hr;
    }
    matched.reset(matched ? PidlConcat(matched.get(), item.get()) : PidlCopy(item.get()));
    RETURN_IF_NULL_ALLOC(matched);
    if (*rest == '\0') {
      *ppidl = matched.release();
      return S_OK;
    }
    ComPtr<IShellFolder> inner;
    RETURN_IF_FAILED(current->BindToObject(item.get(), nullptr, IID_IShellFolder, inner.PutVoid()));
    RETURN_HR_IF_NULL(E_FAIL, inner);
    current = std::move(inner);
  }
}
CATCH_RETURN()

}  // namespace qor
