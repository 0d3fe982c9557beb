// Windows-form paths of the stand-in and the POSIX paths behind them.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace qor::posix {

// The absolute Windows form of a path: relative paths are taken against the
// current directory (on Z:), "/" becomes "\", "." and ".." are resolved and
// repeated separators collapse. False (with *error set) for an empty path.
bool FullWindowsPath(const char* path, std::string& full, DWORD& error);

// The POSIX path (UTF-8) of a Windows-form path. Only Z: is mapped; any other
// drive or a UNC path fails with a "path not found" kind of error.
bool WindowsToPosixPath(const char* path, std::string& posixPath, DWORD& error);

// The Windows form (CP932, on Z:) of an absolute POSIX path; false when a
// name cannot be held in CP932.
bool PosixToWindowsPath(const std::string& posixPath, std::string& windowsPath);

// The names of a path between separators ("\" or "/", never a trail byte),
// empty names dropped.
std::vector<std::string> SplitComponents(const std::string& path);

// True when the path's last character is a separator ("\" or "/"): a trail
// byte 0x5C ends a double-byte character, not a component.
bool EndsWithSeparator(const std::string& path);

// The Windows error code for an errno value of an operation on path.
DWORD ErrorFromErrno(int err, const std::string& posixPath);

}  // namespace qor::posix
