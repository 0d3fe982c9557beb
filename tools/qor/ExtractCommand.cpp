// qor extract: writes stored files under a folder, creating folders, each
// with the catalogue's modification time. Nothing is written outside that
// folder, no symbolic link met below it is followed, and nothing existing is
// overwritten unless asked; a failed entry does not stop the others. Files
// are extracted on several threads, each calling the archive object's
// ExtractFile with the file's catalogue index: the one call the library
// allows from several threads at once.
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string_view>
#include <system_error>
#include <unordered_set>

#include "Commands.h"
#include "FileList.h"
#include "Terminal.h"
#include "Text.h"
#include "Walk.h"
#include "Workers.h"
#include "WriteObstacles.h"

namespace qor::host {
namespace {

// A name that could lead out of the target folder or means nothing as a file
// name: empty, ".", "..", or on Windows one with a ':', which names a drive
// or a file's alternate stream there and is an ordinary character elsewhere.
bool IsUnsafeName(const std::string& name) {
#ifdef _WIN32
  if (name.find(':') != std::string::npos) return true;
#endif
  return name.empty() || name == "." || name == "..";
}

std::filesystem::path NativeComponent(const std::string& cp932) { return NativePath(Utf8FromCp932(cp932)); }

#ifdef _WIN32
// The library takes paths shorter than MAX_PATH, and first writes a
// temporary file of 16 characters beside its target.
constexpr std::size_t kLongestLibraryPath = MAX_PATH - 1 - 16;

// A path in the long-path form of the wide calls, which take up to 32,767
// characters.
std::wstring LongForm(const std::filesystem::path& path) {
  std::wstring text = std::filesystem::path(path).make_preferred().wstring();
  if (text.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + text.substr(2);
  return L"\\\\?\\" + text;
}
#endif

// Gives a written file the catalogue's time, where the file system allows.
// On Windows through the FILETIME itself: the runtime's own call refuses
// times before 1970, which a catalogue can hold.
void SetModificationTime(const std::filesystem::path& file, const FILETIME& time) {
#ifdef _WIN32
  HANDLE handle = CreateFileW(LongForm(file).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  SetFileTime(handle, nullptr, nullptr, &time);
  CloseHandle(handle);
#else
  std::error_code ignored;
  std::filesystem::last_write_time(
      file, std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(UnixSeconds(time)))),
      ignored);
#endif
}

// Why a file could not be extracted: what stands in the way on the file
// system's side, else the stored data.
std::string WhyNotExtracted(const std::filesystem::path& output, ULONG size) {
  std::string obstacle = WriteObstacle(output, size);
  if (!obstacle.empty()) return "cannot extract: " + obstacle;
#ifdef _WIN32
  return "cannot extract: the stored data is damaged or the file cannot be written";
#else
  return "damaged: the stored data does not decode to the catalogue's length";
#endif
}

// The folders below the target that a run has found free of symbolic links
// (or created itself), so that each is looked at once however many files it
// receives.
class CheckedFolders {
 public:
  explicit CheckedFolders(std::filesystem::path target) : m_target(std::move(target)) {}

  // Empty when no folder from the target down to folder is a symbolic link;
  // else the message that refuses it. The target itself is the user's
  // choice and may be one.
  std::string LinkIn(const std::filesystem::path& folder) {
    std::filesystem::path walked = m_target;
    for (const std::filesystem::path& name : folder.lexically_relative(m_target)) {
      walked /= name;
      {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_free.count(walked.native())) continue;
      }
      std::error_code error;
      if (std::filesystem::is_symlink(std::filesystem::symlink_status(walked, error)))
        return "a symbolic link is in the way (" + DisplayPath(walked) + "); not followed";
      std::lock_guard<std::mutex> hold(m_lock);
      m_free.insert(walked.native());
    }
    return {};
  }

 private:
  std::filesystem::path m_target;
  std::mutex m_lock;
  std::unordered_set<std::filesystem::path::string_type> m_free;
};

class Extraction {
 public:
  Extraction(const ExtractOptions& options, IzKtrnArchiveObject* archive, std::filesystem::path target)
      : m_options(options), m_archive(archive), m_target(target), m_checked(std::move(target)) {}

  // Collects the files of a place: the file itself, or every file below the
  // folder.
  bool Collect(const ArchivePlace& place, std::string& error) { return m_files.Add(place, error); }

  // Extracts every collected file on `workers` threads; the number of
  // entries that failed. Messages come in the order of the files, whatever
  // the number of threads.
  int Run(unsigned workers) {
    const std::vector<ListedFile>& files = m_files.Files();
    // Where each file comes out, worked out on every thread; and which files
    // come out at a path an earlier file (in the folders' order, not the
    // threads') already takes.
    std::vector<std::filesystem::path> outputs(files.size());
    std::vector<char> later(files.size());
    std::unordered_set<std::basic_string_view<std::filesystem::path::value_type>> taken;
    RunInOrder(
        files.size(), workers, [&](std::size_t i, unsigned) { outputs[i] = OutputOf(files[i]); },
        [&](std::size_t i) { later[i] = !outputs[i].empty() && !taken.insert(outputs[i].native()).second; });
    Progress progress(files.size(), m_files.Bytes());
    std::vector<std::string> problems(files.size());
    std::vector<char> written(files.size());
    int failed = 0;
    RunInOrder(
        files.size(), workers,
        [&](std::size_t i, unsigned) {
          try {
            problems[i] = ExtractOne(files[i], outputs[i], later[i] != 0, written[i]);
          } catch (const std::exception& error) {
            problems[i] = error.what();
          }
        },
        [&](std::size_t i) {
          auto shown = [&] { return JoinUtf8(FileList::PathOf(files[i])); };
          progress.Show(i, files[i].size, shown);
          if (written[i] && m_options.verbose) {
            progress.Clear();
            std::printf("%s\n", shown().c_str());
          }
          if (problems[i].empty()) return;
          progress.Clear();
          Complain(shown() + ": " + problems[i]);
          ++failed;
        });
    progress.Done();
    return failed;
  }

 private:
  // Where a file comes out under the target; empty for an unsafe name.
  std::filesystem::path OutputOf(const ListedFile& file) const {
    std::filesystem::path output = m_target;
    for (const std::string& name : FileList::PathOf(file)) {
      if (IsUnsafeName(name)) return {};
      output /= NativeComponent(name);
    }
    return output;
  }

  // An empty string on success (written set when the file was written, not
  // skipped), else what went wrong.
  std::string ExtractOne(const ListedFile& file, const std::filesystem::path& output, bool later, char& written) {
    if (output.empty()) return "skipped: the stored name is empty, \".\", \"..\" or carries a drive or stream";
    std::string link = m_checked.LinkIn(output.parent_path());
    if (!link.empty()) return link;
    // Two stored names can come out as one (code page 932 has characters
    // twice over): the first keeps the name unless the user lets later ones
    // overwrite.
    if (later && !m_options.overwrite)
      return m_options.skipExisting ? std::string()
                                    : "another file of the archive has that name; not overwritten (use --overwrite)";
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::symlink_status(output, error);
    if (std::filesystem::exists(status) || std::filesystem::is_symlink(status)) {
      if (std::filesystem::is_directory(status)) return "a folder of that name is in the way";
      if (m_options.skipExisting) return {};
      // A link at the name is replaced, never written through: the library
      // renames its finished file onto the name.
      if (!m_options.overwrite) return "exists; not overwritten (use --overwrite)";
    }
    std::filesystem::create_directories(output.parent_path(), error);
    if (error) return "cannot create folder " + DisplayPath(output.parent_path()) + ": " + error.message();
    std::optional<std::string> libraryPath = LibraryPath(output);
    if (!libraryPath) return "the output path cannot be given to the library";
    if (FAILED(ExtractInto(file.index, output, *libraryPath))) return WhyNotExtracted(output, file.size);
    SetModificationTime(output, file.time);
    written = 1;
    return {};
  }

  // Extracts a file at output. On Windows a path too long for the library
  // is extracted into the target folder under a name of its own, then moved
  // into place by the long-path form of the wide call.
  HRESULT ExtractInto(DWORD index, [[maybe_unused]] const std::filesystem::path& output,
                      std::string& libraryPath) const {
#ifdef _WIN32
    if (libraryPath.size() > kLongestLibraryPath) {
      const std::filesystem::path staging = m_target / ("~qor-deep" + std::to_string(index) + ".tmp");
      std::optional<std::string> stagingPath = LibraryPath(staging);
      if (!stagingPath || stagingPath->size() > kLongestLibraryPath) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
      HRESULT hr = m_archive->ExtractFile(static_cast<int>(index), reinterpret_cast<LPWSTR>(stagingPath->data()));
      if (SUCCEEDED(hr) && !MoveFileExW(LongForm(staging).c_str(), LongForm(output).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        hr = HRESULT_FROM_WIN32(GetLastError());
        DeleteFileW(LongForm(staging).c_str());
      }
      return hr;
    }
#endif
    return m_archive->ExtractFile(static_cast<int>(index), reinterpret_cast<LPWSTR>(libraryPath.data()));
  }

  const ExtractOptions& m_options;
  IzKtrnArchiveObject* m_archive;  // the session's
  std::filesystem::path m_target;
  CheckedFolders m_checked;
  FileList m_files;
};

}  // namespace

int RunExtract(const ExtractOptions& options) {
  ArchiveSession session;
  std::string error;
  if (!session.OpenArgumentToExtract(options.archive)) return 1;
  std::error_code ignored;
  std::filesystem::path target = std::filesystem::absolute(NativePath(options.directory), ignored);
  Extraction extraction(options, session.Object(), target);
  std::vector<std::string> inner = options.inner.empty() ? std::vector<std::string>{""} : options.inner;
  int failed = 0;
  for (const std::string& place : inner) {
    ArchivePlace found;
    if (!session.Find(place, found, error) || !extraction.Collect(found, error)) {
      Complain(error);
      ++failed;
    }
  }
  failed += extraction.Run(options.workers);
  return failed == 0 ? 0 : 1;
}

}  // namespace qor::host
