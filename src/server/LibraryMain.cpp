// Load and unload of the library: the start-up and exit hooks of the module.
#include "server/ServerModule.h"

#ifdef _WIN32

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(instance);
      qor::g_serverModule.Init(instance);
      break;
    case DLL_PROCESS_DETACH:
      qor::g_serverModule.Term();
      break;
    default:
      break;
  }
  return TRUE;
}

#else

namespace {
__attribute__((constructor)) void OnLibraryLoad() { qor::g_serverModule.Init(nullptr); }
__attribute__((destructor)) void OnLibraryUnload() { qor::g_serverModule.Term(); }
}  // namespace

#endif
