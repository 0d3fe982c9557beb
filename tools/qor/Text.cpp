#include "Text.h"

#include "qor/winapi.h"

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
  int bytes = WideCharToMultiByte(codePage, 0, wide.data(), length, nullptr, 0, nullptr, used);
  std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) WideCharToMultiByte(codePage, 0, wide.data(), length, text.data(), bytes, nullptr, used);
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

std::optional<std::string> LibraryPath(const std::filesystem::path& path) {
  std::wstring wide = path.wstring();
  bool lossy = false;
  std::string cp932 = Narrow(std::basic_string<WCHAR>(wide.begin(), wide.end()), CP_ACP, &lossy);
  if (lossy) return std::nullopt;
  return cp932;
}

#else

std::filesystem::path NativePath(const std::string& utf8) { return std::filesystem::path(utf8); }

std::string DisplayPath(const std::filesystem::path& path) { return path.string(); }

// The drive Z: is the root of the file system, as the library sees it.
std::optional<std::string> LibraryPath(const std::filesystem::path& path) {
  std::optional<std::string> cp932 = Cp932FromUtf8(path.string());
  if (!cp932) return std::nullopt;
  std::string windows = "Z:";
  for (char c : *cp932) windows += c == '/' ? '\\' : c;  // "/" is never a trail byte in CP932
  return windows;
}

#endif

}  // namespace qor::host
