// Display names typed for, or stored about, a place inside an archive turned
// back into item-ID lists. A parsing name is the archive file's path, '/',
// then the path inside the archive with '\' separators; a name without '/' is
// a path relative to the folder. Resolution works level by level: in each
// folder the first item (in the folder's order) whose in-folder display name
// equals the component is taken, and the walk goes on in the folder that
// item leads to. Items are found through the folder tree's ordered lookup,
// not by listing the folder, with the result a listing would give.
#pragma once

#include "platform/win32.h"

#include <string>

#include "catalog/ArchiveNode.h"

namespace qor {

// The path inside the archive that a parsing name asks for, relative to the
// folder at folderPath (its item names joined by '\', empty for the root).
// archivePath is the archive file's path. S_OK with the path to resolve;
// E_UNEXPECTED when the name is for another archive; E_FAIL when the path
// climbs above the folder.
HRESULT RelativeInnerPath(const std::string& name, const std::string& archivePath, const std::string& folderPath,
                          std::string& inner);

// Resolves path, component by component, starting in the folder of node.
// archiveTitle is the name the folder shows for an item with an empty name
// (the archive's file name). *ppidl gets the items matched, relative to the
// folder, allocated with the task allocator:
//  - S_OK: every component matched (an empty path gives the empty list);
//  - S_FALSE: a component matched no item; *ppidl holds the items matched
//    before it (null when the first one did not);
//  - E_FAIL when a component other than the last matched a stored file, and
//    E_OUTOFMEMORY: *ppidl is null.
HRESULT ResolveInFolder(const CArchiveNode& node, const std::string& archiveTitle, const std::string& path,
                        LPITEMIDLIST* ppidl) noexcept;

}  // namespace qor
