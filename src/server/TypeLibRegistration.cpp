#include "server/TypeLibRegistration.h"

#include <algorithm>

#include "names/MbString.h"
#include "names/WideText.h"

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

HRESULT RegisterTypeLibrary(HMODULE module) {
  char buffer[MAX_PATH + 1] = {};
  if (GetModuleFileNameA(module, buffer, MAX_PATH) == 0) return HRESULT_FROM_WIN32(GetLastError());
  std::string path = buffer;
  ITypeLib* typeLib = nullptr;
  HRESULT hr = LoadTypeLib(ToWide(path).c_str(), &typeLib);
  if (FAILED(hr)) {
    path = TypeLibFallbackPath(path);
    hr = LoadTypeLib(ToWide(path).c_str(), &typeLib);
  }
  if (FAILED(hr)) return hr;
  WideString widePath = ToWide(path);
  WideString helpDirectory = ToWide(TypeLibHelpDirectory(path));
  hr = RegisterTypeLib(typeLib, widePath.data(), helpDirectory.data());
  typeLib->Release();
  return hr;
}

#else

// No component registry here: registration succeeds without doing anything.
HRESULT RegisterTypeLibrary(HMODULE) { return S_OK; }

#endif

}  // namespace qor
