#include "MountTree.h"

#include <cerrno>
#include <cstdio>

#include "Text.h"

namespace qor::host {
namespace {

// CP932 text that converts to UTF-8 and back unchanged.
bool ShowsAsItself(const std::string& cp932, std::string& utf8) {
  utf8 = Utf8FromCp932(cp932);
  std::optional<std::string> back = Cp932FromUtf8(utf8);
  return back && *back == cp932;
}

void AppendEscaped(std::string& shown, unsigned char byte) {
  char escaped[4];
  std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
  shown += escaped;
}

// The components of a path the kernel hands over: "/a/b" gives "a", "b".
std::vector<std::string_view> Components(const char* path) {
  std::vector<std::string_view> names;
  std::string_view rest(path);
  while (!rest.empty()) {
    size_t slash = rest.find('/');
    if (slash != 0) names.push_back(rest.substr(0, slash));
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return names;
}

}  // namespace

std::string ShownName(const std::string& stored) {
  if (stored.empty()) return "%";
  if (stored == ".") return "%2E";
  if (stored == "..") return "%2E%2E";
  std::string shown;
  if (stored.find('/') == std::string::npos && ShowsAsItself(stored, shown)) return shown;
  // Character by character: what shows as itself is kept, the rest escaped
  // byte by byte ("/" is never a trail byte, so it is always a character).
  shown.clear();
  for (size_t i = 0; i < stored.size();) {
    size_t length = IsDBCSLeadByte(static_cast<BYTE>(stored[i])) && i + 1 < stored.size() ? 2 : 1;
    std::string utf8;
    if (stored[i] != '/' && ShowsAsItself(stored.substr(i, length), utf8)) {
      shown += utf8;
      i += length;
    } else {
      AppendEscaped(shown, static_cast<unsigned char>(stored[i]));
      ++i;
    }
  }
  return shown;
}

MountNode NodeOf(const MountEntry& entry) {
  return MountNode{entry.item.folder, entry.item.size, entry.item.time, entry.item.index};
}

MountTree::MountTree(const ArchiveFolder& root, std::function<void(const std::string&)> log) : m_log(std::move(log)) {
  m_root.folder = root;
}

int MountTree::Listed(MountFolder& folder) {
  if (folder.listed) return 0;
  std::vector<ArchiveItem> items;
  std::string error;
  if (!folder.folder.Items(items, error)) {
    m_log((folder.path.empty() ? "/" : folder.path.substr(1)) + ": " + error);
    return -EIO;
  }
  folder.entries.reserve(items.size());
  for (ArchiveItem& item : items) {
    MountEntry entry;
    entry.shown = ShownName(item.name);
    entry.item = std::move(item);
    if (!entry.item.folder) {
      entry.item.name = std::string();
      entry.item.pidl.reset();
    }
    folder.entries.push_back(std::move(entry));
  }
  folder.byName.reserve(folder.entries.size());
  for (const MountEntry& entry : folder.entries) folder.byName.emplace(entry.shown, &entry);  // the first stays
  folder.listed = true;
  return 0;
}

int MountTree::Opened(MountFolder& parent, const MountEntry& entry, MountFolder*& child) {
  if (!entry.item.folder) return -ENOTDIR;
  auto& owned = const_cast<MountEntry&>(entry).child;  // the parent owns the entry; only its child is filled in
  if (!owned) {
    auto opened = std::make_unique<MountFolder>();
    opened->path = parent.path + "/" + entry.shown;
    std::string error;
    if (!parent.folder.Open(entry.item, opened->folder, error)) {
      m_log(opened->path.substr(1) + ": " + error);
      return -EIO;
    }
    owned = std::move(opened);
  }
  child = owned.get();
  return Listed(*child);
}

int MountTree::FolderOf(const char* path, MountFolder*& folder, const MountEntry*& entry) {
  folder = &m_root;
  entry = nullptr;
  if (int status = Listed(m_root)) return status;
  for (std::string_view name : Components(path)) {
    if (entry)
      if (int status = Opened(*folder, *entry, folder)) return status;
    auto found = folder->byName.find(name);
    if (found == folder->byName.end()) return -ENOENT;
    entry = found->second;
  }
  return 0;
}

int MountTree::Find(const char* path, MountNode& node) {
  std::lock_guard<std::mutex> hold(m_lock);
  MountFolder* folder = nullptr;
  const MountEntry* entry = nullptr;
  if (int status = FolderOf(path, folder, entry)) return status;
  node = entry ? NodeOf(*entry) : MountNode{};
  return 0;
}

int MountTree::List(const char* path, std::vector<std::pair<std::string, MountNode>>& children) {
  std::lock_guard<std::mutex> hold(m_lock);
  MountFolder* folder = nullptr;
  const MountEntry* entry = nullptr;
  if (int status = FolderOf(path, folder, entry)) return status;
  if (entry)
    if (int status = Opened(*folder, *entry, folder)) return status;
  children.clear();
  children.reserve(folder->byName.size());
  for (const MountEntry& child : folder->entries)
    if (folder->byName.at(child.shown) == &child) children.emplace_back(child.shown, NodeOf(child));
  return 0;
}

}  // namespace qor::host
