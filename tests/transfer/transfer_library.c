#include "transfer_library.h"

#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

/* A symbol's address as a function pointer of the caller's type, copied bytewise: ISO C converts
 * no object pointer to a function pointer. Returns 0 where the symbol is missing. */
static int LookUp(void* module, const char* name, void* function, size_t size) {
#ifdef _WIN32
  FARPROC symbol = GetProcAddress((HMODULE)module, name);
#else
  void* symbol = dlsym(module, name);
#endif
  if (symbol == NULL || size != sizeof symbol) return 0;
  memcpy(function, &symbol, size);
  return 1;
}

int OpenTransferLibrary(const char* path, TransferLibrary* library) {
  memset(library, 0, sizeof *library);
#ifdef _WIN32
  library->module = (void*)LoadLibraryA(path);
#else
  library->module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
  if (library->module == NULL) return 0;
  if (LookUp(library->module, "palisor_transfer_version", &library->version,
             sizeof library->version) &&
      LookUp(library->module, "palisor_transfer_default_options", &library->defaultOptions,
             sizeof library->defaultOptions) &&
      LookUp(library->module, "palisor_transfer_status_text", &library->statusText,
             sizeof library->statusText) &&
      LookUp(library->module, "palisor_transfer_compute", &library->compute,
             sizeof library->compute) &&
      LookUp(library->module, "palisor_transfer_compute_marked", &library->computeMarked,
             sizeof library->computeMarked) &&
      LookUp(library->module, "palisor_transfer_default_weight_options",
             &library->defaultWeightOptions, sizeof library->defaultWeightOptions) &&
      LookUp(library->module, "palisor_transfer_weights", &library->weights,
             sizeof library->weights)) {
    return 1;
  }
  CloseTransferLibrary(library);
  return 0;
}

void CloseTransferLibrary(TransferLibrary* library) {
  if (library->module != NULL) {
#ifdef _WIN32
    FreeLibrary((HMODULE)library->module);
#else
    dlclose(library->module);
#endif
  }
  memset(library, 0, sizeof *library);
}

palisor_transfer_status TransferFromC(const TransferLibrary* library, const float* sourcePositions,
                                      size_t sourceCount, const uint8_t* sourceUsed,
                                      const float* const* targets, const size_t* targetCounts,
                                      size_t targetCount, const float* destinationPositions,
                                      size_t destinationCount, const uint8_t* destinationMask,
                                      uint32_t threadCount, float* const* outputs, char* message,
                                      size_t messageCapacity) {
  palisor_transfer_input input;
  palisor_transfer_options options;
  memset(&input, 0, sizeof input);
  input.struct_size = sizeof input;
  input.source_positions = sourcePositions;
  input.source_vertex_count = sourceCount;
  input.source_used = sourceUsed;
  input.target_displacements = targets;
  input.target_vertex_counts = targetCounts;
  input.target_count = targetCount;
  input.destination_positions = destinationPositions;
  input.destination_vertex_count = destinationCount;
  input.destination_mask = destinationMask;
  options.struct_size = sizeof options;
  library->defaultOptions(&options);
  options.thread_count = threadCount;
  return library->compute(&input, &options, outputs, message, messageCapacity);
}
