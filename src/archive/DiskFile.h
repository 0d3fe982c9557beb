// A file of the file system, through the platform's file calls. Paths are
// Windows-form byte strings in the system code page.
#pragma once

#include "archive/ByteFile.h"
#include "platform/UniqueResource.h"

namespace qor {

// What tells one state of a file from another: its length, its last write,
// and which file of its volume it is (so that a file put in its place is
// another file even with the same length and time).
struct FileStamp {
  std::uint64_t length = 0;
  std::uint64_t lastWrite = 0;  // FILETIME ticks
  DWORD volume = 0;
  std::uint64_t index = 0;

  bool operator==(const FileStamp&) const = default;
};

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

  // Creates a file that must not exist yet, for writing, shared with no one.
  // False with ERROR_FILE_EXISTS (or ERROR_ALREADY_EXISTS) when it does.
  bool CreateNew(const char* path) noexcept;

  // The open file's stamp; false when the system cannot tell it.
  bool GetStamp(FileStamp& stamp) noexcept;

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
