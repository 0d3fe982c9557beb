// Clipboard formats of the library, registered with the window system by the
// library's static initialisation, so the numbers are known before any data
// object exists. The data object offers the first two; the others are
// registered for hosts that look them up by number.
#pragma once

#include "platform/win32.h"

namespace qor {

extern const CLIPFORMAT g_cfFileContents;         // "FileContents"
extern const CLIPFORMAT g_cfFileGroupDescriptor;  // "FileGroupDescriptor"
extern const CLIPFORMAT g_cfNetscapeBookmark;     // "Netscape Bookmark"
extern const CLIPFORMAT g_cfShellIdListArray;     // "Shell IDList Array"
extern const CLIPFORMAT g_cfPreferredDropEffect;  // "Preferred DropEffect"
extern const CLIPFORMAT g_cfUniformResourceLocator;  // "UniformResourceLocator"

}  // namespace qor
