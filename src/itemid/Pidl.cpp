#include "platform/win32.h"

#include "itemid/Pidl.h"

#include <cstring>

#include "itemid/LittleEndian.h"

namespace qor {

namespace {

const BYTE* Bytes(const ITEMIDLIST* list) noexcept { return reinterpret_cast<const BYTE*>(list); }

// The size of a list's items in full width. Copies and comparisons use it, so
// that a list too long for 16 bits is refused rather than cut inside an item.
std::size_t ListBytes(LPCITEMIDLIST list) noexcept {
  std::size_t total = 0;
  for (const BYTE* item = Bytes(list); item;) {
    WORD cb = ReadLE16(item);
    if (cb == 0) break;
    total += cb;
    item += cb;
  }
  return total;
}

// Copies the given parts into one new list; null when they do not fit.
ITEMIDLIST* Assemble(LPCITEMIDLIST first, std::size_t firstBytes, LPCITEMIDLIST second,
                     std::size_t secondBytes) noexcept {
  std::size_t total = firstBytes + secondBytes;
  if (total > kMaxPidlAllocSize) return nullptr;
  ITEMIDLIST* block = PidlAlloc(static_cast<WORD>(total));
  if (!block) return nullptr;
  auto* out = reinterpret_cast<BYTE*>(block);
  if (firstBytes) std::memcpy(out, first, firstBytes);
  if (secondBytes) std::memcpy(out + firstBytes, second, secondBytes);
  return block;
}

}  // namespace

void* TaskAlloc(std::size_t bytes) noexcept {
  IMalloc* malloc = nullptr;
  if (FAILED(SHGetMalloc(&malloc)) || !malloc) return nullptr;
  void* block = malloc->Alloc(bytes);
  malloc->Release();
  return block;
}

void TaskFree(void* block) noexcept {
  if (!block) return;
  IMalloc* malloc = nullptr;
  if (FAILED(SHGetMalloc(&malloc)) || !malloc) return;
  malloc->Free(block);
  malloc->Release();
}

WORD PidlGetItemSize(LPCITEMIDLIST item) noexcept { return item ? ReadLE16(Bytes(item)) : WORD{0}; }

const ITEMIDLIST* PidlNext(const ITEMIDLIST* item) noexcept {
  if (!item) return nullptr;
  return reinterpret_cast<const ITEMIDLIST*>(Bytes(item) + ReadLE16(Bytes(item)));
}

ITEMIDLIST* PidlNext(ITEMIDLIST* item) noexcept {
  return const_cast<ITEMIDLIST*>(PidlNext(static_cast<const ITEMIDLIST*>(item)));
}

WORD PidlGetSize(LPCITEMIDLIST list) noexcept { return static_cast<WORD>(ListBytes(list)); }

const ITEMIDLIST* PidlLast(const ITEMIDLIST* list) noexcept {
  if (!list) return nullptr;
  for (;;) {
    const ITEMIDLIST* next = PidlNext(list);
    if (PidlGetItemSize(next) == 0) return list;
    list = next;
  }
}

ITEMIDLIST* PidlLast(ITEMIDLIST* list) noexcept {
  return const_cast<ITEMIDLIST*>(PidlLast(static_cast<const ITEMIDLIST*>(list)));
}

ITEMIDLIST* PidlAlloc(WORD size) noexcept {
  if (size > kMaxPidlAllocSize) return nullptr;
  auto* block = static_cast<BYTE*>(TaskAlloc(size + 2u));
  if (!block) return nullptr;
  WriteLE16(block, size);
  WriteLE16(block + size, 0);
  return reinterpret_cast<ITEMIDLIST*>(block);
}

void PidlFree(const ITEMIDLIST* list) noexcept { TaskFree(const_cast<ITEMIDLIST*>(list)); }

ITEMIDLIST* PidlCopy(LPCITEMIDLIST list) noexcept {
  if (!list) return nullptr;
  return Assemble(list, ListBytes(list), nullptr, 0);
}

ITEMIDLIST* PidlCopyFirst(LPCITEMIDLIST list) noexcept {
  if (!list) return nullptr;
  return Assemble(list, PidlGetItemSize(list), nullptr, 0);
}

ITEMIDLIST* PidlConcat(LPCITEMIDLIST a, LPCITEMIDLIST b) noexcept {
  return Assemble(a, ListBytes(a), b, ListBytes(b));
}

bool PidlEqual(LPCITEMIDLIST a, LPCITEMIDLIST b) noexcept {
  std::size_t sizeA = ListBytes(a);
  if (sizeA != ListBytes(b)) return false;
  return sizeA == 0 || std::memcmp(a, b, sizeA) == 0;
}

}  // namespace qor
