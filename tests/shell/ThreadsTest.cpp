// A host with a thread per window: several threads open the same few
// archives, browse them, parse names, copy and extract from them, and let
// them go, all at once. Every thread holds its archive object while it uses
// the archive's folders. Run under ThreadSanitizer by the tsan preset, and
// under AddressSanitizer by dev; either way the results must be right and
// every object gone at the end.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

using Threads = ShellTest;

TEST_F(Threads, ManyThreadsOpenBrowseExtractAndReleaseTheSameArchives) {
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
