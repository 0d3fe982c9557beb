// QOR.DLL as a host loads it: DllRegisterServer registers the embedded type
// library, which loads back with the names, help strings and slot order of
// the interfaces; a build without the resource uses the .tlb beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "qor/qor.h"

namespace {

using EntryPoint = HRESULT(STDAPICALLTYPE*)();

const std::wstring kMethod = L"\uFF92\uFF7F\uFF6F\uFF84\uFF9E ";               // half-width katakana "method"
const std::wstring kProperty = L"\uFF8C\uFF9F\uFF9B\uFF8A\uFF9F\uFF83\uFF68 ";  // half-width katakana "property"

class Library {
 public:
  explicit Library(const char* name) : m_module(LoadLibraryA(name)) {}
  ~Library() {
    if (m_module) FreeLibrary(m_module);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool Loaded() const { return m_module != nullptr; }
  HRESULT Call(const char* entry) const {
    auto function = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(m_module, entry)));
    return function ? function() : E_NOTIMPL;
  }

 private:
  HMODULE m_module;
};

std::wstring Take(BSTR text) {
  std::wstring value = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
  SysFreeString(text);
  return value;
}

struct Documentation {
  std::wstring name;
  std::wstring help;
};

Documentation DocumentationOf(ITypeInfo* info, MEMBERID member) {
  BSTR name = nullptr, help = nullptr;
  EXPECT_EQ(info->GetDocumentation(member, &name, &help, nullptr, nullptr), S_OK);
  return {Take(name), Take(help)};
}

struct Member {
  std::wstring name;
  std::wstring help;
  INVOKEKIND kind;
};

struct InterfaceRow {
  const IID* iid;
  const wchar_t* name;
  const CLSID* clsid;
  const wchar_t* className;
  const wchar_t* classHelp;
  std::vector<Member> members;
};

std::vector<InterfaceRow> ExpectedInterfaces() {
  return {
      {&IID_IzKtrnArchiveFolder, L"IzKtrnArchiveFolder", &CLSID_zKtrnArchiveFolder, L"zKtrnArchiveFolder",
       L"zKtrnArchiveFolder Class",
       {{L"GetLastModifiedTime", kMethod + L"GetLastModifiedTime", INVOKE_FUNC},
        {L"GetFileSize", kMethod + L"GetFileSize", INVOKE_FUNC},
        {L"GetFullQualifiedPIDL", kMethod + L"GetFullQualifiedPIDL", INVOKE_FUNC},
        {L"ExtractFile", kMethod + L"ExtractFile", INVOKE_FUNC}}},
      {&IID_IzKtrnArchiveObject, L"IzKtrnArchiveObject", &CLSID_zKtrnArchiveObject, L"zKtrnArchiveObject",
       L"CzKtrnArchiveObject Class",
       {{L"BindToArchive", kMethod + L"BindToArchive", INVOKE_FUNC},
        {L"archiveRootFolder", kProperty + L"archiveRootFolder", INVOKE_PROPERTYGET},
        {L"ExtractFile", kMethod + L"ExtractFile", INVOKE_FUNC}}},
      {&IID_IzKtrnArchiveEnumIDList, L"IzKtrnArchiveEnumIDList", &CLSID_zKtrnArchiveEnumIDList,
       L"zKtrnArchiveEnumIDList", L"zKtrnArchiveEnumIDList Class", {}},
      {&IID_IzKtrnArchiveDataObject, L"IzKtrnArchiveDataObject", &CLSID_zKtrnArchiveDataObject,
       L"zKtrnArchiveDataObject", L"zKtrnArchiveDataObject Class", {}},
      {&IID_IzKtrnArchiveLink, L"IzKtrnArchiveLink", &CLSID_zKtrnArchiveLink, L"zKtrnArchiveLink",
       L"zKtrnArchiveLink Class",
       {{L"SetIDList", kMethod + L"SetIDList", INVOKE_FUNC},
        {L"GetIDList", kMethod + L"GetIDList", INVOKE_FUNC},
        {L"Resolve", kMethod + L"Resolve", INVOKE_FUNC}}},
  };
}

void ExpectInterface(ITypeLib* library, const InterfaceRow& row) {
  SCOPED_TRACE(std::string(row.name, row.name + wcslen(row.name)));
  ITypeInfo* info = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(*row.iid, &info), S_OK);
  Documentation doc = DocumentationOf(info, MEMBERID_NIL);
  EXPECT_EQ(doc.name, row.name);
  EXPECT_EQ(doc.help, std::wstring(row.name) + L" Interface");
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->typekind, TKIND_INTERFACE) << "a custom interface, not a dispatch interface";
  EXPECT_EQ(attributes->cFuncs, row.members.size());
  EXPECT_EQ(attributes->cImplTypes, 1) << "derives from IUnknown";
  info->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < row.members.size(); ++i) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &function), S_OK);
    Documentation member = DocumentationOf(info, function->memid);
    EXPECT_EQ(member.name, row.members[i].name) << "slot " << i;
    EXPECT_EQ(member.help, row.members[i].help) << "slot " << i;
    EXPECT_EQ(function->invkind, row.members[i].kind) << "slot " << i;
    EXPECT_EQ(function->oVft, static_cast<SHORT>((3 + i) * sizeof(void*))) << "slot order after IUnknown's three";
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
    info->ReleaseFuncDesc(function);
  }
  info->Release();

  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(*row.clsid, &coclass), S_OK);
  Documentation classDoc = DocumentationOf(coclass, MEMBERID_NIL);
  EXPECT_EQ(classDoc.name, row.className);
  EXPECT_EQ(classDoc.help, row.classHelp);
  HREFTYPE reference = 0;
  ITypeInfo* defaultInterface = nullptr;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &reference), S_OK);
  ASSERT_EQ(coclass->GetRefTypeInfo(reference, &defaultInterface), S_OK);
  EXPECT_EQ(DocumentationOf(defaultInterface, MEMBERID_NIL).name, row.name);
  defaultInterface->Release();
  coclass->Release();
}

class TypeLibrary : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(TypeLibrary, RegisteredLibraryLoadsBackWithEveryNameAndHelpString) {
  Library qor("QOR.DLL");
  ASSERT_TRUE(qor.Loaded());
  ASSERT_EQ(qor.Call("DllRegisterServer"), S_OK);

  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_ARFOLDERLib, 1, 0, 0x409, &library), S_OK);
  BSTR name = nullptr, help = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, nullptr), S_OK);
  EXPECT_EQ(Take(name), L"ARFOLDERLib");
  EXPECT_EQ(Take(help), L"qor 1.0 Type Library");
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  EXPECT_EQ(attributes->lcid, 0x409u);
  // Registration files the library under this word size; a library of the
  // other one would be registered where this process never looks.
  EXPECT_EQ(attributes->syskind, sizeof(void*) == 4 ? SYS_WIN32 : SYS_WIN64);
  library->ReleaseTLibAttr(attributes);

  for (const InterfaceRow& row : ExpectedInterfaces()) ExpectInterface(library, row);

  std::vector<std::wstring> records;
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    TYPEKIND kind;
    if (library->GetTypeInfoType(i, &kind) == S_OK && kind == TKIND_RECORD) {
      BSTR record = nullptr;
      library->GetDocumentation(static_cast<INT>(i), &record, nullptr, nullptr, nullptr);
      records.push_back(Take(record));
    }
  }
  for (const wchar_t* record : {L"_ITEMIDLIST", L"_SHITEMID", L"_FILETIME"})
    EXPECT_NE(std::find(records.begin(), records.end(), record), records.end());
  library->Release();

  EXPECT_EQ(qor.Call("DllUnregisterServer"), S_OK);
  ASSERT_EQ(LoadRegTypeLib(LIBID_ARFOLDERLib, 1, 0, 0x409, &library), S_OK) << "stays registered";
  library->Release();
}

TEST_F(TypeLibrary, LibraryWithoutTheResourceFallsBackToTheTlbBesideIt) {
  DeleteFileA("QOR_NoTypeLib.tlb");
  {
    Library bare("QOR_NoTypeLib.DLL");
    ASSERT_TRUE(bare.Loaded());
    EXPECT_TRUE(FAILED(bare.Call("DllRegisterServer"))) << "neither the resource nor a .tlb file";
  }
  ASSERT_TRUE(CopyFileA("QOR.tlb", "QOR_NoTypeLib.tlb", FALSE));
  {
    Library bare("QOR_NoTypeLib.DLL");
    ASSERT_TRUE(bare.Loaded());
    EXPECT_EQ(bare.Call("DllRegisterServer"), S_OK);
  }
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_ARFOLDERLib, 1, 0, 0x409, &library), S_OK);
  library->Release();
  DeleteFileA("QOR_NoTypeLib.tlb");
}

}  // namespace
