// What on the file system's side stands in the way of writing a file. The
// library answers only that an extraction failed; these say whether the
// place it was writing to is the reason, so that the stored data is blamed
// only when nothing here is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qor::host {

// Why size bytes cannot be written at file ("the name is too long for the
// file system", "no space left on the device", "the file system is
// read-only", "permission denied"); empty when nothing is seen in the way
// (always on Windows, where the library's own answer has to do).
std::string WriteObstacle(const std::filesystem::path& file, std::uint64_t size);

}  // namespace qor::host
