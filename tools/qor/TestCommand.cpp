// qor test: decodes every stored file into a scratch folder and checks its
// length against the catalogue, on several threads; one line for every entry
// that fails, in the order of the entries.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>

#include "Commands.h"
#include "ItemLists.h"
#include "Terminal.h"
#include "Text.h"
#include "Walk.h"
#include "Workers.h"

#ifdef _WIN32
#include <process.h>
#define QOR_GETPID _getpid
#else
#include <unistd.h>
#define QOR_GETPID getpid
#endif

namespace qor::host {
namespace {

// A folder of its own in the temporary directory, removed with its contents.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code error;
    m_path = std::filesystem::temp_directory_path(error) / ("qor-test-" + std::to_string(QOR_GETPID()));
    std::filesystem::create_directories(m_path, error);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

}  // namespace

int RunTest(const TestOptions& options) {
  ArchiveSession session;
  std::string error;
  if (!session.OpenArgument(options.archive)) return 1;
  ScratchFolder scratch;
  // Each thread decodes into a file of its own, replaced entry after entry,
  // in a folder of its own so that the threads never wait for each other on
  // one folder of the file system.
  const unsigned workers = std::max(1u, options.workers);
  std::vector<std::filesystem::path> outputs;
  std::vector<std::string> libraryOutputs;
  for (unsigned k = 0; k < workers; ++k) {
    std::error_code ignored;
    std::filesystem::create_directory(scratch.Path() / std::to_string(k), ignored);
    outputs.push_back(scratch.Path() / std::to_string(k) / "entry");
    std::optional<std::string> libraryPath = LibraryPath(outputs.back());
    if (!libraryPath) {
      Complain("the temporary folder cannot be given to the library");
      return 1;
    }
    libraryOutputs.push_back(std::move(*libraryPath));
  }
  // What the threads need of each file; the folders are the walk's copies,
  // kept until every file is tested.
  struct Entry {
    const ArchiveFolder* folder;
    ItemBytes item;
    ULONG size;
    std::string shown;
  };
  std::vector<std::unique_ptr<ArchiveFolder>> folders;
  std::vector<Entry> entries;
  bool walked = Walk(session.Root(), true,
                     [&](const VisitedItem& visited) {
                       if (visited.item.folder) return;
                       if (folders.empty() || folders.back()->shell.Get() != visited.folder.shell.Get())
                         folders.push_back(std::make_unique<ArchiveFolder>(visited.folder));
                       entries.push_back(Entry{folders.back().get(), CopyItems(visited.item.pidl.get()),
                                               visited.item.size, JoinUtf8(visited.path)});
                     },
                     error);
  if (!walked) {
    Complain(error);
    return 1;
  }

  std::vector<std::string> failures(entries.size());
  RunInOrder(
      entries.size(), workers,
      [&](std::size_t i, unsigned worker) {
        const Entry& entry = entries[i];
        HRESULT hr = entry.folder->archive->ExtractFile(AsList(entry.item),
                                                        reinterpret_cast<LPWSTR>(libraryOutputs[worker].data()));
        std::error_code ignored;
        if (FAILED(hr))
          failures[i] = entry.shown + ": damaged: the stored data does not decode to the catalogue's length";
        else if (std::filesystem::file_size(outputs[worker], ignored) != entry.size)
          failures[i] = entry.shown + ": damaged: decoded to another length than the catalogue's";
      },
      [](std::size_t) {});
  std::size_t damaged = 0;
  for (const std::string& failure : failures) {
    if (failure.empty()) continue;
    Complain(failure);
    ++damaged;
  }
  std::printf("%zu file(s) tested, %zu damaged\n", entries.size(), damaged);
  return damaged == 0 ? 0 : 1;
}

}  // namespace qor::host
