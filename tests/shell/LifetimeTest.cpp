// Who keeps whom alive. The archive object lives while references from
// outside, from sub-folders, from enumerators and from data objects exist;
// the root folder's reference to it is balanced, so a root folder held
// alone after the archive object is gone is unbound and says so. And the
// same with threads opening and releasing the same archives at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <random>
#include <thread>

#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

using Lifetimes = ShellTest;

// Six references (archive, root folder, sub-folder, an enumerator of each
// folder, and a data object of the root folder's top.txt) released in every
// order. After each release the live objects must be exactly those
// something still holds, and each held object must work or be unbound
// accordingly: a copy from the top level can still be pasted after the
// host let its archive go.
TEST_F(Lifetimes, EveryReleaseOrderFreesExactlyWhatNothingHolds) {
  std::string path = WriteArchive("x.arc", {{"dir\\f.txt", "f", 0}, {"top.txt", "t", 0}});
  enum { kArchive, kRoot, kSub, kRootEnum, kSubEnum, kData };
  const char* const names[] = {"archive",    "root", "sub-folder", "root enumerator", "sub-folder enumerator",
                               "data object"};
  std::array<int, 6> order = {kArchive, kRoot, kSub, kRootEnum, kSubEnum, kData};
  do {
    std::string trace;
    for (int which : order) trace += std::string(trace.empty() ? "" : ", ") + names[which];
    SCOPED_TRACE("release order: " + trace);

    ComPtr<IzKtrnArchiveObject> archive = Open(path);
    ComPtr<IShellFolder> root = Root(archive.Get());
    ASSERT_TRUE(root);
    ComPtr<IShellFolder> sub = SubFolder(root.Get(), "dir");
    ASSERT_TRUE(sub);
    ComPtr<IEnumIDList> rootEnum = Enum(root.Get()), subEnum = Enum(sub.Get());
    UniquePidl top = Child(root.Get(), "top.txt");
    ComPtr<IDataObject> data = DataOf(root.Get(), {top.get()});
    ASSERT_TRUE(data);
    ASSERT_EQ(Live(), 7) << "the data object has a format enumerator of its own";

    for (int which : order) {
      switch (which) {
        case kArchive: archive.Reset(); break;
        case kRoot: root.Reset(); break;
        case kSub: sub.Reset(); break;
        case kRootEnum: rootEnum.Reset(); break;
        case kSubEnum: subEnum.Reset(); break;
        case kData: data.Reset(); break;
      }
      SCOPED_TRACE(std::string("after releasing the ") + names[which]);
      const bool archiveAlive = archive || sub || subEnum || rootEnum || data;
      const bool rootAlive = archiveAlive || root;
      const bool subAlive = sub || subEnum;
      const LONG expected = archiveAlive + rootAlive + subAlive + !!rootEnum + !!subEnum + 2 * !!data;
      EXPECT_EQ(Live(), expected);
      EXPECT_EQ(DllCanUnloadNow(), expected ? S_FALSE : S_OK);
      if (rootEnum) {
        EXPECT_EQ(rootEnum->Reset(), S_OK);
        EXPECT_EQ(Drain(rootEnum.Get()), (Names{"dir", "top.txt"}));
      }
      if (root) {
        ComPtr<IEnumIDList> fresh;
        EXPECT_EQ(root->EnumObjects(nullptr, kAll, fresh.Put()), archiveAlive ? S_OK : E_UNEXPECTED);
        EXPECT_EQ(!!fresh, archiveAlive);
      }
      if (subEnum) {
        EXPECT_EQ(subEnum->Reset(), S_OK);
        EXPECT_EQ(Drain(subEnum.Get()), Names{"f.txt"});
      }
      if (sub) {
        EXPECT_EQ(DisplayName(sub.Get(), EmptyList(), SHGDN_FORPARSING), path + "/dir");
      }
      if (data) {
        EXPECT_EQ(FileContents(data.Get(), 0)[0], 't') << "the paste of a pending copy";
      }
      EXPECT_EQ(Live(), expected) << "the checks themselves leave nothing behind";
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

// A root folder held alone after its archive object: everything that needs
// the archive answers E_UNEXPECTED; what the records alone answer still
// works; a fresh open makes a new root.
TEST_F(Lifetimes, RootFolderHeldAfterItsArchiveIsUnbound) {
  std::string path = WriteArchive("x.arc", {{"dir\\f.txt", "f", 7}, {"top.txt", "top", 7}});
  ComPtr<IzKtrnArchiveObject> archive = Open(path);
  ComPtr<IShellFolder> root = Root(archive.Get());
  ASSERT_TRUE(root);
  UniquePidl dir = Child(root.Get(), "dir"), top = Child(root.Get(), "top.txt");
  ComPtr<IzKtrnArchiveFolder> folder = Query<IzKtrnArchiveFolder>(root.Get(), IID_IzKtrnArchiveFolder);
  ComPtr<IShellIcon> icon = Query<IShellIcon>(root.Get(), IID_IShellIcon);
  archive.Reset();
  EXPECT_EQ(Live(), 1) << "only the root folder is left";
  EXPECT_EQ(DllCanUnloadNow(), S_FALSE);

  IEnumIDList* another = reinterpret_cast<IEnumIDList*>(1);
  EXPECT_EQ(root->EnumObjects(nullptr, kAll, &another), E_UNEXPECTED);
  EXPECT_EQ(another, nullptr);
  void* bound = nullptr;
  EXPECT_EQ(root->BindToObject(dir.get(), nullptr, IID_IShellFolder, &bound), E_UNEXPECTED);
  LPITEMIDLIST full = nullptr;
  EXPECT_EQ(folder->GetFullQualifiedPIDL(&full), E_UNEXPECTED);
  EXPECT_EQ(folder->ExtractFile(top.get(), NarrowArgument(m_dir.PathOf("out"))), E_UNEXPECTED);
  EXPECT_FALSE(m_dir.Exists("out"));
  UniquePidl parsed;
  EXPECT_EQ(ParseName(root.Get(), "top.txt", parsed), E_UNEXPECTED);
  EXPECT_FALSE(parsed);
  int index = -2;
  EXPECT_EQ(icon->GetIconOf(EmptyList(), 0, &index), E_UNEXPECTED);
  STRRET name{};
  EXPECT_EQ(root->GetDisplayNameOf(EmptyList(), SHGDN_NORMAL, &name), E_UNEXPECTED);
  EXPECT_EQ(root->GetDisplayNameOf(top.get(), SHGDN_FORPARSING, &name), E_UNEXPECTED);

  EXPECT_EQ(DisplayName(root.Get(), top.get(), SHGDN_NORMAL), "top.txt");
  ULONG size = 0;
  EXPECT_EQ(folder->GetFileSize(top.get(), &size), S_OK);
  EXPECT_EQ(size, 3u);
  SFGAOF attributes = 0;
  LPCITEMIDLIST items[] = {top.get()};
  EXPECT_EQ(root->GetAttributesOf(1, items, &attributes), S_OK);
  EXPECT_EQ(attributes, 0x44040000u);

  ComPtr<IzKtrnArchiveObject> reopened = Open(path);
  EXPECT_EQ(Live(), 3) << "the old root, the new archive and its new root";
  ComPtr<IShellFolder> newRoot = Root(reopened.Get());
  EXPECT_EQ(Children(newRoot.Get()), (Names{"dir", "top.txt"}));
  ComPtr<IEnumIDList> stale;
  EXPECT_EQ(root->EnumObjects(nullptr, kAll, stale.Put()), E_UNEXPECTED) << "the old root stays unbound";
  newRoot.Reset();
  reopened.Reset();
  folder.Reset();
  icon.Reset();
  EXPECT_EQ(Live(), 1);
  root.Reset();
  EXPECT_EQ(Live(), 0);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

// A host with a thread per window: several threads open the same few
// archives, browse them, parse names, copy and extract from them, and let
// them go, all at once, each holding its archive object while it uses the
// archive's folders. Run under ThreadSanitizer by the tsan preset, and under
// AddressSanitizer by dev; either way the results must be right and every
// object gone at the end.
TEST_F(Lifetimes, ManyThreadsOpenBrowseExtractAndReleaseTheSameArchives) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 750;  // per thread: 3,000 rounds in all
  const std::vector<std::string> paths = {
      WriteArchive("a.arc", {{"dir\\f.txt", "fa", 0}, {"top.txt", "ta", 0}}),
      WriteArchive("b.arc", {{"dir\\f.txt", "fb", 0}, {"top.txt", "tb", 0}}),
      WriteArchive("c.arc", {{"dir\\f.txt", "fc", 0}, {"top.txt", "tc", 0}}),
  };
  std::atomic<int> failures{0};
  std::atomic<int> firstFailure{0};
  auto check = [&](bool ok, int line = __builtin_LINE()) {
    if (ok) return;
    failures.fetch_add(1);
    int none = 0;
    firstFailure.compare_exchange_strong(none, line);
  };
  auto run = [&](int thread) {
    std::mt19937 random(static_cast<unsigned>(thread));
    const std::string output = m_dir.PathOf("out" + std::to_string(thread));
    for (int round = 0; round < kRounds; ++round) {
      const std::size_t which = random() % paths.size();
      const char letter = static_cast<char>('a' + which);
      ComPtr<IzKtrnArchiveObject> archive;
      check(QORCreateObject(paths[which].c_str(), IID_IzKtrnArchiveObject, archive.PutVoid()) == S_OK);
      if (!archive) continue;
      ComPtr<IUnknown> unknown;
      check(archive->get_archiveRootFolder(unknown.Put()) == S_OK);
      ComPtr<IShellFolder> root;
      check(unknown.QueryInterface(IID_IShellFolder, root.PutVoid()) == S_OK);
      if (!root) continue;
      switch (random() % 4) {
        case 0: {  // browse
          ComPtr<IEnumIDList> items;
          check(root->EnumObjects(nullptr, kAll, items.Put()) == S_OK);
          int count = 0;
          for (LPITEMIDLIST item = nullptr; items && items->Next(1, &item, nullptr) == S_OK; ++count)
            qor::PidlFree(item);
          check(count == 2);
          break;
        }
        case 1: {  // parse a name and open the folder it leads to
          UniquePidl parsed;
          check(ParseName(root.Get(), "dir", parsed) == S_OK);
          ComPtr<IShellFolder> dir;
          check(parsed && root->BindToObject(parsed.get(), nullptr, IID_IShellFolder, dir.PutVoid()) == S_OK);
          check(dir && Children(dir.Get()) == Names{"f.txt"});
          break;
        }
        case 2: {  // extract a file
          check(archive->ExtractFile(1, NarrowArgument(output)) == S_OK);
          check(m_dir.Read("out" + std::to_string(thread)) == std::string("t") + letter);
          break;
        }
        case 3: {  // copy a file out through a data object
          UniquePidl top;
          check(ParseName(root.Get(), "top.txt", top) == S_OK);
          ComPtr<IDataObject> data = DataOf(root.Get(), {top.get()});
          check(FileContents(data.Get(), 0).substr(0, 2) == std::string("t") + letter);
          break;
        }
      }
      // The folders go first or last, as a window closes.
      if (random() % 2) root.Reset();
      unknown.Reset();
      archive.Reset();
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) threads.emplace_back(run, t);
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0) << "the first at line " << firstFailure.load();
  EXPECT_EQ(Live(), 0);
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace shell_test
