#include "platform/win32.h"

#include "archive/Catalogue.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "archive/ArchiveFormat.h"
#include "archive/DiskFile.h"
#include "names/PathPrimitives.h"

namespace qor {
namespace {

bool IsSignature(const std::uint8_t* bytes) noexcept {
  return std::memcmp(bytes, kOrblaneSignature, kSignatureSize) == 0 ||
         std::memcmp(bytes, kZkternSignature, kSignatureSize) == 0;
}

// The checks that come before a path is opened.
bool IsCandidatePath(const char* path) noexcept {
  return path != nullptr && *path != '\0' && IsAbsolutePath(path) && IsExistingFile(path);
}

bool ReadExactly(CByteFile& file, void* buffer, std::uint32_t count) noexcept {
  std::uint32_t got = 0;
  return file.Read(buffer, count, got) && got == count;
}

// Visits every record; false when one is cut off, as a count beyond what
// the catalogue holds is.
bool ParseCatalogue(const std::uint8_t* bytes, std::uint32_t size, const RecordVisitor& visit) {
  if (size < kCatalogueHeadSize) return false;
  std::uint32_t count = ReadLE32(bytes + 1);
  if (count == 0) return false;
  std::uint32_t position = kCatalogueHeadSize;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* name = bytes + position;
    const auto* end = static_cast<const std::uint8_t*>(std::memchr(name, 0, size - position));
    if (end == nullptr) return false;  // the name runs to the end of the catalogue
    position += static_cast<std::uint32_t>(end - name) + 1;
    if (size - position < 12) return false;  // a length or the time is cut off
    visit(CatalogueRecord{reinterpret_cast<const char*>(name), ReadLE32(bytes + position),
                          static_cast<std::int32_t>(ReadLE32(bytes + position + 4)), ReadLE32(bytes + position + 8)});
    position += 12;
  }
  return true;  // bytes after the last record are not ours to judge
}

}  // namespace

bool IsExistingFile(const char* path) noexcept {
  if (path == nullptr) return false;
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsArchiveFile(const char* path) noexcept {
  if (!IsCandidatePath(path)) return false;
  CDiskFile file;
  if (!file.OpenForReading(path)) return false;
  std::uint8_t signature[kSignatureSize];
  return ReadExactly(file, signature, kSignatureSize) && IsSignature(signature);
}

bool ReadCatalogueRecords(CByteFile& file, BYTE& version, std::uint32_t base, std::uint32_t& catalogueSize,
                          const RecordVisitor& visit) {
  if (!file.Seek(base)) return false;
  std::uint64_t fileLength = 0;
  if (!file.GetLength(fileLength)) return false;
  if (fileLength < base || fileLength - base < kMinimumArchiveSize) return false;
  std::uint64_t available = fileLength - base;

  std::uint8_t head[kSignatureSize + 4];
  if (!ReadExactly(file, head, kSignatureSize) || !IsSignature(head)) return false;
  // The length test above guarantees these four bytes, so a shorter read
  // means the file failed.
  if (!ReadExactly(file, head + kSignatureSize, 4)) return false;
  std::uint32_t size = ReadLE32(head + kSignatureSize);
  if (size == 0) return false;
  // A catalogue that does not fit in the file could only end in a short
  // read; it is refused before a buffer of its claimed size is allocated.
  if (size > available - kCatalogueOffset) return false;
  catalogueSize = size;

  auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  if (!ReadExactly(file, bytes.get(), size)) return false;
  version = bytes[0];
  if (version != kCatalogueVersion) return false;
  return ParseCatalogue(bytes.get(), size, visit);
}

RecordVisitor CollectInto(Catalogue& catalogue) {
  return [&catalogue](const CatalogueRecord& record) {
    catalogue.push_back(
        CatalogueEntry{record.name, record.unpackedLength, record.modificationTime, record.storedLength});
  };
}

bool ReadCatalogue(CByteFile& file, BYTE& version, Catalogue& catalogue, std::uint32_t base) noexcept try {
  catalogue.clear();
  std::uint32_t size = 0;
  return ReadCatalogueRecords(file, version, base, size, CollectInto(catalogue));
} catch (const std::bad_alloc&) {
  return false;
}

bool LoadArchiveCatalogue(const char* path, BYTE& version, Catalogue& catalogue) noexcept {
  if (!IsCandidatePath(path)) return false;
  CDiskFile file;
  if (!file.OpenForReading(path)) return false;
  return ReadCatalogue(file, version, catalogue, 0);
}

}  // namespace qor
