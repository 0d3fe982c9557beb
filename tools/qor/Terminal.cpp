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

Progress::Progress(std::size_t total) : m_total(total), m_enabled(QOR_ISATTY(2) != 0) {}

void Progress::Show(std::size_t done, const std::string& name) {
  if (!m_enabled) return;
  std::string line = "[" + std::to_string(done + 1) + "/" + std::to_string(m_total) + "] " + name;
  if (line.size() > 78) line = line.substr(0, 75) + "...";
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
  if (m_enabled && m_total > 0) std::fprintf(stderr, "%zu file(s)\n", m_total);
}

}  // namespace qor::host
