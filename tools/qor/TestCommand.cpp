// qor test: decodes every stored file into a scratch folder and checks its
// length against the catalogue; one line for every entry that fails.
#include <cstdio>
#include <system_error>

#include "Commands.h"
#include "Terminal.h"
#include "Text.h"
#include "Walk.h"

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

int RunTest(const std::string& archive) {
  ArchiveSession session;
  std::string error;
  if (!session.OpenArgument(archive)) return 1;
  ScratchFolder scratch;
  std::filesystem::path output = scratch.Path() / "entry";
  std::optional<std::string> libraryPath = LibraryPath(output);
  if (!libraryPath) {
    Complain("the temporary folder cannot be given to the library");
    return 1;
  }
  std::vector<std::string> failures;
  size_t files = 0;
  bool walked = Walk(session.Root(), true,
                     [&](const VisitedItem& visited) {
                       if (visited.item.folder) return;
                       ++files;
                       std::error_code ignored;
                       std::filesystem::remove(output, ignored);
                       HRESULT hr = visited.folder.archive->ExtractFile(visited.item.pidl.get(),
                                                                        reinterpret_cast<LPWSTR>(libraryPath->data()));
                       std::string shown = JoinUtf8(visited.path);
                       if (FAILED(hr))
                         failures.push_back(shown + ": damaged: the stored data does not decode to the catalogue's length");
                       else if (std::filesystem::file_size(output, ignored) != visited.item.size)
                         failures.push_back(shown + ": damaged: decoded to another length than the catalogue's");
                     },
                     error);
  for (const std::string& failure : failures) Complain(failure);
  if (!walked) {
    Complain(error);
    return 1;
  }
  std::printf("%zu file(s) tested, %zu damaged\n", files, failures.size());
  return failures.empty() ? 0 : 1;
}

}  // namespace qor::host
