// A counted interface pointer for C++ hosts, the one the library uses too: it
// holds one reference and releases it when it goes out of scope. Put()
// releases what is held before handing out the address to fill; Attach()
// takes over a reference, Detach() gives it away.
#pragma once

#include <cstddef>
#include <utility>

#include "qor/winapi.h"

namespace qor {

template <typename T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  ComPtr(std::nullptr_t) noexcept {}
  // Adds a reference of its own.
  explicit ComPtr(T* pointer) noexcept : m_pointer(pointer) {
    if (m_pointer) m_pointer->AddRef();
  }
  ComPtr(const ComPtr& other) noexcept : ComPtr(other.m_pointer) {}
  ComPtr(ComPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(m_pointer, other.m_pointer);
    return *this;
  }
  ~ComPtr() { Reset(); }

  T* Get() const noexcept { return m_pointer; }
  T* operator->() const noexcept { return m_pointer; }
  explicit operator bool() const noexcept { return m_pointer != nullptr; }

  void Reset() noexcept {
    if (T* old = std::exchange(m_pointer, nullptr)) old->Release();
  }
  // The address to receive a new reference, after releasing the one held.
  T** Put() noexcept {
    Reset();
    return &m_pointer;
  }
  void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }
  // Takes over a reference the caller owns.
  void Attach(T* pointer) noexcept {
    Reset();
    m_pointer = pointer;
  }
  // Gives the held reference to the caller.
  [[nodiscard]] T* Detach() noexcept { return std::exchange(m_pointer, nullptr); }

  // The interface riid of the held object, into ppv.
  HRESULT QueryInterface(REFIID riid, void** ppv) const noexcept { return m_pointer->QueryInterface(riid, ppv); }

 private:
  T* m_pointer = nullptr;
};

}  // namespace qor
