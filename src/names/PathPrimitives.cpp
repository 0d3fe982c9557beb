#include "platform/win32.h"

#include "names/PathPrimitives.h"

#include <string_view>

#include "names/MbString.h"

namespace qor {

namespace {

constexpr auto npos = std::string_view::npos;

bool IsLead(char c) { return IsDBCSLeadByte(static_cast<BYTE>(c)) != 0; }

std::string_view View(const char* s) { return s ? std::string_view(s) : std::string_view(); }

bool IsSeparatorByte(char c) { return IsPathSeparator(static_cast<unsigned char>(c)) != 0; }

// The length of the UNC root at the start of path, 0 when there is none. Byte
// 0 begins a character, and when it is a separator so does byte 1; the server
// and share are then walked a character at a time, so a trail byte 0x5C in
// either name does not end it.
std::size_t UncRootLength(std::string_view path) {
  if (path.size() < 2 || !IsSeparatorByte(path[0]) || !IsSeparatorByte(path[1])) return 0;
  std::size_t end = MbsIndexOfSeparator(path, 2);  // after the server
  if (end == npos) return path.size();
  end = MbsIndexOfSeparator(path, end + 1);  // after the share
  return end == npos ? path.size() : end;
}

// A drive is the first two bytes when the second is ':', whatever the first;
// a path that begins with a separator has none. The drive is never longer than
// two bytes and everything after it is the rest, however long: nothing here
// works in fixed buffers.
std::size_t DriveLength(std::string_view path) {
  if (path.empty() || IsSeparatorByte(path[0])) return 0;
  return path.size() >= 2 && path[1] == ':' ? 2 : 0;
}

bool IsSchemeChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
         c == '.';
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

int IsPathSeparator(unsigned char c) { return c == 0x2F || c == 0x5C ? 1 : 0; }

int IsTrailByteAt(const std::string& s, std::ptrdiff_t i) {
  if (i <= 0 || static_cast<std::size_t>(i) >= s.size()) return 0;
  std::size_t run = 0;
  for (std::size_t k = static_cast<std::size_t>(i); k > 0 && IsLead(s[k - 1]); --k) ++run;
  return run % 2 == 1 ? 1 : 0;
}

int IsSeparatorAt(const std::string& s, std::ptrdiff_t i) {
  if (s.empty() || i < 0 || static_cast<std::size_t>(i) >= s.size()) return 0;
  if (IsTrailByteAt(s, i)) return 0;
  return IsSeparatorByte(s[static_cast<std::size_t>(i)]) ? 1 : 0;
}

void GetFirstComponent(const char* s, std::string& out) {
  std::string_view text = View(s);
  std::size_t separator = MbsIndexOfSeparator(text);
  out.assign(separator == npos ? text : text.substr(0, separator + 1));
}

void TakeNextComponent(std::string& acc, const char*& p) {
  std::string_view text = View(p);
  std::size_t separator = MbsIndexOfSeparator(text);
  std::size_t length = separator == npos ? text.size() : separator + 1;
  acc.append(text.substr(0, length));
  if (p) p += length;
}

int RemoveLastComponent(std::string& s) {
  std::size_t last = MbsLastIndexOfSeparator(s);
  if (last == npos) return 0;
  s.resize(last);
  last = MbsLastIndexOfSeparator(s);
  if (last == npos) return 0;
  s.resize(last + 1);
  return 1;
}

void ConvertSeparators(std::string& s, int toSlash) {
  const char from = toSlash ? '\\' : '/';
  const char to = toSlash ? '/' : '\\';
  for (std::size_t i = 0; i < s.size(); i = MbsNextIndex(s, i)) {
    if (s[i] == from) s[i] = to;
  }
}

void SplitDrive(const std::string& path, std::string& drive, std::string& rest) {
  std::size_t length = DriveLength(path);
  drive.assign(path, 0, length);
  rest.assign(path, length);
}

void GetUncRoot(const std::string& path, std::string& root) { root.assign(path, 0, UncRootLength(path)); }

int IsUncPath(const std::string& path) { return UncRootLength(path) != 0 ? 1 : 0; }

void SplitUncPath(const std::string& path, std::string& root, std::string& rest) {
  std::size_t length = UncRootLength(path);
  root.assign(path, 0, length);
  rest.assign(path, length);
}

int IsUrl(const char* s) {
  std::string_view text = View(s);
  std::size_t colon = MbsIndexOfChar(text, ':');
  if (colon == npos) return 0;
  if (colon == 1 && IsAsciiLetter(text[0])) return 0;
  for (std::size_t i = 0; i < colon; ++i) {
    if (!IsSchemeChar(text[i])) return 0;
  }
  return 1;
}

int IsAbsolutePath(const char* path) {
  std::string_view text = View(path);
  if (IsUrl(path) || UncRootLength(text) != 0) return 1;
  if (!text.empty() && IsSeparatorByte(text[0])) return 0;
  return text.size() >= 2 && text[1] == ':' ? 1 : 0;
}

std::string SplitPathFileName(const std::string& path) {
  std::string_view rest = std::string_view(path).substr(DriveLength(path));
  std::size_t separator = MbsLastIndexOfSeparator(rest);
  std::string_view name = separator == npos ? rest : rest.substr(separator + 1);
  std::size_t dot = MbsLastIndexOfChar(name, '.');
  return std::string(dot == npos ? name : name.substr(0, dot));
}

}  // namespace qor
