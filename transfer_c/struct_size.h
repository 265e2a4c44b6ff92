// The struct_size rule of palisor_transfer.h, for every struct of the C interface: a caller's
// struct is checked against the sizes this library knows, then completed with defaults.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "transfer_c/palisor_transfer_verdict.h"

// A caller's struct of `given` bytes, of which this library knows the first `known`: at least
// the first version's size, and zero beyond what is known.
inline Verdict CheckStructSize(const void* data, std::size_t given, std::size_t first,
                               std::size_t known, const std::string& name) {
  if (given < first) {
    return Invalid(name + ".struct_size is " + std::to_string(given) + ", below the " +
                   std::to_string(first) + " bytes of the struct's first version: set it to " +
                   "sizeof(palisor_transfer_" + name + ") before filling the struct");
  }
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t at = known; at < given; ++at) {
    if (bytes[at] != 0) {
      return Verdict{PALISOR_TRANSFER_UNSUPPORTED,
                     name + " sets fields that this library does not know (struct_size " +
                         std::to_string(given) + ", known " + std::to_string(known) + ")"};
    }
  }
  return Verdict{};
}

// A struct of the caller's as this library's version of it: the caller's bytes as far as they
// go, the rest as `defaults` has them.
template <typename Struct>
Struct Complete(const Struct* given, const Struct& defaults) {
  Struct complete = defaults;
  if (given != nullptr)
    std::memcpy(&complete, given, std::min(given->struct_size, sizeof complete));
  return complete;
}
