#include "support/TempDirectory.h"

#include <atomic>
#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "platform/win32.h"
#ifndef _WIN32
#include <unistd.h>

#include "platform/posix/drive_mapping.h"
#endif

namespace qor::test {
namespace {

std::filesystem::path NativePath(const std::string& windowsPath) {
#ifdef _WIN32
  int units = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), units);
  wide.resize(static_cast<size_t>(units - 1));
  return std::filesystem::path(wide);
#else
  std::string posixPath;
  DWORD error = 0;
  if (!qor::posix::WindowsToPosixPath(windowsPath.c_str(), posixPath, error))
    throw std::runtime_error("no native path for " + windowsPath);
  return std::filesystem::path(posixPath);
#endif
}

std::string WindowsPathOf(const std::filesystem::path& native) {
#ifdef _WIN32
  std::wstring wide = native.wstring();
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text.data(), bytes, nullptr, nullptr);
  text.resize(static_cast<size_t>(bytes - 1));
  return text;
#else
  std::string windowsPath;
  if (!qor::posix::PosixToWindowsPath(native.string(), windowsPath))
    throw std::runtime_error("no Windows path for " + native.string());
  return windowsPath;
#endif
}

std::atomic<int> g_sequence{0};

}  // namespace

TempDirectory::TempDirectory() {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  std::filesystem::path dir;
  for (;;) {
    dir = base / ("qor-test-" + std::to_string(
#ifdef _WIN32
                                    GetCurrentProcessId()
#else
                                    ::getpid()
#endif
                                        ) +
                  "-" + std::to_string(g_sequence++));
    if (std::filesystem::create_directory(dir)) break;
  }
  m_path = WindowsPathOf(dir);
}

TempDirectory::~TempDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(NativePath(m_path), ignored);
}

void TempDirectory::Write(std::string_view name, std::string_view bytes) const {
  HANDLE file = CreateFileA(PathOf(name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + PathOf(name));
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != bytes.size()) throw std::runtime_error("cannot write " + PathOf(name));
}

std::string TempDirectory::Read(std::string_view name) const {
  HANDLE file = CreateFileA(PathOf(name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + PathOf(name));
  std::string bytes;
  std::vector<char> buffer(65536);
  DWORD got = 0;
  while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0)
    bytes.append(buffer.data(), got);
  CloseHandle(file);
  return bytes;
}

bool TempDirectory::Exists(std::string_view name) const {
  return GetFileAttributesA(PathOf(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void TempDirectory::Remove(std::string_view name) const { std::filesystem::remove(NativePath(PathOf(name))); }

std::size_t TempDirectory::Count(std::string_view folder) const {
  std::filesystem::path native = NativePath(folder.empty() ? m_path : PathOf(folder));
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(native), {}));
}

void TempDirectory::MakeDirectory(std::string_view name) const {
  std::filesystem::create_directories(NativePath(PathOf(name)));
}

}  // namespace qor::test
