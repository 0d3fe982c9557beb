// Stored files decoded on first read and kept for the reads after it, in a
// cache bounded by the decoded bytes it holds.
//
// Each file is decoded by the library into a file of the cache's private
// folder, which is opened and unlinked at once, so that decoded bytes never
// outlive the process (a process killed mid-decoding may leave its private
// folder and the file being written). A small file's bytes are then read
// into memory and the file closed; a large one (over 1 MB) stays open and is
// read with pread, its bytes in the file system's cache and not in this
// process, so that open descriptors stay few (at most the bound over 1 MB).
// Small files pass through the memory file system (/dev/shm) where there is
// one, as they leave it at once; large ones through the cache folder, which
// is on a disk by default, so that a large open file does not hold memory.
// A file in use (held by an open handle) is never evicted, so a file larger
// than the bound is kept while it is open; the least recently used of the
// others go first, when a file is decoded and when one is let go. A file
// that is damaged is remembered so: it is not decoded again, and its damage
// is reported once; a failure of the cache folder (full, gone) is not.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace qor::host {

class DecodedFile {
 public:
  DecodedFile(int descriptor, std::uint64_t size) : m_descriptor(descriptor), m_size(size) {}
  explicit DecodedFile(std::string bytes) : m_bytes(std::move(bytes)), m_size(m_bytes.size()) {}
  ~DecodedFile();
  DecodedFile(const DecodedFile&) = delete;
  DecodedFile& operator=(const DecodedFile&) = delete;

  // Bytes at an offset: how many were read, or -errno.
  long Read(char* buffer, std::size_t size, std::uint64_t offset) const;
  std::uint64_t Size() const { return m_size; }

 private:
  int m_descriptor = -1;  // or the bytes themselves
  std::string m_bytes;
  std::uint64_t m_size;
};

class DecodedCache {
 public:
  // Decodes a stored file (by catalogue index) into a file at a path: true
  // on success; false with a message otherwise.
  using Decoder = std::function<bool(std::uint32_t index, const std::filesystem::path& target, std::string& error)>;

  DecodedCache(std::filesystem::path folder, std::uint64_t capacity, Decoder decoder);
  ~DecodedCache();
  DecodedCache(const DecodedCache&) = delete;
  DecodedCache& operator=(const DecodedCache&) = delete;

  // Creates the private folder; false with a message.
  bool Create(std::string& error);
  // The decoded bytes of a stored file, which must decode to length bytes:
  // null when they cannot be had (failure says why; for a damaged file only
  // the first time).
  std::shared_ptr<DecodedFile> Get(std::uint32_t index, std::uint64_t length, std::string& failure);

  // Lets go of a file a reader held, evicting what the bound no longer
  // allows now that it is free.
  void Release(std::shared_ptr<DecodedFile>& file);

 private:
  struct Slot {
    std::mutex decoding;  // one decoding of a file at a time
    std::shared_ptr<DecodedFile> file;
    bool failed = false;
    unsigned waiters = 0;                       // calls holding the slot outside m_lock
    std::list<std::uint32_t>::iterator recent;  // valid while file is set
  };
  // Null with a message when the file cannot be had; damaged tells whether
  // it never will (rather than for want of a descriptor, say).
  std::shared_ptr<DecodedFile> Decode(std::uint32_t index, std::uint64_t length, std::string& failure, bool& damaged);
  void EvictBeyondCapacity();  // m_lock held

  std::filesystem::path m_parent, m_folder, m_smallFolder;
  std::uint64_t m_capacity;
  Decoder m_decoder;
  std::mutex m_lock;  // the slots, the recency list and the byte count
  std::unordered_map<std::uint32_t, std::unique_ptr<Slot>> m_slots;
  std::list<std::uint32_t> m_recent;  // most recently used first
  std::uint64_t m_held = 0;
};

}  // namespace qor::host
