// The stored files below places of an archive, for the commands that work on
// many files at once. Each file is kept by its name and catalogue index, its
// folder's path once for all the files of that folder, so that a million
// files cost little more than their names.
#pragma once

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "ArchiveSession.h"

namespace qor::host {

struct ListedFile {
  const std::vector<std::string>* folder;  // CP932 names from the root to the file's folder
  std::string name;                        // CP932, as stored
  DWORD index = 0;                         // catalogue index
  ULONG size = 0;
  FILETIME time{};
};

class FileList {
 public:
  // Adds the file of a place, or every file below its folder in the
  // folders' own order, each file once however often places name it; false
  // with a message when a folder cannot be read.
  bool Add(const ArchivePlace& place, std::string& error);

  const std::vector<ListedFile>& Files() const { return m_files; }
  unsigned long long Bytes() const { return m_bytes; }  // of all the files
  // The names from the root to the file, its own last.
  static std::vector<std::string> PathOf(const ListedFile& file);

 private:
  void Append(const std::vector<std::string>& folder, const ArchiveItem& item);

  std::vector<std::unique_ptr<std::vector<std::string>>> m_folders;
  std::vector<ListedFile> m_files;
  std::unordered_set<DWORD> m_indexes;  // of the files listed
  unsigned long long m_bytes = 0;
};

}  // namespace qor::host
