// The module's rules: the live-object count and the unload check, the empty
// class table, registration results and the type library's fallback file.
// The identifiers' values are checked by the host's record class tests.
#include <gtest/gtest.h>

#include "qor/qor.h"
#include "server/ServerModule.h"
#include "server/TypeLibRegistration.h"

namespace {

TEST(ServerModule, UnloadIsAllowedExactlyWhenNoObjectLives) {
  EXPECT_EQ(qor::g_serverModule.LockCount(), 0);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  {
    qor::LiveObject first;
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    {
      qor::LiveObject second = first;  // a copied object counts on its own
      EXPECT_EQ(qor::g_serverModule.LockCount(), 2);
    }
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
  }
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(ServerModule, ClassObjectsAreNeverAvailableAndUnregisterAlwaysSucceeds) {
  const CLSID classes[] = {CLSID_zKtrnArchiveFolder, CLSID_zKtrnArchiveObject, CLSID_zKtrnArchiveEnumIDList,
                           CLSID_zKtrnArchiveDataObject, CLSID_zKtrnArchiveLink, GUID_NULL};
  for (const CLSID& clsid : classes) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(clsid, IID_IUnknown, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr) << "the out pointer is nulled";
  }
  EXPECT_EQ(DllGetClassObject(CLSID_zKtrnArchiveFolder, IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(DllUnregisterServer(), S_OK);
  EXPECT_EQ(DllUnregisterServer(), S_OK);
}

TEST(TypeLibFallback, TypeLibraryFileStandsBesideTheModule) {
  struct Row {
    const char* module;
    const char* tlb;
    const char* helpDirectory;
  } rows[] = {
      {"C:\\Prog\\qor.dll", "C:\\Prog\\qor.tlb", "C:\\Prog\\"},
      {"C:\\Prog.d\\qor", "C:\\Prog.tlb", "C:\\Prog.d\\"},  // the last "." wherever it stands
      {"qor", "qor.tlb", ""},
      {"C:qor.dll", "C:qor.tlb", "C:"},
      {"D:/lib/a.b.dll", "D:/lib/a.b.tlb", "D:/lib/"},
      {"C:\\\x95\x5C\\q.dll", "C:\\\x95\x5C\\q.tlb", "C:\\\x95\x5C\\"},
      {"C:\\x\\\x95\x5C", "C:\\x\\\x95\x5C.tlb", "C:\\x\\"},  // a trail byte 0x5C is no separator
  };
  for (const Row& row : rows) {
    EXPECT_EQ(qor::TypeLibFallbackPath(row.module), row.tlb) << row.module;
    EXPECT_EQ(qor::TypeLibHelpDirectory(row.module), row.helpDirectory) << row.module;
  }
}

}  // namespace
