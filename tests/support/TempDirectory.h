// A fresh directory for one test, removed with everything in it afterwards.
// Paths are Windows-form CP932 strings, as the library sees them (Z:\... on
// POSIX).
#pragma once

#include <string>
#include <string_view>

namespace qor::test {

class TempDirectory {
 public:
  TempDirectory();
  ~TempDirectory();
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& Path() const { return m_path; }
  std::string PathOf(std::string_view name) const { return m_path + "\\" + std::string(name); }

  // Through the platform's file calls, so that they work alike on both targets.
  void Write(std::string_view name, std::string_view bytes) const;
  std::string Read(std::string_view name) const;
  bool Exists(std::string_view name) const;
  void MakeDirectory(std::string_view name) const;
  // Deletes a file of the directory.
  void Remove(std::string_view name) const;
  // How many files and folders the directory (or a folder in it) holds.
  std::size_t Count(std::string_view folder = {}) const;

 private:
  std::string m_path;
};

}  // namespace qor::test
