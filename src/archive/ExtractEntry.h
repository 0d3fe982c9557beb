// Extraction of one stored file of an archive: where the catalogue puts each
// entry's stored data, the container checks, and the decoding of one entry.
#pragma once

#include <cstdint>
#include <vector>

#include "archive/ByteFile.h"
#include "archive/Catalogue.h"
#include "archive/StoredDataDecoder.h"

namespace qor {

// Where one entry's stored data lies, and what it decodes to.
struct EntryPlace {
  std::uint64_t start = 0;  // file position of its first stored byte
  std::uint32_t storedLength = 0;
  std::uint32_t unpackedLength = 0;
};

// Where every entry of an archive lies, in catalogue order: what extraction
// needs of a catalogue, kept so that one entry costs its own bytes rather
// than a reading of the whole catalogue.
struct ArchiveLayout {
  std::vector<EntryPlace> entries;
  // The file's length, and the one its catalogue implies (the catalogue's
  // end and every entry's stored data).
  std::uint64_t fileLength = 0;
  std::uint64_t describedLength = 0;

  // The file is exactly as long as its catalogue implies; when it is not,
  // no entry of it extracts.
  bool LengthMatches() const noexcept { return fileLength == describedLength; }
};

// Reads the catalogue of the archive that begins at base in archive
// (ReadCatalogue, whose result catalogue and version receive) and where each
// entry's stored data lies. False when ReadCatalogue refuses the file, the
// file's length is unknown or memory runs out.
bool ReadArchiveLayout(CByteFile& archive, std::uint32_t base, BYTE& version, Catalogue& catalogue,
                       ArchiveLayout& layout) noexcept;
// The same, handing each record to visit (ReadCatalogueRecords) rather than
// keeping it. Throws std::bad_alloc when memory runs out, and whatever
// visit throws.
bool ReadArchiveLayout(CByteFile& archive, std::uint32_t base, BYTE& version, ArchiveLayout& layout,
                       const RecordVisitor& visit);

// Decodes entry `index` of a laid-out archive and writes its bytes to
// `output` from position 0 on. Returns the number of bytes written, which is
// the entry's unpacked length, or -1 on any failure: an index out of range,
// an archive whose length is not the one its catalogue implies, an entry too
// long for the result, or any failure of DecodeStoredEntry (with which
// `output` may hold a prefix of the entry's bytes).
std::int32_t ExtractLaidOutEntry(CByteFile& archive, const ArchiveLayout& layout, std::int32_t index,
                                 CByteFile& output, CDecoderBuffers& buffers) noexcept;

// The two above in one call, with buffers of its own: the entry at catalogue
// index `index` of the archive that begins at `base` in `archive`; -1 also
// for a catalogue that ReadCatalogue refuses. Memory use is fixed whatever
// the entry's size.
std::int32_t ExtractEntry(CByteFile& archive, CByteFile& output, std::int32_t index, std::uint32_t base) noexcept;

}  // namespace qor
