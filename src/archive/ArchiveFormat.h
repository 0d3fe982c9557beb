// The archive container and the stored-data stream, as constants: shared by
// the reader, the extractor and the writer, so that all three agree.
//
// Container, from the archive's base offset B:
//   0   22  signature, one of the two below, no terminator
//   22  4   catalogue size K (not 0)
//   26  K   catalogue: version byte 1, entry count N (not 0), N records of
//           { name ended by 0x00, unpacked length, time (signed seconds
//           since 1970 UTC), stored length }, then ignored bytes
//   26+K    the stored data of every entry, back to back in catalogue order;
//           nothing follows the last one
// Integers are 32-bit little-endian.
//
// Stored data of an entry: short-match marker A, long-match marker M, then
// tokens up to the entry's end. A byte that is neither marker is a literal.
// A marker followed by 0x00 is that marker byte as a literal. A followed by
// d != 0 copies d >> 4 bytes from d & 15 bytes back. M (when it is not also
// A) followed by d != 0 and e copies d >> 4 bytes from (e << 4 | d & 15)
// bytes back.
#pragma once

#include <cstdint>

namespace qor {

inline constexpr char kOrblaneSignature[] = "Orblane CompressedFile";
inline constexpr char kZkternSignature[] = "zK-TERN CompressedFile";
inline constexpr std::uint32_t kSignatureSize = 22;
static_assert(sizeof kOrblaneSignature == kSignatureSize + 1 && sizeof kZkternSignature == kSignatureSize + 1);

inline constexpr std::uint32_t kCatalogueSizeOffset = kSignatureSize;
inline constexpr std::uint32_t kCatalogueOffset = kSignatureSize + 4;
inline constexpr std::uint8_t kCatalogueVersion = 1;
// Catalogue version byte and entry count.
inline constexpr std::uint32_t kCatalogueHeadSize = 5;
// The shortest container that can hold a catalogue head.
inline constexpr std::uint32_t kMinimumArchiveSize = kCatalogueOffset + kCatalogueHeadSize;
// The shortest entry record: an empty name and three integers.
inline constexpr std::uint32_t kMinimumRecordSize = 1 + 3 * 4;

inline constexpr std::uint32_t kMaxMatchLength = 15;
inline constexpr std::uint32_t kMaxShortOffset = 15;
inline constexpr std::uint32_t kMaxLongOffset = 4095;
inline constexpr std::uint32_t kHistorySize = 4095;

// The extractor's two buffers. The input block is refilled before a token
// whose first byte lies at index kRefillThreshold or later, so a token of up
// to 3 bytes always lies inside it. The output window is written out before a
// token once kFlushThreshold bytes are in it, so one token (at most 15 bytes)
// never runs past its end; after the first write the window starts with the
// last kHistorySize bytes written, which every match can reach.
inline constexpr std::uint32_t kInputBlockSize = 100000;
inline constexpr std::uint32_t kRefillThreshold = 99990;
inline constexpr std::uint32_t kOutputWindowSize = 104095;
inline constexpr std::uint32_t kFlushThreshold = 99985;
static_assert(kOutputWindowSize == kInputBlockSize + kHistorySize);
static_assert(kRefillThreshold + 3 <= kInputBlockSize);
static_assert(kFlushThreshold + kMaxMatchLength <= kOutputWindowSize);

inline std::uint32_t ReadLE32(const std::uint8_t* p) noexcept {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

inline void WriteLE32(std::uint8_t* p, std::uint32_t value) noexcept {
  p[0] = static_cast<std::uint8_t>(value);
  p[1] = static_cast<std::uint8_t>(value >> 8);
  p[2] = static_cast<std::uint8_t>(value >> 16);
  p[3] = static_cast<std::uint8_t>(value >> 24);
}

}  // namespace qor
