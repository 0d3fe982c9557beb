// Early returns for HRESULT code: each is one statement, and none logs. What
// a method took is released by its owners on every return.
#pragma once

#include <new>

#include "platform/win32.h"

#define RETURN_IF_FAILED(expression)       \
  do {                                     \
    const HRESULT hrResult_ = (expression); \
    if (FAILED(hrResult_)) return hrResult_; \
  } while (0)

#define RETURN_HR_IF(hr, condition) \
  do {                              \
    if (condition) return (hr);     \
  } while (0)

#define RETURN_HR_IF_NULL(hr, pointer) \
  do {                                 \
    if (!(pointer)) return (hr);           \
  } while (0)

#define RETURN_IF_NULL_ALLOC(pointer) RETURN_HR_IF_NULL(E_OUTOFMEMORY, pointer)

// The end of every interface method and export written as a function-try-
// block: out of memory becomes E_OUTOFMEMORY, and nothing else is thrown by
// the library's own code.
#define CATCH_RETURN()                \
  catch (const std::bad_alloc&) {     \
    return E_OUTOFMEMORY;             \
  }                                   \
  catch (...) {                       \
    return E_UNEXPECTED;              \
  }
