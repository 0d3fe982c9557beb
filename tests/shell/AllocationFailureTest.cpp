// Every public operation with each of its allocations failing in turn: the
// k-th allocation fails (task allocator, memory blocks or operator new), for
// k = 1, 2, ... until the operation no longer reaches the k-th. Each run must
// end in one of the operation's statuses, without a crash, and leave nothing
// behind: no live object, no task-allocator reference, no memory block and
// no file. On POSIX, where the stand-in has the switch.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "platform/ResultMacros.h"
#include "platform/posix/task_allocator.h"
#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

void TaskFree(void* block) {
  IMalloc* malloc = nullptr;
  if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc) {
    malloc->Free(block);
    malloc->Release();
  }
}

class AllocationFailure : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    m_path = WriteArchive("x.arc", {{"dir\\f.txt", "the file f", 0}, {"top.txt", "top", 0}});
  }

  // Runs operation with each allocation failing in turn; statuses are those
  // a run may end in (S_OK is the last, when nothing fails). cleanUp runs
  // after each run, outside the failing, and must release what the run
  // made.
  void Sweep(const char* what, const std::function<HRESULT()>& operation, const std::set<HRESULT>& statuses,
             const std::function<void()>& cleanUp = [] {}) {
    const std::size_t files = m_dir.Count();
    const LONG live = Live();  // what the test holds for the operation
    const testing::TestResult& result = *testing::UnitTest::GetInstance()->current_test_info()->result();
    const int reportsBefore = result.total_part_count();
    for (long k = 1;; ++k) {
      qor::posix::FailAllocation(k);
      HRESULT hr = operation();
      const bool reached = qor::posix::AllocationsCounted() >= k;
      qor::posix::FailAllocation(0);
      cleanUp();
      EXPECT_TRUE(statuses.count(hr) != 0) << what << ", allocation " << k << " failing: 0x" << std::hex << hr;
      EXPECT_EQ(Live(), live) << what << ", allocation " << k;
      EXPECT_EQ(qor::posix::OutstandingAllocatorReferences(), m_allocatorReferences) << what << ", allocation " << k;
      EXPECT_EQ(qor::posix::OutstandingGlobalBlocks(), m_globalBlocks) << what << ", allocation " << k;
      EXPECT_EQ(m_dir.Count(), files) << what << ", allocation " << k << ": a file left behind";
      if (!reached) {
        EXPECT_EQ(hr, S_OK) << what << " with no allocation failing";
        return;
      }
      if (result.total_part_count() != reportsBefore) return;  // one report per operation is enough
    }
  }

  // The archive's root folder with the archive object, made outside the
  // failing, for operations that start from them.
  struct Opened {
    ComPtr<IzKtrnArchiveObject> archive;
    ComPtr<IShellFolder> root;
  };
  Opened OpenRoot() {
    Opened opened{Open(m_path), {}};
    opened.root = Root(opened.archive.Get());
    return opened;
  }
};

TEST_F(AllocationFailure, EveryOperationFailsCleanly) {
  const std::set<HRESULT> openStatuses = {S_OK, E_OUTOFMEMORY};
  ComPtr<IzKtrnArchiveObject> held;
  Sweep(
      "open", [&] { return Open(m_path, held); }, openStatuses, [&] { held.Reset(); });

  Opened opened = OpenRoot();
  IShellFolder* root = opened.root.Get();
  Sweep(
      "enumerate",
      [&] {
        ComPtr<IEnumIDList> items;
        HRESULT hr = root->EnumObjects(nullptr, kAll, items.Put());
        for (LPITEMIDLIST item = nullptr; SUCCEEDED(hr) && (hr = items->Next(1, &item, nullptr)) == S_OK;)
          qor::PidlFree(item);
        return hr == S_FALSE ? S_OK : hr;
      },
      {S_OK, E_OUTOFMEMORY});

  UniquePidl top = Child(root, "top.txt"), dir = Child(root, "dir");
  Sweep(
      "display names",
      [&] {
        for (SHGDNF flags : {SHGDN_NORMAL, SHGDN_INFOLDER, SHGDN_FORPARSING}) {
          STRRET name{};
          HRESULT hr = root->GetDisplayNameOf(top.get(), flags, &name);
          if (FAILED(hr)) return hr;
          if (name.uType == STRRET_WSTR) TaskFree(name.pOleStr);
        }
        return S_OK;
      },
      {S_OK, E_OUTOFMEMORY});

  Sweep(
      "bind",
      [&] {
        ComPtr<IShellFolder> sub;
        return root->BindToObject(dir.get(), nullptr, IID_IShellFolder, sub.PutVoid());
      },
      {S_OK, E_OUTOFMEMORY});

  // What the test itself needs is allocated before the failing starts.
  std::u16string parsingName = Widen(m_path + "/dir\\f.txt");
  Sweep(
      "parse",
      [&] {
        std::u16string& name = parsingName;
        LPITEMIDLIST list = nullptr;
        HRESULT hr = root->ParseDisplayName(nullptr, nullptr, reinterpret_cast<LPWSTR>(name.data()), nullptr, &list,
                                            nullptr);
        qor::PidlFree(list);
        return hr;
      },
      {S_OK, E_OUTOFMEMORY});

  for (DWORD medium : {TYMED_HGLOBAL, TYMED_ISTREAM}) {
    Sweep(
        medium == TYMED_HGLOBAL ? "data in a memory block" : "data in a stream",
        [&] {
          LPCITEMIDLIST selection[] = {top.get()};
          ComPtr<IDataObject> data;
          RETURN_IF_FAILED(root->GetUIObjectOf(nullptr, 1, selection, IID_IDataObject, nullptr, data.PutVoid()));
          FORMATETC format{kFileContents, nullptr, DVASPECT_CONTENT, 0, medium};
          STGMEDIUM contents{};
          RETURN_IF_FAILED(data->GetData(&format, &contents));
          ReleaseStgMedium(&contents);
          return S_OK;
        },
        {S_OK, E_OUTOFMEMORY});
  }

  const std::string output = m_dir.PathOf("out");
  Sweep(
      "extract", [&] { return opened.archive->ExtractFile(1, NarrowArgument(output)); }, {S_OK, E_FAIL},
      [&] {
        if (m_dir.Exists("out")) m_dir.Remove("out");
      });

  auto newLink = [](ComPtr<IzKtrnArchiveLink>& link, ComPtr<IPersistFile>& file) {
    RETURN_IF_FAILED(QORCreateLinkObject(IID_IzKtrnArchiveLink, link.PutVoid()));
    return link.QueryInterface(IID_IPersistFile, file.PutVoid());
  };
  const std::string linkFile = m_dir.PathOf("x.lnk");
  const std::u16string wideLinkFile = Widen(linkFile);
  UniquePidl place = Concat(FullList(root).get(), top.get());
  Sweep(
      "save a link",
      [&] {
        ComPtr<IzKtrnArchiveLink> link;
        ComPtr<IPersistFile> file;
        RETURN_IF_FAILED(newLink(link, file));
        RETURN_IF_FAILED(link->SetIDList(place.get()));
        return file->Save(reinterpret_cast<LPCOLESTR>(wideLinkFile.c_str()), TRUE);
      },
      {S_OK, E_OUTOFMEMORY, E_FAIL},
      [&] {
        if (m_dir.Exists("x.lnk")) m_dir.Remove("x.lnk");
      });

  m_dir.Write("x.lnk", "[zKtrnArchiveLink]\r\nPath=" + m_path + "/top.txt\r\n");
  Sweep(
      "load and resolve a link",
      [&] {
        ComPtr<IzKtrnArchiveLink> link;
        ComPtr<IPersistFile> file;
        RETURN_IF_FAILED(newLink(link, file));
        RETURN_IF_FAILED(file->Load(reinterpret_cast<LPCOLESTR>(wideLinkFile.c_str()), 0));
        ComPtr<IUnknown> folder;
        LPITEMIDLIST list = nullptr;
        HRESULT hr = link->Resolve(folder.Put(), &list);
        qor::PidlFree(list);
        return hr;
      },
      {S_OK, E_OUTOFMEMORY, E_FAIL});
}

}  // namespace
}  // namespace shell_test
