// Early returns for HRESULT code: each is one statement, and none logs. What
// a method took is released by its owners on every return.
#pragma once

#include <new>
#include <type_traits>

#include "platform/win32.h"

// The expression must be an HRESULT: a bool there would read true as
// S_FALSE and false as S_OK, and pass every failure by.
#define RETURN_IF_FAILED(expression)                                                                  \
  do {                                                                                                \
    static_assert(std::is_same_v<std::decay_t<decltype(expression)>, HRESULT>,                        \
                  "RETURN_IF_FAILED takes an HRESULT");                                              \
    const HRESULT hrResult_ = (expression);                                                           \
    if (FAILED(hrResult_)) return hrResult_;                                                          \
  } while (0)

// The condition must not be an HRESULT: S_OK is 0 and every failure is
// nonzero, so one there would read success as false and S_FALSE as true.
#define RETURN_HR_IF(hr, condition)                                                                   \
  do {                                                                                                \
    static_assert(!std::is_same_v<std::decay_t<decltype(condition)>, HRESULT>,                        \
                  "RETURN_HR_IF takes a condition, not an HRESULT");                                 \
    if (condition) return (hr);                                                                       \
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
