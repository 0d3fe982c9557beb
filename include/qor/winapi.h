/* The Windows API that QOR's public headers build on: the SDK on Windows;
 * elsewhere the stand-in that libqorwinapi provides, whose declarations are
 * C++ (its interfaces are C++ classes), so that hosts there are C++. */
#ifndef QOR_WINAPI_H
#define QOR_WINAPI_H

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#else
#ifndef __cplusplus
#error "On POSIX systems QOR's headers need C++: the Windows API stand-in declares its interfaces as C++ classes."
#endif
#include "qor/posix/base_types.h"
#include "qor/posix/kernel.h"
#include "qor/posix/com.h"
#include "qor/posix/shell.h"
#endif

#endif
