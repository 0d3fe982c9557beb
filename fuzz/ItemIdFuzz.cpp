// Arbitrary bytes as item-ID lists and as single items, through every record
// accessor and the list primitives.
//
// A list has no length of its own: it is walked by its items' sizes until the
// terminator, and a host that hands one back is trusted that far. What is not
// trusted is what lies inside an item. So the input is framed into items
// whose sizes stay inside the input (a size past the end, or below 2, is
// rewritten to what remains), followed by the terminator; each item is also
// copied alone into a block of exactly its size, with nothing after it, so
// that any read past an item's size is a read past a heap block. The whole
// input (up to 65535 bytes) is taken once more as one item of that size.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "platform/win32.h"

#include "itemid/Pidl.h"
#include "qor/QORITEMIDLIST.h"

namespace {

// A heap block of exactly the given bytes.
std::unique_ptr<BYTE[]> Exact(const BYTE* bytes, std::size_t size) {
  auto block = std::make_unique<BYTE[]>(size);
  if (size) std::memcpy(block.get(), bytes, size);
  return block;
}

const QORITEMIDLIST* AsRecord(const BYTE* bytes) { return reinterpret_cast<const QORITEMIDLIST*>(bytes); }

void CheckItem(const BYTE* bytes, std::size_t size) {
  const QORITEMIDLIST* item = AsRecord(bytes);
  FUZZ_CHECK(item->getSizeOne() == size);
  bool isRecord = item->isQORITEMIDLIST();
  FUZZ_CHECK(!isRecord || size >= QORITEMIDLIST::kFixedSize);
  DWORD index = item->getIndex();
  FUZZ_CHECK(size >= 10 || index == 0xFFFFFFFF);
  DWORD attributes = item->getAttributes();
  FUZZ_CHECK(item->isFolder() == ((attributes & 0x10) != 0));
  DWORD length = item->getLength();
  FILETIME time = item->getLastModifiedTime();
  std::string name = item->getFileName();
  FUZZ_CHECK(name.size() + QORITEMIDLIST::kFixedSize <= size || name.empty());
  FUZZ_CHECK(name.find('\0') == std::string::npos);
  if (!isRecord) {
    FUZZ_CHECK(attributes == 0x10 && length == 0 && name.empty());
    FUZZ_CHECK(time.dwLowDateTime == 0 && time.dwHighDateTime == 0);
  }
}

void CheckAssignment(const BYTE* to, std::size_t toSize, const BYTE* from, std::size_t fromSize) {
  std::unique_ptr<BYTE[]> target = Exact(to, toSize);
  auto* record = reinterpret_cast<QORITEMIDLIST*>(target.get());
  *record = *AsRecord(from);
  FUZZ_CHECK(record->getSizeOne() == toSize);
  if (toSize >= QORITEMIDLIST::kFixedSize && fromSize >= QORITEMIDLIST::kFixedSize)
    FUZZ_CHECK(std::memcmp(target.get() + 2, from + 2, QORITEMIDLIST::kFixedSize - 2) == 0);
  else
    FUZZ_CHECK(std::memcmp(target.get(), to, toSize) == 0);
  CheckItem(target.get(), toSize);
}

void CheckList(const BYTE* bytes, std::size_t itemBytes) {
  LPCITEMIDLIST list = reinterpret_cast<LPCITEMIDLIST>(bytes);
  const QORITEMIDLIST* record = AsRecord(bytes);
  FUZZ_CHECK(qor::PidlGetSize(list) == static_cast<WORD>(itemBytes));
  FUZZ_CHECK(record->getSize() == static_cast<WORD>(itemBytes));
  LPCITEMIDLIST last = qor::PidlLast(list);
  FUZZ_CHECK(reinterpret_cast<const BYTE*>(last) >= bytes &&
             reinterpret_cast<const BYTE*>(last) <= bytes + itemBytes);
  FUZZ_CHECK(record->last() == AsRecord(reinterpret_cast<const BYTE*>(last)));
  (void)record->getFilePath();

  qor::UniquePidl copy(qor::PidlCopy(list));
  FUZZ_CHECK((copy != nullptr) == (itemBytes <= qor::kMaxPidlAllocSize));
  if (copy) {
    FUZZ_CHECK(qor::PidlEqual(copy.get(), list));
    FUZZ_CHECK(record->compare(*AsRecord(reinterpret_cast<const BYTE*>(copy.get()))));
    FUZZ_CHECK(AsRecord(reinterpret_cast<const BYTE*>(copy.get()))->getFilePath() == record->getFilePath());
  }
  qor::UniquePidl first(qor::PidlCopyFirst(list));
  FUZZ_CHECK((first != nullptr) == (qor::PidlGetItemSize(list) <= qor::kMaxPidlAllocSize));
  if (first) FUZZ_CHECK(qor::PidlGetSize(first.get()) == qor::PidlGetItemSize(list));

  qor::UniquePidl twice(qor::PidlConcat(list, list));
  FUZZ_CHECK((twice != nullptr) == (2 * itemBytes <= qor::kMaxPidlAllocSize));
  if (twice) {
    FUZZ_CHECK(qor::PidlGetSize(twice.get()) == 2 * itemBytes);
    FUZZ_CHECK(std::memcmp(twice.get(), bytes, itemBytes) == 0);
    FUZZ_CHECK(std::memcmp(reinterpret_cast<const BYTE*>(twice.get()) + itemBytes, bytes, itemBytes) == 0);
  }
  QORITEMIDLIST* duplicate = record->duplicate();
  if (duplicate) duplicate->free();
  QORITEMIDLIST* joined = record->concat(record->last());
  if (joined) joined->free();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The framed list: items that end inside the input, then the terminator.
  std::vector<BYTE> framed(data, data + size);
  std::vector<std::pair<std::size_t, std::size_t>> items;  // offset, size
  std::size_t offset = 0;
  while (size - offset >= 2) {
    std::size_t cb = static_cast<std::size_t>(framed[offset] | (framed[offset + 1] << 8));
    if (cb == 0) break;
    std::size_t remaining = std::min<std::size_t>(size - offset, 0xFFFF);
    if (cb < 2 || cb > remaining) {
      cb = remaining;
      framed[offset] = static_cast<BYTE>(cb);
      framed[offset + 1] = static_cast<BYTE>(cb >> 8);
    }
    items.emplace_back(offset, cb);
    offset += cb;
  }
  std::size_t itemBytes = offset;
  std::vector<BYTE> listBytes(framed.begin(), framed.begin() + static_cast<std::ptrdiff_t>(itemBytes));
  listBytes.push_back(0);
  listBytes.push_back(0);
  std::unique_ptr<BYTE[]> list = Exact(listBytes.data(), listBytes.size());
  CheckList(list.get(), itemBytes);

  // Each item alone, in a block of exactly its size.
  std::vector<std::unique_ptr<BYTE[]>> alone;
  for (const auto& [at, cb] : items) {
    alone.push_back(Exact(framed.data() + at, cb));
    CheckItem(alone.back().get(), cb);
  }
  for (std::size_t i = 1; i < items.size(); ++i) {
    const QORITEMIDLIST* a = AsRecord(alone[i - 1].get());
    const QORITEMIDLIST* b = AsRecord(alone[i].get());
    FUZZ_CHECK(!(*a < *b && *b < *a));
    CheckAssignment(alone[i - 1].get(), items[i - 1].second, alone[i].get(), items[i].second);
  }

  // The whole input as one item.
  if (size >= 2) {
    std::size_t cb = std::min<std::size_t>(size, 0xFFFF);
    std::unique_ptr<BYTE[]> whole = Exact(data, cb);
    whole[0] = static_cast<BYTE>(cb);
    whole[1] = static_cast<BYTE>(cb >> 8);
    CheckItem(whole.get(), cb);
  }
  return 0;
}
