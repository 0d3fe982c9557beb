// qorinfo: loads the QOR library as a host does and reports what its entry
// points answer. A first look at a fresh build, until the host program with
// archive commands arrives.
#include <cstdio>
#include <string>

#include "common/QorLibrary.h"

namespace {

const char* Describe(HRESULT hr) {
  switch (hr) {
    case S_OK: return "S_OK";
    case S_FALSE: return "S_FALSE";
    case E_NOTIMPL: return "E_NOTIMPL";
    case E_INVALIDARG: return "E_INVALIDARG";
    case E_POINTER: return "E_POINTER";
    case CLASS_E_CLASSNOTAVAILABLE: return "CLASS_E_CLASSNOTAVAILABLE";
    default: return "another status";
  }
}

void Report(const char* call, HRESULT hr) {
  std::printf("  %-44s %-26s 0x%08X\n", call, Describe(hr), static_cast<unsigned>(hr));
}

}  // namespace

int main() {
  qor::host::QorLibrary qor;
  std::string error;
  if (!qor.Load(error)) {
    std::fprintf(stderr, "qorinfo: %s\n", error.c_str());
    return 1;
  }
  std::printf("QOR library entry points\n");
  Report("DllCanUnloadNow()", qor.CanUnloadNow());
  void* classObject = nullptr;
  Report("DllGetClassObject(CLSID_zKtrnArchiveFolder)",
         qor.GetClassObject(CLSID_zKtrnArchiveFolder, IID_IUnknown, &classObject));
  Report("DllRegisterServer()", qor.RegisterServer());
  Report("DllUnregisterServer()", qor.UnregisterServer());
  void* object = nullptr;
  Report("QORCreateObject(not yet built)", qor.CreateObject("Z:\\none.arc", IID_IzKtrnArchiveObject, &object));
  Report("DllCanUnloadNow()", qor.CanUnloadNow());
  return qor.CanUnloadNow() == S_OK && classObject == nullptr ? 0 : 1;
}
