#include "platform/win32.h"

#include "catalog/ArchiveNode.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>
#include <unordered_map>

#include "names/MbString.h"
#include "names/WideText.h"

namespace qor {

namespace {

constexpr DWORD kNoIndex = 0xFFFFFFFF;
constexpr DWORD kFileAttributes = 0x80;
constexpr DWORD kFolderAttributes = 0x10;

// Names are compared for exact equality here, so any hash of the bytes will
// do; the standard library's takes several bytes at a time.
std::uint32_t HashName(const char* name, std::size_t n) noexcept {
  return static_cast<std::uint32_t>(std::hash<std::string_view>{}(std::string_view(name, n)));
}

bool SameName(const ArchiveEntry& entry, const char* name, std::size_t n) noexcept {
  const char* own = entry.Name();
  return std::memcmp(own, name, n) == 0 && own[n] == '\0';
}

bool NameLess(const ArchiveEntry& a, const ArchiveEntry& b) noexcept { return MbsCompare(a.Name(), b.Name()) < 0; }

struct PrefixHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view prefix) const noexcept { return HashName(prefix.data(), prefix.size()); }
};

}  // namespace

// Open addressing over the positions of a node's children. A slot holds the
// name's hash (high half) and the position + 1 (low half; 0 is empty), so a
// probe looks at a record only when the hashes agree, and growing needs no
// name. At most half the slots are used.
//
// On the node that AddPath is called on (the root), it also remembers the
// folder that each folder prefix of a path leads to, so that a path costs
// one look-up of its prefix and one of its last component, whatever its
// depth. Such an entry never goes stale: nodes neither move nor go away, and
// a folder stays a folder.
class CArchiveNode::BuildIndex {
 public:
  std::unordered_map<std::string, CArchiveNode*, PrefixHash, std::equal_to<>> m_folders;

  // The slot holding the name, or the empty slot where it would go.
  std::uint64_t* Probe(const std::vector<ArchiveEntry>& children, const char* name, std::size_t n,
                       std::uint32_t hash) noexcept {
    std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      std::uint64_t& slot = m_slots[i];
      if (slot == 0) return &slot;
      if (static_cast<std::uint32_t>(slot >> 32) == hash &&
          SameName(children[static_cast<std::uint32_t>(slot) - 1], name, n))
        return &slot;
    }
  }

  // Makes room for one more child; may throw std::bad_alloc, changing nothing.
  void Reserve(std::size_t children) {
    if (2 * (children + 1) <= m_slots.size()) return;
    std::size_t size = std::max<std::size_t>(8, m_slots.size());
    while (size < 2 * (children + 1)) size *= 2;
    std::vector<std::uint64_t> slots(size);
    std::size_t mask = slots.size() - 1;
    for (std::uint64_t slot : m_slots) {
      if (slot == 0) continue;
      std::size_t i = static_cast<std::uint32_t>(slot >> 32) & mask;
      while (slots[i] != 0) i = (i + 1) & mask;
      slots[i] = slot;
    }
    m_slots.swap(slots);
  }

  static std::uint64_t Slot(std::uint32_t hash, std::size_t position) noexcept {
    return (static_cast<std::uint64_t>(hash) << 32) | static_cast<std::uint32_t>(position + 1);
  }

 private:
  std::vector<std::uint64_t> m_slots;
};

CArchiveNode::CArchiveNode() noexcept = default;

CArchiveNode::~CArchiveNode() {
  CArchiveNode* pending = nullptr;
  ReleaseEntries(pending);
  while (pending) {
    CArchiveNode* node = pending;
    pending = node->m_pNextPending;
    node->ReleaseEntries(pending);
    delete node;  // finds no entries left
  }
}

void CArchiveNode::ReleaseEntries(CArchiveNode*& pending) noexcept {
  for (ArchiveEntry& child : m_children) {
    if (CArchiveNode* node = child.node.release()) {
      node->m_pNextPending = pending;
      pending = node;
    }
  }
  m_children.clear();
  m_pIndex.reset();
}

CArchiveNode::BuildIndex& CArchiveNode::Index() {
  if (!m_pIndex) {
    auto index = std::make_unique<BuildIndex>();
    index->Reserve(m_children.size());
    for (std::size_t i = 0; i < m_children.size(); ++i) {
      const char* own = m_children[i].Name();
      std::size_t length = std::strlen(own);
      std::uint32_t hash = HashName(own, length);
      *index->Probe(m_children, own, length, hash) = BuildIndex::Slot(hash, i);
    }
    m_pIndex = std::move(index);
  }
  return *m_pIndex;
}

ArchiveEntry* CArchiveNode::FindWhileAdding(const char* name, std::size_t n, std::uint32_t hash) {
  std::uint64_t slot = *Index().Probe(m_children, name, n, hash);
  return slot ? &m_children[static_cast<std::uint32_t>(slot) - 1] : nullptr;
}

ArchiveEntry& CArchiveNode::Append(ArchiveEntry entry, std::size_t n, std::uint32_t hash) {
  Index().Reserve(m_children.size());
  m_children.push_back(std::move(entry));
  ArchiveEntry& added = m_children.back();
  *m_pIndex->Probe(m_children, added.Name(), n, hash) = BuildIndex::Slot(hash, m_children.size() - 1);
  return added;
}

bool CArchiveNode::AddPath(const char* path, DWORD index, DWORD /*attributes*/, DWORD length, const FILETIME& time) {
  if (!path || !*path) return true;
  if (!m_pRecords) m_pRecords = std::make_unique<CRecordStore>();
  CRecordStore& records = *m_pRecords;
  // A path that ends in a separator names its file before that separator;
  // it takes the walk of every component.
  const char* last = MbsFindLastSeparator(path);
  if (!last || last[1] == 0) return AddComponents(path, index, length, time, records);
  CArchiveNode* folder = FolderAt(path, static_cast<std::size_t>(last + 1 - path), records);
  return folder ? folder->AddComponents(last + 1, index, length, time, records) : false;
}

CArchiveNode* CArchiveNode::FolderAt(const char* prefix, std::size_t size, CRecordStore& records) {
  BuildIndex& index = Index();
  std::string_view key(prefix, size);
  auto known = index.m_folders.find(key);
  if (known != index.m_folders.end()) return known->second;
  CArchiveNode* node = this;
  for (const char* p = prefix; p < prefix + size;) {
    const char* separator = MbsFindSeparator(p);  // within the prefix, which ends with one
    std::size_t n = static_cast<std::size_t>(separator - p);
    if (n > QORITEMIDLIST::kMaxNameLength) return nullptr;
    std::uint32_t hash = HashName(p, n);
    ArchiveEntry* child = node->FindWhileAdding(p, n, hash);
    if (!child) {
      auto folder = std::make_unique<CArchiveNode>();
      QORITEMIDLIST* record = records.Add(p, n, kNoIndex, kFolderAttributes, 0, kFolderTime);
      child = &node->Append(ArchiveEntry{record, std::move(folder)}, n, hash);
    }
    if (!child->node) return nullptr;  // the path runs through a stored file
    node = child->node.get();
    p = separator + 1;
  }
  index.m_folders.emplace(key, node);
  return node;
}

// The steps of one level are those of a recursive descent (split off the
// first component, find or make that child, go on with the rest in the
// child's node), written as a loop so that the depth of a path costs no
// stack.
bool CArchiveNode::AddComponents(const char* path, DWORD index, DWORD length, const FILETIME& time,
                                 CRecordStore& records) {
  CArchiveNode* node = this;
  for (const char* p = path;;) {
    const char* separator = MbsFindSeparator(p);
    std::size_t n = separator ? static_cast<std::size_t>(separator - p) : std::strlen(p);
    const char* rest = separator ? separator + 1 : p + n;
    bool isFile = *rest == 0;
    if (n > QORITEMIDLIST::kMaxNameLength) return false;

    std::uint32_t hash = HashName(p, n);
    ArchiveEntry* child = node->FindWhileAdding(p, n, hash);
    if (!child) {
      std::unique_ptr<CArchiveNode> folder;
      if (!isFile) folder = std::make_unique<CArchiveNode>();
      QORITEMIDLIST* record = isFile ? records.Add(p, n, index, kFileAttributes, length, time)
                                     : records.Add(p, n, kNoIndex, kFolderAttributes, 0, kFolderTime);
      child = &node->Append(ArchiveEntry{record, std::move(folder)}, n, hash);
    }
    if (isFile) return true;
    if (!child->node) return false;  // the path runs through a stored file
    node = child->node.get();
    p = rest;
  }
}

void CArchiveNode::SortChildren() const noexcept {
  if (!m_pIndex) return;
  // Writers that walk a directory tree list a folder's children in order
  // already; checking costs one comparison per child.
  if (!std::is_sorted(m_children.begin(), m_children.end(), NameLess)) {
    // Names of single bytes below 0x80 sort by their bytes, which the C
    // library compares many at a time.
    bool ascii = std::all_of(m_children.begin(), m_children.end(), [](const ArchiveEntry& child) {
      for (const char* p = child.Name(); *p; ++p)
        if (static_cast<unsigned char>(*p) >= 0x80) return false;
      return true;
    });
    if (ascii)
      std::sort(m_children.begin(), m_children.end(),
                [](const ArchiveEntry& a, const ArchiveEntry& b) { return std::strcmp(a.Name(), b.Name()) < 0; });
    else
      std::sort(m_children.begin(), m_children.end(), NameLess);
  }
  m_children.shrink_to_fit();
  m_pIndex.reset();
}

void CArchiveNode::Seal() noexcept {
  // Depth first through a list linked by the nodes themselves, so neither the
  // stack nor an allocation grows with the depth of the tree.
  CArchiveNode* pending = this;
  m_pNextPending = nullptr;
  while (pending) {
    CArchiveNode* node = pending;
    pending = node->m_pNextPending;
    node->m_pNextPending = nullptr;
    node->SortChildren();
    for (ArchiveEntry& child : node->m_children) {
      if (child.node) {
        child.node->m_pNextPending = pending;
        pending = child.node.get();
      }
    }
  }
}

const ArchiveEntry* CArchiveNode::FindChild(const char* name) const noexcept {
  if (!name) return nullptr;
  SortChildren();
  auto found = std::lower_bound(m_children.begin(), m_children.end(), name,
                                [](const ArchiveEntry& entry, const char* key) {
                                  return MbsCompare(entry.Name(), key) < 0;
                                });
  return found != m_children.end() && MbsCompare(found->Name(), name) == 0 ? &*found : nullptr;
}

const std::vector<std::uint32_t>& CArchiveNode::AlteredNames() const {
  std::call_once(m_alteredNamesFound, [this] {
    SortChildren();
    std::vector<std::uint32_t> altered;
    for (std::size_t position = 0; position < m_children.size(); ++position) {
      std::string_view name = m_children[position].Name();
      // Bytes below 0x80 are the same characters in every system code page.
      bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
      if (name.empty() || (!ascii && ToNarrow(ToWide(name).c_str()) != name))
        altered.push_back(static_cast<std::uint32_t>(position));
    }
    m_alteredNames = std::move(altered);
  });
  return m_alteredNames;
}

CArchiveNode::const_iterator CArchiveNode::begin() const noexcept {
  SortChildren();
  return m_children.cbegin();
}

CArchiveNode::const_iterator CArchiveNode::end() const noexcept {
  SortChildren();
  return m_children.cend();
}

void CArchiveNode::SplitFirstComponent(const char* path, std::string& first, std::string& rest) {
  if (!path) path = "";
  const char* separator = MbsFindSeparator(path);
  if (separator) {
    first.assign(path, static_cast<std::size_t>(separator - path));
    rest.assign(separator + 1);
  } else {
    first.assign(path);
    rest.clear();
  }
}

}  // namespace qor
