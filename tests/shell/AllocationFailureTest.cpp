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
};

// Operations a host makes in a row are swept as one: every allocation of
// each of them still fails in its turn.
TEST_F(AllocationFailure, EveryOperationFailsCleanly) {
  ComPtr<IzKtrnArchiveObject> held;
  Sweep("open", [&] { return Open(m_path, held); }, {S_OK, E_OUTOFMEMORY}, [&] { held.Reset(); });

  // What the test itself needs is made before the failing starts.
  ComPtr<IzKtrnArchiveObject> archive = Open(m_path);
  ComPtr<IShellFolder> rootFolder = Root(archive.Get());
  IShellFolder* root = rootFolder.Get();
  UniquePidl top = Child(root, "top.txt"), dir = Child(root, "dir");
  std::u16string parsingName = Widen(m_path + "/dir\\f.txt");
  Sweep(
      "enumerate, display names, bind and parse",
      [&] {
        ComPtr<IEnumIDList> items;
        HRESULT hr = root->EnumObjects(nullptr, kAll, items.Put());
        for (LPITEMIDLIST item = nullptr; SUCCEEDED(hr) && (hr = items->Next(1, &item, nullptr)) == S_OK;)
          qor::PidlFree(item);
        RETURN_IF_FAILED(hr);
        for (SHGDNF flags : {SHGDN_NORMAL, SHGDN_INFOLDER, SHGDN_FORPARSING}) {
          STRRET name{};
          RETURN_IF_FAILED(root->GetDisplayNameOf(top.get(), flags, &name));
          if (name.uType == STRRET_WSTR) qor::TaskFree(name.pOleStr);
        }
        ComPtr<IShellFolder> sub;
        RETURN_IF_FAILED(root->BindToObject(dir.get(), nullptr, IID_IShellFolder, sub.PutVoid()));
        LPITEMIDLIST list = nullptr;
        hr = root->ParseDisplayName(nullptr, nullptr, reinterpret_cast<LPWSTR>(parsingName.data()), nullptr, &list,
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

  auto removeIfThere = [&](const char* name) {
    if (m_dir.Exists(name)) m_dir.Remove(name);
  };
  const std::string output = m_dir.PathOf("out");
  Sweep(
      "extract", [&] { return archive->ExtractFile(1, NarrowArgument(output)); }, {S_OK, E_FAIL},
      [&] { removeIfThere("out"); });

  // A link saved by one object, then loaded and resolved by another.
  const std::u16string linkFile = Widen(m_dir.PathOf("x.lnk"));
  UniquePidl place = Concat(FullList(root).get(), top.get());
  Sweep(
      "save, load and resolve a link",
      [&] {
        ComPtr<IzKtrnArchiveLink> link, loaded;
        ComPtr<IPersistFile> file, loadedFile;
        RETURN_IF_FAILED(QORCreateLinkObject(IID_IzKtrnArchiveLink, link.PutVoid()));
        RETURN_IF_FAILED(link.QueryInterface(IID_IPersistFile, file.PutVoid()));
        RETURN_IF_FAILED(link->SetIDList(place.get()));
        RETURN_IF_FAILED(file->Save(reinterpret_cast<LPCOLESTR>(linkFile.c_str()), TRUE));
        RETURN_IF_FAILED(QORCreateLinkObject(IID_IzKtrnArchiveLink, loaded.PutVoid()));
        RETURN_IF_FAILED(loaded.QueryInterface(IID_IPersistFile, loadedFile.PutVoid()));
        RETURN_IF_FAILED(loadedFile->Load(reinterpret_cast<LPCOLESTR>(linkFile.c_str()), 0));
        ComPtr<IUnknown> folder;
        LPITEMIDLIST list = nullptr;
        HRESULT hr = loaded->Resolve(folder.Put(), &list);
        qor::PidlFree(list);
        return hr;
      },
      {S_OK, E_OUTOFMEMORY, E_FAIL}, [&] { removeIfThere("x.lnk"); });
}

}  // namespace
}  // namespace shell_test
