#include "host/host_function_table.h"

#include "host/module_loader.h"

namespace mq {

HostFunctionTable hostFunctions;

namespace {

struct HostFunctionEntry {
  const char* name;
  void (*store)(MQGeneric_Function address);
  bool (*isResolved)();
};

const HostFunctionEntry kEntries[] = {
#define MQ_HOST_FUNCTION(name, kind)                                               \
  {#name,                                                                          \
   [](MQGeneric_Function address) {                                                \
     hostFunctions.name = reinterpret_cast<decltype(hostFunctions.name)>(address); \
   },                                                                              \
   [] { return hostFunctions.name != nullptr; }},
#include "host/host_function_list.h"
#undef MQ_HOST_FUNCTION
};

static_assert(sizeof(kEntries) / sizeof(kEntries[0]) == 191, "the host offers 191 functions");

}  // namespace

const char* HostFunctionName(std::size_t index) {
  return index < kHostFunctionCount ? kEntries[index].name : nullptr;
}

bool IsHostFunctionResolved(std::size_t index) {
  return index < kHostFunctionCount && kEntries[index].isResolved();
}

bool ResolveHostFunctions(const char* moduleName) {
  ModuleHandle module = LoadModule(moduleName);
  if (module == nullptr) return false;
  for (const HostFunctionEntry& entry : kEntries) {
    MQGeneric_Function address = FindModuleFunction(module, entry.name);
    entry.store(address);
    if (address == nullptr) {
      ReleaseModule(module);
      return false;
    }
  }
  // The module is the running host, so its functions outlive this reference.
  ReleaseModule(module);
  return true;
}

}  // namespace mq
