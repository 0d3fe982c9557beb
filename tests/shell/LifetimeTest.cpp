// Who keeps whom alive. The archive object lives while references from
// outside, from sub-folders and from their enumerators exist; the root
// folder's reference to it is balanced, so a root folder (or its enumerator)
// held after the archive object is gone is unbound and says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

constexpr SHCONTF kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS;

using Lifetimes = ShellTest;

// Five references (archive, root folder, sub-folder and an enumerator of
// each folder) released in every order. After each release the live objects
// must be exactly those something still holds, and each held object must
// work or be unbound accordingly.
TEST_F(Lifetimes, EveryReleaseOrderFreesExactlyWhatNothingHolds) {
  std::string path = WriteArchive("x.arc", {{"dir\\f.txt", "f", 0}, {"top.txt", "t", 0}});
  enum { kArchive, kRoot, kSub, kRootEnum, kSubEnum };
  const char* const names[] = {"archive", "root", "sub-folder", "root enumerator", "sub-folder enumerator"};
  std::array<int, 5> order = {kArchive, kRoot, kSub, kRootEnum, kSubEnum};
  do {
    std::string trace;
    for (int which : order) trace += std::string(trace.empty() ? "" : ", ") + names[which];
    SCOPED_TRACE("release order: " + trace);

    ComPtr<IzKtrnArchiveObject> archive = Open(path);
    ComPtr<IShellFolder> root = Root(archive.Get());
    ASSERT_TRUE(root);
    ComPtr<IShellFolder> sub = SubFolder(root.Get(), "dir");
    ASSERT_TRUE(sub);
    ComPtr<IEnumIDList> rootEnum, subEnum;
    ASSERT_EQ(root->EnumObjects(nullptr, kAll, rootEnum.Put()), S_OK);
    ASSERT_EQ(sub->EnumObjects(nullptr, kAll, subEnum.Put()), S_OK);
    ASSERT_EQ(Live(), 5);

    for (int which : order) {
      switch (which) {
        case kArchive: archive.Reset(); break;
        case kRoot: root.Reset(); break;
        case kSub: sub.Reset(); break;
        case kRootEnum: rootEnum.Reset(); break;
        case kSubEnum: subEnum.Reset(); break;
      }
      SCOPED_TRACE(std::string("after releasing the ") + names[which]);
      const bool archiveAlive = archive || sub || subEnum;
      const bool rootAlive = archiveAlive || root || rootEnum;
      const bool subAlive = sub || subEnum;
      const LONG expected = archiveAlive + rootAlive + subAlive + !!rootEnum + !!subEnum;
      EXPECT_EQ(Live(), expected);
      EXPECT_EQ(DllCanUnloadNow(), expected ? S_FALSE : S_OK);
      if (rootEnum) {
        EXPECT_EQ(rootEnum->Reset(), archiveAlive ? S_OK : E_UNEXPECTED);
        if (archiveAlive) {
          EXPECT_EQ(Drain(rootEnum.Get()), (std::vector<std::string>{"dir", "top.txt"}));
        }
      }
      if (root) {
        ComPtr<IEnumIDList> fresh;
        EXPECT_EQ(root->EnumObjects(nullptr, kAll, fresh.Put()), archiveAlive ? S_OK : E_UNEXPECTED);
        EXPECT_EQ(!!fresh, archiveAlive);
      }
      if (subEnum) {
        EXPECT_EQ(subEnum->Reset(), S_OK);
        EXPECT_EQ(Drain(subEnum.Get()), std::vector<std::string>{"f.txt"});
      }
      if (sub) {
        EXPECT_EQ(DisplayName(sub.Get(), EmptyList(), SHGDN_FORPARSING), path + "/dir");
      }
      EXPECT_EQ(Live(), expected) << "the checks themselves leave nothing behind";
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(Lifetimes, RootFolderHeldAfterItsArchiveIsUnbound) {
  std::string path = WriteArchive("x.arc", {{"dir\\f.txt", "f", 7}, {"top.txt", "top", 7}});
  ComPtr<IzKtrnArchiveObject> archive = Open(path);
  ComPtr<IShellFolder> root = Root(archive.Get());
  ASSERT_TRUE(root);
  UniquePidl dir = Child(root.Get(), "dir"), top = Child(root.Get(), "top.txt");
  UniquePidl dirFile = Concat(dir.get(), Child(SubFolder(root.Get(), "dir").Get(), "f.txt").get());
  ComPtr<IzKtrnArchiveFolder> folder = Query<IzKtrnArchiveFolder>(root.Get(), IID_IzKtrnArchiveFolder);
  ComPtr<IShellIcon> icon = Query<IShellIcon>(root.Get(), IID_IShellIcon);
  archive.Reset();
  EXPECT_EQ(Live(), 1) << "only the root folder is left";
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);

  IEnumIDList* enumerator = reinterpret_cast<IEnumIDList*>(1);
  EXPECT_EQ(root->EnumObjects(nullptr, kAll, &enumerator), E_UNEXPECTED);
  EXPECT_EQ(enumerator, nullptr);
  void* bound = nullptr;
  EXPECT_EQ(root->BindToObject(dir.get(), nullptr, IID_IShellFolder, &bound), E_UNEXPECTED);
  LPITEMIDLIST full = nullptr;
  EXPECT_EQ(folder->GetFullQualifiedPIDL(&full), E_UNEXPECTED);
  EXPECT_EQ(folder->ExtractFile(top.get(), NarrowArgument(m_dir.PathOf("out"))), E_UNEXPECTED);
  EXPECT_EQ(folder->ExtractFile(dirFile.get(), NarrowArgument(m_dir.PathOf("out"))), E_UNEXPECTED);
  EXPECT_FALSE(m_dir.Exists("out"));
  std::u16string typed = Widen("top.txt");
  LPITEMIDLIST parsed = nullptr;
  EXPECT_EQ(root->ParseDisplayName(nullptr, nullptr, reinterpret_cast<LPWSTR>(typed.data()), nullptr, &parsed, nullptr),
            E_UNEXPECTED);
  EXPECT_EQ(parsed, nullptr);
  int index = -2;
  EXPECT_EQ(icon->GetIconOf(EmptyList(), 0, &index), E_UNEXPECTED);
  STRRET name{};
  EXPECT_EQ(root->GetDisplayNameOf(EmptyList(), SHGDN_NORMAL, &name), E_UNEXPECTED);
  EXPECT_EQ(root->GetDisplayNameOf(top.get(), SHGDN_FORPARSING, &name), E_UNEXPECTED);

  // What the records alone answer needs no archive.
  EXPECT_EQ(DisplayName(root.Get(), top.get(), SHGDN_NORMAL), "top.txt");
  ULONG size = 0;
  EXPECT_EQ(folder->GetFileSize(top.get(), &size), S_OK);
  EXPECT_EQ(size, 3u);
  SFGAOF attributes = 0;
  LPCITEMIDLIST items[] = {top.get()};
  EXPECT_EQ(root->GetAttributesOf(1, items, &attributes), S_OK);
  EXPECT_EQ(attributes, 0x44040000u);

  EXPECT_EQ(Live(), 1);
  folder.Reset();
  icon.Reset();
  root.Reset();
  EXPECT_EQ(Live(), 0);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(Lifetimes, AFreshOpenAfterTheArchiveIsGoneLeavesTheOldRootUnbound) {
  std::string path = WriteArchive("x.arc", {{"top.txt", "top", 0}});
  ComPtr<IzKtrnArchiveObject> archive = Open(path);
  ComPtr<IShellFolder> oldRoot = Root(archive.Get());
  archive.Reset();
  ComPtr<IzKtrnArchiveObject> reopened = Open(path);
  EXPECT_EQ(Live(), 3) << "the old root, the new archive and its root";
  ComPtr<IShellFolder> newRoot = Root(reopened.Get());
  EXPECT_NE(Query<IUnknown>(newRoot.Get(), IID_IUnknown).Get(), Query<IUnknown>(oldRoot.Get(), IID_IUnknown).Get());
  EXPECT_EQ(Children(newRoot.Get()), std::vector<std::string>{"top.txt"});
  ComPtr<IEnumIDList> enumerator;
  EXPECT_EQ(oldRoot->EnumObjects(nullptr, kAll, enumerator.Put()), E_UNEXPECTED);
}

TEST_F(Lifetimes, ASubFolderKeepsItsArchiveShared) {
  std::string path = WriteArchive("x.arc", {{"dir\\f.txt", "f", 0}});
  ComPtr<IzKtrnArchiveObject> archive = Open(path);
  const auto* original = archive.Get();
  ComPtr<IShellFolder> sub = SubFolder(Root(archive.Get()).Get(), "dir");
  ASSERT_TRUE(sub);
  archive.Reset();
  EXPECT_EQ(Live(), 3) << "archive, root folder and sub-folder";
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);

  // The catalogue could not be read again: the open must find the live object.
  m_dir.Write("x.arc", "Orblane CompressedFile");
  ComPtr<IzKtrnArchiveObject> again = Open(OtherDriveCase(path));
  EXPECT_EQ(again.Get(), original);
  EXPECT_EQ(Live(), 3);
  EXPECT_EQ(Children(Root(again.Get()).Get()), std::vector<std::string>{"dir"});
  EXPECT_EQ(Children(sub.Get()), std::vector<std::string>{"f.txt"});

  again.Reset();
  EXPECT_EQ(Live(), 3);
  sub.Reset();
  EXPECT_EQ(Live(), 0);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST_F(Lifetimes, EnumeratorOfAnUnboundRootAnswersUnexpected) {
  ComPtr<IzKtrnArchiveObject> archive = Open(WriteArchive("x.arc", {{"a", "1", 0}, {"b", "2", 0}}));
  ComPtr<IEnumIDList> enumerator;
  ASSERT_EQ(Root(archive.Get())->EnumObjects(nullptr, kAll, enumerator.Put()), S_OK);
  LPITEMIDLIST item = nullptr;
  ASSERT_EQ(enumerator->Next(1, &item, nullptr), S_OK);
  qor::PidlFree(item);
  archive.Reset();
  EXPECT_EQ(Live(), 2) << "the enumerator and the root folder it holds";

  ULONG fetched = 99;
  item = nullptr;
  EXPECT_EQ(enumerator->Next(1, &item, &fetched), E_UNEXPECTED);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(item, nullptr);
  EXPECT_EQ(enumerator->Next(0, &item, &fetched), E_UNEXPECTED);
  EXPECT_EQ(enumerator->Skip(1), E_UNEXPECTED);
  EXPECT_EQ(enumerator->Reset(), E_UNEXPECTED);
  enumerator.Reset();
  EXPECT_EQ(Live(), 0);
}

}  // namespace
}  // namespace shell_test
