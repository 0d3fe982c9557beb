// Display names typed for, or stored about, a place inside an archive turned
// back into item-ID lists. A parsing name is the archive file's path, '/',
// then the path inside the archive with '\' separators; a name without '/' is
// a path relative to the folder. Resolution works level by level through
// each folder's own IShellFolder: the folder lists its items, the item whose
// in-folder name equals the component is taken, and the walk goes on in the
// folder that item binds to.
#pragma once

#include "platform/win32.h"

#include <string>

namespace qor {

// The path inside the archive that a parsing name asks for, relative to the
// folder at folderPath (its item names joined by '\', empty for the root).
// archivePath is the archive file's path. S_OK with the path to resolve;
// E_UNEXPECTED when the name is for another archive; E_FAIL when the path
// climbs above the folder.
HRESULT RelativeInnerPath(const std::string& name, const std::string& archivePath, const std::string& folderPath,
                          std::string& inner);

// Resolves path, component by component, starting in folder. *ppidl gets the
// items matched, relative to folder, allocated with the task allocator:
//  - S_OK: every component matched (an empty path gives the empty list);
//  - S_FALSE: a component matched no item; *ppidl holds the items matched
//    before it (null when the first one did not);
//  - a failure passed on from listing or binding: *ppidl is null.
// Owns nothing after it returns; every folder and list it made is released.
HRESULT ResolveInFolder(IShellFolder* folder, const std::string& path, LPITEMIDLIST* ppidl) noexcept;

}  // namespace qor
