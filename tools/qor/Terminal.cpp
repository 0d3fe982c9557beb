#include "Terminal.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define QOR_ISATTY _isatty
#else
#include <unistd.h>
#define QOR_ISATTY isatty
#endif

namespace qor::host {

namespace {

std::string Megabytes(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
  return text;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

Progress::Progress(std::size_t files, unsigned long long bytes)
    : m_files(files), m_bytes(bytes), m_enabled(QOR_ISATTY(2) != 0), m_start(std::chrono::steady_clock::now()) {}

bool Progress::Advance(std::size_t done, unsigned long long bytes) {
  m_doneBytes += bytes;
  if (!m_enabled) return false;
  auto now = std::chrono::steady_clock::now();
  if (m_shown && now - m_drawn < std::chrono::milliseconds(100) && done + 1 < m_files) return false;
  m_drawn = now;
  return true;
}

void Progress::Draw(std::size_t done, const std::string& name) {
  double seconds = SecondsSince(m_start);
  std::string line = "[" + std::to_string(done + 1) + "/" + std::to_string(m_files) + "] " +
                     Megabytes(static_cast<double>(m_doneBytes)) + " of " + Megabytes(static_cast<double>(m_bytes)) +
                     (seconds > 0 ? ", " + Megabytes(static_cast<double>(m_doneBytes) / seconds) + "/s  " : "  ") + name;
  if (line.size() > 78) {
    std::size_t cut = 75;
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;  // not inside a UTF-8 character
    line = line.substr(0, cut) + "...";
  }
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
  m_shown = true;
}

void Progress::Clear() {
  if (m_shown) std::fprintf(stderr, "\r\033[K");
  m_shown = false;
}

void Progress::Done() {
  Clear();
  if (!m_enabled || m_files == 0) return;
  double seconds = SecondsSince(m_start);
  std::fprintf(stderr, "%zu file(s), %s in %.1f s\n", m_files, Megabytes(static_cast<double>(m_doneBytes)).c_str(),
               seconds);
}

}  // namespace qor::host
