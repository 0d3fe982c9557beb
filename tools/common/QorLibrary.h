// The QOR library loaded at run time, as a host program loads it: QOR.DLL on
// Windows, libqor.so elsewhere, from the host program's own folder.
#pragma once

#include <string>

#include "qor/qor.h"

namespace qor::host {

class QorLibrary {
 public:
  QorLibrary() = default;
  ~QorLibrary();
  QorLibrary(const QorLibrary&) = delete;
  QorLibrary& operator=(const QorLibrary&) = delete;

  // False with a message when the library or one of its entry points cannot
  // be found.
  bool Load(std::string& error);

  using CreateObjectFn = HRESULT(STDAPICALLTYPE*)(LPCSTR, REFIID, void**);
  using CreateLinkObjectFn = HRESULT(STDAPICALLTYPE*)(REFIID, void**);
  using EntryPointFn = HRESULT(STDAPICALLTYPE*)();
  using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

  CreateObjectFn CreateObject = nullptr;
  CreateLinkObjectFn CreateLinkObject = nullptr;
  EntryPointFn CanUnloadNow = nullptr;
  GetClassObjectFn GetClassObject = nullptr;
  EntryPointFn RegisterServer = nullptr;
  EntryPointFn UnregisterServer = nullptr;

 private:
  void* m_module = nullptr;
};

}  // namespace qor::host
