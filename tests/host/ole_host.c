/* A host written in plain C against include/qor/ alone that drives QOR.DLL as
 * the desktop shell does, through the system's own OLE: it loads the DLL by
 * name, walks every folder of the sample archive, copies every file out
 * through the clipboard and compares the bytes with ExtractFile's, registers
 * the type library with regsvr32 and reads it back, saves, loads and
 * resolves a link, and finally lets COM unload the DLL.
 *
 * usage: ole_host SAMPLE-ARCHIVE
 * Every step checks its result; the first difference ends the program with
 * status 1 and a line that names it. */
#define COBJMACROS
#include "qor/winapi.h"
#include <initguid.h> /* this translation unit defines QOR's identifiers */
#include "qor/qor.h"

#include <shlwapi.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define CHECK(condition, ...) ((condition) ? (void)0 : Fail(__LINE__, __VA_ARGS__))
#define CHECK_HR(call, expected, what) CheckStatus(__LINE__, (call), (HRESULT)(expected), what)

#define MAX_SELECTED 16 /* files of one folder selected together */

static void Fail(int line, const char* format, ...) __attribute__((format(printf, 2, 3), noreturn));
static void Fail(int line, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  fprintf(stderr, "ole_host: line %d: ", line);
  vfprintf(stderr, format, arguments);
  fputc('\n', stderr);
  va_end(arguments);
  exit(1);
}

static void CheckStatus(int line, HRESULT hr, HRESULT expected, const char* what) {
  if (hr != expected)
    Fail(line, "%s: status 0x%08lX, expected 0x%08lX", what, (unsigned long)hr, (unsigned long)expected);
}

static PFN_QORCreateObject g_createObject;
static PFN_QORCreateLinkObject g_createLinkObject;
static PFN_QORDllEntryPoint g_canUnloadNow;
static CLIPFORMAT g_cfDescriptor, g_cfContents;
static char g_scratch[MAX_PATH]; /* folder for extracted files and the link */

/* Paths below the archive root that the walk must meet, folders with a
 * trailing "\"; the sample's Japanese name is code page 932. */
static const char* const kExpected[] = {
    "README.txt",          "data\\",          "data\\empty.dat",
    "data\\table.csv",     "docs\\",          "docs\\changes.log",
    "docs\\guide.txt",     "docs\\\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt", "src\\",
    "src\\hello.c",
};
#define EXPECTED_COUNT (sizeof kExpected / sizeof kExpected[0])
static int g_seen[EXPECTED_COUNT];
static unsigned g_filesCompared;
static LPITEMIDLIST g_docs, g_guide; /* docs and docs\guide.txt as the walk met them, for the link */

static void See(const char* path) {
  size_t i = 0;
  while (i < EXPECTED_COUNT && strcmp(kExpected[i], path) != 0) ++i;
  CHECK(i < EXPECTED_COUNT, "the walk met %s, which the sample does not hold", path);
  CHECK(!g_seen[i]++, "the walk met %s twice", path);
}

static void* ReadWholeFile(const char* path, DWORD* size) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  DWORD read = 0;
  char* bytes;
  CHECK(file != INVALID_HANDLE_VALUE, "cannot open %s (error %lu)", path, GetLastError());
  *size = GetFileSize(file, NULL);
  bytes = *size != INVALID_FILE_SIZE ? malloc(*size + 1) : NULL;
  CHECK(bytes != NULL && ReadFile(file, bytes, *size, &read, NULL) && read == *size, "cannot read %s", path);
  CloseHandle(file);
  return bytes;
}

static void SameBytes(const void* got, DWORD gotSize, const void* want, DWORD wantSize, const char* what) {
  CHECK(gotSize == wantSize, "%s: %lu bytes, ExtractFile wrote %lu", what, gotSize, wantSize);
  CHECK(memcmp(got, want, wantSize) == 0, "%s: bytes differ from ExtractFile's", what);
}

/* One stored file out through the clipboard's data object, as a memory block
 * and as a stream, against what ExtractFile writes for the same item. */
static void CompareContents(IDataObject* clip, IzKtrnArchiveFolder* folder, LPCITEMIDLIST item, LONG index,
                            DWORD describedSize, const char* path) {
  char target[MAX_PATH];
  void* extracted;
  DWORD extractedSize, got = 0;
  FORMATETC format = {0, NULL, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium;
  char* streamed;
  ULONG read = 0;

  snprintf(target, sizeof target, "%s\\extracted-%ld", g_scratch, (long)g_filesCompared);
  /* ExtractFile takes a narrow path behind its wide type. */
  CHECK_HR(IzKtrnArchiveFolder_ExtractFile(folder, item, (LPWSTR)target), S_OK, path);
  extracted = ReadWholeFile(target, &extractedSize);
  CHECK(describedSize == extractedSize, "%s: the descriptor says %lu bytes, ExtractFile wrote %lu", path,
        describedSize, extractedSize);

  format.cfFormat = g_cfContents;
  format.lindex = index;
  CHECK_HR(IDataObject_GetData(clip, &format, &medium), S_OK, "FileContents as a memory block");
  CHECK(medium.tymed == TYMED_HGLOBAL, "%s: medium %lu, not a memory block", path, medium.tymed);
  /* The block may be longer than the file; the descriptor gives the length. */
  CHECK(GlobalSize(medium.hGlobal) >= extractedSize, "%s: a block of %lu bytes for %lu", path,
        (unsigned long)GlobalSize(medium.hGlobal), extractedSize);
  if (extractedSize > 0) {
    SameBytes(GlobalLock(medium.hGlobal), extractedSize, extracted, extractedSize, path);
    GlobalUnlock(medium.hGlobal);
  }
  ReleaseStgMedium(&medium);

  format.tymed = TYMED_ISTREAM;
  CHECK_HR(IDataObject_GetData(clip, &format, &medium), S_OK, "FileContents as a stream");
  CHECK(medium.tymed == TYMED_ISTREAM, "%s: medium %lu, not a stream", path, medium.tymed);
  streamed = malloc(extractedSize + 16);
  CHECK(streamed != NULL, "out of memory");
  do {
    CHECK(SUCCEEDED(IStream_Read(medium.pstm, streamed + got, extractedSize + 16 - got, &read)),
          "%s: stream read failed", path);
    got += read;
  } while (read != 0 && got < extractedSize + 16);
  SameBytes(streamed, got, extracted, extractedSize, path);
  ReleaseStgMedium(&medium);
  free(streamed);
  free(extracted);
  DeleteFileA(target);
  ++g_filesCompared;
}

/* The files of one folder, selected together, go onto the clipboard; what
 * comes back from it describes and holds every one of them. */
static void CopyThroughClipboard(IShellFolder* shell, IzKtrnArchiveFolder* folder, LPCITEMIDLIST* items,
                                 const char (*names)[MAX_PATH], UINT count, const char* prefix) {
  IDataObject* data = NULL;
  IDataObject* clip = NULL;
  FORMATETC format = {0, NULL, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium;
  FILEGROUPDESCRIPTORA* group;
  UINT i;
  char path[MAX_PATH];
  DWORD sizes[MAX_SELECTED];

  CHECK_HR(IShellFolder_GetUIObjectOf(shell, NULL, count, (PCUITEMID_CHILD_ARRAY)items, &IID_IDataObject, NULL,
                                      (void**)&data),
           S_OK, "GetUIObjectOf(IDataObject)");
  CHECK_HR(OleSetClipboard(data), S_OK, "OleSetClipboard");
  CHECK_HR(OleIsCurrentClipboard(data), S_OK, "OleIsCurrentClipboard");
  CHECK_HR(OleGetClipboard(&clip), S_OK, "OleGetClipboard");

  format.cfFormat = g_cfDescriptor;
  CHECK_HR(IDataObject_GetData(clip, &format, &medium), S_OK, "FileGroupDescriptor");
  CHECK(medium.tymed == TYMED_HGLOBAL, "%s: the descriptors come in medium %lu", prefix, medium.tymed);
  CHECK(GlobalSize(medium.hGlobal) >= offsetof(FILEGROUPDESCRIPTORA, fgd) + count * sizeof(FILEDESCRIPTORA),
        "%s: the descriptor block is too short for %u items", prefix, count);
  group = GlobalLock(medium.hGlobal);
  CHECK(group != NULL && group->cItems == count, "%s: the descriptor lists %u items for %u selected", prefix,
        group ? group->cItems : 0, count);
  for (i = 0; i < count; ++i) {
    const char* described = group->fgd[i].cFileName;
    CHECK(memchr(described, 0, MAX_PATH) != NULL && strcmp(described, names[i]) == 0,
          "descriptor %u does not name %s", i, names[i]);
    CHECK(group->fgd[i].dwFlags & FD_FILESIZE, "descriptor %u gives no size", i);
    sizes[i] = group->fgd[i].nFileSizeLow;
  }
  GlobalUnlock(medium.hGlobal);
  ReleaseStgMedium(&medium);

  for (i = 0; i < count; ++i) {
    snprintf(path, sizeof path, "%s%s", prefix, names[i]);
    CompareContents(clip, folder, items[i], (LONG)i, sizes[i], path);
  }
  IDataObject_Release(clip);
  CHECK_HR(OleSetClipboard(NULL), S_OK, "emptying the clipboard");
  IDataObject_Release(data);
}

/* The name of a folder's item as the folder shows it. */
static void DisplayName(IShellFolder* shell, LPCITEMIDLIST item, char* display, UINT size) {
  STRRET name;
  CHECK_HR(IShellFolder_GetDisplayNameOf(shell, item, SHGDN_INFOLDER, &name), S_OK, "GetDisplayNameOf");
  CHECK_HR(StrRetToBufA(&name, item, display, size), S_OK, "StrRetToBufA");
}

/* Every item of a folder and, depth first, of the folders below it. */
static void Walk(IShellFolder* shell, const char* prefix) {
  IEnumIDList* items = NULL;
  IzKtrnArchiveFolder* folder = NULL;
  LPITEMIDLIST item;
  LPCITEMIDLIST files[MAX_SELECTED];
  char names[MAX_SELECTED][MAX_PATH];
  UINT fileCount = 0, i;

  CHECK_HR(IShellFolder_QueryInterface(shell, &IID_IzKtrnArchiveFolder, (void**)&folder), S_OK,
           "QueryInterface(IzKtrnArchiveFolder)");
  CHECK_HR(IShellFolder_EnumObjects(shell, NULL, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &items), S_OK,
           "EnumObjects");
  while (IEnumIDList_Next(items, 1, &item, NULL) == S_OK) {
    char display[MAX_PATH], path[MAX_PATH];
    SFGAOF attributes = SFGAO_FOLDER | SFGAO_READONLY;
    DisplayName(shell, item, display, sizeof display);
    CHECK_HR(IShellFolder_GetAttributesOf(shell, 1, (PCUITEMID_CHILD_ARRAY)&item, &attributes), S_OK,
             "GetAttributesOf");
    CHECK(attributes & SFGAO_READONLY, "%s%s is not read-only", prefix, display);
    if (attributes & SFGAO_FOLDER) {
      IShellFolder* sub = NULL;
      snprintf(path, sizeof path, "%s%s\\", prefix, display);
      See(path);
      CHECK_HR(IShellFolder_BindToObject(shell, item, NULL, &IID_IShellFolder, (void**)&sub), S_OK, path);
      Walk(sub, path);
      IShellFolder_Release(sub);
      if (strcmp(path, "docs\\") == 0)
        g_docs = item;
      else
        CoTaskMemFree(item);
    } else {
      snprintf(path, sizeof path, "%s%s", prefix, display);
      See(path);
      if (strcmp(path, "docs\\guide.txt") == 0) g_guide = ILClone(item);
      CHECK(fileCount < MAX_SELECTED, "more files in %s than this host selects", prefix);
      files[fileCount] = item;
      strcpy(names[fileCount], display);
      ++fileCount;
    }
  }
  IEnumIDList_Release(items);
  if (fileCount > 0) CopyThroughClipboard(shell, folder, files, (const char(*)[MAX_PATH])names, fileCount, prefix);
  for (i = 0; i < fileCount; ++i) CoTaskMemFree((void*)files[i]);
  IzKtrnArchiveFolder_Release(folder);
}

/* Wine's regsvr32 calls DllRegisterServer, or with /u DllUnregisterServer. */
static void RunRegsvr32(const char* options, const char* dll) {
  char command[2 * MAX_PATH];
  STARTUPINFOA startup;
  PROCESS_INFORMATION process;
  DWORD status = 1;
  memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  snprintf(command, sizeof command, "regsvr32.exe %s \"%s\"", options, dll);
  CHECK(CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process),
        "cannot start regsvr32 (error %lu)", GetLastError());
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CHECK(status == 0, "%s exited with %lu", command, status);
}

/* A string of the type library, freed, as code page 932 bytes. */
static const char* Cp932Of(BSTR text) {
  static char bytes[256];
  int n = WideCharToMultiByte(932, 0, text ? text : L"", -1, bytes, sizeof bytes, NULL, NULL);
  SysFreeString(text);
  CHECK(n > 0, "cannot convert a string of the type library to code page 932");
  return bytes;
}

/* The name and help string of a type or member, as code page 932 bytes. */
static void CheckDocumentation(ITypeInfo* info, MEMBERID member, const char* name, const char* help) {
  BSTR gotName = NULL, gotHelp = NULL;
  CHECK_HR(ITypeInfo_GetDocumentation(info, member, &gotName, &gotHelp, NULL, NULL), S_OK, name);
  CHECK(strcmp(Cp932Of(gotName), name) == 0, "%s is named otherwise", name);
  CHECK(strcmp(Cp932Of(gotHelp), help) == 0, "the help string of %s is not \"%s\"", name, help);
}

struct MemberRow {
  const char *name, *help; /* help in code page 932 */
  INVOKEKIND kind;
};
struct InterfaceRow {
  const IID* iid;
  const char* name;
  const CLSID* clsid;
  const char *className, *classHelp;
  struct MemberRow members[4];
};
/* An interface IzKtrn... and its class zKtrn..., whose help is given. */
#define TYPE_ROW(stem, classHelp, ...) {&IID_I##stem, "I" #stem, &CLSID_##stem, #stem, classHelp, {__VA_ARGS__}}
/* Members' help strings name their kind in half-width katakana. */
#define M_FUNC(name) {name, "\xD2\xBF\xAF\xC4\xDE " name, INVOKE_FUNC}
#define M_GET(name) {name, "\xCC\xDF\xDB\xCA\xDF\xC3\xA8 " name, INVOKE_PROPERTYGET}

/* One interface: a custom interface straight on IUnknown with its methods in
 * slot order, and its class, whose default interface it is. */
static void CheckInterface(ITypeLib* library, const struct InterfaceRow* row) {
  ITypeInfo *info = NULL, *base = NULL, *coclass = NULL, *implemented = NULL;
  BSTR baseName = NULL;
  INT flags = 0;
  TYPEATTR* type = NULL;
  HREFTYPE reference;
  char help[64];
  UINT m, count = 0;
  while (count < 4 && row->members[count].name) ++count;

  CHECK_HR(ITypeLib_GetTypeInfoOfGuid(library, row->iid, &info), S_OK, row->name);
  snprintf(help, sizeof help, "%s Interface", row->name);
  CheckDocumentation(info, MEMBERID_NIL, row->name, help);
  CHECK_HR(ITypeInfo_GetTypeAttr(info, &type), S_OK, row->name);
  CHECK(type->typekind == TKIND_INTERFACE, "%s is not a custom interface", row->name);
  CHECK(type->cImplTypes == 1, "%s derives from more than one interface", row->name);
  CHECK(type->cFuncs == count, "%s has %u methods, not %u", row->name, type->cFuncs, count);
  ITypeInfo_ReleaseTypeAttr(info, type);
  CHECK_HR(ITypeInfo_GetRefTypeOfImplType(info, 0, &reference), S_OK, row->name);
  CHECK_HR(ITypeInfo_GetRefTypeInfo(info, reference, &base), S_OK, row->name);
  CHECK_HR(ITypeInfo_GetDocumentation(base, MEMBERID_NIL, &baseName, NULL, NULL, NULL), S_OK, row->name);
  CHECK(strcmp(Cp932Of(baseName), "IUnknown") == 0, "%s does not derive from IUnknown", row->name);
  ITypeInfo_Release(base);
  for (m = 0; m < count; ++m) {
    FUNCDESC* function = NULL;
    CHECK_HR(ITypeInfo_GetFuncDesc(info, m, &function), S_OK, row->members[m].name);
    CheckDocumentation(info, function->memid, row->members[m].name, row->members[m].help);
    CHECK(function->invkind == row->members[m].kind, "%s.%s is of the wrong kind", row->name, row->members[m].name);
    CHECK(function->oVft == (SHORT)((3 + m) * sizeof(void*)), "%s.%s is not in slot %u after IUnknown's", row->name,
          row->members[m].name, 3 + m);
    CHECK(function->elemdescFunc.tdesc.vt == VT_HRESULT, "%s.%s returns no HRESULT", row->name, row->members[m].name);
    ITypeInfo_ReleaseFuncDesc(info, function);
  }

  CHECK_HR(ITypeLib_GetTypeInfoOfGuid(library, row->clsid, &coclass), S_OK, row->className);
  CheckDocumentation(coclass, MEMBERID_NIL, row->className, row->classHelp);
  CHECK_HR(ITypeInfo_GetImplTypeFlags(coclass, 0, &flags), S_OK, row->className);
  CHECK(flags & IMPLTYPEFLAG_FDEFAULT, "%s is not the default interface of %s", row->name, row->className);
  CHECK_HR(ITypeInfo_GetRefTypeOfImplType(coclass, 0, &reference), S_OK, row->className);
  CHECK_HR(ITypeInfo_GetRefTypeInfo(coclass, reference, &implemented), S_OK, row->className);
  CheckDocumentation(implemented, MEMBERID_NIL, row->name, help);
  ITypeInfo_Release(implemented);
  ITypeInfo_Release(coclass);
  ITypeInfo_Release(info);
}

static void CheckTypeLibrary(const char* dll) {
  static const struct InterfaceRow rows[] = {
      TYPE_ROW(zKtrnArchiveFolder, "zKtrnArchiveFolder Class", M_FUNC("GetLastModifiedTime"), M_FUNC("GetFileSize"),
               M_FUNC("GetFullQualifiedPIDL"), M_FUNC("ExtractFile")),
      TYPE_ROW(zKtrnArchiveObject, "CzKtrnArchiveObject Class", M_FUNC("BindToArchive"), M_GET("archiveRootFolder"),
               M_FUNC("ExtractFile")),
      TYPE_ROW(zKtrnArchiveEnumIDList, "zKtrnArchiveEnumIDList Class", {NULL, NULL, INVOKE_FUNC}),
      TYPE_ROW(zKtrnArchiveDataObject, "zKtrnArchiveDataObject Class", {NULL, NULL, INVOKE_FUNC}),
      TYPE_ROW(zKtrnArchiveLink, "zKtrnArchiveLink Class", M_FUNC("SetIDList"), M_FUNC("GetIDList"), M_FUNC("Resolve")),
  };
  static const char* const records[] = {"_ITEMIDLIST", "_SHITEMID", "_FILETIME"};
  ITypeLib* library = NULL;
  TLIBATTR* attributes = NULL;
  BSTR name = NULL, help = NULL;
  int seen[3] = {0, 0, 0};
  UINT i;
  size_t r;

  RunRegsvr32("/s", dll);
  CHECK_HR(LoadRegTypeLib(&LIBID_ARFOLDERLib, 1, 0, 0x409, &library), S_OK, "LoadRegTypeLib(ARFOLDERLib 1.0)");
  CHECK_HR(ITypeLib_GetLibAttr(library, &attributes), S_OK, "GetLibAttr");
  CHECK(attributes->wMajorVerNum == 1 && attributes->wMinorVerNum == 0 && attributes->lcid == 0x409,
        "ARFOLDERLib is version %u.%u for locale 0x%lX", attributes->wMajorVerNum, attributes->wMinorVerNum,
        (unsigned long)attributes->lcid);
  /* Registration files the library under its own word size; one of the
   * other word size would be registered where this process never looks. */
  CHECK(attributes->syskind == (sizeof(void*) == 4 ? SYS_WIN32 : SYS_WIN64), "the type library's system kind is %d",
        (int)attributes->syskind);
  ITypeLib_ReleaseTLibAttr(library, attributes);
  CHECK_HR(ITypeLib_GetDocumentation(library, -1, &name, &help, NULL, NULL), S_OK, "the library's documentation");
  CHECK(strcmp(Cp932Of(name), "ARFOLDERLib") == 0, "the library is named otherwise");
  CHECK(strcmp(Cp932Of(help), "qor 1.0 Type Library") == 0, "the library's help string differs");
  for (r = 0; r < sizeof rows / sizeof rows[0]; ++r) CheckInterface(library, &rows[r]);
  for (i = 0; i < ITypeLib_GetTypeInfoCount(library); ++i) {
    TYPEKIND kind;
    const char* recordName;
    if (ITypeLib_GetTypeInfoType(library, i, &kind) != S_OK || kind != TKIND_RECORD) continue;
    CHECK_HR(ITypeLib_GetDocumentation(library, (INT)i, &name, NULL, NULL, NULL), S_OK, "a record's name");
    recordName = Cp932Of(name);
    for (r = 0; r < 3; ++r) seen[r] |= strcmp(recordName, records[r]) == 0;
  }
  for (r = 0; r < 3; ++r) CHECK(seen[r], "the library declares no record %s", records[r]);
  ITypeLib_Release(library);

  /* Unregistering leaves the type library registered: the DLL registers
   * nothing else, and other hosts may rely on it. */
  RunRegsvr32("/u /s", dll);
  CHECK_HR(LoadRegTypeLib(&LIBID_ARFOLDERLib, 1, 0, 0x409, &library), S_OK, "the type library after unregistering");
  ITypeLib_Release(library);
}

/* A link to docs\guide.txt, saved, loaded into a new link object and
 * resolved; the link file reads back through the profile service. */
static void CheckLink(IShellFolder* root, const char* archive) {
  LPITEMIDLIST docs = g_docs, guide = g_guide, docsAbsolute = NULL, place, resolved = NULL;
  LPITEMIDLIST expected;
  IShellFolder* docsShell = NULL;
  IzKtrnArchiveFolder* docsFolder = NULL;
  IzKtrnArchiveLink* link = NULL;
  IPersistFile* file = NULL;
  IUnknown* resolvedRoot = NULL;
  IShellFolder* resolvedShell = NULL;
  char linkPath[MAX_PATH], value[2 * MAX_PATH], want[2 * MAX_PATH];
  WCHAR wideLink[MAX_PATH];

  CHECK_HR(IShellFolder_BindToObject(root, docs, NULL, &IID_IShellFolder, (void**)&docsShell), S_OK, "bind docs");
  CHECK_HR(IShellFolder_QueryInterface(docsShell, &IID_IzKtrnArchiveFolder, (void**)&docsFolder), S_OK,
           "docs as an archive folder");
  CHECK_HR(IzKtrnArchiveFolder_GetFullQualifiedPIDL(docsFolder, &docsAbsolute), S_OK, "GetFullQualifiedPIDL");
  place = ILCombine(docsAbsolute, guide);
  CHECK(place != NULL, "ILCombine failed");

  snprintf(linkPath, sizeof linkPath, "%s\\guide.lnk", g_scratch);
  MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wideLink, MAX_PATH);
  DeleteFileA(linkPath);
  CHECK_HR(g_createLinkObject(&IID_IzKtrnArchiveLink, (void**)&link), S_OK, "QORCreateLinkObject");
  CHECK_HR(IzKtrnArchiveLink_SetIDList(link, place), S_OK, "SetIDList");
  CHECK_HR(IzKtrnArchiveLink_QueryInterface(link, &IID_IPersistFile, (void**)&file), S_OK, "link as IPersistFile");
  CHECK_HR(IPersistFile_Save(file, wideLink, TRUE), S_OK, "saving the link");
  IPersistFile_Release(file);
  IzKtrnArchiveLink_Release(link);

  snprintf(want, sizeof want, "%s/docs\\guide.txt", archive);
  GetPrivateProfileStringA("zKtrnArchiveLink", "Path", "", value, sizeof value, linkPath);
  CHECK(lstrcmpiA(value, want) == 0, "the link file holds Path=%s, not %s", value, want);

  CHECK_HR(g_createLinkObject(&IID_IzKtrnArchiveLink, (void**)&link), S_OK, "QORCreateLinkObject");
  CHECK_HR(IzKtrnArchiveLink_QueryInterface(link, &IID_IPersistFile, (void**)&file), S_OK, "link as IPersistFile");
  CHECK_HR(IPersistFile_Load(file, wideLink, STGM_READ), S_OK, "loading the link");
  CHECK_HR(IzKtrnArchiveLink_Resolve(link, &resolvedRoot, &resolved), S_OK, "Resolve");
  CHECK(resolvedRoot != NULL && resolved != NULL, "Resolve handed out no folder or no list");
  CHECK_HR(IUnknown_QueryInterface(resolvedRoot, &IID_IShellFolder, (void**)&resolvedShell), S_OK,
           "the resolved root as IShellFolder");
  expected = ILCombine(docs, guide);
  CHECK(ILGetSize(resolved) == ILGetSize(expected) && memcmp(resolved, expected, ILGetSize(expected)) == 0,
        "the resolved list is not docs\\guide.txt");
  IPersistFile_Release(file);
  IzKtrnArchiveLink_Release(link);
  IShellFolder_Release(resolvedShell);
  IUnknown_Release(resolvedRoot);
  ILFree(expected);
  ILFree(resolved);
  ILFree(place);
  ILFree(docsAbsolute);
  IzKtrnArchiveFolder_Release(docsFolder);
  IShellFolder_Release(docsShell);
  CoTaskMemFree(guide);
  CoTaskMemFree(docs);
  DeleteFileA(linkPath);
}

/* As the shell's COM does for a namespace extension: COM loads the DLL for a
 * class (which it refuses), and frees it once DllCanUnloadNow allows. */
static void CheckUnload(HMODULE module, const char* dll) {
  WCHAR clsid[40];
  char key[64], inproc[96];
  IClassFactory* factory = NULL;
  CHECK_HR(g_canUnloadNow(), S_OK, "DllCanUnloadNow once everything is released");

  CHECK(StringFromGUID2(&CLSID_zKtrnArchiveFolder, clsid, 40) > 0, "StringFromGUID2");
  snprintf(key, sizeof key, "CLSID\\%ls", clsid);
  snprintf(inproc, sizeof inproc, "%s\\InprocServer32", key);
  CHECK(RegSetKeyValueA(HKEY_CLASSES_ROOT, inproc, NULL, REG_SZ, dll, (DWORD)strlen(dll) + 1) == ERROR_SUCCESS &&
            RegSetKeyValueA(HKEY_CLASSES_ROOT, inproc, "ThreadingModel", REG_SZ, "Apartment", 10) == ERROR_SUCCESS,
        "cannot register %s", inproc);
  CHECK_HR(CoGetClassObject(&CLSID_zKtrnArchiveFolder, CLSCTX_INPROC_SERVER, NULL, &IID_IClassFactory,
                            (void**)&factory),
           CLASS_E_CLASSNOTAVAILABLE, "CoGetClassObject(zKtrnArchiveFolder)");
  CHECK(factory == NULL, "a refused class handed out a factory");

  FreeLibrary(module);
  CHECK(GetModuleHandleA("QOR.DLL") != NULL, "COM did not keep the DLL it loaded");
  CoFreeUnusedLibraries();
  CHECK(GetModuleHandleA("QOR.DLL") == NULL, "CoFreeUnusedLibraries left QOR.DLL loaded");
  RegDeleteTreeA(HKEY_CLASSES_ROOT, key);
}

int main(int argc, char** argv) {
  HMODULE module;
  char dll[MAX_PATH], archivePath[MAX_PATH];
  IzKtrnArchiveObject* archive = NULL;
  IUnknown* rootUnknown = NULL;
  IShellFolder* root = NULL;
  size_t i;
  unsigned files;

  if (argc != 2) {
    fprintf(stderr, "usage: ole_host SAMPLE-ARCHIVE\n");
    return 2;
  }
  CHECK_HR(OleInitialize(NULL), S_OK, "OleInitialize");
  g_cfDescriptor = (CLIPFORMAT)RegisterClipboardFormatA("FileGroupDescriptor");
  g_cfContents = (CLIPFORMAT)RegisterClipboardFormatA("FileContents");
  CHECK(GetTempPathA(sizeof g_scratch, g_scratch) > 0, "no temporary folder");
  snprintf(g_scratch + strlen(g_scratch), sizeof g_scratch - strlen(g_scratch), "qor-ole-host-%lu",
           GetCurrentProcessId());
  CHECK(CreateDirectoryA(g_scratch, NULL) || GetLastError() == ERROR_ALREADY_EXISTS, "cannot create %s", g_scratch);

  module = LoadLibraryA("QOR.DLL");
  CHECK(module != NULL, "cannot load QOR.DLL (error %lu)", GetLastError());
  GetModuleFileNameA(module, dll, sizeof dll);
  /* Through void (*)(void), the one cast between function types that says
   * "the type is known better than the declaration". */
  g_createObject = (PFN_QORCreateObject)(void (*)(void))GetProcAddress(module, "QORCreateObject");
  g_createLinkObject = (PFN_QORCreateLinkObject)(void (*)(void))GetProcAddress(module, "QORCreateLinkObject");
  g_canUnloadNow = (PFN_QORDllEntryPoint)(void (*)(void))GetProcAddress(module, "DllCanUnloadNow");
  CHECK(g_createObject && g_createLinkObject && g_canUnloadNow, "QOR.DLL lacks an entry point");

  /* The shell's own form of the path, as the shell would pass it: the
   * desktop folder parses it back in GetFullQualifiedPIDL. */
  CHECK(GetFullPathNameA(argv[1], sizeof archivePath, archivePath, NULL) > 0, "GetFullPathNameA(%s)", argv[1]);
  CHECK_HR(g_createObject(archivePath, &IID_IzKtrnArchiveObject, (void**)&archive), S_OK, "QORCreateObject");
  CHECK_HR(IzKtrnArchiveObject_get_archiveRootFolder(archive, &rootUnknown), S_OK, "archiveRootFolder");
  CHECK_HR(IUnknown_QueryInterface(rootUnknown, &IID_IShellFolder, (void**)&root), S_OK, "root as IShellFolder");
  IUnknown_Release(rootUnknown);
  CHECK_HR(g_canUnloadNow(), S_FALSE, "DllCanUnloadNow while the archive is open");

  Walk(root, "");
  for (i = 0; i < EXPECTED_COUNT; ++i) CHECK(g_seen[i], "the walk never met %s", kExpected[i]);
  for (i = 0, files = 0; i < EXPECTED_COUNT; ++i) files += kExpected[i][strlen(kExpected[i]) - 1] != '\\';
  CHECK(g_filesCompared == files, "%u files compared, the sample holds %u", g_filesCompared, files);

  CheckTypeLibrary(dll);
  CheckLink(root, archivePath);

  IShellFolder_Release(root);
  IzKtrnArchiveObject_Release(archive);
  CheckUnload(module, dll);
  RemoveDirectoryA(g_scratch);
  OleUninitialize();
  printf("ole_host: %u files copied through the clipboard and compared; type library, link and unload checked\n",
         g_filesCompared);
  return 0;
}
