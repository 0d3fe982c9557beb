// Inspection hook of the stand-in's task allocator, for tests.
#pragma once

#include "platform/win32.h"

namespace qor::posix {
// References to the task allocator that were obtained and not released yet.
long OutstandingAllocatorReferences();

// Allocation failure on request, for tests. After FailAllocation(k) the k-th
// allocation from then on fails (k = 1 is the next one), and the count goes
// on so that a test can tell whether it was reached; FailAllocation(0) stops
// failing and counting. The task allocator, the memory blocks and the test
// programs' operator new each count an allocation by calling
// AllocationShouldFail, which is true for the one that fails.
void FailAllocation(long k) noexcept;
bool AllocationShouldFail() noexcept;
// The allocations counted since the last FailAllocation.
long AllocationsCounted() noexcept;
}  // namespace qor::posix
