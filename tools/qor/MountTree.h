// The archive's folders as a mount shows them: each folder listed once
// through the library, when it is first visited, into a table of its
// children by shown name, so that looking a path up costs one hash look-up
// per component however large the folders are.
//
// Shown names are UTF-8. A stored name that cannot be one path component of
// a POSIX file system is shown escaped, "%" and two upper-case hex digits
// for each byte that cannot be shown:
//   - "/" becomes "%2F", and a byte that is no CP932 character "%XX";
//   - "." is shown "%2E" and ".." "%2E%2E"; an empty name is shown "%".
// The form depends on the stored name alone, so it is the same at every
// mount. Where two children would be shown under one name, the first in the
// folder's own order is the one shown, as the folder tree keeps the first of
// equal stored names.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ArchiveSession.h"

namespace qor::host {

// A stored name (CP932) as the mount shows it.
std::string ShownName(const std::string& stored);

class MountFolder;

// A child as the folder describes it; a file keeps neither its stored name
// nor its item, so that a million files cost little more than their names.
struct MountEntry {
  std::string shown;                   // the name the mount shows
  ArchiveItem item;                    // a folder's item opens it
  std::unique_ptr<MountFolder> child;  // a folder's own listing, once visited
};

class MountFolder {
 public:
  std::vector<MountEntry> entries;  // in the folder's own order; never resized once listed
  std::unordered_map<std::string_view, const MountEntry*> byName;
  ArchiveFolder folder;
  std::string path;  // UTF-8 from the mount's root, for messages
  bool listed = false;
};

// What a path leads to: the root, a folder or a file (a copy, safe to keep).
struct MountNode {
  bool folder = true;
  ULONG size = 0;
  FILETIME time{};
  DWORD index = 0;
};

class MountTree {
 public:
  // Folders that cannot be listed or opened are reported through log.
  MountTree(const ArchiveFolder& root, std::function<void(const std::string&)> log);

  // The node a path ("/" or "/a/b") names: 0, or -ENOENT, -ENOTDIR, or -EIO
  // when a folder on the way cannot be listed.
  int Find(const char* path, MountNode& node);
  // The children of the folder a path names, each with its node.
  int List(const char* path, std::vector<std::pair<std::string, MountNode>>& children);

 private:
  // The entry a path names (null for the root) and the listed folder that
  // holds it; the lock is held.
  int FolderOf(const char* path, MountFolder*& folder, const MountEntry*& entry);
  // The listed folder of a folder entry, opened on first use.
  int Opened(MountFolder& parent, const MountEntry& entry, MountFolder*& child);
  int Listed(MountFolder& folder);

  std::mutex m_lock;  // the library's folders are used by one thread at a time
  MountFolder m_root;
  std::function<void(const std::string&)> m_log;
};

MountNode NodeOf(const MountEntry& entry);

}  // namespace qor::host
