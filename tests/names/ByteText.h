// Byte strings for tests: shown readably in failure messages, and copied into
// heap blocks of their exact size so that AddressSanitizer reports any read
// past the end.
#pragma once

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace names_test {

// The text with every byte outside printable ASCII written as \xNN.
inline std::string Show(std::string_view text) {
  std::string shown = "'";
  for (unsigned char c : text) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    shown += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : hex;
  }
  return shown + "'";
}

// The bytes of a text in a block of their own, followed by the zero byte when
// terminated and by nothing at all otherwise.
class ExactBytes {
 public:
  explicit ExactBytes(std::string_view text, bool terminated = true)
      : m_bytes(new char[text.size() + (terminated ? 1 : 0)]), m_size(text.size()) {
    std::copy(text.begin(), text.end(), m_bytes.get());
    if (terminated) m_bytes[m_size] = '\0';
  }
  const char* c_str() const { return m_bytes.get(); }
  std::string_view View() const { return {m_bytes.get(), m_size}; }

 private:
  std::unique_ptr<char[]> m_bytes;
  std::size_t m_size;
};

}  // namespace names_test
