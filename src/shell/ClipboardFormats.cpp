#include "shell/ClipboardFormats.h"

namespace qor {
namespace {

// Registered numbers lie in 0xC000-0xFFFF, so they fit a FORMATETC's 16 bits;
// 0 (registration failed) matches no request.
CLIPFORMAT Register(const char* name) noexcept { return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name)); }

}  // namespace

const CLIPFORMAT g_cfFileContents = Register("FileContents");
const CLIPFORMAT g_cfFileGroupDescriptor = Register("FileGroupDescriptor");
const CLIPFORMAT g_cfNetscapeBookmark = Register("Netscape Bookmark");
const CLIPFORMAT g_cfShellIdListArray = Register("Shell IDList Array");
const CLIPFORMAT g_cfPreferredDropEffect = Register("Preferred DropEffect");
const CLIPFORMAT g_cfUniformResourceLocator = Register("UniformResourceLocator");

}  // namespace qor
