#include "DecodedCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "WriteObstacles.h"

namespace qor::host {

namespace {

constexpr std::uint64_t kKeptInMemory = 1 << 20;  // bytes of a file read into memory

std::string Reason(const char* what, int error) { return std::string(what) + " (" + std::strerror(error) + ")"; }

// A private folder of a new name below parent; empty when it cannot be made.
std::filesystem::path PrivateFolder(const std::filesystem::path& parent) {
  std::string pattern = (parent / "qor-mount-XXXXXX").string();
  return ::mkdtemp(pattern.data()) ? std::filesystem::path(pattern) : std::filesystem::path();
}

}  // namespace

DecodedFile::~DecodedFile() {
  if (m_descriptor >= 0) ::close(m_descriptor);
}

long DecodedFile::Read(char* buffer, std::size_t size, std::uint64_t offset) const {
  if (m_descriptor < 0) {
    if (offset >= m_size) return 0;
    std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_size - offset));
    std::memcpy(buffer, m_bytes.data() + offset, count);
    return static_cast<long>(count);
  }
  std::size_t done = 0;
  while (done < size && offset + done < m_size) {
    ssize_t got = ::pread(m_descriptor, buffer + done, size - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -errno;
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long>(done);
}

DecodedCache::DecodedCache(std::filesystem::path folder, std::uint64_t capacity, Decoder decoder)
    : m_parent(std::move(folder)), m_capacity(capacity), m_decoder(std::move(decoder)) {}

DecodedCache::~DecodedCache() {
  std::error_code ignored;
  if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ignored);
  if (m_smallFolder != m_folder) std::filesystem::remove_all(m_smallFolder, ignored);
}

bool DecodedCache::Create(std::string& error) {
  // Absolute, as the mount may move to "/" when it goes to the background.
  std::error_code ignored;
  m_parent = std::filesystem::absolute(m_parent.empty() ? std::filesystem::path("/tmp") : m_parent, ignored);
  m_folder = PrivateFolder(m_parent);
  if (m_folder.empty()) {
    error = Reason((m_parent.string() + ": cannot create the cache folder").c_str(), errno);
    return false;
  }
  m_smallFolder = ::access("/dev/shm", W_OK | X_OK) == 0 ? PrivateFolder("/dev/shm") : std::filesystem::path();
  if (m_smallFolder.empty()) m_smallFolder = m_folder;
  return true;
}

std::shared_ptr<DecodedFile> DecodedCache::Get(std::uint32_t index, std::uint64_t length, std::string& failure) {
  failure.clear();
  Slot* slot = nullptr;
  auto cached = [&]() -> bool {  // m_lock held: true when the slot has its answer
    if (slot->file) m_recent.splice(m_recent.begin(), m_recent, slot->recent);
    return slot->file || slot->failed;
  };
  {
    std::lock_guard<std::mutex> hold(m_lock);
    std::unique_ptr<Slot>& owned = m_slots[index];
    if (!owned) owned = std::make_unique<Slot>();
    slot = owned.get();
    if (cached()) return slot->file;
    ++slot->waiters;  // the slot stays while this call holds it outside the lock
  }
  struct Leave {
    DecodedCache& cache;
    Slot& slot;
    ~Leave() {
      std::lock_guard<std::mutex> hold(cache.m_lock);
      --slot.waiters;
    }
  } leave{*this, *slot};
  std::lock_guard<std::mutex> decoding(slot->decoding);
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (cached()) return slot->file;  // decoded by another reader meanwhile
  }
  bool damaged = false;
  std::shared_ptr<DecodedFile> file = Decode(index, length, failure, damaged);
  std::lock_guard<std::mutex> hold(m_lock);
  if (!file) {
    slot->failed = damaged;
    return nullptr;
  }
  slot->file = file;
  m_recent.push_front(index);
  slot->recent = m_recent.begin();
  m_held += file->Size();
  EvictBeyondCapacity();
  return file;
}

std::shared_ptr<DecodedFile> DecodedCache::Decode(std::uint32_t index, std::uint64_t length, std::string& failure,
                                                  bool& damaged) {
  const std::filesystem::path& folder = length > kKeptInMemory ? m_folder : m_smallFolder;
  std::filesystem::path target = folder / ("entry" + std::to_string(index));
  if (!m_decoder(index, target, failure)) {
    // The stored data is to blame unless the cache folder is (full, gone).
    std::string obstacle = WriteObstacle(target, length);
    damaged = obstacle.empty();
    if (!damaged) failure = "cannot decode it into " + folder.string() + ": " + obstacle;
    return nullptr;
  }
  int descriptor = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
  int openError = errno;
  ::unlink(target.c_str());
  if (descriptor < 0) {
    failure = Reason("cannot open its decoded bytes", openError);
    return nullptr;
  }
  auto file = std::make_shared<DecodedFile>(descriptor, length);
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || static_cast<std::uint64_t>(status.st_size) != length) {
    damaged = true;
    failure = "damaged: decoded to another length than the catalogue's";
    return nullptr;
  }
  if (length > kKeptInMemory) return file;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  long got = file->Read(bytes.data(), bytes.size(), 0);
  if (got != static_cast<long>(length)) {
    failure = Reason("cannot read its decoded bytes", got < 0 ? static_cast<int>(-got) : EIO);
    return nullptr;
  }
  return std::make_shared<DecodedFile>(std::move(bytes));
}

void DecodedCache::Release(std::shared_ptr<DecodedFile>& file) {
  std::lock_guard<std::mutex> hold(m_lock);
  file.reset();
  EvictBeyondCapacity();
}

void DecodedCache::EvictBeyondCapacity() {
  for (auto it = m_recent.end(); m_held > m_capacity && it != m_recent.begin();) {
    --it;
    Slot& slot = *m_slots.at(*it);
    // Only the cache holds it (copies are made under m_lock, so the count
    // cannot rise meanwhile): no reader has it open.
    if (slot.file.use_count() != 1) continue;
    m_held -= slot.file->Size();
    slot.file.reset();
    // A slot that no call holds is forgotten, so that memory follows what
    // is cached rather than every file ever read.
    if (slot.waiters == 0) m_slots.erase(*it);
    it = m_recent.erase(it);
  }
}

}  // namespace qor::host
