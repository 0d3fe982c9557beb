// The archive writer: a container with either signature, a catalogue of the
// given names (code page 932 bytes, taken as they are) in the given order,
// and each entry's stored data. Not part of the library.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "archive/ByteFile.h"
#include "writer/StreamEncoder.h"

namespace qor {

enum class ArchiveSignature { Orblane, Zktern };

struct EntryHead {
  std::string name;
  std::int32_t modificationTime = 0;  // seconds since 1970-01-01 UTC
};

// Writes one archive into a seekable file, one entry at a time, so that only
// one entry's data need be in memory: Begin() with every name, then
// AddEntry() or AddStoredEntry() once per entry in the same order, then
// Finish(), which fills in the lengths. Each step answers false when a write
// fails or the step is out of turn; the file is then not a valid archive.
class CArchiveWriter {
 public:
  // The archive begins at file position base.
  CArchiveWriter(CByteFile& output, ArchiveSignature signature, std::uint32_t base = 0) noexcept;

  // Writes the signature and a catalogue whose lengths are still 0. False for
  // an empty list (a catalogue needs an entry) or a name holding a 0x00 byte.
  bool Begin(std::span<const EntryHead> entries);

  // Encodes data as the next entry.
  bool AddEntry(std::span<const std::uint8_t> data, const EncoderOptions& options = {});

  // Stores bytes as they are as the next entry, with the unpacked length the
  // catalogue is to claim: for archives whose stream is made by hand.
  bool AddStoredEntry(std::span<const std::uint8_t> stored, std::uint32_t unpackedLength);

  // Rewrites the catalogue with the lengths and leaves the file positioned
  // after the last entry. False unless every entry was added.
  bool Finish();

 private:
  std::vector<std::uint8_t> CatalogueBytes() const;

  CByteFile& m_output;
  ArchiveSignature m_signature;
  std::uint64_t m_base;
  std::vector<EntryHead> m_heads;
  std::vector<std::uint32_t> m_unpackedLengths;
  std::vector<std::uint32_t> m_storedLengths;
  std::uint64_t m_end = 0;
  bool m_begun = false;
  bool m_failed = false;
};

// One entry of an archive built in memory: its name, its bytes, its time.
struct ArchiveInput {
  std::string name;
  std::string data;
  std::int32_t modificationTime = 0;
};

// The bytes of a whole archive holding inputs, in that order. Throws
// std::invalid_argument for inputs the format cannot hold (no entry, a name
// with a 0x00 byte), std::bad_alloc when out of memory.
std::vector<std::uint8_t> BuildArchive(std::span<const ArchiveInput> inputs,
                                       ArchiveSignature signature = ArchiveSignature::Orblane,
                                       const EncoderOptions& options = {});

}  // namespace qor
