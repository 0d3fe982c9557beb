#include "server/ServerModule.h"

namespace qor {

constinit ServerModule g_serverModule;

void ServerModule::Init(HINSTANCE instance) noexcept { m_instance = instance; }

// The lock count is left alone: objects that outlive the host's unload check
// are the host's error, and forgetting them would hide it.
void ServerModule::Term() noexcept { m_instance = nullptr; }

}  // namespace qor
