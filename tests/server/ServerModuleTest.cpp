// The module's rules: the live-object count and the unload check, the empty
// class table, registration results and the type library's fallback file.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

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

TEST(ServerModule, ClassObjectsAreNeverAvailable) {
  const CLSID classes[] = {CLSID_zKtrnArchiveFolder, CLSID_zKtrnArchiveObject, CLSID_zKtrnArchiveEnumIDList,
                           CLSID_zKtrnArchiveDataObject, CLSID_zKtrnArchiveLink, GUID_NULL};
  for (const CLSID& clsid : classes) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(clsid, IID_IUnknown, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr) << "the out pointer is nulled";
  }
  EXPECT_EQ(DllGetClassObject(CLSID_zKtrnArchiveFolder, IID_IUnknown, nullptr), E_POINTER);
}

TEST(ServerModule, UnregisterAlwaysSucceeds) {
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

TEST(Identifiers, FixedValuesParsedFromTheSharedDeclarations) {
  EXPECT_EQ(LIBID_ARFOLDERLib.Data1, 0x13D8629Fu);
  EXPECT_EQ(LIBID_ARFOLDERLib.Data2, 0xC9D5);
  EXPECT_EQ(LIBID_ARFOLDERLib.Data3, 0x4AF4);
  const BYTE tail[8] = {0xBB, 0xAF, 0xA1, 0x99, 0xC8, 0x06, 0xD2, 0xE5};
  EXPECT_EQ(std::memcmp(LIBID_ARFOLDERLib.Data4, tail, 8), 0);
  const GUID all[] = {LIBID_ARFOLDERLib,         CLSID_zKtrnArchiveFolder,   IID_IzKtrnArchiveFolder,
                      CLSID_zKtrnArchiveObject,  IID_IzKtrnArchiveObject,    CLSID_zKtrnArchiveEnumIDList,
                      IID_IzKtrnArchiveEnumIDList, CLSID_zKtrnArchiveDataObject, IID_IzKtrnArchiveDataObject,
                      CLSID_zKtrnArchiveLink,    IID_IzKtrnArchiveLink};
  for (size_t i = 0; i < std::size(all); ++i)
    for (size_t j = i + 1; j < std::size(all); ++j) EXPECT_FALSE(IsEqualGUID(all[i], all[j])) << i << " " << j;
}

}  // namespace
