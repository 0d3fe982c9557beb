// Global memory blocks, streams over them and the registry of clipboard
// format names, as the component and window systems provide them.
//
// A handle is the address of a small header that holds the block's bytes
// and size, so a block can grow and shrink under the same handle. The number
// of live blocks is counted so that tests can see every block handed out
// freed again.
#include "platform/posix/global_memory.h"
#include "platform/posix/task_allocator.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <strings.h>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t kBlockMagic = 0x474C4F42;  // "GLOB"

struct GlobalBlock {
  std::uint32_t magic;
  UINT flags;
  SIZE_T size;
  LONG locks;
  unsigned char* bytes;
};

std::atomic<long> g_globalBlocks{0};

GlobalBlock* BlockOf(HGLOBAL handle) {
  auto* block = static_cast<GlobalBlock*>(handle);
  return block && block->magic == kBlockMagic ? block : nullptr;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) {
  if (qor::posix::AllocationShouldFail()) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  auto* block = static_cast<GlobalBlock*>(std::malloc(sizeof(GlobalBlock)));
  if (!block) return nullptr;
  unsigned char* bytes = nullptr;
  if (dwBytes != 0) {
    bytes = static_cast<unsigned char*>((uFlags & GMEM_ZEROINIT) ? std::calloc(dwBytes, 1) : std::malloc(dwBytes));
    if (!bytes) {
      std::free(block);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  *block = GlobalBlock{kBlockMagic, uFlags, dwBytes, 0, bytes};
  ++g_globalBlocks;
  return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
  GlobalBlock* block = BlockOf(hMem);
  if (!block) return nullptr;
  if (dwBytes == 0) {
    std::free(block->bytes);
    block->bytes = nullptr;
  } else {
    auto* bytes = qor::posix::AllocationShouldFail()
                      ? nullptr
                      : static_cast<unsigned char*>(std::realloc(block->bytes, dwBytes));
    if (!bytes) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > block->size) std::memset(bytes + block->size, 0, dwBytes - block->size);
    block->bytes = bytes;
  }
  block->size = dwBytes;
  return hMem;
}

LPVOID GlobalLock(HGLOBAL hMem) {
  GlobalBlock* block = BlockOf(hMem);
  if (!block || !block->bytes) return nullptr;
  ++block->locks;
  return block->bytes;
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  GlobalBlock* block = BlockOf(hMem);
  if (!block || block->locks == 0) return FALSE;
  return --block->locks != 0;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
  GlobalBlock* block = BlockOf(hMem);
  return block ? block->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  GlobalBlock* block = BlockOf(hMem);
  if (!block) return hMem;
  std::free(block->bytes);
  block->magic = 0;
  std::free(block);
  --g_globalBlocks;
  return nullptr;
}

UINT RegisterClipboardFormatA(LPCSTR lpszFormat) try {
  static std::mutex lock;
  static std::vector<std::string> names;
  if (!lpszFormat || !*lpszFormat) return 0;
  auto sameName = [lpszFormat](const std::string& name) { return strcasecmp(name.c_str(), lpszFormat) == 0; };
  std::lock_guard<std::mutex> hold(lock);
  auto found = std::find_if(names.begin(), names.end(), sameName);
  if (found == names.end()) found = names.insert(names.end(), lpszFormat);
  return 0xC000u + static_cast<UINT>(found - names.begin());
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return 0;
}

namespace qor::posix {
long OutstandingGlobalBlocks() { return g_globalBlocks.load(); }
}  // namespace qor::posix
