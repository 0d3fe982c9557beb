#include "common/QorLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>
#endif

namespace qor::host {
namespace {

#ifdef _WIN32
void* OpenLibrary(std::string& error) {
  HMODULE module = LoadLibraryA("QOR.DLL");  // the program's folder is searched first
  if (!module) error = "cannot load QOR.DLL (error " + std::to_string(GetLastError()) + ")";
  return reinterpret_cast<void*>(module);
}
void* Symbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void CloseLibrary(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }
#else
std::string ProgramFolder() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string program(path, static_cast<size_t>(length));
  return program.substr(0, program.find_last_of('/'));
}
// Beside the program in a build tree, in ../lib once installed.
void* OpenLibrary(std::string& error) {
  const std::string folder = ProgramFolder();
  std::string path = folder + "/libqor.so";
  if (access(path.c_str(), F_OK) != 0) path = folder + "/../lib/libqor.so";
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) error = std::string("cannot load ") + path + ": " + dlerror();
  return module;
}
void* Symbol(void* module, const char* name) { return dlsym(module, name); }
void CloseLibrary(void* module) { dlclose(module); }
#endif

template <typename Fn>
bool Bind(void* module, const char* name, Fn& entry, std::string& error) {
  entry = reinterpret_cast<Fn>(Symbol(module, name));
  if (!entry) error = std::string("the library has no entry point ") + name;
  return entry != nullptr;
}

}  // namespace

QorLibrary::~QorLibrary() {
  if (m_module) CloseLibrary(m_module);
}

bool QorLibrary::Load(std::string& error) {
  m_module = OpenLibrary(error);
  return m_module && Bind(m_module, "QORCreateObject", CreateObject, error) &&
         Bind(m_module, "QORCreateLinkObject", CreateLinkObject, error) &&
         Bind(m_module, "DllCanUnloadNow", CanUnloadNow, error) &&
         Bind(m_module, "DllGetClassObject", GetClassObject, error) &&
         Bind(m_module, "DllRegisterServer", RegisterServer, error) &&
         Bind(m_module, "DllUnregisterServer", UnregisterServer, error);
}

}  // namespace qor::host
