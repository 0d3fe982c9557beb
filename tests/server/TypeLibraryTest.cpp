// Registration of a build of QOR.DLL without the TYPELIB resource: it falls
// back to the .tlb file of its own name beside it. (The shipped DLL's own
// registration, and the type library as it loads back, are checked by the
// C host in tests/host through regsvr32.)
#include <gtest/gtest.h>

#include "qor/qor.h"

namespace {

// Loads the library, registers it and lets it go.
HRESULT RegisterBareLibrary() {
  HMODULE module = LoadLibraryA("QOR_NoTypeLib.DLL");
  if (!module) return E_HANDLE;
  auto entry =
      reinterpret_cast<PFN_QORDllEntryPoint>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
  HRESULT hr = entry ? entry() : E_NOTIMPL;
  FreeLibrary(module);
  return hr;
}

TEST(TypeLibrary, LibraryWithoutTheResourceFallsBackToTheTlbBesideIt) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  DeleteFileA("QOR_NoTypeLib.tlb");
  HRESULT bare = RegisterBareLibrary();
  EXPECT_TRUE(FAILED(bare) && bare != E_HANDLE) << "neither the resource nor a .tlb file: " << std::hex << bare;
  ASSERT_TRUE(CopyFileA("QOR.tlb", "QOR_NoTypeLib.tlb", FALSE));
  EXPECT_EQ(RegisterBareLibrary(), S_OK);
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_ARFOLDERLib, 1, 0, 0x409, &library), S_OK);
  library->Release();
  DeleteFileA("QOR_NoTypeLib.tlb");
  CoUninitialize();
}

}  // namespace
