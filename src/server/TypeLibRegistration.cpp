#include "server/TypeLibRegistration.h"

#include <cstring>
#include <vector>

namespace qor {
namespace {

// Index of the last occurrence of any of the bytes in set, stepping over
// double-byte characters so that a trail byte never matches; npos if none.
size_t FindLastOf(const std::string& text, const char* set) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
      ++i;
      continue;
    }
    if (std::strchr(set, text[i])) found = i;
  }
  return found;
}

}  // namespace

std::string TypeLibFallbackPath(const std::string& modulePath) {
  size_t dot = FindLastOf(modulePath, ".");
  return modulePath.substr(0, dot) + ".tlb";
}

std::string TypeLibHelpDirectory(const std::string& path) {
  size_t end = FindLastOf(path, "\\/:");
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
