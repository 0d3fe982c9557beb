// qor cat: writes one stored file to standard output, as a shell copies a
// file out of an archive: the root folder resolves the file's parsing name
// (the archive's path, '/', the path inside), the file's own folder hands
// out a data object for it, and its "FileContents" arrive as a stream,
// decompressed on request.
#include <cstdio>
#include <cstring>
#include <vector>

#include "ArchiveSession.h"
#include "Commands.h"
#include "ItemLists.h"
#include "Text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace qor::host {
namespace {

// The contents format as the data object offers it (the first format it
// lists), asked for as a stream of the first item.
HRESULT FileContentsFormat(IDataObject* data, FORMATETC& format) {
  ComPtr<IEnumFORMATETC> formats;
  HRESULT hr = data->EnumFormatEtc(DATADIR_GET, formats.Put());
  if (FAILED(hr)) return hr;
  if (formats->Next(1, &format, nullptr) != S_OK) return E_FAIL;
  format.lindex = 0;
  format.tymed = TYMED_ISTREAM;
  return S_OK;
}

bool CopyStream(IStream* stream, std::string& error) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ULONG got = 0;
    HRESULT hr = stream->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &got);
    if (FAILED(hr)) {
      error = "cannot read the stored file (" + StatusText(hr) + ")";
      return false;
    }
    if (got == 0) return true;
    if (std::fwrite(buffer.data(), 1, got, stdout) != got) {
      error = "cannot write to standard output";
      return false;
    }
  }
}

// The folder and item of the stored file an inner path names; on failure
// error is what follows the path in the message, or empty for no such file.
// As a host finds a typed place, through the root folder's parsing of its
// name; a path through a folder stored with an empty name, which `ls -R`
// shows as "/f" or "a//b" and which no parsing name can hold, through the
// folders' listings.
bool FindFile(const ArchiveSession& session, const std::string& inner, ComPtr<IShellFolder>& parent, TaskPidl& item,
              std::string& error) {
  TaskPidl list;
  if (!session.Resolve(inner, list)) {
    ArchivePlace place;
    if (!session.Find(inner, place, error) || !place.file) {
      error.clear();
      return false;
    }
    parent = place.folder.shell;
    item = std::move(place.file->pidl);
    return true;
  }
  std::vector<ItemBytes> items = SplitItems(list.get());
  if (items.empty()) {
    error = ": is the archive's root folder, not a file";
    return false;
  }
  parent = session.Root().shell;
  for (size_t level = 0; level + 1 < items.size(); ++level) {
    ComPtr<IShellFolder> child;
    if (FAILED(parent->BindToObject(AsList(items[level]), nullptr, IID_IShellFolder, child.PutVoid()))) return false;
    parent = child;
  }
  item = CopyToTask(AsList(items.back()));
  return true;
}

}  // namespace

int RunCat(const CatOptions& options) {
  ArchiveSession session;
  std::string error;
  if (!session.OpenArgumentToExtract(options.archive)) return 1;
  const std::string notFound = options.inner + ": no such file in the archive";
  ComPtr<IShellFolder> parent;
  TaskPidl item;
  if (!FindFile(session, options.inner, parent, item, error)) {
    Complain(error.empty() ? notFound : options.inner + error);
    return 1;
  }
  HRESULT hr = S_OK;
  LPCITEMIDLIST file[] = {item.get()};
  SFGAOF attributes = SFGAO_FOLDER;
  if (SUCCEEDED(parent->GetAttributesOf(1, file, &attributes)) && (attributes & SFGAO_FOLDER)) {
    Complain(options.inner + ": is a folder, not a file");
    return 1;
  }
  ComPtr<IDataObject> data;
  hr = parent->GetUIObjectOf(nullptr, 1, file, IID_IDataObject, nullptr, data.PutVoid());
  FORMATETC format{};
  if (SUCCEEDED(hr)) hr = FileContentsFormat(data.Get(), format);
  STGMEDIUM medium{};
  if (SUCCEEDED(hr)) hr = data->GetData(&format, &medium);
  if (FAILED(hr)) {
    Complain(options.inner + (hr == E_NOTIMPL ? ": damaged: the stored data does not decode to the catalogue's length"
                                              : ": cannot copy the stored file out (" + StatusText(hr) + ")"));
    return 1;
  }
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  bool copied = CopyStream(medium.pstm, error);
  ReleaseStgMedium(&medium);
  if (!copied || std::fflush(stdout) != 0) {
    Complain(copied ? "cannot write to standard output" : error);
    return 1;
  }
  return 0;
}

}  // namespace qor::host
