// The platform's module services, as MQInit uses them: load a module by name, look up an
// exported function by name, drop the reference again.
//
// On Windows the host hands over its own executable's name and the plug-in resolves the host
// functions exported from it (LoadLibraryA, GetProcAddress, FreeLibrary). On POSIX systems an
// executable cannot be loaded as a module (glibc refuses to dlopen a position-independent
// executable), so a host there exports its functions from a shared library and passes that
// library's path to MQInit instead (dlopen, dlsym, dlclose).
#pragma once

#include "host/host_api.h"

namespace mq {

using ModuleHandle = void*;

// Null when the module cannot be loaded.
ModuleHandle LoadModule(const char* name);
// Null when the module exports no function of that name.
MQGeneric_Function FindModuleFunction(ModuleHandle module, const char* name);
void ReleaseModule(ModuleHandle module);

}  // namespace mq
