// Conversions between the system code page (932) and UTF-8, for the parts of
// the stand-in that meet the POSIX file system, whose names are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qor::posix {
// Empty optional when the text is not valid in the source encoding or cannot
// be represented in the target one.
std::optional<std::string> Cp932ToUtf8(std::string_view text);
std::optional<std::string> Utf8ToCp932(std::string_view text);
}  // namespace qor::posix
