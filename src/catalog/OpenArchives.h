// The registry of open archives: one process-wide index from archive path to
// the live archive object bound to it, so that one path is bound once.
//
// Keys are the paths as the caller of QORCreateObject spelled them, compared
// without regard to the case of the single-byte letters A-Z (multi-byte
// order of the system code page); they are not normalised, so a relative path
// or another spelling of the same file is another key. The registry holds no
// reference on the objects: an archive object enters itself after a
// successful bind and removes itself when it is destroyed.
//
// Opening is serialised: CreateShared holds the registry's lock from the
// look-up through the bind to the registration, so two threads that open one
// path get one object. The lock is recursive, as an object whose bind fails
// is destroyed (and leaves the registry) while it is held.
#pragma once

#include "platform/win32.h"

#include <mutex>

namespace qor {

class CzKtrnArchiveObject;

// The registry's lock, held around a look-up and what depends on it.
std::unique_lock<std::recursive_mutex> LockOpenArchives();

// Enters path -> archive. False, leaving the existing entry as it was, when an
// equal key is already present. Throws std::bad_alloc when the entry cannot be
// allocated. The caller holds the lock.
bool RegisterArchive(const char* path, CzKtrnArchiveObject* archive);

// Removes the entry whose key equals path if it holds archive, and no other;
// true exactly when one was removed. Takes the lock itself.
bool UnregisterArchive(const char* path, const CzKtrnArchiveObject* archive) noexcept;

// The object registered under a key equal to path, or null. No reference is
// added: the object may be in its destruction, waiting for the lock to leave
// the registry. The caller holds the lock.
CzKtrnArchiveObject* FindArchive(const char* path) noexcept;

}  // namespace qor
