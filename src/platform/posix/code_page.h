// Conversions between the system code page (932) and UTF-8, for the parts of
// the stand-in that meet the POSIX file system, whose names are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qor::posix {
// Lead bytes of code page 932: 0x81-0x9F and 0xE0-0xFC.
inline bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Empty optional when the text is not valid in the source encoding or cannot
// be represented in the target one.
std::optional<std::string> Cp932ToUtf8(std::string_view text);
std::optional<std::string> Utf8ToCp932(std::string_view text);
}  // namespace qor::posix
