// The catalogue reader and the extractor on arbitrary bytes taken as an
// archive file. Besides the sanitizers' checks, every result is compared
// with the format's rules applied directly (the test oracle), so a wrong
// answer is a finding as much as a crash is.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ArchiveReference.h"
#include "FuzzCheck.h"
#include "archive/ArchiveTestSupport.h"
#include "archive/Catalogue.h"
#include "archive/ExtractEntry.h"
#include "archive/MemoryFile.h"

namespace {

// Entries extracted per input at base 0 (one at base 1): each extraction
// re-reads the catalogue and allocates its buffers, so an input with
// thousands of entries must not cost thousands of them.
constexpr std::int32_t kMaxIndices = 4;

void CheckAtBase(const std::string& bytes, std::uint32_t base, std::int32_t maxIndices) {
  qor::CHeapMemoryFile archive(4096);
  FUZZ_CHECK(bytes.empty() || archive.Write(bytes.data(), static_cast<std::uint32_t>(bytes.size())));

  qor::Catalogue catalogue;
  BYTE version = 0;
  bool read = qor::ReadCatalogue(archive, version, catalogue, base);
  auto expected = archive_test::ReferenceCatalogue(bytes, base);
  FUZZ_CHECK(read == expected.has_value());
  if (read) {
    FUZZ_CHECK(catalogue.size() == expected->size());
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
      FUZZ_CHECK(catalogue[i].name == (*expected)[i].name);
      FUZZ_CHECK(catalogue[i].storedLength == (*expected)[i].storedLength);
    }
  }

  auto count = static_cast<std::int32_t>(std::min<std::size_t>(catalogue.size(), static_cast<std::size_t>(maxIndices)));
  for (std::int32_t index = -1; index <= count; ++index) {
    qor::CHeapMemoryFile output(1024);
    std::int32_t result = qor::ExtractEntry(archive, output, index, base);
    auto oracle = archive_test::ReferenceExtract(bytes, index, base);
    FUZZ_CHECK((result >= 0) == oracle.has_value());
    if (result < 0) continue;
    FUZZ_CHECK(static_cast<std::size_t>(result) == oracle->size() && output.Length() == oracle->size());
    std::uint32_t length = output.Length();
    auto block = output.Detach();
    FUZZ_CHECK(length == 0 || std::equal(oracle->begin(), oracle->end(), static_cast<const char*>(block.get())));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckAtBase(bytes, 0, kMaxIndices);
  // The same bytes behind a one-byte prefix, read at base 1, must read alike.
  CheckAtBase("\x5A" + bytes, 1, 1);
  return 0;
}
