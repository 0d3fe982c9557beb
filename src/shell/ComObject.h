// The base of every component class of the library.
//
// ComObject<Self, IPrimary, IOthers...> implements IUnknown over an ordered
// table of the interfaces the class answers: IUnknown answers with the first
// entry (the object's identity), a null out-pointer gives E_POINTER, a miss
// clears the out-pointer and gives E_NOINTERFACE, and a hit adds a reference.
// The reference count starts at 0 and the last Release destroys the object;
// the object counts among the module's live objects for its whole life.
//
// Reference counts change atomically: the registry of open archives hands
// one archive object, and through it one root folder, to every thread that
// opens the same path.
#pragma once

#include <atomic>
#include <new>
#include <utility>

#include "qor/ComPtr.h"
#include "platform/win32.h"
#include "qor/qor.h"
#include "server/ServerModule.h"

namespace qor {

// The identifier of each interface a class of the library answers.
template <typename Interface>
constexpr const IID& InterfaceId() noexcept;
#define QOR_INTERFACE_ID(Interface) \
  template <>                       \
  constexpr const IID& InterfaceId<Interface>() noexcept { return IID_##Interface; }
QOR_INTERFACE_ID(IUnknown)
QOR_INTERFACE_ID(IShellFolder)
QOR_INTERFACE_ID(IPersistFolder)
QOR_INTERFACE_ID(IShellIcon)
QOR_INTERFACE_ID(IEnumIDList)
QOR_INTERFACE_ID(IDataObject)
QOR_INTERFACE_ID(IEnumFORMATETC)
QOR_INTERFACE_ID(IPersistFile)
QOR_INTERFACE_ID(IzKtrnArchiveFolder)
QOR_INTERFACE_ID(IzKtrnArchiveObject)
QOR_INTERFACE_ID(IzKtrnArchiveDataObject)
QOR_INTERFACE_ID(IzKtrnArchiveLink)
#undef QOR_INTERFACE_ID

template <typename Self, typename IPrimary, typename... IOthers>
class ComObject : public IPrimary, public IOthers... {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  STDMETHODIMP QueryInterface(REFIID riid, void** ppv) noexcept override {
    if (!ppv) return E_POINTER;
    void* found = IsEqualIID(riid, IID_IUnknown) ? static_cast<IPrimary*>(this) : Find<IPrimary, IOthers...>(riid);
    *ppv = found;
    if (!found) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return m_cRef.fetch_add(1, std::memory_order_relaxed) + 1; }
  STDMETHODIMP_(ULONG) Release() noexcept override {
    ULONG count = m_cRef.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) delete this;
    return count;
  }

  // Adds a reference unless the count is already 0, that is unless the
  // object is being destroyed; for an object found through a registry that
  // holds no reference.
  bool TryAddRef() noexcept {
    ULONG count = m_cRef.load(std::memory_order_relaxed);
    while (count != 0)
      if (m_cRef.compare_exchange_weak(count, count + 1, std::memory_order_relaxed)) return true;
    return false;
  }

 protected:
  ComObject() noexcept = default;
  virtual ~ComObject() = default;

 private:
  template <typename I, typename... Rest>
  void* Find(REFIID riid) noexcept {
    if (IsEqualIID(riid, InterfaceId<I>())) return static_cast<I*>(this);
    if constexpr (sizeof...(Rest) > 0) return Find<Rest...>(riid);
    return nullptr;
  }

  std::atomic<ULONG> m_cRef{0};
  LiveObject m_live;
};

// A new object of class T held by one reference, or an empty pointer when it
// cannot be allocated. The creator finishes initialising it, hands out its
// own reference through QueryInterface and lets the holder go: an object
// whose hand-out failed is destroyed with it.
template <typename T, typename... Args>
ComPtr<T> NewComObject(Args&&... args) noexcept {
  try {
    return ComPtr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

}  // namespace qor
