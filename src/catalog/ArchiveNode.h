// The folder tree of an archive: one CArchiveNode per folder, each child a
// stored file or a sub-folder with a ready-made archive item record that the
// folder and the enumerator hand out as copies.
//
// The tree is filled by AddPath in catalogue order while the archive object
// binds, and only read afterwards. It is built for an archive of a million
// entries: a node keeps its children in one array of 16-byte entries whose
// names are those inside their records, so a name is stored once and a child
// costs its record and its entry. The records lie in a store that the node
// AddPath is called on (the root) owns, written one after another. While children are being added they are
// found through a hash index of the node; once the node is read (or sealed)
// they are sorted by name and the index is dropped. From then on iterators,
// entry pointers and record pointers stay valid until the archive object
// (which owns the root) is destroyed, as long as nothing more is added.
//
// Not thread-safe, not even for reading, until it is sealed: the first read
// of a node puts its children in order. A sealed tree may be read from
// several threads.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "catalog/RecordStore.h"
#include "itemid/Pidl.h"
#include "qor/QORITEMIDLIST.h"

namespace qor {

class CArchiveNode;

// The value stored under a child's name.
struct ArchiveEntry {
  // One-item list holding the child's record, in the tree's record store;
  // never null.
  QORITEMIDLIST* record = nullptr;
  std::unique_ptr<CArchiveNode> node;  // the sub-folder; null for a stored file

  bool IsFolder() const noexcept { return node != nullptr; }
  // The child's name (inside its record).
  const char* Name() const noexcept { return reinterpret_cast<const char*>(record) + QORITEMIDLIST::kFixedSize; }
};

class CArchiveNode {
 public:
  using const_iterator = std::vector<ArchiveEntry>::const_iterator;

  // A time for implied folders: the catalogue has none for them, and zero
  // (1601-01-01) says plainly that the value is not a real date.
  static constexpr FILETIME kFolderTime{0, 0};

  CArchiveNode() noexcept;
  CArchiveNode(const CArchiveNode&) = delete;
  CArchiveNode& operator=(const CArchiveNode&) = delete;
  // Frees every record and destroys every sub-folder, without recursion, so a
  // hostile path of many thousand components cannot exhaust the stack.
  virtual ~CArchiveNode();

  // Adds one stored file under its stored path (components separated by "\"
  // or "/", double-byte aware), making the folders it passes through. A file
  // record always carries attributes 0x80; attributes is accepted for the
  // catalogue's sake and otherwise unused. The first entry for a name wins:
  // a path whose last component already exists changes nothing. Separators
  // are not collapsed: an empty component is a folder with an empty name, and
  // a trailing separator ends the path.
  //
  // Returns true when the path was added or was already there (an empty or
  // null path included), false when it was dropped: when it runs through a
  // name that is already a stored file (there is no folder to descend into),
  // or when a component is too long for a record (more than 65504 bytes; an
  // archive's names are untrusted). Nothing changes for a dropped path, apart
  // from folders made before the point where it failed.
  //
  // Throws std::bad_alloc when a node, a record or an array cannot be
  // allocated; the archive object's bind reports that as E_OUTOFMEMORY. A
  // child is inserted only whole, with its record, so no entry without a
  // record ever reaches the tree; children added earlier stay until the tree
  // is destroyed.
  //
  // Adding to a node that was already read invalidates the iterators and
  // entry pointers taken from that node.
  bool AddPath(const char* path, DWORD index, DWORD attributes, DWORD length, const FILETIME& time);

  // Puts the children of this node and of every node below it in order and
  // drops the indexes used for adding. Reading a node does this for that
  // node alone if it was not done; sealing at the end of the bind puts the
  // cost there rather than on the first browse.
  void Seal() noexcept;

  // The entry stored under exactly this name (case-sensitive), or null.
  const ArchiveEntry* FindChild(const char* name) const noexcept;

  // The positions, ascending in the order below, of the children whose
  // names the shell shows otherwise than stored: empty names, and names that
  // do not come back unchanged from UTF-16 in the system code page (bytes
  // that are no character, or a character with two byte forms). Worked out
  // once, on first use; safe to call from several threads at once. Throws
  // std::bad_alloc.
  const std::vector<std::uint32_t>& AlteredNames() const;

  // The children, first to last in the case-sensitive multi-byte order of
  // their names (so Readme and readme are two children).
  const_iterator begin() const noexcept;
  const_iterator end() const noexcept;
  std::size_t size() const noexcept { return m_children.size(); }
  bool empty() const noexcept { return m_children.empty(); }

  // Splits path at its first separator (never a trail byte): first receives
  // the bytes before it, rest those after it; either may be empty. Without a
  // separator first is the whole path and rest is empty. A null path is
  // empty.
  static void SplitFirstComponent(const char* path, std::string& first, std::string& rest);

 private:
  class BuildIndex;

  // The build index, made first (from the children as they stand) if the
  // node was sealed or is new.
  BuildIndex& Index();
  // AddPath from this node, one component at a time.
  bool AddComponents(const char* path, DWORD index, DWORD length, const FILETIME& time, CRecordStore& records);
  // The folder reached through the components of prefix, each followed by a
  // separator, made where missing; null when one is a stored file or too
  // long for a record.
  CArchiveNode* FolderAt(const char* prefix, std::size_t size, CRecordStore& records);
  // The child named by the n bytes at name, or null.
  ArchiveEntry* FindWhileAdding(const char* name, std::size_t n, std::uint32_t hash);
  // Appends a child whose name is n bytes long.
  ArchiveEntry& Append(ArchiveEntry entry, std::size_t n, std::uint32_t hash);
  // Sorts the children and drops the index, if the node is still open.
  void SortChildren() const noexcept;
  // Moves this node's sub-folders onto the list of nodes to destroy and frees
  // its records.
  void ReleaseEntries(CArchiveNode*& pending) noexcept;

  std::unique_ptr<CRecordStore> m_pRecords;      // of the records added through this node
  mutable std::vector<ArchiveEntry> m_children;  // in order once m_pIndex is null
  mutable std::once_flag m_alteredNamesFound;
  mutable std::vector<std::uint32_t> m_alteredNames;
  mutable std::unique_ptr<BuildIndex> m_pIndex;  // while adding: finds children by name
  CArchiveNode* m_pNextPending = nullptr;        // link of the work lists of Seal and destruction
};

}  // namespace qor
