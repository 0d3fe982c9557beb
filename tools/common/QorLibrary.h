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

  PFN_QORCreateObject CreateObject = nullptr;
  PFN_QORCreateLinkObject CreateLinkObject = nullptr;
  PFN_QORDllEntryPoint CanUnloadNow = nullptr;
  PFN_QORDllGetClassObject GetClassObject = nullptr;
  PFN_QORDllEntryPoint RegisterServer = nullptr;
  PFN_QORDllEntryPoint UnregisterServer = nullptr;

 private:
  void* m_module = nullptr;
};

}  // namespace qor::host
