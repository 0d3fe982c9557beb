#include "support/TempDirectory.h"

#include <filesystem>
#include <iterator>
#include <random>
#include <stdexcept>

#include "platform/win32.h"
#include "support/SystemText.h"
#ifndef _WIN32
#include "platform/posix/drive_mapping.h"
#endif

namespace qor::test {
namespace {

std::filesystem::path NativePath(const std::string& windowsPath) {
#ifdef _WIN32
  return std::filesystem::path(Widen(windowsPath));
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
  return Narrow(native.u16string());
#else
  std::string windowsPath;
  if (!qor::posix::PosixToWindowsPath(native.string(), windowsPath))
    throw std::runtime_error("no Windows path for " + native.string());
  return windowsPath;
#endif
}

}  // namespace

TempDirectory::TempDirectory() {
  std::random_device random;
  std::filesystem::path dir;
  do dir = std::filesystem::temp_directory_path() / ("qor-test-" + std::to_string(random()));
  while (!std::filesystem::create_directory(dir));
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
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  BOOL ok = ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  if (!ok || got != bytes.size()) throw std::runtime_error("cannot read " + PathOf(name));
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
