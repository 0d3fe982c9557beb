// qor test: decodes every stored file into a scratch folder and checks its
// length against the catalogue, on several threads; one line for every entry
// that fails, in the order of the entries.
#include <algorithm>
#include <cstdio>
#include <system_error>

#include "Commands.h"
#include "FileList.h"
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
  if (!session.OpenArgumentToExtract(options.archive)) return 1;
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
  FileList list;
  ArchivePlace everything;
  everything.folder = session.Root();
  if (!list.Add(everything, error)) {
    Complain(error);
    return 1;
  }
  const std::vector<ListedFile>& files = list.Files();
  std::vector<std::string> failures(files.size());
  Progress progress(files.size(), list.Bytes());
  RunInOrder(
      files.size(), workers,
      [&](std::size_t i, unsigned worker) {
        const ListedFile& file = files[i];
        HRESULT hr = session.Object()->ExtractFile(static_cast<int>(file.index),
                                                   reinterpret_cast<LPWSTR>(libraryOutputs[worker].data()));
        std::error_code ignored;
        if (FAILED(hr))
          failures[i] = JoinUtf8(FileList::PathOf(file)) +
                        ": damaged: the stored data does not decode to the catalogue's length";
        else if (std::filesystem::file_size(outputs[worker], ignored) != file.size)
          failures[i] = JoinUtf8(FileList::PathOf(file)) + ": damaged: decoded to another length than the catalogue's";
      },
      [&](std::size_t i) {
        auto shown = [&] { return JoinUtf8(FileList::PathOf(files[i])); };
        progress.Show(i, files[i].size, shown);
        if (failures[i].empty() && !options.verbose) return;
        progress.Clear();
        if (failures[i].empty())
          std::printf("%s: ok\n", shown().c_str());
        else
          Complain(failures[i]);
      });
  progress.Done();
  std::size_t damaged = 0;
  for (const std::string& failure : failures) damaged += failure.empty() ? 0 : 1;
  std::printf("%zu file(s) tested, %zu damaged\n", files.size(), damaged);
  return damaged == 0 ? 0 : 1;
}

}  // namespace qor::host
