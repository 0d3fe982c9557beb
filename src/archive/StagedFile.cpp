#include "platform/win32.h"

#include "archive/StagedFile.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <new>

#include "names/MbString.h"

namespace qor {
namespace {

// Temporary names of this process follow one another from a start that
// differs between processes, so that two extractions into one folder
// rarely try the same name; a name that exists is skipped.
std::uint32_t NextTemporaryNumber() noexcept {
  static std::atomic<std::uint32_t> next{
      static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count() * 2654435761u)};
  return next.fetch_add(1, std::memory_order_relaxed);
}

constexpr int kNameAttempts = 64;

}  // namespace

CStagedFile::~CStagedFile() { Discard(); }

bool CStagedFile::Create(const char* target) noexcept try {
  Discard();
  if (target == nullptr || *target == '\0') return false;
  m_target = target;
  std::size_t separator = MbsLastIndexOfSeparator(m_target);
  std::string folder = separator == std::string::npos ? std::string() : m_target.substr(0, separator + 1);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    char name[20];
    std::snprintf(name, sizeof name, "~qor%08x.tmp", static_cast<unsigned>(NextTemporaryNumber()));
    std::string temporary = folder + name;
    if (m_file.CreateNew(temporary.c_str())) {
      m_temporary = std::move(temporary);
      return true;
    }
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
} catch (const std::bad_alloc&) {
  return false;
}

bool CStagedFile::Commit() noexcept {
  if (m_temporary.empty() || !m_file.IsOpen()) return false;
  m_file.Close();
  if (!MoveFileExA(m_temporary.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    Discard();
    return false;
  }
  m_temporary.clear();
  return true;
}

void CStagedFile::Discard() noexcept {
  m_file.Close();
  if (!m_temporary.empty()) static_cast<void>(DeleteFileA(m_temporary.c_str()));
  m_temporary.clear();
}

}  // namespace qor
