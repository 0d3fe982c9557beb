// Inspection hook of the stand-in's task allocator, for tests.
#pragma once

#include "platform/win32.h"

namespace qor::posix {
// References to the task allocator that were obtained and not released yet.
long OutstandingAllocatorReferences();
}  // namespace qor::posix
