// The Windows types that the public headers build on have the Windows layouts
// on every target: the SDK's under mingw-w64, the POSIX stand-in's elsewhere,
// in both word sizes. Compiled, never run: a wrong width or offset stops the
// build.
#include <cstddef>

#include "qor/QORITEMIDLIST.h"
#include "qor/qor.h"
#ifdef _WIN32
#include <shellapi.h>  // SHFILEINFOA, which the stand-in declares with the shell's services
#endif

constexpr bool kWord32 = sizeof(void*) == 4;

static_assert(sizeof(BYTE) == 1 && sizeof(WORD) == 2 && sizeof(DWORD) == 4);
static_assert(sizeof(LONG) == 4 && sizeof(ULONG) == 4 && sizeof(HRESULT) == 4 && sizeof(BOOL) == 4);
static_assert(sizeof(WCHAR) == 2 && sizeof(OLECHAR) == 2 && sizeof(CLIPFORMAT) == 2);
static_assert(MAX_PATH == 260);
static_assert(sizeof(GUID) == 16 && sizeof(FILETIME) == 8);
static_assert(offsetof(SHITEMID, abID) == 2 && sizeof(SHITEMID) == 3, "item-ID lists are packed");
static_assert(offsetof(STRRET, cStr) == sizeof(void*) && sizeof(STRRET) == (kWord32 ? 264 : 272));
static_assert(sizeof(FILEDESCRIPTORA) == 332 && offsetof(FILEGROUPDESCRIPTORA, fgd) == 4);
static_assert(sizeof(SHFILEINFOA) == (kWord32 ? 352 : 360));
static_assert(sizeof(FORMATETC) == (kWord32 ? 20 : 32) && sizeof(STGMEDIUM) == 3 * sizeof(void*));
static_assert(sizeof(QORITEMIDLIST) == 28 && alignof(QORITEMIDLIST) == 1);
