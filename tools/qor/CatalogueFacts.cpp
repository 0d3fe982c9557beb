#include "CatalogueFacts.h"

#include <new>

#include "archive/ArchiveFormat.h"
#include "archive/Catalogue.h"
#include "archive/DiskFile.h"

namespace qor::host {

// The records one by one, keeping only their stored lengths: a catalogue of
// a million entries costs qor 4 MB here, beside what the library holds.
std::optional<CatalogueFacts> ReadCatalogueFacts(const std::string& libraryPath) {
  CDiskFile file;
  BYTE version = 0;
  std::uint32_t catalogueSize = 0;
  std::uint64_t storedTotal = 0;
  CatalogueFacts facts;
  try {
    const auto keep = [&](const CatalogueRecord& record) {
      facts.storedLengths.push_back(record.storedLength);
      storedTotal += record.storedLength;
    };
    if (!file.OpenForReading(libraryPath.c_str()) || !file.GetLength(facts.fileLength) ||
        !ReadCatalogueRecords(file, version, 0, catalogueSize, keep))
      return std::nullopt;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  // The stored data follows the catalogue, every entry's in turn.
  facts.describedLength = kCatalogueOffset + std::uint64_t{catalogueSize} + storedTotal;
  return facts;
}

}  // namespace qor::host
