// The layout of a morph-target candidate, checked at compile time: the object handle pair, then
// its one-byte tick, padded to pointer alignment.
#include <cstddef>

#include "tool/run_settings.h"

namespace {

constexpr std::size_t kPointer = sizeof(void*);

static_assert(sizeof(bool) == 1, "the tick is one byte");
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(MorphCandidate, object) == 0 &&
                  offsetof(MorphCandidate, ticked) == sizeof(cmq::CMQObject),
              "a candidate is its handle pair followed by its tick");
#pragma GCC diagnostic pop
static_assert(sizeof(MorphCandidate) == sizeof(cmq::CMQObject) + kPointer,
              "the tick is padded to the next pointer boundary");

}  // namespace
