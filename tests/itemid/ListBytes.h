// Item-ID lists written out byte by byte for the tests. Buffers are vectors
// of exactly the bytes given, so that under AddressSanitizer a read of one
// byte too many is caught.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace qor::test {

// One item: cb (2 + the content's size unless given, little-endian), then
// the content.
inline std::string Item(const std::string& content, std::size_t cb = 0) {
  if (cb == 0) cb = 2 + content.size();
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

// The bytes of a list up to and including its terminator.
inline std::string BytesOf(const void* list) {
  const auto* p = static_cast<const unsigned char*>(list);
  std::size_t total = 0;
  while (p[total] | p[total + 1]) total += static_cast<std::size_t>(p[total] | (p[total + 1] << 8));
  return std::string(reinterpret_cast<const char*>(p), total + 2);
}

}  // namespace qor::test
