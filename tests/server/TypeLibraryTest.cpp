// Registration of a build of QOR.DLL without the TYPELIB resource: it falls
// back to the .tlb file of its own name beside it. (The shipped DLL's own
// registration, and the type library as it loads back, are checked by the
// C host in tests/host through regsvr32.)
#include <gtest/gtest.h>

#include "qor/qor.h"

namespace {

class Library {
 public:
  explicit Library(const char* name) : m_module(LoadLibraryA(name)) {}
  ~Library() {
    if (m_module) FreeLibrary(m_module);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool Loaded() const { return m_module != nullptr; }
  HRESULT Register() const {
    auto entry = reinterpret_cast<PFN_QORDllEntryPoint>(
        reinterpret_cast<void*>(GetProcAddress(m_module, "DllRegisterServer")));
    return entry ? entry() : E_NOTIMPL;
  }

 private:
  HMODULE m_module;
};

class TypeLibrary : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(TypeLibrary, LibraryWithoutTheResourceFallsBackToTheTlbBesideIt) {
  DeleteFileA("QOR_NoTypeLib.tlb");
  {
    Library bare("QOR_NoTypeLib.DLL");
    ASSERT_TRUE(bare.Loaded());
    EXPECT_TRUE(FAILED(bare.Register())) << "neither the resource nor a .tlb file";
  }
  ASSERT_TRUE(CopyFileA("QOR.tlb", "QOR_NoTypeLib.tlb", FALSE));
  {
    Library bare("QOR_NoTypeLib.DLL");
    ASSERT_TRUE(bare.Loaded());
    EXPECT_EQ(bare.Register(), S_OK);
  }
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_ARFOLDERLib, 1, 0, 0x409, &library), S_OK);
  library->Release();
  DeleteFileA("QOR_NoTypeLib.tlb");
}

}  // namespace
