#include "CatalogueFacts.h"

#include <new>

#include "archive/DiskFile.h"
#include "archive/ExtractEntry.h"

namespace qor::host {

std::optional<CatalogueFacts> ReadCatalogueFacts(const std::string& libraryPath) {
  CDiskFile file;
  BYTE version = 0;
  ArchiveLayout layout;
  try {
    if (!file.OpenForReading(libraryPath.c_str()) ||
        !ReadArchiveLayout(file, 0, version, layout, [](const CatalogueRecord&) {}))
      return std::nullopt;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  CatalogueFacts facts;
  facts.storedLengths.reserve(layout.entries.size());
  for (const EntryPlace& entry : layout.entries) facts.storedLengths.push_back(entry.storedLength);
  facts.fileLength = layout.fileLength;
  facts.describedLength = layout.describedLength;
  return facts;
}

}  // namespace qor::host
