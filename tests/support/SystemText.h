// Text in the system code page and in UTF-16, converted as a host converts
// what it shows and what is typed.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace qor::test {

inline std::u16string Widen(std::string_view text) {
  const int length = static_cast<int>(text.size());
  std::u16string wide(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0)), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<LPWSTR>(wide.data()), static_cast<int>(wide.size()));
  return wide;
}

inline std::string Narrow(std::u16string_view wide, BOOL* usedDefault = nullptr) {
  auto source = reinterpret_cast<LPCWSTR>(wide.data());
  const int length = static_cast<int>(wide.size());
  std::string text(static_cast<std::size_t>(WideCharToMultiByte(CP_ACP, 0, source, length, nullptr, 0, nullptr, usedDefault)), '\0');
  WideCharToMultiByte(CP_ACP, 0, source, length, text.data(), static_cast<int>(text.size()), nullptr, usedDefault);
  return text;
}

}  // namespace qor::test
