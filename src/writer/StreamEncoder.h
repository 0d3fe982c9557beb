// The encoder of an entry's stored data: two marker bytes, then literals,
// escaped markers and matches of up to 15 bytes within 4095 bytes of
// history (ArchiveFormat.h). Not part of the library: archives are written
// by `qor pack`, by the tests and for the sample archive.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qor {

// How the encoder splits the entry into tokens.
enum class ParseStrategy {
  Greedy,   // the match that saves most at each position, else a literal
  Lazy,     // greedy, but a literal first when the next position saves more
  Optimal,  // the fewest stored bytes over all splits the match finder sees
};

struct MarkerPair {
  std::uint8_t shortMarker;  // A: matches within 15 bytes, 2 bytes each
  std::uint8_t longMarker;   // M: matches within 4095 bytes, 3 bytes each
};

struct EncoderOptions {
  ParseStrategy strategy = ParseStrategy::Optimal;
  // The markers to use; by default the two least frequent bytes of the
  // entry. Equal markers are allowed: then every match is a short one.
  std::optional<MarkerPair> markers = std::nullopt;
  // Earlier positions with the same four leading bytes that the match finder
  // tries for each position; more finds longer distant matches, slower.
  std::uint32_t chainDepth = 256;
};

// The two least frequent byte values of data, the least frequent as the
// short marker; ties go to the lower value. Every occurrence of a marker in
// the data costs one extra stored byte.
MarkerPair ChooseMarkers(std::span<const std::uint8_t> data);

// The stored data of an entry holding `data`. Every match it emits copies
// only bytes already produced and, when its offset is below 4, is at most 3
// bytes long: such matches decode alike on every decoder of the format.
// Throws std::bad_alloc when out of memory.
std::vector<std::uint8_t> EncodeEntry(std::span<const std::uint8_t> data, const EncoderOptions& options = {});

}  // namespace qor
