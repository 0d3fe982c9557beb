// The two factories hosts enter through. Not built yet: the archive object
// and the archive link are still to come, and until then both factories
// refuse with E_NOTIMPL after checking their arguments.
#include "qor/qor.h"

STDAPI QORCreateObject(LPCSTR, REFIID, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  return E_NOTIMPL;
}

STDAPI QORCreateLinkObject(REFIID, void** ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  return E_NOTIMPL;
}
