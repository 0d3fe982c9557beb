// The one door to the operating system. Library code includes this header
// first and calls the Windows API by its own names and types. On Windows it is
// the SDK; elsewhere it is the small stand-in in posix/, which declares the
// same names with the same layouts, constant values and interface method
// order, and implements exactly the calls the library makes.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <shellapi.h>
#include <shlwapi.h>
#else
#include "qor/posix/base_types.h"
#include "qor/posix/kernel.h"
#include "qor/posix/com.h"
#include "qor/posix/shell.h"
#endif
