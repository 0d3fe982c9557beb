// A file held in one memory block that grows in fixed steps, and whose block
// the caller can take over once the file is complete (an extracted file is
// decoded into memory first and then handed on as a whole).
//
// Where the block comes from is a policy, so that the same file can fill a
// plain heap block or a block that is handed across a process or clipboard
// boundary. A policy provides:
//
//   using Handle = ...;                          // null means "no block"
//   static Handle Allocate(std::size_t size) noexcept;           // null: out of memory
//   static Handle Reallocate(Handle, std::size_t size) noexcept; // null: failed, old block intact
//   static void Free(Handle) noexcept;
//   static std::uint8_t* Lock(Handle) noexcept;  // the block's bytes, null on failure
//   static void Unlock(Handle) noexcept;
//
#pragma once

#include "platform/win32.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "archive/ByteFile.h"
#include "platform/UniqueResource.h"

namespace qor {

// Blocks from the C heap; the handle is the block's address.
struct HeapBlockPolicy {
  using Handle = void*;
  static Handle Allocate(std::size_t size) noexcept { return std::malloc(size); }
  static Handle Reallocate(Handle block, std::size_t size) noexcept { return std::realloc(block, size); }
  static void Free(Handle block) noexcept { std::free(block); }
  static std::uint8_t* Lock(Handle block) noexcept { return static_cast<std::uint8_t*>(block); }
  static void Unlock(Handle) noexcept {}
};

// Movable global memory blocks that may be handed to another process through
// the clipboard or a drop; the handle stays valid as the block grows.
struct GlobalBlockPolicy {
  using Handle = HGLOBAL;
  static Handle Allocate(std::size_t size) noexcept { return GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size); }
  static Handle Reallocate(Handle block, std::size_t size) noexcept { return GlobalReAlloc(block, size, GMEM_MOVEABLE); }
  static void Free(Handle block) noexcept { GlobalFree(block); }
  static std::uint8_t* Lock(Handle block) noexcept { return static_cast<std::uint8_t*>(GlobalLock(block)); }
  static void Unlock(Handle block) noexcept { GlobalUnlock(block); }
};

template <typename Policy>
class CMemoryFile final : public CByteFile {
 public:
  using Handle = typename Policy::Handle;
  using Block = UniqueResource<Handle, &Policy::Free>;

  // growStep is the unit of the block's size (1024 and 4096 are the ones in
  // use); 0 is taken as 1. No block exists until the first byte is written.
  explicit CMemoryFile(std::uint32_t growStep) noexcept : m_growStep(growStep ? growStep : 1) {}

  std::uint32_t Length() const noexcept { return m_length; }
  std::uint32_t Capacity() const noexcept { return m_capacity; }
  std::uint32_t GrowStep() const noexcept { return m_growStep; }
  // A write failed because the block could not grow.
  bool OutOfMemory() const noexcept { return m_outOfMemory; }

  // Hands the block over: the caller owns it from now on, and the file is
  // empty again. The block's size is the file's length rounded up to the
  // grow step; its first Length() bytes (read before the call) are the file.
  // A file that was never written has no block, and the result is empty.
  Block Detach() noexcept {
    std::uint64_t fitted = RoundUp(m_length);
    if (m_block && fitted != 0 && fitted < m_capacity) {
      // Shrinking cannot fail on any allocator in use; if it does, the larger
      // block is still a whole number of steps and holds the same bytes.
      Handle smaller = Policy::Reallocate(m_block.get(), static_cast<std::size_t>(fitted));
      if (smaller) {
        m_block.release();
        m_block.reset(smaller);
      }
    }
    m_length = m_capacity = m_position = 0;
    return std::move(m_block);
  }

  bool Seek(std::uint64_t position) noexcept override {
    if (position > UINT32_MAX) return false;
    m_position = static_cast<std::uint32_t>(position);
    return true;
  }

  bool GetLength(std::uint64_t& length) noexcept override {
    length = m_length;
    return true;
  }

  bool Read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) noexcept override {
    bytesRead = 0;
    if (m_position >= m_length || count == 0) return true;
    std::uint32_t n = std::min(count, m_length - m_position);
    std::uint8_t* bytes = Policy::Lock(m_block.get());
    if (bytes == nullptr) return false;
    std::memcpy(buffer, bytes + m_position, n);
    Policy::Unlock(m_block.get());
    m_position += n;
    bytesRead = n;
    return true;
  }

  // Writing past the end fills the gap with zero bytes.
  bool Write(const void* buffer, std::uint32_t count) noexcept override {
    if (count == 0) return true;
    std::uint64_t end = static_cast<std::uint64_t>(m_position) + count;
    if (end > UINT32_MAX || !Reserve(end)) return false;
    std::uint8_t* bytes = Policy::Lock(m_block.get());
    if (bytes == nullptr) return false;
    if (m_position > m_length) std::memset(bytes + m_length, 0, m_position - m_length);
    std::memcpy(bytes + m_position, buffer, count);
    Policy::Unlock(m_block.get());
    m_position = static_cast<std::uint32_t>(end);
    m_length = std::max(m_length, m_position);
    return true;
  }

 private:
  std::uint64_t RoundUp(std::uint64_t size) const noexcept {
    return (size + m_growStep - 1) / m_growStep * m_growStep;
  }

  // The block grows by whole steps, and at least by half its size, so that a
  // file written in many pieces is not copied once per piece; Detach() gives
  // the unused steps back.
  bool Reserve(std::uint64_t needed) noexcept {
    if (needed <= m_capacity) return true;
    std::uint64_t limit = std::uint64_t{UINT32_MAX} / m_growStep * m_growStep;
    std::uint64_t wanted = std::min(std::max(RoundUp(needed), RoundUp(std::uint64_t{m_capacity} * 3 / 2)), limit);
    if (wanted < needed || wanted > SIZE_MAX) return false;
    auto size = static_cast<std::size_t>(wanted);
    if (!m_block) {
      m_block.reset(Policy::Allocate(size));
      m_outOfMemory = !m_block;
      if (!m_block) return false;
    } else {
      Handle grown = Policy::Reallocate(m_block.get(), size);
      m_outOfMemory = !grown;
      if (!grown) return false;
      m_block.release();
      m_block.reset(grown);
    }
    m_capacity = static_cast<std::uint32_t>(wanted);
    return true;
  }

  Block m_block;
  std::uint32_t m_length = 0;
  std::uint32_t m_capacity = 0;
  std::uint32_t m_position = 0;
  std::uint32_t m_growStep;
  bool m_outOfMemory = false;
};

using CHeapMemoryFile = CMemoryFile<HeapBlockPolicy>;
using CGlobalMemoryFile = CMemoryFile<GlobalBlockPolicy>;

}  // namespace qor
