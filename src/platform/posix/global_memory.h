// Inspection hook of the stand-in's global memory blocks, for tests.
#pragma once

#include "platform/win32.h"

namespace qor::posix {
// Global memory blocks allocated and not freed yet.
long OutstandingGlobalBlocks();
}  // namespace qor::posix
