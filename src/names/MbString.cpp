#include "platform/win32.h"

#include "names/MbString.h"

#include <array>

namespace qor {

namespace {

constexpr unsigned char kSlash = 0x2F;
constexpr unsigned char kBackslash = 0x5C;

// The platform's lead-byte test, asked once per byte value: the code page
// does not change while the process runs, and names are scanned and compared
// often (every path of a large archive, every folder sorted by name).
const std::array<bool, 256>& LeadTable() {
  static const auto table = [] {
    std::array<bool, 256> leads{};
    for (unsigned b = 0; b < 256; ++b) leads[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != 0;
    return leads;
  }();
  return table;
}

bool IsLead(unsigned char c) { return LeadTable()[c]; }

// The index after the character at i of s (i < s.size()), with the rule of
// MbsNextIndex; leads is LeadTable(), fetched once by the caller's loop.
inline std::size_t Step(std::string_view s, std::size_t i, const std::array<bool, 256>& leads) {
  return i + 1 < s.size() && leads[static_cast<unsigned char>(s[i])] && s[i + 1] != 0 ? i + 2 : i + 1;
}

bool IsSeparatorByte(unsigned char c) { return c == kSlash || c == kBackslash; }

unsigned char ByteAt(const char* p) { return static_cast<unsigned char>(*p); }

// Reads the character at *p, advances *p past it and returns its value:
// lead * 256 + trail for a double-byte character, the byte otherwise, 0 at the
// terminator (where *p stays).
unsigned ReadChar(const char*& p, bool foldCase) {
  unsigned char first = ByteAt(p);
  if (first == 0) return 0;
  unsigned char second = ByteAt(p + 1);
  if (IsLead(first) && second != 0) {
    p += 2;
    return (static_cast<unsigned>(first) << 8) | second;
  }
  ++p;
  // Only the single-byte letters fold. The full-width letters of the
  // double-byte range compare by value, so a name typed in full-width capitals
  // and the same name in full-width small letters are different names.
  if (foldCase && first >= 'A' && first <= 'Z') first = static_cast<unsigned char>(first - 'A' + 'a');
  return first;
}

unsigned char FoldAscii(unsigned char c, bool foldCase) {
  return foldCase && c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

int Compare(const char* a, const char* b, bool foldCase) {
  if (!a) a = "";
  if (!b) b = "";
  for (;;) {
    // Bytes below 0x80 are whole characters on both sides: the common case,
    // compared without asking about lead bytes.
    unsigned char x = ByteAt(a), y = ByteAt(b);
    if (x < 0x80 && y < 0x80) {
      x = FoldAscii(x, foldCase);
      y = FoldAscii(y, foldCase);
      if (x != y) return x < y ? -1 : 1;
      if (x == 0) return 0;
      ++a;
      ++b;
      continue;
    }
    unsigned ca = ReadChar(a, foldCase);
    unsigned cb = ReadChar(b, foldCase);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

template <typename Match>
const char* FindFirst(const char* s, Match match) {
  if (!s) return nullptr;
  const auto& leads = LeadTable();
  for (const char* p = s; *p; p += leads[ByteAt(p)] && p[1] != 0 ? 2 : 1) {
    if (match(ByteAt(p))) return p;
  }
  return nullptr;
}

template <typename Match>
const char* FindLast(const char* s, Match match) {
  if (!s) return nullptr;
  const char* found = nullptr;
  const auto& leads = LeadTable();
  for (const char* p = s; *p; p += leads[ByteAt(p)] && p[1] != 0 ? 2 : 1) {
    if (match(ByteAt(p))) found = p;
  }
  return found;
}

template <typename Match>
std::size_t IndexOfFirst(std::string_view s, std::size_t from, Match match) {
  const auto& leads = LeadTable();
  for (std::size_t i = from; i < s.size(); i = Step(s, i, leads)) {
    if (match(static_cast<unsigned char>(s[i]))) return i;
  }
  return std::string_view::npos;
}

template <typename Match>
std::size_t IndexOfLast(std::string_view s, Match match) {
  std::size_t found = std::string_view::npos;
  const auto& leads = LeadTable();
  for (std::size_t i = 0; i < s.size(); i = Step(s, i, leads)) {
    if (match(static_cast<unsigned char>(s[i]))) found = i;
  }
  return found;
}

}  // namespace

// A string cut inside a double-byte character ends in a lone lead byte. It is
// taken as a character of one byte, so a walk stops at the end of the string
// instead of taking the terminator, or the byte past the range, as its trail.
const char* MbsNextChar(const char* p) {
  if (!p || *p == 0) return p;
  if (IsLead(ByteAt(p)) && p[1] != 0) return p + 2;
  return p + 1;
}

int MbsCompare(const char* a, const char* b) { return Compare(a, b, false); }

int MbsICompare(const char* a, const char* b) { return Compare(a, b, true); }

const char* MbsFindChar(const char* s, unsigned char c) {
  if (c == 0) return s ? s + std::char_traits<char>::length(s) : nullptr;
  return FindFirst(s, [c](unsigned char b) { return b == c; });
}

const char* MbsFindLastChar(const char* s, unsigned char c) {
  if (c == 0) return MbsFindChar(s, 0);
  return FindLast(s, [c](unsigned char b) { return b == c; });
}

const char* MbsFindSeparator(const char* s) { return FindFirst(s, IsSeparatorByte); }

const char* MbsFindLastSeparator(const char* s) { return FindLast(s, IsSeparatorByte); }

std::size_t MbsNextIndex(std::string_view s, std::size_t i) { return Step(s, i, LeadTable()); }

std::size_t MbsIndexOfChar(std::string_view s, unsigned char c) {
  return IndexOfFirst(s, 0, [c](unsigned char b) { return b == c; });
}

std::size_t MbsLastIndexOfChar(std::string_view s, unsigned char c) {
  return IndexOfLast(s, [c](unsigned char b) { return b == c; });
}

std::size_t MbsIndexOfSeparator(std::string_view s, std::size_t from) {
  return IndexOfFirst(s, from, IsSeparatorByte);
}

std::size_t MbsLastIndexOfSeparator(std::string_view s) { return IndexOfLast(s, IsSeparatorByte); }

}  // namespace qor
