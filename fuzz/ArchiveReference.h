// The archive fuzzer's oracle: the catalogue, and what extracting one entry
// must give, by the format's rules alone (over the rules' own decoder of
// the archive tests), against which the reader and the extractor are held.
#pragma once

#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveTestSupport.h"

namespace archive_test {

inline std::uint32_t U32(std::string_view s, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(s[at + i]);
  return value;
}

struct ReferenceEntry {
  std::string name;
  std::uint32_t unpackedLength, time, storedLength;
};

// The catalogue of the archive at base in bytes, by the rules alone.
inline std::optional<std::vector<ReferenceEntry>> ReferenceCatalogue(std::string_view bytes, std::size_t base = 0) {
  if (bytes.size() < base || bytes.size() - base < 31) return std::nullopt;
  std::string_view archive = bytes.substr(base);
  std::string_view signature = archive.substr(0, 22);
  if (signature != qor::kOrblaneSignature && signature != qor::kZkternSignature) return std::nullopt;
  std::uint32_t size = U32(archive, 22);
  if (size == 0 || size > archive.size() - 26) return std::nullopt;
  std::string_view catalogue = archive.substr(26, size);
  if (catalogue[0] != 1 || size < 5) return std::nullopt;
  std::uint32_t count = U32(catalogue, 1);
  if (count == 0) return std::nullopt;
  std::vector<ReferenceEntry> entries;
  std::size_t at = 5;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::size_t zero = catalogue.find('\0', at);
    if (zero == std::string_view::npos || zero + 1 + 12 > size) return std::nullopt;
    entries.push_back({std::string(catalogue.substr(at, zero - at)), U32(catalogue, zero + 1), U32(catalogue, zero + 5),
                       U32(catalogue, zero + 9)});
    at = zero + 13;
  }
  return entries;
}

// What extracting entry index of the archive at base must give.
inline std::optional<std::string> ReferenceExtract(std::string_view bytes, std::int32_t index, std::size_t base = 0) {
  auto catalogue = ReferenceCatalogue(bytes, base);
  if (!catalogue || index < 0 || static_cast<std::size_t>(index) >= catalogue->size()) return std::nullopt;
  std::uint64_t at = 26 + std::uint64_t{U32(bytes, base + 22)};
  std::uint64_t total = at, start = at;
  for (std::size_t i = 0; i < catalogue->size(); ++i) {
    if (i == static_cast<std::size_t>(index)) start = total;
    total += (*catalogue)[i].storedLength;
  }
  if (bytes.size() - base != total) return std::nullopt;
  const ReferenceEntry& entry = (*catalogue)[static_cast<std::size_t>(index)];
  // total equals the size of bytes, so start fits a size_t.
  auto decoded = ReferenceDecode(bytes.substr(base + static_cast<std::size_t>(start), entry.storedLength));
  if (!decoded || decoded->size() != entry.unpackedLength || entry.unpackedLength > INT32_MAX) return std::nullopt;
  return decoded;
}

}  // namespace archive_test
