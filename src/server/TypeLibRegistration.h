// Registration of the type library ARFOLDERLib, the only thing the library
// registers.
#pragma once

#include <string>

#include "platform/win32.h"

namespace qor {

// The type library file that stands beside a module whose resource cannot be
// loaded: everything from the last "." of the path (or its end) replaced by
// ".tlb". C:\Prog\qor.dll gives C:\Prog\qor.tlb.
std::string TypeLibFallbackPath(const std::string& modulePath);

// The help directory registered with the library: the path up to and
// including its last "\", "/" or ":" (empty when there is none).
std::string TypeLibHelpDirectory(const std::string& path);

// Loads the type library from the module (resource TYPELIB 1), or failing
// that from the fallback file, and registers it. The result is the status of
// the load when both loads fail, else that of the registration.
HRESULT RegisterTypeLibrary(HMODULE module);

}  // namespace qor
