// One-item lists holding an archive item record, written in place: for
// stores that keep many records in one block.
#pragma once

#include "platform/win32.h"

#include <cstddef>

#include "qor/QORITEMIDLIST.h"

namespace qor {
// The bytes of a one-item list holding a record whose name is n bytes long:
// the record with the name's zero byte, then the list terminator.
inline constexpr std::size_t RecordListSize(std::size_t n) noexcept { return QORITEMIDLIST::kFixedSize + 1 + n + 2; }
// Writes such a list at `at`, which has RecordListSize(n) bytes: the fields
// as QORITEMIDLIST::create writes them. n is at most kMaxNameLength.
QORITEMIDLIST* WriteRecordList(void* at, const char* name, std::size_t n, DWORD index, DWORD attributes,
                               DWORD length, const FILETIME& time) noexcept;

}  // namespace qor
