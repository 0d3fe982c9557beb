// Arbitrary bytes as a link file, which a host may be handed from anywhere:
// loaded by the archive link through the profile-file service, then saved
// to a second file and loaded and saved again. Besides memory errors, it
// checks that what a link saves reads back as the same link: the second save
// writes exactly what the first wrote.
// Resolving is left out: it would open whatever file the link names.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "FuzzCheck.h"
#include "platform/win32.h"

#include "names/WideText.h"
#include "qor/ComPtr.h"
#include "qor/qor.h"

namespace {

// Files of this process alone, in the temporary folder: the native path to
// write and read, and the library's form of it.
struct ScratchFile {
  explicit ScratchFile(const char* name)
      : native("/tmp/qor-link-fuzz-" + std::to_string(::getpid()) + "-" + name),
        library(qor::ToWide("Z:" + native)) {
    for (auto& c : library)
      if (c == u'/') c = u'\\';
  }
  ~ScratchFile() { std::remove(native.c_str()); }
  std::string native;
  qor::WideString library;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScratchFile input("in.lnk"), first("first.lnk"), second("second.lnk");
  {
    std::ofstream out(input.native, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::remove(first.native.c_str());
  std::remove(second.native.c_str());

  qor::ComPtr<IzKtrnArchiveLink> link;
  FUZZ_CHECK(QORCreateLinkObject(IID_IzKtrnArchiveLink, link.PutVoid()) == S_OK);
  qor::ComPtr<IPersistFile> file;
  FUZZ_CHECK(link.QueryInterface(IID_IPersistFile, file.PutVoid()) == S_OK);
  HRESULT loaded = file->Load(input.library.c_str(), 0);
  FUZZ_CHECK(loaded == S_OK || loaded == E_FAIL);
  if (loaded != S_OK) return 0;
  // A value holding a carriage return loads (only line feeds end lines here)
  // but cannot be saved, nor can one that no longer fits once saved (a value
  // without '/' gains one, and one with outer spaces gains quotes): the link
  // refuses rather than write a file that reads back otherwise.
  HRESULT saved = file->Save(first.library.c_str(), FALSE);
  FUZZ_CHECK(saved == S_OK || saved == E_INVALIDARG || saved == HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
  if (saved != S_OK) return 0;

  qor::ComPtr<IzKtrnArchiveLink> again;
  FUZZ_CHECK(QORCreateLinkObject(IID_IzKtrnArchiveLink, again.PutVoid()) == S_OK);
  qor::ComPtr<IPersistFile> againFile;
  FUZZ_CHECK(again.QueryInterface(IID_IPersistFile, againFile.PutVoid()) == S_OK);
  FUZZ_CHECK(againFile->Load(first.library.c_str(), 0) == S_OK);
  FUZZ_CHECK(againFile->Save(second.library.c_str(), FALSE) == S_OK);
  FUZZ_CHECK(ReadAll(first.native) == ReadAll(second.native));
  return 0;
}
