// Progress on standard error, shown only when it is a terminal.
#pragma once

#include <cstddef>
#include <string>

namespace qor::host {

class Progress {
 public:
  explicit Progress(std::size_t total);
  void Show(std::size_t done, const std::string& name);
  // Wipes the progress line so that a message can be printed.
  void Clear();
  void Done();

 private:
  std::size_t m_total;
  bool m_enabled;
  bool m_shown = false;
};

}  // namespace qor::host
