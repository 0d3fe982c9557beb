// The one door to the operating system. Library code includes this header
// first and calls the Windows API by its own names and types. On Windows it is
// the SDK; elsewhere it is the small stand-in of posix/, whose declarations,
// public for hosts there, are in include/qor/posix/: the same names with the
// same layouts, constant values and interface method order, and exactly the
// calls the library makes.
#pragma once

#include "qor/winapi.h"

#ifdef _WIN32
#include <oleauto.h>
#include <shellapi.h>
#include <shlwapi.h>
#endif
