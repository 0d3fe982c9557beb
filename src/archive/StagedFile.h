// A file written under a temporary name beside its target and put in the
// target's place only when it is complete: a failed or abandoned write
// leaves the target as it was (absent, or the file that was there) and no
// temporary file behind.
//
// The temporary name is "~qor" and eight hexadecimal digits plus ".tmp" in
// the target's folder: in the same folder so that putting it in place is a
// rename on one volume, and short so that a target whose path is close to
// the system's length limit still gets one.
#pragma once

#include <string>

#include "archive/DiskFile.h"

namespace qor {

class CStagedFile final : public CByteFile {
 public:
  CStagedFile() noexcept = default;
  CStagedFile(const CStagedFile&) = delete;
  CStagedFile& operator=(const CStagedFile&) = delete;
  // Removes the temporary file unless it was committed.
  ~CStagedFile() override;

  // Creates the temporary file for target (a Windows-form path in the system
  // code page). False when no temporary file can be made in its folder.
  bool Create(const char* target) noexcept;

  // Closes the temporary file and renames it to the target, replacing a
  // file (never a folder) of that name. False, removing it, when that fails.
  bool Commit() noexcept;

  bool Seek(std::uint64_t position) noexcept override { return m_file.Seek(position); }
  bool GetLength(std::uint64_t& length) noexcept override { return m_file.GetLength(length); }
  bool Read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) noexcept override {
    return m_file.Read(buffer, count, bytesRead);
  }
  bool Write(const void* buffer, std::uint32_t count) noexcept override { return m_file.Write(buffer, count); }

 private:
  void Discard() noexcept;

  CDiskFile m_file;
  std::string m_target;
  std::string m_temporary;  // empty once committed or discarded
};

}  // namespace qor
