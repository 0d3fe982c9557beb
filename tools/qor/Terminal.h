// Progress on standard error, shown only when it is a terminal: files and
// bytes done of all, and the rate, redrawn at most ten times a second so
// that a million small files cost no more for being watched.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace qor::host {

class Progress {
 public:
  Progress(std::size_t files, unsigned long long bytes);
  // The done-th file (from 0), of size bytes, is through. name() gives its
  // name, asked for only when the line is redrawn.
  template <class Name>
  void Show(std::size_t done, unsigned long long bytes, const Name& name) {
    if (Advance(done, bytes)) Draw(done, name());
  }
  // Wipes the progress line so that a message or a listed name can be
  // printed.
  void Clear();
  void Done();

 private:
  // Counts the file; true when the line is due to be redrawn.
  bool Advance(std::size_t done, unsigned long long bytes);
  void Draw(std::size_t done, const std::string& name);

  std::size_t m_files;
  unsigned long long m_bytes, m_doneBytes = 0;
  bool m_enabled;
  bool m_shown = false;
  std::chrono::steady_clock::time_point m_start, m_drawn;
};

}  // namespace qor::host
