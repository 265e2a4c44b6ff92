// What the C interface tells its caller about a call: a status and a message. Shared by the files
// that check and carry out the C interface's calls.
#pragma once

#include <string>

#include "transfer_c/palisor_transfer.h"

struct Verdict {
  palisor_transfer_status status = PALISOR_TRANSFER_OK;
  std::string message;

  bool Failed() const { return status != PALISOR_TRANSFER_OK; }
};

inline Verdict Invalid(const std::string& message) {
  return Verdict{PALISOR_TRANSFER_INVALID_ARGUMENT, message};
}

// The transfer along the Source's surface (SURFACE_POINT, CARRIED_OFFSET): checks the triangles
// that the methods need, then computes. `input` and `options` are complete (the caller's
// struct_size resolved), the rest of their arguments already checked.
Verdict TransferAlongSurfaceFromC(const palisor_transfer_input& input,
                                  const palisor_transfer_options& options, float* const* outputs,
                                  uint8_t* marks);

// Sets the weight options to their defaults by the struct_size rule (as
// palisor_transfer_default_weight_options promises).
void SetDefaultWeightOptions(palisor_transfer_weight_options* options);

// The weight transfer: checks every argument, then computes; every failure, exceptions but the
// making of a message included, comes back as the verdict.
Verdict TransferWeightsFromC(const palisor_transfer_weight_input* input,
                             const palisor_transfer_weight_options* options, uint32_t* joints,
                             float* weights, uint8_t* marks);
