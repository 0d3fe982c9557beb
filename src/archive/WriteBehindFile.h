// A file whose writes are done on a thread of their own once they add up to
// more than a few megabytes, so that decoding a large entry and writing it
// out overlap on two processors. A small file is written directly, with no
// thread. Memory is bounded: a few buffers of a megabyte.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/ByteFile.h"

namespace qor {

class CWriteBehindFile final : public CByteFile {
 public:
  // Writes go to target, in order; target must outlive this object.
  explicit CWriteBehindFile(CByteFile& target) noexcept : m_target(target) {}
  CWriteBehindFile(const CWriteBehindFile&) = delete;
  CWriteBehindFile& operator=(const CWriteBehindFile&) = delete;
  // Abandons writes not yet done (after a failure, nothing more is wanted).
  ~CWriteBehindFile() override;

  // Waits for every write to reach the target; false if any of them failed.
  bool Finish() noexcept;

  // Seeking and reading are for before the first write only.
  bool Seek(std::uint64_t position) noexcept override;
  bool GetLength(std::uint64_t& length) noexcept override;
  bool Read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) noexcept override;
  bool Write(const void* buffer, std::uint32_t count) noexcept override;

 private:
  static constexpr std::uint32_t kDirectBytes = 4u << 20;
  static constexpr std::uint32_t kBufferSize = 1u << 20;
  static constexpr std::size_t kBuffers = 4;
  using Buffer = std::vector<std::uint8_t>;

  bool StartWriter() noexcept;
  // Hands the filled buffer to the writer and takes a free one.
  bool Hand() noexcept;
  void WriterLoop() noexcept;
  void Stop(bool abandon) noexcept;

  CByteFile& m_target;
  std::uint64_t m_direct = 0;  // bytes written before the writer started
  bool m_failed = false;       // a direct write failed
  Buffer m_filling;
  std::thread m_writer;
  std::mutex m_lock;
  std::condition_variable m_changed;
  // Guarded by m_lock, as are the three below. Both have room for every
  // buffer from the start, so handing buffers over never allocates.
  std::vector<Buffer> m_full;  // oldest first
  std::vector<Buffer> m_free;
  bool m_stopping = false;
  bool m_writeFailed = false;
};

}  // namespace qor
