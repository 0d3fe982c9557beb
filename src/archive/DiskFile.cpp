#include "platform/win32.h"

#include "archive/DiskFile.h"

#include <cstdint>

namespace qor {

bool CDiskFile::Open(const char* path, DWORD access, DWORD share, DWORD disposition) noexcept {
  m_handle.reset();
  if (path == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  m_handle.reset(CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  return IsOpen();
}

bool CDiskFile::OpenForReading(const char* path) noexcept {
  return Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
}

bool CDiskFile::CreateExclusive(const char* path) noexcept {
  return Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
}

bool CDiskFile::CreateNew(const char* path) noexcept {
  return Open(path, GENERIC_WRITE, 0, CREATE_NEW);
}

bool CDiskFile::GetStamp(FileStamp& stamp) noexcept {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!IsOpen() || !GetFileInformationByHandle(m_handle.get(), &info)) return false;
  stamp.length = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.lastWrite = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                    info.ftLastWriteTime.dwLowDateTime;
  stamp.volume = info.dwVolumeSerialNumber;
  stamp.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

bool CDiskFile::Seek(std::uint64_t position) noexcept {
  if (!IsOpen() || position > static_cast<std::uint64_t>(INT64_MAX)) return false;
  LONG high = static_cast<LONG>(position >> 32);
  SetLastError(ERROR_SUCCESS);
  DWORD low = SetFilePointer(m_handle.get(), static_cast<LONG>(static_cast<DWORD>(position)), &high, FILE_BEGIN);
  // INVALID_SET_FILE_POINTER is also the low half of some valid positions;
  // only the error code tells the two apart.
  return !(low == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS);
}

bool CDiskFile::GetLength(std::uint64_t& length) noexcept {
  length = 0;
  if (!IsOpen()) return false;
  DWORD high = 0;
  SetLastError(ERROR_SUCCESS);
  DWORD low = GetFileSize(m_handle.get(), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return false;
  length = (static_cast<std::uint64_t>(high) << 32) | low;
  return true;
}

bool CDiskFile::Read(void* buffer, std::uint32_t count, std::uint32_t& bytesRead) noexcept {
  bytesRead = 0;
  if (!IsOpen()) return false;
  DWORD got = 0;
  if (!ReadFile(m_handle.get(), buffer, count, &got, nullptr)) return false;
  bytesRead = got;
  return true;
}

bool CDiskFile::Write(const void* buffer, std::uint32_t count) noexcept {
  if (!IsOpen()) return false;
  DWORD written = 0;
  return WriteFile(m_handle.get(), buffer, count, &written, nullptr) && written == count;
}

}  // namespace qor
