// How the imitated host exports its functions: by name, from the module whose path it hands to a
// plug-in's MQInit (the executable on Windows, the host library elsewhere).
#pragma once

#if defined(_WIN32)
#define MQ_HOST_EXPORT extern "C" __declspec(dllexport)
#else
#define MQ_HOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif
