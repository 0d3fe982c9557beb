#include "names/WideText.h"

#include <new>

namespace qor {
namespace {

// A conversion that gave nothing: out of memory, when the platform says so
// (the caller's std::bad_alloc path), else text that converts to nothing.
template <typename Text>
Text NothingOr() {
  if (GetLastError() == ERROR_NOT_ENOUGH_MEMORY) throw std::bad_alloc();
  return {};
}

}  // namespace

WideString ToWide(std::string_view text) {
  if (text.empty()) return {};
  int length = static_cast<int>(text.size());
  int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return NothingOr<WideString>();
  WideString wide(static_cast<size_t>(units), WCHAR{});
  if (MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), units) <= 0) return NothingOr<WideString>();
  return wide;
}

std::string ToNarrow(const WCHAR* text) {
  if (!text || !*text) return {};
  int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return NothingOr<std::string>();
  std::string narrow(static_cast<size_t>(bytes), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), bytes, nullptr, nullptr) <= 0)
    return NothingOr<std::string>();
  narrow.resize(static_cast<size_t>(bytes - 1));
  return narrow;
}

}  // namespace qor
