// Item-ID lists on the host's side: split into their items and joined, byte
// for byte, as any host may do with lists the shell and the library hand
// out (each item starts with its 16-bit size; two zero bytes end a list).
#pragma once

#include <vector>

#include "qor/winapi.h"

namespace qor::host {

using ItemBytes = std::vector<BYTE>;

// Each item of a list as a one-item list of its own.
std::vector<ItemBytes> SplitItems(LPCITEMIDLIST list);
// A copy of a list.
inline ItemBytes CopyItems(LPCITEMIDLIST list);
// The items of a, then those of b, as one list.
ItemBytes JoinLists(LPCITEMIDLIST a, LPCITEMIDLIST b);
inline ItemBytes CopyItems(LPCITEMIDLIST list) { return JoinLists(list, nullptr); }
inline LPCITEMIDLIST AsList(const ItemBytes& bytes) { return reinterpret_cast<LPCITEMIDLIST>(bytes.data()); }

}  // namespace qor::host
