// The library as a whole: its instance handle and its count of live objects,
// which decides whether the host may unload it.
#pragma once

#include "platform/win32.h"

namespace qor {

class ServerModule {
 public:
  // Start-up and exit hooks of the library (process attach and detach).
  void Init(HINSTANCE instance) noexcept;
  void Term() noexcept;

  HINSTANCE Instance() const noexcept { return m_instance; }

  // The lock count is the only value of the library that several threads may
  // change, so it changes atomically.
  LONG Lock() noexcept { return InterlockedIncrement(&m_lockCount); }
  LONG Unlock() noexcept { return InterlockedDecrement(&m_lockCount); }
  LONG LockCount() const noexcept { return m_lockCount; }

  // The class table is empty: no object is created by class identifier.
  static constexpr int kRegisteredClasses = 0;

 private:
  HINSTANCE m_instance = nullptr;
  LONG volatile m_lockCount = 0;
};

// The one module of the process; constant-initialised, so it is usable
// before any start-up code has run (tests link the library statically).
extern ServerModule g_serverModule;

// Held by every component object for its whole life, so that the module's
// lock count is the number of live objects. Copying an object counts again.
class LiveObject {
 public:
  LiveObject() noexcept { g_serverModule.Lock(); }
  LiveObject(const LiveObject&) noexcept { g_serverModule.Lock(); }
  LiveObject& operator=(const LiveObject&) noexcept = default;
  ~LiveObject() { g_serverModule.Unlock(); }
};

}  // namespace qor
