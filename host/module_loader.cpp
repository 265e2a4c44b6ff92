#include "host/module_loader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace mq {

#ifdef _WIN32

ModuleHandle LoadModule(const char* name) {
  return reinterpret_cast<ModuleHandle>(LoadLibraryA(name));
}

MQGeneric_Function FindModuleFunction(ModuleHandle module, const char* name) {
  return reinterpret_cast<MQGeneric_Function>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name)));
}

void ReleaseModule(ModuleHandle module) {
  FreeLibrary(static_cast<HMODULE>(module));
}

#else

ModuleHandle LoadModule(const char* name) {
  if (name == nullptr) return nullptr;
  return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

MQGeneric_Function FindModuleFunction(ModuleHandle module, const char* name) {
  return reinterpret_cast<MQGeneric_Function>(dlsym(module, name));
}

void ReleaseModule(ModuleHandle module) {
  dlclose(module);
}

#endif

}  // namespace mq
