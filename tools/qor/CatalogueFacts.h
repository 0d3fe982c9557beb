// What an archive's catalogue says that the library's interfaces do not
// carry: each file's stored length, and the length the catalogue implies
// for the whole file, without which the library extracts nothing.
//
// Hosts see neither, so qor reads them from the archive file itself with
// the library's own catalogue reader compiled in, as qor pack uses the
// writer. Everything else qor learns through the library, as any host does;
// only this file's source sees the archive code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor::host {

struct CatalogueFacts {
  std::vector<std::uint32_t> storedLengths;  // by catalogue index
  std::uint64_t fileLength = 0;
  std::uint64_t describedLength = 0;  // what the catalogue implies
};

// The facts of the archive at a path in the library's form (the path the
// library was given); empty when the file cannot be read as an archive.
std::optional<CatalogueFacts> ReadCatalogueFacts(const std::string& libraryPath);

}  // namespace qor::host
