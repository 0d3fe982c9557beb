#include "platform/win32.h"

#include "archive/ExtractEntry.h"

#include <climits>
#include <new>

#include "archive/ArchiveFormat.h"

namespace qor {

bool ReadArchiveLayout(CByteFile& archive, std::uint32_t base, BYTE& version, ArchiveLayout& layout,
                       const RecordVisitor& visit) {
  layout = ArchiveLayout{};
  std::uint32_t catalogueSize = 0;
  std::uint64_t position = 0;
  bool read = archive.GetLength(layout.fileLength) &&
              ReadCatalogueRecords(archive, version, base, catalogueSize, [&](const CatalogueRecord& record) {
                if (layout.entries.empty()) position = std::uint64_t{base} + kCatalogueOffset + catalogueSize;
                layout.entries.push_back(EntryPlace{position, record.storedLength, record.unpackedLength});
                position += record.storedLength;
                visit(record);
              });
  if (!read) return false;
  layout.describedLength = layout.entries.empty() ? std::uint64_t{base} + kCatalogueOffset + catalogueSize : position;
  return true;
}

bool ReadArchiveLayout(CByteFile& archive, std::uint32_t base, BYTE& version, Catalogue& catalogue,
                       ArchiveLayout& layout) noexcept try {
  catalogue.clear();
  return ReadArchiveLayout(archive, base, version, layout, CollectInto(catalogue));
} catch (const std::bad_alloc&) {
  return false;
}

std::int32_t ExtractLaidOutEntry(CByteFile& archive, const ArchiveLayout& layout, std::int32_t index,
                                 CByteFile& output, CDecoderBuffers& buffers) noexcept {
  if (!layout.LengthMatches() || index < 0 || static_cast<std::size_t>(index) >= layout.entries.size()) return -1;
  const EntryPlace& entry = layout.entries[static_cast<std::size_t>(index)];
  // The result is a signed 32-bit count; an entry longer than that could not
  // be reported, so it is refused before anything is decoded.
  if (entry.unpackedLength > static_cast<std::uint32_t>(INT32_MAX) || !output.Seek(0)) return -1;
  std::int64_t decoded =
      DecodeStoredEntry(archive, entry.start, entry.storedLength, entry.unpackedLength, output, buffers);
  return static_cast<std::int32_t>(decoded);
}

std::int32_t ExtractEntry(CByteFile& archive, CByteFile& output, std::int32_t index, std::uint32_t base) noexcept {
  BYTE version = 0;
  Catalogue catalogue;
  ArchiveLayout layout;
  CDecoderBuffers buffers;
  if (!ReadArchiveLayout(archive, base, version, catalogue, layout)) return -1;
  return ExtractLaidOutEntry(archive, layout, index, output, buffers);
}

}  // namespace qor
