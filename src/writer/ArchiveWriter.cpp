#include "platform/win32.h"

#include "writer/ArchiveWriter.h"

#include <cstring>
#include <stdexcept>

#include "archive/ArchiveFormat.h"
#include "archive/MemoryFile.h"

namespace qor {

CArchiveWriter::CArchiveWriter(CByteFile& output, ArchiveSignature signature, std::uint32_t base) noexcept
    : m_output(output), m_signature(signature), m_base(base) {}

std::vector<std::uint8_t> CArchiveWriter::CatalogueBytes() const {
  std::vector<std::uint8_t> bytes(kCatalogueHeadSize);
  bytes[0] = kCatalogueVersion;
  WriteLE32(bytes.data() + 1, static_cast<std::uint32_t>(m_heads.size()));
  for (std::size_t i = 0; i < m_heads.size(); ++i) {
    const std::string& name = m_heads[i].name;
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.push_back(0);
    std::size_t at = bytes.size();
    bytes.resize(at + 12);
    WriteLE32(bytes.data() + at, i < m_unpackedLengths.size() ? m_unpackedLengths[i] : 0);
    WriteLE32(bytes.data() + at + 4, static_cast<std::uint32_t>(m_heads[i].modificationTime));
    WriteLE32(bytes.data() + at + 8, i < m_storedLengths.size() ? m_storedLengths[i] : 0);
  }
  return bytes;
}

bool CArchiveWriter::Begin(std::span<const EntryHead> entries) {
  if (m_begun || entries.empty() || entries.size() > UINT32_MAX) return false;
  for (const EntryHead& head : entries)
    if (head.name.find('\0') != std::string::npos) return false;
  m_heads.assign(entries.begin(), entries.end());
  m_begun = true;
  std::vector<std::uint8_t> catalogue = CatalogueBytes();
  if (catalogue.size() > UINT32_MAX - kCatalogueOffset) {
    m_failed = true;
    return false;
  }
  std::uint8_t head[kCatalogueOffset];
  std::memcpy(head, m_signature == ArchiveSignature::Orblane ? kOrblaneSignature : kZkternSignature, kSignatureSize);
  WriteLE32(head + kSignatureSize, static_cast<std::uint32_t>(catalogue.size()));
  bool ok = m_output.Seek(m_base) && m_output.Write(head, kCatalogueOffset) &&
            m_output.Write(catalogue.data(), static_cast<std::uint32_t>(catalogue.size()));
  m_end = m_base + kCatalogueOffset + catalogue.size();
  m_failed = !ok;
  return ok;
}

bool CArchiveWriter::AddStoredEntry(std::span<const std::uint8_t> stored, std::uint32_t unpackedLength) {
  if (!m_begun || m_failed || m_storedLengths.size() == m_heads.size() || stored.size() > UINT32_MAX) return false;
  bool ok = m_output.Seek(m_end) && m_output.Write(stored.data(), static_cast<std::uint32_t>(stored.size()));
  if (!ok) {
    m_failed = true;
    return false;
  }
  m_unpackedLengths.push_back(unpackedLength);
  m_storedLengths.push_back(static_cast<std::uint32_t>(stored.size()));
  m_end += stored.size();
  return true;
}

bool CArchiveWriter::AddEntry(std::span<const std::uint8_t> data, const EncoderOptions& options) {
  if (data.size() > UINT32_MAX) return false;
  std::vector<std::uint8_t> stored = EncodeEntry(data, options);
  return AddStoredEntry(stored, static_cast<std::uint32_t>(data.size()));
}

bool CArchiveWriter::Finish() {
  if (!m_begun || m_failed || m_storedLengths.size() != m_heads.size()) return false;
  std::vector<std::uint8_t> catalogue = CatalogueBytes();
  bool ok = m_output.Seek(m_base + kCatalogueOffset) &&
            m_output.Write(catalogue.data(), static_cast<std::uint32_t>(catalogue.size())) && m_output.Seek(m_end);
  m_failed = !ok;
  return ok;
}

std::vector<std::uint8_t> BuildArchive(std::span<const ArchiveInput> inputs, ArchiveSignature signature,
                                       const EncoderOptions& options) {
  std::vector<EntryHead> heads;
  heads.reserve(inputs.size());
  for (const ArchiveInput& input : inputs) heads.push_back({input.name, input.modificationTime});
  CHeapMemoryFile file(4096);
  CArchiveWriter writer(file, signature);
  if (!writer.Begin(heads)) throw std::invalid_argument("no entry, or a name with a zero byte");
  for (const ArchiveInput& input : inputs) {
    auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(input.data.data()), input.data.size());
    if (!writer.AddEntry(bytes, options)) throw std::bad_alloc();
  }
  if (!writer.Finish()) throw std::bad_alloc();
  std::vector<std::uint8_t> archive(file.Length());
  std::uint32_t got = 0;
  if (!file.Seek(0) || !file.Read(archive.data(), file.Length(), got) || got != archive.size()) throw std::bad_alloc();
  return archive;
}

}  // namespace qor
