// Helpers of the archive and writer tests: archives written byte by byte, a
// file in memory that fails on request and records its writes, and an
// oracle that decodes stored data by the format's rules alone (flat output,
// no window, no blocks), against which the extractor is compared.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "archive/ArchiveFormat.h"
#include "archive/ByteFile.h"
#include "archive/ExtractEntry.h"

namespace archive_test {

// One file a.txt holding "xyz", time 0, markers 0x41 and 0x42: 54 bytes, as
// the reader takes it and the writer must make it.
inline const std::string kSmallArchive =
    std::string(qor::kOrblaneSignature) +
    std::string("\x17\x00\x00\x00" "\x01" "\x01\x00\x00\x00" "a.txt\x00" "\x03\x00\x00\x00" "\x00\x00\x00\x00"
                "\x05\x00\x00\x00" "\x41\x42xyz", 32);

inline std::string LE32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

inline std::string ToString(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }
inline std::span<const std::uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

struct RawEntry {
  std::string name;
  std::uint32_t unpackedLength;
  std::string stored;
  std::int32_t time = 0;
};

inline std::string RawRecord(const RawEntry& e) {
  return e.name + std::string(1, '\0') + LE32(e.unpackedLength) + LE32(static_cast<std::uint32_t>(e.time)) +
         LE32(static_cast<std::uint32_t>(e.stored.size()));
}

// A container around a hand-made catalogue and data area.
inline std::string RawContainer(std::string_view catalogue, std::string_view data,
                                std::string_view signature = qor::kOrblaneSignature) {
  return std::string(signature) + LE32(static_cast<std::uint32_t>(catalogue.size())) + std::string(catalogue) +
         std::string(data);
}

// A well-formed archive of hand-made entries.
inline std::string RawArchive(const std::vector<RawEntry>& entries,
                              std::string_view signature = qor::kOrblaneSignature) {
  std::string catalogue = "\x01" + LE32(static_cast<std::uint32_t>(entries.size()));
  std::string data;
  for (const RawEntry& e : entries) {
    catalogue += RawRecord(e);
    data += e.stored;
  }
  return RawContainer(catalogue, data, signature);
}

// A file held in a string. Each kind of call is counted and can be told to
// fail from its n-th call on (1-based; 0 never fails). Writes are recorded
// by size.
class CScriptedFile final : public qor::CByteFile {
 public:
  enum Call { kSeek, kLength, kRead, kWrite, kCallKinds };
  explicit CScriptedFile(std::string bytes = {}) : m_bytes(std::move(bytes)) {}

  std::string& Bytes() { return m_bytes; }
  const std::vector<std::uint32_t>& WriteSizes() const { return m_writeSizes; }

  int calls[kCallKinds] = {}, failFrom[kCallKinds] = {};

  bool Seek(std::uint64_t position) noexcept override {
    if (Fails(kSeek)) return false;
    m_position = position;
    return true;
  }
  bool GetLength(std::uint64_t& length) noexcept override {
    const bool fails = Fails(kLength);
    length = fails ? 0 : m_bytes.size();
    return !fails;
  }
  bool Read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) noexcept override {
    bytesRead = 0;
    if (Fails(kRead)) return false;
    if (m_position >= m_bytes.size()) return true;
    bytesRead = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, m_bytes.size() - m_position));
    std::memcpy(buffer, m_bytes.data() + m_position, bytesRead);
    m_position += bytesRead;
    return true;
  }
  bool Write(const void* buffer, std::uint32_t count) noexcept override {
    if (Fails(kWrite)) return false;
    m_writeSizes.push_back(count);
    if (m_position + count > m_bytes.size()) m_bytes.resize(static_cast<std::size_t>(m_position + count));
    std::memcpy(m_bytes.data() + m_position, buffer, count);
    m_position += count;
    return true;
  }

 private:
  bool Fails(Call kind) { return ++calls[kind] >= failFrom[kind] && failFrom[kind] != 0; }

  std::string m_bytes;
  std::uint64_t m_position = 0;
  std::vector<std::uint32_t> m_writeSizes;
};

// One match token of a stream, with the count of bytes produced before it.
struct ReferenceMatch {
  bool longForm;
  std::size_t length, offset, produced;
};

// The bytes that stored data decodes to by the rules alone, or nothing for
// a malformed stream; matches, when given, receives every match token. A
// match of length 0 is accepted wherever it points; a match with a length
// must point at a byte already produced.
inline std::optional<std::string> ReferenceDecode(std::string_view stored,
                                                  std::vector<ReferenceMatch>* matches = nullptr) {
  std::string out;
  if (stored.size() < 2) return out;
  const auto a = static_cast<unsigned char>(stored[0]), m = static_cast<unsigned char>(stored[1]);
  std::size_t i = 2;
  while (i < stored.size()) {
    auto c = static_cast<unsigned char>(stored[i]);
    if (c != a && c != m) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (i + 2 > stored.size()) return std::nullopt;
    auto d = static_cast<unsigned char>(stored[i + 1]);
    if (d == 0) {
      out += static_cast<char>(c);
      i += 2;
      continue;
    }
    std::size_t length = d >> 4, offset = d & 0x0F;
    if (c == a) {
      i += 2;
    } else {
      if (i + 3 > stored.size()) return std::nullopt;
      offset |= static_cast<std::size_t>(static_cast<unsigned char>(stored[i + 2])) << 4;
      i += 3;
    }
    if (matches) matches->push_back({c != a, length, offset, out.size()});
    if (length == 0) continue;
    if (offset == 0 || offset > out.size()) return std::nullopt;
    for (std::size_t k = 0; k < length; ++k) out += out[out.size() - offset];
  }
  return out;
}

// The bytes of entry index of the archive at base as the extractor gives
// them, or nothing when it gives -1 (what it wrote then goes to partial).
inline std::optional<std::string> Extract(const std::string& bytes, std::int32_t index, std::uint32_t base = 0,
                                          std::string* partial = nullptr) {
  CScriptedFile archive(bytes), output;
  const std::int32_t result = qor::ExtractEntry(archive, output, index, base);
  if (partial) *partial = output.Bytes();
  if (result < 0) return std::nullopt;
  EXPECT_EQ(static_cast<std::size_t>(result), output.Bytes().size()) << "the result counts the bytes written";
  return output.Bytes();
}

// Deterministic sample data.
inline std::string RandomBytes(std::size_t length, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(length, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// Words from a small vocabulary in lines of about 70 characters: repeats at
// every distance, as in prose.
inline std::string TextLike(std::size_t length, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::string> words(300);
  for (std::string& word : words)
    for (unsigned n = 2 + random() % 8; n > 0; --n) word += static_cast<char>('a' + random() % 26);
  std::string text;
  for (std::size_t line = 0; text.size() < length;) {
    // Zipf-like: low indices far more often.
    const std::string& word = words[static_cast<std::size_t>(random() % 300) * (random() % 300) / 300];
    line += word.size() + 1;
    text += word + (line > 70 ? '\n' : ' ');
    if (line > 70) line = 0;
  }
  text.resize(length);
  return text;
}

// A random block repeated with small changes: matches at one distance near
// the history's end, across any flush of the extractor.
inline std::string Periodic(std::size_t length, std::size_t period, unsigned seed) {
  std::string block = RandomBytes(period, seed);
  std::mt19937 random(seed + 1);
  std::string data;
  while (data.size() < length) {
    block[random() % period] = static_cast<char>(random() & 0xFF);
    data += block;
  }
  data.resize(length);
  return data;
}

}  // namespace archive_test
