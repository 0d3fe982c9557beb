// Text and paths as qor meets them: the user's side speaks UTF-8 (arguments,
// output, POSIX file names) and native paths; the library speaks code page
// 932 and Windows-form paths (Z:\... on POSIX).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "qor/winapi.h"

namespace qor::host {

// CP932 bytes as UTF-8; bytes that are no character become U+30FB.
std::string Utf8FromCp932(const std::string& text);
// CP932 bytes as UTF-16, the way names and paths are passed to interfaces
// that take wide text.
std::basic_string<WCHAR> WideFromCp932(const std::string& text);
// UTF-8 as CP932 bytes; empty optional when a character has no CP932 form.
std::optional<std::string> Cp932FromUtf8(const std::string& text);

// A path argument of the user (UTF-8) as a native path.
std::filesystem::path NativePath(const std::string& utf8);
// A path for display (UTF-8).
std::string DisplayPath(const std::filesystem::path& path);

// The library's form of an absolute native path as it is spelt:
// Windows-form, CP932. Empty optional when a name has no CP932 form. For
// paths the library keeps, as a link file keeps its archive's.
std::optional<std::string> SpeltLibraryPath(const std::filesystem::path& path);

// A name in the library's form that reaches the same file or folder, for
// paths the library only opens: the spelt path where it can be, else one
// that reaches the path's last name outside CP932, which must exist, without
// spelling it (on Linux the link /proc/self/fd/N of a descriptor qor holds
// open for the rest of its run; on Windows the short name), and the CP932
// names below. Empty optional when there is no such name.
std::optional<std::string> LibraryPath(const std::filesystem::path& path);

}  // namespace qor::host
