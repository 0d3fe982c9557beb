// Extraction of one stored file of an archive: the container checks and the
// decoder of the stored-data stream.
#pragma once

#include <cstdint>

#include "archive/ByteFile.h"

namespace qor {

// Decodes the entry at catalogue index `index` of the archive that begins at
// `base` in `archive`, and writes its bytes to `output` from position 0 on,
// in chunks as the decoder's window fills. Returns the number of bytes
// written, which is the entry's unpacked length, or -1 on any failure: a
// catalogue that ReadCatalogue refuses, an index out of range, an archive
// whose length is not the one its catalogue implies, a malformed stream, a
// decoded length other than the catalogue's, out of memory, or a seek, read
// or write failure of either file. After a failure `output` may hold a
// prefix of the entry's bytes. Memory use is fixed whatever the entry's
// size: one input block and one output window (ArchiveFormat.h).
std::int32_t ExtractEntry(CByteFile& archive, CByteFile& output, std::int32_t index, std::uint32_t base) noexcept;

// The decoder alone: decodes the stored data that occupies storedLength bytes
// at file position `start` of `archive` (two markers, then tokens) and
// writes the bytes to `output` at its current position. Returns the decoded
// length, or -1 when the stream is malformed, decodes to other than
// unpackedLength bytes, or a file operation fails. It never reads or writes
// outside its two buffers, whatever the stream holds.
std::int64_t DecodeStoredEntry(CByteFile& archive, std::uint64_t start, std::uint64_t storedLength,
                               std::uint32_t unpackedLength, CByteFile& output) noexcept;

}  // namespace qor
