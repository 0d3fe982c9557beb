// The test programs' operator new, on POSIX: the library's own allocations
// (it is linked into the test programs) fail on request like the task
// allocator's and the memory blocks', through the stand-in's switch. The
// library has no over-aligned types, so the aligned forms stay the runtime's.
#include <cstdlib>
#include <new>

#include "platform/posix/task_allocator.h"

namespace {

void* Allocate(std::size_t size) {
  if (qor::posix::AllocationShouldFail()) return nullptr;
  return std::malloc(size ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
  if (void* block = Allocate(size)) return block;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
