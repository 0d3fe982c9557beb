// The decoder of an entry's stored data (ArchiveFormat.h), and the buffers
// it decodes in.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "archive/ByteFile.h"

namespace qor {

// The decoder's two buffers: one input block and one output window
// (ArchiveFormat.h), allocated on first use and reused for every entry
// decoded with them. One decoding at a time.
class CDecoderBuffers {
 public:
  // False when the buffers cannot be allocated.
  bool Allocate() noexcept;

 private:
  friend std::int64_t DecodeStoredEntry(CByteFile&, std::uint64_t, std::uint64_t, std::uint32_t, CByteFile&,
                                        CDecoderBuffers&) noexcept;
  std::unique_ptr<std::uint8_t[]> m_input;
  std::unique_ptr<std::uint8_t[]> m_window;
};

// Buffers kept for the next decoding, so that extracting many small entries
// does not allocate and clear 200 KB for each. Safe to use from several
// threads; it keeps as many spare pairs as decodings ran at once, up to a few.
class CDecoderBufferPool {
 public:
  // Spare buffers, or new ones; null when out of memory.
  std::unique_ptr<CDecoderBuffers> Take() noexcept;
  // Keeps buffers for the next Take, or frees them when enough are kept.
  void Give(std::unique_ptr<CDecoderBuffers> buffers) noexcept;

 private:
  static constexpr std::size_t kMaxSpare = 4;
  std::mutex m_lock;
  std::vector<std::unique_ptr<CDecoderBuffers>> m_spare;
};

// Decodes the stored data that occupies storedLength bytes at file position
// `start` of `archive` (two markers, then tokens) and writes the bytes to
// `output` at its current position, in chunks as the window fills. Returns
// the decoded length, or -1 when the stream is malformed, decodes to other
// than unpackedLength bytes, the file holds fewer bytes than storedLength,
// out of memory, or a file operation fails. It reads only the entry's bytes
// and never reads or writes outside its two buffers, whatever the stream
// holds. After a failure `output` may hold a prefix of the entry's bytes.
std::int64_t DecodeStoredEntry(CByteFile& archive, std::uint64_t start, std::uint64_t storedLength,
                               std::uint32_t unpackedLength, CByteFile& output, CDecoderBuffers& buffers) noexcept;
// The same with buffers of its own for this one call.
std::int64_t DecodeStoredEntry(CByteFile& archive, std::uint64_t start, std::uint64_t storedLength,
                               std::uint32_t unpackedLength, CByteFile& output) noexcept;

}  // namespace qor
