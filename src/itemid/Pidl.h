// Item-ID lists: a run of items, each beginning with its own unsigned 16-bit
// little-endian size cb (the size field included), ended by two zero bytes.
// The empty list is the terminator alone. A null pointer is accepted wherever
// a list is read and behaves as the empty list.
//
// Every block made here comes from the shell task allocator and is freed with
// it, so lists handed to the shell can be freed by the shell and lists the
// shell hands us can be freed here. The allocator is obtained for each
// allocation or free and released right after; none is held between calls.
//
// Lists are walked by their sizes: a list must end with its terminator. Lists
// that come back from hosts are read in place and trusted that far, no
// further; what lies inside an item is read by the record accessors within
// the item's own size (qor/QORITEMIDLIST.h).
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <memory>

class QORITEMIDLIST;

namespace qor {

// The largest size PidlAlloc accepts: the block (size + 2 bytes) must itself
// be measurable in 16 bits, or the terminator would land outside it.
inline constexpr WORD kMaxPidlAllocSize = 0xFFFD;

// Blocks of the shell task allocator; null on failure. Free ignores null.
void* TaskAlloc(std::size_t bytes) noexcept;
void TaskFree(void* block) noexcept;

// cb of the item; 0 for null.
WORD PidlGetItemSize(LPCITEMIDLIST item) noexcept;

// item + cb; null for null. An item of size 0 (the terminator) yields itself.
const ITEMIDLIST* PidlNext(const ITEMIDLIST* item) noexcept;
ITEMIDLIST* PidlNext(ITEMIDLIST* item) noexcept;

// The sum of the items' sizes, the terminator not counted, modulo 65536.
WORD PidlGetSize(LPCITEMIDLIST list) noexcept;

// The last item before the terminator; the list itself when it is empty; null
// for null.
const ITEMIDLIST* PidlLast(const ITEMIDLIST* list) noexcept;
ITEMIDLIST* PidlLast(ITEMIDLIST* list) noexcept;

// A block of size + 2 bytes that is at once a one-item list: size in its first
// two bytes, zero in the two bytes at offset size. Null when the allocator
// fails or size exceeds kMaxPidlAllocSize. The caller owns the block.
ITEMIDLIST* PidlAlloc(WORD size) noexcept;

// Returns a block of the task allocator; null is ignored.
void PidlFree(const ITEMIDLIST* list) noexcept;

// New lists owned by the caller, or null when allocation fails (nothing is
// written then) or the result would not fit in a 16-bit size. A null argument
// gives null for the copies; PidlConcat counts a null list as empty.
ITEMIDLIST* PidlCopy(LPCITEMIDLIST list) noexcept;
ITEMIDLIST* PidlCopyFirst(LPCITEMIDLIST list) noexcept;
ITEMIDLIST* PidlConcat(LPCITEMIDLIST a, LPCITEMIDLIST b) noexcept;

// True when both lists have the same size and the same bytes; two empty (or
// null) lists are equal.
bool PidlEqual(LPCITEMIDLIST a, LPCITEMIDLIST b) noexcept;

// The unique owner of a list (or of a record, which is a list), freed with
// PidlFree.
struct PidlDeleter {
  void operator()(ITEMIDLIST* list) const noexcept { PidlFree(list); }
  void operator()(QORITEMIDLIST* record) const noexcept { PidlFree(reinterpret_cast<ITEMIDLIST*>(record)); }
};
using UniquePidl = std::unique_ptr<ITEMIDLIST, PidlDeleter>;
using UniqueRecord = std::unique_ptr<QORITEMIDLIST, PidlDeleter>;

}  // namespace qor
