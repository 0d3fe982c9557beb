// Unaligned little-endian integers in item bytes. Records travel inside
// item-ID lists at any address and in a fixed byte order, so fields are read
// and written a byte at a time, never through a cast to a wider type.
#pragma once

#include "platform/win32.h"

namespace qor {

inline WORD ReadLE16(const BYTE* p) noexcept { return static_cast<WORD>(p[0] | (p[1] << 8)); }

inline DWORD ReadLE32(const BYTE* p) noexcept {
  return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
         (static_cast<DWORD>(p[3]) << 24);
}

inline void WriteLE16(BYTE* p, WORD value) noexcept {
  p[0] = static_cast<BYTE>(value);
  p[1] = static_cast<BYTE>(value >> 8);
}

inline void WriteLE32(BYTE* p, DWORD value) noexcept {
  p[0] = static_cast<BYTE>(value);
  p[1] = static_cast<BYTE>(value >> 8);
  p[2] = static_cast<BYTE>(value >> 16);
  p[3] = static_cast<BYTE>(value >> 24);
}

}  // namespace qor
