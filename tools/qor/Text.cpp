#include "Text.h"

#include "qor/winapi.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <mutex>
#include <unordered_map>
#endif

namespace qor::host {
namespace {

std::basic_string<WCHAR> Wide(const std::string& text, UINT codePage, DWORD flags = 0) {
  if (text.empty()) return {};
  int units = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::basic_string<WCHAR> wide(static_cast<size_t>(units > 0 ? units : 0), WCHAR{});
  if (units > 0) MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(), units);
  return wide;
}

std::string Narrow(const std::basic_string<WCHAR>& wide, UINT codePage, bool* lossy = nullptr) {
  if (wide.empty()) return {};
  BOOL usedDefault = FALSE;
  BOOL* used = codePage == CP_UTF8 ? nullptr : &usedDefault;
  int length = static_cast<int>(wide.size());
#ifdef _WIN32
  // Windows would otherwise give "é" as "e" without a word: another name.
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
#else
  const DWORD flags = 0;
#endif
  int bytes = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr, used);
  std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(codePage, flags, wide.data(), length, text.data(), bytes, nullptr, used);
  if (lossy) *lossy = usedDefault || (bytes <= 0);
  return text;
}

}  // namespace

std::basic_string<WCHAR> WideFromCp932(const std::string& text) { return Wide(text, CP_ACP); }

std::string Utf8FromCp932(const std::string& text) { return Narrow(Wide(text, CP_ACP), CP_UTF8); }

std::optional<std::string> Cp932FromUtf8(const std::string& text) {
  bool lossy = false;
  std::string cp932 = Narrow(Wide(text, CP_UTF8), CP_ACP, &lossy);
  if (lossy && !text.empty()) return std::nullopt;
  return cp932;
}

#ifdef _WIN32

std::filesystem::path NativePath(const std::string& utf8) {
  std::basic_string<WCHAR> wide = Wide(utf8, CP_UTF8);
  return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
}

std::string DisplayPath(const std::filesystem::path& path) {
  std::wstring wide = path.wstring();
  return Narrow(std::basic_string<WCHAR>(wide.begin(), wide.end()), CP_UTF8);
}

std::optional<std::string> SpeltLibraryPath(const std::filesystem::path& path) {
  std::wstring wide = path.wstring();
  bool lossy = false;
  std::string cp932 = Narrow(std::basic_string<WCHAR>(wide.begin(), wide.end()), CP_ACP, &lossy);
  if (lossy) return std::nullopt;
  return cp932;
}

namespace {

// The short name of an existing file or folder; empty when the volume keeps
// none.
std::filesystem::path Reaching(const std::filesystem::path& anchor) {
  DWORD units = GetShortPathNameW(anchor.c_str(), nullptr, 0);
  if (units == 0) return {};
  std::wstring shortPath(units, L'\0');
  units = GetShortPathNameW(anchor.c_str(), shortPath.data(), units);
  shortPath.resize(units);
  return shortPath;
}

}  // namespace

#else

std::filesystem::path NativePath(const std::string& utf8) { return std::filesystem::path(utf8); }

std::string DisplayPath(const std::filesystem::path& path) { return path.string(); }

// The drive Z: is the root of the file system, as the library sees it.
std::optional<std::string> SpeltLibraryPath(const std::filesystem::path& path) {
  std::optional<std::string> cp932 = Cp932FromUtf8(path.string());
  if (!cp932) return std::nullopt;
  std::string windows = "Z:";
  for (char c : *cp932) windows += c == '/' ? '\\' : c;  // "/" is never a trail byte in CP932
  return windows;
}

namespace {

// Descriptors held on files and folders the library reaches through
// /proc/self/fd, one per path, open until qor ends. Extraction asks from
// several threads at once.
class CHeldDescriptors {
 public:
  CHeldDescriptors() = default;
  CHeldDescriptors(const CHeldDescriptors&) = delete;
  CHeldDescriptors& operator=(const CHeldDescriptors&) = delete;
  ~CHeldDescriptors() {
    for (const auto& [path, descriptor] : m_held) ::close(descriptor);
  }

  // The descriptor held on path, opened on the first call; -1 when it
  // cannot be opened.
  int On(const std::filesystem::path& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_held.find(path.string());
    if (found != m_held.end()) return found->second;
    int descriptor = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (descriptor >= 0) m_held.emplace(path.string(), descriptor);
    return descriptor;
  }

 private:
  std::mutex m_mutex;
  std::unordered_map<std::string, int> m_held;
};

std::filesystem::path Reaching(const std::filesystem::path& anchor) {
  static CHeldDescriptors held;
  int descriptor = held.On(anchor);
  if (descriptor < 0) return {};
  return "/proc/self/fd/" + std::to_string(descriptor);
}

}  // namespace

#endif

std::optional<std::string> LibraryPath(const std::filesystem::path& path) {
  if (std::optional<std::string> spelt = SpeltLibraryPath(path)) return spelt;
  std::filesystem::path walked, anchor, below;
  for (const std::filesystem::path& part : path) {
    walked /= part;
    if (!Cp932FromUtf8(DisplayPath(part))) {
      anchor = walked;
      below.clear();
    } else if (!anchor.empty()) {
      below /= part;
    }
  }
  if (anchor.empty()) return std::nullopt;
  std::filesystem::path reached = Reaching(anchor);
  if (reached.empty()) return std::nullopt;
  return SpeltLibraryPath(below.empty() ? reached : reached / below);
}

}  // namespace qor::host
