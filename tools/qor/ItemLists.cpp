#include "ItemLists.h"

namespace qor::host {
namespace {

size_t ItemSize(const BYTE* item) { return item[0] | (item[1] << 8); }

// The bytes of a list's items, without its terminator.
size_t ItemsLength(LPCITEMIDLIST list) {
  auto* bytes = reinterpret_cast<const BYTE*>(list);
  size_t length = 0;
  while (bytes && ItemSize(bytes + length) != 0) length += ItemSize(bytes + length);
  return length;
}

}  // namespace

std::vector<ItemBytes> SplitItems(LPCITEMIDLIST list) {
  std::vector<ItemBytes> items;
  auto* bytes = reinterpret_cast<const BYTE*>(list);
  for (size_t at = 0; bytes && ItemSize(bytes + at) != 0; at += ItemSize(bytes + at)) {
    ItemBytes item(bytes + at, bytes + at + ItemSize(bytes + at));
    item.insert(item.end(), {0, 0});
    items.push_back(std::move(item));
  }
  return items;
}

ItemBytes JoinLists(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  auto* first = reinterpret_cast<const BYTE*>(a);
  auto* second = reinterpret_cast<const BYTE*>(b);
  ItemBytes joined(first, first + ItemsLength(a));
  joined.insert(joined.end(), second, second + ItemsLength(b));
  joined.insert(joined.end(), {0, 0});
  return joined;
}

}  // namespace qor::host
