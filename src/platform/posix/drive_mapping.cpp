#include "platform/posix/drive_mapping.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/posix/code_page.h"

namespace qor::posix {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool CurrentDirectory(std::string& windowsPath) {
  std::vector<char> buffer(4096);
  if (!getcwd(buffer.data(), buffer.size())) return false;
  return PosixToWindowsPath(buffer.data(), windowsPath);
}

}  // namespace

bool EndsWithSeparator(const std::string& path) {
  bool last = false;
  for (size_t i = 0; i < path.size(); ++i) {
    last = IsSeparator(path[i]);
    if (IsCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
      last = false;
    }
  }
  return last;
}

std::vector<std::string> SplitComponents(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    } else if (IsSeparator(path[i])) {
      if (i > start) parts.emplace_back(path, start, i - start);
      start = i + 1;
    }
  }
  if (start < path.size()) parts.emplace_back(path, start, path.size() - start);
  return parts;
}

bool FullWindowsPath(const char* path, std::string& full, DWORD& error) {
  if (!path || !*path) {
    error = ERROR_INVALID_NAME;
    return false;
  }
  std::string input(path);
  std::string root;  // "X:" or "\\server\share"
  std::string rest;
  if (input.size() >= 2 && IsSeparator(input[0]) && IsSeparator(input[1])) {
    std::vector<std::string> parts = SplitComponents(input);
    if (parts.empty()) {
      full = "\\\\";
      return true;
    }
    root = "\\\\" + parts[0];
    size_t first = 1;
    if (parts.size() > 1) {
      root += "\\" + parts[1];
      first = 2;
    }
    for (size_t i = first; i < parts.size(); ++i) rest += "\\" + parts[i];
  } else if (input.size() >= 2 && input[1] == ':') {
    root = input.substr(0, 2);
    rest = input.substr(2);
    bool relativeToDrive = rest.empty() || !IsSeparator(rest[0]);
    if (relativeToDrive && (root[0] == 'Z' || root[0] == 'z')) {
      std::string cwd;
      if (!CurrentDirectory(cwd)) {
        error = ERROR_PATH_NOT_FOUND;
        return false;
      }
      rest = cwd.substr(2) + "\\" + rest;
    }
  } else if (IsSeparator(input[0])) {
    root = "Z:";
    rest = input;
  } else {
    std::string cwd;
    if (!CurrentDirectory(cwd)) {
      error = ERROR_PATH_NOT_FOUND;
      return false;
    }
    root = cwd.substr(0, 2);
    rest = cwd.substr(2) + "\\" + input;
  }
  std::vector<std::string> resolved;
  for (std::string& part : SplitComponents(rest)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!resolved.empty()) resolved.pop_back();
      continue;
    }
    resolved.push_back(std::move(part));
  }
  full = root;
  for (const std::string& part : resolved) full += "\\" + part;
  if (resolved.empty() || EndsWithSeparator(input)) full += "\\";
  return true;
}

bool WindowsToPosixPath(const char* path, std::string& posixPath, DWORD& error) {
  std::string full;
  if (!FullWindowsPath(path, full, error)) return false;
  if (full.size() >= 2 && IsSeparator(full[0]) && IsSeparator(full[1])) {
    error = ERROR_BAD_NETPATH;
    return false;
  }
  if (full[0] != 'Z' && full[0] != 'z') {
    error = ERROR_PATH_NOT_FOUND;
    return false;
  }
  std::string slashed = "/";
  bool first = true;
  for (const std::string& part : SplitComponents(full.substr(2))) {
    if (!first) slashed += "/";
    slashed += part;
    first = false;
  }
  std::optional<std::string> utf8 = Cp932ToUtf8(slashed);
  if (!utf8) {
    error = ERROR_INVALID_NAME;
    return false;
  }
  posixPath = std::move(*utf8);
  return true;
}

bool PosixToWindowsPath(const std::string& posixPath, std::string& windowsPath) {
  std::optional<std::string> cp932 = Utf8ToCp932(posixPath);
  if (!cp932 || cp932->empty() || (*cp932)[0] != '/') return false;
  std::string result = "Z:";
  for (char c : *cp932) result += c == '/' ? '\\' : c;  // '/' is never a trail byte in CP932
  windowsPath = std::move(result);
  return true;
}

DWORD ErrorFromErrno(int err, const std::string& posixPath) {
  switch (err) {
    case ENOENT: {
      // Windows tells a missing file from a missing directory on the way.
      std::string parent = posixPath.substr(0, posixPath.find_last_of('/'));
      struct stat st {};
      if (parent.empty() || (stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) return ERROR_FILE_NOT_FOUND;
      return ERROR_PATH_NOT_FOUND;
    }
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC: return ERROR_DISK_FULL;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EROFS: return ERROR_WRITE_PROTECT;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_GEN_FAILURE;
  }
}

}  // namespace qor::posix
