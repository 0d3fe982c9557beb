#include "server/TypeLibRegistration.h"

#include <algorithm>

#include "names/MbString.h"

namespace qor {

std::string TypeLibFallbackPath(const std::string& modulePath) {
  return modulePath.substr(0, MbsLastIndexOfChar(modulePath, '.')) + ".tlb";
}

std::string TypeLibHelpDirectory(const std::string& path) {
  size_t separator = MbsLastIndexOfSeparator(path);
  size_t colon = MbsLastIndexOfChar(path, ':');
  size_t end = separator == std::string::npos ? colon
               : colon == std::string::npos   ? separator
                                              : std::max(separator, colon);
  return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

#ifdef _WIN32

namespace {

std::wstring Widen(const std::string& text) {
  int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), units);
  wide.resize(static_cast<size_t>(units - 1));
  return wide;
}

}  // namespace

HRESULT RegisterTypeLibrary(HMODULE module) {
  char buffer[MAX_PATH + 1] = {};
  if (GetModuleFileNameA(module, buffer, MAX_PATH) == 0) return HRESULT_FROM_WIN32(GetLastError());
  std::string path = buffer;
  ITypeLib* typeLib = nullptr;
  HRESULT hr = LoadTypeLib(Widen(path).c_str(), &typeLib);
  if (FAILED(hr)) {
    path = TypeLibFallbackPath(path);
    hr = LoadTypeLib(Widen(path).c_str(), &typeLib);
  }
  if (FAILED(hr)) return hr;
  std::wstring widePath = Widen(path);
  std::wstring helpDirectory = Widen(TypeLibHelpDirectory(path));
  hr = RegisterTypeLib(typeLib, widePath.data(), helpDirectory.data());
  typeLib->Release();
  return hr;
}

#else

// No component registry here: registration succeeds without doing anything.
HRESULT RegisterTypeLibrary(HMODULE) { return S_OK; }

#endif

}  // namespace qor
