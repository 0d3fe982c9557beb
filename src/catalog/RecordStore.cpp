#include "catalog/RecordStore.h"

#include "itemid/Pidl.h"
#include "itemid/RecordList.h"

namespace qor {

QORITEMIDLIST* CRecordStore::Add(const char* name, std::size_t n, DWORD index, DWORD attributes, DWORD length,
                                 const FILETIME& time) {
  const std::size_t size = RecordListSize(n);
  std::uint8_t* at;
  if (size > kBlockSize / 4) {
    // A long name gets a block of its own, before the current one, which
    // stays the one being filled.
    m_blocks.reserve(m_blocks.size() + 1);
    auto block = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    at = block.get();
    m_blocks.insert(m_blocks.empty() ? m_blocks.end() : m_blocks.end() - 1, std::move(block));
  } else {
    if (m_used + size > kBlockSize) {
      m_blocks.reserve(m_blocks.size() + 1);
      m_blocks.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize));
      m_used = 0;
    }
    at = m_blocks.back().get() + m_used;
    m_used += size;
  }
  return WriteRecordList(at, name, n, index, attributes, length, time);
}

}  // namespace qor
