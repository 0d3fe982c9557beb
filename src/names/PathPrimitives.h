// Path primitives of display-name parsing: separators that are never the
// trail byte of a double-byte character, components, separator conversion,
// drive and UNC roots, and the kinds of location (URL, UNC path, absolute).
//
// Every string is a byte string in code page 932. Separators are 0x2F and
// 0x5C, accepted everywhere and mixed freely. A std::string argument is taken
// whole (its size bounds every read); a const char* argument is
// zero-terminated and may be null, which counts as the empty string. None of
// these routines fails: each answers for every string, and none reads outside
// its argument. They keep no state; any thread may call them.
#pragma once

#include "platform/win32.h"

#include <cstddef>
#include <string>

namespace qor {

// 1 for 0x2F or 0x5C, else 0.
int IsPathSeparator(unsigned char c);

// 1 when the byte at i is the trail byte of a double-byte character. Decided
// from the bytes before i alone: the run of lead-byte values that ends at
// i - 1 is counted back to the first byte that is not one (which always ends
// a character), and an odd run means the byte at i completes a pair. 0 for
// i <= 0 and for i at or past the end.
int IsTrailByteAt(const std::string& s, std::ptrdiff_t i);

// 1 when s has a byte at i, that byte is not a trail byte, and it is a
// separator.
int IsSeparatorAt(const std::string& s, std::ptrdiff_t i);

// out = the first component of s: the text up to and including its first
// separator of either kind, or all of s when it has none.
void GetFirstComponent(const char* s, std::string& out);

// Appends the first component of the text at p to acc and moves p past it.
// p stays put at the end of the text (and when null).
void TakeNextComponent(std::string& acc, const char*& p);

// Climbs one level, in two passes: the first cuts s before its last separator,
// the second keeps s up to and including the separator that is then last.
// "\a\b\" becomes "\a\" and "\a\b" becomes "\". Returns 1 when both passes
// found a separator; 0 when either did not, and then s holds what the first
// pass left ("a\" becomes "a", "x" stays "x").
int RemoveLastComponent(std::string& s);

// toSlash != 0: every separator 0x5C becomes 0x2F; otherwise every 0x2F
// becomes 0x5C. Trail bytes stay as they are.
void ConvertSeparators(std::string& s, int toSlash);

// drive = the first two bytes when the second is ':' (any first byte) and the
// path does not begin with a separator; rest = the path without its drive.
// "C:\a\b.txt" gives "C:" and "\a\b.txt"; "\a" and "a\b" an empty drive.
void SplitDrive(const std::string& path, std::string& drive, std::string& rest);

// root = the UNC root of the path: two separators, the server name up to the
// next separator, that separator, and the share name up to the following
// separator or the end ("\\srv\share" of "\\srv\share\dir\f"). Empty when the
// path does not begin with two separators.
void GetUncRoot(const std::string& path, std::string& root);

// 1 when the path has a UNC root, that is, begins with two separators.
int IsUncPath(const std::string& path);

// root from GetUncRoot; rest = the path after the root.
void SplitUncPath(const std::string& path, std::string& root, std::string& rest);

// 1 when s begins with a scheme and ':': the first ':' (at a character
// boundary) is preceded only by ASCII letters, digits, '+', '-' and '.', and
// is not the ':' of a one-letter drive ("C:"). An empty scheme (":x") counts.
int IsUrl(const char* s);

// 1 for a URL, a UNC path, or a path that names a drive (second byte ':');
// 0 for anything else, a path that begins with one separator included.
int IsAbsolutePath(const char* path);

// The file-name part of a path without its directory and extension: the text
// after the drive and the last separator, up to the last '.' of that text
// ("C:\data\x.arc" gives "x", "a.b.c" gives "a.b", ".cfg" and "dir\" give "").
std::string SplitPathFileName(const std::string& path);

}  // namespace qor
