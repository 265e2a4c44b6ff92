/* The transfer library as a C program sees it: loaded by path at run time, its functions looked
 * up by name, and called from C. */
#ifndef PALISOR_TESTS_TRANSFER_TRANSFER_LIBRARY_H
#define PALISOR_TESTS_TRANSFER_TRANSFER_LIBRARY_H

#include <stddef.h>
#include <stdint.h>

#include "transfer_c/palisor_transfer.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TransferLibrary {
  void* module;
  uint32_t (*version)(void);
  void (*defaultOptions)(palisor_transfer_options* options);
  const char* (*statusText)(int32_t status);
  palisor_transfer_status (*compute)(const palisor_transfer_input* input,
                                     const palisor_transfer_options* options,
                                     float* const* destination_displacements, char* message,
                                     size_t message_capacity);
  palisor_transfer_status (*computeMarked)(const palisor_transfer_input* input,
                                           const palisor_transfer_options* options,
                                           float* const* destination_displacements,
                                           uint8_t* destination_marks, char* message,
                                           size_t message_capacity);
  void (*defaultWeightOptions)(palisor_transfer_weight_options* options);
  palisor_transfer_status (*weights)(const palisor_transfer_weight_input* input,
                                     const palisor_transfer_weight_options* options,
                                     uint32_t* destination_joints, float* destination_weights,
                                     uint8_t* destination_marks, char* message,
                                     size_t message_capacity);
} TransferLibrary;

/* Loads the library at `path` and looks up its seven functions; 0 when it cannot be loaded or
 * lacks one of them. */
int OpenTransferLibrary(const char* path, TransferLibrary* library);
void CloseTransferLibrary(TransferLibrary* library);

/* One transfer with the default options on `threadCount` threads (0: all), its input struct
 * filled in C. */
palisor_transfer_status TransferFromC(const TransferLibrary* library, const float* sourcePositions,
                                      size_t sourceCount, const uint8_t* sourceUsed,
                                      const float* const* targets, const size_t* targetCounts,
                                      size_t targetCount, const float* destinationPositions,
                                      size_t destinationCount, const uint8_t* destinationMask,
                                      uint32_t threadCount, float* const* outputs, char* message,
                                      size_t messageCapacity);

#ifdef __cplusplus
}
#endif

#endif
