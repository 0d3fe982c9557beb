// The signature test and the catalogue of an archive file.
//
// Every routine here answers false for anything that is not a well-formed
// archive and leaves no other trace: whatever it opened or allocated is
// released on every path, and no exception leaves it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/ByteFile.h"
#include "platform/win32.h"

namespace qor {

// One stored file as the catalogue describes it. A catalogue lists its
// entries in catalogue order; an entry's position in it is its catalogue
// index, the index that item records carry and that ExtractEntry takes.
struct CatalogueEntry {
  std::string name;  // stored path, code page 932 bytes as stored; may be empty
  std::uint32_t unpackedLength = 0;
  std::int32_t modificationTime = 0;  // seconds since 1970-01-01 UTC
  std::uint32_t storedLength = 0;
};
using Catalogue = std::vector<CatalogueEntry>;

// One record as it is read, its name pointing into the catalogue's bytes:
// valid only while the record is visited.
struct CatalogueRecord {
  const char* name;  // zero-terminated
  std::uint32_t unpackedLength;
  std::int32_t modificationTime;
  std::uint32_t storedLength;
};
using RecordVisitor = std::function<void(const CatalogueRecord&)>;
// A visitor that appends each record to catalogue (throws std::bad_alloc).
RecordVisitor CollectInto(Catalogue& catalogue);

// True if the file system reports an entry at path that is not a directory;
// false if the status query fails.
bool IsExistingFile(const char* path) noexcept;

// True if path is absolute (a drive path, a UNC path or a URL), names an
// existing file, and that file begins with an archive signature. Nothing
// after the signature is examined.
bool IsArchiveFile(const char* path) noexcept;

// Reads and checks the container header and the catalogue of the archive
// that begins at base in file. The catalogue is emptied first; version
// receives the catalogue's version byte as soon as it is read. On false the
// catalogue may hold the records read before the failure and must not be
// used. The file's position afterwards is unspecified.
bool ReadCatalogue(CByteFile& file, BYTE& version, Catalogue& catalogue, std::uint32_t base) noexcept;

// The same checks, handing each record to visit in catalogue order rather
// than keeping them; catalogueSize receives the catalogue's size field. On
// false, visit may have seen the records before the failure. Throws
// std::bad_alloc when the catalogue does not fit in memory (kept apart from
// a malformed one), and whatever visit throws.
bool ReadCatalogueRecords(CByteFile& file, BYTE& version, std::uint32_t base, std::uint32_t& catalogueSize,
                          const RecordVisitor& visit);

// The path checks of IsArchiveFile, then ReadCatalogue at base 0 on the file
// opened read-only and denying others write access.
bool LoadArchiveCatalogue(const char* path, BYTE& version, Catalogue& catalogue) noexcept;

}  // namespace qor
