// Icon indices of the stand-in's system image list: a fixed table, so that
// what the library reports can be checked.
#include <new>
#include <algorithm>
#include <cctype>
#include <string>

#include "platform/win32.h"

namespace {

using namespace qor::posix_icons;

struct ExtensionIcon {
  const char* extension;
  int icon;
};
constexpr ExtensionIcon kExtensionIcons[] = {
    {".txt", kText}, {".log", kText},    {".ini", kText},     {".md", kText},       {".exe", kProgram},
    {".com", kProgram}, {".bat", kProgram}, {".dll", kProgram}, {".bmp", kImage},    {".png", kImage},
    {".jpg", kImage},  {".gif", kImage},   {".ico", kIconFile}, {".arc", kArchive}, {".zip", kArchive},
};

// The extension of the last component: from its last "." (single-byte, since
// "." is never a trail byte in CP932), lower-cased.
std::string Extension(const std::string& path) {
  size_t nameStart = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])))
      ++i;
    else if (path[i] == '\\' || path[i] == '/')
      nameStart = i + 1;
  }
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) return {};
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return c < 0x80 ? static_cast<char>(std::tolower(c)) : static_cast<char>(c); });
  return extension;
}

int IconOf(const std::string& path, DWORD attributes, bool open) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return open ? kOpenFolder : kFolder;
  std::string extension = Extension(path);
  for (const ExtensionIcon& entry : kExtensionIcons)
    if (extension == entry.extension) return entry.icon;
  return kGenericFile;
}

}  // namespace

extern "C" DWORD_PTR SHGetFileInfoA(LPCSTR pszPath, DWORD dwFileAttributes, SHFILEINFOA* psfi, UINT cbFileInfo,
                                    UINT uFlags) try {
  if (!pszPath || !psfi || cbFileInfo < sizeof(SHFILEINFOA) || !(uFlags & SHGFI_SYSICONINDEX)) return 0;
  DWORD attributes = dwFileAttributes;
  if (!(uFlags & SHGFI_USEFILEATTRIBUTES)) {
    attributes = GetFileAttributesA(pszPath);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  }
  psfi->iIcon = IconOf(pszPath, attributes, (uFlags & SHGFI_OPENICON) != 0);
  return 1;  // stands for the system image list, which is never null
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return 0;
}
