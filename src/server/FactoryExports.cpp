// The two factories hosts enter through.
#include "qor/qor.h"
#include "shell/CzKtrnArchiveObject.h"

STDAPI QORCreateObject(LPCSTR archivePath, REFIID riid, void** ppv) {
  return qor::CzKtrnArchiveObject::CreateShared(archivePath, riid, ppv);
}

// The archive link is not built yet: the factory checks its arguments and
// refuses with E_NOTIMPL.
STDAPI QORCreateLinkObject(REFIID, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  return E_NOTIMPL;
}
