// The file that the catalogue reader, the extractor and the archive writer
// work on: a seekable run of bytes with a length. Archives come from disk
// (CDiskFile); extracted files go to memory (CMemoryFile) or to disk.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace qor {

class CByteFile {
 public:
  virtual ~CByteFile() = default;

  // Moves the position to an absolute offset from the start. A position past
  // the end is allowed; reading there gives no bytes, writing there extends
  // the file. False when the file refuses the position.
  virtual bool Seek(std::uint64_t position) noexcept = 0;

  // The file's total length in bytes; false when it cannot be known.
  virtual bool GetLength(std::uint64_t& length) noexcept = 0;

  // Reads up to count bytes at the position into buffer and advances the
  // position by the number read, which bytesRead receives (fewer than count
  // only at the end of the file). False on a read failure, with bytesRead 0.
  virtual bool Read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) noexcept = 0;

  // Writes count bytes at the position and advances it. False unless every
  // byte was written.
  virtual bool Write(const void* buffer, std::uint32_t count) noexcept = 0;

 protected:
  CByteFile() = default;
  CByteFile(const CByteFile&) = default;
  CByteFile& operator=(const CByteFile&) = default;
};

}  // namespace qor
