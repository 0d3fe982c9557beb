#include "shell/DisplayNameResolution.h"

#include <algorithm>

#include "itemid/Pidl.h"
#include "names/MbString.h"
#include "names/PathPrimitives.h"
#include "names/RelativeReference.h"
#include "names/WideText.h"
#include "platform/ResultMacros.h"

namespace qor {
namespace {

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

// How the folder shows a stored name in the folder: an empty name as the
// archive's title, every name as it comes back from UTF-16.
std::string ShownName(const char* stored, const std::string& archiveTitle) {
  return ToNarrow(ToWide(*stored ? std::string_view(stored) : std::string_view(archiveTitle)).c_str());
}

// The first child of node, in the folder's order, that the folder shows
// under the name component, or null. The child stored under exactly that
// name is shown so unless its name is an altered one; an altered name may be
// shown as anything, so each of those (few) is compared as shown.
const ArchiveEntry* FindShownChild(const CArchiveNode& node, const std::string& component,
                                   const std::string& archiveTitle) {
  if (node.empty()) return nullptr;
  const std::vector<std::uint32_t>& altered = node.AlteredNames();
  const ArchiveEntry* const first = &*node.begin();
  const ArchiveEntry* found = component.empty() ? nullptr : node.FindChild(component.c_str());
  if (found && std::binary_search(altered.begin(), altered.end(), static_cast<std::uint32_t>(found - first)))
    found = nullptr;
  for (std::uint32_t position : altered) {
    const ArchiveEntry* child = first + position;
    if (found && child > found) break;
    if (MbsCompare(ShownName(child->Name(), archiveTitle).c_str(), component.c_str()) == 0) return child;
  }
  return found;
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
HRESULT ResolveInFolder(const CArchiveNode& node, const std::string& archiveTitle, const std::string& path,
                        LPITEMIDLIST* ppidl) noexcept try {
  *ppidl = nullptr;
  if (path.empty()) {
    UniquePidl empty(PidlAlloc(0));
    RETURN_IF_NULL_ALLOC(empty);
    *ppidl = empty.release();
    return S_OK;
  }
  const CArchiveNode* folder = &node;
  UniquePidl matched;
  const char* rest = path.c_str();
  for (;;) {
    const ArchiveEntry* child = FindShownChild(*folder, TakeComponent(rest), archiveTitle);
    if (!child) {
      *ppidl = matched.release();
      return S_FALSE;
    }
    auto item = reinterpret_cast<LPCITEMIDLIST>(child->record);
    matched.reset(matched ? PidlConcat(matched.get(), item) : PidlCopy(item));
    RETURN_IF_NULL_ALLOC(matched);
    if (*rest == '\0') {
      *ppidl = matched.release();
      return S_OK;
    }
    // Only a folder can be entered; a stored file leads nowhere.
    RETURN_HR_IF(E_FAIL, !child->IsFolder());
    folder = child->node.get();
  }
}
CATCH_RETURN()

}  // namespace qor
