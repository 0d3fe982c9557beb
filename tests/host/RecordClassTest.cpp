// The record class as a host meets it: compiled against include/qor/ alone
// and linked through the library's import library (libqor.so natively), it
// reads the records that the library put into the lists of the sample
// archive, and builds and joins records of its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "qor/ComPtr.h"
#include "qor/QORITEMIDLIST.h"
#include "qor/qor.h"

namespace {

std::string g_samplePath;  // Windows-form path of the sample archive

using qor::ComPtr;

struct ListFree {
  void operator()(QORITEMIDLIST* list) const { list->free(); }
};
using OwnedList = std::unique_ptr<QORITEMIDLIST, ListFree>;

OwnedList Own(LPITEMIDLIST list) { return OwnedList(reinterpret_cast<QORITEMIDLIST*>(list)); }

// The children of a folder, as the library's enumerator hands them out.
std::vector<OwnedList> Children(IShellFolder* folder) {
  std::vector<OwnedList> children;
  ComPtr<IEnumIDList> items;
  EXPECT_EQ(folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, items.Put()), S_OK);
  for (LPITEMIDLIST item = nullptr; items && items->Next(1, &item, nullptr) == S_OK;) children.push_back(Own(item));
  return children;
}

const QORITEMIDLIST* Named(const std::vector<OwnedList>& children, const char* name) {
  for (const OwnedList& child : children)
    if (child->getFileName() == name) return child.get();
  ADD_FAILURE() << "no item " << name;
  return nullptr;
}

// Every member once on this side of the boundary; what each member answers
// for every kind of item is pinned by the item-ID tests inside the library.
TEST(RecordClass, ReadsJoinsAndBuildsTheLibrarysRecords) {
  ComPtr<IzKtrnArchiveObject> object;
  ASSERT_EQ(QORCreateObject(g_samplePath.c_str(), IID_IzKtrnArchiveObject, object.PutVoid()), S_OK) << g_samplePath;
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(object->get_archiveRootFolder(unknown.Put()), S_OK);
  ComPtr<IShellFolder> root;
  ASSERT_EQ(unknown.QueryInterface(IID_IShellFolder, root.PutVoid()), S_OK);
  std::vector<OwnedList> top = Children(root.Get());
  ASSERT_EQ(top.size(), 4u);
  const QORITEMIDLIST* docs = Named(top, "docs");
  const QORITEMIDLIST* readme = Named(top, "README.txt");
  ASSERT_TRUE(docs && readme);
  EXPECT_TRUE(docs->isQORITEMIDLIST() && docs->isFolder());
  EXPECT_EQ(docs->getIndex(), 0xFFFFFFFFu);
  EXPECT_TRUE(*docs < *readme) << "letters compare without case";

  ComPtr<IShellFolder> docsFolder;
  ASSERT_EQ(root->BindToObject(reinterpret_cast<LPCITEMIDLIST>(docs), nullptr, IID_IShellFolder, docsFolder.PutVoid()),
            S_OK);
  ComPtr<IzKtrnArchiveFolder> folder;
  ASSERT_EQ(docsFolder.QueryInterface(IID_IzKtrnArchiveFolder, folder.PutVoid()), S_OK);
  std::vector<OwnedList> inDocs = Children(docsFolder.Get());
  std::map<std::string, DWORD> indexes;
  for (const OwnedList& child : inDocs) {
    const QORITEMIDLIST& record = *child;
    SCOPED_TRACE(record.getFileName());
    EXPECT_FALSE(record.isFolder());
    EXPECT_EQ(record.getAttributes(), 0x80u);
    EXPECT_EQ(record.getSizeOne(), 29 + record.getFileName().size());
    EXPECT_EQ(record.getSize(), record.getSizeOne()) << "a one-item list";
    ULONG size = 0;
    FILETIME time{};
    ASSERT_EQ(folder->GetFileSize(reinterpret_cast<LPCITEMIDLIST>(&record), &size), S_OK);
    ASSERT_EQ(folder->GetLastModifiedTime(reinterpret_cast<LPCITEMIDLIST>(&record), &time), S_OK);
    EXPECT_EQ(record.getLength(), size);
    EXPECT_EQ(record.getLastModifiedTime().dwLowDateTime, time.dwLowDateTime);
    EXPECT_EQ(record.getLastModifiedTime().dwHighDateTime, time.dwHighDateTime);
    EXPECT_NE(time.dwHighDateTime, 0u) << "a real modification time";
    indexes[record.getFileName()] = record.getIndex();
  }
  ASSERT_EQ(indexes.size(), 3u);
  EXPECT_NE(indexes["guide.txt"], indexes["changes.log"]) << "each file its own catalogue index";
  EXPECT_TRUE(indexes.count("\x82\xA8\x92\x6D\x82\xE7\x82\xB9.txt")) << "the name stays code page 932";

  const QORITEMIDLIST* guide = Named(inDocs, "guide.txt");
  ASSERT_NE(guide, nullptr);
  OwnedList path(docs->concat(guide));
  ASSERT_TRUE(path);
  EXPECT_EQ(path->getFilePath(), "docs\\guide.txt");
  EXPECT_TRUE(path->next()->compare(*guide));
  EXPECT_TRUE(path->last()->compare(*guide));
  OwnedList copy(path->duplicate());
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->compare(*path));
  // Assignment copies the fixed part only: the copy's first item takes the
  // guide's fields and keeps its own size and name.
  *copy = *guide;
  EXPECT_EQ(copy->getIndex(), guide->getIndex());
  EXPECT_EQ(copy->getSizeOne(), docs->getSizeOne());
  EXPECT_EQ(copy->getFileName(), "docs");

  // A record of the host's own, made by the library, joins the library's.
  OwnedList made(QORITEMIDLIST::create("abc", 5, 0x80, 1000, FILETIME{0x11223344u, 0x01D9AABBu}));
  ASSERT_TRUE(made);
  EXPECT_EQ(made->getLastModifiedTime().dwHighDateTime, 0x01D9AABBu);
  OwnedList joined(docs->concat(made.get()));
  ASSERT_TRUE(joined);
  EXPECT_EQ(joined->getFilePath(), "docs\\abc");
}

// The identifiers are written twice, as the type library source takes them
// and as C and C++ take them; both forms must name the same values, no two
// alike, and the library's the one its type library was published under.
TEST(Identifiers, BothFormsOfEveryIdentifierAgree) {
#define QOR_STRINGIZE_(tokens) #tokens
#define QOR_STRINGIZE(tokens) QOR_STRINGIZE_(tokens)
#define QOR_ID_ROW(name) {QOR_STRINGIZE(QOR_##name), name}
  const struct { const char* text; GUID value; } rows[] = {
      QOR_ID_ROW(LIBID_ARFOLDERLib),
      QOR_ID_ROW(CLSID_zKtrnArchiveFolder), QOR_ID_ROW(IID_IzKtrnArchiveFolder),
      QOR_ID_ROW(CLSID_zKtrnArchiveObject), QOR_ID_ROW(IID_IzKtrnArchiveObject),
      QOR_ID_ROW(CLSID_zKtrnArchiveEnumIDList), QOR_ID_ROW(IID_IzKtrnArchiveEnumIDList),
      QOR_ID_ROW(CLSID_zKtrnArchiveDataObject), QOR_ID_ROW(IID_IzKtrnArchiveDataObject),
      QOR_ID_ROW(CLSID_zKtrnArchiveLink), QOR_ID_ROW(IID_IzKtrnArchiveLink),
  };
  std::set<std::string> distinct;
  for (const auto& row : rows) {
    const GUID& g = row.value;
    char text[37];
    std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                  g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    EXPECT_STREQ(text, row.text);
    distinct.insert(text);
  }
  EXPECT_EQ(distinct.size(), std::size(rows));
  EXPECT_STREQ(rows[0].text, "13D8629F-C9D5-4AF4-BBAF-A199C806D2E5");
}

}  // namespace

// usage: record_class_tests [gtest options] SAMPLE-ARCHIVE (Windows-form path)
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s SAMPLE-ARCHIVE\n", argv[0]);
    return 2;
  }
  g_samplePath = argv[1];
  return RUN_ALL_TESTS();
}
