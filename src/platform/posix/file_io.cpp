// File calls of the stand-in, with the Windows error codes.
#include <new>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/drive_mapping.h"
#include "platform/win32.h"

namespace {

// A handle is the descriptor plus one, so that no valid handle is null.
HANDLE HandleFromFd(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1); }
int FdFromHandle(HANDLE h) {
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return -1;
  return static_cast<int>(reinterpret_cast<intptr_t>(h) - 1);
}

// Seconds and nanoseconds since 1970 as 100-nanosecond ticks since 1601.
FILETIME FileTimeFromTimespec(const timespec& time) {
  constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
  auto ticks = static_cast<uint64_t>((time.tv_sec + kSecondsFrom1601To1970) * 10000000 + time.tv_nsec / 100);
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

int OpenFlags(DWORD access, DWORD disposition) {
  int flags = O_CLOEXEC;
  bool read = access & GENERIC_READ;
  bool write = access & GENERIC_WRITE;
  flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW: return flags | O_CREAT | O_EXCL;
    case CREATE_ALWAYS: return flags | O_CREAT | O_TRUNC;
    case OPEN_ALWAYS: return flags | O_CREAT;
    case TRUNCATE_EXISTING: return flags | O_TRUNC;
    default: return flags;
  }
}

}  // namespace

HANDLE CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                   LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) try {
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string path;
  DWORD error = ERROR_SUCCESS;
  if (!qor::posix::WindowsToPosixPath(lpFileName, path, error)) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  struct stat before {};
  bool existed = stat(path.c_str(), &before) == 0;
  if (existed && S_ISDIR(before.st_mode)) {  // directories are not files to CreateFile
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int fd = open(path.c_str(), OpenFlags(dwDesiredAccess, dwCreationDisposition), 0666);
  if (fd < 0) {
    SetLastError(qor::posix::ErrorFromErrno(errno, path));
    return INVALID_HANDLE_VALUE;
  }
  bool reportsExisting = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
  SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return HandleFromFd(fd);
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return INVALID_HANDLE_VALUE;
}

BOOL CloseHandle(HANDLE hObject) {
  int fd = FdFromHandle(hObject);
  if (fd < 0 || close(fd) != 0) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED /*lpOverlapped*/) {
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
  int fd = FdFromHandle(hFile);
  if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
  DWORD done = 0;
  auto* bytes = static_cast<char*>(lpBuffer);
  while (done < nNumberOfBytesToRead) {
    ssize_t n = read(fd, bytes + done, nNumberOfBytesToRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno == EISDIR ? ERROR_ACCESS_DENIED : qor::posix::ErrorFromErrno(errno, ""));
    if (n == 0) break;  // end of file: success with a short count
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
  return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED /*lpOverlapped*/) {
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
  int fd = FdFromHandle(hFile);
  if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
  DWORD done = 0;
  const auto* bytes = static_cast<const char*>(lpBuffer);
  while (done < nNumberOfBytesToWrite) {
    ssize_t n = write(fd, bytes + done, nNumberOfBytesToWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
      return Fail(errno == EBADF ? ERROR_ACCESS_DENIED : qor::posix::ErrorFromErrno(errno, ""));
    }
    done += static_cast<DWORD>(n);
  }
  if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
  return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh, DWORD dwMoveMethod) {
  int fd = FdFromHandle(hFile);
  if (fd < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_SET_FILE_POINTER;
  }
  int64_t distance = lpDistanceToMoveHigh
                         ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                                static_cast<uint32_t>(lDistanceToMove))
                         : static_cast<int64_t>(lDistanceToMove);
  int whence = dwMoveMethod == FILE_CURRENT ? SEEK_CUR : dwMoveMethod == FILE_END ? SEEK_END : SEEK_SET;
  if (dwMoveMethod > FILE_END) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  off_t position = lseek(fd, static_cast<off_t>(distance), whence);
  if (position < 0) {
    SetLastError(errno == EINVAL ? ERROR_NEGATIVE_SEEK : qor::posix::ErrorFromErrno(errno, ""));
    return INVALID_SET_FILE_POINTER;
  }
  if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(position);
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
  int fd = FdFromHandle(hFile);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(st.st_size);
  if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

DWORD GetFileAttributesA(LPCSTR lpFileName) try {
  std::string path;
  DWORD error = ERROR_SUCCESS;
  if (!qor::posix::WindowsToPosixPath(lpFileName, path, error)) {
    SetLastError(error);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    SetLastError(qor::posix::ErrorFromErrno(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(st.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
  return (st.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL : FILE_ATTRIBUTE_READONLY;
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return INVALID_FILE_ATTRIBUTES;
}

BOOL GetFileInformationByHandle(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation) {
  int fd = FdFromHandle(hFile);
  struct stat st {};
  if (lpFileInformation == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (fd < 0 || fstat(fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE);
  *lpFileInformation = BY_HANDLE_FILE_INFORMATION{};
  lpFileInformation->dwFileAttributes = S_ISDIR(st.st_mode)       ? FILE_ATTRIBUTE_DIRECTORY
                                        : (st.st_mode & S_IWUSR) ? FILE_ATTRIBUTE_NORMAL
                                                                 : FILE_ATTRIBUTE_READONLY;
  lpFileInformation->ftLastWriteTime = FileTimeFromTimespec(st.st_mtim);
  lpFileInformation->dwVolumeSerialNumber = static_cast<DWORD>(st.st_dev);
  auto size = static_cast<uint64_t>(st.st_size);
  lpFileInformation->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  lpFileInformation->nFileSizeLow = static_cast<DWORD>(size);
  lpFileInformation->nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
  auto inode = static_cast<uint64_t>(st.st_ino);
  lpFileInformation->nFileIndexHigh = static_cast<DWORD>(inode >> 32);
  lpFileInformation->nFileIndexLow = static_cast<DWORD>(inode);
  return TRUE;
}

BOOL MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) try {
  std::string from, to;
  DWORD error = ERROR_SUCCESS;
  if (!qor::posix::WindowsToPosixPath(lpExistingFileName, from, error) ||
      !qor::posix::WindowsToPosixPath(lpNewFileName, to, error))
    return Fail(error);
  struct stat target {};
  bool exists = lstat(to.c_str(), &target) == 0;
  if (exists && (S_ISDIR(target.st_mode) || !(dwFlags & MOVEFILE_REPLACE_EXISTING)))
    return Fail(S_ISDIR(target.st_mode) ? ERROR_ACCESS_DENIED : ERROR_ALREADY_EXISTS);
  if (rename(from.c_str(), to.c_str()) != 0) return Fail(qor::posix::ErrorFromErrno(errno, to));
  return TRUE;
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return FALSE;
}

BOOL DeleteFileA(LPCSTR lpFileName) try {
  std::string path;
  DWORD error = ERROR_SUCCESS;
  if (!qor::posix::WindowsToPosixPath(lpFileName, path, error)) return Fail(error);
  if (unlink(path.c_str()) != 0) return Fail(errno == EISDIR ? ERROR_ACCESS_DENIED : qor::posix::ErrorFromErrno(errno, path));
  return TRUE;
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return FALSE;
}

DWORD GetFullPathNameA(LPCSTR lpFileName, DWORD nBufferLength, LPSTR lpBuffer, LPSTR* lpFilePart) try {
  std::string full;
  DWORD error = ERROR_SUCCESS;
  if (!qor::posix::FullWindowsPath(lpFileName, full, error)) {
    SetLastError(error);
    return 0;
  }
  if (full.size() + 1 > nBufferLength) return static_cast<DWORD>(full.size() + 1);
  std::memcpy(lpBuffer, full.c_str(), full.size() + 1);
  if (lpFilePart) {
    size_t nameStart = 0;  // just after the last separator, stepping over double-byte characters
    for (size_t i = 0; i < full.size(); ++i) {
      if (IsDBCSLeadByte(static_cast<BYTE>(full[i])))
        ++i;
      else if (full[i] == '\\')
        nameStart = i + 1;
    }
    *lpFilePart = nameStart < full.size() ? lpBuffer + nameStart : nullptr;
  }
  return static_cast<DWORD>(full.size());
} catch (const std::bad_alloc&) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return 0;
}
