// The shell task allocator: malloc-based, one object for the process. Its
// reference count is kept so that tests can see that every user obtained the
// allocator and released it again.
#include "platform/posix/task_allocator.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>

namespace {

std::atomic<long> g_allocatorReferences{0};
std::atomic<long> g_failAt{0};      // 0: no failing
std::atomic<long> g_allocations{0};  // counted while g_failAt is set

class TaskAllocator final : public IMalloc {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMalloc)) {
      *ppv = static_cast<IMalloc*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++g_allocatorReferences + 1); }
  STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--g_allocatorReferences + 1); }
  STDMETHODIMP_(void*) Alloc(SIZE_T cb) override {
    return qor::posix::AllocationShouldFail() ? nullptr : std::malloc(cb ? cb : 1);
  }
  STDMETHODIMP_(void*) Realloc(void* pv, SIZE_T cb) override {
    if (cb == 0) {
      std::free(pv);
      return nullptr;
    }
    return qor::posix::AllocationShouldFail() ? nullptr : std::realloc(pv, cb);
  }
  STDMETHODIMP_(void) Free(void* pv) override { std::free(pv); }
  STDMETHODIMP_(SIZE_T) GetSize(void* pv) override { return pv ? malloc_usable_size(pv) : static_cast<SIZE_T>(-1); }
  STDMETHODIMP_(int) DidAlloc(void* pv) override { return pv ? -1 : 0; }
  STDMETHODIMP_(void) HeapMinimize() override {}
};

TaskAllocator g_taskAllocator;

}  // namespace

STDAPI SHGetMalloc(IMalloc** ppMalloc) {
  if (!ppMalloc) return E_INVALIDARG;
  g_taskAllocator.AddRef();
  *ppMalloc = &g_taskAllocator;
  return S_OK;
}

namespace qor::posix {
long OutstandingAllocatorReferences() { return g_allocatorReferences.load(); }

void FailAllocation(long k) noexcept {
  g_failAt.store(0);
  g_allocations.store(0);
  g_failAt.store(k);
}

bool AllocationShouldFail() noexcept {
  long failAt = g_failAt.load(std::memory_order_relaxed);
  return failAt != 0 && g_allocations.fetch_add(1) + 1 == failAt;
}

long AllocationsCounted() noexcept { return g_allocations.load(); }
}  // namespace qor::posix
