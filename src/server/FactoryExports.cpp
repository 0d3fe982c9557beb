// The two factories hosts enter through.
#include "qor/qor.h"
#include "shell/CzKtrnArchiveLink.h"
#include "shell/CzKtrnArchiveObject.h"

STDAPI QORCreateObject(LPCSTR archivePath, REFIID riid, void** ppv) {
  return qor::CzKtrnArchiveObject::CreateShared(archivePath, riid, ppv);
}

STDAPI QORCreateLinkObject(REFIID riid, void** ppv) { return qor::CzKtrnArchiveLink::Create(riid, ppv); }
