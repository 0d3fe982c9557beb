// An archive opened through the library, as any host opens one: the
// archive object from QORCreateObject, its root folder, the folders below it
// through BindToObject and their items through the enumerator.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CatalogueFacts.h"
#include "common/QorLibrary.h"
#include "qor/ComPtr.h"

namespace qor::host {

// A list handed out by the library, freed with the shell task allocator.
struct TaskMemoryFree {
  void operator()(void* block) const noexcept;
};
using TaskPidl = std::unique_ptr<ITEMIDLIST, TaskMemoryFree>;
// A copy of a list in the task allocator's memory; throws std::bad_alloc.
TaskPidl CopyToTask(LPCITEMIDLIST list);

struct ArchiveItem {
  std::string name;  // CP932, as stored
  bool folder = false;
  ULONG size = 0;      // files only
  FILETIME time{};     // files only
  DWORD index = 0;     // catalogue index; files only
  TaskPidl pidl;       // the item, relative to its folder
};

// One folder of the archive: its interfaces and its path from the root.
struct ArchiveFolder {
  ComPtr<IShellFolder> shell;
  ComPtr<IzKtrnArchiveFolder> archive;
  std::vector<std::string> path;  // CP932 names from the root

  // The folder's children in the folder's own order; false with a message.
  bool Items(std::vector<ArchiveItem>& items, std::string& error) const;
  // An item of this folder as a listing shows it.
  ArchiveItem Describe(TaskPidl pidl) const;
  // The sub-folder of a folder item.
  bool Open(const ArchiveItem& item, ArchiveFolder& child, std::string& error) const;
};

// Where a path inside the archive leads: a folder, or a file in a folder.
struct ArchivePlace {
  ArchiveFolder folder;
  std::unique_ptr<ArchiveItem> file;  // null when the place is the folder itself
};

class ArchiveSession {
 public:
  // Loads the library and opens the archive; false with a message.
  bool Open(const std::filesystem::path& archive, std::string& error);
  // The same for the archive a command-line argument (UTF-8) names; on
  // failure it says why on standard error.
  bool OpenArgument(const std::string& archiveUtf8);
  const ArchiveFolder& Root() const { return m_root; }
  // The list, relative to the root, of the place an inner path (UTF-8, "/" or
  // "\" between names) names, as the root folder parses the place's parsing
  // name. False when no such place exists.
  bool Resolve(const std::string& innerUtf8, TaskPidl& list) const;
  // The archive's path as the library was given it (Windows-form, CP932).
  const std::string& Path() const { return m_path; }
  // The place an inner path (UTF-8, "/" or "\" between names) names.
  bool Find(const std::string& innerUtf8, ArchivePlace& place, std::string& error) const;
  // What the catalogue says that the library does not (CatalogueFacts.h),
  // read on first use; null, after saying why, when the file can no longer
  // be read as an archive.
  const CatalogueFacts* Facts();
  // OpenArgument for a command that extracts: false also, after saying so
  // once, when the archive is not as long as its catalogue describes (cut
  // short, or with data appended), as the library then extracts none of its
  // files, each failing as damaged.
  bool OpenArgumentToExtract(const std::string& archiveUtf8);
  QorLibrary& Library() { return m_library; }
  IzKtrnArchiveObject* Object() const { return m_object.Get(); }

 private:
  // Find through the root folder's parsing of the place's name, as a host
  // finds a typed place: no folder is listed. False when that does not give
  // exactly the stored names (Find then lists the folders).
  bool FindParsed(const std::vector<std::string>& names, ArchivePlace& place) const;
  // The place the names lead to from the root; false with a message.
  bool FindNames(const std::vector<std::string>& names, ArchivePlace& place, std::string& error) const;

  QorLibrary m_library;
  std::string m_path;
  std::string m_shown;  // the archive's path as messages show it
  std::optional<CatalogueFacts> m_facts;
  ComPtr<IzKtrnArchiveObject> m_object;
  ArchiveFolder m_root;
};

// The item's name as stored (CP932), read from its archive record; empty for
// an item that is no archive record.
std::string RecordName(LPCITEMIDLIST pidl);
// A status code as qor shows it: 0x and eight hex digits.
std::string StatusText(HRESULT hr);
// Why an archive could not be opened, in words.
std::string DescribeOpenFailure(HRESULT hr);

}  // namespace qor::host
