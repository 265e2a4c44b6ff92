// The table of host functions, filled once by MQInit and read by every host call.
#pragma once

#include <cstddef>

#include "host/host_api.h"

namespace mq {

#define MQ_HOST_FUNCTION_TYPE_TYPED(name) name##_Function
#define MQ_HOST_FUNCTION_TYPE_GENERIC(name) MQGeneric_Function

struct HostFunctionTable {
#define MQ_HOST_FUNCTION(name, kind) MQ_HOST_FUNCTION_TYPE_##kind(name) name = nullptr;
#include "host/host_function_list.h"
#undef MQ_HOST_FUNCTION
};

// Every host call goes through this table.
extern HostFunctionTable hostFunctions;

constexpr std::size_t kHostFunctionCount = 0
#define MQ_HOST_FUNCTION(name, kind) +1
#include "host/host_function_list.h"
#undef MQ_HOST_FUNCTION
    ;

// The name of entry `index`, in resolution order.
const char* HostFunctionName(std::size_t index);
// Whether entry `index` holds an address.
bool IsHostFunctionResolved(std::size_t index);

// Loads the module, stores the address of every host function in list order, and releases the
// module again. Stops at the first name the module lacks. True when all were found.
bool ResolveHostFunctions(const char* moduleName);

}  // namespace mq
