// Compiled by the tests with one of the QOR_MISUSE_ macros defined, and
// expected to fail with the named macro's message: a bool where a status
// belongs, and a status where a condition belongs.
#include "platform/ResultMacros.h"

#if defined(QOR_MISUSE_BOOL_AS_STATUS)
HRESULT Misused() {
  RETURN_IF_FAILED(true);
  return S_OK;
}
#elif defined(QOR_MISUSE_STATUS_AS_CONDITION)
HRESULT Misused() {
  RETURN_HR_IF(E_FAIL, S_FALSE);
  return S_OK;
}
#endif
