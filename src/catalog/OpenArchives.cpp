#include "platform/win32.h"

#include "catalog/OpenArchives.h"

#include <map>
#include <mutex>
#include <string>

#include "names/MbString.h"

namespace qor {

namespace {

// Looks keys up by the caller's const char* without building a string.
struct PathLess {
  using is_transparent = void;
  bool operator()(const std::string& a, const std::string& b) const noexcept {
    return MbsICompare(a.c_str(), b.c_str()) < 0;
  }
  bool operator()(const std::string& a, const char* b) const noexcept { return MbsICompare(a.c_str(), b) < 0; }
  bool operator()(const char* a, const std::string& b) const noexcept { return MbsICompare(a, b.c_str()) < 0; }
};

// Constructed by the library's static initialisation (an empty std::map
// allocates nothing, so this cannot fail) and destroyed once by the C++
// runtime's exit handlers when the library is unloaded. Destroying it frees
// only the map's own storage, never the objects. Any call that still arrives
// after that (an object the host leaked past unload) finds the registry
// closed instead of a destroyed map.
class OpenArchiveRegistry {
 public:
  OpenArchiveRegistry() noexcept { s_open = true; }
  ~OpenArchiveRegistry() { s_open = false; }
  OpenArchiveRegistry(const OpenArchiveRegistry&) = delete;
  OpenArchiveRegistry& operator=(const OpenArchiveRegistry&) = delete;

  static bool IsOpen() noexcept { return s_open; }

  std::map<std::string, CzKtrnArchiveObject*, PathLess> m_archives;
  std::recursive_mutex m_lock;

 private:
  static constinit inline bool s_open = false;
};

OpenArchiveRegistry g_openArchives;

}  // namespace

std::unique_lock<std::recursive_mutex> LockOpenArchives() {
  if (!OpenArchiveRegistry::IsOpen()) return {};
  return std::unique_lock<std::recursive_mutex>(g_openArchives.m_lock);
}

bool RegisterArchive(const char* path, CzKtrnArchiveObject* archive) {
  if (!path || !OpenArchiveRegistry::IsOpen()) return false;
  return g_openArchives.m_archives.emplace(path, archive).second;
}

bool UnregisterArchive(const char* path, const CzKtrnArchiveObject* archive) noexcept {
  if (!path || !OpenArchiveRegistry::IsOpen()) return false;
  std::lock_guard<std::recursive_mutex> hold(g_openArchives.m_lock);
  auto found = g_openArchives.m_archives.find(path);
  if (found == g_openArchives.m_archives.end() || found->second != archive) return false;
  g_openArchives.m_archives.erase(found);
  return true;
}

CzKtrnArchiveObject* FindArchive(const char* path) noexcept {
  if (!path || !OpenArchiveRegistry::IsOpen()) return nullptr;
  auto found = g_openArchives.m_archives.find(path);
  return found == g_openArchives.m_archives.end() ? nullptr : found->second;
}

}  // namespace qor
