// Multi-byte string routines of code page 932, written once over the
// platform's lead-byte test so that every part of the library steps over
// double-byte characters, compares names and finds delimiters the same way.
// The C runtime's own multi-byte functions are not used: their result follows
// the runtime's multi-byte code page, not the system's.
//
// A character is a lead byte followed by a trail byte, or any other byte on
// its own. Trail bytes include 0x5C and values of the lead-byte ranges, so a
// search only looks at bytes that begin a character. A lead byte with no byte,
// or a zero byte, after it is a character of one byte: no routine here ever
// steps past the end of its string.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace qor {

// --- Zero-terminated strings ------------------------------------------------
// Each routine takes a zero-terminated string and reads nothing after its
// terminator. A null pointer compares as the empty string and finds nothing.

// The start of the character after the one at p; at the terminator, p itself.
const char* MbsNextChar(const char* p);

// Case-sensitive order: character by character, a double-byte character
// counting as lead * 256 + trail and any other byte as its unsigned value; the
// first difference decides, and a string that ends first is smaller.
// Result < 0, 0 or > 0.
int MbsCompare(const char* a, const char* b);

// The same order with the single-byte letters A-Z taken as a-z.
int MbsICompare(const char* a, const char* b);

// Map ordering for names held in std::string; a name ends at its first zero
// byte, as it does for the routines above.
struct MbsLess {
  bool operator()(const std::string& a, const std::string& b) const { return MbsCompare(a.c_str(), b.c_str()) < 0; }
};
struct MbsILess {
  bool operator()(const std::string& a, const std::string& b) const { return MbsICompare(a.c_str(), b.c_str()) < 0; }
};

// First and last occurrence of the byte c where a character begins, or null.
// A trail byte never matches. For c == 0 the result is the terminator.
const char* MbsFindChar(const char* s, unsigned char c);
const char* MbsFindLastChar(const char* s, unsigned char c);

// First and last path separator (0x2F or 0x5C) where a character begins, or
// null.
const char* MbsFindSeparator(const char* s);
const char* MbsFindLastSeparator(const char* s);

// --- Byte ranges ------------------------------------------------------------
// The same stepping over a counted range of bytes: positions are byte indices
// into s, and std::string_view::npos stands for "not found". A zero byte
// inside the range is an ordinary character, never a trail byte.

// The index of the character after the one at i; s.size() for the last one.
// Requires i < s.size().
std::size_t MbsNextIndex(std::string_view s, std::size_t i);

// First and last index of the byte c where a character begins.
std::size_t MbsIndexOfChar(std::string_view s, unsigned char c);
std::size_t MbsLastIndexOfChar(std::string_view s, unsigned char c);

// First separator at or after from (which must begin a character, or be at
// or past the end), and last separator of the range.
std::size_t MbsIndexOfSeparator(std::string_view s, std::size_t from = 0);
std::size_t MbsLastIndexOfSeparator(std::string_view s);

}  // namespace qor
