// A file of the file system, through the platform's file calls. Paths are
// Windows-form byte strings in the system code page.
#pragma once

#include "archive/ByteFile.h"
#include "platform/UniqueResource.h"

namespace qor {

class CDiskFile final : public CByteFile {
 public:
  CDiskFile() noexcept = default;
  CDiskFile(CDiskFile&&) noexcept = default;
  CDiskFile& operator=(CDiskFile&&) noexcept = default;

  // Opens an existing file read-only; others may read it but not write it
  // while it is open, so an archive cannot change under its reader. Closes
  // whatever was open before. False (GetLastError tells why) when it fails.
  bool OpenForReading(const char* path) noexcept;

  // Creates the file, or truncates an existing one, for reading and writing,
  // shared with no one. Closes whatever was open before.
  bool CreateExclusive(const char* path) noexcept;

  void Close() noexcept { m_handle.reset(); }
  bool IsOpen() const noexcept { return static_cast<bool>(m_handle); }

  bool Seek(std::uint64_t position) noexcept override;
  bool GetLength(std::uint64_t& length) noexcept override;
  bool Read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) noexcept override;
  bool Write(const void* buffer, std::uint32_t count) noexcept override;

 private:
  bool Open(const char* path, DWORD access, DWORD share, DWORD disposition) noexcept;

  UniqueFileHandle m_handle;
};

}  // namespace qor
