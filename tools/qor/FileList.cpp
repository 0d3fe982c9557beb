#include "FileList.h"

#include "Walk.h"

namespace qor::host {

bool FileList::Add(const ArchivePlace& place, std::string& error) {
  if (place.file) {
    Append(place.folder.path, *place.file);
    return true;
  }
  return Walk(
      place.folder, true,
      [this](const VisitedItem& visited) {
        if (!visited.item.folder) Append(visited.folder.path, visited.item);
      },
      error);
}

void FileList::Append(const std::vector<std::string>& folder, const ArchiveItem& item) {
  if (!m_indexes.insert(item.index).second) return;
  // A walk visits the files of one folder one after another.
  if (m_folders.empty() || *m_folders.back() != folder)
    m_folders.push_back(std::make_unique<std::vector<std::string>>(folder));
  m_bytes += item.size;
  m_files.push_back(ListedFile{m_folders.back().get(), item.name, item.index, item.size, item.time});
}

std::vector<std::string> FileList::PathOf(const ListedFile& file) {
  std::vector<std::string> path = *file.folder;
  path.push_back(file.name);
  return path;
}

}  // namespace qor::host
