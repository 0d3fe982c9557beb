// Walking an archive's tree for the commands that visit many items.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ArchiveSession.h"

namespace qor::host {

// One item met on a walk, with the folder that holds it.
struct VisitedItem {
  const ArchiveFolder& folder;
  const ArchiveItem& item;
  std::vector<std::string> path;  // CP932 names from the root, the item's own last
};

// Visits the children of folder in the folder's own order, and with
// recursive the folders below them in pre-order. False (with a message) when
// a folder cannot be listed or opened; the visit stops there.
bool Walk(const ArchiveFolder& folder, bool recursive, const std::function<void(const VisitedItem&)>& visit,
          std::string& error);

// "a/b/c" in UTF-8 from CP932 names.
std::string JoinUtf8(const std::vector<std::string>& names);

// Seconds since 1970-01-01 UTC of a FILETIME.
long long UnixSeconds(const FILETIME& time);

}  // namespace qor::host
