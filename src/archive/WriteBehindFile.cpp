#include "archive/WriteBehindFile.h"

#include <cstring>
#include <new>
#include <system_error>

namespace qor {

CWriteBehindFile::~CWriteBehindFile() { Stop(true); }

bool CWriteBehindFile::Seek(std::uint64_t position) noexcept {
  return !m_writer.joinable() && m_direct == 0 && m_target.Seek(position);
}

bool CWriteBehindFile::GetLength(std::uint64_t& length) noexcept {
  return !m_writer.joinable() && m_target.GetLength(length);
}

bool CWriteBehindFile::Read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) noexcept {
  bytesRead = 0;
  return !m_writer.joinable() && m_target.Read(buffer, count, bytesRead);
}

bool CWriteBehindFile::Write(const void* buffer, std::uint32_t count) noexcept {
  if (m_failed) return false;
  if (!m_writer.joinable()) {
    // Direct while the file is small, or when no thread can be had.
    if (m_direct + count <= kDirectBytes || !StartWriter()) {
      m_failed = !m_target.Write(buffer, count);
      m_direct += count;
      return !m_failed;
    }
  }
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  while (count > 0) {
    std::uint32_t room = kBufferSize - static_cast<std::uint32_t>(m_filling.size());
    std::uint32_t part = count < room ? count : room;
    m_filling.insert(m_filling.end(), bytes, bytes + part);
    bytes += part;
    count -= part;
    if (m_filling.size() == kBufferSize && !Hand()) return false;
  }
  return true;
}

bool CWriteBehindFile::StartWriter() noexcept try {
  m_full.reserve(kBuffers);
  m_free.reserve(kBuffers);
  for (std::size_t i = 0; i < kBuffers; ++i) {
    m_free.emplace_back();
    m_free.back().reserve(kBufferSize);
  }
  m_filling = std::move(m_free.back());
  m_free.pop_back();
  m_writer = std::thread([this] { WriterLoop(); });
  return true;
} catch (const std::exception&) {
  // Out of memory or no thread: the writes stay direct.
  m_free.clear();
  m_filling = Buffer();
  return false;
}

bool CWriteBehindFile::Hand() noexcept {
  std::unique_lock<std::mutex> hold(m_lock);
  m_changed.wait(hold, [this] { return !m_free.empty() || m_writeFailed; });
  if (m_writeFailed) return false;
  m_full.push_back(std::move(m_filling));
  m_filling = std::move(m_free.back());
  m_free.pop_back();
  m_filling.clear();
  m_changed.notify_all();
  return true;
}

void CWriteBehindFile::WriterLoop() noexcept {
  std::unique_lock<std::mutex> hold(m_lock);
  for (;;) {
    m_changed.wait(hold, [this] { return !m_full.empty() || m_stopping; });
    if (m_full.empty()) return;
    Buffer buffer = std::move(m_full.front());
    m_full.erase(m_full.begin());
    hold.unlock();
    bool ok = m_target.Write(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    hold.lock();
    m_free.push_back(std::move(buffer));
    if (!ok) {
      m_writeFailed = true;
      m_full.clear();
    }
    m_changed.notify_all();
  }
}

void CWriteBehindFile::Stop(bool abandon) noexcept {
  if (!m_writer.joinable()) return;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (abandon) m_full.clear();
    m_stopping = true;
  }
  m_changed.notify_all();
  m_writer.join();
}

bool CWriteBehindFile::Finish() noexcept {
  if (!m_writer.joinable()) return !m_failed;
  if (!m_filling.empty()) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_full.push_back(std::move(m_filling));
    m_filling = Buffer();
  }
  Stop(false);
  return !m_writeFailed;
}

}  // namespace qor
