// Item-ID lists written out byte by byte for the tests. Buffers are vectors
// of exactly the bytes given, so that under AddressSanitizer a read of one
// byte too many is caught.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace qor::test {

// One item: cb (2 + content size, little-endian) followed by content.
inline std::string Item(const std::string& content) {
  std::size_t cb = 2 + content.size();
  return std::string{static_cast<char>(cb & 0xFF), static_cast<char>(cb >> 8)} + content;
}

// An item whose cb is given as is, whatever the content's size.
inline std::string ItemWithSize(unsigned cb, const std::string& content) {
  return std::string{static_cast<char>(cb & 0xFF), static_cast<char>(cb >> 8)} + content;
}

// Items followed by the terminator.
inline std::string List(std::initializer_list<std::string> items) {
  std::string list;
  for (const std::string& item : items) list += item;
  return list + std::string(2, '\0');
}

inline std::vector<BYTE> Exact(const std::string& bytes) { return std::vector<BYTE>(bytes.begin(), bytes.end()); }

inline LPCITEMIDLIST AsList(const std::vector<BYTE>& bytes) { return reinterpret_cast<LPCITEMIDLIST>(bytes.data()); }
inline LPITEMIDLIST AsList(std::vector<BYTE>& bytes) { return reinterpret_cast<LPITEMIDLIST>(bytes.data()); }

// The bytes of a list up to and including its terminator.
inline std::string BytesOf(LPCITEMIDLIST list) {
  const auto* p = reinterpret_cast<const unsigned char*>(list);
  std::size_t total = 0;
  while (p[total] | p[total + 1]) total += static_cast<std::size_t>(p[total] | (p[total + 1] << 8));
  return std::string(reinterpret_cast<const char*>(p), total + 2);
}

// Readable bytes for failure messages.
inline std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char c : bytes) {
    if (!text.empty()) text += ' ';
    text += digits[c >> 4];
    text += digits[c & 15];
  }
  return text;
}

}  // namespace qor::test
