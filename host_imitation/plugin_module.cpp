#include "host_imitation/plugin_module.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "host_imitation/host_exports.h"

MQ_HOST_EXPORT MQBool MQ_CALL MQ_SendMessage(int32_t message, MQSendMessageInfo* info);

namespace host_imitation {

namespace {

#ifdef _WIN32
void* OpenLibrary(const std::string& path) {
  return LoadLibraryA(path.c_str());
}
void* FindSymbol(void* module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}
void CloseLibrary(void* module) {
  FreeLibrary(static_cast<HMODULE>(module));
}
std::string LastLoadError() {
  return "error " + std::to_string(GetLastError());
}
#else
void* OpenLibrary(const std::string& path) {
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void* FindSymbol(void* module, const char* name) {
  return dlsym(module, name);
}
void CloseLibrary(void* module) {
  dlclose(module);
}
std::string LastLoadError() {
  const char* message = dlerror();
  return message != nullptr ? message : "unknown error";
}
#endif

}  // namespace

std::string HostModulePath() {
#ifdef _WIN32
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
#else
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&MQ_SendMessage), &info) == 0 || info.dli_fname == nullptr) {
    return std::string();
  }
  return info.dli_fname;
#endif
}

void* HostFunctionAddress(const char* name) {
#ifdef _WIN32
  return FindSymbol(GetModuleHandleA(nullptr), name);
#else
  // The host module is loaded already: this only finds it, and closing it leaves it loaded.
  void* module = dlopen(HostModulePath().c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (module == nullptr) return nullptr;
  void* address = dlsym(module, name);
  dlclose(module);
  return address;
#endif
}

PluginModule::~PluginModule() {
  if (module_ != nullptr) CloseLibrary(module_);
}

bool PluginModule::Load(const std::string& path) {
  module_ = OpenLibrary(path);
  if (module_ == nullptr) {
    error = "cannot load " + path + ": " + LastLoadError();
    return false;
  }
  bool complete = true;
  auto resolve = [&](auto& slot, const char* name) {
    slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(FindSymbol(module_, name));
    if (slot == nullptr && complete) {
      complete = false;
      error = path + " does not export " + name;
    }
  };
  resolve(MQInit, "MQInit");
  resolve(MQCheckVersion, "MQCheckVersion");
  resolve(MQGetPlugInID, "MQGetPlugInID");
  resolve(MQGetPlugInName, "MQGetPlugInName");
  resolve(MQGetPlugInType, "MQGetPlugInType");
  resolve(MQEnumStringW, "MQEnumStringW");
  resolve(MQEnumFileType, "MQEnumFileType");
  resolve(MQEnumFileExt, "MQEnumFileExt");
  resolve(MQImportFileW, "MQImportFileW");
  resolve(MQExportFileW, "MQExportFileW");
  resolve(MQCreate, "MQCreate");
  resolve(MQModifyObject, "MQModifyObject");
  resolve(MQModifySelect, "MQModifySelect");
  resolve(MQOnEvent, "MQOnEvent");
  return complete;
}

bool PluginModule::Initialise() {
  if (MQCheckVersion(kHostVersion) == 0) {
    error = "the plug-in refuses host version " + std::to_string(kHostVersion);
    return false;
  }
  const std::string hostPath = HostModulePath();
  if (MQInit(hostPath.c_str()) == 0) {
    error = "MQInit failed for " + hostPath;
    return false;
  }
  return true;
}

}  // namespace host_imitation
