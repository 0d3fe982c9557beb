// Text between the system code page (932) and UTF-16, as it crosses
// interface boundaries: display names, archive paths given as BSTRs.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace qor {

using WideString = std::basic_string<WCHAR>;

// Conversions with the system code page; text that does not convert becomes
// the code page's default character, as the platform does it. A null wide
// string is the empty string. Throws std::bad_alloc, also when the platform's
// conversion runs out of memory.
WideString ToWide(std::string_view text);
std::string ToNarrow(const WCHAR* text);

}  // namespace qor
