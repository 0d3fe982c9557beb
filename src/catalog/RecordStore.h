// The records of a folder tree, written one after another into large blocks
// and freed all at once with the tree: a million entries cost a million
// records, not a million allocations.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "qor/QORITEMIDLIST.h"

namespace qor {

class CRecordStore {
 public:
  CRecordStore() noexcept = default;
  CRecordStore(const CRecordStore&) = delete;
  CRecordStore& operator=(const CRecordStore&) = delete;

  // A one-item list holding a new record (QORITEMIDLIST::create's fields),
  // valid as long as the store. n is at most QORITEMIDLIST::kMaxNameLength.
  // Throws std::bad_alloc.
  QORITEMIDLIST* Add(const char* name, std::size_t n, DWORD index, DWORD attributes, DWORD length,
                     const FILETIME& time);

 private:
  static constexpr std::size_t kBlockSize = 64 * 1024;

  std::vector<std::unique_ptr<std::uint8_t[]>> m_blocks;
  std::size_t m_used = kBlockSize;  // bytes used of the last block
};

}  // namespace qor
