// qor link and qor resolve: a place inside an archive saved as a link file
// through the library's archive link, and a link file resolved back to the
// place it names.
#include <cstdio>
#include <system_error>

#include "ArchiveSession.h"
#include "Commands.h"
#include "ItemLists.h"
#include "Text.h"

namespace qor::host {
namespace {

// A file path as the link's IPersistFile takes it: the library's form, as
// UTF-16 through the system code page.
bool OleFileName(const std::filesystem::path& native, std::basic_string<WCHAR>& wide) {
  std::error_code ignored;
  std::optional<std::string> path = LibraryPath(std::filesystem::absolute(native, ignored));
  if (!path) return false;
  wide = WideFromCp932(*path);
  return true;
}

bool NewLink(QorLibrary& library, ComPtr<IzKtrnArchiveLink>& link, ComPtr<IPersistFile>& file, std::string& error) {
  HRESULT hr = library.CreateLinkObject(IID_IzKtrnArchiveLink, link.PutVoid());
  if (SUCCEEDED(hr)) hr = link.QueryInterface(IID_IPersistFile, file.PutVoid());
  if (FAILED(hr)) error = "cannot make an archive link (" + StatusText(hr) + ")";
  return SUCCEEDED(hr);
}

// The place inside the archive that a link file records: the names of its
// Path value after the archive's path and "/", as the archive folder takes
// them apart ("\" between names, a trailing one ending the path). Empty
// for the archive's root or a file that is not a link.
std::vector<std::string> LinkedNames(const std::filesystem::path& linkFile) {
  std::optional<std::string> file = LibraryPath(linkFile);
  if (!file) return {};
  char value[520] = {};
  GetPrivateProfileStringA("zKtrnArchiveLink", "Path", "", value, sizeof value, file->c_str());
  std::string text = value;
  std::size_t slash = text.find('/');  // never a trail byte in code page 932
  std::string inner = slash == std::string::npos ? text : text.substr(slash + 1);
  std::vector<std::string> names;
  if (inner.empty()) return names;
  names.emplace_back();
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(inner[i])) && i + 1 < inner.size())
      names.back() += inner.substr(i++, 2);
    else if (inner[i] == '\\')
      names.emplace_back();
    else
      names.back() += inner[i];
  }
  if (names.size() > 1 && names.back().empty()) names.pop_back();
  return names;
}

// The names of an archive's records joined by "/", as UTF-8; "/" for none.
std::string InnerPath(LPCITEMIDLIST list) {
  std::string path;
  for (const ItemBytes& item : SplitItems(list)) path += "/" + Utf8FromCp932(RecordName(AsList(item)));
  return path.empty() ? "/" : path.substr(1);
}

// Why a link file could not be written, in the terms of the file system.
std::string WhySaveFailed(HRESULT hr, const std::filesystem::path& linkFile) {
  if (hr == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE))
    return "the place's path is too long for a link file (at most 519 bytes with the archive's path)";
  std::error_code error;
  std::filesystem::path folder = linkFile.parent_path();
  if (!folder.empty() && !std::filesystem::is_directory(folder, error)) return "no such folder";
  if (hr == STG_E_ACCESSDENIED || hr == E_ACCESSDENIED || hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED))
    return "permission denied";
  return "cannot save the link (" + StatusText(hr) + ")";
}

}  // namespace

int RunLink(const LinkOptions& options) {
  const std::filesystem::path linkFile = NativePath(options.link);
  std::error_code ignored;
  if (std::filesystem::exists(linkFile, ignored) && !options.force) {
    Complain(DisplayPath(linkFile) + ": exists; not overwritten (use --force)");
    return 1;
  }
  // A link file records its archive's path in code page 932: a path that
  // reaches the archive only through a held descriptor would not outlive qor.
  if (!SpeltLibraryPath(std::filesystem::absolute(NativePath(options.archive), ignored))) {
    Complain(options.archive + ": the archive's path has a name outside code page 932, which a link cannot record");
    return 1;
  }
  ArchiveSession session;
  std::string error;
  if (!session.OpenArgument(options.archive)) return 1;
  TaskPidl inner;
  if (!options.inner.empty() && !session.Resolve(options.inner, inner)) {
    Complain(options.inner + ": no such file or folder in the archive");
    return 1;
  }
  LPITEMIDLIST full = nullptr;
  HRESULT hr = session.Root().archive->GetFullQualifiedPIDL(&full);
  TaskPidl toArchive(full);
  if (FAILED(hr)) {
    Complain(DisplayPath(NativePath(options.archive)) + ": not found in the shell's namespace (" + StatusText(hr) + ")");
    return 1;
  }
  ItemBytes place = JoinLists(toArchive.get(), inner.get());
  ComPtr<IzKtrnArchiveLink> link;
  ComPtr<IPersistFile> file;
  std::basic_string<WCHAR> name;
  if (!NewLink(session.Library(), link, file, error)) {
    Complain(error);
    return 1;
  }
  if (!OleFileName(linkFile, name)) {
    Complain(DisplayPath(linkFile) + ": the path cannot be given to the library (a name outside code page 932)");
    return 1;
  }
  hr = link->SetIDList(AsList(place));
  if (SUCCEEDED(hr)) hr = file->Save(name.c_str(), TRUE);
  if (FAILED(hr)) {
    Complain(DisplayPath(linkFile) + ": " + WhySaveFailed(hr, linkFile));
    return 1;
  }
  return 0;
}

int RunResolve(const std::string& linkArgument) {
  const std::filesystem::path linkFile = NativePath(linkArgument);
  QorLibrary library;
  std::string error;
  ComPtr<IzKtrnArchiveLink> link;
  ComPtr<IPersistFile> file;
  std::basic_string<WCHAR> name;
  if (!library.Load(error) || !NewLink(library, link, file, error)) {
    Complain(error);
    return 1;
  }
  if (!OleFileName(linkFile, name) || FAILED(file->Load(name.c_str(), 0))) {
    Complain(DisplayPath(linkFile) + ": not an archive link");
    return 1;
  }
  ComPtr<IUnknown> root;
  LPITEMIDLIST resolved = nullptr;
  HRESULT hr = link->Resolve(root.Put(), &resolved);
  TaskPidl list(resolved);
  if (FAILED(hr)) {
    Complain(DisplayPath(linkFile) + (hr == E_FAIL         ? ": the link names no archive"
                                      : hr == E_UNEXPECTED ? ": the linked archive is missing or is not an archive"
                                                           : ": cannot resolve the link (" + StatusText(hr) + ")"));
    return 1;
  }
  // The link resolves to the part of its place that still exists: fewer
  // items than names means the place is gone, from the first name missing.
  std::vector<std::string> names = LinkedNames(linkFile);
  std::size_t found = list ? SplitItems(list.get()).size() : 0;
  if (!list || found < names.size()) {
    std::string missing = found < names.size() ? Utf8FromCp932(names[found]) : std::string();
    Complain(DisplayPath(linkFile) + ": the linked place is no longer in the archive" +
             (missing.empty() && found < names.size() ? ": an empty name" : "") +
             (missing.empty() ? "" : ": no " + missing + (found == 0 ? " at its top" : " in " + InnerPath(list.get()))));
    return 1;
  }
  std::printf("%s\n", InnerPath(list.get()).c_str());
  return 0;
}

}  // namespace qor::host
