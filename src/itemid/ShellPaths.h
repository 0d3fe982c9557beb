// Translation between absolute item-ID lists of the desktop namespace and
// their display names (file paths and other parsing names). Nothing is kept
// between calls: every folder taken is released and every list made is freed
// before a function returns, apart from the results handed to the caller.
#pragma once

#include "platform/win32.h"

#include <string>

#include "itemid/Pidl.h"

namespace qor {

// The display name of an absolute list asked with the given SHGDN flags, in
// the system code page; empty on any failure. The empty (or null) list asked
// with exactly SHGDN_FORPARSING names the desktop directory, the place a
// parsing name of the desktop stands for in the file system.
// May throw std::bad_alloc.
std::string PidlToPath(LPCITEMIDLIST list, SHGDNF flags);

// The display name of a list relative to folder: bound through every item
// before the last, then asked of the parent. The name may come back as a wide
// string (converted with the system code page and freed), an offset into the
// last item, or narrow text in the answer itself. Empty on any failure.
// May throw std::bad_alloc.
std::string FolderDisplayName(IShellFolder* folder, LPCITEMIDLIST list, SHGDNF flags);

// The display name of a child item as folder answers it, in the system code
// page: the status of the folder's answer, with name empty on failure.
// May throw std::bad_alloc.
HRESULT ChildDisplayName(IShellFolder* folder, LPCITEMIDLIST item, SHGDNF flags, std::string& name);

// The folder that holds the last item of an absolute list (the desktop for an
// empty or one-item list) with a reference for the caller, and a copy of the
// list from its last item on (an empty list for an empty list), owned by the
// caller. False when an out-pointer is null, the desktop is unavailable, a
// bind along the list fails or the copy cannot be made; both outputs are null
// then.
bool BindParentFolder(LPCITEMIDLIST list, IShellFolder** ppFolder, LPITEMIDLIST* ppLast) noexcept;

// The absolute list the desktop parses a path (system code page) into, or
// null when the path is null (the shell is not asked then) or parsing fails.
// May throw std::bad_alloc.
UniquePidl PathToPidl(const char* path);

}  // namespace qor
