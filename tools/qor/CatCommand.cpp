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

}  // namespace

int RunCat(const CatOptions& options) {
  ArchiveSession session;
  std::string error;
  if (!session.OpenArgument(options.archive)) return 1;
  const std::string notFound = options.inner + ": no such file in the archive";
  TaskPidl list;
  if (!session.Resolve(options.inner, list)) {
    Complain(notFound);
    return 1;
  }
  std::vector<ItemBytes> items = SplitItems(list.get());
  if (items.empty()) {
    Complain(options.inner + ": is the archive's root folder, not a file");
    return 1;
  }
  ComPtr<IShellFolder> parent = session.Root().shell;
  HRESULT hr = S_OK;
  for (size_t level = 0; level + 1 < items.size(); ++level) {
    ComPtr<IShellFolder> child;
    hr = parent->BindToObject(AsList(items[level]), nullptr, IID_IShellFolder, child.PutVoid());
    if (FAILED(hr)) {
      Complain(notFound);
      return 1;
    }
    parent = child;
  }
  LPCITEMIDLIST file[] = {AsList(items.back())};
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
