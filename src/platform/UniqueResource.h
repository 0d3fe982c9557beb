// One owner for every handle-like resource: it closes what it holds when it
// goes out of scope, so a routine that returns early releases what it took.
#pragma once

#include <utility>

#include "platform/win32.h"

namespace qor {

template <typename T>
constexpr T NullResource() noexcept {
  return T{};
}

// Holds one T that Close() releases. Invalid() is the value that means "holds
// nothing"; it is never passed to Close().
template <typename T, auto Close, auto Invalid = &NullResource<T>>
class UniqueResource {
 public:
  UniqueResource() noexcept = default;
  explicit UniqueResource(T value) noexcept : m_value(value) {}
  UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  ~UniqueResource() { reset(); }

  T get() const noexcept { return m_value; }
  explicit operator bool() const noexcept { return m_value != Invalid(); }

  // Gives up ownership without closing.
  T release() noexcept { return std::exchange(m_value, Invalid()); }

  // Closes what is held (if anything) and takes value.
  void reset(T value = Invalid()) noexcept {
    T old = std::exchange(m_value, value);
    if (old != Invalid()) Close(old);
  }

 private:
  T m_value = Invalid();
};

inline void CloseFileHandle(HANDLE handle) noexcept { CloseHandle(handle); }
inline HANDLE InvalidFileHandle() noexcept { return INVALID_HANDLE_VALUE; }

// A file handle from CreateFileA, whose failure value is INVALID_HANDLE_VALUE.
using UniqueFileHandle = UniqueResource<HANDLE, &CloseFileHandle, &InvalidFileHandle>;

}  // namespace qor
