#include "Walk.h"

#include "Text.h"

namespace qor::host {

bool Walk(const ArchiveFolder& folder, bool recursive, const std::function<void(const VisitedItem&)>& visit,
          std::string& error) {
  std::vector<ArchiveItem> items;
  if (!folder.Items(items, error)) return false;
  for (const ArchiveItem& item : items) {
    std::vector<std::string> path = folder.path;
    path.push_back(item.name);
    visit(VisitedItem{folder, item, path});
    if (recursive && item.folder) {
      ArchiveFolder child;
      if (!folder.Open(item, child, error) || !Walk(child, true, visit, error)) return false;
    }
  }
  return true;
}

std::string JoinUtf8(const std::vector<std::string>& names) {
  std::string joined;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) joined += '/';  // also after an empty name, so that "/f" is not "f"
    joined += Utf8FromCp932(names[i]);
  }
  return joined;
}

long long UnixSeconds(const FILETIME& time) {
  unsigned long long ticks = (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace qor::host
