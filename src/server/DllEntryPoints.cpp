// The four standard entry points of an in-process component library.
#include "qor/qor.h"
#include "server/ServerModule.h"
#include "server/TypeLibRegistration.h"

// No framework object of ours is alive behind the host's back, so the lock
// count alone decides.
STDAPI DllCanUnloadNow() { return qor::g_serverModule.LockCount() == 0 ? S_OK : S_FALSE; }

// The class table is empty: hosts create objects through QORCreateObject and
// QORCreateLinkObject, never by class identifier.
STDAPI DllGetClassObject(REFCLSID, REFIID, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllRegisterServer() { return qor::RegisterTypeLibrary(qor::g_serverModule.Instance()); }

// The type library stays registered; there is nothing else to remove.
STDAPI DllUnregisterServer() { return S_OK; }
