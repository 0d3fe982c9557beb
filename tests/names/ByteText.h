// Helpers of the names tests: byte strings shown readably in failure
// messages, and copies held in heap blocks of their exact size so that
// AddressSanitizer reports any read past the end.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace names_test {

// The text with every byte outside printable ASCII written as \xNN.
inline std::string Show(std::string_view text) {
  std::string shown = "'";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      shown += hex;
    }
  }
  return shown + "'";
}

// The bytes of a text in a block of their own: Terminated() adds the zero
// byte and nothing more; Range() has no terminator at all.
class ExactBytes {
 public:
  static ExactBytes Terminated(std::string_view text) { return ExactBytes(text, true); }
  static ExactBytes Range(std::string_view text) { return ExactBytes(text, false); }

  const char* c_str() const { return m_bytes.get(); }
  std::string_view View() const { return {m_bytes.get(), m_size}; }

 private:
  ExactBytes(std::string_view text, bool terminated)
      : m_bytes(new char[text.size() + (terminated ? 1 : 0)]), m_size(text.size()) {
    if (!text.empty()) std::memcpy(m_bytes.get(), text.data(), text.size());
    if (terminated) m_bytes[text.size()] = '\0';
  }

  std::unique_ptr<char[]> m_bytes;
  std::size_t m_size;
};

}  // namespace names_test
