#include "WriteObstacles.h"

#ifndef _WIN32
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace qor::host {

std::string WriteObstacle(const std::filesystem::path& file, std::uint64_t size) {
#ifdef _WIN32
  (void)file;
  (void)size;
  return {};
#else
  const std::filesystem::path folder = file.parent_path();
  long longestName = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  if (longestName > 0 && file.filename().native().size() > static_cast<size_t>(longestName))
    return "the name is too long for the file system";
  struct statvfs space {};
  if (::statvfs(folder.c_str(), &space) == 0) {
    if (space.f_flag & ST_RDONLY) return "the file system is read-only";
    if (static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize < size) return "no space left on the device";
  }
  if (::access(folder.c_str(), W_OK) != 0) return "permission denied";
  return {};
#endif
}

}  // namespace qor::host
