#include "ArchiveSession.h"

#include <algorithm>
#include <cstdio>
#include <cerrno>
#include <cstring>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "Commands.h"
#include "ItemLists.h"
#include "Text.h"

namespace qor::host {

// The text at offset 28 + name offset up to its zero byte or the item's end.
// The folder's display name will not do: it shows an empty stored name as
// the archive's own title, and extraction must see such a name as it is to
// skip it.
std::string RecordName(LPCITEMIDLIST pidl) {
  auto* bytes = reinterpret_cast<const unsigned char*>(pidl);
  size_t cb = bytes[0] | (bytes[1] << 8);
  if (cb < 28 || std::memcmp(bytes + 2, "Qidl", 4) != 0) return {};
  size_t start = 28 + (bytes[26] | (bytes[27] << 8));
  if (start >= cb) return {};
  auto* name = reinterpret_cast<const char*>(bytes + start);
  return std::string(name, std::find(name, name + (cb - start), '\0'));
}

namespace {

// The catalogue index from the item's archive record: a little-endian
// 32-bit value at offset 6 of a record of at least 10 bytes that carries the
// signature "Qidl" (the record layout hosts may read, qor/QORITEMIDLIST.h).
DWORD RecordIndex(LPCITEMIDLIST pidl) {
  auto* bytes = reinterpret_cast<const unsigned char*>(pidl);
  unsigned cb = bytes[0] | (bytes[1] << 8);
  if (cb < 10 || std::memcmp(bytes + 2, "Qidl", 4) != 0) return 0xFFFFFFFF;
  return bytes[6] | (bytes[7] << 8) | (bytes[8] << 16) | (static_cast<DWORD>(bytes[9]) << 24);
}

// The names of an inner path. With keepEmpty, as `ls -R` writes a folder
// stored with an empty name: an empty name before a separator ("/f", "a//b");
// a trailing separator only marks a folder. Without, empty names are
// dropped, as people write "/docs" or "a//b" for "docs" and "a/b".
std::vector<std::string> SplitInner(const std::string& cp932, bool keepEmpty) {
  std::vector<std::string> names;
  std::string current;
  for (size_t i = 0; i < cp932.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(cp932[i])) && i + 1 < cp932.size()) {
      current += cp932[i];
      current += cp932[++i];
    } else if (cp932[i] == '/' || cp932[i] == '\\') {
      if (keepEmpty || !current.empty()) names.push_back(current);
      current.clear();
    } else {
      current += cp932[i];
    }
  }
  if (!current.empty()) names.push_back(current);
  return names;
}

// The parsing name of a place inside the archive (CP932), the way the shell
// passes names to a folder. Separators of either kind become '\', the
// separator inside an archive.
std::optional<std::string> ParsingName(const std::string& archivePath, const std::string& innerUtf8) {
  std::optional<std::string> inner = Cp932FromUtf8(innerUtf8);
  if (!inner) return std::nullopt;
  for (size_t i = 0; i < inner->size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>((*inner)[i])))
      ++i;
    else if ((*inner)[i] == '/')
      (*inner)[i] = '\\';
  }
  return archivePath + "/" + *inner;
}

}  // namespace

TaskPidl CopyToTask(LPCITEMIDLIST list) {
  ItemBytes bytes = CopyItems(list);
  IMalloc* malloc = nullptr;
  if (FAILED(SHGetMalloc(&malloc)) || !malloc) throw std::bad_alloc();
  void* copy = malloc->Alloc(bytes.size());
  malloc->Release();
  if (!copy) throw std::bad_alloc();
  std::memcpy(copy, bytes.data(), bytes.size());
  return TaskPidl(static_cast<ITEMIDLIST*>(copy));
}

void TaskMemoryFree::operator()(void* block) const noexcept {
  if (!block) return;
  IMalloc* malloc = nullptr;
  if (SUCCEEDED(SHGetMalloc(&malloc)) && malloc) {
    malloc->Free(block);
    malloc->Release();
  }
}

std::string StatusText(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::string DescribeOpenFailure(HRESULT hr) {
  switch (hr) {
    case E_UNEXPECTED: return "not an archive";
    case E_FAIL: return "the archive's catalogue is broken or unreadable";
    case E_ACCESSDENIED: return "access denied";
    case E_OUTOFMEMORY: return "out of memory";
    default: return "cannot open the archive (" + StatusText(hr) + ")";
  }
}

bool ArchiveFolder::Items(std::vector<ArchiveItem>& items, std::string& error) const {
  items.clear();
  ComPtr<IEnumIDList> enumerator;
  HRESULT hr = shell->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, enumerator.Put());
  if (FAILED(hr)) {
    error = "cannot list a folder (" + StatusText(hr) + ")";
    return false;
  }
  LPITEMIDLIST pidl = nullptr;
  ULONG fetched = 0;
  while (enumerator->Next(1, &pidl, &fetched) == S_OK && fetched == 1) items.push_back(Describe(TaskPidl(pidl)));
  return true;
}

ArchiveItem ArchiveFolder::Describe(TaskPidl pidl) const {
  ArchiveItem item;
  item.name = RecordName(pidl.get());
  SFGAOF attributes = SFGAO_FOLDER;
  LPCITEMIDLIST one = pidl.get();
  item.folder = SUCCEEDED(shell->GetAttributesOf(1, &one, &attributes)) && (attributes & SFGAO_FOLDER);
  if (!item.folder) {
    archive->GetFileSize(pidl.get(), &item.size);
    archive->GetLastModifiedTime(pidl.get(), &item.time);
    item.index = RecordIndex(pidl.get());
  }
  item.pidl = std::move(pidl);
  return item;
}

bool ArchiveFolder::Open(const ArchiveItem& item, ArchiveFolder& child, std::string& error) const {
  HRESULT hr = shell->BindToObject(item.pidl.get(), nullptr, IID_IShellFolder, child.shell.PutVoid());
  if (SUCCEEDED(hr)) hr = child.shell.QueryInterface(IID_IzKtrnArchiveFolder, child.archive.PutVoid());
  if (FAILED(hr)) {
    error = "cannot open folder " + Utf8FromCp932(item.name) + " (" + StatusText(hr) + ")";
    return false;
  }
  child.path = path;
  child.path.push_back(item.name);
  return true;
}

bool ArchiveSession::Open(const std::filesystem::path& archive, std::string& error) {
  if (!m_library.Load(error)) return false;
  std::error_code ignored;
  if (!std::filesystem::exists(archive, ignored)) {
    error = DisplayPath(archive) + ": no such file";
    return false;
  }
#ifndef _WIN32
  // The library would see an unreadable file as no archive; the system's
  // own reason is the one to give.
  if (!std::filesystem::is_directory(archive, ignored) && ::access(archive.c_str(), R_OK) != 0) {
    error = DisplayPath(archive) + ": cannot read it (" + std::strerror(errno) + ")";
    return false;
  }
#endif
  std::optional<std::string> path = LibraryPath(std::filesystem::absolute(archive, ignored));
  if (!path) {
    error = DisplayPath(archive) + ": the path cannot be given to the library (a name outside code page 932)";
    return false;
  }
  m_path = *path;
  m_shown = DisplayPath(archive);
  HRESULT hr = m_library.CreateObject(path->c_str(), IID_IzKtrnArchiveObject, m_object.PutVoid());
  ComPtr<IUnknown> root;
  if (SUCCEEDED(hr)) hr = m_object->get_archiveRootFolder(root.Put());
  if (SUCCEEDED(hr)) hr = root.QueryInterface(IID_IShellFolder, m_root.shell.PutVoid());
  if (SUCCEEDED(hr)) hr = root.QueryInterface(IID_IzKtrnArchiveFolder, m_root.archive.PutVoid());
  if (FAILED(hr)) {
    error = DisplayPath(archive) + ": " + DescribeOpenFailure(hr);
    return false;
  }
  return true;
}

const CatalogueFacts* ArchiveSession::Facts() {
  if (!m_facts) m_facts = ReadCatalogueFacts(m_path);
  if (!m_facts) Complain(m_shown + ": cannot read the archive's catalogue any more");
  return m_facts ? &*m_facts : nullptr;
}

bool ArchiveSession::OpenArgumentToExtract(const std::string& archiveUtf8) {
  if (!OpenArgument(archiveUtf8)) return false;
  const CatalogueFacts* facts = Facts();
  if (!facts) return false;
  const std::string described = std::to_string(facts->describedLength);
  if (facts->fileLength < facts->describedLength) {
    Complain(m_shown + ": truncated: " + std::to_string(facts->fileLength) + " bytes of the " + described +
             " its catalogue describes");
    return false;
  }
  if (facts->fileLength > facts->describedLength) {
    Complain(m_shown + ": " + std::to_string(facts->fileLength - facts->describedLength) +
             " bytes of other data follow the " + described + " its catalogue describes");
    return false;
  }
  return true;
}

bool ArchiveSession::OpenArgument(const std::string& archiveUtf8) {
  std::string error;
  if (Open(NativePath(archiveUtf8), error)) return true;
  Complain(error);
  return false;
}

bool ArchiveSession::FindParsed(const std::vector<std::string>& names, ArchivePlace& place) const {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : "\\") + name;
  std::basic_string<WCHAR> wide = WideFromCp932(m_path + "/" + joined);
  LPITEMIDLIST resolved = nullptr;
  HRESULT hr = m_root.shell->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, &resolved, nullptr);
  TaskPidl list(resolved);
  if (hr != S_OK || !list) return false;
  std::vector<ItemBytes> items = SplitItems(list.get());
  if (items.size() != names.size()) return false;
  ArchivePlace found;
  found.folder = m_root;
  std::string ignored;
  for (size_t level = 0; level < names.size(); ++level) {
    // The folder matches names as it shows them; a stored name shown
    // otherwise is left to the listing.
    if (RecordName(AsList(items[level])) != names[level]) return false;
    ArchiveItem item = found.folder.Describe(CopyToTask(AsList(items[level])));
    if (!item.folder) {
      if (level + 1 != names.size()) return false;
      found.file = std::make_unique<ArchiveItem>(std::move(item));
      break;
    }
    ArchiveFolder child;
    if (!found.folder.Open(item, child, ignored)) return false;
    found.folder = std::move(child);
  }
  place = std::move(found);
  return true;
}

bool ArchiveSession::Find(const std::string& innerUtf8, ArchivePlace& place, std::string& error) const {
  std::optional<std::string> inner = Cp932FromUtf8(innerUtf8);
  if (!inner) {
    error = innerUtf8 + ": no such name in the archive";
    return false;
  }
  std::vector<std::string> exact = SplitInner(*inner, true), typed = SplitInner(*inner, false);
  if (exact != typed && FindNames(exact, place, error)) return true;
  if (!FindNames(typed, place, error)) {
    error = innerUtf8 + ": " + error;
    return false;
  }
  return true;
}

bool ArchiveSession::FindNames(const std::vector<std::string>& names, ArchivePlace& place, std::string& error) const {
  place.folder = m_root;
  place.file.reset();
  if (!names.empty() && FindParsed(names, place)) return true;
  for (size_t level = 0; level < names.size(); ++level) {
    std::vector<ArchiveItem> items;
    if (!place.folder.Items(items, error)) return false;
    ArchiveItem* match = nullptr;
    for (ArchiveItem& item : items)
      if (item.name == names[level]) match = &item;
    bool last = level + 1 == names.size();
    if (!match || (!match->folder && !last)) {
      error = "no such file or folder in the archive";
      return false;
    }
    if (!match->folder) {
      place.file = std::make_unique<ArchiveItem>(std::move(*match));
      return true;
    }
    ArchiveFolder child;
    if (!place.folder.Open(*match, child, error)) return false;
    place.folder = std::move(child);
  }
  return true;
}

// S_FALSE from the folder: a name matched nothing; a failure: a name led
// through a file or above the root. Either way there is no such place.
bool ArchiveSession::Resolve(const std::string& innerUtf8, TaskPidl& list) const {
  std::optional<std::string> name = ParsingName(m_path, innerUtf8);
  if (!name) return false;
  std::basic_string<WCHAR> wide = WideFromCp932(*name);
  LPITEMIDLIST resolved = nullptr;
  HRESULT hr = m_root.shell->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, &resolved, nullptr);
  list.reset(resolved);
  return hr == S_OK && list;
}

}  // namespace qor::host
