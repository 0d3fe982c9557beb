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
// No lock: the registry is used on the threads that create and release
// archive objects, which are apartment-threaded.
#pragma once

#include "platform/win32.h"

namespace qor {

class CzKtrnArchiveObject;

// Enters path -> archive. False, leaving the existing entry as it was, when an
// equal key is already present. Throws std::bad_alloc when the entry cannot be
// allocated.
bool RegisterArchive(const char* path, CzKtrnArchiveObject* archive);

// Removes the entry whose key equals path; true exactly when one was removed.
bool UnregisterArchive(const char* path) noexcept;

// The object registered under a key equal to path, or null. No reference is
// added.
CzKtrnArchiveObject* FindArchive(const char* path) noexcept;

}  // namespace qor
